#include "vantis/archive.h"

#include <bit>
#include <cstring>
#include <string>

namespace vantis {

static_assert(std::endian::native == std::endian::little, "the archive assumes a little-endian host");

Archive Archive::ForStoring() {
    Archive ar;
    ar.storing_ = true;
    return ar;
}

Archive Archive::ForLoading(std::span<const std::uint8_t> bytes) {
    Archive ar;
    ar.storing_ = false;
    ar.in_ = bytes;
    return ar;
}

void Archive::Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
}

bool Archive::Take(void* data, std::size_t size) {
    if (!error_.empty()) return false;
    if (size > remaining()) {
        Fail("file ends early at byte " + std::to_string(pos_) + " reading " + context_ + " (needs " +
             std::to_string(size) + " bytes, " + std::to_string(remaining()) + " left)");
        return false;
    }
    std::memcpy(data, in_.data() + pos_, size);
    pos_ += size;
    return true;
}

bool Archive::GetU16(std::uint16_t& v) {
    return Take(&v, 2);
}
bool Archive::GetU32(std::uint32_t& v) {
    return Take(&v, 4);
}
bool Archive::GetU64(std::uint64_t& v) {
    return Take(&v, 8);
}

bool Archive::ExpectItems(std::uint64_t count, std::uint64_t minBytesEach, const char* what) {
    if (!error_.empty()) return false;
    if (minBytesEach != 0 && count > remaining() / minBytesEach) {
        Fail(std::string("corrupt count ") + std::to_string(count) + " for " + what + " at byte " +
             std::to_string(pos_) + ": only " + std::to_string(remaining()) + " bytes left");
        return false;
    }
    return true;
}

void Archive::PutBytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
}
void Archive::PutU16(std::uint16_t v) {
    PutBytes(&v, 2);
}
void Archive::PutU32(std::uint32_t v) {
    PutBytes(&v, 4);
}
void Archive::PutU64(std::uint64_t v) {
    PutBytes(&v, 8);
}

void Archive::Bool(bool& value) {
    if (storing_) {
        PutU8(value ? 1 : 0);
    } else if (std::uint8_t b; GetU8(b)) {
        value = b != 0;
    }
}

void Archive::Byte(std::uint8_t& value) {
    if (storing_) {
        PutU8(value);
    } else if (std::uint8_t b; GetU8(b)) {
        value = b;
    }
}

void Archive::Int(std::int32_t& value) {
    if (storing_) {
        PutBytes(&value, 4);
    } else if (std::int32_t v; Take(&v, 4)) {
        value = v;
    }
}

void Archive::UInt(std::uint32_t& value) {
    if (storing_) {
        PutU32(value);
    } else if (std::uint32_t v; GetU32(v)) {
        value = v;
    }
}

void Archive::Pair(std::int32_t& first, std::int32_t& second) {
    std::int32_t block[2] = {first, second};
    if (storing_) {
        PutBytes(block, 8);
    } else if (Take(block, 8)) {
        first = block[0];
        second = block[1];
    }
}

void Archive::Double(double& value) {
    if (storing_) {
        PutBytes(&value, 8);
    } else if (double v; Take(&v, 8)) {
        value = v;
    }
}

void Archive::Raw32(float& value) {
    if (storing_) {
        PutBytes(&value, 4);
    } else if (float v; Take(&v, 4)) {
        value = v;
    }
}

void Archive::WriteString(std::u16string_view text) {
    PutU8(0xFF);
    PutU16(0xFFFE);
    const std::uint64_t n = text.size();
    if (n < 0xFF) {
        PutU8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        PutU8(0xFF);
        PutU16(static_cast<std::uint16_t>(n));
    } else {
        PutU8(0xFF);
        PutU16(0xFFFF);
        if (n < 0xFFFFFFFFu) {
            PutU32(static_cast<std::uint32_t>(n));
        } else {
            PutU32(0xFFFFFFFFu);
            PutU64(n);
        }
    }
    for (char16_t c : text) PutU16(static_cast<std::uint16_t>(c));
}

// The count forms: one byte below 0xFF; else a word below 0xFFFF (0xFFFE
// first announces UTF-16 and the count starts over); else a dword below
// 0xFFFFFFFF; else a qword.
bool Archive::ReadCount(std::uint64_t& count, bool& wide) {
    wide = false;
    std::uint8_t b = 0;
    if (!GetU8(b)) return false;
    if (b < 0xFF) {
        count = b;
        return true;
    }
    std::uint16_t w = 0;
    if (!GetU16(w)) return false;
    if (w == 0xFFFE) {
        wide = true;
        if (!GetU8(b)) return false;
        if (b < 0xFF) {
            count = b;
            return true;
        }
        if (!GetU16(w)) return false;
    }
    if (w < 0xFFFF) {
        count = w;
        return true;
    }
    std::uint32_t d = 0;
    if (!GetU32(d)) return false;
    if (d < 0xFFFFFFFFu) {
        count = d;
        return true;
    }
    std::uint64_t q = 0;
    if (!GetU64(q)) return false;
    count = q;
    return true;
}

namespace {

// Narrow strings in older files: UTF-8 when they are valid UTF-8, otherwise
// each byte is taken as one Latin-1 character.
std::u16string DecodeNarrow(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return Utf8ToUtf16(bytes);
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

bool Archive::ReadString(std::u16string& text) {
    std::uint64_t count = 0;
    bool wide = false;
    if (!ReadCount(count, wide)) return false;
    if (!ExpectItems(count, wide ? 2 : 1, context_)) return false;
    if (wide) {
        std::u16string s(static_cast<std::size_t>(count), u'\0');
        for (auto& c : s) {
            std::uint16_t u = 0;
            GetU16(u);
            c = static_cast<char16_t>(u);
        }
        text = std::move(s);
    } else {
        std::string bytes(static_cast<std::size_t>(count), '\0');
        Take(bytes.data(), bytes.size());
        text = DecodeNarrow(bytes);
    }
    return ok();
}

void Archive::String(std::string& utf8) {
    if (storing_) {
        WriteString(Utf8ToUtf16(utf8));
    } else if (std::u16string s; ReadString(s)) {
        utf8 = Utf16ToUtf8(s);
    }
}

void Archive::WideString(std::wstring& text) {
    if (storing_) {
        WriteString(WideToUtf16(text));
    } else if (std::u16string s; ReadString(s)) {
        text = Utf16ToWide(s);
    }
}

}  // namespace vantis
