#include "link/warp_lattice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "warp_tables.h"

namespace vantis::link {
namespace {

using testing::WarpTables;

ColumnTables View(WarpTables& t) {
    return ColumnTables{t.xp(), t.yp()};
}

LatticeCode At(const LatticeCodes& l, int k, int r) {
    return l[r * kLatticeColumns + k];
}

TEST(WarpLattice, FixedPointConversionAndClamping) {
    EXPECT_EQ(SourceXCode(100.0f), 0x0640);
    EXPECT_EQ(SourceYCode(100.0f), 0x0640);
    EXPECT_EQ(SourceXCode(-1.0f), 0xFFF1);  // -15.5 toward zero
    EXPECT_EQ(SourceYCode(-1.0f), 0xFFF1);
    EXPECT_EQ(SourceXCode(3000.0f), 0x80C0);  // 32960
    EXPECT_EQ(SourceXCode(2060.0f), 0x80C0);
    EXPECT_EQ(SourceYCode(3071.5f), 0xBFFF);  // 49144 is above 49136: 49151
    EXPECT_EQ(SourceYCode(3071.0f), 49136);   // at the limit: kept
    EXPECT_EQ(SourceXCode(-2000.0f), 0xC000);
    EXPECT_EQ(SourceYCode(-2000.0f), 0xC000);
    EXPECT_EQ(SourceXCode(-1024.0f), 0xC000 + 1);  // -16383.5 -> -16383
    EXPECT_EQ(SourceXCode(0.03f), 0);
}

TEST(WarpLattice, HugeAndNanCoordinatesStayDefined) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(SourceXCode(nan), 0xC000);
    EXPECT_EQ(SourceYCode(nan), 0xC000);
    EXPECT_EQ(SourceXCode(1e30f), 32960);
    EXPECT_EQ(SourceYCode(1e30f), 0xBFFF);
    EXPECT_EQ(SourceXCode(-1e30f), 0xC000);
    EXPECT_EQ(SourceYCode(std::numeric_limits<float>::infinity()), 0xBFFF);
}

TEST(WarpLattice, PanelGridLimits) {
    auto g = PanelGridFor(1920, 1080);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->columns, 120);
    EXPECT_EQ(g->rows, 68);
    EXPECT_EQ(PanelGridFor(1910, 1200)->columns, 120);
    EXPECT_EQ(PanelGridFor(1910, 1200)->rows, 75);
    EXPECT_TRUE(PanelGridFor(1968, 1232));
    EXPECT_TRUE(PanelGridFor(1, 1));
    EXPECT_FALSE(PanelGridFor(1969, 1080));
    EXPECT_FALSE(PanelGridFor(1920, 1233));
    EXPECT_FALSE(PanelGridFor(0, 1080));
    EXPECT_FALSE(PanelGridFor(1920, -1080));
}

// Grid column i carries x = 1000 + i so every board column shows which grid
// column it took.
TEST(WarpLattice, BoardColumnsOnThePanel) {
    WarpTables src;
    src.Fill([](int i, int j, float& x, float& y) {
        x = 1000.0f + i;
        y = float(j);
    });
    for (int width : {1920, 1280}) {
        SCOPED_TRACE(width);
        const PanelGrid g = *PanelGridFor(width, 720);
        LatticeCodes l;
        ComputeLattice(View(src), g, l);
        const int lastOnPanel = width == 1920 ? 124 : 84;
        for (int r : {0, 40, 77}) {
            for (int k = 4; k <= lastOnPanel; ++k) {
                EXPECT_EQ(At(l, k, r).x, SourceXCode(1000.0f + (k - 4)));
                EXPECT_EQ(At(l, k, r).y, SourceYCode(float(r)));
            }
            // Right of the panel: grid column nCols, whose x (1000 + n) is
            // short of the panel edge, continued by its last cell's step of 1.
            for (int k = lastOnPanel + 1; k < kLatticeColumns; ++k) {
                const int beyond = k - 4 - g.columns;
                EXPECT_EQ(At(l, k, r).x, SourceXCode(1000.0f + g.columns + beyond)) << k;
                EXPECT_EQ(At(l, k, r).y, SourceYCode(float(r)));
            }
        }
    }
}

