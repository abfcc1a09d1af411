// The tables that route each frame to its decoder.
#include "wallsim/board_commands.h"
#include "wallsim/picture_decoders.h"

namespace wallsim {
namespace {

struct CommandEntry {
    std::uint8_t code;
    CommandDecoder decoder;
};

struct QueryEntry {
    std::uint8_t code;
    QueryDecoder decoder;
};

constexpr CommandEntry kCommands[] = {
    {0x11, decode::RegisterWords}, {0x12, decode::WarpBlock},    {0x17, decode::SaveStep},
    {0x18, decode::SaveStep},      {0x19, decode::SaveStep},     {0x1A, decode::SaveStep},
    {0x1B, decode::SaveStep},      {0x1C, decode::SaveStep},     {0x1D, decode::SaveStep},
    {0x1F, decode::SaveStep},      {0x20, decode::BlockPattern}, {0x21, decode::Blank},
    {0x22, decode::ClearImage},    {0x23, decode::SolidColour},  {0x24, decode::DrawLine},
    {0x25, decode::DrawLine},      {0x26, decode::BlockPattern}, {0x27, decode::GammaMode},
    {0x28, decode::GammaValue},    {0x29, decode::Correction},   {0x2A, decode::Correction},
    {0x2B, decode::Correction},
};

constexpr QueryEntry kQueries[] = {
    {0x11, decode::RegisterRead},
    {0x2C, decode::VersionPair},
    {0x2D, decode::VersionWord},
};

}  // namespace

bool ApplyCommand(BoardState& state, const ReceivedFrame& frame) {
    for (const CommandEntry& entry : kCommands)
        if (entry.code == frame.code) return entry.decoder(state, frame);
    return true;
}

std::vector<std::uint8_t> AnswerQuery(const BoardState& state, const ReceivedFrame& frame) {
    for (const QueryEntry& entry : kQueries)
        if (entry.code == frame.code) {
            std::vector<std::uint8_t> payload = entry.decoder(state, frame);
            payload.resize(frame.payload.size());  // always the length that was asked for
            return payload;
        }
    return std::vector<std::uint8_t>(frame.payload.size(), 0);
}

}  // namespace wallsim
