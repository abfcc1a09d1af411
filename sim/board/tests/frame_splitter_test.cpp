#include "wallsim/frame_splitter.h"

#include <gtest/gtest.h>

namespace wallsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(BoardFrameSplitter, FramesInPiecesAndStrayBytes) {
    FrameSplitter splitter;
    const Bytes stream{0xFF, 0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF, 0x00, 0xFE,
                       0x81, 0x2D, 0x00, 0x04, 1,    2,    3,    4,    0xFF};
    for (std::uint8_t b : stream) splitter.Feed(Bytes{b});
    auto first = splitter.Next();
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (ReceivedFrame{0x01, 0x21, {0x01}}));
    auto second = splitter.Next();
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, (ReceivedFrame{0x81, 0x2D, {1, 2, 3, 4}}));
    EXPECT_FALSE(splitter.Next());
    EXPECT_EQ(splitter.TakeStrayCount(), 2u);
    EXPECT_EQ(splitter.TakeStrayCount(), 0u);
}

TEST(BoardFrameSplitter, ResynchronisesAfterBadHeadersAndMissingEndBytes) {
    FrameSplitter splitter;
    // Length 0x0801 is too long; the second frame lacks its end byte; the third is good.
    splitter.Feed(Bytes{0xFE, 0x01, 0x11, 0x08, 0x01, 0xFE, 0x01, 0x22, 0x00, 0x00, 0x00, 0xFE, 0x01, 0x22,
                        0x00, 0x00, 0xFF});
    auto frame = splitter.Next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(*frame, (ReceivedFrame{0x01, 0x22, {}}));
    EXPECT_EQ(splitter.TakeStrayCount(), 11u);
    // A partial frame waits for the rest.
    splitter.Feed(Bytes{0xFE, 0x01, 0x12, 0x04, 0x00});
    EXPECT_FALSE(splitter.Next());
    Bytes rest(1024, 0xAB);
    rest.push_back(0xFF);
    splitter.Feed(rest);
    frame = splitter.Next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->payload.size(), 1024u);
    EXPECT_EQ(splitter.buffered(), 0u);
}

}  // namespace
}  // namespace wallsim
