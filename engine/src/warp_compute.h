// Warp computation: from per-channel block grids and the boundary to one
// panel-form warp grid per channel.
//
// Each target point (working-image pixels) is assigned to the cell of the
// block grid it lies in, found from the nearest block centre and the sides of
// its neighbours; each used cell gets one homography from its four
// photographed block centres to their ideal panel positions, and all target
// points of the cell are mapped through it.
#pragma once

#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "boundary.h"
#include "grid_sort.h"

namespace vantiscore {

// Panel-pixel centre of every pattern block, row by row:
// (blockWidth/2 + c * pitchX, blockHeight/2 + r * pitchY).
std::vector<cv::Point2f> IdealBlockCentres(const PatternInfo& info);

// Index of the block-grid entry nearest to t (first of equal distances).
int NearestEntry(const std::vector<cv::Point2f>& blockGrid, cv::Point2f t);

// The cell (named by its top-left entry) that t is mapped through, given the
// nearest entry p: of the up to four cells around p, the one whose corner
// sector holds t; on an edge or corner only the cells that exist.
int ChooseCell(const std::vector<cv::Point2f>& blockGrid, const BlockLayout& layout, int p, cv::Point2f t);

// Maps every target point through the homography of its cell.
std::vector<cv::Point2f> MapTargetGrid(const std::vector<cv::Point2f>& target,
                                       const std::vector<cv::Point2f>& blockGrid,
                                       const std::vector<cv::Point2f>& idealCentres,
                                       const BlockLayout& layout);

// Outcome of the whole computation for a call.
enum class WarpOutcome {
    Computed,      // one warp per channel appended
    UnknownMode,   // warping mode outside 0..2: nothing computed, nothing appended
    BadArguments,  // boundary of the wrong size, or more channels than the mode has targets
};

// The inputs of the computation besides the block grids.
struct WarpInputs {
    PatternType patternType = 0;
    WarpingMode warpingMode = 0;
    TileLayout layout;
    BoundaryGrid boundary;  // kBoundaryColumns x kBoundaryRows, camera-photo pixels
    cv::Size photoSize;     // of the black photo
};

// Prepares the boundary, builds the mode's targets and maps channel k's
// target with blockGrids[k], for every channel. On any outcome but Computed
// *warps is left as it was; with no channels nothing is computed.
WarpOutcome ComputeWarps(const WarpInputs& job, const std::vector<std::vector<cv::Point2f>>& blockGrids,
                         std::vector<WarpGrid>* warps);

// One channel's grid of photographed centres, their panel positions and its
// layout (the pattern's own, or one grown by a ring of virtual blocks).
struct ChannelGrid {
    std::vector<cv::Point2f> centres;
    std::vector<cv::Point2f> ideal;
    BlockLayout layout;
};

// ComputeWarps with every channel's own grid.
WarpOutcome ComputeWarps(const WarpInputs& job, const std::vector<ChannelGrid>& grids,
                         std::vector<WarpGrid>* warps);

}  // namespace vantiscore
