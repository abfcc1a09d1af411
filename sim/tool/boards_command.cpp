#include "boards_command.h"

#include <pthread.h>
#include <signal.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "vantis/ipv4.h"
#include "wallsim/board_server.h"

namespace wallsim::tool {
namespace {

nlohmann::json Summary(const BoardServer& board) {
    const BoardState s = board.Snapshot();
    nlohmann::json lines = nlohmann::json::array();
    for (const Line& l : s.lines)
        lines.push_back(
            {{"vertical", l.vertical}, {"x", l.x}, {"y", l.y}, {"length", l.length}, {"colour", l.colour}});
    const char* kinds[] = {"none", "rectangle", "circle"};
    return {{"board", board.address() + ":" + std::to_string(board.port())},
            {"blanked", s.blanked},
            {"solid", s.solidShown ? nlohmann::json(s.solidColour) : nlohmann::json(nullptr)},
            {"pattern", kinds[static_cast<int>(s.pattern.kind)]},
            {"patternGeometry", s.pattern.geometry},
            {"lines", lines},
            {"saves", s.savesPerformed},
            {"registerWrites", s.registerWrites.size()},
            {"frames", s.framesReceived},
            {"connections", s.connections}};
}

}  // namespace

bool IsBoardsInvocation(int argc, char** argv) {
    return argc >= 2 && std::strncmp(argv[1], "--boards", 8) == 0;
}

bool ParseBoardList(const std::string& text, std::vector<std::string>& addresses, std::string& error) {
    addresses.clear();
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        const auto parsed = vantis::ParseIpv4(part);
        if (!parsed) {
            error = "not an IPv4 address: \"" + part + "\"";
            return false;
        }
        if ((*parsed >> 24) != 127) {
            error = part + " is not a loopback address (127.0.0.0/8)";
            return false;
        }
        addresses.push_back(part);
    }
    if (addresses.empty()) {
        error = "no board addresses";
        return false;
    }
    return true;
}

int BoardsCommand(const std::vector<std::string>& args) {
    CLI::App app{
        "Runs simulated engine boards on port 1688 of the given loopback addresses until SIGINT or\n"
        "SIGTERM, then prints each board's state as one JSON line."};
    app.name("wallsim");
    std::string list;
    std::vector<std::uint32_t> versionPair;
    std::uint32_t versionWord = BoardConfig{}.versionWord;
    app.add_option("--boards", list, "comma-separated addresses, for example 127.0.0.11,127.0.0.12")
        ->required();
    app.add_option("--version-pair", versionPair, "the two words the boards answer to the version query")
        ->expected(2)
        ->delimiter(',');
    app.add_option("--version-word", versionWord, "the word the boards answer to the second version query");
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    std::vector<std::string> addresses;
    std::string error;
    if (!ParseBoardList(list, addresses, error)) {
        std::cerr << "wallsim: " << error << "\n";
        return 2;
    }
    BoardConfig config;
    config.recordFrames = false;  // a long run would keep every frame
    if (versionPair.size() == 2) config.versionPair = {versionPair[0], versionPair[1]};
    config.versionWord = versionWord;

    // Taken by sigwait below; blocked before any board thread starts so none of them gets one.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::vector<std::unique_ptr<BoardServer>> boards;
    for (const std::string& address : addresses) {
        auto board = BoardServer::Start(address, config, &error);
        if (!board) {
            std::cerr << "wallsim: " << error << "\n";
            return 1;
        }
        std::cout << "board " << board->address() << ":" << board->port() << " ready" << std::endl;
        boards.push_back(std::move(board));
    }
    int signal = 0;
    sigwait(&signals, &signal);
    for (auto& board : boards) {
        board->Stop();
        std::cout << Summary(*board).dump() << std::endl;
    }
    return 0;
}

}  // namespace wallsim::tool
