#include "wallsim/frame_splitter.h"

namespace wallsim {
namespace {

constexpr std::uint8_t kStart = 0xFE;
constexpr std::uint8_t kEnd = 0xFF;
constexpr std::size_t kHeader = 5;
constexpr std::size_t kMaxPayload = 2048;

}  // namespace

void FrameSplitter::Feed(std::span<const std::uint8_t> bytes) {
    if (start_ > 0 && start_ >= buffer_.size() / 2) {  // drop what has been consumed
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<ReceivedFrame> FrameSplitter::Next() {
    for (;;) {
        while (start_ < buffer_.size() && buffer_[start_] != kStart) {
            ++start_;
            ++stray_;
        }
        const std::size_t available = buffer_.size() - start_;
        if (available < kHeader) return std::nullopt;
        const std::uint8_t* frame = buffer_.data() + start_;
        const std::size_t length = (std::size_t{frame[3]} << 8) | frame[4];
        if (length > kMaxPayload) {
            ++start_;
            ++stray_;
            continue;
        }
        if (available < kHeader + length + 1) return std::nullopt;
        if (frame[kHeader + length] != kEnd) {
            ++start_;
            ++stray_;
            continue;
        }
        ReceivedFrame out;
        out.frameClass = frame[1];
        out.code = frame[2];
        out.payload.assign(frame + kHeader, frame + kHeader + length);
        start_ += kHeader + length + 1;
        return out;
    }
}

std::size_t FrameSplitter::TakeStrayCount() {
    const std::size_t n = stray_;
    stray_ = 0;
    return n;
}

}  // namespace wallsim
