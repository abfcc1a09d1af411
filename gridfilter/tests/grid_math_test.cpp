// Numeric building blocks: splines, resampling, size rules and the grid
// construction from adjust points.
#include <gtest/gtest.h>

#include <cmath>

#include "grid_build.h"
#include "grid_math.h"
#include "test_tables.h"

namespace gridveil::detail {
namespace {

using gridveil::testing::OwnedTable;

TEST(NaturalSplineTest, PassesThroughKnotsAndIsStraightAtTheEnds) {
    const NaturalSpline s({0, 10, 20, 30}, {0, 5, -3, 8});
    EXPECT_DOUBLE_EQ(s(0), 0);
    EXPECT_NEAR(s(10), 5, 1e-12);
    EXPECT_NEAR(s(20), -3, 1e-12);
    EXPECT_NEAR(s(30), 8, 1e-12);
    // Zero second derivative at both ends.
    const double h = 1e-3;
    EXPECT_NEAR((s(2 * h) - 2 * s(h) + s(0)) / (h * h), 0, 1e-2);
    EXPECT_NEAR((s(30) - 2 * s(30 - h) + s(30 - 2 * h)) / (h * h), 0, 1e-2);
}

TEST(NaturalSplineTest, CollinearPointsGiveTheLineAndTwoPointsAStraightPiece) {
    const NaturalSpline line({0, 1, 2, 3, 4}, {1, 3, 5, 7, 9});
    for (double t = 0; t <= 4; t += 0.25) EXPECT_NEAR(line(t), 1 + 2 * t, 1e-12);
    const NaturalSpline piece({2, 6}, {10, 30});
    EXPECT_DOUBLE_EQ(piece(3), 15);
}

TEST(GridMathTest, SizeRules) {
    int size[2];
    FittedImageSize(1920, 1080, 960, 540, size);
    EXPECT_EQ(size[0], 768);
    EXPECT_EQ(size[1], 432);
    FittedImageSize(1920, 1080, 1000, 1000, size);  // wide frame in a square view: width limits
    EXPECT_EQ(size[0], 800);
    EXPECT_EQ(size[1], 450);
    FittedImageSize(640, 480, 1600, 500, size);  // frame narrower than the view: height limits
    EXPECT_EQ(size[1], 400);
    EXPECT_EQ(size[0], 533);

    EXPECT_EQ(MarkerRadius(1920), 11);  // 9.6 -> 10 -> odd 11
    EXPECT_EQ(MarkerRadius(1280), 7);   // 6.4 -> 6 -> odd 7
    EXPECT_EQ(MarkerRadius(1000), 5);   // 5 stays
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(SaturatingInt(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(SaturatingInt(std::nan("")), 0);
}

TEST(GridMathTest, BilinearResamplingKeepsCornersAndBlendsBetween) {
    OwnedTable in(2, 2), out(5, 3);
    in.Set(0, 0, 0, 0);
    in.Set(1, 0, 100, 10);
    in.Set(0, 1, 0, 50);
    in.Set(1, 1, 120, 70);
    ResampleBilinear({in.Descriptor(), 2, 2}, {out.Descriptor(), 5, 3});
    EXPECT_FLOAT_EQ(out.X(4, 2), 120);
    EXPECT_FLOAT_EQ(out.Y(4, 2), 70);
    EXPECT_FLOAT_EQ(out.X(2, 0), 50);
    EXPECT_FLOAT_EQ(out.Y(0, 1), 25);
    EXPECT_FLOAT_EQ(out.X(2, 1), (50 + 60) / 2.0f);
}

// Adjust points of a slightly curved quadrilateral.
void FillAdjust(OwnedTable& adjust, int n) {
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double u = static_cast<double>(i) / (n - 1), v = static_cast<double>(j) / (n - 1);
            adjust.Set(i, j, static_cast<float>(100 + 800 * u + 30 * std::sin(3 * v)),
                       static_cast<float>(50 + 400 * v + 20 * std::sin(4 * u)));
        }
    }
}

TEST(GridBuildTest, FullGridRunsThroughEveryAdjustPointOfTheRing) {
    for (int n : {3, 5, 9, 17}) {
        for (int mode : {0, 1}) {
            OwnedTable adjust(17, 17), grid(129, 65);
            FillAdjust(adjust, n);
            BuildFullGrid({adjust.Descriptor(), n, n}, {grid.Descriptor(), 129, 65}, {1920, 1088, mode});
            for (int k = 0; k < n; ++k) {
                const int gc = GridIndexOfAdjust(k, n, 129), gr = GridIndexOfAdjust(k, n, 65);
                for (const auto& [ac, ar, c, r] : {std::array{k, 0, gc, 0}, std::array{k, n - 1, gc, 64},
                                                   std::array{0, k, 0, gr}, std::array{n - 1, k, 128, gr}}) {
                    EXPECT_NEAR(grid.X(c, r), adjust.X(ac, ar), 1e-3) << n << " " << mode;
                    EXPECT_NEAR(grid.Y(c, r), adjust.Y(ac, ar), 1e-3) << n << " " << mode;
                }
            }
            // The inside lies between the edges.
            EXPECT_GT(grid.X(64, 32), grid.X(0, 32));
            EXPECT_LT(grid.X(64, 32), grid.X(128, 32));
            EXPECT_GT(grid.Y(64, 32), grid.Y(64, 0));
            EXPECT_LT(grid.Y(64, 32), grid.Y(64, 64));
        }
    }
}

TEST(GridBuildTest, SplitEdgesAreStraightOnEachSideOfAKinkedMiddlePoint) {
    // Three points on the top edge with the middle one pulled up: one spline
    // bends smoothly through it, split edges are two straight pieces.
    OwnedTable adjust(3, 3), curved(17, 17), split(17, 17);
    FillAdjust(adjust, 3);
    adjust.Set(1, 0, 500, 0);
    BuildFullGrid({adjust.Descriptor(), 3, 3}, {curved.Descriptor(), 17, 17}, {1024, 768, 0});
    BuildFullGrid({adjust.Descriptor(), 3, 3}, {split.Descriptor(), 17, 17}, {1024, 768, 1});
    const double y0 = adjust.Y(0, 0), y1 = 0;
    // Quarter of the way: halfway along the left piece.
    EXPECT_NEAR(split.Y(4, 0), (y0 + y1) / 2, 1e-3);
    EXPECT_GT(std::fabs(curved.Y(4, 0) - (y0 + y1) / 2), 1.0);
}

TEST(GridBuildTest, LocalUpdateKeepsTheRestAndPassesThroughThePoint) {
    for (int mode : {0, 1}) {
        for (int column : {1, 2, 3}) {  // 2 is the middle of 5
            const int n = 5;
            OwnedTable adjust(17, 17), grid(129, 65);
            FillAdjust(adjust, n);
            const TableView a{adjust.Descriptor(), n, n}, g{grid.Descriptor(), 129, 65};
            const GridShape shape{1920, 1088, mode};
            BuildFullGrid(a, g, shape);
            ResampleBilinear(g, a);  // inner adjust points on the grid, as after an edit of the ring
            OwnedTable before(129, 65);
            for (int c = 0; c < 129; ++c)
                for (int r = 0; r < 65; ++r) before.Set(c, r, grid.X(c, r), grid.Y(c, r));

            adjust.Set(column, 2, adjust.X(column, 2) + 25, adjust.Y(column, 2) - 15);
            UpdateGridAround(a, g, shape, column, 2);

            const int gc = column * 32, gm = 32;
            EXPECT_FLOAT_EQ(grid.X(gc, gm), adjust.X(column, 2));
            EXPECT_FLOAT_EQ(grid.Y(gc, gm), adjust.Y(column, 2));
            // Outside the neighbours' block nothing changes.
            for (int c = 0; c < 129; ++c) {
                for (int r = 0; r < 65; ++r) {
                    const bool inside = c > gc - 32 && c < gc + 32 && r > gm - 16 && r < gm + 16;
                    if (inside) continue;
                    ASSERT_EQ(grid.X(c, r), before.X(c, r)) << c << "," << r;
                    ASSERT_EQ(grid.Y(c, r), before.Y(c, r)) << c << "," << r;
                }
            }
            // Inside, the grid moved towards the point.
            EXPECT_GT(grid.X(gc - 2, gm), before.X(gc - 2, gm));
        }
    }
}

TEST(GridBuildTest, SplitLocalUpdateAtTheMiddlePointIsStraightOnEachSide) {
    const int n = 5;
    OwnedTable adjust(17, 17), grid(129, 65);
    FillAdjust(adjust, n);
    const TableView a{adjust.Descriptor(), n, n}, g{grid.Descriptor(), 129, 65};
    BuildFullGrid(a, g, {1920, 1088, 1});
    adjust.Set(2, 2, adjust.X(2, 2), adjust.Y(2, 2) - 40);
    UpdateGridAround(a, g, {1920, 1088, 1}, 2, 2);
    // Halfway between the left neighbour and the point, on the straight piece.
    EXPECT_NEAR(grid.Y(48, 32), (adjust.Y(1, 2) + adjust.Y(2, 2)) / 2, 1e-3);
    EXPECT_NEAR(grid.X(48, 32), (adjust.X(1, 2) + adjust.X(2, 2)) / 2, 1e-3);
}

}  // namespace
}  // namespace gridveil::detail
