// Ground truth: where each projector really puts each point of its input
// picture on the screen, and from that the alignment figures of a calibration
// in panel pixels: misregistration of stacked projectors, mismatch across blend
// seams, the sum of the blend ramps in each overlap, and the distance of the
// picture's outline from a target outline.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <opencv2/core.hpp>

#include "vantis_link_tables.h"
#include "wallsim/panel.h"
#include "wallsim/scene.h"

namespace wallsim {

// What the measurement needs to know of one projector.
struct TruthProjector {
    // Input-picture pixel -> panel pixel at which the projector shows it;
    // nothing where it does not show that point.
    std::function<std::optional<cv::Point2d>(cv::Point2d)> inputToPanel;
    std::array<BlendZone, 4> blend{};  // left, right, top, bottom
    bool gammaMode = false;
    double gamma = 2.2;
    // The zones apply to the input picture (the board blends before its
    // warp), or to panel pixels after the warp.
    bool blendAfterWarp = false;
};

// From the board's lattice (panel -> input), inverted numerically.
TruthProjector TruthFromLattice(const SourceLattice& lattice, int width, int height);
// From a warp grid in panel form (input nodes on a 16-pixel pitch, last column
// at W and last row at H; values are panel positions), row by row.
TruthProjector TruthFromWarpGrid(const std::vector<cv::Point2f>& grid, int width, int height);
// The blend zones the calibration gives the projector at (column, row) of the
// layout before any warp is known (the model's rule, from the overlap alone).
std::array<BlendZone, 4> LayoutBlendZones(const Scene& scene, int projector);
// Zones as the link sends them (left, right, top, bottom: enable, start, width),
// with the ramp registers the link computes for them.
std::array<BlendZone, 4> ZonesOfEdges(const BlendEdges& edges);
// The zones the calibration downloads with these warp grids (panel form, as
// TruthFromWarpGrid takes them; one per projector, empty: not calibrated), by
// the model's rule: in picture pixels, or with followWarp in panel pixels where
// the picture's overlap lands.
std::vector<std::array<BlendZone, 4>> CalibrationBlendZones(
    const Scene& scene, const std::vector<std::vector<cv::Point2f>>& warps, bool followWarp);
// A target outline given in camera-picture pixels, on the screen.
std::vector<cv::Point2d> OutlineOnScreen(const Scene& scene, const std::vector<cv::Point2d>& picturePoints);

struct Figure {
    double rms = 0, max = 0;
    int points = 0;
};

struct StackFigure {
    int a = 0, b = 0;
    Figure misregistration;
};

struct SeamFigure {
    int a = 0, b = 0;
    bool horizontal = true;
    Figure mismatch;
    double blendMin = 0, blendMax = 0, blendRmsError = 0;  // sum of the light weights over the overlap
    int blendPoints = 0;
};

struct OutlineFigure {
    int layer = 0;
    Figure distance;
};

struct TruthReport {
    std::vector<StackFigure> stacks;
    std::vector<SeamFigure> seams;
    std::vector<OutlineFigure> outlines;  // empty without a target outline
};

struct TruthOptions {
    double step = 8.0;                // input-picture sampling pitch, pixels
    std::vector<cv::Point2d> target;  // target outline on the screen (polygon); empty: none
};

TruthReport MeasureTruth(const Scene& scene, const std::vector<TruthProjector>& projectors,
                         const TruthOptions& options = {});
nlohmann::json TruthToJson(const Scene& scene, const TruthReport& report);

}  // namespace wallsim
