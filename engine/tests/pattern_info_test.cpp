#include <array>

#include <gtest/gtest.h>

#include "VantisCore.h"

namespace {

std::array<int, 14> Fields(const PatternInfo& p) {
    return {p.width,        p.height,    p.gridColumns,     p.gridRows,    p.blockColumns,
            p.blockRows,    p.pitchX,    p.pitchY,          p.blockWidth,  p.blockHeight,
            p.centreColumn, p.centreRow, p.centreColumnEnd, p.centreRowEnd};
}

TEST(PatternInfo, PanelFormOfEveryType) {
    const std::array<std::array<int, 14>, 5> expected{{
        {1024, 768, 65, 49, 32, 24, 32, 32, 16, 16, 15, 11, 17, 13},
        {1280, 800, 81, 51, 40, 25, 32, 32, 16, 16, 19, 11, 21, 13},
        {1920, 1200, 121, 76, 30, 19, 64, 64, 32, 32, 14, 9, 16, 11},
        {1920, 1080, 121, 69, 30, 17, 64, 64, 32, 32, 14, 7, 16, 9},
        {1280, 720, 81, 46, 40, 23, 32, 32, 16, 16, 19, 10, 21, 12},
    }};
    for (int type = 0; type < 5; ++type) {
        EXPECT_EQ(Fields(AutoWarpGetPatternInfo(false, type)), expected[type]) << "type " << type;
    }
}

TEST(PatternInfo, EngineBoardFormIs129By65ForEveryType) {
    for (int type : {0, 1, 2, 3, 4, -1, 5, 7, 1000}) {
        const PatternInfo board = AutoWarpGetPatternInfo(true, type);
        EXPECT_EQ(board.gridColumns, 129) << type;
        EXPECT_EQ(board.gridRows, 65) << type;
        if (type >= 0 && type <= 4) {
            // Only the grid size differs from the panel form.
            PatternInfo panel = AutoWarpGetPatternInfo(false, type);
            panel.gridColumns = 129;
            panel.gridRows = 65;
            EXPECT_EQ(Fields(board), Fields(panel));
        }
    }
}

TEST(PatternInfo, TypeOutsideTableHasNoGeometry) {
    for (int type : {-1, 5, 7}) {
        const std::array<int, 14> expected{0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(Fields(AutoWarpGetPatternInfo(false, type)), expected) << type;
        std::array<int, 14> board = expected;
        board[2] = 129;
        board[3] = 65;
        EXPECT_EQ(Fields(AutoWarpGetPatternInfo(true, type)), board) << type;
    }
}

TEST(IdentityGrid, NodesOnSixteenPixelPitchClampedToPanelEdge) {
    WarpGrid grid;
    AutoWarpInitWarping(&grid, 3);
    ASSERT_EQ(grid.size(), 121u * 69u);
    EXPECT_EQ(grid[0], cv::Point2f(0, 0));
    EXPECT_EQ(grid[1], cv::Point2f(16, 0));
    EXPECT_EQ(grid[120], cv::Point2f(1920, 0));
    EXPECT_EQ(grid[121], cv::Point2f(0, 16));
    // 1080 is not a multiple of 16: the last row is 8 pixels below the one before.
    EXPECT_EQ(grid[68 * 121 + 5], cv::Point2f(80, 1080));
    EXPECT_EQ(grid[67 * 121 + 5], cv::Point2f(80, 1072));
    EXPECT_EQ(grid.back(), cv::Point2f(1920, 1080));
}

TEST(IdentityGrid, AppendsAfterExistingPoints) {
    WarpGrid grid{{-1, -1}};
    AutoWarpInitWarping(&grid, 0);
    ASSERT_EQ(grid.size(), 1u + 65u * 49u);
    EXPECT_EQ(grid[0], cv::Point2f(-1, -1));
    EXPECT_EQ(grid[1], cv::Point2f(0, 0));
    EXPECT_EQ(grid.back(), cv::Point2f(1024, 768));
    AutoWarpInitWarping(nullptr, 0);  // no list, nothing happens
}

}  // namespace
