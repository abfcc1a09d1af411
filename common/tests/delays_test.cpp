#include "vantis/delays.h"

#include <gtest/gtest.h>

namespace vantis::delays {
namespace {

TEST(Delays, ScaleShrinksEveryDelayButNeverToZero) {
    SetDelayScale(0.001);
    EXPECT_EQ(Scaled(kPatternSettle), milliseconds{3});
    EXPECT_EQ(Scaled(kLinkTimeout), milliseconds{10});
    EXPECT_EQ(Scaled(kViewMouseTimer), milliseconds{1});  // 0.01 ms rounds up to the 1 ms floor
    EXPECT_EQ(Scaled(milliseconds{0}), milliseconds{0});
    SetDelayScale(1.0);
    EXPECT_EQ(Scaled(kPhotoSettle), milliseconds{1600});
    SetDelayScale(-1.0);  // back to the environment's value (ctest sets 0.001)
    EXPECT_LT(Scaled(kLinkTimeout), kLinkTimeout);
}

TEST(Delays, TimeOutsKeepTheirLengthUnlessAskedToShrink) {
    SetDelayScale(0.001);
    EXPECT_EQ(ScaledTimeout(kLinkTimeout), kLinkTimeout);
    SetTimeoutScale(0.01);
    EXPECT_EQ(ScaledTimeout(kLinkTimeout), milliseconds{100});
    SetTimeoutScale(0);
    SetDelayScale(0);
}

}  // namespace
}  // namespace vantis::delays
