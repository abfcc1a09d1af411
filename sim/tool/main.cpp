// wallsim: the simulated wall. Each subcommand is registered in one dispatcher;
// see `wallsim --help`.
#include <cstring>
#include <iostream>

#include "sim_commands.h"

int main(int argc, char** argv) {
    int exitCode = 0;
    if (wallsim::tool::DispatchSimCommand(argc, argv, &exitCode)) return exitCode;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::cout << "usage: wallsim COMMAND ...\n"
                     "  run SCENE            the scene's boards and camera until stopped\n"
                     "  photo SCENE OUT      one camera photo of a given state to an image file\n"
                     "  measure SCENE        ground-truth alignment figures as JSON\n"
                     "  scene random SEED    a random scene; scene check FILE: read a scene file\n"
                     "Each command takes --help.\n";
        return argc < 2 ? 2 : 0;
    }
    std::cerr << "wallsim: unknown command " << argv[1] << " (wallsim --help)\n";
    return 2;
}
