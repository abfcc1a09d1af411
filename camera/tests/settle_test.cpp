// The settled-picture rule on drawn frames whose answer is known: noise is
// measured right, a picture before the change never counts, a frame exposed
// during the change (a mix) is not taken, and a picture that keeps moving
// never settles.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "oculet/Settle.h"

namespace oculet {
namespace {

// A dark wall with a lit area (or a pattern of blocks) and camera noise.
cv::Mat Picture(double level, double noise, int seed, bool blocks = false) {
    cv::Mat light(540, 960, CV_32FC3, cv::Scalar::all(12));
    if (blocks) {
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                light(cv::Rect(420 + c * 70, 220 + r * 60, 40, 30)).setTo(cv::Scalar::all(level));
    } else {
        light(cv::Rect(200, 100, 500, 300)).setTo(cv::Scalar::all(level));
    }
    cv::GaussianBlur(light, light, cv::Size(0, 0), 1.0);
    cv::Mat n(light.size(), CV_32FC3);
    cv::RNG rng(static_cast<std::uint64_t>(seed) + 1);
    rng.fill(n, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(noise));
    cv::Mat out;
    cv::Mat(light + n).convertTo(out, CV_8UC3);
    return out;
}

cv::Mat Mix(const cv::Mat& a, const cv::Mat& b, double share) {
    cv::Mat out;
    cv::addWeighted(a, 1 - share, b, share, 0, out);
    return out;
}

TEST(SettleNoise, MeasuredOnTheFrameItself) {
    for (double sigma : {1.0, 3.0, 6.0}) {
        const double measured = EstimateNoise(Picture(200, sigma, 3));
        // Grey mixes the three channels' independent noise: 0.67 of one channel's.
        EXPECT_NEAR(measured, sigma * 0.67, sigma * 0.2) << sigma;
    }
    EXPECT_LT(EstimateNoise(Picture(200, 0, 3)), 0.3);  // edges alone are not noise
}

TEST(SettleWatch, ChangeThenStillSettlesOnTheNewPicture) {
    const cv::Mat before = Picture(12, 2, 1);
    SettleWatch watch(before);
    // The projector has not reacted yet: the same picture with fresh noise.
    EXPECT_EQ(watch.Add(Picture(12, 2, 2)), SettleWatch::State::Unchanged);
    EXPECT_EQ(watch.Add(Picture(12, 2, 3)), SettleWatch::State::Unchanged);
    EXPECT_EQ(watch.Add(Picture(12, 2, 4)), SettleWatch::State::Unchanged);
    EXPECT_FALSE(watch.state() == SettleWatch::State::Settled);
    // A frame exposed while the light changed, then the new picture.
    EXPECT_EQ(watch.Add(Mix(Picture(12, 2, 5), Picture(220, 2, 5), 0.4)), SettleWatch::State::Changing);
    EXPECT_EQ(watch.Add(Picture(220, 2, 6)), SettleWatch::State::Changing);
    EXPECT_EQ(watch.Add(Picture(220, 2, 7)), SettleWatch::State::Changing);
    EXPECT_EQ(watch.Add(Picture(220, 2, 8)), SettleWatch::State::Settled);
    EXPECT_EQ(watch.framesSinceChange(), 4);
}

TEST(SettleWatch, SmallPatternChangeIsSeen) {
    SettleWatch watch(Picture(12, 2, 1));
    EXPECT_EQ(watch.Add(Picture(12, 2, 2)), SettleWatch::State::Unchanged);
    EXPECT_EQ(watch.Add(Picture(200, 2, 3, /*blocks=*/true)), SettleWatch::State::Changing);
}

TEST(SettleWatch, NearlyFinishedMixIsNotTaken) {
    // 90 % of the new light: still a different picture from the finished one.
    SettleWatch watch(Picture(12, 2, 1));
    watch.Add(Mix(Picture(12, 2, 2), Picture(220, 2, 2), 0.9));
    watch.Add(Mix(Picture(12, 2, 3), Picture(220, 2, 3), 0.9));
    EXPECT_EQ(watch.Add(Picture(220, 2, 4)), SettleWatch::State::Changing);
}

TEST(SettleWatch, KeepsChangingNeverSettles) {
    SettleWatch watch(Picture(12, 2, 1));
    for (int i = 0; i < 30; ++i)
        EXPECT_NE(watch.Add(Picture(60 + 5 * i, 2, 10 + i)), SettleWatch::State::Settled) << i;
    EXPECT_FALSE(watch.Still());
}

TEST(SettleWatch, UnchangedButStillIsStill) {
    SettleWatch watch(Picture(12, 2, 1));
    for (int i = 0; i < 3; ++i) watch.Add(Picture(12, 2, 2 + i));
    EXPECT_EQ(watch.state(), SettleWatch::State::Unchanged);
    EXPECT_TRUE(watch.Still());
}

TEST(SettleWatch, OnlyTheRegionThatMattersCounts) {
    SettleRule rule;
    rule.region = cv::Rect(150, 50, 600, 400);
    SettleWatch watch(Picture(12, 2, 1), rule);
    watch.Add(Picture(220, 2, 2));
    for (int i = 0; i < 3; ++i) {
        cv::Mat frame = Picture(220, 2, 3 + i);
        frame(cv::Rect(0, 480, 100, 60)).setTo(cv::Scalar::all(40 * i));  // something moving outside
        watch.Add(frame);
    }
    EXPECT_EQ(watch.state(), SettleWatch::State::Settled);
}

}  // namespace
}  // namespace oculet
