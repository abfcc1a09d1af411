// The road of a warp grid into a board: the model's source-map conversion,
// the link's fixed-point lattice, and the lattice as the board decodes it.
#pragma once

#include "VantisCore.h"
#include "wallsim/panel.h"

namespace vantiscore::wall {

// False when this build lacks the model or the link conversion.
bool LatticeChainAvailable();

// The board lattice (panel position -> input-picture position) that a board
// holds after the calibration downloads this warp grid; the identity lattice
// when the conversion refuses the grid or this build lacks it.
wallsim::SourceLattice DownloadedLattice(const WarpGrid& warp, const PatternInfo& info);

}  // namespace vantiscore::wall
