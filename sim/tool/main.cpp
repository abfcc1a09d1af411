// wallsim: the simulated wall. Each subcommand is registered in one dispatcher;
// see `wallsim --help`.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "sim_commands.h"
#ifdef WALLSIM_WITH_BOARDS
#include "boards_command.h"
#endif

int main(int argc, char** argv) {
    int exitCode = 0;
#ifdef WALLSIM_WITH_BOARDS
    if (wallsim::tool::IsBoardsInvocation(argc, argv))
        return wallsim::tool::BoardsCommand(std::vector<std::string>(argv + 1, argv + argc));
#endif
    if (wallsim::tool::DispatchSimCommand(argc, argv, &exitCode)) return exitCode;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::cout << "usage: wallsim COMMAND ...\n"
                     "       wallsim --boards A.B.C.D[,...]  simulated engine boards only, until stopped\n"
                     "  run SCENE            the scene's boards and camera until stopped\n"
                     "  photo SCENE OUT      one camera photo of a given state to an image file\n"
                     "  measure SCENE        ground-truth alignment figures as JSON\n"
                     "  scene random SEED    a random scene; scene check FILE: read a scene file\n"
                     "  config SCENE --home DIR  the project configuration for the scene under DIR\n"
                     "Each command takes --help.\n";
        return argc < 2 ? 2 : 0;
    }
    std::cerr << "wallsim: unknown command " << argv[1] << " (wallsim --help)\n";
    return 2;
}
