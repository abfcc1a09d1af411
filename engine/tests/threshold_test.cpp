#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "VantisCore.h"
#include "synthetic_photos.h"

namespace {

using vantiscore::synthetic::TempFolder;

// A 320 x 180 grey-level photo: background level, and a lit rectangle.
cv::Mat Photo(int background, int lit, cv::Size size = {320, 180}) {
    cv::Mat photo(size, CV_8UC3, cv::Scalar::all(background));
    cv::rectangle(photo, cv::Rect(size.width / 4, size.height / 4, size.width / 2, size.height / 2),
                  cv::Scalar::all(lit), cv::FILLED);
    return photo;
}

TEST(CalThreshold, OtsuSplitsBetweenLevelsAndDifferenceHasPhotoASize) {
    TempFolder folder;
    const std::string a = folder.Write("a.png", Photo(10, 10));
    const std::string b = folder.Write("b.bmp", Photo(10, 210, {640, 360}));
    cv::Mat difference;
    double threshold = -1;
    ASSERT_EQ(AutoWarpCalThreshold(a, b, &difference, &threshold, 0), 0);
    // The difference holds only the levels 0 and 200: Otsu's split lies between.
    EXPECT_GE(threshold, 0);
    EXPECT_LT(threshold, 200);
    ASSERT_EQ(difference.size(), cv::Size(320, 180));  // photo A's size, not photo B's
    ASSERT_EQ(difference.type(), CV_8UC1);
    EXPECT_EQ(difference.at<uchar>(90, 160), 255);
    EXPECT_EQ(difference.at<uchar>(5, 5), 0);
    EXPECT_EQ(cv::countNonZero(difference == 255), 160 * 90);
}

TEST(CalThreshold, FixedThresholdIsAppliedAndKept) {
    TempFolder folder;
    const std::string a = folder.Write("a.png", Photo(0, 0));
    cv::Mat b = Photo(0, 120);
    cv::rectangle(b, cv::Rect(0, 0, 40, 40), cv::Scalar::all(60), cv::FILLED);
    const std::string bPath = folder.Write("b.png", b);
    cv::Mat difference;
    double threshold = 90;
    ASSERT_EQ(AutoWarpCalThreshold(a, bPath, &difference, &threshold, 1), 0);
    EXPECT_EQ(threshold, 90);
    EXPECT_EQ(difference.at<uchar>(90, 160), 255);  // 120 > 90
    EXPECT_EQ(difference.at<uchar>(20, 20), 0);     // 60 <= 90
    threshold = 50;
    ASSERT_EQ(AutoWarpCalThreshold(a, bPath, &difference, &threshold, 1), 0);
    EXPECT_EQ(difference.at<uchar>(20, 20), 255);
}

TEST(CalThreshold, IdenticalPhotosGiveBlackDifference) {
    TempFolder folder;
    const std::string a = folder.Write("a.png", Photo(30, 180));
    cv::Mat difference;
    double threshold = -1;
    ASSERT_EQ(AutoWarpCalThreshold(a, a, &difference, &threshold, 0), 0);
    EXPECT_EQ(cv::countNonZero(difference), 0);
    EXPECT_EQ(threshold, 0);  // Otsu's method on a single-valued picture
}

TEST(CalThreshold, UnreadableOrUnusableCallLeavesOutputsUntouched) {
    TempFolder folder;
    const std::string good = folder.Write("good.png", Photo(0, 100));
    const std::string junk = folder.WriteBytes("junk.bmp", "BM this is no bitmap");
    cv::Mat difference(2, 2, CV_8UC1, cv::Scalar(7));
    double threshold = 42;
    for (const auto& [a, b] : {std::pair{good, junk}, std::pair{junk, good},
                               std::pair{good, folder.Path("none")}, std::pair{std::string(), good}}) {
        EXPECT_EQ(AutoWarpCalThreshold(a, b, &difference, &threshold, 0), 1) << a << " " << b;
        EXPECT_EQ(threshold, 42);
        EXPECT_EQ(difference.size(), cv::Size(2, 2));
    }
    EXPECT_EQ(AutoWarpCalThreshold(good, good, &difference, &threshold, 2), 1);  // no such mode
    EXPECT_EQ(AutoWarpCalThreshold(good, good, nullptr, &threshold, 0), 1);
    EXPECT_EQ(AutoWarpCalThreshold(good, good, &difference, nullptr, 0), 1);
    EXPECT_EQ(threshold, 42);
}

}  // namespace
