// Panel states for the pictures the calibration photographs: black, full
// white, the centre blocks and the full block grid, and the warped picture.
#pragma once

#include <array>
#include <string>

#include "wallsim/panel.h"
#include "wallsim/scene.h"

namespace wallsim {

enum class Show { Black, White, Centre, Grid, Picture };

bool ParseShow(const std::string& name, Show* show);

// The twelve pattern values the calibration sends for a panel size (block
// size, pitch, offsets, block ranges with exclusive ends, two further values).
// False for a panel size without a pattern geometry.
bool PatternGeometry(int width, int height, bool centre, std::array<int, 12>* geometry);

// A panel state showing `show`; the lattice is the identity.
PanelState ShowState(const ProjectorSpec& projector, Show show);

}  // namespace wallsim
