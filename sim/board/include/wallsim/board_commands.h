// How the simulated board carries out the frames it receives. Pure functions on
// BoardState, used by BoardServer and usable without a network.
//
// Each command code has one decoder in a table (src/board_commands.cpp); the
// decoders themselves sit in files by subject (display, registers, system), and
// new subjects add their own file and table lines.
#pragma once

#include <cstdint>
#include <vector>

#include "wallsim/board_state.h"

namespace wallsim {

// Carries out a command frame (class 0x01 or 0x00). Returns false when the board
// refuses it because its payload does not fit the command; the state is then unchanged.
// Unknown codes are accepted and change nothing.
using CommandDecoder = bool (*)(BoardState& state, const ReceivedFrame& frame);

// The payload answering a query frame (class 0x81): as long as the query's payload.
using QueryDecoder = std::vector<std::uint8_t> (*)(const BoardState& state, const ReceivedFrame& frame);

bool ApplyCommand(BoardState& state, const ReceivedFrame& frame);
std::vector<std::uint8_t> AnswerQuery(const BoardState& state, const ReceivedFrame& frame);

// The decoders, by subject.
namespace decode {
// display_decoders.cpp
bool Blank(BoardState& state, const ReceivedFrame& frame);         // 0x21
bool ClearImage(BoardState& state, const ReceivedFrame& frame);    // 0x22
bool SolidColour(BoardState& state, const ReceivedFrame& frame);   // 0x23
bool BlockPattern(BoardState& state, const ReceivedFrame& frame);  // 0x20 rectangles, 0x26 circles
bool DrawLine(BoardState& state, const ReceivedFrame& frame);      // 0x24 vertical, 0x25 horizontal
// register_decoders.cpp
bool RegisterWords(BoardState& state, const ReceivedFrame& frame);                            // 0x11
std::vector<std::uint8_t> RegisterRead(const BoardState& state, const ReceivedFrame& frame);  // query 0x11
// system_decoders.cpp
bool SaveStep(BoardState& state, const ReceivedFrame& frame);  // 0x18 0x1B 0x19 0x17 0x1C 0x1A 0x1D 0x1F
std::vector<std::uint8_t> VersionPair(const BoardState& state, const ReceivedFrame& frame);  // query 0x2C
std::vector<std::uint8_t> VersionWord(const BoardState& state, const ReceivedFrame& frame);  // query 0x2D
}  // namespace decode

}  // namespace wallsim
