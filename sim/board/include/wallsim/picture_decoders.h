// Decoders for the warp download, the resampling filters, edge blending, blend
// gamma and the picture corrections. They keep the picture members of
// BoardState (picture_state.h) up to date; board_commands.cpp routes frames to
// them.
#pragma once

#include <cstdint>

#include "wallsim/board_state.h"

namespace wallsim::decode {

bool WarpBlock(BoardState& state, const ReceivedFrame& frame);   // 0x12: 1024 bytes, two lattice rows
bool GammaMode(BoardState& state, const ReceivedFrame& frame);   // 0x27: one byte
bool GammaValue(BoardState& state, const ReceivedFrame& frame);  // 0x28: 16-bit little-endian, hundredths
bool Correction(BoardState& state, const ReceivedFrame& frame);  // 0x29, 0x2A, 0x2B: one byte, non-zero on

// Called for every register word a batch writes (after the register holds the
// value), in order: the warp transfer control, pointer and data port, and the
// filter control.
void PictureRegisterWritten(BoardState& state, std::uint8_t page, std::uint8_t reg, std::uint8_t value);

// Called after a whole register batch frame was applied: the blend zones and
// the corrections are read again from their registers.
void PictureRegistersApplied(BoardState& state);

}  // namespace wallsim::decode
