#include "link/reply.h"

#include "link/result.h"

#include <algorithm>

namespace vantis::link {

ReplyScan ScanReply(std::span<const std::uint8_t> received) {
    if (received.empty()) return {ReplyState::kIncomplete, 1};
    if (received[0] != kStartByte) return {ReplyState::kMalformed, 0};
    if (received.size() < kHeaderSize) return {ReplyState::kIncomplete, kHeaderSize};
    const std::size_t length = (std::size_t{received[3]} << 8) | received[4];
    if (length > kMaxPayload) return {ReplyState::kMalformed, 0};
    const std::size_t total = kHeaderSize + length + 1;
    if (received.size() < total) return {ReplyState::kIncomplete, total};
    if (received[total - 1] != kEndByte) return {ReplyState::kMalformed, 0};
    return {ReplyState::kComplete, total};
}

std::size_t ReplyAssembler::Wanted() const {
    if (scan_.state != ReplyState::kIncomplete) return 0;
    return scan_.needed > size_ ? scan_.needed - size_ : 0;
}

void ReplyAssembler::Take(std::size_t n) {
    size_ += std::min(n, Wanted());
    scan_ = ScanReply(bytes());
}

std::size_t ReplyAssembler::Take(std::span<const std::uint8_t> bytes) {
    std::size_t taken = 0;
    while (taken < bytes.size() && Wanted() > 0) {
        const std::size_t n = std::min(bytes.size() - taken, Wanted());
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(taken), n, WritePosition());
        Take(n);
        taken += n;
    }
    return taken;
}

namespace {

// The payload of a complete frame, or an empty span with ok = false.
bool PayloadOf(std::span<const std::uint8_t> frame, std::span<const std::uint8_t>& payload) {
    const ReplyScan scan = ScanReply(frame);
    if (scan.state != ReplyState::kComplete) return false;
    payload = frame.subspan(kHeaderSize, scan.needed - kHeaderSize - 1);
    return true;
}

}  // namespace

LinkResult JudgeAcknowledgement(std::span<const std::uint8_t> frame) {
    std::span<const std::uint8_t> payload;
    if (!PayloadOf(frame, payload) || payload.size() != 1) return kMalformed;
    return payload[0] == 0x01 ? kOk : kRefused;
}

LinkResult JudgeQueryReply(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& out) {
    out.clear();
    std::span<const std::uint8_t> payload;
    if (!PayloadOf(frame, payload) || payload.empty()) return kMalformed;
    out.assign(payload.begin(), payload.end());
    return kOk;
}

}  // namespace vantis::link
