// wallsim --boards A.B.C.D[,A.B.C.D...]: simulated engine boards only, until stopped.
#pragma once

#include <string>
#include <vector>

namespace wallsim::tool {

// True when the command line asks for the boards alone (its first argument is --boards).
bool IsBoardsInvocation(int argc, char** argv);

// Runs the boards: the arguments after the program name. Prints one "ready" line per
// board, waits for SIGINT or SIGTERM, then prints each board's state as one JSON line.
int BoardsCommand(const std::vector<std::string>& args);

// Splits "a,b,c" and checks each part is a dotted IPv4 address on the loopback network
// (127.0.0.0/8: the boards never listen anywhere else). False with a reason on error.
bool ParseBoardList(const std::string& text, std::vector<std::string>& addresses, std::string& error);

}  // namespace wallsim::tool
