#include "link/frame.h"

#include <algorithm>

namespace vantis::link {

Frame::Frame(std::uint8_t frameClass, std::uint8_t code) {
    buffer_[0] = kStartByte;
    buffer_[1] = frameClass;
    buffer_[2] = code;
}

bool Frame::Append(std::uint8_t byte) {
    if (payload_ >= kMaxPayload) return false;
    buffer_[kHeaderSize + payload_++] = byte;
    return true;
}

bool Frame::Append(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > space()) return false;
    std::copy(bytes.begin(), bytes.end(),
              buffer_.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + payload_));
    payload_ += bytes.size();
    return true;
}

bool Frame::AppendZeros(std::size_t count) {
    if (count > space()) return false;
    std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + payload_), count,
                std::uint8_t{0});
    payload_ += count;
    return true;
}

bool Frame::AppendLe16(std::uint32_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    return Append(bytes);
}

bool Frame::AppendRgb(std::uint32_t colour) {
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(colour >> 16),
                                   static_cast<std::uint8_t>(colour >> 8), static_cast<std::uint8_t>(colour)};
    return Append(bytes);
}

bool Frame::AppendBgr(std::uint32_t colour) {
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
                                   static_cast<std::uint8_t>(colour >> 16)};
    return Append(bytes);
}

std::span<const std::uint8_t> Frame::Close() {
    buffer_[3] = static_cast<std::uint8_t>(payload_ >> 8);
    buffer_[4] = static_cast<std::uint8_t>(payload_);
    buffer_[kHeaderSize + payload_] = kEndByte;
    return {buffer_.data(), kHeaderSize + payload_ + 1};
}

}  // namespace vantis::link
