// Picture sizes read from headers, before decoding: forged sizes, every format
// recognised by content, damaged headers refused.
#include "vantis/picture_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantis {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Bmp(std::int32_t width, std::int32_t height) {
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[14] = 40;
    for (int i = 0; i < 4; ++i) {
        b[18 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(width) >> (8 * i));
        b[22 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(height) >> (8 * i));
    }
    return b;
}

Bytes Png(std::uint32_t width, std::uint32_t height) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {width, height})
        for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    b.insert(b.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
    return b;
}

// Start of picture, an application segment, then a baseline frame header.
Bytes Jpeg(std::uint16_t width, std::uint16_t height, std::uint8_t frameMarker = 0xC0) {
    Bytes b = {0xFF,
               0xD8,
               0xFF,
               0xE0,
               0x00,
               0x10,
               'J',
               'F',
               'I',
               'F',
               0,
               1,
               1,
               0,
               0,
               1,
               0,
               1,
               0,
               0,
               0xFF,
               0xFF,
               frameMarker,
               0x00,
               0x11,
               0x08,
               static_cast<std::uint8_t>(height >> 8),
               static_cast<std::uint8_t>(height),
               static_cast<std::uint8_t>(width >> 8),
               static_cast<std::uint8_t>(width),
               0x03};
    b.resize(b.size() + 9, 0x11);
    return b;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

constexpr std::int64_t kLimit = 64ll * 1024 * 1024;

TEST(PictureHeader, SizesOfEveryFormat) {
    auto check = [](const Bytes& b, PictureFormat format, std::int64_t w, std::int64_t h) {
        const PictureHeader header = ReadPictureHeader(b);
        EXPECT_EQ(header.format, format);
        EXPECT_EQ(header.width, w);
        EXPECT_EQ(header.height, h);
    };
    check(Bmp(1920, 1080), PictureFormat::kBmp, 1920, 1080);
    check(Bmp(640, -480), PictureFormat::kBmp, 640, 480);  // top-down rows
    check(Png(4000, 3000), PictureFormat::kPng, 4000, 3000);
    check(Jpeg(1920, 1080), PictureFormat::kJpeg, 1920, 1080);
    check(Jpeg(800, 600, 0xC2), PictureFormat::kJpeg, 800, 600);  // progressive
    check(Text("P6\n# made by hand\n 1280 720\n255\n"), PictureFormat::kPnm, 1280, 720);
    check(Text("P5 3 2 255 "), PictureFormat::kPnm, 3, 2);
}

TEST(PictureHeader, ForgedSizesAreRefusedWhateverTheFormat) {
    EXPECT_TRUE(PictureSizeAcceptable(Jpeg(1920, 1080), kLimit));
    EXPECT_FALSE(
        PictureSizeAcceptable(Jpeg(30000, 30000), kLimit));  // a few hundred bytes claiming 900 Mpixel
    EXPECT_FALSE(PictureSizeAcceptable(Png(30000, 30000), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Png(0xFFFFFFFF, 0xFFFFFFFF), kLimit));  // no overflow of the product
    EXPECT_FALSE(PictureSizeAcceptable(Bmp(30000, -30000), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Bmp(-5, 5), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Text("P6 30000 30000 255 "), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Text("P6 99999999999999999999 1 255 "), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Jpeg(0, 1080), kLimit));
    EXPECT_TRUE(PictureSizeAcceptable(Png(8192, 8192), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Png(8192, 8193), kLimit));
}

TEST(PictureHeader, DamagedOrUnknownHeadersAreRefused) {
    Bytes cut = Jpeg(100, 100);
    cut.resize(24);  // inside the frame header
    EXPECT_FALSE(PictureSizeAcceptable(cut, kLimit));
    Bytes scanFirst = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};  // scan data before any frame header
    EXPECT_FALSE(PictureSizeAcceptable(scanFirst, kLimit));
    Bytes shortSegment = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01};
    EXPECT_FALSE(PictureSizeAcceptable(shortSegment, kLimit));
    Bytes noIhdr = Png(10, 10);
    noIhdr[12] = 'X';
    EXPECT_FALSE(PictureSizeAcceptable(noIhdr, kLimit));
    Bytes shortBmp = Bmp(10, 10);
    shortBmp.resize(20);
    EXPECT_FALSE(PictureSizeAcceptable(shortBmp, kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Text("GIF89a"), kLimit));  // formats without a reader are not decoded
    EXPECT_FALSE(PictureSizeAcceptable(Text("II*\0"), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Bytes{}, kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Text("P6 # comment without end"), kLimit));
    // A number not ended by white space: the decoder would read "22272#32222" as
    // 22272 x 32222 (2 GB) where a comment-aware reading gives 22272 x 2.
    EXPECT_FALSE(PictureSizeAcceptable(Text("P6\n22272#32222'2#32#\n2C\n2#\n"), kLimit));
    EXPECT_FALSE(PictureSizeAcceptable(Text("P6 640 480"), kLimit));  // cut short after the height
}

}  // namespace
}  // namespace vantis
