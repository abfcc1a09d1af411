// Grid sorting on blob lists laid out like photographed block grids.
#include "grid_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <opencv2/core.hpp>

#include "pattern_table.h"

namespace vantiscore {
namespace {

// Blobs of a regular, slightly sheared photographed grid with integer
// coordinates, so that every extrapolation of the sorter is exact.
struct PhotographedGrid {
    PatternInfo info = PatternInfoFor(false, 0);  // 32 x 24 blocks, centre group at (15, 11)
    BlockLayout layout = BlockLayout::FromPattern(info);
    cv::Point origin{400, 300};
    cv::Point columnStep{96, 4};
    cv::Point rowStep{-6, 92};
    cv::Size blobSize{44, 42};

    cv::Point Centre(int column, int row) const { return origin + column * columnStep + row * rowStep; }
    cv::Rect Blob(int column, int row) const {
        const cv::Point c = Centre(column, row);
        return {c.x, c.y, blobSize.width, blobSize.height};
    }
    std::vector<cv::Rect> Centres() const {
        const int cc = info.centreColumn;
        const int cr = info.centreRow;
        return {Blob(cc, cr), Blob(cc + 1, cr), Blob(cc, cr + 1), Blob(cc + 1, cr + 1)};
    }
    // Every block, in an order unrelated to the grid (columns right to left).
    std::vector<cv::Rect> Blocks(const std::vector<cv::Point>& missing = {}) const {
        std::vector<cv::Rect> blocks;
        for (int c = layout.columns - 1; c >= 0; --c)
            for (int r = 0; r < layout.rows; ++r)
                if (std::find(missing.begin(), missing.end(), cv::Point(c, r)) == missing.end())
                    blocks.push_back(Blob(c, r));
        return blocks;
    }
    int Index(int column, int row) const { return row * layout.columns + column; }
};

// The growth once lost a column's lower half on a photo with small blocks
// and never looked again; those blobs were then left over and the channel
// refused. Recovery takes them from their neighbours' prediction, and never
// a blob a whole step away or one already placed.
TEST(GridSort, BlocksTheGrowthPassedByAreRecoveredFromTheirNeighbours) {
    const PhotographedGrid photo;
    const std::vector<cv::Rect> blocks = photo.Blocks();
    BlobGrid grid(static_cast<size_t>(photo.layout.Count()));
    for (int r = 0; r < photo.layout.rows; ++r)
        for (int c = 0; c < photo.layout.columns; ++c) grid[photo.Index(c, r)] = photo.Blob(c, r);
    // A column segment, a corner and a lone block lost.
    for (int r = 15; r < photo.layout.rows; ++r) grid[photo.Index(19, r)] = cv::Rect();
    grid[photo.Index(0, 0)] = grid[photo.Index(1, 0)] = grid[photo.Index(0, 1)] = cv::Rect();
    grid[photo.Index(7, 5)] = cv::Rect();
    RecoverMissedBlocks(grid, photo.layout, blocks);
    for (int r = 0; r < photo.layout.rows; ++r)
        for (int c = 0; c < photo.layout.columns; ++c)
            ASSERT_EQ(grid[photo.Index(c, r)], photo.Blob(c, r)) << c << "," << r;

    // A block row not on the photo stays empty: the next row's blobs are a step away.
    const std::vector<cv::Point> row{{3, 4}, {4, 4}, {5, 4}};
    BlobGrid holes(grid);
    for (const cv::Point& p : row) holes[photo.Index(p.x, p.y)] = cv::Rect();
    RecoverMissedBlocks(holes, photo.layout, photo.Blocks(row));
    for (const cv::Point& p : row) EXPECT_EQ(holes[photo.Index(p.x, p.y)], cv::Rect());
    EXPECT_EQ(std::count(holes.begin(), holes.end(), cv::Rect()), 3);
}

TEST(GridSort, RegularGridIsFoundCompletelyByGrowthAndFillingChangesNothing) {
    const PhotographedGrid photo;
    const BlobGrid grown = GrowGrid(photo.layout, photo.Centres(), photo.Blocks());
    ASSERT_EQ(grown.size(), 32u * 24u);
    for (int r = 0; r < photo.layout.rows; ++r)
        for (int c = 0; c < photo.layout.columns; ++c)
            EXPECT_EQ(grown[photo.Index(c, r)], photo.Blob(c, r)) << "block " << c << "," << r;

    BlobGrid filled = grown;
    FillHoles(filled, photo.layout);
    EXPECT_EQ(filled, grown);

    const std::vector<cv::Point2f> blockGrid = SortBlockGrid(photo.info, photo.Centres(), photo.Blocks());
    ASSERT_EQ(blockGrid.size(), grown.size());
    EXPECT_EQ(blockGrid[photo.Index(31, 23)], cv::Point2f(photo.Centre(31, 23)));
}

TEST(GridSort, BlobMissingInRowIsSkippedByGrowthAndFilledByParallelogram) {
    const PhotographedGrid photo;
    const cv::Point hole{3, 4};
    BlobGrid grid = GrowGrid(photo.layout, photo.Centres(), photo.Blocks({hole}));
    EXPECT_EQ(grid[photo.Index(hole.x, hole.y)], cv::Rect());
    // The row carries on beyond the hole from the columns, and the rows above it are complete.
    EXPECT_EQ(grid[photo.Index(2, 4)], photo.Blob(2, 4));
    EXPECT_EQ(grid[photo.Index(3, 3)], photo.Blob(3, 3));

    FillHoles(grid, photo.layout);
    const cv::Rect filled = grid[photo.Index(hole.x, hole.y)];
    EXPECT_EQ(cv::Point(filled.x, filled.y), photo.Centre(hole.x, hole.y));
    EXPECT_EQ(filled.size(), cv::Size()) << "filling writes only the position";
}

TEST(GridSort, MissingFirstRowAndLastColumnAreExtrapolated) {
    const PhotographedGrid photo;
    std::vector<cv::Point> missing;
    for (int c = 0; c < photo.layout.columns; ++c) missing.emplace_back(c, 0);
    for (int r = 0; r < photo.layout.rows; ++r) missing.emplace_back(31, r);
    const std::vector<cv::Point2f> blockGrid =
        SortBlockGrid(photo.info, photo.Centres(), photo.Blocks(missing));
    for (int r = 0; r < photo.layout.rows; ++r)
        for (int c = 0; c < photo.layout.columns; ++c)
            EXPECT_EQ(blockGrid[photo.Index(c, r)], cv::Point2f(photo.Centre(c, r)))
                << "block " << c << "," << r;
}

TEST(GridSort, PredictionShortensWithShrinkingBlobs) {
    // Along a row the spacing halves at every step while the blobs shrink to
    // a quarter of their area: the square root of the area ratio predicts
    // the next one exactly.
    const PatternInfo info = PatternInfoFor(false, 0);
    const BlockLayout layout = BlockLayout::FromPattern(info);
    BlobGrid grid(static_cast<size_t>(layout.Count()));
    const int t = layout.CentreIndex();
    const cv::Rect a1{1000, 500, 64, 64};  // at t
    const cv::Rect a0{800, 500, 64, 64};   // at t + 1, to the left: the row runs right to left in the photo
    const std::vector<cv::Rect> blocks{{1200, 500, 64, 64}, {1400, 500, 64, 64}, {600, 500, 64, 16},
                                       {500, 500, 64, 4},   {450, 500, 64, 1},   {400, 500, 64, 64}};
    grid[t] = a1;
    grid[t + 1] = a0;
    GrowStep(grid, layout, t, 3, GrowDirection::AlongRow, a0, a1, blocks);
    EXPECT_EQ(grid[t - 1], blocks[0]);
    EXPECT_EQ(grid[t - 2], blocks[1]);
    EXPECT_EQ(grid[t - 3], cv::Rect()) << "nothing found beyond the last blob";
    EXPECT_EQ(grid[t + 2], blocks[2]);
    EXPECT_EQ(grid[t + 3], blocks[3]);
    EXPECT_EQ(grid[t + 4], blocks[4]) << "an unscaled step would have reached the blob at 400";

    // Scaled by the area ratio itself the step from 600 would end at 550, between two blobs.
    BlobGrid byArea(static_cast<size_t>(layout.Count()));
    byArea[t] = a1;
    byArea[t + 1] = a0;
    GrowStep(byArea, layout, t, 3, GrowDirection::AlongRow, a0, a1, {blocks[2], blocks[3]});
    EXPECT_EQ(byArea[t + 3], blocks[3]);
}

TEST(GridSort, WithoutFourCentreBlobsNothingIsSortedAndNothingCrashes) {
    const PhotographedGrid photo;
    std::vector<cv::Rect> centres = photo.Centres();
    centres.pop_back();
    const std::vector<cv::Point2f> blockGrid = SortBlockGrid(photo.info, centres, photo.Blocks());
    ASSERT_EQ(blockGrid.size(), 32u * 24u);
    EXPECT_TRUE(
        std::all_of(blockGrid.begin(), blockGrid.end(), [](cv::Point2f p) { return p == cv::Point2f(); }));

    // A type without geometry gives an empty grid.
    EXPECT_TRUE(SortBlockGrid(PatternInfoFor(false, 9), photo.Centres(), photo.Blocks()).empty());
}

}  // namespace
}  // namespace vantiscore
