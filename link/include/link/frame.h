// Request frames of the engine-board protocol.
//
//   offset 0      start byte 0xFE
//   offset 1      class: 0x01 command (acknowledged), 0x81 query (answered with data)
//   offset 2      command code
//   offset 3-4    payload length L, big-endian, 0..2048
//   offset 5      L payload bytes (multi-byte values little-endian unless a command says otherwise)
//   offset 5+L    end byte 0xFF
//
// Frame builds one such frame in its own fixed buffer, without any I/O, so that
// the exact bytes of every command can be checked without a network.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vantis::link {

inline constexpr std::uint8_t kStartByte = 0xFE;
inline constexpr std::uint8_t kEndByte = 0xFF;
inline constexpr std::uint8_t kClassCommand = 0x01;
inline constexpr std::uint8_t kClassQuery = 0x81;
inline constexpr std::size_t kHeaderSize = 5;
inline constexpr std::size_t kMaxPayload = 2048;
inline constexpr std::size_t kMaxFrameSize = kHeaderSize + kMaxPayload + 1;  // 2054
inline constexpr std::uint16_t kBoardPort = 1688;

class Frame {
  public:
    Frame(std::uint8_t frameClass, std::uint8_t code);

    static Frame Command(std::uint8_t code) { return Frame(kClassCommand, code); }
    static Frame Query(std::uint8_t code) { return Frame(kClassQuery, code); }

    std::uint8_t frame_class() const { return buffer_[1]; }
    std::uint8_t code() const { return buffer_[2]; }
    std::size_t payload_size() const { return payload_; }
    std::size_t space() const { return kMaxPayload - payload_; }
    std::span<const std::uint8_t> payload() const { return {buffer_.data() + kHeaderSize, payload_}; }

    // Each Append returns false and appends nothing when the payload would pass 2048 bytes.
    bool Append(std::uint8_t byte);
    bool Append(std::span<const std::uint8_t> bytes);
    bool AppendZeros(std::size_t count);
    // The low 16 bits of `value`, least significant byte first.
    bool AppendLe16(std::uint32_t value);
    // A 0x00RRGGBB colour as red, green, blue (pattern and line commands).
    bool AppendRgb(std::uint32_t colour);
    // A 0x00RRGGBB colour as blue, green, red (the solid-colour command).
    bool AppendBgr(std::uint32_t colour);

    // Drops the payload; class and code stay.
    void ClearPayload() { payload_ = 0; }

    // The complete frame: header with the payload length, payload, end byte. The view
    // stays valid until the frame is changed or destroyed.
    std::span<const std::uint8_t> Close();

  private:
    std::array<std::uint8_t, kMaxFrameSize> buffer_{};
    std::size_t payload_ = 0;
};

}  // namespace vantis::link
