#include "link/blend_zones.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vantis::link {
namespace {

TEST(BlendZones, RampValues) {
    EXPECT_EQ(RisingRampStep(100), 662);      // ceil(65536 / 99)
    EXPECT_EQ(FallingRampStart(100), 64874);  // floor(65536 - 661.97)
    EXPECT_EQ(RisingRampStep(2), 0x7FFF);     // 65536, limited
    EXPECT_EQ(FallingRampStart(2), 0x8000);   // 0, raised
    EXPECT_EQ(RisingRampStep(3), 0x7FFF);     // 32768, limited
    EXPECT_EQ(FallingRampStart(3), 0x8000);   // exactly 32768
    EXPECT_EQ(RisingRampStep(50), 1338);
    EXPECT_EQ(RisingRampStep(std::numeric_limits<int32_t>::max()), 1);
    EXPECT_EQ(FallingRampStart(std::numeric_limits<int32_t>::max()), 65535);
    EXPECT_EQ(ZoneRampValue(kZoneLeft, 100), 662);
    EXPECT_EQ(ZoneRampValue(kZoneTop, 100), 662);
    EXPECT_EQ(ZoneRampValue(kZoneRight, 100), 64874);
    EXPECT_EQ(ZoneRampValue(kZoneBottom, 100), 64874);
}

TEST(BlendZones, OnlyEnabledZonesNeedAWidth) {
    EXPECT_TRUE(BlendEdgesValid({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(BlendEdgesValid({1, 0, 2, 0, 0, 1, 0, 0, -5, 1, 980, 100}));
    EXPECT_FALSE(BlendEdgesValid({0, 0, 100, 1, 1820, 1, 0, 0, 100, 0, 980, 100}));
    EXPECT_FALSE(BlendEdgesValid({0, 0, 100, 0, 0, 100, 0, 0, 100, -7, 980, 0}));
    EXPECT_FALSE(BlendEdgesValid({1, 0, std::numeric_limits<int32_t>::min(), 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BlendZones, EnableFlagsKeepTheBoardsBits) {
    const BlendEdgeValues rightOnly = {0, 0, 100, 1, 1820, 100, 0, 0, 100, 0, 980, 100};
    EXPECT_EQ(MergeZoneEnableFlags(0x0000, rightOnly), 0x0002);
    EXPECT_EQ(MergeZoneEnableFlags(0xA5FD, rightOnly), 0xA5F2);
    const BlendEdgeValues all = {1, 0, 100, 7, 1820, 100, -1, 0, 100, 1, 980, 100};
    EXPECT_EQ(MergeZoneEnableFlags(0x1230, all), 0x123F);
}

TEST(BlendZones, GammaCode) {
    EXPECT_EQ(GammaCode(2.2), 220);
    EXPECT_EQ(GammaCode(0.001), 1);
    EXPECT_EQ(GammaCode(0.0), 1);
    EXPECT_EQ(GammaCode(1.8), 180);
    EXPECT_EQ(GammaCode(0.019), 1);
    EXPECT_EQ(GammaCode(-1.0), 1);
    EXPECT_EQ(GammaCode(std::nan("")), 1);
    EXPECT_EQ(GammaCode(1e12), 65535);
}

TEST(BlendZones, ResetEdgesPerResolution) {
    EXPECT_EQ(ResetBlendEdges(8), (BlendEdgeValues{0, 0, 100, 0, 1820, 100, 0, 0, 100, 0, 980, 100}));
    EXPECT_EQ(ResetBlendEdges(2), (BlendEdgeValues{0, 0, 100, 0, 1180, 100, 0, 0, 100, 0, 700, 100}));
    const int32_t widths[14] = {1024, 1280, 1280, 1280, 1920, 1920, 1280,
                                1280, 1920, 1920, 1920, 1024, 1280, 1024};
    const int32_t heights[14] = {768, 720, 800, 800, 1200, 1200, 720, 720, 1080, 1080, 1080, 768, 800, 768};
    for (int t = 0; t < 14; ++t) {
        EXPECT_EQ(ResolutionPanelSize(t).width, widths[t]) << t;
        EXPECT_EQ(ResolutionPanelSize(t).height, heights[t]) << t;
    }
    EXPECT_EQ(ResolutionPanelSize(14).width, 1024);
    EXPECT_EQ(ResolutionPanelSize(-1).height, 768);
    EXPECT_EQ(ResolutionPanelSize(0x100 + 8).width, 1920);  // low 8 bits
}

}  // namespace
}  // namespace vantis::link
