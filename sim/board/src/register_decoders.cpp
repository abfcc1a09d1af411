// Register batches and register reads.
#include "wallsim/board_commands.h"
#include "wallsim/picture_decoders.h"

namespace wallsim::decode {

// Words (register, value); register 0x00 selects the page for the words after it.
bool RegisterWords(BoardState& state, const ReceivedFrame& frame) {
    const auto& p = frame.payload;
    if (p.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < p.size(); i += 2) {
        if (p[i] == 0x00) {
            state.selectedPage = p[i + 1];
            continue;
        }
        state.registers[state.selectedPage][p[i]] = p[i + 1];
        state.registerWrites.push_back({state.selectedPage, p[i], p[i + 1]});
        PictureRegisterWritten(state, state.selectedPage, p[i], p[i + 1]);
    }
    PictureRegistersApplied(state);
    return true;
}

// Words (register, 00) of the selected page; the answer carries (register, value).
std::vector<std::uint8_t> RegisterRead(const BoardState& state, const ReceivedFrame& frame) {
    std::vector<std::uint8_t> answer;
    const auto& p = frame.payload;
    for (std::size_t i = 0; i + 1 < p.size(); i += 2) {
        answer.push_back(p[i]);
        answer.push_back(state.registers[state.selectedPage][p[i]]);
    }
    return answer;
}

}  // namespace wallsim::decode
