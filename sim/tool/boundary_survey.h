// How good the engine's automatic boundary is on a scene, judged by the
// ground truth: whether every outline point stays inside the light with its
// margin, and how its area compares with the largest quadrilateral that fits
// the truly lit area.
#pragma once

#include <string>

#include "wallsim/scene.h"

namespace wallsim::tool {

struct BoundarySurvey {
    bool ok = false;           // the engine found a boundary
    std::string error;         // its reason otherwise
    double clearance = 0;      // least distance of an outline point to unlit screen (camera pixels)
    double margin = 0;         // the margin asked for (1 % of the lit area's smaller side, camera pixels)
    double area = 0;           // outline area (square camera pixels)
    double referenceArea = 0;  // largest quadrilateral inside the true light, no margin
    double Share() const { return referenceArea > 0 ? area / referenceArea : 0; }
};

BoundarySurvey SurveyBoundary(const Scene& scene);

}  // namespace wallsim::tool
