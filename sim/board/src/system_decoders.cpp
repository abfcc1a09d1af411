// The save sequence and the version queries.
#include <array>

#include "wallsim/board_commands.h"

namespace wallsim::decode {
namespace {

constexpr std::array<std::uint8_t, 8> kSaveSequence = {0x18, 0x1B, 0x19, 0x17, 0x1C, 0x1A, 0x1D, 0x1F};

bool IsStep(const ReceivedFrame& frame, std::size_t step) {
    if (frame.code != kSaveSequence[step]) return false;
    if (frame.code == 0x17) return frame.payload.size() == 1 && frame.payload[0] == 0x07;
    return frame.payload.empty();
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

// The settings are stored when all eight steps arrive in order; a step out of order
// starts the sequence again (or abandons it).
bool SaveStep(BoardState& state, const ReceivedFrame& frame) {
    if (IsStep(frame, state.saveStepsSeen)) {
        if (++state.saveStepsSeen == kSaveSequence.size()) {
            ++state.savesPerformed;
            state.saveStepsSeen = 0;
        }
    } else {
        state.saveStepsSeen = IsStep(frame, 0) ? 1 : 0;
    }
    return true;
}

std::vector<std::uint8_t> VersionPair(const BoardState& state, const ReceivedFrame&) {
    std::vector<std::uint8_t> out;
    AppendLe32(out, state.versionPair[0]);
    AppendLe32(out, state.versionPair[1]);
    return out;
}

std::vector<std::uint8_t> VersionWord(const BoardState& state, const ReceivedFrame&) {
    std::vector<std::uint8_t> out;
    AppendLe32(out, state.versionWord);
    return out;
}

}  // namespace wallsim::decode
