#include "vantis/ipv4.h"

#include <charconv>

namespace vantis {

std::string FormatIpv4(std::uint32_t address) {
    std::string text;
    text.reserve(15);
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string((address >> shift) & 0xFFu);
        if (shift > 0) text += '.';
    }
    return text;
}

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    std::uint32_t result = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? text.find('.') : text.size();
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view digits = text.substr(0, end);
        if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits.front() == '0'))
            return std::nullopt;
        unsigned value = 0;
        const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (ec != std::errc() || ptr != digits.data() + digits.size() || value > 255) return std::nullopt;
        result = (result << 8) | value;
        text.remove_prefix(part < 3 ? end + 1 : end);
    }
    return result;
}

}  // namespace vantis
