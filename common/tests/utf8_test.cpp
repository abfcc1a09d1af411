#include <gtest/gtest.h>

#include "vantis/overlap_table.h"
#include "vantis/utf8.h"

namespace {

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string s;
    for (unsigned v : values) s.push_back(static_cast<char>(v));
    return s;
}

}  // namespace

TEST(Utf8, RoundTripsEveryPlane) {
    const std::u16string text = u"A\u00e9\u4e2d\U0001F600";
    const std::string utf8 = vantis::Utf16ToUtf8(text);
    EXPECT_EQ(utf8, Bytes({0x41, 0xC3, 0xA9, 0xE4, 0xB8, 0xAD, 0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(vantis::Utf8ToUtf16(utf8), text);
    EXPECT_EQ(vantis::Utf8ToWide(utf8), L"A\u00e9\u4e2d\U0001F600");
    EXPECT_EQ(vantis::WideToUtf8(vantis::Utf8ToWide(utf8)), utf8);
    EXPECT_TRUE(vantis::IsValidUtf8(utf8));
}

TEST(Utf8, MalformedSequencesBecomeOneReplacementPerByte) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"overlong slash", Bytes({0xC0, 0xAF})},
        {"overlong NUL", Bytes({0xC0, 0x80})},
        {"overlong three-byte", Bytes({0xE0, 0x80, 0xAF})},
        {"overlong four-byte", Bytes({0xF0, 0x80, 0x80, 0xAF})},
        {"surrogate", Bytes({0xED, 0xA0, 0x80})},
        {"above U+10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80})},
        {"lone continuation", Bytes({0x80})},
        {"cut off", Bytes({0xE4, 0xB8})},
        {"F8 lead", Bytes({0xF8, 0x88, 0x80, 0x80, 0x80})},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(vantis::IsValidUtf8(c.bytes)) << c.what;
        EXPECT_FALSE(vantis::DecodeUtf8(c.bytes, 0).has_value()) << c.what;
        const std::wstring wide = vantis::Utf8ToWide(c.bytes);
        ASSERT_FALSE(wide.empty()) << c.what;
        EXPECT_EQ(wide[0], L'\uFFFD') << c.what;
        EXPECT_EQ(wide.find(L'/'), std::wstring::npos) << c.what;
        EXPECT_EQ(wide.find(L'\0'), std::wstring::npos) << c.what;
    }
    EXPECT_EQ(vantis::Utf8ToUtf16(Bytes({0x61, 0xC0, 0xAF, 0x62})), u"a\uFFFD\uFFFDb");
}

TEST(Utf8, LoneSurrogatesAndOutOfRangeCodePointsAreReplacedOnOutput) {
    EXPECT_EQ(vantis::Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(vantis::Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
    EXPECT_EQ(vantis::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
}

TEST(OverlapTable, OneNodePerEightPixelsOfTheWholePicturePlusOne) {
    // Two 1920 x 1080 panels side by side overlapping by 384 pixels: 3456 x 1080.
    EXPECT_EQ(vantis::OverlapTableSizeOf(1920, 1080, 2, 1, 384, 0), (vantis::OverlapTableSize{433, 136}));
    // One projector: the panel alone; the overlap does not count.
    EXPECT_EQ(vantis::OverlapTableSizeOf(1280, 800, 1, 1, 100, 100), (vantis::OverlapTableSize{161, 101}));
    // 3 x 2 with overlaps in both directions; partial nodes round down.
    EXPECT_EQ(vantis::OverlapTableSizeOf(1024, 768, 3, 2, 130, 70), (vantis::OverlapTableSize{352, 184}));
}
