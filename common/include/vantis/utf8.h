// UTF-8 (and UTF-16) conversion, strict: a sequence decodes only in its shortest form
// (overlong forms such as C0 AF for '/' are malformed), never to a surrogate
// (D800-DFFF) and never above U+10FFFF. Conversions that cannot fail put
// U+FFFD in place of each malformed byte, so that text from outside (device
// names, older project files) can never smuggle a character past a check made
// on the decoded text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantis {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point of the sequence at text[position] and its length in bytes;
// empty when the sequence there is malformed or cut off.
struct Utf8Sequence {
    char32_t codePoint;
    std::size_t length;
};
std::optional<Utf8Sequence> DecodeUtf8(std::string_view text, std::size_t position);

bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of a code point (U+FFFD for a surrogate or a value
// above U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

std::u16string Utf8ToUtf16(std::string_view utf8);
// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// Wide strings hold one code point per character (32-bit wchar_t); a value
// that is no code point becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
std::u16string WideToUtf16(std::wstring_view wide);
// Lone surrogates become U+FFFD.
std::wstring Utf16ToWide(std::u16string_view utf16);

}  // namespace vantis
