// Cell choice, per-cell homographies and the whole warp computation on block
// grids whose camera positions are known.
#include "warp_compute.h"

#include <gtest/gtest.h>

#include <cmath>

#include <opencv2/core.hpp>

#include "pattern_table.h"

namespace vantiscore {
namespace {

std::vector<cv::Point2f> Scaled(std::vector<cv::Point2f> points, float k, cv::Point2f offset = {}) {
    for (cv::Point2f& p : points) p = (p + offset) * k;
    return points;
}

// The boundary of a width x height picture in camera-photo pixels, scaled by k.
BoundaryGrid Outline(float width, float height, float k) {
    BoundaryGrid boundary;
    for (int i = 0; i < kBoundaryRows; ++i)
        for (int j = 0; j < kBoundaryColumns; ++j)
            boundary.emplace_back(width * j / (kBoundaryColumns - 1) * k,
                                  height * i / (kBoundaryRows - 1) * k);
    return boundary;
}

WarpGrid Identity(PatternType type) {
    WarpGrid grid;
    AutoWarpInitWarping(&grid, type);
    return grid;
}

void ExpectNearGrid(const WarpGrid& actual, const WarpGrid& expected, float tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t k = 0; k < actual.size(); ++k) {
        ASSERT_NEAR(actual[k].x, expected[k].x, tolerance) << "node " << k;
        ASSERT_NEAR(actual[k].y, expected[k].y, tolerance) << "node " << k;
    }
}

TEST(WarpCompute, CellChoiceFollowsSectorsEdgesAndCorners) {
    const PatternInfo info = PatternInfoFor(false, 0);
    const BlockLayout layout = BlockLayout::FromPattern(info);
    const std::vector<cv::Point2f> grid = IdealBlockCentres(info);
    const int n = layout.columns;
    const int p = 5 * n + 7;  // interior
    const cv::Point2f at = grid[p];
    EXPECT_EQ(NearestEntry(grid, at + cv::Point2f(3, -2)), p);
    EXPECT_EQ(ChooseCell(grid, layout, p, at + cv::Point2f(-3, -3)), p - n - 1);
    EXPECT_EQ(ChooseCell(grid, layout, p, at + cv::Point2f(3, -3)), p - n);
    EXPECT_EQ(ChooseCell(grid, layout, p, at + cv::Point2f(-3, 3)), p - 1);
    EXPECT_EQ(ChooseCell(grid, layout, p, at + cv::Point2f(3, 3)), p);

    // Top edge: only the cells below, even for a point above the grid.
    const int top = 7;
    EXPECT_EQ(ChooseCell(grid, layout, top, grid[top] + cv::Point2f(-3, -30)), top - 1);
    EXPECT_EQ(ChooseCell(grid, layout, top, grid[top] + cv::Point2f(3, -30)), top);
    // Right edge: only the cells to the left.
    const int right = 6 * n + n - 1;
    EXPECT_EQ(ChooseCell(grid, layout, right, grid[right] + cv::Point2f(30, -3)), right - n - 1);
    EXPECT_EQ(ChooseCell(grid, layout, right, grid[right] + cv::Point2f(30, 3)), right - 1);
    // Corners: the one cell there is.
    const int last = layout.Count() - 1;
    EXPECT_EQ(ChooseCell(grid, layout, 0, cv::Point2f(-50, -50)), 0);
    EXPECT_EQ(ChooseCell(grid, layout, n - 1, cv::Point2f(5000, -50)), n - 2);
    EXPECT_EQ(ChooseCell(grid, layout, last - n + 1, cv::Point2f(-50, 5000)), last - 2 * n + 1);
    EXPECT_EQ(ChooseCell(grid, layout, last, cv::Point2f(5000, 5000)), last - n - 1);
}

TEST(WarpCompute, FoldedNeighbourhoodUsesANeighbouringCellNotTheFirst) {
    const PatternInfo info = PatternInfoFor(false, 0);
    const BlockLayout layout = BlockLayout::FromPattern(info);
    std::vector<cv::Point2f> grid = IdealBlockCentres(info);
    const int n = layout.columns;
    const int p = 10 * n + 10;
    // The right and lower neighbours were never found and sit at (0, 0).
    grid[p + 1] = cv::Point2f();
    grid[p + n] = cv::Point2f();
    const int cell = ChooseCell(grid, layout, p, grid[p] + cv::Point2f(4, 5));
    EXPECT_TRUE(cell == p || cell == p - 1 || cell == p - n || cell == p - n - 1) << cell;
}

TEST(WarpCompute, ScaledIdealGridAndOutlineGiveTheIdentityInStacking) {
    for (PatternType type : {0, 3}) {
        SCOPED_TRACE(type);
        const PatternInfo info = PatternInfoFor(false, type);
        const float k = 2.5f;
        // Photo of 1920 x 1080: the working image is three times larger.
        WarpInputs inputs{
            type, kWarpingStacking, {}, Outline(info.width, info.height, k / 3.0f), {1920, 1080}};
        const std::vector<std::vector<cv::Point2f>> blockGrids(2, Scaled(IdealBlockCentres(info), k));
        std::vector<WarpGrid> warps(1);
        ASSERT_EQ(ComputeWarps(inputs, blockGrids, &warps), WarpOutcome::Computed);
        ASSERT_EQ(warps.size(), 3u) << "appended after what the list held";
        ExpectNearGrid(warps[1], Identity(type), 0.02f);
        ExpectNearGrid(warps[2], Identity(type), 0.02f);
    }
    // Type 3: the last two warp rows are half a pitch apart, as in the identity grid.
    const PatternInfo info = PatternInfoFor(false, 3);
    WarpInputs inputs{3, kWarpingStacking, {}, Outline(1920, 1080, 1.0f), {5760, 3240}};
    std::vector<WarpGrid> warps;
    ASSERT_EQ(ComputeWarps(inputs, {IdealBlockCentres(info)}, &warps), WarpOutcome::Computed);
    EXPECT_NEAR(warps[0][68 * 121 + 30].y - warps[0][67 * 121 + 30].y, 8.0f, 0.01f);
}

TEST(WarpCompute, BlendingTilesGoToTheirChannels) {
    const PatternInfo info = PatternInfoFor(false, 0);
    const float k = 2.0f;
    // Two panels side by side overlapping by 256: channel 1's blocks lie 768 panel pixels to the right.
    WarpInputs inputs{0, kWarpingBlending, TileLayout{2, 1, 256, 0, 1}, Outline(1792, 768, k), {5760, 3240}};
    const std::vector<std::vector<cv::Point2f>> blockGrids{Scaled(IdealBlockCentres(info), k),
                                                           Scaled(IdealBlockCentres(info), k, {768, 0})};
    std::vector<WarpGrid> warps;
    ASSERT_EQ(ComputeWarps(inputs, blockGrids, &warps), WarpOutcome::Computed);
    ASSERT_EQ(warps.size(), 2u);
    ExpectNearGrid(warps[0], Identity(0), 0.02f);
    ExpectNearGrid(warps[1], Identity(0), 0.02f);

    // More channels than tiles are refused, and nothing is appended.
    std::vector<std::vector<cv::Point2f>> three = blockGrids;
    three.push_back(blockGrids[0]);
    EXPECT_EQ(ComputeWarps(inputs, three, &warps), WarpOutcome::BadArguments);
    EXPECT_EQ(warps.size(), 2u);
}

TEST(WarpCompute, UnknownModeAndMalformedBoundaryAppendNothing) {
    const PatternInfo info = PatternInfoFor(false, 0);
    const std::vector<std::vector<cv::Point2f>> blockGrids{IdealBlockCentres(info)};
    std::vector<WarpGrid> warps;
    EXPECT_EQ(ComputeWarps({0, 5, {}, Outline(1024, 768, 1.0f), {5760, 3240}}, blockGrids, &warps),
              WarpOutcome::UnknownMode);
    BoundaryGrid shortBoundary = Outline(1024, 768, 1.0f);
    shortBoundary.resize(100);
    EXPECT_EQ(ComputeWarps({0, 0, {}, shortBoundary, {5760, 3240}}, blockGrids, &warps),
              WarpOutcome::BadArguments);
    EXPECT_TRUE(warps.empty());
}

TEST(WarpCompute, DegenerateCellsBorrowANeighbourHomographyAndEmptyGridsGiveZeros) {
    const PatternInfo info = PatternInfoFor(false, 0);
    const BlockLayout layout = BlockLayout::FromPattern(info);
    const std::vector<cv::Point2f> ideal = IdealBlockCentres(info);
    std::vector<cv::Point2f> grid = Scaled(ideal, 3.0f);
    // Collapse one cell: all four corners on one point.
    const int cell = 4 * layout.columns + 4;
    for (int q : {cell, cell + 1, cell + layout.columns, cell + layout.columns + 1}) grid[q] = grid[cell];
    const std::vector<cv::Point2f> target{grid[cell] + cv::Point2f(1, 1), cv::Point2f(300, 300)};
    const std::vector<cv::Point2f> mapped = MapTargetGrid(target, grid, ideal, layout);
    for (const cv::Point2f& p : mapped) {
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    }
    EXPECT_NEAR(mapped[1].x, 100.0f, 0.01f);

    const std::vector<cv::Point2f> empty(ideal.size());
    const std::vector<cv::Point2f> zeros = MapTargetGrid(target, empty, ideal, layout);
    EXPECT_EQ(zeros[0], cv::Point2f());
    EXPECT_EQ(zeros[1], cv::Point2f());
}

}  // namespace
}  // namespace vantiscore
