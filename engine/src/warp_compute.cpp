#include "warp_compute.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include <opencv2/calib3d.hpp>

#include "pattern_table.h"

namespace vantiscore {

std::vector<cv::Point2f> IdealBlockCentres(const PatternInfo& info) {
    std::vector<cv::Point2f> centres;
    centres.reserve(static_cast<size_t>(std::max(0, info.blockColumns * info.blockRows)));
    for (int r = 0; r < info.blockRows; ++r)
        for (int c = 0; c < info.blockColumns; ++c)
            centres.emplace_back(static_cast<float>(info.blockWidth / 2 + c * info.pitchX),
                                 static_cast<float>(info.blockHeight / 2 + r * info.pitchY));
    return centres;
}

int NearestEntry(const std::vector<cv::Point2f>& blockGrid, cv::Point2f t) {
    int nearest = 0;
    float best = 33554432.0f;
    for (size_t i = 0; i < blockGrid.size(); ++i) {
        const cv::Point2f d = blockGrid[i] - t;
        const float distance = d.x * d.x + d.y * d.y;
        if (distance < best) {
            best = distance;
            nearest = static_cast<int>(i);
        }
    }
    return nearest;
}

namespace {

// Side of the vector from p to t relative to a neighbour direction: the z
// component of the cross product (neighbour x d), in float.
float Side(cv::Point2f neighbour, cv::Point2f d) {
    return d.y * neighbour.x - d.x * neighbour.y;
}

// The four cells around entry p, named by their top-left entries.
struct CellsAround {
    int topLeft;
    int topRight;
    int bottomLeft;
    int bottomRight;
};

// Fallback for an interior entry whose neighbour sectors leave t uncovered
// (a folded or partly empty block grid): the cell around p whose corner mean
// is nearest to t, rather than a cell at the far corner of the grid.
int NearestCellAround(const std::vector<cv::Point2f>& grid, int columns, const CellsAround& cells,
                      cv::Point2f t) {
    int best = cells.bottomRight;
    float bestDistance = -1.0f;
    for (int cell : {cells.topLeft, cells.topRight, cells.bottomLeft, cells.bottomRight}) {
        const cv::Point2f mean =
            (grid[cell] + grid[cell + 1] + grid[cell + columns] + grid[cell + columns + 1]) * 0.25f;
        const cv::Point2f d = mean - t;
        const float distance = d.x * d.x + d.y * d.y;
        if (bestDistance < 0.0f || distance < bestDistance) {
            bestDistance = distance;
            best = cell;
        }
    }
    return best;
}

}  // namespace

int ChooseCell(const std::vector<cv::Point2f>& blockGrid, const BlockLayout& layout, int p, cv::Point2f t) {
    const int n = layout.columns;
    const int a = p % n;
    const int b = p / n;
    const bool left = a == 0;
    const bool right = a == n - 1;
    const bool top = b == 0;
    const bool bottom = b == layout.rows - 1;
    const cv::Point2f at = blockGrid[p];
    const cv::Point2f towardLeft = left ? cv::Point2f() : blockGrid[p - 1] - at;
    const cv::Point2f towardRight = right ? cv::Point2f() : blockGrid[p + 1] - at;
    const cv::Point2f towardUp = top ? cv::Point2f() : blockGrid[p - n] - at;
    const cv::Point2f towardDown = bottom ? cv::Point2f() : blockGrid[p + n] - at;
    const cv::Point2f d = t - at;
    const float cL = Side(towardLeft, d);
    const float cR = Side(towardRight, d);
    const float cU = Side(towardUp, d);
    const float cD = Side(towardDown, d);
    const CellsAround cells{p - n - 1, p - n, p - 1, p};

    // Corners have one cell.
    if (top && left) return cells.bottomRight;
    if (top && right) return cells.bottomLeft;
    if (bottom && left) return cells.topRight;
    if (bottom && right) return cells.topLeft;

    // Edges have two cells; a point outside both sectors takes the side it leans to.
    if (top) {
        if (cL <= 0 && cD >= 0) return cells.bottomLeft;
        if (cR >= 0 && cD <= 0) return cells.bottomRight;
        return cD >= 0 ? cells.bottomLeft : cells.bottomRight;
    }
    if (bottom) {
        if (cL >= 0 && cU <= 0) return cells.topLeft;
        if (cR <= 0 && cU >= 0) return cells.topRight;
        return cU <= 0 ? cells.topLeft : cells.topRight;
    }
    if (left) {
        if (cR <= 0 && cU >= 0) return cells.topRight;
        if (cR >= 0 && cD <= 0) return cells.bottomRight;
        return cR <= 0 ? cells.topRight : cells.bottomRight;
    }
    if (right) {
        if (cL >= 0 && cU <= 0) return cells.topLeft;
        if (cL <= 0 && cD >= 0) return cells.bottomLeft;
        return cL >= 0 ? cells.topLeft : cells.bottomLeft;
    }

    // Interior: the sector between two neighbour directions that holds t.
    if (cL >= 0 && cU <= 0) return cells.topLeft;
    if (cL <= 0 && cD >= 0) return cells.bottomLeft;
    if (cR <= 0 && cU >= 0) return cells.topRight;
    if (cR >= 0 && cD <= 0) return cells.bottomRight;
    return NearestCellAround(blockGrid, n, cells, t);
}

namespace {

// Homographies of the cells, each computed once on first use. A cell whose
// four photographed corners are degenerate (repeated or collinear points,
// typically blocks never found) has none; its points are mapped through the
// nearest cell, in grid steps, that has one.
class CellHomographies {
  public:
    CellHomographies(const std::vector<cv::Point2f>& grid, const std::vector<cv::Point2f>& ideal,
                     const BlockLayout& layout)
        : grid_(grid), ideal_(ideal), layout_(layout) {}

