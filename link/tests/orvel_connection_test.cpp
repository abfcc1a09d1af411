// Opening, closing and probing connections, and the version query, against the simulated board.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "board_fixture.h"

namespace vantis::link {
namespace {

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) ++count;
        ::closedir(dir);
    }
    return count;
}

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(OrvelOpen, NothingListeningGivesZeroAndLeaksNoDescriptor) {
    delays::SetTimeoutScale(0.2);
    auto quiet = wallsim::QuietAddress::InRange(20, 39);
    ASSERT_TRUE(quiet) << "no free address in 127.0.0.20-39";
    const int before = OpenDescriptors();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(dvOrvelAutoOpen(quiet->address_value()), 0);
    EXPECT_EQ(dvOrvelAutoOpen(0), 0);  // 0.0.0.0 would reach this host on Linux
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(OrvelOpen, NoSocketHandles) {
    EXPECT_EQ(dvOrvelAutoDisconnect(-1), 1);
    EXPECT_EQ(dvOrvelAutoIsAlive(-1), 0);
    EXPECT_EQ(dvOrvelAutoImageBlank(-1), 51);
    EXPECT_EQ(dvOrvelAutoSaveSys(-1), 51);
    // 0 means "opening failed"; it must never reach descriptor 0.
    EXPECT_EQ(dvOrvelAutoDisconnect(0), 0);
    EXPECT_EQ(dvOrvelAutoIsAlive(0), 0);
    EXPECT_TRUE(IsOpen(0));
    std::uint32_t two[2] = {5, 5};
    std::uint32_t one = 5;
    dvOrvelAutoGetVersion(-1, two, &one);
    EXPECT_EQ(two[0] | two[1] | one, 0u);
}

class OrvelConnection : public testing::BoardFixture {};

TEST_F(OrvelConnection, HandleIsTheSocketAndDisconnectClosesIt) {
    EXPECT_GT(handle, 2);
    EXPECT_TRUE(IsOpen(handle));
    EXPECT_EQ(dvOrvelAutoDisconnect(handle), 1);
    EXPECT_FALSE(IsOpen(handle));
    handle = 0;
}

TEST_F(OrvelConnection, AliveProbeIsOneBareEndByte) {
    EXPECT_EQ(dvOrvelAutoIsAlive(handle), 1);
    ASSERT_TRUE(board->WaitUntil([](const wallsim::BoardState& s) { return s.strayBytes == 1; },
                                 std::chrono::seconds(5)));
    EXPECT_TRUE(board->Snapshot().frames.empty());
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);  // the stray byte does not disturb the next frame

    // Once the board is gone the platform learns it after a probe or two.
    board->Stop();
    int alive = 1;
    for (int i = 0; i < 50 && alive == 1; ++i) {
        pollfd p{handle, POLLIN, 0};
        ::poll(&p, 1, 20);
        alive = dvOrvelAutoIsAlive(handle);
    }
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(dvOrvelAutoDisconnect(handle), 1);  // the dropped connection is still closed
    EXPECT_FALSE(IsOpen(handle));
    handle = 0;
}

TEST_F(OrvelConnection, VersionWordsAsTheBoardSendsThem) {
    board->Modify([](wallsim::BoardState& s) {
        s.versionPair = {0x11223344, 0x55667788};
        s.versionWord = 0x99AABBCC;
    });
    std::uint32_t two[2] = {0, 0};
    std::uint32_t one = 0;
    dvOrvelAutoGetVersion(handle, two, &one);
    EXPECT_EQ(two[0], 0x11223344u);
    EXPECT_EQ(two[1], 0x55667788u);
    EXPECT_EQ(one, 0x99AABBCCu);
    const std::vector<wallsim::ReceivedFrame> expected = {{0x81, 0x2C, std::vector<std::uint8_t>(8, 0)},
                                                          {0x81, 0x2D, std::vector<std::uint8_t>(4, 0)}};
    EXPECT_EQ(Frames(), expected);
    dvOrvelAutoGetVersion(handle, nullptr, nullptr);  // null outputs are allowed
}

TEST_F(OrvelConnection, VersionAgainstARefusingBoardLeavesAllOutputsZero) {
    board->SetFault(wallsim::Fault::Of(wallsim::FaultMode::kRefuse));
    std::uint32_t two[2] = {7, 7};
    std::uint32_t one = 7;
    dvOrvelAutoGetVersion(handle, two, &one);
    EXPECT_EQ(two[0], 0u);
    EXPECT_EQ(two[1], 0u);
    EXPECT_EQ(one, 0u);
    EXPECT_EQ(Frames().size(), 2u);
}

}  // namespace
}  // namespace vantis::link
