// A simulated board on a free address of 127.0.0.20-39 (or the range a suite
// chooses) and a link opened to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "dvOrvelAuto.h"
#include "vantis/delays.h"
#include "wallsim/board_server.h"

namespace vantis::link::testing {

class BoardFixture : public ::testing::Test {
  protected:
    // The link's time-out in tests is kLinkTimeout times this scale, and the board's
    // own delays (a late reply, the gaps of a split reply) shrink alike, so a late reply
    // still comes after the time-out. Tests that do not wait for a time-out keep it
    // generous so a busy machine cannot make them fail.
    virtual double DelayScale() const { return 0.2; }
    // The loopback addresses 127.0.0.N this suite's boards may claim.
    virtual int FirstOctet() const { return 20; }
    virtual int LastOctet() const { return 39; }

    void SetUp() override {
        delays::SetDelayScale(DelayScale());
        delays::SetTimeoutScale(DelayScale());
        board = wallsim::BoardServer::StartInRange(FirstOctet(), LastOctet(), config);
        ASSERT_NE(board, nullptr) << "no free address in 127.0.0." << FirstOctet() << "-" << LastOctet();
        handle = dvOrvelAutoOpen(board->address_value());
        ASSERT_NE(handle, 0) << "cannot connect to " << board->address();
    }

    void TearDown() override {
        if (handle != 0) dvOrvelAutoDisconnect(handle);
        if (board) board->Stop();
        delays::SetDelayScale(0);
        delays::SetTimeoutScale(0);
    }

    std::vector<wallsim::ReceivedFrame> Frames() const { return board->Snapshot().frames; }

    wallsim::BoardConfig config;
    std::unique_ptr<wallsim::BoardServer> board;
    LinkHandle handle = 0;
};

}  // namespace vantis::link::testing
