#include "link/legacy_warp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantis::link {
namespace {

TEST(LegacyWarp, FixedPointClampsPixelValues) {
    EXPECT_EQ(LegacyXCode(100.0f), 0x0640);
    EXPECT_EQ(LegacyXCode(-1.0f), 0xFFF1);
    EXPECT_EQ(LegacyXCode(2060.0f), 32960);
    EXPECT_EQ(LegacyXCode(2060.5f), 32960);
    EXPECT_EQ(LegacyXCode(-1024.0f), 0xC001);
    EXPECT_EQ(LegacyXCode(-1024.01f), 0xC000);
    EXPECT_EQ(LegacyYCode(3071.0f), 49136);
    EXPECT_EQ(LegacyYCode(3071.01f), 0xBFFF);
    EXPECT_EQ(LegacyYCode(-2000.0f), 0xC000);
    EXPECT_EQ(LegacyXCode(std::nanf("")), 0xC000);
    EXPECT_EQ(LegacyYCode(std::nanf("")), 0xC000);
    EXPECT_EQ(LegacyYCode(1e30f), 0xBFFF);
}

TEST(LegacyWarp, EntriesOfARow) {
    const PanelGrid g = *PanelGridFor(1910, 1080);  // 120 columns; grid column 120 right of the panel
    std::vector<WarpPoint> table(128 * 78);
    for (int j = 0; j < 78; ++j)
        for (int i = 0; i < 128; ++i) table[128 * j + i] = {16.0f * i, 16.0f * j};
    table[128 * 2].x = 4.0f;  // left reference: smallest x of column 0
    table[128 * 3].x = 8.0f;
    table[128 * 4].x = -3.0f;
    table[128 * 70].x = -50.0f;  // below row nRows = 68: not a reference
    RecordTable t{table.data()};
    const float a = LegacyLeftReference(t, g);
    EXPECT_EQ(a, -3.0f);
    EXPECT_EQ(LegacyRowEntries(g), 125);

    // Row 3: x = a + (8 - a) k / 4 for k 0..3.
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(LegacyEntry(t, g, a, 3, k).x, LegacyXCode(-3.0f + 11.0f * k / 4.0f)) << k;
    // Row 4: negative first column is held.
    for (int k = 0; k < 4; ++k) EXPECT_EQ(LegacyEntry(t, g, a, 4, k).x, LegacyXCode(-3.0f));
    // On the panel: grid column k - 4.
    EXPECT_EQ(LegacyEntry(t, g, a, 3, 4).x, LegacyXCode(8.0f));
    EXPECT_EQ(LegacyEntry(t, g, a, 3, 50), (LatticeCode{LegacyXCode(736.0f), LegacyYCode(48.0f)}));
    // Entry 124 (16 k > W + 64): grid column 120 at 1920, beyond the panel edge.
    EXPECT_EQ(LegacyEntry(t, g, a, 3, 124).x, LegacyXCode(1920.0f));
    // A last column short of the edge is repeated, not sent as a divide by zero.
    table[128 * 3 + 120].x = 1890.0f;
    EXPECT_EQ(LegacyEntry(t, g, a, 3, 124).x, LegacyXCode(1890.0f));
}

}  // namespace
}  // namespace vantis::link
