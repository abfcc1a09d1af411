#include <gtest/gtest.h>

#include "vantis/ipv4.h"

using vantis::FormatIpv4;
using vantis::ParseIpv4;

TEST(Ipv4, FormatsTheTopByteFirst) {
    EXPECT_EQ(FormatIpv4(0xC0A8000B), "192.168.0.11");
    EXPECT_EQ(FormatIpv4(0), "0.0.0.0");
    EXPECT_EQ(FormatIpv4(0xFFFFFFFF), "255.255.255.255");
}

TEST(Ipv4, ParsesWhatItFormats) {
    for (std::uint32_t a : {0x00000000u, 0x7F000001u, 0x0A010203u, 0xC0A800E7u, 0xFFFFFFFFu})
        EXPECT_EQ(ParseIpv4(FormatIpv4(a)), a) << FormatIpv4(a);
}

TEST(Ipv4, RefusesEverythingButADottedQuad) {
    for (const char* text :
         {"",          "1.2.3",     "1.2.3.4.",   "1.2.3.4.5",  ".1.2.3",   "1..2.3",   "256.1.1.1",
          "1.2.3.999", "1.2.3.4 ",  " 1.2.3.4",   "+1.2.3.4",   "-1.2.3.4", "1.2.3.4x", "0x7f.0.0.1",
          "01.2.3.4",  "1.2.3.010", "1234.1.1.1", "2130706433", "1.2.3.-0", "a.b.c.d"})
        EXPECT_FALSE(ParseIpv4(text).has_value()) << '"' << text << '"';
    // A text that continues past its end is not read beyond the view.
    const std::string_view cut = std::string_view("10.0.0.1x").substr(0, 8);
    EXPECT_EQ(ParseIpv4(cut), 0x0A000001u);
}
