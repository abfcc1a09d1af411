// Boundary resampling, smoothing, scaling and the targets of the three modes.
#include "boundary.h"

#include <gtest/gtest.h>

#include <cmath>

#include "pattern_table.h"

namespace vantiscore {
namespace {

// A grid whose point (column j, row i) is (x0 + j * sx, y0 + i * sy).
PointGrid LinearGrid(int columns, int rows, float sx, float sy, float x0 = 0.0f, float y0 = 0.0f) {
    PointGrid grid{columns, rows, {}};
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) grid.points.emplace_back(x0 + j * sx, y0 + i * sy);
    return grid;
}

// A boundary with a different, non-linear value at every point.
PointGrid BumpyBoundary() {
    PointGrid grid{kBoundaryColumns, kBoundaryRows, {}};
    for (int i = 0; i < kBoundaryRows; ++i)
        for (int j = 0; j < kBoundaryColumns; ++j)
            grid.points.emplace_back(10.0f * j + 3.0f * std::sin(0.7f * j + i),
                                     12.0f * i + 2.0f * std::cos(1.3f * j));
    return grid;
}

TEST(BoundaryResample, OwnSizeReproducesAndLinearGridsStayLinear) {
    const PointGrid bumpy = BumpyBoundary();
    const PointGrid same = ResampleGrid(bumpy, bumpy.columns, bumpy.rows);
    ASSERT_EQ(same.points.size(), bumpy.points.size());
    for (size_t k = 0; k < same.points.size(); ++k) {
        EXPECT_NEAR(same.points[k].x, bumpy.points[k].x, 1e-3);
        EXPECT_NEAR(same.points[k].y, bumpy.points[k].y, 1e-3);
    }

    // 129 x 65 over 1024 x 768 resampled to the 8-pixel grid: one point every 8 pixels.
    const PointGrid eight = ResampleGrid(LinearGrid(129, 65, 8.0f, 12.0f), 129, 97);
    EXPECT_EQ(eight.columns, 129);
    EXPECT_EQ(eight.rows, 97);
    EXPECT_NEAR(eight.At(128, 96).x, 1024.0f, 1e-3);
    EXPECT_NEAR(eight.At(5, 7).y, 56.0f, 1e-3);
}

TEST(BoundaryPreparation, KeepsOrientationAndRowsAndAveragesOddColumns) {
    const PointGrid bumpy = BumpyBoundary();
    const PointGrid turned = QuarterTurn(ResampleGrid(bumpy, 65, 129));
    EXPECT_EQ(turned.columns, 129);
    EXPECT_EQ(turned.rows, 65);

    const PointGrid prepared = PrepareBoundary(bumpy);
    ASSERT_EQ(prepared.columns, 129);
    ASSERT_EQ(prepared.rows, 65);
    for (int i = 0; i < 65; ++i)
        for (int j = 0; j < 129; ++j) {
            cv::Point2f expected = bumpy.At(j, i);
            if (j % 2 == 1) expected = (bumpy.At(j - 1, i) + bumpy.At(j + 1, i)) * 0.5f;
            ASSERT_NEAR(prepared.At(j, i).x, expected.x, 1e-3) << j << "," << i;
            ASSERT_NEAR(prepared.At(j, i).y, expected.y, 1e-3) << j << "," << i;
        }

    PointGrid scaled = prepared;
    ScaleToWorkSize(scaled, {1920, 1080});
    EXPECT_FLOAT_EQ(scaled.At(4, 3).x, prepared.At(4, 3).x * 3.0f);
    EXPECT_FLOAT_EQ(scaled.At(4, 3).y, prepared.At(4, 3).y * 3.0f);
}

TEST(BoundaryTargets, PanelFormReductionTakesEverySecondPointAndType3EndsOnThePanelEdge) {
    const PatternInfo info = PatternInfoFor(false, 3);
    const PointGrid eight = LinearGrid(241, 136, 8.0f, 8.0f);
    const PointGrid target = ReduceToPanelForm(eight, info);
    ASSERT_EQ(target.columns, 121);
    ASSERT_EQ(target.rows, 69);
    EXPECT_EQ(target.At(120, 0), cv::Point2f(1920.0f, 0.0f));
    EXPECT_EQ(target.At(7, 67), cv::Point2f(112.0f, 1072.0f));
    EXPECT_EQ(target.At(7, 68), cv::Point2f(112.0f, 1080.0f));
}

TEST(BoundaryTargets, BlendingCanvasAndTileOrigins) {
    const PatternInfo info = PatternInfoFor(false, 0);  // 1024 x 768
    const TileLayout two{2, 1, 256, 0, 1};
    EXPECT_EQ(BlendCanvasSize(info, two), cv::Size(225, 97));
    EXPECT_EQ(TileOrigin(info, two, 0, 0), cv::Point(0, 0));
    EXPECT_EQ(TileOrigin(info, two, 0, 1), cv::Point(96, 0));
    // An overlap that is not a multiple of 8 is truncated, and the last tile still fits.
    const TileLayout grid{3, 2, 100, 60, 1};
    const cv::Size canvas = BlendCanvasSize(info, grid);
    const cv::Point last = TileOrigin(info, grid, 1, 2);
    EXPECT_EQ(last, cv::Point(2 * 115, 88));
    EXPECT_LE(last.x + 128, canvas.width - 1);
    EXPECT_LE(last.y + 96, canvas.height - 1);
}

TEST(BoundaryTargets, AbsurdLayoutsGiveNoCanvasInsteadOfOverflowing) {
    const PatternInfo info = PatternInfoFor(false, 3);  // 1920 x 1080
    EXPECT_TRUE(BlendCanvasSize(info, TileLayout{2147483647, 1, 0, 0, 1}).empty());
    EXPECT_TRUE(BlendCanvasSize(info, TileLayout{10000, 1, 0, 0, 1}).empty());
    EXPECT_TRUE(BlendCanvasSize(info, TileLayout{1, 2147483647, 0, 0, 1}).empty());
    EXPECT_TRUE(BlendCanvasSize(info, TileLayout{2, 1, 5000, 0, 1}).empty());  // overlap beyond the panel
    EXPECT_EQ(BlendCanvasSize(info, TileLayout{6, 1, 0, 0, 1}), cv::Size(1441, 136));
    const PointGrid boundary = LinearGrid(129, 65, 10.0f, 10.0f);
    const auto targets = BuildTargets(boundary, info, 1, TileLayout{2147483647, 1, 0, 0, 1});
    ASSERT_TRUE(targets.has_value());
    EXPECT_TRUE(targets->empty());
}

TEST(BoundaryTargets, ModesGiveTheirTargetsInChannelOrder) {
    const PatternInfo info = PatternInfoFor(false, 0);
    // The boundary spans a 2 x 1 canvas of 1024 x 768 panels overlapping by 256.
    const PointGrid canvas = LinearGrid(129, 65, 1792.0f / 128, 768.0f / 64);

    const auto stacking = BuildTargets(canvas, info, 0, {});
    ASSERT_TRUE(stacking);
    ASSERT_EQ(stacking->size(), 1u);
    EXPECT_EQ((*stacking)[0].points.size(), 65u * 49u);

    const auto blending = BuildTargets(canvas, info, 1, TileLayout{2, 1, 256, 0, 1});
    ASSERT_TRUE(blending);
    ASSERT_EQ(blending->size(), 2u);
    EXPECT_NEAR((*blending)[0].At(0, 0).x, 0.0f, 1e-3);
    EXPECT_NEAR((*blending)[0].At(64, 48).x, 1024.0f, 1e-2);
    EXPECT_NEAR((*blending)[1].At(0, 0).x, 768.0f, 1e-2);
    EXPECT_NEAR((*blending)[1].At(64, 48).x, 1792.0f, 1e-2);
    EXPECT_NEAR((*blending)[1].At(64, 48).y, 768.0f, 1e-2);

    const auto layered = BuildTargets(canvas, info, 2, TileLayout{2, 1, 256, 0, 3});
    ASSERT_TRUE(layered);
    ASSERT_EQ(layered->size(), 6u);
    EXPECT_EQ((*layered)[5].points, (*blending)[1].points);
    EXPECT_EQ((*layered)[2].points, (*blending)[0].points);

    EXPECT_FALSE(BuildTargets(canvas, info, 5, {}));
    EXPECT_FALSE(BuildTargets(canvas, info, -1, {}));
    // Layouts that cannot be cut give no targets rather than reading outside the canvas.
    EXPECT_TRUE(BuildTargets(canvas, info, 1, TileLayout{0, 1, 0, 0, 1})->empty());
    EXPECT_TRUE(BuildTargets(canvas, info, 1, TileLayout{2, 1, 1024, 0, 1})->empty());
    EXPECT_TRUE(BuildTargets(canvas, info, 2, TileLayout{2, 1, -8, 0, 1})->empty());
}

}  // namespace
}  // namespace vantiscore
