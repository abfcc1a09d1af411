#include "vantis/utf8.h"

namespace vantis {
namespace {

bool IsScalarValue(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(c));
    }
}

// Calls emit(code point) for every character of UTF-8 text, U+FFFD for each
// malformed byte.
template <typename Emit>
void ForEachCodePoint(std::string_view text, Emit emit) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (const auto sequence = DecodeUtf8(text, i)) {
            emit(sequence->codePoint);
            i += sequence->length;
        } else {
            emit(kReplacementCharacter);
            ++i;
        }
    }
}

// Calls emit(code point) for every character of UTF-16 text, U+FFFD for a
// lone surrogate.
template <typename Emit>
void ForEachUtf16(std::u16string_view text, Emit emit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            emit(0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else {
            emit(IsScalarValue(c) ? c : kReplacementCharacter);
        }
    }
}

}  // namespace

std::optional<Utf8Sequence> DecodeUtf8(std::string_view text, std::size_t position) {
    if (position >= text.size()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[position]);
    std::size_t extra = 0;
    char32_t c = 0;
    if (lead < 0x80) return Utf8Sequence{lead, 1};
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        return std::nullopt;  // a continuation byte or F8-FF
    }
    if (extra >= text.size() - position) return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[position + k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kShortest[extra] || !IsScalarValue(c)) return std::nullopt;
    return Utf8Sequence{c, extra + 1};
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto sequence = DecodeUtf8(text, i);
        if (!sequence) return false;
        i += sequence->length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (!IsScalarValue(c)) c = kReplacementCharacter;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    ForEachCodePoint(utf8, [&](char32_t c) { AppendUtf16(out, c); });
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    ForEachUtf16(utf16, [&](char32_t c) { AppendUtf8(out, c); });
    return out;
}

std::wstring Utf8ToWide(std::string_view utf8) {
    static_assert(sizeof(wchar_t) == 4, "wide strings hold one code point per character");
    std::wstring out;
    out.reserve(utf8.size());
    ForEachCodePoint(utf8, [&](char32_t c) { out.push_back(static_cast<wchar_t>(c)); });
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (wchar_t c : wide) AppendUtf8(out, static_cast<char32_t>(c));
    return out;
}

std::u16string WideToUtf16(std::wstring_view wide) {
    std::u16string out;
    out.reserve(wide.size());
    for (wchar_t w : wide) {
        const auto c = static_cast<char32_t>(w);
        AppendUtf16(out, IsScalarValue(c) ? c : kReplacementCharacter);
    }
    return out;
}

std::wstring Utf16ToWide(std::u16string_view utf16) {
    std::wstring out;
    out.reserve(utf16.size());
    ForEachUtf16(utf16, [&](char32_t c) { out.push_back(static_cast<wchar_t>(c)); });
    return out;
}

}  // namespace vantis
