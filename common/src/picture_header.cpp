#include "vantis/picture_header.h"

#include <algorithm>

namespace vantis {
namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint32_t Le16(Bytes b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8;
}
std::uint32_t Be16(Bytes b, std::size_t at) {
    return std::uint32_t{b[at]} << 8 | std::uint32_t{b[at + 1]};
}
std::uint32_t Le32(Bytes b, std::size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}
std::uint32_t Be32(Bytes b, std::size_t at) {
    return Be16(b, at) << 16 | Be16(b, at + 2);
}

PictureHeader Bmp(Bytes b) {
    if (b.size() < 26) return {};
    const std::uint32_t headerSize = Le32(b, 14);
    if (headerSize == 12) return {PictureFormat::kBmp, Le16(b, 18), Le16(b, 20)};  // old 16-bit header
    const std::int64_t width = static_cast<std::int32_t>(Le32(b, 18));
    const std::int64_t height = static_cast<std::int32_t>(Le32(b, 22));  // negative: rows top-down
    return {PictureFormat::kBmp, width, height < 0 ? -height : height};
}

PictureHeader Png(Bytes b) {
    // The first chunk must be the image header.
    if (b.size() < 24 || b[12] != 'I' || b[13] != 'H' || b[14] != 'D' || b[15] != 'R') return {};
    return {PictureFormat::kPng, Be32(b, 16), Be32(b, 20)};
}

bool IsStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

PictureHeader Jpeg(Bytes b) {
    // Markers from the start of the picture to the first frame header, skipping each
    // segment by its length. Scan data or the end before a frame header: no size.
    std::size_t at = 2;
    while (at < b.size()) {
        if (b[at] != 0xFF) return {};
        while (at < b.size() && b[at] == 0xFF) ++at;  // fill bytes
        if (at >= b.size()) return {};
        const std::uint8_t marker = b[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // markers without a segment
        if (marker == 0xD9 || marker == 0xDA) return {};
        if (at + 2 > b.size()) return {};
        const std::size_t length = Be16(b, at);
        if (length < 2) return {};
        if (IsStartOfFrame(marker)) {
            if (length < 8 || at + 7 > b.size()) return {};
            return {PictureFormat::kJpeg, Be16(b, at + 5), Be16(b, at + 3)};
        }
        at += length;
    }
    return {};
}

bool IsPnmSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A decimal number of the PNM header after white space and comments.
bool PnmNumber(Bytes b, std::size_t& at, std::int64_t& value) {
    for (;;) {
        while (at < b.size() && IsPnmSpace(b[at])) ++at;
        if (at < b.size() && b[at] == '#') {
            while (at < b.size() && b[at] != '\n' && b[at] != '\r') ++at;
            continue;
        }
        break;
    }
    const std::size_t first = at;
    value = 0;
    while (at < b.size() && b[at] >= '0' && b[at] <= '9') {
        if (at - first >= 10) return false;  // more digits than any acceptable size has
        value = value * 10 + (b[at] - '0');
        ++at;
    }
    // The decoder takes the byte after a number as its end, whatever it is: "640#1 480"
    // would be 640 x 1 here but 640 x 1480 there. Only white space may end a number,
    // so that both read the same size.
    if (at == first || at >= b.size() || !IsPnmSpace(b[at])) return false;
    ++at;
    return true;
}

PictureHeader Pnm(Bytes b) {
    std::size_t at = 2;
    std::int64_t width = 0, height = 0;
    if (!PnmNumber(b, at, width) || !PnmNumber(b, at, height)) return {};
    return {PictureFormat::kPnm, width, height};
}

}  // namespace

PictureHeader ReadPictureHeader(Bytes b) {
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return Bmp(b);
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (b.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, b.begin())) return Png(b);
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return Jpeg(b);
    if (b.size() >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6') return Pnm(b);
    return {};
}

bool PictureSizeAcceptable(Bytes bytes, std::int64_t maxPixels) {
    const PictureHeader h = ReadPictureHeader(bytes);
    if (h.format == PictureFormat::kUnknown) return false;
    return h.width > 0 && h.height > 0 && h.width <= maxPixels / h.height;
}

}  // namespace vantis
