// AutoDoImageWarping up to the per-channel detection, on photo files drawn
// with known geometry: a 1280 x 720 panel (type 4) seen head-on in a
// 1440 x 810 photo, a quarter of the working size in each direction.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <utility>

#include "VantisCore.h"
#include "synthetic_photos.h"
#include "warping.h"

namespace {

using namespace vantiscore;
using vantiscore::synthetic::PanelView;
using vantiscore::synthetic::TempFolder;

PanelView View() {
    PanelView view;
    view.info = AutoWarpGetPatternInfo(false, 4);
    view.photoSize = {1440, 810};
    view.origin = {240, 135};
    view.scale = 0.75f;
    return view;
}

// One channel's photo set written to files.
struct PhotoSet {
    std::string black, white, centre, grid;
};

PhotoSet WriteSet(const TempFolder& folder, const PanelView& view, const std::string& tag) {
    return {folder.Write(tag + "black.bmp", synthetic::BlackPhoto(view)),
            folder.Write(tag + "white.bmp", synthetic::WhitePhoto(view)),
            folder.Write(tag + "centre.png", synthetic::CentrePhoto(view)),
            folder.Write(tag + "grid.png", synthetic::GridPhoto(view))};
}

// A boundary well inside the 1440 x 810 photo.
BoundaryGrid InsideBoundary() {
    BoundaryGrid grid;
    for (int r = 0; r < kBoundaryRows; ++r)
        for (int c = 0; c < kBoundaryColumns; ++c)
            grid.emplace_back(300.0f + 840.0f * c / (kBoundaryColumns - 1),
                              150.0f + 510.0f * r / (kBoundaryRows - 1));
    return grid;
}

struct Call {
    std::string black;
    std::vector<std::string> whites, centres, grids;
    std::vector<double> thresholds;
    PatternType type = 4;
    int channels = 1;
    WarpingMode mode = kWarpingStacking;
    int columns = 1, rows = 1, stacks = 1;
    BoundaryGrid boundary = InsideBoundary();
    std::int32_t photoSize[2] = {-1, -1};
    std::vector<WarpGrid> warps;

