// What a simulated engine board shows, as the optics need it: the panel state
// of a board's decoded state.
#pragma once

#include "wallsim/board_state.h"
#include "wallsim/panel.h"

namespace wallsim {

PanelState PanelStateFromBoard(const BoardState& board, int width, int height);

}  // namespace wallsim
