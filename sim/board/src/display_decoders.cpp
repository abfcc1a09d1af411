// What the display commands do to the picture.
#include "wallsim/board_commands.h"

namespace wallsim::decode {
namespace {

std::int16_t Le16(const std::vector<std::uint8_t>& p, std::size_t at) {
    return static_cast<std::int16_t>(p[at] | (p[at + 1] << 8));
}

std::uint32_t Rgb(const std::vector<std::uint8_t>& p, std::size_t at) {
    return (std::uint32_t{p[at]} << 16) | (std::uint32_t{p[at + 1]} << 8) | p[at + 2];
}

}  // namespace

bool Blank(BoardState& state, const ReceivedFrame& frame) {
    if (frame.payload.size() != 1) return false;
    state.blanked = frame.payload[0] != 0;
    return true;
}

bool ClearImage(BoardState& state, const ReceivedFrame& frame) {
    if (!frame.payload.empty()) return false;
    state.pattern = {};
    state.lines.clear();
    return true;
}

// Payload blue, green, red, then 01 to show the colour; 00 00 00 00 removes it.
bool SolidColour(BoardState& state, const ReceivedFrame& frame) {
    const auto& p = frame.payload;
    if (p.size() != 4) return false;
    state.solidShown = p[3] != 0;
    state.solidColour =
        state.solidShown ? (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0] : 0;
    return true;
}

// Payload red, green, blue, twelve 16-bit little-endian values, one byte.
bool BlockPattern(BoardState& state, const ReceivedFrame& frame) {
    const auto& p = frame.payload;
    if (p.size() != 28) return false;
    Pattern pattern;
    pattern.kind = frame.code == 0x26 ? PatternKind::kCircle : PatternKind::kRectangle;
    pattern.colour = Rgb(p, 0);
    for (std::size_t i = 0; i < pattern.geometry.size(); ++i) pattern.geometry[i] = Le16(p, 3 + 2 * i);
    pattern.last = p[27];
    state.pattern = pattern;
    return true;
}

// Payload x, y, length (16-bit little-endian), red, green, blue.
bool DrawLine(BoardState& state, const ReceivedFrame& frame) {
    const auto& p = frame.payload;
    if (p.size() != 9) return false;
    state.lines.push_back({frame.code == 0x24, Le16(p, 0), Le16(p, 2), Le16(p, 4), Rgb(p, 6)});
    return true;
}

}  // namespace wallsim::decode
