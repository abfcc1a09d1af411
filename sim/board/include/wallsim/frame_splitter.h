// Splits the byte stream a board receives into frames. Bytes that cannot start a
// frame (anything before a start byte, a header with a length above 2048, a frame
// whose end byte is missing) are counted as stray and skipped one at a time, so the
// stream re-synchronises on the next start byte. The alive probe's bare 0xFF is
// such a stray byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "wallsim/board_state.h"

namespace wallsim {

class FrameSplitter {
  public:
    void Feed(std::span<const std::uint8_t> bytes);
    // The next whole frame, or nullopt until more bytes arrive.
    std::optional<ReceivedFrame> Next();
    // Stray bytes skipped since the last call.
    std::size_t TakeStrayCount();
    std::size_t buffered() const { return buffer_.size() - start_; }

  private:
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
    std::size_t stray_ = 0;
};

}  // namespace wallsim
