// The size a picture file claims in its header, read before any decoder runs.
//
// A forged header (a few hundred bytes claiming 30000 x 30000 pixels) makes an
// image decoder allocate gigabytes before it finds the data missing. Every
// picture that comes from outside (camera photos, test pictures) is checked
// here first: only formats whose header this reader understands are accepted,
// so nothing reaches a decoder unchecked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vantis {

enum class PictureFormat { kUnknown, kBmp, kPng, kJpeg, kPnm };

struct PictureHeader {
    PictureFormat format = PictureFormat::kUnknown;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Recognises BMP, PNG, JPEG and PNM (P1-P6) by their content, whatever the file
// is called, and reads the picture size from the header. format stays kUnknown
// when the bytes are none of these or the header is cut short or damaged.
PictureHeader ReadPictureHeader(std::span<const std::uint8_t> bytes);

// True when the header is understood and claims a size of at least 1 x 1 and at
// most maxPixels pixels (width and height each too).
bool PictureSizeAcceptable(std::span<const std::uint8_t> bytes, std::int64_t maxPixels);

}  // namespace vantis
