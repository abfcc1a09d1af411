// Ground-truth figures of a set of warps on a simulated wall.
//
// The warps reach the measurement either as computed (the warp grids
// themselves) or as downloaded (through the source-map conversion and the
// board lattice, see wall_lattice.h). The target outline is the boundary's
// rectangle on the screen.
#pragma once

#include <vector>

#include <nlohmann/json.hpp>

#include "VantisCore.h"
#include "wall_capture.h"
#include "wallsim/scene.h"
#include "wallsim/truth.h"

namespace vantiscore::wall {

enum class WarpRoute { AsComputed, Downloaded };

// The blend zones are the calibration's for these warps: in picture pixels, or
// with zonesFollowWarp in panel pixels where the picture's overlap lands.
wallsim::TruthReport MeasureWarps(const wallsim::Scene& scene, const CaptureJob& job,
                                  const std::vector<WarpGrid>& warps, WarpRoute route,
                                  bool zonesFollowWarp = false);

// The worst of each kind over all projector pairs and layers (RMS and maximum
// each taken as the largest), in panel pixels.
struct WorstFigures {
    wallsim::Figure stacking;
    wallsim::Figure seam;
    wallsim::Figure outline;
    double blendMin = 0, blendMax = 0;  // light sum over every overlap, full white = 1
    int blendPoints = 0;
};
WorstFigures Worst(const wallsim::TruthReport& report);
nlohmann::json WorstToJson(const WorstFigures& worst);

}  // namespace vantiscore::wall
