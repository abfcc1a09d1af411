// Register writes and reads.
//
// Most board settings are 8-bit registers in pages of 256. They travel as two-byte
// words (register, value). The word (0x00, p) selects page p; the words after it
// address registers of that page. A RegisterSpec names up to four consecutive
// registers; a value spread over several registers is little-endian (lowest byte
// to the first register).
//
// RegisterBatch packs groups of words into command frames of code 0x11:
//   - every group starts with its page word (0x00, p);
//   - whenever the payload reaches 1024 bytes (512 words) the frame is sent at once,
//     even in the middle of a group, and the rest of the group continues in a fresh
//     frame WITHOUT repeating the page word;
//   - a group written with `final` pads the words with (0x00, p) up to a multiple of
//     16 words and sends them.
// The first failing exchange ends the operation: its result is returned and the
// words not yet sent are dropped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/exchanger.h"
#include "link/frame.h"
#include "vantis_link_types.h"

namespace vantis::link {

inline constexpr std::uint8_t kRegisterCode = 0x11;  // register words (command) / read (query)
inline constexpr std::uint8_t kControlPage = 0xFF;
inline constexpr std::size_t kBatchFlushBytes = 1024;  // payload size that is sent at once
inline constexpr std::size_t kBatchPadWords = 16;      // final flush pads to a multiple of this

struct RegisterSpec {
    std::uint8_t page = 0;
    std::uint8_t first = 0;  // first register
    std::uint8_t count = 1;  // consecutive registers, 1..4

    // The 24-bit form: page in bits 16-23, first register in bits 8-15, count in bits 0-7.
    static constexpr RegisterSpec FromCode(std::uint32_t code) {
        return {static_cast<std::uint8_t>(code >> 16), static_cast<std::uint8_t>(code >> 8),
                static_cast<std::uint8_t>(code)};
    }
    constexpr std::uint32_t code() const {
        return (std::uint32_t{page} << 16) | (std::uint32_t{first} << 8) | count;
    }
};

class RegisterBatch {
  public:
    explicit RegisterBatch(Exchanger& link) : link_(link) {}

    // Appends one group: the page word, then `count` words carrying the bytes of `value`
    // (byte i to register first + i, modulo 256; bytes beyond the fourth are 0). Sends the
    // frame each time it reaches 1024 bytes; with `final`, pads and sends what is left.
    // 0, or the result of the first exchange that failed (the batch is then emptied).
    LinkResult Write(RegisterSpec spec, std::uint32_t value, bool final = false);

    // Pads the pending words with page-select words of the current page to a multiple of
    // 16 and sends them. Nothing is sent when no words are pending.
    LinkResult Flush();

    // Drops the pending words without sending them.
    void Discard() { frame_.ClearPayload(); }

    std::size_t pending_words() const { return frame_.payload_size() / 2; }
    std::uint8_t page() const { return page_; }

  private:
    LinkResult AppendWord(std::uint8_t address, std::uint8_t value);
    LinkResult SendPending();

    Exchanger& link_;
    Frame frame_ = Frame::Command(kRegisterCode);
    std::uint8_t page_ = 0;
};

// Reads spec.count (1..4, clamped) registers: selects the page with the one-word frame
// FE 01 11 00 02 00 p FF (its result is ignored), then queries FE 81 11 <2n> (a + i, 00)...
// FF. `value` is the little-endian combination of the value bytes of the reply's words.
// On failure `value` is 0 and the exchange's result is returned; a reply with fewer than
// n words gives 2. Pending words of any batch are not touched: flush before reading.
LinkResult ReadRegisters(Exchanger& link, RegisterSpec spec, std::uint32_t& value);

}  // namespace vantis::link
