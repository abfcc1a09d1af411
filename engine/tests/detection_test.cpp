// Each detection step on pictures drawn with known answers.
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "detection.h"

namespace {

using namespace vantiscore;

cv::Mat Black(cv::Size size = {400, 300}) {
    return cv::Mat(size, CV_8UC3, cv::Scalar::all(0));
}

cv::Mat WithRects(cv::Mat picture, std::initializer_list<cv::Rect> rects, int level = 255) {
    for (const cv::Rect& r : rects) cv::rectangle(picture, r, cv::Scalar::all(level), cv::FILLED);
    return picture;
}

// A contour drawn by hand around a w x h pixel rectangle: area (w-1)(h-1).
Contour RectContour(int x, int y, int w, int h) {
    return {{x, y}, {x, y + h - 1}, {x + w - 1, y + h - 1}, {x + w - 1, y}};
}

TEST(SplitPathList, SemicolonsSeparatePathsAndEmptyEntriesStay) {
    EXPECT_EQ(SplitPathList(""), std::vector<std::string>{});
    EXPECT_EQ(SplitPathList("a.bmp"), std::vector<std::string>{"a.bmp"});
    EXPECT_EQ(SplitPathList("a;b c;d"), (std::vector<std::string>{"a", "b c", "d"}));
    EXPECT_EQ(SplitPathList("a;;b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitPathList(";a;"), (std::vector<std::string>{"", "a"}));
}

TEST(ChannelRegion, LargestLitAreaAndItsBoundingRectangle) {
    const cv::Mat black = Black();
    const cv::Mat white = WithRects(Black(), {{50, 40, 200, 150}, {300, 250, 20, 20}});
    const ChannelRegion region = FindChannelRegion(black, white, 100);
    EXPECT_EQ(region.rect, cv::Rect(50, 40, 200, 150));
    ASSERT_EQ(region.contours.size(), 1u);
    EXPECT_EQ(cv::boundingRect(region.contours[0]), region.rect);
    EXPECT_TRUE(RegionInsidePhoto(region.rect, black.size()));
}

TEST(ChannelRegion, ThresholdDecidesWhatIsLit) {
    const cv::Mat white = WithRects(WithRects(Black(), {{50, 40, 100, 100}}, 80), {{200, 40, 60, 60}}, 200);
    EXPECT_EQ(FindChannelRegion(Black(), white, 50).rect, cv::Rect(50, 40, 100, 100));
    EXPECT_EQ(FindChannelRegion(Black(), white, 80).rect, cv::Rect(200, 40, 60, 60));  // 80 is not above 80
}

TEST(ChannelRegion, TouchingAnyPhotoEdgeIsRefused) {
    const cv::Size size(400, 300);
    const cv::Rect touching[] = {
        {0, 40, 100, 100}, {300, 40, 100, 100}, {50, 0, 100, 100}, {50, 200, 100, 100}};
    for (const cv::Rect& lit : touching) {
        const ChannelRegion region = FindChannelRegion(Black(size), WithRects(Black(size), {lit}), 100);
        EXPECT_EQ(region.rect, lit);
        EXPECT_FALSE(RegionInsidePhoto(region.rect, size)) << lit;
    }
    EXPECT_TRUE(RegionInsidePhoto({1, 1, 398, 298}, size));
}

TEST(ChannelRegion, NothingLitGivesNoContourAndIsRefused) {
    const ChannelRegion region = FindChannelRegion(Black(), Black(), 10);
    EXPECT_TRUE(region.contours.empty());
    EXPECT_EQ(region.rect, cv::Rect());
    EXPECT_FALSE(RegionInsidePhoto(region.rect, {400, 300}));
}

TEST(ChannelRegion, EqualLargestAreasKeepTheFirstFound) {
    const cv::Mat white = WithRects(Black(), {{20, 20, 100, 100}, {200, 150, 100, 100}});
    ContourList contours;
    cv::Mat grey;
    cv::cvtColor(white, grey, cv::COLOR_BGR2GRAY);
    cv::findContours(grey, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    ASSERT_EQ(contours.size(), 2u);
    EXPECT_EQ(FindChannelRegion(Black(), white, 100).rect, cv::boundingRect(contours[0]));
}

TEST(PitchEstimate, RegionSizeOverBlocksPerPanelSide) {
    PatternInfo info = AutoWarpGetPatternInfo(false, 3);  // 1920 / 64 = 30, 1080 / 64 = 16
    PitchEstimate pitch = EstimatePitch({10, 10, 3000, 1600}, info);
    EXPECT_EQ(pitch.cellWidth, 100);
    EXPECT_EQ(pitch.cellHeight, 100);
    info = AutoWarpGetPatternInfo(false, 2);  // 1200 / 64 = 18
    EXPECT_EQ(EstimatePitch({0, 0, 3000, 1817}, info).cellHeight, 100);
    info = AutoWarpGetPatternInfo(false, 4);  // 720 / 32 = 22
    EXPECT_EQ(EstimatePitch({0, 0, 3000, 2199}, info).cellHeight, 99);
    const PitchEstimate none = EstimatePitch({0, 0, 3000, 2000}, AutoWarpGetPatternInfo(false, 9));
    EXPECT_EQ(none.cellWidth, 0);
    EXPECT_EQ(none.cellHeight, 0);
}

TEST(MaskedDifference, OnlyBlobsInsideTheRegionContourCount) {
    const cv::Mat black = Black();
    // The region is an L shape: the bounding rectangle's top-right part is dark.
    cv::Mat white = WithRects(Black(), {{50, 50, 100, 200}, {150, 150, 150, 100}});
    const ChannelRegion region = FindChannelRegion(black, white, 100);
    ASSERT_EQ(region.rect, cv::Rect(50, 50, 250, 200));
    const cv::Mat pattern = WithRects(Black(), {{60, 60, 20, 20},     // inside the L
                                                {200, 180, 20, 20},   // inside the L
                                                {250, 70, 20, 20},    // in the rectangle, outside the L
                                                {350, 20, 20, 20}});  // outside everything
    const ContourList contours = MaskedDifferenceContours(black, pattern, region, 100);
    ASSERT_EQ(contours.size(), 2u);
    std::vector<cv::Point> centres;
    for (const Contour& c : contours) {
        const BlobRecord blob = MakeBlobRecord(c, region.rect);
        centres.emplace_back(blob.x, blob.y);
        EXPECT_EQ(blob.width, 20);
        EXPECT_EQ(blob.height, 20);
    }
    std::sort(centres.begin(), centres.end(), [](auto a, auto b) { return a.x < b.x; });
    EXPECT_EQ(centres[0], cv::Point(70, 70));  // corner + half size, in photo coordinates
    EXPECT_EQ(centres[1], cv::Point(210, 190));
}

TEST(MaskedDifference, ThresholdAppliesToTheDifferenceAgainstBlack) {
    const cv::Mat black = WithRects(Black(), {{0, 0, 400, 300}}, 40);  // ambient light
    const cv::Mat white = WithRects(black.clone(), {{50, 50, 300, 200}}, 240);
    const ChannelRegion region = FindChannelRegion(black, white, 100);
    const cv::Mat pattern = WithRects(black.clone(), {{100, 100, 30, 30}}, 130);  // 90 above black
    EXPECT_EQ(MaskedDifferenceContours(black, pattern, region, 80).size(), 1u);
    EXPECT_EQ(MaskedDifferenceContours(black, pattern, region, 100).size(), 0u);
}

TEST(CentreBlobs, AreaLimitIsASixteenthOfACell) {
    const cv::Rect region(100, 200, 1000, 800);
    const PitchEstimate pitch{40, 40};                           // limit 1600 / 16 = 100
    const ContourList contours = {RectContour(10, 10, 11, 11),   // area 100: accepted
                                  RectContour(50, 10, 11, 10),   // area 90: too small
                                  RectContour(90, 10, 30, 20)};  // accepted
    const std::vector<BlobRecord> blobs = FindCentreBlobs(contours, pitch, region);
    ASSERT_EQ(blobs.size(), 2u);
    EXPECT_EQ(blobs[0], BlobRecord(100 + 10 + 5, 200 + 10 + 5, 11, 11));
    EXPECT_EQ(blobs[1], BlobRecord(100 + 90 + 15, 200 + 10 + 10, 30, 20));
}

TEST(CentreBlobs, BlobOnLeftOrTopEdgeOfRegionIsNotCounted) {
    const PitchEstimate pitch{16, 16};
    const ContourList contours = {RectContour(0, 10, 20, 20), RectContour(10, 0, 20, 20),
                                  RectContour(1, 1, 20, 20)};
    const std::vector<BlobRecord> blobs = FindCentreBlobs(contours, pitch, {0, 0, 500, 500});
    ASSERT_EQ(blobs.size(), 1u);
    EXPECT_EQ(blobs[0].x, 11);
}

TEST(CentreOrdering, QuadrantsAroundTheMean) {
    std::vector<BlobRecord> centres = {
        {300, 300, 10, 12}, {100, 100, 20, 20}, {100, 300, 20, 20}, {300, 100, 30, 30}};
    EXPECT_EQ(OrderCentreBlobs(&centres), 120 / 4);
    EXPECT_EQ(centres, (std::vector<BlobRecord>{
                           {100, 100, 20, 20}, {300, 100, 30, 30}, {100, 300, 20, 20}, {300, 300, 10, 12}}));
}

TEST(CentreOrdering, TwoPhotosGiveEightEntriesWithLastFourZero) {
    std::vector<BlobRecord> centres = {{10, 10, 8, 8}, {20, 10, 8, 8}, {10, 20, 8, 8}, {20, 20, 8, 8},
                                       {11, 11, 8, 8}, {21, 11, 8, 8}, {11, 21, 8, 8}, {21, 21, 8, 8}};
    OrderCentreBlobs(&centres);
    ASSERT_EQ(centres.size(), 8u);
    // Later blobs of a quadrant overwrite earlier ones.
    EXPECT_EQ(centres[0], BlobRecord(11, 11, 8, 8));
    EXPECT_EQ(centres[3], BlobRecord(21, 21, 8, 8));
    for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(centres[i], BlobRecord()) << i;
}

TEST(CentreOrdering, BlobOnTheMeanLineLeavesItsQuadrantZero) {
    // Mean x = 200: the top-right blob lies on the vertical line through it.
    std::vector<BlobRecord> centres = {
        {100, 100, 9, 9}, {200, 100, 9, 9}, {100, 300, 9, 9}, {400, 300, 9, 9}};
    OrderCentreBlobs(&centres);
    EXPECT_EQ(centres[0], BlobRecord(100, 100, 9, 9));
    EXPECT_EQ(centres[1], BlobRecord());
    EXPECT_EQ(centres[2], BlobRecord(100, 300, 9, 9));
    EXPECT_EQ(centres[3], BlobRecord(400, 300, 9, 9));
}

TEST(CentreOrdering, ThresholdBaseWithoutBlobsOrWithEmptyBlob) {
    std::vector<BlobRecord> none;
    EXPECT_EQ(OrderCentreBlobs(&none), 656666 / 4);
    std::vector<BlobRecord> flat = {{1, 1, 0, 5}, {9, 1, 4, 4}, {1, 9, 4, 4}, {9, 9, 4, 4}};
    EXPECT_EQ(OrderCentreBlobs(&flat), 0);
}

TEST(BlockBlobs, AreaLimitIsBaseOverSixteen) {
    const ContourList contours = {RectContour(5, 5, 11, 11),   // area 100
                                  RectContour(40, 5, 10, 11),  // area 90
                                  RectContour(80, 5, 40, 40)};
    EXPECT_EQ(FindBlockBlobs(contours, 1600, {0, 0, 200, 200}).size(), 2u);  // limit 100
    EXPECT_EQ(FindBlockBlobs(contours, 1615, {0, 0, 200, 200}).size(), 2u);  // 1615 / 16 = 100
    EXPECT_EQ(FindBlockBlobs(contours, 1616, {0, 0, 200, 200}).size(), 1u);  // limit 101
    const std::vector<BlobRecord> blobs = FindBlockBlobs(contours, 0, {7, 9, 200, 200});
    ASSERT_EQ(blobs.size(), 3u);
    EXPECT_EQ(blobs[2], BlobRecord(7 + 80 + 20, 9 + 5 + 20, 40, 40));
}

}  // namespace
