#include <gtest/gtest.h>

#include "test_bytes.h"
#include "vantis/archive.h"

using testbytes::Bytes;
using vantis::Archive;

namespace {

std::vector<std::uint8_t> Store(std::string text) {
    auto ar = Archive::ForStoring();
    ar.String(text);
    return ar.TakeBytes();
}

std::string LoadString(const std::vector<std::uint8_t>& bytes, bool* ok = nullptr,
                       std::string* error = nullptr) {
    auto ar = Archive::ForLoading(bytes);
    std::string text = "unchanged";
    ar.String(text);
    if (ok) *ok = ar.ok();
    if (error) *error = ar.error();
    return text;
}

}  // namespace

TEST(ArchiveString, CountFormsAndMarker) {
    EXPECT_EQ(Store(""), (std::vector<std::uint8_t>{0xFF, 0xFE, 0xFF, 0x00}));
    EXPECT_EQ(Store("ab"), (std::vector<std::uint8_t>{0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b', 0}));
    // 254 characters still use the one-byte count; 255 switch to 0xFF + word.
    auto short254 = Store(std::string(254, 'x'));
    ASSERT_EQ(short254.size(), 4u + 2 * 254);
    EXPECT_EQ(short254[3], 254);
    auto long255 = Store(std::string(255, 'x'));
    ASSERT_EQ(long255.size(), 6u + 2 * 255);
    EXPECT_EQ((std::vector<std::uint8_t>(long255.begin(), long255.begin() + 6)),
              (std::vector<std::uint8_t>{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
    // 0xFFFE characters need the 32-bit form.
    auto huge = Store(std::string(0xFFFE, 'y'));
    ASSERT_EQ(huge.size(), 10u + 2 * 0xFFFE);
    EXPECT_EQ((std::vector<std::uint8_t>(huge.begin(), huge.begin() + 10)),
              (std::vector<std::uint8_t>{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    for (std::size_t n : {0u, 1u, 254u, 255u, 300u, 0xFFFDu, 0xFFFEu, 0x10000u}) {
        std::string text(n, 'q');
        EXPECT_EQ(LoadString(Store(text)), text) << n;
    }
}

TEST(ArchiveString, Utf8PathsRoundTripThroughUtf16) {
    const std::string path =
        "/data/Kamera/\xE5\xBD\xB1\xE5\x83\x8F/\xF0\x9F\x93\xB7.bmp";  // CJK and a non-BMP character
    auto bytes = Store(path);
    // 21 UTF-16 units: 19 ASCII, 2 CJK... count the units the file holds.
    const std::u16string units = vantis::Utf8ToUtf16(path);
    EXPECT_EQ(bytes[3], units.size());
    EXPECT_EQ(LoadString(bytes), path);
    std::wstring wide = L"HD Pro Webcam C920 \u00e9\U0001F4F7";
    auto ar = Archive::ForStoring();
    ar.WideString(wide);
    auto in = Archive::ForLoading(ar.bytes());
    std::wstring back;
    in.WideString(back);
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(back, wide);
}

TEST(ArchiveString, NarrowFormIsAccepted) {
    // count, then single-byte characters, without the UTF-16 marker
    EXPECT_EQ(LoadString(Bytes().u8(3).u8('a').u8('b').u8('c').v), "abc");
    // narrow long form: 0xFF, word count
    Bytes longNarrow;
    longNarrow.u8(0xFF).u16(300);
    for (int i = 0; i < 300; ++i) longNarrow.u8('z');
    EXPECT_EQ(LoadString(longNarrow.v), std::string(300, 'z'));
    // a Latin-1 byte that is not UTF-8 becomes its character
    EXPECT_EQ(LoadString(Bytes().u8(1).u8(0xE9).v), "\xC3\xA9");
}

TEST(ArchiveString, CorruptCountsFailWithoutAllocating) {
    bool ok = true;
    std::string error;
    // 32-bit count of 0xFFFFFFF0 UTF-16 units with four bytes left
    auto bytes = Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0xFFFFFFF0).u32(0).v;
    EXPECT_EQ(LoadString(bytes, &ok, &error), "unchanged");
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("corrupt count"), std::string::npos) << error;
    // 64-bit count
    bytes =
        Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u32(0xFFFFFFFF).u32(0x7FFFFFFF).v;
    EXPECT_EQ(LoadString(bytes, &ok, &error), "unchanged");
    EXPECT_FALSE(ok);
    // a count that is one unit too long
    bytes = Bytes().u8(0xFF).u16(0xFFFE).u8(2).u16('a').v;
    EXPECT_EQ(LoadString(bytes, &ok, &error), "unchanged");
    EXPECT_FALSE(ok);
    // the count itself cut off
    bytes = Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u8(0x01).v;
    EXPECT_EQ(LoadString(bytes, &ok, &error), "unchanged");
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("ends early"), std::string::npos) << error;
}

TEST(ArchivePrimitives, LittleEndianUnalignedAndStickyFailure) {
    auto ar = Archive::ForStoring();
    bool flag = true;
    std::int32_t i = -2;
    std::int32_t a = 1, b = 0x01020304;
    double d = 2.5;
    ar.Bool(flag);
    ar.Int(i);
    ar.Pair(a, b);
    ar.Double(d);
    EXPECT_EQ(ar.bytes(), Bytes().u8(1).i32(-2).i32(1).i32(0x01020304).f64(2.5).v);

    // any non-zero byte reads as true; a read past the end keeps the value and
    // every later read fails too
    auto bytes = Bytes().u8(7).u8(1).u8(2).v;
    auto in = Archive::ForLoading(bytes);
    bool readFlag = false;
    std::int32_t readInt = 99;
    std::uint8_t byte = 0;
    in.Bool(readFlag);
    in.Int(readInt);
    in.Byte(byte);
    EXPECT_TRUE(readFlag);
    EXPECT_EQ(readInt, 99);
    EXPECT_EQ(byte, 0);
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(in.offset(), 1u);
}
