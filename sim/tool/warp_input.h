// Files the photo and measure commands read: warp grids and target outlines.
#pragma once

#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "wallsim/panel.h"
#include "wallsim/scene.h"

namespace wallsim::tool {

// Warp grids in panel form, one per projector: either the output of
// `vantiscore warp` ({"warps": [[[x, y], ...], ...]}) or a bare list of grids.
bool ReadWarps(const std::string& path, const Scene& scene, std::vector<std::vector<cv::Point2f>>* warps,
               std::string* error);
// A target outline on the screen from {"screen": [[x, y], ...]} (screen units),
// {"camera": [[x, y], ...]} (picture pixels) or {"boundary": [...]} (a 129 x 65
// boundary grid in picture pixels, of which the outer ring counts).
bool ReadTarget(const std::string& path, const Scene& scene, std::vector<cv::Point2d>* target,
                std::string* error);
// The board lattice that shows a warp grid (its forward map inverted at every lattice node).
SourceLattice LatticeFromWarpGrid(const std::vector<cv::Point2f>& grid, int width, int height);

}  // namespace wallsim::tool