    // The homography to use for a cell; empty only when no cell has one.
    cv::Mat For(int cell) {
        cv::Mat h = Own(cell);
        if (!h.empty()) return h;
        const int cellColumns = layout_.columns - 1;
        const int cellRows = layout_.rows - 1;
        const int a0 = cell % layout_.columns;
        const int b0 = cell / layout_.columns;
        for (int radius = 1; radius <= std::max(cellColumns, cellRows); ++radius)
            for (int b = b0 - radius; b <= b0 + radius; ++b)
                for (int a = a0 - radius; a <= a0 + radius; ++a) {
                    if (a < 0 || b < 0 || a >= cellColumns || b >= cellRows) continue;
                    if (std::max(std::abs(a - a0), std::abs(b - b0)) != radius) continue;
                    h = Own(b * layout_.columns + a);
                    if (!h.empty()) return h;
                }
        return {};
    }

  private:
    cv::Mat Own(int cell) {
        auto found = cache_.find(cell);
        if (found != cache_.end()) return found->second;
        const int n = layout_.columns;
        const std::vector<cv::Point2f> source{grid_[cell], grid_[cell + 1], grid_[cell + n],
                                              grid_[cell + n + 1]};
        const std::vector<cv::Point2f> destination{ideal_[cell], ideal_[cell + 1], ideal_[cell + n],
                                                   ideal_[cell + n + 1]};
        cv::Mat h = cv::findHomography(source, destination, cv::LMEDS, 3.0);
        if (!h.empty() && !cv::checkRange(h)) h.release();
        cache_.emplace(cell, h);
        return h;
    }

