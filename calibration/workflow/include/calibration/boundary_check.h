// Whether the boundary the operator marked can be calibrated to. A boundary
// that has collapsed to a point or a line, folds over itself, leaves the
// camera's picture or covers almost none of the lit wall would make the engine
// squeeze every projector's picture into a speck or tear it apart, so the
// calibration refuses it with a message the operator can act on.
#pragma once

#include <string>

#include <opencv2/core.hpp>

#include "VantisCore.h"

namespace vantis::calibration {

enum class BoundaryFault {
    None,
    Collapsed,     // no area: every point on one spot or one line
    Folded,        // some cells of the grid turned over, or not finite
    OutsidePhoto,  // a point outside the camera's picture
    TooSmall,      // covers less than kMinimumBoundaryShare of the lit area
};

// The smallest share of the lit area the boundary must cover.
inline constexpr double kMinimumBoundaryShare = 0.05;

// The boundary's area in square photo pixels: the area inside its outline.
double BoundaryArea(const BoundaryGrid& grid);

// The shape checks, which need no photos. `picture` is the camera picture's
// size; an empty size skips the picture checks. Without photos of the wall
// the whole picture counts as lit, which only refuses what is too small in
// any case.
BoundaryFault CheckBoundaryShape(const BoundaryGrid& grid, cv::Size picture);

// The share of the lit area (non-zero pixels of `lit`, 8-bit, one channel)
// that the boundary covers. A mask without lit pixels gives 1: nothing to
// judge against.
double LitShareCovered(const BoundaryGrid& grid, const cv::Mat& lit);

// The shape checks against the mask's size, then the share of the lit area.
// A mask without lit pixels judges the shape alone.
BoundaryFault CheckBoundary(const BoundaryGrid& grid, const cv::Mat& lit);

// The operator's message for a fault (empty for None).
std::string BoundaryFaultText(BoundaryFault fault);

}  // namespace vantis::calibration
