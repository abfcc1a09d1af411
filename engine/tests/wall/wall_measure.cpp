#include "wall_measure.h"

#include <cmath>
#include <cstdio>

#include "wallsim/geometry.h"

namespace vantiscore::wall {

ChannelMap ChannelMap::FromWarp(const WarpGrid& warp, const PatternInfo& info) {
    ChannelMap map;
    map.width_ = info.width;
    map.height_ = info.height;
    std::vector<double> xs, ys;
    for (int j = 0; j < info.gridColumns; ++j) xs.push_back(std::min(16 * j, info.width));
    for (int i = 0; i < info.gridRows; ++i) ys.push_back(std::min(16 * i, info.height));
    if (warp.size() != xs.size() * ys.size()) return map;
    std::vector<cv::Point2d> values(warp.begin(), warp.end());
    map.forward_ = wallsim::GridMap(std::move(xs), std::move(ys), std::move(values));
    return map;
}

ChannelMap ChannelMap::FromLattice(const wallsim::GridMap& lattice, const PatternInfo& info) {
    ChannelMap map;
    map.width_ = info.width;
    map.height_ = info.height;
    map.inverse_ = lattice;
    return map;
}

std::optional<cv::Point2d> ChannelMap::PanelOf(cv::Point2d q) const {
    std::optional<cv::Point2d> panel;
    if (!forward_.empty()) {
        panel = forward_.Eval(q);
    } else if (!inverse_.empty()) {
        panel = inverse_.Invert(q, q, 1e-3);
    }
    if (!panel || panel->x < 0 || panel->y < 0 || panel->x > width_ || panel->y > height_) return std::nullopt;
    return panel;
}

namespace {

// Screen position of a panel position, and the screen size of one panel pixel there.
struct ScreenPoint {
    cv::Point2d at;
    double pixel = 1.0;
};

ScreenPoint OnScreen(const wallsim::ProjectorOptics& optics, cv::Point2d panel) {
    const cv::Point2d at = optics.PanelToScreen(panel);
    const double dx = cv::norm(optics.PanelToScreen(panel + cv::Point2d(1, 0)) - at);
    const double dy = cv::norm(optics.PanelToScreen(panel + cv::Point2d(0, 1)) - at);
    return {at, 0.5 * (dx + dy)};
}

}  // namespace

AlignmentFigures Measure(const wallsim::Scene& scene, const CaptureJob& job, const std::vector<ChannelMap>& maps,
                         int step) {
    AlignmentFigures figures;
    const PatternInfo info = AutoWarpGetPatternInfo(false, job.patternType);
    const int w = info.width;
    const int h = info.height;
    const bool tiled = job.warpingMode != 0;
    const int columns = tiled ? job.layoutColumns : 1;
    const int rows = tiled ? job.layoutRows : 1;
    const int perLayer = columns * rows;
    const int layers = static_cast<int>(maps.size()) / perLayer;
    const int strideX = tiled ? w - job.overlapX : 0;
    const int strideY = tiled ? h - job.overlapY : 0;
    const double canvasW = columns * w - (columns - 1) * (tiled ? job.overlapX : 0);
    const double canvasH = rows * h - (rows - 1) * (tiled ? job.overlapY : 0);
    const cv::Rect2d& target = job.targetOnScreen;

    std::vector<wallsim::ProjectorOptics> optics;
    for (int k = 0; k < static_cast<int>(maps.size()); ++k)
        optics.emplace_back(scene.projectors[static_cast<size_t>(job.projectorOfChannel[k])]);
    auto screenOf = [&](int channel, cv::Point2d q) -> std::optional<ScreenPoint> {
        const auto panel = maps[static_cast<size_t>(channel)].PanelOf(q);
        if (!panel) return std::nullopt;
        return OnScreen(optics[static_cast<size_t>(channel)], *panel);
    };
    auto channelAt = [&](int layer, int row, int column) { return (layer * rows + row) * columns + column; };

    for (int layer = 0; layer < layers; ++layer)
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column) {
                const int k = channelAt(layer, row, column);
                const cv::Point2d offset(column * strideX, row * strideY);
                for (int y = 0; y <= h; y += step)
                    for (int x = 0; x <= w; x += step) {
                        const cv::Point2d q(x, y);
                        const auto here = screenOf(k, q);
                        if (!here) continue;
                        // Against the target rectangle.
                        const cv::Point2d canvas = q + offset;
                        const cv::Point2d wanted(target.x + canvas.x / canvasW * target.width,
                                                 target.y + canvas.y / canvasH * target.height);
                        figures.outline.Add(cv::norm(here->at - wanted) / here->pixel);
                        // Against the same place in the layers below.
                        for (int other = 0; other < layer; ++other)
                            if (const auto there = screenOf(channelAt(other, row, column), q))
                                figures.stacking.Add(cv::norm(here->at - there->at) / here->pixel);
                        // Against the left and upper neighbour inside the overlap.
                        if (column > 0 && x <= job.overlapX)
                            if (const auto there = screenOf(channelAt(layer, row, column - 1), q + cv::Point2d(strideX, 0)))
                                figures.seam.Add(cv::norm(here->at - there->at) / here->pixel);
                        if (row > 0 && y <= job.overlapY)
                            if (const auto there = screenOf(channelAt(layer, row - 1, column), q + cv::Point2d(0, strideY)))
                                figures.seam.Add(cv::norm(here->at - there->at) / here->pixel);
                    }
            }
    return figures;
}

std::string FiguresJson(const AlignmentFigures& f) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"stackingRms\": %.3f, \"stackingMax\": %.3f, \"stackingSamples\": %d, \"seamRms\": %.3f, "
                  "\"seamMax\": %.3f, \"seamSamples\": %d, \"outlineRms\": %.3f, \"outlineMax\": %.3f, "
                  "\"outlineSamples\": %d}",
                  f.stacking.rms, f.stacking.max, f.stacking.samples, f.seam.rms, f.seam.max, f.seam.samples,
                  f.outline.rms, f.outline.max, f.outline.samples);
    return text;
}

}  // namespace vantiscore::wall
