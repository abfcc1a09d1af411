#include "link/register_batch.h"

#include <gtest/gtest.h>

#include "recording_link.h"

namespace vantis::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::RecordingLink;

// Words of a recorded register frame, checking the frame around them.
std::vector<std::pair<int, int>> WordsOf(const Bytes& frame) {
    EXPECT_GE(frame.size(), 6u);
    EXPECT_EQ(frame[0], 0xFE);
    EXPECT_EQ(frame[1], 0x01);
    EXPECT_EQ(frame[2], 0x11);
    const std::size_t length = (std::size_t{frame[3]} << 8) | frame[4];
    EXPECT_EQ(frame.size(), length + 6);
    EXPECT_EQ(frame.back(), 0xFF);
    std::vector<std::pair<int, int>> words;
    if (frame.size() != length + 6) return words;
    for (std::size_t i = 0; i + 1 < length; i += 2) words.emplace_back(frame[5 + i], frame[6 + i]);
    return words;
}

TEST(LinkRegisterBatch, FinalFlushPadsThreeWordsToSixteen) {
    RecordingLink link;
    RegisterBatch batch(link);
    ASSERT_EQ(batch.Write({0x01, 0x20, 2}, 0x0040, /*final=*/true), kOk);
    ASSERT_EQ(link.frames.size(), 1u);
    const auto words = WordsOf(link.frames[0]);
    ASSERT_EQ(words.size(), 16u);
    EXPECT_EQ(words[0], std::make_pair(0x00, 0x01));
    EXPECT_EQ(words[1], std::make_pair(0x20, 0x40));
    EXPECT_EQ(words[2], std::make_pair(0x21, 0x00));
    for (std::size_t i = 3; i < 16; ++i) EXPECT_EQ(words[i], std::make_pair(0x00, 0x01)) << i;
    EXPECT_EQ(batch.pending_words(), 0u);
    EXPECT_EQ(batch.Flush(), kOk);  // nothing pending: nothing sent
    EXPECT_EQ(link.frames.size(), 1u);
}

TEST(LinkRegisterBatch, GroupsAccumulateUntilFinalAndPadWithTheLastPage) {
    RecordingLink link;
    RegisterBatch batch(link);
    EXPECT_EQ(batch.Write({0x03, 0x0A, 2}, 0x1234), kOk);
    EXPECT_EQ(batch.Write({kControlPage, 0x00, 1}, 3, true), kOk);
    ASSERT_EQ(link.frames.size(), 1u);
    const auto words = WordsOf(link.frames[0]);
    ASSERT_EQ(words.size(), 16u);
    EXPECT_EQ(words[0], std::make_pair(0x00, 0x03));
    EXPECT_EQ(words[1], std::make_pair(0x0A, 0x34));
    EXPECT_EQ(words[2], std::make_pair(0x0B, 0x12));
    EXPECT_EQ(words[3], std::make_pair(0x00, 0xFF));
    EXPECT_EQ(words[4], std::make_pair(0x00, 0x03));
    for (std::size_t i = 5; i < 16; ++i) EXPECT_EQ(words[i], std::make_pair(0x00, 0xFF)) << i;
}

TEST(LinkRegisterBatch, FullFrameInTheMiddleOfAGroupContinuesWithoutThePageWord) {
    RecordingLink link;
    RegisterBatch batch(link);
    // 170 groups of (page word + 2 words) = 510 words; the next group's page word makes
    // 511, its first register 512 (sent), its second register starts a fresh frame.
    for (int i = 0; i < 170; ++i)
        ASSERT_EQ(batch.Write({0x02, static_cast<std::uint8_t>(i), 2}, 0xBBAA), kOk);
    EXPECT_TRUE(link.frames.empty());
    ASSERT_EQ(batch.Write({0x05, 0xFE, 2}, 0x2211, true), kOk);
    ASSERT_EQ(link.frames.size(), 2u);
    const auto first = WordsOf(link.frames[0]);
    ASSERT_EQ(first.size(), 512u);
    EXPECT_EQ(link.frames[0][3], 0x04);
    EXPECT_EQ(link.frames[0][4], 0x00);
    EXPECT_EQ(first[510], std::make_pair(0x00, 0x05));
    EXPECT_EQ(first[511], std::make_pair(0xFE, 0x11));
    const auto second = WordsOf(link.frames[1]);
    ASSERT_EQ(second.size(), 16u);
    EXPECT_EQ(second[0], std::make_pair(0xFF, 0x22));  // register 0xFF, no page word before it
    for (std::size_t i = 1; i < 16; ++i) EXPECT_EQ(second[i], std::make_pair(0x00, 0x05)) << i;
}

