#include "linktool_args.h"

#include <gtest/gtest.h>

namespace linktool {
namespace {

bool Parse(std::vector<std::string> args, Command& command, std::string& error) {
    return ParseArguments(args, command, error);
}

TEST(LinkToolArguments, CommandsAndTheirArguments) {
    Command c;
    std::string error;
    ASSERT_TRUE(Parse({"--ip", "127.0.0.11", "version"}, c, error)) << error;
    EXPECT_EQ(c.address, 0x7F00000Bu);
    EXPECT_EQ(c.verb, Verb::kVersion);

    ASSERT_TRUE(Parse({"--ip=10.1.2.3", "hline", "0", "799", "1280", "FFFFFF"}, c, error)) << error;
    EXPECT_EQ(c.address, 0x0A010203u);
    EXPECT_EQ(c.verb, Verb::kHLine);
    EXPECT_EQ(c.numbers, (std::vector<std::int32_t>{0, 799, 1280}));
    EXPECT_EQ(c.colour, 0xFFFFFFu);

    ASSERT_TRUE(Parse({"--ip", "1.2.3.4", "rect", "#ff0000", "16", "16", "32", "32", "0", "0", "15", "17",
                       "11", "13", "1", "1", "1"},
                      c, error))
        << error;
    EXPECT_EQ(c.colour, 0xFF0000u);
    EXPECT_EQ(c.numbers.size(), 13u);

    ASSERT_TRUE(Parse({"--ip", "1.2.3.4", "solid", "0x00ff00"}, c, error)) << error;
    EXPECT_EQ(c.colour, 0x00FF00u);
}

TEST(LinkToolArguments, RejectsBadInput) {
    Command c;
    std::string error;
    EXPECT_FALSE(Parse({"blank"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "256.0.0.1", "blank"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3", "blank"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4.5", "blank"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4", "dance"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4", "solid", "FFF"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4", "solid", "GGGGGG"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4", "vline", "1", "2", "FFFFFF"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4", "vline", "1", "2", "x", "FFFFFF"}, c, error));
    EXPECT_FALSE(Parse({"--ip", "1.2.3.4", "blank", "extra"}, c, error));
    EXPECT_FALSE(Parse({"--port", "1", "blank"}, c, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace linktool
