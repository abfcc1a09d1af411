#include "link/resample_filters.h"

#include <gtest/gtest.h>

#include "link/legacy_warp.h"
#include "warp_tables.h"

namespace vantis::link {
namespace {

using testing::WarpTables;

TEST(ResampleFilters, UnitScaleTaps) {
    const FilterTaps expected = {0,  0,  0,  1, 1, 1,  1,  0,  -1, -3, -5, -7,
                                 -8, -7, -4, 0, 6, 15, 26, 38, 50, 58, 62, 64};
    EXPECT_EQ(DesignResampleFilter(1.0), expected);
    // -1 goes out as 0xFF.
    EXPECT_EQ(uint8_t(DesignResampleFilter(1.0)[8]), 0xFF);
    // The older variant's set 8 is the same filter.
    EXPECT_EQ(LegacyTapSet(8), expected);
}

// Every phase of the symmetric 49-tap filter sums to 64, whatever the scale.
TEST(ResampleFilters, PhasesSumTo64) {
    for (double s : {0.3, 0.3f + 0.0, 0.45, 0.55, 0.75, 0.8, 0.95, 1.0, 1.1, double(1.2f)}) {
        const FilterTaps t = DesignResampleFilter(s);
        int full[49];
        full[0] = full[48] = 0;
        for (int i = 1; i <= 24; ++i) full[i] = full[48 - i] = t[i - 1];
        for (int phase = 0; phase < 8; ++phase) {
            int sum = 0;
            for (int i = phase; i < 49; i += 8) sum += full[i];
            EXPECT_EQ(sum, 64) << "scale " << s << " phase " << phase;
        }
    }
}

TEST(ResampleFilters, ScaleIsClamped) {
    EXPECT_EQ(ClampFilterScale(1.5f), 1.2f);
    EXPECT_EQ(ClampFilterScale(0.1f), 0.3f);
    EXPECT_EQ(ClampFilterScale(0.7f), 0.7f);
    EXPECT_EQ(DesignResampleFilter(ClampFilterScale(1.5f)), DesignResampleFilter(1.2f));
    EXPECT_EQ(DesignResampleFilter(ClampFilterScale(0.1f)), DesignResampleFilter(0.3f));
    EXPECT_NE(DesignResampleFilter(0.3f), DesignResampleFilter(1.2f));
}

TEST(ResampleFilters, ScaleMeasuredOnForwardTables) {
    const PanelGrid g = *PanelGridFor(1920, 1200);
    WarpTables fwd = WarpTables::Identity();
    ColumnTables v{fwd.xp(), fwd.yp()};
    EXPECT_EQ(HorizontalFilterScale(v, g), 1.0f);
    EXPECT_EQ(VerticalFilterScale(v, g), 1.0f);

    // Shrunk to three quarters, then one row narrower still: the narrowest
    // row decides. Columns beyond nCols are not read.
    fwd.Fill([](int i, int j, float& x, float& y) {
        x = 12.0f * i + 100.0f;
        y = 12.0f * j + 50.0f;
    });
    fwd.x(121, 5) = -1e9f;
    EXPECT_FLOAT_EQ(HorizontalFilterScale(v, g), 0.75f);
    EXPECT_FLOAT_EQ(VerticalFilterScale(v, g), 0.75f);
    fwd.x(120, 30) -= 192.0f;  // 1248 wide on row 30
    EXPECT_FLOAT_EQ(HorizontalFilterScale(v, g), 0.65f);

    // The grid's last row lies below a 1080-line panel: identity measures 1088 / 1080.
    fwd.Fill([](int i, int j, float& x, float& y) {
        x = 16.0f * i;
        y = 16.0f * j;
    });
    EXPECT_FLOAT_EQ(VerticalFilterScale(v, *PanelGridFor(1920, 1080)), 1088.0f / 1080.0f);

    // Measured 1.5 and 0.1 are used as 1.2 and 0.3.
    fwd.Fill([](int i, int j, float& x, float& y) {
        x = 24.0f * i;
        y = 1.6f * j;
    });
    EXPECT_EQ(HorizontalFilterScale(v, g), 1.2f);
    EXPECT_EQ(VerticalFilterScale(v, g), 0.3f);
}

TEST(LegacyFilters, TapSetChoice) {
    // A grid 1280 pixels wide measured 1600 pixels wide.
    const PanelGrid g = *PanelGridFor(1280, 800);
    std::vector<WarpPoint> table(128 * 78);
    for (int j = 0; j < 78; ++j)
        for (int i = 0; i < 128; ++i) table[128 * j + i] = {20.0f * i - 160.0f, 16.0f * j};
    RecordTable t{table.data()};
    EXPECT_DOUBLE_EQ(LegacyHorizontalScale(t, g), 0.8);
    EXPECT_EQ(LegacyTapSetIndex(LegacyHorizontalScale(t, g)), 5);
    EXPECT_DOUBLE_EQ(LegacyVerticalScale(t, g), 1.0);
    EXPECT_EQ(LegacyTapSetIndex(1.0), 7);

    EXPECT_EQ(LegacyTapSetIndex(0.3), 0);
    EXPECT_EQ(LegacyTapSetIndex(0.4), 1);
    EXPECT_EQ(LegacyTapSetIndex(1.2), 8);  // the clamp keeps set 9 out of reach
    EXPECT_EQ(LegacyTapSetIndex(1.5), 9);

    // A collapsed grid (every width 0) keeps the divisor at 1: clamped to 1.2.
    for (auto& p : table) p = {5.0f, 5.0f};
    EXPECT_DOUBLE_EQ(LegacyHorizontalScale(t, g), 1.2);
}

}  // namespace
}  // namespace vantis::link
