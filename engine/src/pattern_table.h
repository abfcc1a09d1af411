// Pattern geometry for the engine's own steps.
#pragma once

#include "VantisCore.h"

namespace vantiscore {

// True for the panel types 0 to 4, which have a geometry.
bool IsKnownPatternType(PatternType type);

// The record AutoWarpGetPatternInfo returns.
PatternInfo PatternInfoFor(bool engineBoardGrid, PatternType type);

}  // namespace vantiscore