TEST(LinkRegisterBatch, ExactlyFullFrameNeedsNoPadding) {
    RecordingLink link;
    RegisterBatch batch(link);
    for (int i = 0; i < 255; ++i) ASSERT_EQ(batch.Write({0x01, 0x10, 1}, static_cast<std::uint32_t>(i)), kOk);
    ASSERT_EQ(batch.Write({0x01, 0x10, 1}, 0x55, true), kOk);  // words 511 and 512
    ASSERT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(WordsOf(link.frames[0]).size(), 512u);
}

TEST(LinkRegisterBatch, FailedExchangeEndsTheOperationAndDropsTheWords) {
    RecordingLink link;
    link.answer = [](std::size_t i, const Bytes&) { return i == 0 ? kRefused : kNetworkError; };
    RegisterBatch batch(link);
    for (int i = 0; i < 170; ++i) ASSERT_EQ(batch.Write({0x02, 0x00, 2}, 0), kOk);
    EXPECT_EQ(batch.Write({0x02, 0x00, 4}, 0, true), kRefused);  // the full frame is refused
    EXPECT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(batch.pending_words(), 0u);

    EXPECT_EQ(batch.Write({0x02, 0x00, 1}, 0, true), kNetworkError);
    EXPECT_EQ(batch.pending_words(), 0u);
}

TEST(LinkRegisterRead, SelectsThePageThenQueriesAndCombinesLittleEndian) {
    RecordingLink link;
    link.answer = [](std::size_t i, const Bytes&) { return i == 0 ? kRefused : kOk; };  // select ignored
    link.registers[{0x03, 0x38}] = 0x01;
    link.registers[{0x03, 0x39}] = 0x80;
    std::uint32_t value = 7;
    EXPECT_EQ(ReadRegisters(link, {0x03, 0x38, 2}, value), kOk);
    EXPECT_EQ(value, 0x8001u);
    ASSERT_EQ(link.frames.size(), 2u);
    EXPECT_EQ(link.frames[0], (Bytes{0xFE, 0x01, 0x11, 0x00, 0x02, 0x00, 0x03, 0xFF}));
    EXPECT_EQ(link.frames[1], (Bytes{0xFE, 0x81, 0x11, 0x00, 0x04, 0x38, 0x00, 0x39, 0x00, 0xFF}));
}

TEST(LinkRegisterRead, FailuresAndShortRepliesYieldZero) {
    RecordingLink link;
    link.answer = [](std::size_t i, const Bytes&) { return i == 1 ? kNetworkError : kOk; };
    std::uint32_t value = 7;
    EXPECT_EQ(ReadRegisters(link, {0x05, 0x1F, 1}, value), kNetworkError);
    EXPECT_EQ(value, 0u);

    link.answer = nullptr;
    link.queryPayload = [](std::size_t, const Bytes&) { return Bytes{0x1A, 0xFF}; };  // one word of four
    value = 7;
    EXPECT_EQ(ReadRegisters(link, {0x03, 0x1A, 4}, value), kMalformed);
    EXPECT_EQ(value, 0u);
}

TEST(LinkRegisterSpec, TwentyFourBitForm) {
    constexpr RegisterSpec spec = RegisterSpec::FromCode(0x030802);
    static_assert(spec.page == 3 && spec.first == 8 && spec.count == 2 && spec.code() == 0x030802);
}

}  // namespace
}  // namespace vantis::link
