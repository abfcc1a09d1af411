// From the operator's boundary grid to one target grid per channel.
//
// The boundary (129 x 65 points, camera-photo pixels) says where the whole
// picture must appear on the screen as the camera sees it. It is smoothed,
// scaled to working-image pixels, resampled onto an 8-pixel grid of the panel
// (stacking) or of the tiled canvas (blending), cut into tiles and reduced to
// the panel form of the warp grid. Every target point is in working-image
// pixels and says where the corresponding warp-grid node must appear.
#pragma once

#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"

namespace vantiscore {

// A row-by-row grid of points with its column and row counts.
struct PointGrid {
    int columns = 0;
    int rows = 0;
    std::vector<cv::Point2f> points;

    cv::Point2f At(int column, int row) const { return points[static_cast<size_t>(row * columns + column)]; }
};

// Bilinear resampling of a grid to dc x dr points spanning the same extent.
PointGrid ResampleGrid(const PointGrid& source, int dc, int dr);

// The boundary's columns and rows after a quarter turn in index space: the
// point at row j, column k of the result is the source point at row k,
// column (source columns - 1 - j).
PointGrid QuarterTurn(const PointGrid& source);

// Four passes of resampling to the transposed size and a quarter turn. The
// orientation comes back as it was; every odd column becomes the mean of its
// neighbours, which smooths a hand-edited outline.
PointGrid PrepareBoundary(const PointGrid& boundary);

// Scales camera-photo pixels to working-image pixels for a photo of the given size.
void ScaleToWorkSize(PointGrid& grid, cv::Size photoSize);

// One point per 8 panel pixels over a width x height area: (width/8 + 1) x (height/8 + 1).
cv::Size EightPixelGridSize(int width, int height);

// Takes every second point of an 8-pixel grid as the panel-form target
// (gridColumns x gridRows). A target row or column past the 8-pixel grid's
// end takes its last row or column: for 1920 x 1080 the last target row is
// 8-pixel row 135, half a node pitch below the one before it, as in the
// identity grid.
PointGrid ReduceToPanelForm(const PointGrid& eightPixel, const PatternInfo& info);

// The layout of a blending or stacking-and-blending solution.
struct TileLayout {
    int columns = 1;
    int rows = 1;
    int overlapX = 0;
    int overlapY = 0;
    int stackCount = 1;
};

// Canvas of a tiled array in 8-pixel points, and where tile (row, column) starts in it.
// A canvas wider or taller than kMaxCanvasNodes points (or of no area) is empty.
inline constexpr std::int64_t kMaxCanvasNodes = 4096;
cv::Size BlendCanvasSize(const PatternInfo& info, const TileLayout& layout);
cv::Point TileOrigin(const PatternInfo& info, const TileLayout& layout, int row, int column);

// Whether a tiled layout can be cut: at least one tile each way and overlaps
// from zero up to below the panel size.
bool IsCuttableLayout(const PatternInfo& info, const TileLayout& layout);

// The per-channel targets of a warping mode, in channel order:
// mode 0 one target (every channel takes it), mode 1 one per tile
// (channel = row * columns + column), mode 2 the tiles once per layer
// (channel = (layer * rows + row) * columns + column). A layout that cannot be
// cut gives no targets; a mode outside 0..2 gives nothing at all. The
// boundary must already be prepared and scaled.
std::optional<std::vector<PointGrid>> BuildTargets(const PointGrid& workBoundary, const PatternInfo& info,
                                                   int warpingMode, const TileLayout& layout);

}  // namespace vantiscore
