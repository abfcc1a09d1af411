// How well a set of warps aligns a simulated wall, measured with the scene's
// optics: where each projector puts each input-picture point on the screen.
//
// Two ways in: the engine's warp grids themselves (input point -> panel
// position, as computed), or the boards' decoded lattices (panel position ->
// input point, as downloaded), which also carry the source-map conversion.
// All figures are in panel pixels of the projector concerned.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "wall_capture.h"
#include "wallsim/grid_map.h"
#include "wallsim/scene.h"

namespace vantiscore::wall {

struct ErrorFigure {
    double rms = 0.0;
    double max = 0.0;
    int samples = 0;
    void Add(double e) {
        sum2_ += e * e;
        max = std::max(max, e);
        ++samples;
        rms = std::sqrt(sum2_ / samples);
    }

private:
    double sum2_ = 0.0;
};

struct AlignmentFigures {
    ErrorFigure stacking;  // the same input point from projectors of different layers at one place
    ErrorFigure seam;      // the same canvas point from neighbouring tiles inside their overlap
    ErrorFigure outline;   // each point against where the target rectangle wants it
};

// Input picture -> panel position of one channel. From a warp grid (panel
// form) or from a board lattice (by inverting it).
class ChannelMap {
public:
    static ChannelMap FromWarp(const WarpGrid& warp, const PatternInfo& info);
    static ChannelMap FromLattice(const wallsim::GridMap& lattice, const PatternInfo& info);
    // Panel position of input point q; nothing where the channel does not show it.
    std::optional<cv::Point2d> PanelOf(cv::Point2d q) const;

private:
    wallsim::GridMap forward_;  // input -> panel (warp grid), or empty
    wallsim::GridMap inverse_;  // panel -> input (lattice), or empty
    int width_ = 0;
    int height_ = 0;
};

// Measures the channels (in channel order of the job) on input points spaced
// `step` panel pixels apart.
AlignmentFigures Measure(const wallsim::Scene& scene, const CaptureJob& job, const std::vector<ChannelMap>& maps,
                         int step = 16);

// Formats the figures as a JSON object.
std::string FiguresJson(const AlignmentFigures& figures);

}  // namespace vantiscore::wall
