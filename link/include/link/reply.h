// Replies from the board: recognising one whole frame in the bytes received, and
// judging it as an acknowledgement or as a query reply. Pure functions on byte
// buffers; the socket layer feeds them (socket_transport.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/frame.h"
#include "vantis_link_types.h"

namespace vantis::link {

enum class ReplyState {
    kIncomplete,  // the bytes so far may still become a valid frame
    kComplete,    // one whole frame: start byte, length <= 2048, end byte at 5 + L
    kMalformed,   // can no longer become a valid frame
};

struct ReplyScan {
    ReplyState state = ReplyState::kIncomplete;
    // kIncomplete: the number of bytes the frame needs at least (the whole frame once the
    // header is known). kComplete: the frame's size, L + 6. kMalformed: 0.
    std::size_t needed = 0;
};

// Looks at the first bytes of a reply. Decides as early as the bytes allow: a wrong start
// byte after one byte, a length above 2048 after five, a wrong end byte once it is there.
// Never looks past `received`.
ReplyScan ScanReply(std::span<const std::uint8_t> received);

// Collects one reply frame from bytes arriving in pieces. The reader asks Wanted() how
// many more bytes to read (never more than the frame still needs, so bytes of anything
// after the frame stay unread) and hands them to Take().
class ReplyAssembler {
  public:
    // Bytes still needed before the state can change; 0 once complete or malformed.
    std::size_t Wanted() const;
    // Where the next Wanted() bytes go; call Take(n) after writing n of them there.
    std::uint8_t* WritePosition() { return buffer_.data() + size_; }
    // Accepts n bytes written at WritePosition() (n is cut to Wanted()).
    void Take(std::size_t n);
    // Copies bytes in for as long as the frame wants more; returns how many were taken.
    std::size_t Take(std::span<const std::uint8_t> bytes);

    ReplyState state() const { return scan_.state; }
    // The whole frame once complete; the bytes so far otherwise.
    std::span<const std::uint8_t> bytes() const { return {buffer_.data(), size_}; }
    void Reset() {
        size_ = 0;
        scan_ = ScanReply({});
    }

  private:
    std::array<std::uint8_t, kMaxFrameSize> buffer_{};
    std::size_t size_ = 0;
    ReplyScan scan_ = ScanReply({});
};

// An acknowledgement: 0 when the payload is the single byte 0x01, 1 for any other single
// byte, 2 when the frame is malformed or its payload is not exactly one byte.
LinkResult JudgeAcknowledgement(std::span<const std::uint8_t> frame);

// A query reply: 0 and the payload in `payload` for a valid frame with a non-empty
// payload; 2 (payload emptied) for a malformed frame or an empty payload.
LinkResult JudgeQueryReply(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& payload);

}  // namespace vantis::link
