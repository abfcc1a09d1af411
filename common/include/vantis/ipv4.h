// IPv4 addresses as the project keeps them: one 32-bit value with the first
// octet in the top byte (192.168.0.11 is 0xC0A8000B).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantis {

// "a.b.c.d" in decimal, first octet from the top byte.
std::string FormatIpv4(std::uint32_t address);

// A dotted quad and nothing else: four decimal parts of one to three digits,
// each 0 to 255, without signs, spaces or leading zeros ("010" would be octal
// to some parsers, so it is refused rather than guessed). Empty when the text
// is anything else.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);

}  // namespace vantis