    WarpResult Run() {
        return AutoDoImageWarping(black, whites, centres, grids, thresholds, type, channels, mode, columns,
                                  rows, 0, 0, stacks, boundary, photoSize, &warps);
    }
    WarpJob Job() const {
        return {black, whites,  centres, grids, thresholds, type,   channels,
                mode,  columns, rows,    0,     0,          stacks, boundary};
    }
};

Call CallFor(const PhotoSet& set, int channels = 1) {
    Call call;
    call.black = set.black;
    for (int i = 0; i < channels; ++i) {
        call.whites.push_back(set.white);
        call.centres.push_back(set.centre);
        call.grids.push_back(set.grid);
        call.thresholds.push_back(60);
    }
    call.channels = channels;
    return call;
}

bool Near(const BlobRecord& blob, cv::Point expected, int tolerance = 3) {
    return std::abs(blob.x - expected.x) <= tolerance && std::abs(blob.y - expected.y) <= tolerance;
}

TEST(DetectChannel, FindsRegionCentresAndEveryBlock) {
    TempFolder folder;
    const PanelView view = View();
    const Call call = CallFor(WriteSet(folder, view, ""));
    ChannelDetection detection;
    std::int32_t photoSize[2] = {};
    const WarpResult result = DetectChannel(call.Job(), 0, view.info, photoSize, &detection);
    ASSERT_EQ(result.status, kWarpOk);
    EXPECT_EQ(photoSize[0], 1440);
    EXPECT_EQ(photoSize[1], 810);

    // Panel (240, 135)-(1200, 675) in the photo is (960, 540)-(4800, 2700) at working size.
    const cv::Rect& region = detection.region.rect;
    EXPECT_NEAR(region.x, 960, 3);
    EXPECT_NEAR(region.y, 540, 3);
    EXPECT_NEAR(region.width, 3840, 4);
    EXPECT_NEAR(region.height, 2160, 4);
    EXPECT_EQ(detection.pitch.cellWidth, region.width / 40);
    EXPECT_EQ(detection.pitch.cellHeight, region.height / 22);

    const PatternInfo& info = view.info;
    ASSERT_EQ(detection.centres.size(), 4u);
    EXPECT_TRUE(Near(detection.centres[0], view.WorkCentre(info.centreColumn, info.centreRow)));
    EXPECT_TRUE(Near(detection.centres[1], view.WorkCentre(info.centreColumn + 1, info.centreRow)));
    EXPECT_TRUE(Near(detection.centres[2], view.WorkCentre(info.centreColumn, info.centreRow + 1)));
    EXPECT_TRUE(Near(detection.centres[3], view.WorkCentre(info.centreColumn + 1, info.centreRow + 1)));
    // Blocks are 12 x 12 photo pixels, 48 x 48 at working size: base = 48 * 48 / 4 about.
    EXPECT_NEAR(detection.blockThresholdBase, 48 * 48 / 4, 60);

    ASSERT_EQ(detection.blocks.size(), static_cast<std::size_t>(info.blockColumns * info.blockRows));
    std::vector<bool> found(detection.blocks.size(), false);
    for (const BlobRecord& blob : detection.blocks) {
        for (int r = 0; r < info.blockRows; ++r) {
            for (int c = 0; c < info.blockColumns; ++c) {
                if (Near(blob, view.WorkCentre(c, r)))
                    found[static_cast<std::size_t>(r * info.blockColumns + c)] = true;
            }
        }
    }
    EXPECT_EQ(std::count(found.begin(), found.end(), true), info.blockColumns * info.blockRows);
}

TEST(DetectChannel, TwoCentrePhotosGiveEightEntriesLastFourZero) {
    TempFolder folder;
    const PanelView view = View();
    const PhotoSet set = WriteSet(folder, view, "");
    Call call = CallFor(set);
    call.centres[0] = set.centre + ";" + set.centre;
    ChannelDetection detection;
    std::int32_t photoSize[2] = {};
    ASSERT_EQ(DetectChannel(call.Job(), 0, view.info, photoSize, &detection).status, kWarpOk);
    ASSERT_EQ(detection.centres.size(), 8u);
    EXPECT_TRUE(Near(detection.centres[0], view.WorkCentre(view.info.centreColumn, view.info.centreRow)));
    for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(detection.centres[i], BlobRecord());
}

TEST(ImageWarping, DetectionSucceedsForEveryChannel) {
    TempFolder folder;
    const PanelView view = View();
    Call call = CallFor(WriteSet(folder, view, ""), 2);
    call.warps.push_back({{1, 2}});
    const WarpResult result = call.Run();
    EXPECT_EQ(result.status, kWarpOk);
    EXPECT_EQ(result.channel, 0);
    EXPECT_TRUE(result.photo.empty());
    EXPECT_EQ(call.photoSize[0], 1440);
    EXPECT_EQ(call.photoSize[1], 810);
    ASSERT_GE(call.warps.size(), 1u);
    EXPECT_EQ(call.warps[0], WarpGrid({{1, 2}}));  // what the caller had stays in front
}

TEST(ImageWarping, RegionAtEachPhotoEdgeIsStatus3WithWhitePhoto) {
    // The 960 x 540 panel image placed against the left, top, right and bottom edge.
    const cv::Point2f origins[] = {{0, 135}, {240, 0}, {480, 135}, {240, 270}};
    for (const cv::Point2f origin : origins) {
        TempFolder folder;
        PanelView view = View();
        view.origin = origin;
        Call call = CallFor(WriteSet(folder, view, ""));
        const WarpResult result = call.Run();
        EXPECT_EQ(result.status, kWarpRegionAtEdge) << origin;
        EXPECT_EQ(result.channel, 1);
        ASSERT_EQ(result.photo.size(), cv::Size(kWorkWidth, kWorkHeight));
        const cv::Point inside = view.WorkCentre(20, 11);
        EXPECT_EQ(result.photo.at<cv::Vec3b>(inside), cv::Vec3b(255, 255, 255));  // the white photo
        EXPECT_TRUE(call.warps.empty());
    }
}

TEST(ImageWarping, CentrePhotoWithFiveOrThreeBlobsIsStatus4OnItsChannel) {
    TempFolder folder;
    const PanelView view = View();
    const PhotoSet set = WriteSet(folder, view, "");
    const PatternInfo& info = view.info;
    cv::Mat five = synthetic::CentrePhoto(view);
    cv::rectangle(five, view.PhotoRect(2 * info.pitchX, 2 * info.pitchY, info.blockWidth, info.blockHeight),
                  cv::Scalar::all(255), cv::FILLED);
    const cv::Mat three = synthetic::BlocksPhoto(view, info.centreColumn, info.centreColumnEnd,
                                                 info.centreRow, info.centreRow + 1) +
                          synthetic::BlocksPhoto(view, info.centreColumn, info.centreColumn + 1,
                                                 info.centreRow + 1, info.centreRowEnd);
    for (const cv::Mat& bad : {five, three}) {
        Call call = CallFor(set, 2);
        call.centres[1] = set.centre + ";" + folder.Write("bad.png", bad);
        const WarpResult result = call.Run();
        EXPECT_EQ(result.status, kWarpCentreBlobs);
        EXPECT_EQ(result.channel, 2);
        ASSERT_EQ(result.photo.size(), cv::Size(kWorkWidth, kWorkHeight));
        cv::Mat expected;
        cv::resize(bad, expected, result.photo.size(), 0, 0, cv::INTER_LINEAR);
        EXPECT_EQ(cv::norm(result.photo, expected, cv::NORM_INF), 0);
        EXPECT_TRUE(call.warps.empty());
    }
}

TEST(ImageWarping, UnreadablePhotosAreStatus1) {
    TempFolder folder;
    const PanelView view = View();
    const PhotoSet set = WriteSet(folder, view, "");
    const std::string junk = folder.WriteBytes("junk.bmp", std::string("BM") + std::string(60, '\xff'));
    const std::string missing = folder.Path("missing.bmp");

    Call black = CallFor(set);
    black.black = missing;
    WarpResult result = black.Run();
    EXPECT_EQ(result.status, kWarpPhotoUnreadable);
    EXPECT_EQ(result.channel, 1);
    EXPECT_EQ(result.photo.size(), cv::Size(kWorkWidth, kWorkHeight));  // the channel's white photo
    EXPECT_EQ(black.photoSize[0], 0);

    Call white = CallFor(set, 2);
    white.whites[1] = junk;
    result = white.Run();
    EXPECT_EQ(result.status, kWarpPhotoUnreadable);
    EXPECT_EQ(result.channel, 2);
    EXPECT_TRUE(result.photo.empty());

    // An unreadable centre or grid photo (also an empty entry) ends the call
    // instead of reaching the image operations with an empty picture.
    for (const std::string& bad : {junk, missing, std::string()}) {
        Call centre = CallFor(set);
        centre.centres[0] = bad + ";" + set.centre;
        EXPECT_EQ(centre.Run().status, kWarpPhotoUnreadable) << bad;
        Call grid = CallFor(set);
        grid.grids[0] = bad + ";" + set.grid;
        result = grid.Run();
        EXPECT_EQ(result.status, kWarpPhotoUnreadable) << bad;
        EXPECT_EQ(result.channel, 1);
    }
}

TEST(ImageWarping, CallsThatCannotServeTheChannelCountAreRefused) {
    const PhotoSet set{"b", "w", "c", "g"};  // never read: refused before any photo
    Call call = CallFor(set, 2);
    call.channels = 3;  // more channels than list entries
    EXPECT_EQ(call.Run().status, kWarpBadArguments);
    call = CallFor(set, 2);
    call.thresholds.pop_back();
    EXPECT_EQ(call.Run().status, kWarpBadArguments);
    call = CallFor(set, 1);
    call.type = 7;
    EXPECT_EQ(call.Run().status, kWarpBadArguments);
    call = CallFor(set, 1);
    call.channels = -1;
    EXPECT_EQ(call.Run().status, kWarpBadArguments);

    // More channels than tiles (blending) or tiles x layers (stacking & blending).
    call = CallFor(set, 3);
    call.mode = kWarpingBlending;
    call.columns = 2;
    EXPECT_EQ(call.Run().status, kWarpBadArguments);
    call.mode = kWarpingStackingBlending;
    call.stacks = 1;
    EXPECT_EQ(call.Run().status, kWarpBadArguments);
    EXPECT_EQ(ValidateWarpJob(call.Job()), kWarpBadArguments);
    call.stacks = 2;
    EXPECT_EQ(ValidateWarpJob(call.Job()), kWarpOk);
    call.mode = kWarpingBlending;
    call.columns = 3;
    EXPECT_EQ(ValidateWarpJob(call.Job()), kWarpOk);
    EXPECT_TRUE(call.warps.empty());
    EXPECT_EQ(call.photoSize[0], -1);
}

TEST(ImageWarping, CallsThatWouldDoNoWorkAreRefusedNotReportedAsDone) {
    const PhotoSet set{"b", "w", "c", "g"};  // never read: refused before any photo
    Call none;
    none.channels = 0;
    none.black = "not read";
    EXPECT_EQ(none.Run().status, kWarpBadArguments);
    EXPECT_TRUE(none.warps.empty());
    EXPECT_EQ(none.photoSize[0], -1);

    for (WarpingMode mode : {-1, 3, 99}) {  // modes that make no warps
        Call call = CallFor(set);
        call.mode = mode;
        EXPECT_EQ(call.Run().status, kWarpBadArguments) << mode;
    }
    // Layouts beyond the layout tables (the canvas size would overflow).
    for (auto [columns, rows] : {std::pair{2147483647, 1}, std::pair{10000, 1}, std::pair{7, 1},
                                 std::pair{3, 3}, std::pair{0, 1}, std::pair{1, -1}}) {
        Call call = CallFor(set);
        call.mode = kWarpingBlending;
        call.columns = columns;
        call.rows = rows;
        EXPECT_EQ(call.Run().status, kWarpBadArguments) << columns << " x " << rows;
    }
    Call stacks = CallFor(set);
    stacks.mode = kWarpingStackingBlending;
    stacks.stacks = 100000;
    EXPECT_EQ(stacks.Run().status, kWarpBadArguments);
    // Boundaries that are no outline: wrong size, not finite.
    Call shortBoundary = CallFor(set);
    shortBoundary.boundary.pop_back();
    EXPECT_EQ(shortBoundary.Run().status, kWarpBadArguments);
    Call nan = CallFor(set);
    nan.boundary[100].x = std::nanf("");
    EXPECT_EQ(nan.Run().status, kWarpBadArguments);
}

TEST(ImageWarping, BoundariesCollapsedOrOffThePhotoAreRefused) {
    TempFolder folder;
    const PhotoSet set = WriteSet(folder, View(), "");
    Call good = CallFor(set);
    EXPECT_EQ(good.Run().status, kWarpOk);

    Call collapsed = CallFor(set);
    collapsed.boundary = BoundaryGrid(kBoundaryColumns * kBoundaryRows, cv::Point2f(700, 400));
    EXPECT_EQ(collapsed.Run().status, kWarpBadArguments);
    Call line = CallFor(set);
    for (cv::Point2f& p : line.boundary) p.y = 400;  // every row on one line
    EXPECT_EQ(line.Run().status, kWarpBadArguments);
    Call off = CallFor(set);
    for (cv::Point2f& p : off.boundary) p.x += 1000;  // beyond the right edge of the 1440-pixel photo
    EXPECT_EQ(off.Run().status, kWarpBadArguments);
    EXPECT_TRUE(off.warps.empty());
}

TEST(ImageWarping, PhotosThatDoNotBelongToTheSetAreRefusedOnTheirChannel) {
    TempFolder folder;
    const PanelView view = View();
    const PhotoSet set = WriteSet(folder, view, "");
    PanelView larger = view;
    larger.photoSize = {1600, 900};
    const PhotoSet other = WriteSet(folder, larger, "larger-");

    // A grid, centre or white photo of another size than the black photo.
    Call grid = CallFor(set, 2);
    grid.grids[1] = other.grid;
    WarpResult result = grid.Run();
    EXPECT_EQ(result.status, kWarpBadArguments);
    EXPECT_EQ(result.channel, 2);
    Call centre = CallFor(set, 2);
    centre.centres[1] = set.centre + ";" + other.centre;
    result = centre.Run();
    EXPECT_EQ(result.status, kWarpBadArguments);
    EXPECT_EQ(result.channel, 2);
    Call white = CallFor(set);
    white.whites[0] = other.white;
    EXPECT_EQ(white.Run().status, kWarpBadArguments);

    // No grid photo at all, or an all-black one.
    Call empty = CallFor(set, 2);
    empty.grids[0] = "";
    result = empty.Run();
    EXPECT_EQ(result.status, kWarpBadArguments);
    EXPECT_EQ(result.channel, 1);
    Call dark = CallFor(set, 2);
    dark.grids[1] = set.black;
    result = dark.Run();
    EXPECT_NE(result.status, kWarpOk);
    EXPECT_EQ(result.channel, 2);
    EXPECT_TRUE(dark.warps.empty());
}

}  // namespace
