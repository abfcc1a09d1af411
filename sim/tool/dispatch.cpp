#include <string>
#include <vector>

#include "sim_commands.h"
#ifdef WALLSIM_WITH_CONFIG
#include "project_config.h"
#endif

namespace wallsim::tool {

bool DispatchSimCommand(int argc, char** argv, int* exitCode) {
    if (argc < 2) return false;
    const std::string name = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (name == "run")
        *exitCode = RunCommand(args);
    else if (name == "photo")
        *exitCode = PhotoCommand(args);
    else if (name == "measure")
        *exitCode = MeasureCommand(args);
    else if (name == "scene")
        *exitCode = SceneCommand(args);
#ifdef WALLSIM_WITH_CONFIG
    else if (name == "config")
        *exitCode = ConfigCommand(args);
#endif
    else
        return false;
    return true;
}

}  // namespace wallsim::tool
