#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "detection.h"
#include "synthetic_photos.h"

namespace {

using vantiscore::JudgeExposure;
using vantiscore::synthetic::TempFolder;

// A grey picture with the given number of pixels at each level.
cv::Mat Levels(std::initializer_list<std::pair<int, int>> counts) {
    int total = 0;
    for (const auto& c : counts) total += c.second;
    cv::Mat grey(1, total, CV_8UC1);
    int at = 0;
    for (const auto& [level, count] : counts) {
        for (int i = 0; i < count; ++i) grey.at<uchar>(0, at++) = static_cast<uchar>(level);
    }
    return grey;
}

// Levels 0 and 254 leave both ends one level empty: balance exactly 0.5, the
// bright side. Levels 0 and 253 leave the bright end wider: the dark side.
TEST(JudgeExposure, BalanceExactlyHalfIsBrightSide) {
    EXPECT_EQ(JudgeExposure(Levels({{0, 2}, {254, 1}})), kExposureAcceptable);  // mean 84.7, bright side
    EXPECT_EQ(JudgeExposure(Levels({{0, 2}, {253, 1}})), kExposureDark);        // mean 84.3, dark side
}

TEST(JudgeExposure, MeanExactly128OnBothSides) {
    EXPECT_EQ(JudgeExposure(Levels({{0, 63}, {254, 64}})), kExposureSlightlyBright);  // 16256 / 127 = 128
    EXPECT_EQ(JudgeExposure(Levels({{0, 125}, {253, 128}})), kExposureSlightlyDark);  // 32384 / 253 = 128
    EXPECT_EQ(JudgeExposure(Levels({{0, 62}, {254, 64}})), kExposureSlightlyBright);  // 129.0
    EXPECT_EQ(JudgeExposure(Levels({{0, 64}, {254, 64}})), kExposureAcceptable);      // 127.0 bright side
    EXPECT_EQ(JudgeExposure(Levels({{0, 124}, {253, 128}})), kExposureAcceptable);    // 128.5 dark side
}

TEST(JudgeExposure, BrightAndDarkLimits) {
    EXPECT_EQ(JudgeExposure(Levels({{0, 1}, {254, 1}, {167, 158}})), kExposureBright);           // 166.5
    EXPECT_EQ(JudgeExposure(Levels({{0, 1}, {254, 1}, {166, 1000}})), kExposureSlightlyBright);  // 165.9
    EXPECT_EQ(JudgeExposure(Levels({{0, 1}, {253, 1}, {89, 148}})), kExposureDark);              // 89.5
    EXPECT_EQ(JudgeExposure(Levels({{0, 1}, {253, 1}, {89, 105}})), kExposureSlightlyDark);      // 89.70
    EXPECT_EQ(JudgeExposure(Levels({{0, 10}})), kExposureDark);
}

TEST(JudgeExposure, SaturatedFieldIsBright) {
    EXPECT_EQ(JudgeExposure(Levels({{255, 100}})), kExposureBright);
    // Mostly clipped with a few dark pixels: still over-exposed, not "dark".
    EXPECT_EQ(JudgeExposure(Levels({{255, 990}, {40, 10}})), kExposureBright);
}

TEST(AutoTune, ReadsPhotosAsGreyAndJudgesWhiteField) {
    TempFolder folder;
    const std::string black = folder.Write("black.png", cv::Mat(90, 160, CV_8UC3, cv::Scalar::all(0)));
    const std::string white = folder.Write("white.bmp", cv::Mat(90, 160, CV_8UC3, cv::Scalar::all(255)));
    const std::string grey = folder.Write("grey.png", cv::Mat(90, 160, CV_8UC3, cv::Scalar::all(100)));
    ExposureVerdict verdict = -1;
    ASSERT_EQ(AutoTune(black, white, &verdict), 0);
    EXPECT_EQ(verdict, kExposureBright);
    ASSERT_EQ(AutoTune(black, grey, &verdict), 0);
    EXPECT_EQ(verdict, kExposureSlightlyDark);  // single level 100: dark side, mean 100
    ASSERT_EQ(AutoTune(white, black, &verdict), 0);
    EXPECT_EQ(verdict, kExposureDark);  // only photo B is judged
}

TEST(AutoTune, UnreadablePhotoLeavesVerdictUnchanged) {
    TempFolder folder;
    const std::string good = folder.Write("good.png", cv::Mat(9, 16, CV_8UC3, cv::Scalar::all(90)));
    const std::string junk = folder.WriteBytes("junk.png", "\x89PNG\r\n\x1a\n broken");
    ExposureVerdict verdict = 77;
    EXPECT_EQ(AutoTune(junk, good, &verdict), 1);
    EXPECT_EQ(AutoTune(good, junk, &verdict), 1);
    EXPECT_EQ(AutoTune(good, folder.Path("missing.bmp"), &verdict), 1);
    EXPECT_EQ(verdict, 77);
    EXPECT_EQ(AutoTune(good, good, nullptr), 1);
}

}  // namespace
