// The boundary a site without ground truth gets: the engine's automatic
// boundary, computed from the black photo and one white photo per projector
// that the simulated camera takes of the scene.
#pragma once

#include <string>

#include "VantisCore.h"
#include "vantis/model/document.h"
#include "wallsim/scene.h"

namespace wallsim::tool {

// Pattern type of a panel size; -1 when the engine has none.
int PatternTypeOfPanel(int width, int height);

// Photographs the scene (all black, then each projector white in channel
// order: layers, rows, columns) and runs the engine's automatic boundary.
// False with the engine's reason when it fails.
bool EngineBoundary(const Scene& scene, BoundaryGrid* boundary, std::string* error);

// Writes a boundary grid into the three point tables of the boundary record.
void SetBoundaryTables(const BoundaryGrid& boundary, CBoundaryDoc& record);

}  // namespace wallsim::tool
