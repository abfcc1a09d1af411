// Fuzz target for the simulated board's decoders: the warp blocks, filters, blend
// zones, gamma, corrections and the display, register and save commands. The
// input is a list of frames, each as class selector, code, payload length (two
// bytes, little-endian, at most 2048) and payload, so that every decoder is
// reached without first guessing the frame syntax; the raw bytes also go
// through the frame splitter once. Every frame is carried out on one board
// state, as a board that receives them in a row would.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "wallsim/board_commands.h"
#include "wallsim/frame_splitter.h"

namespace {

void Carry(wallsim::BoardState& state, const wallsim::ReceivedFrame& frame) {
    if (frame.frameClass == 0x81) {
        const std::vector<std::uint8_t> answer = wallsim::AnswerQuery(state, frame);
        (void)answer;
    } else {
        (void)wallsim::ApplyCommand(state, frame);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::uint8_t kClasses[3] = {0x01, 0x81, 0x00};
    wallsim::BoardState state;
    std::size_t at = 0;
    while (at + 4 <= size) {
        wallsim::ReceivedFrame frame;
        frame.frameClass = kClasses[data[at] % 3];
        frame.code = data[at + 1];
        const std::size_t wanted = std::min<std::size_t>(2048, data[at + 2] | std::size_t{data[at + 3]} << 8);
        at += 4;
        const std::size_t length = std::min(wanted, size - at);
        frame.payload.assign(data + at, data + at + length);
        at += length;
        Carry(state, frame);
    }

    wallsim::BoardState raw;
    wallsim::FrameSplitter splitter;
    splitter.Feed(std::span<const std::uint8_t>(data, size));
    while (std::optional<wallsim::ReceivedFrame> frame = splitter.Next()) Carry(raw, *frame);
    (void)splitter.TakeStrayCount();
    return 0;
}
