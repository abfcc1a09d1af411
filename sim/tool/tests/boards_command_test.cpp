#include "boards_command.h"

#include <gtest/gtest.h>

namespace wallsim::tool {
namespace {

TEST(WallsimBoards, AddressListIsLoopbackOnly) {
    std::vector<std::string> addresses;
    std::string error;
    ASSERT_TRUE(ParseBoardList("127.0.0.11,127.0.0.12", addresses, error)) << error;
    EXPECT_EQ(addresses, (std::vector<std::string>{"127.0.0.11", "127.0.0.12"}));
    EXPECT_FALSE(ParseBoardList("127.0.0.11,192.168.0.11", addresses, error));
    EXPECT_NE(error.find("loopback"), std::string::npos);
    EXPECT_FALSE(ParseBoardList("127.0.0.11,,127.0.0.12", addresses, error));
    EXPECT_FALSE(ParseBoardList("", addresses, error));
    EXPECT_FALSE(ParseBoardList("127.0.0", addresses, error));
}

TEST(WallsimBoards, Invocation) {
    char program[] = "wallsim";
    char boards[] = "--boards=127.0.0.11";
    char run[] = "run";
    char* withBoards[] = {program, boards};
    char* withRun[] = {program, run};
    EXPECT_TRUE(IsBoardsInvocation(2, withBoards));
    EXPECT_FALSE(IsBoardsInvocation(2, withRun));
    EXPECT_FALSE(IsBoardsInvocation(1, withBoards));
}

}  // namespace
}  // namespace wallsim::tool
