// The binary archive stream of project files.
//
// One class both writes and reads, so that every record has a single
// Serialize(Archive&) that lists its fields once, in file order, for both
// directions. The encoding is little-endian and unaligned throughout: a bool is
// one byte, an int four, a pair two ints, a double eight, and a string is a
// count followed by characters (see WriteString).
//
// Reading never runs past the data: every read is checked against the bytes
// that remain. The first failure is remembered with the offset and the field
// being read, every later read yields zero and changes nothing, and the caller
// asks ok()/error() once at the end. Nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vantis/utf8.h"

namespace vantis {

class Archive {
  public:
    // An archive that stores into its own byte buffer.
    static Archive ForStoring();
    // An archive that loads from bytes the caller keeps alive.
    static Archive ForLoading(std::span<const std::uint8_t> bytes);

    bool IsStoring() const { return storing_; }
    bool IsLoading() const { return !storing_; }

    // Symmetric transfers: written when storing, read into the argument when
    // loading. A failed read leaves the argument unchanged.
    void Bool(bool& value);                                // 1 byte; any non-zero byte reads as true
    void Byte(std::uint8_t& value);                        // 1 byte
    void Int(std::int32_t& value);                         // 4 bytes
    void UInt(std::uint32_t& value);                       // 4 bytes
    void Pair(std::int32_t& first, std::int32_t& second);  // 8 bytes, one block
    void Double(double& value);                            // 8 bytes, IEEE 754 binary64
    void Raw32(float& value);                              // the float's 4 bytes as they are
    // Strings: UTF-8 (narrow) or wide in memory, UTF-16 on disk.
    void String(std::string& utf8);
    void WideString(std::wstring& text);

    // Storing: the bytes written so far.
    const std::vector<std::uint8_t>& bytes() const { return out_; }
    std::vector<std::uint8_t> TakeBytes() { return std::move(out_); }

    // Loading.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    std::size_t offset() const { return pos_; }
    std::size_t remaining() const { return in_.size() - pos_; }
    bool AtEnd() const { return pos_ == in_.size(); }
    // Checks that count items of at least minBytesEach bytes could still follow;
    // on failure records an error naming what and returns false. Callers use it
    // before allocating for a count read from the data.
    bool ExpectItems(std::uint64_t count, std::uint64_t minBytesEach, const char* what);
    // Records a failure (only the first one is kept).
    void Fail(std::string message);
    // Names the field being transferred, for error messages.
    void SetContext(const char* what) { context_ = what; }

    // Low-level writes, used by the transfers and by tests.
    void PutBytes(const void* data, std::size_t size);
    void PutU8(std::uint8_t v) { PutBytes(&v, 1); }
    void PutU16(std::uint16_t v);
    void PutU32(std::uint32_t v);
    void PutU64(std::uint64_t v);
    // Writes the string form: byte 0xFF, word 0xFFFE (UTF-16 marker), the
    // count in its shortest form, then the UTF-16 code units.
    void WriteString(std::u16string_view text);
    // Reads either string form: UTF-16 with the marker, or the narrow form
    // (count, then single-byte characters, widened one byte per unit).
    // Returns false (and records the failure) when the data ends early.
    bool ReadString(std::u16string& text);

  private:
    Archive() = default;
    bool Take(void* data, std::size_t size);
    bool GetU8(std::uint8_t& v) { return Take(&v, 1); }
    bool GetU16(std::uint16_t& v);
    bool GetU32(std::uint32_t& v);
    bool GetU64(std::uint64_t& v);
    bool ReadCount(std::uint64_t& count, bool& wide);

    bool storing_ = true;
    std::vector<std::uint8_t> out_;
    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
    std::string error_;
    const char* context_ = "";
};

// Records kept in project files write and read themselves with Serialize,
// listing their fields once, in file order.
class Serializable {
  public:
    virtual ~Serializable() = default;
    virtual void Serialize(Archive& ar) = 0;
};

}  // namespace vantis
