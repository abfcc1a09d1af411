#include "boundary.h"

#include <algorithm>
#include <cmath>

namespace vantiscore {

namespace {

constexpr float kWorkWidth = 5760.0f;
constexpr float kWorkHeight = 3240.0f;

// Source position of output index i when n source points are spread over
// d output points; the cell start is kept one short of the last point so that
// the last output point interpolates inside the last cell.
void SourceCell(int i, int d, int n, int& cell, double& fraction) {
    double s = 0.0;
    if (d > 1 && n > 1) s = i * (1.0 / (d - 1)) / (1.0 / (n - 1));
    cell = static_cast<int>(std::floor(s));
    if (cell >= n - 1) cell = n - 2;
    if (cell < 0) cell = 0;
    fraction = s - cell;
}

}  // namespace

PointGrid ResampleGrid(const PointGrid& source, int dc, int dr) {
    PointGrid out{dc, dr, {}};
    if (dc <= 0 || dr <= 0 || source.columns <= 0 || source.rows <= 0) return out;
    out.points.reserve(static_cast<size_t>(dc) * static_cast<size_t>(dr));
    // A single source row or column has no cell to interpolate in; it is used as both edges.
    const int lastColumn = source.columns - 1;
    const int lastRow = source.rows - 1;
    for (int i = 0; i < dr; ++i) {
        int y0 = 0;
        double fy = 0.0;
        SourceCell(i, dr, source.rows, y0, fy);
        const int y1 = std::min(y0 + 1, lastRow);
        for (int j = 0; j < dc; ++j) {
            int x0 = 0;
            double fx = 0.0;
            SourceCell(j, dc, source.columns, x0, fx);
            const int x1 = std::min(x0 + 1, lastColumn);
            const cv::Point2f p00 = source.At(x0, y0);
            const cv::Point2f p10 = source.At(x1, y0);
            const cv::Point2f p01 = source.At(x0, y1);
            const cv::Point2f p11 = source.At(x1, y1);
            const double x =
                (fx * p11.x + (1 - fx) * p01.x) * fy + (fx * p10.x + (1 - fx) * p00.x) * (1 - fy);
            const double y =
                fx * (fy * p11.y + (1 - fy) * p10.y) + (1 - fx) * (fy * p01.y + (1 - fy) * p00.y);
            out.points.emplace_back(static_cast<float>(x), static_cast<float>(y));
        }
    }
    return out;
}

PointGrid QuarterTurn(const PointGrid& source) {
    PointGrid out{source.rows, source.columns, {}};
    out.points.reserve(source.points.size());
    for (int j = 0; j < source.columns; ++j)
        for (int k = 0; k < source.rows; ++k) out.points.push_back(source.At(source.columns - 1 - j, k));
    return out;
}

PointGrid PrepareBoundary(const PointGrid& boundary) {
    PointGrid grid = boundary;
    for (int pass = 0; pass < 4; ++pass) grid = QuarterTurn(ResampleGrid(grid, grid.rows, grid.columns));
    return grid;
}

void ScaleToWorkSize(PointGrid& grid, cv::Size photoSize) {
    if (photoSize.width <= 0 || photoSize.height <= 0) return;
    const float sx = kWorkWidth / static_cast<float>(photoSize.width);
    const float sy = kWorkHeight / static_cast<float>(photoSize.height);
    for (cv::Point2f& p : grid.points) {
        p.x *= sx;
        p.y *= sy;
    }
}

cv::Size EightPixelGridSize(int width, int height) {
    return {width / 8 + 1, height / 8 + 1};
}

PointGrid ReduceToPanelForm(const PointGrid& eightPixel, const PatternInfo& info) {
    PointGrid out{info.gridColumns, info.gridRows, {}};
    if (eightPixel.points.empty()) return out;
    out.points.reserve(static_cast<size_t>(info.gridColumns) * static_cast<size_t>(info.gridRows));
    for (int i = 0; i < info.gridRows; ++i) {
        const int row = std::min(2 * i, eightPixel.rows - 1);
        for (int j = 0; j < info.gridColumns; ++j)
            out.points.push_back(eightPixel.At(std::min(2 * j, eightPixel.columns - 1), row));
    }
    return out;
}

cv::Size BlendCanvasSize(const PatternInfo& info, const TileLayout& layout) {
    // In 64 bits: a layout of absurd size must give "no canvas", not an overflow.
    const std::int64_t width = static_cast<std::int64_t>(layout.columns) * info.width -
                               static_cast<std::int64_t>(layout.columns - 1) * layout.overlapX;
    const std::int64_t height = static_cast<std::int64_t>(layout.rows) * info.height -
                                static_cast<std::int64_t>(layout.rows - 1) * layout.overlapY;
    if (width <= 0 || height <= 0 || width / 8 + 1 > kMaxCanvasNodes || height / 8 + 1 > kMaxCanvasNodes)
        return {};
    return EightPixelGridSize(static_cast<int>(width), static_cast<int>(height));
}

cv::Point TileOrigin(const PatternInfo& info, const TileLayout& layout, int row, int column) {
    return {column * ((info.width - layout.overlapX) / 8), row * ((info.height - layout.overlapY) / 8)};
}

bool IsCuttableLayout(const PatternInfo& info, const TileLayout& layout) {
    if (layout.columns < 1 || layout.rows < 1) return false;
    if (layout.overlapX < 0 || layout.overlapY < 0) return false;
    return layout.overlapX < info.width && layout.overlapY < info.height;
}

namespace {

PointGrid CutTile(const PointGrid& canvas, cv::Point origin, cv::Size size) {
    PointGrid tile{size.width, size.height, {}};
    tile.points.reserve(static_cast<size_t>(size.area()));
    for (int r = 0; r < size.height; ++r)
        for (int c = 0; c < size.width; ++c) tile.points.push_back(canvas.At(origin.x + c, origin.y + r));
    return tile;
}

std::vector<PointGrid> BlendTiles(const PointGrid& workBoundary, const PatternInfo& info,
                                  const TileLayout& layout) {
    const cv::Size canvasSize = BlendCanvasSize(info, layout);
    if (canvasSize.empty()) return {};
    const PointGrid canvas = ResampleGrid(workBoundary, canvasSize.width, canvasSize.height);
    const cv::Size tileSize = EightPixelGridSize(info.width, info.height);
    std::vector<PointGrid> tiles;
    for (int r = 0; r < layout.rows; ++r)
        for (int q = 0; q < layout.columns; ++q)
            tiles.push_back(
                ReduceToPanelForm(CutTile(canvas, TileOrigin(info, layout, r, q), tileSize), info));
    return tiles;
}

}  // namespace

std::optional<std::vector<PointGrid>> BuildTargets(const PointGrid& workBoundary, const PatternInfo& info,
                                                   int warpingMode, const TileLayout& layout) {
    if (info.width <= 0 || info.height <= 0) return std::nullopt;
    if (warpingMode == 0) {
        const cv::Size size = EightPixelGridSize(info.width, info.height);
        return std::vector<PointGrid>{
            ReduceToPanelForm(ResampleGrid(workBoundary, size.width, size.height), info)};
    }
    if (warpingMode != 1 && warpingMode != 2) return std::nullopt;
    if (!IsCuttableLayout(info, layout)) return std::vector<PointGrid>{};
    std::vector<PointGrid> tiles = BlendTiles(workBoundary, info, layout);
    if (warpingMode == 1) return tiles;
    std::vector<PointGrid> layers;
    layers.reserve(tiles.size() * static_cast<size_t>(std::max(0, layout.stackCount)));
    for (int l = 0; l < layout.stackCount; ++l) layers.insert(layers.end(), tiles.begin(), tiles.end());
    return layers;
}

}  // namespace vantiscore
