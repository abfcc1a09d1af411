#include "link/reply.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/result.h"

namespace vantis::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LinkReply, AcknowledgementJudgement) {
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF}), kOk);
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x00, 0xFF}), kRefused);
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x7F, 0xFF}), kRefused);
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x01, 0x21, 0x00, 0x02, 0x01, 0x01, 0xFF}), kMalformed);
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x01, 0x21, 0x00, 0x00, 0xFF}), kMalformed);
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFD, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF}), kMalformed);
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFE}), kMalformed);
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01}), kMalformed);  // truncated
    EXPECT_EQ(JudgeAcknowledgement(Bytes{}), kMalformed);
    // Class and code of the reply are not looked at.
    EXPECT_EQ(JudgeAcknowledgement(Bytes{0xFE, 0x77, 0x99, 0x00, 0x01, 0x01, 0xFF}), kOk);
}

TEST(LinkReply, QueryReplyJudgement) {
    Bytes payload{9, 9};
    EXPECT_EQ(JudgeQueryReply(Bytes{0xFE, 0x81, 0x2D, 0x00, 0x04, 1, 2, 3, 4, 0xFF}, payload), kOk);
    EXPECT_EQ(payload, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(JudgeQueryReply(Bytes{0xFE, 0x81, 0x2D, 0x00, 0x00, 0xFF}, payload), kMalformed);
    EXPECT_TRUE(payload.empty());
    EXPECT_EQ(JudgeQueryReply(Bytes{0xFE, 0x81, 0x2D, 0x00, 0x04, 1, 2, 3, 0xFF}, payload), kMalformed);
    EXPECT_TRUE(payload.empty());
}

TEST(LinkReply, ScanDecidesAsEarlyAsTheBytesAllow) {
    EXPECT_EQ(ScanReply(Bytes{}).state, ReplyState::kIncomplete);
    EXPECT_EQ(ScanReply(Bytes{0x00}).state, ReplyState::kMalformed);
    EXPECT_EQ(ScanReply(Bytes{0xFE, 0x01}).needed, kHeaderSize);
    EXPECT_EQ(ScanReply(Bytes{0xFE, 0x01, 0x11, 0x08, 0x01}).state, ReplyState::kMalformed);  // 2049
    const ReplyScan longest = ScanReply(Bytes{0xFE, 0x01, 0x11, 0x08, 0x00});                 // 2048
    EXPECT_EQ(longest.state, ReplyState::kIncomplete);
    EXPECT_EQ(longest.needed, kMaxFrameSize);
    EXPECT_EQ(ScanReply(Bytes{0xFE, 0x01, 0x11, 0x00, 0x01, 0x01, 0x00}).state, ReplyState::kMalformed);
    const ReplyScan whole = ScanReply(Bytes{0xFE, 0x01, 0x11, 0x00, 0x01, 0x01, 0xFF, 0xAA, 0xBB});
    EXPECT_EQ(whole.state, ReplyState::kComplete);
    EXPECT_EQ(whole.needed, 7u);
}

TEST(LinkReply, AssemblerTakesSplitFramesAndNothingBeyondTheFrame) {
    const Bytes stream{0xFE, 0x81, 0x2C, 0x00, 0x03, 0x0A, 0x0B, 0x0C, 0xFF, 0xFE, 0x01};
    ReplyAssembler assembler;
    std::size_t offered = 0;
    // One byte at a time, offering two each time: the assembler never takes more than it wants.
    while (assembler.Wanted() > 0 && offered < stream.size()) {
        const std::size_t n = std::min<std::size_t>(2, stream.size() - offered);
        offered += assembler.Take(std::span(stream).subspan(offered, n));
    }
    EXPECT_EQ(assembler.state(), ReplyState::kComplete);
    EXPECT_EQ(offered, 9u);
    EXPECT_EQ(Bytes(assembler.bytes().begin(), assembler.bytes().end()),
              Bytes(stream.begin(), stream.begin() + 9));

    assembler.Reset();
    EXPECT_EQ(assembler.Take(Bytes{0xFE, 0x01, 0x11, 0xFF, 0xFF, 0x00}), 5u);
    EXPECT_EQ(assembler.state(), ReplyState::kMalformed);
    EXPECT_EQ(assembler.Wanted(), 0u);
}

}  // namespace
}  // namespace vantis::link
