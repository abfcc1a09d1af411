// A simulated engine board for the workflow tests, started on a loopback
// address the test names.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "wallsim/board_server.h"

namespace vantis::calibration::testing {

inline std::unique_ptr<wallsim::BoardServer> StartBoard(const std::string& address) {
    std::string error;
    auto board = wallsim::BoardServer::Start(address, {}, &error);
    EXPECT_NE(board, nullptr) << address << ": " << error;
    return board;
}

}  // namespace vantis::calibration::testing