TEST(WarpLattice, LeftOfThePanel) {
    WarpTables src = WarpTables::Identity();
    src.x(0, 3) = 8.0f;
    src.y(0, 3) = 50.0f;
    src.x(0, 4) = -3.0f;
    src.x(0, 5) = 0.0f;
    LatticeCodes l;
    ComputeLattice(View(src), *PanelGridFor(1920, 1080), l);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(At(l, k, 3).x, SourceXCode(2.0f * k)) << k;  // 0, 2, 4, 6
        EXPECT_EQ(At(l, k, 3).y, SourceYCode(50.0f));
        EXPECT_EQ(At(l, k, 4).x, SourceXCode(-3.0f)) << k;  // negative: held
        EXPECT_EQ(At(l, k, 5).x, 0) << k;
    }
}

TEST(WarpLattice, RightOfThePanelHoldsOrContinues) {
    // A last column at or past the panel edge is held.
    EXPECT_EQ(RightOfPanelX(1925.0f, 1900.0f, 1920, 3), 1925.0f);
    EXPECT_EQ(RightOfPanelX(1920.0f, 1904.0f, 1920, 2), 1920.0f);
    // Short of the edge: the last cell continues outward.
    EXPECT_EQ(RightOfPanelX(1900.0f, 1885.0f, 1920, 0), 1900.0f);
    EXPECT_EQ(RightOfPanelX(1900.0f, 1885.0f, 1920, 2), 1930.0f);
    // A folded last cell (or NaN) does not run backwards.
    EXPECT_EQ(RightOfPanelX(1900.0f, 1910.0f, 1920, 3), 1900.0f);
    EXPECT_EQ(RightOfPanelX(1900.0f, std::nanf(""), 1920, 3), 1900.0f);

    // In the lattice: identity tables shifted left by 30 pixels.
    WarpTables src = WarpTables::Identity();
    src.Fill([](int i, int j, float& x, float& y) {
        x = 16.0f * i - 30.0f;
        y = 16.0f * j;
    });
    LatticeCodes l;
    ComputeLattice(View(src), *PanelGridFor(1920, 1080), l);
    EXPECT_EQ(At(l, 125, 10).x, SourceXCode(1890.0f + 16.0f));
    EXPECT_EQ(At(l, 127, 10).x, SourceXCode(1890.0f + 48.0f));
    EXPECT_NE(At(l, 127, 10).x, 0xC000);
}

TEST(WarpLattice, BlockLayout) {
    WarpTables src = WarpTables::Identity();
    LatticeCodes l;
    ComputeLattice(View(src), *PanelGridFor(1920, 1080), l);
    WarpBlock b;
    PackWarpBlock(l, 1, b);  // rows 2 and 3
    // Row 2, board column 4 (grid column 0): x 0, y 32 px = 512 = 0x0200.
    const int e = 4;
    EXPECT_EQ(b[4 * e + 0], 0x00);
    EXPECT_EQ(b[4 * e + 1], 0x00);
    EXPECT_EQ(b[4 * e + 2], 0x00);
    EXPECT_EQ(b[4 * e + 3], 0x02);
    // Row 3, board column 5 (grid column 1): x 16 px = 0x0100, y 48 px = 0x0300.
    const int f = 128 + 5;
    EXPECT_EQ(b[4 * f + 0], 0x00);
    EXPECT_EQ(b[4 * f + 1], 0x01);
    EXPECT_EQ(b[4 * f + 2], 0x00);
    EXPECT_EQ(b[4 * f + 3], 0x03);
    // Last entry of the block: row 3, board column 127.
    EXPECT_EQ(b[1020] | b[1021] << 8, l[3 * 128 + 127].x);
    EXPECT_EQ(b[1022] | b[1023] << 8, l[3 * 128 + 127].y);
}

TEST(WarpLattice, CodeValueDecodesNegativeRange) {
    EXPECT_EQ(LatticeCodeValue(0xC000), -16384);
    EXPECT_EQ(LatticeCodeValue(0xFFF1), -15);
    EXPECT_EQ(LatticeCodeValue(0xBFFF), 49151);
    EXPECT_EQ(LatticeCodeValue(0x80C0), 32960);
}

}  // namespace
}  // namespace vantis::link
