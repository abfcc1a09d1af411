// Replies that come late, split, malformed, oversized or never, and connections that close.
#include <gtest/gtest.h>

#include <chrono>

#include "board_fixture.h"
#include "link/frame.h"
#include "link/result.h"
#include "link/socket_transport.h"

namespace vantis::link {
namespace {

using namespace std::chrono_literals;
using wallsim::FaultMode;
using Clock = std::chrono::steady_clock;

class TransportFaults : public testing::BoardFixture {};

TEST_F(TransportFaults, SplitRepliesAreAssembled) {
    board->SetFault(wallsim::Fault::Of(FaultMode::kSplit));  // one byte per segment
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);
    board->SetFault(wallsim::Fault::Of(FaultMode::kSplit).Pieces(3));
    std::uint32_t two[2] = {0, 0};
    std::uint32_t one = 0;
    dvOrvelAutoGetVersion(handle, two, &one);
    EXPECT_EQ(two[0], config.versionPair[0]);
    EXPECT_EQ(one, config.versionWord);
}

TEST_F(TransportFaults, MalformedRepliesGiveTwoWithoutWaitingForTheTimeOut) {
    const std::vector<std::vector<std::uint8_t>> replies = {
        {0xFE, 0x01, 0x21, 0x00, 0x02, 0x01, 0x01, 0xFF},  // acknowledgement of length 2
        {0xFD, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF},        // wrong start byte
        {0xFE, 0x01, 0x21, 0x08, 0x01, 0x01, 0xFF},        // declared length 2049
        {0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0x00},        // end byte missing at 5 + L
        {0xFE, 0x01, 0x21, 0x00, 0x00, 0xFF},              // empty acknowledgement
    };
    for (const auto& reply : replies) {
        board->SetFault(wallsim::Fault::Of(FaultMode::kMalformed).Times(1).Reply(reply));
        const auto start = Clock::now();
        EXPECT_EQ(dvOrvelAutoImageBlank(handle), 2);
        EXPECT_LT(Clock::now() - start, 1s);  // the time-out is 2 s
    }
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);  // leftovers were drained
}

TEST_F(TransportFaults, LongQueryRepliesAndEmptyOnes) {
    SocketTransport link(handle);
    Frame query = Frame::Query(0x55);
    query.AppendZeros(600);  // far more than one 128-byte read
    std::vector<std::uint8_t> payload;
    EXPECT_EQ(link.Query(query.Close(), payload), kOk);
    EXPECT_EQ(payload.size(), 600u);

    EXPECT_EQ(link.Query(Frame::Query(0x55).Close(), payload), kMalformed);  // the board answers L = 0
    EXPECT_TRUE(payload.empty());

    // The programs' class-0x00 frame goes through the raw exchange.
    ReplyAssembler reply;
    EXPECT_EQ(link.Exchange(Frame(0x00, 0x32).Close(), reply), kOk);
    EXPECT_EQ(JudgeAcknowledgement(reply.bytes()), kOk);
}

TEST_F(TransportFaults, ClosedConnectionIsReportedNotHung) {
    board->SetFault(wallsim::Fault::Of(FaultMode::kClose));
    const auto start = Clock::now();
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 2);  // the board hung up before a whole reply
    EXPECT_NE(dvOrvelAutoImageBlank(handle), 0);
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_FALSE(board->Snapshot().blanked);
}

}  // namespace
}  // namespace vantis::link
