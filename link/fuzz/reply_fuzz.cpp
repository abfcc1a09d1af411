// Fuzz target for the reply parser: arbitrary bytes arrive in arbitrary pieces and are
// judged as an acknowledgement and as a query reply. The first input byte chooses the
// piece sizes. Checks that the parser never takes more than a frame, never reads out of
// bounds and agrees with itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/reply.h"
#include "link/result.h"

using namespace vantis::link;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 16;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    ReplyAssembler assembler;
    std::size_t offset = 0;
    while (assembler.Wanted() > 0 && offset < stream.size()) {
        const std::size_t n = std::min(piece, stream.size() - offset);
        const std::size_t taken = assembler.Take(stream.subspan(offset, n));
        if (taken == 0) std::abort();  // wanting bytes but taking none would hang a reader
        offset += taken;
    }

    const ReplyScan whole = ScanReply(stream);
    const ReplyScan assembled = ScanReply(assembler.bytes());
    if (assembled.state != assembler.state()) std::abort();
    if (assembler.state() == ReplyState::kComplete) {
        if (whole.state != ReplyState::kComplete || whole.needed != assembler.bytes().size()) std::abort();
        if (assembler.bytes().size() > kMaxFrameSize) std::abort();
    }
    if (whole.state == ReplyState::kMalformed && assembler.state() != ReplyState::kMalformed) std::abort();

    std::vector<std::uint8_t> payload;
    const LinkResult query = JudgeQueryReply(assembler.bytes(), payload);
    const LinkResult ack = JudgeAcknowledgement(assembler.bytes());
    if (query != kOk && query != kMalformed) std::abort();
    if (ack != kOk && ack != kRefused && ack != kMalformed) std::abort();
    if (query == kOk && (payload.empty() || payload.size() + 6 != assembler.bytes().size())) std::abort();
    if (ack != kMalformed && (query != kOk || payload.size() != 1)) std::abort();
    return 0;
}
