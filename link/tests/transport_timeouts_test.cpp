// Replies that come after the time-out or never. A short time-out (200 ms) for the whole
// executable: see board_fixture.h.
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

// A short time-out (200 ms) for the tests that wait for it.
class TransportTimeouts : public testing::BoardFixture {
  protected:
    double DelayScale() const override { return 0.02; }
};

TEST_F(TransportTimeouts, TimeOutGivesFiftyAndTheLateReplyIsDrained) {
    board->SetFault(wallsim::Fault::Of(FaultMode::kLate).OnCode(0x21));
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 50);
    ASSERT_TRUE(board->WaitUntil([](const wallsim::BoardState& s) { return s.lateRepliesSent == 1; }, 10s));

    // The late acknowledgement (0x01) is waiting on the socket. The next exchange must
    // answer with its own reply, a refusal, not with the stale acknowledgement.
    board->SetFault(wallsim::Fault::Of(FaultMode::kRefuse).OnCode(0x22));
    EXPECT_EQ(dvOrvelAutoClearImage(handle), 1);
    board->ClearFault();
    EXPECT_EQ(dvOrvelAutoImageUnBlank(handle), 0);
    EXPECT_EQ(Frames().size(), 3u);
}

TEST_F(TransportTimeouts, SilenceAndTruncatedRepliesTimeOut) {
    board->SetFault(wallsim::Fault::Of(FaultMode::kSilent).Times(1));
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 50);
    board->SetFault(wallsim::Fault::Of(FaultMode::kMalformed)
                        .Reply(std::vector<std::uint8_t>{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01})
                        .Times(1));
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 50);  // waits for the end byte that never comes
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);
}

TEST_F(TransportTimeouts, ALateAcknowledgementIsNotTheNextQuerysAnswer) {
    // The acknowledgement of the blank comes while the next query waits for its reply.
    board->SetFault(wallsim::Fault::Of(FaultMode::kLate).OnCode(0x21).Times(1));
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 50);
    SocketTransport link(handle);
    Frame query = Frame::Query(0x55);
    query.AppendZeros(4);
    std::vector<std::uint8_t> payload;
    EXPECT_EQ(link.Query(query.Close(), payload), kOk);
    EXPECT_EQ(payload, std::vector<std::uint8_t>(4, 0x00));  // its own reply, not the acknowledgement's 01
    EXPECT_EQ(board->Snapshot().lateRepliesSent, 1u);
    EXPECT_EQ(dvOrvelAutoImageUnBlank(handle), 0);
}

TEST_F(TransportTimeouts, RepliesThatDoNotEchoTheRequestAreNotTakenAsSuccess) {
    const std::vector<std::vector<std::uint8_t>> replies = {
        {0xFE, 0x01, 0x22, 0x00, 0x01, 0x01, 0xFF},  // another command's acknowledgement
        {0xFE, 0x81, 0x21, 0x00, 0x01, 0x01, 0xFF},  // a query reply of the same code
    };
    for (const auto& reply : replies) {
        board->SetFault(wallsim::Fault::Of(FaultMode::kMalformed).Times(1).Reply(reply));
        EXPECT_EQ(dvOrvelAutoImageBlank(handle), 50);
    }
    // A command's acknowledgement is no answer to a query either.
    board->SetFault(
        wallsim::Fault::Of(FaultMode::kMalformed).Times(1).Reply({0xFE, 0x01, 0x55, 0x00, 0x01, 0x01, 0xFF}));
    SocketTransport link(handle);
    std::vector<std::uint8_t> payload;
    Frame query = Frame::Query(0x55);
    query.AppendZeros(4);
    EXPECT_EQ(link.Query(query.Close(), payload), 50);
    EXPECT_TRUE(payload.empty());
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);
}

}  // namespace
}  // namespace vantis::link