    const std::vector<cv::Point2f>& grid_;
    const std::vector<cv::Point2f>& ideal_;
    const BlockLayout& layout_;
    std::map<int, cv::Mat> cache_;
};

cv::Point2f Apply(const cv::Mat& h, cv::Point2f p) {
    const double x = p.x;
    const double y = p.y;
    const double w = h.at<double>(2, 0) * x + h.at<double>(2, 1) * y + h.at<double>(2, 2);
    return {static_cast<float>((h.at<double>(0, 0) * x + h.at<double>(0, 1) * y + h.at<double>(0, 2)) / w),
            static_cast<float>((h.at<double>(1, 0) * x + h.at<double>(1, 1) * y + h.at<double>(1, 2)) / w)};
}

}  // namespace

std::vector<cv::Point2f> MapTargetGrid(const std::vector<cv::Point2f>& target,
                                       const std::vector<cv::Point2f>& blockGrid,
                                       const std::vector<cv::Point2f>& idealCentres,
                                       const BlockLayout& layout) {
    std::vector<cv::Point2f> output(target.size());
    if (layout.columns < 2 || layout.rows < 2 || blockGrid.size() != static_cast<size_t>(layout.Count()) ||
        idealCentres.size() != blockGrid.size())
        return output;

    // All cell assignments first, then one homography per used cell.
    std::map<int, std::vector<size_t>> pointsOfCell;
    for (size_t k = 0; k < target.size(); ++k) {
        const int p = NearestEntry(blockGrid, target[k]);
        pointsOfCell[ChooseCell(blockGrid, layout, p, target[k])].push_back(k);
    }
    CellHomographies homographies(blockGrid, idealCentres, layout);
    for (const auto& [cell, points] : pointsOfCell) {
        const cv::Mat h = homographies.For(cell);
        if (h.empty()) continue;
        for (size_t k : points) output[k] = Apply(h, target[k]);
    }
    return output;
}

WarpOutcome ComputeWarps(const WarpInputs& job, const std::vector<std::vector<cv::Point2f>>& blockGrids,
                         std::vector<WarpGrid>* warps) {
    const PatternInfo info = PatternInfoFor(false, job.patternType);
    const std::vector<cv::Point2f> ideal = IdealBlockCentres(info);
    const BlockLayout layout = BlockLayout::FromPattern(info);
    std::vector<ChannelGrid> grids;
    grids.reserve(blockGrids.size());
    for (const std::vector<cv::Point2f>& blockGrid : blockGrids) grids.push_back({blockGrid, ideal, layout});
    return ComputeWarps(job, grids, warps);
}

WarpOutcome ComputeWarps(const WarpInputs& job, const std::vector<ChannelGrid>& blockGrids,
                         std::vector<WarpGrid>* warps) {
    const PatternInfo info = PatternInfoFor(false, job.patternType);
    if (job.warpingMode < kWarpingStacking || job.warpingMode > kWarpingStackingBlending)
        return WarpOutcome::UnknownMode;
    if (job.boundary.size() != static_cast<size_t>(kBoundaryColumns * kBoundaryRows) || warps == nullptr)
        return WarpOutcome::BadArguments;
    if (blockGrids.empty()) return WarpOutcome::Computed;

    PointGrid boundary = PrepareBoundary(PointGrid{kBoundaryColumns, kBoundaryRows, job.boundary});
    ScaleToWorkSize(boundary, job.photoSize);
    const auto targets = BuildTargets(boundary, info, job.warpingMode, job.layout);
    if (!targets) return WarpOutcome::UnknownMode;

    // Stacking gives every channel the one target; the tiled modes one each.
    const size_t channels = blockGrids.size();
    const bool shared = job.warpingMode == kWarpingStacking;
    if (!shared && channels > targets->size()) return WarpOutcome::BadArguments;
    if (shared && channels > 0 && targets->empty()) return WarpOutcome::BadArguments;

    std::vector<WarpGrid> computed;
    computed.reserve(channels);
    for (size_t k = 0; k < channels; ++k) {
        const PointGrid& target = (*targets)[shared ? 0 : k];
        const ChannelGrid& grid = blockGrids[k];
        computed.push_back(MapTargetGrid(target.points, grid.centres, grid.ideal, grid.layout));
    }
    warps->insert(warps->end(), computed.begin(), computed.end());
    return WarpOutcome::Computed;
}

}  // namespace vantiscore
