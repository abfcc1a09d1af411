// The board server as a TCP peer: framing, replies, fault modes. Addresses 127.0.0.20-39.
#include "wallsim/board_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "vantis/delays.h"

namespace wallsim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// A raw client: the test speaks bytes to the board without the link library.
class RawClient {
  public:
    explicit RawClient(const BoardServer& board) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(board.port());
        a.sin_addr.s_addr = htonl(board.address_value());
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient() { ::close(fd_); }
    bool connected() const { return connected_; }
    void Send(const Bytes& bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), (ssize_t)bytes.size());
    }
    // Reads until `count` bytes came, the peer closed or `timeout` passed; counts the reads.
    Bytes Read(std::size_t count, std::chrono::milliseconds timeout, int* reads = nullptr) {
        Bytes out;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            std::uint8_t buffer[4096];
            const ssize_t n = ::recv(fd_, buffer, std::min(sizeof buffer, count - out.size()), 0);
            if (n <= 0) break;
            if (reads != nullptr) ++*reads;
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

class BoardServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        vantis::delays::SetDelayScale(0.01);
        board_ = BoardServer::StartInRange(20, 39);
        ASSERT_NE(board_, nullptr) << "no free address in 127.0.0.20-39";
    }
    std::unique_ptr<BoardServer> board_;
};

TEST_F(BoardServerTest, AcknowledgesCommandsAnswersQueriesAndRecordsFrames) {
    RawClient client(*board_);
    ASSERT_TRUE(client.connected());
    client.Send({0xFF, 0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF});
    EXPECT_EQ(client.Read(7, 2s), (Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF}));
    client.Send({0xFE, 0x81, 0x2D, 0x00, 0x04, 0, 0, 0, 0, 0xFF});
    EXPECT_EQ(client.Read(10, 2s), (Bytes{0xFE, 0x81, 0x2D, 0x00, 0x04, 0x07, 0x12, 0x26, 0x20, 0xFF}));
    const BoardState s = board_->Snapshot();
    EXPECT_TRUE(s.blanked);
    EXPECT_EQ(s.strayBytes, 1u);
    ASSERT_EQ(s.frames.size(), 2u);
    EXPECT_EQ(s.frames[1], (ReceivedFrame{0x81, 0x2D, {0, 0, 0, 0}}));
    EXPECT_EQ(s.connections, 1u);
}

TEST_F(BoardServerTest, RefusesWithAckZeroOnlyTheTargetedFrames) {
    board_->SetFault(Fault::Of(FaultMode::kRefuse).OnCode(0x21).Skip(1).Times(1));
    RawClient client(*board_);
    const Bytes blank{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF};
    for (std::uint8_t expected : {0x01, 0x00, 0x01}) {
        client.Send(blank);
        EXPECT_EQ(client.Read(7, 2s), (Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, expected, 0xFF}));
    }
    client.Send({0xFE, 0x01, 0x22, 0x00, 0x00, 0xFF});
    EXPECT_EQ(client.Read(7, 2s)[5], 0x01);
}

TEST_F(BoardServerTest, SplitRepliesArriveInSeveralSegments) {
    board_->SetFault(Fault::Of(FaultMode::kSplit));
    RawClient client(*board_);
    client.Send({0xFE, 0x81, 0x2C, 0x00, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF});
    int reads = 0;
    const Bytes reply = client.Read(14, 5s, &reads);
    EXPECT_EQ(reply.size(), 14u);
    EXPECT_GT(reads, 1);
}

TEST_F(BoardServerTest, CloseDropsTheConnectionWithoutCarryingTheCommandOut) {
    board_->SetFault(Fault::Of(FaultMode::kClose));
    RawClient client(*board_);
    client.Send({0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF});
    EXPECT_TRUE(client.Read(1, 2s).empty());
    EXPECT_FALSE(board_->Snapshot().blanked);
}

TEST_F(BoardServerTest, StopEndsLateRepliesAndConnections) {
    board_->SetFault(Fault::Of(FaultMode::kLate));
    RawClient client(*board_);
    client.Send({0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF});
    ASSERT_TRUE(board_->WaitUntil([](const BoardState& s) { return s.frames.size() == 1; }, 2s));
    const auto start = std::chrono::steady_clock::now();
    board_->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_TRUE(board_->Snapshot().blanked);  // carried out; only the answer was late
}

TEST(BoardAddresses, ClaimsAreExclusive) {
    auto first = BoardServer::StartInRange(20, 39);
    ASSERT_NE(first, nullptr);
    std::string error;
    EXPECT_EQ(BoardServer::Start(first->address(), {}, &error), nullptr);
    EXPECT_NE(error.find(first->address()), std::string::npos);
    auto quiet = QuietAddress::InRange(20, 39);
    ASSERT_TRUE(quiet);
    EXPECT_NE(quiet->address(), first->address());
    EXPECT_EQ(BoardServer::Start(quiet->address()), nullptr);
    EXPECT_EQ(BoardServer::Start("not.an.address"), nullptr);
}

}  // namespace
}  // namespace wallsim
