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
    board->SetFault(wallsim::Fault::Of(FaultMode::kMalformed).Reply(std::vector<std::uint8_t>{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01}).Times(1));
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 50);  // waits for the end byte that never comes
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);
}

}  // namespace
}  // namespace vantis::link
