// The wallsim subcommands of the simulated wall's optics:
//   wallsim run SCENE        boards and virtual camera until stopped
//   wallsim photo SCENE OUT  one photo of a given state to an image file
//   wallsim measure SCENE    the ground-truth alignment figures as JSON
//   wallsim scene ...        random scenes and scene checks
// Each takes the arguments after the subcommand's name and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace wallsim::tool {

int RunCommand(const std::vector<std::string>& args);
int PhotoCommand(const std::vector<std::string>& args);
int MeasureCommand(const std::vector<std::string>& args);
int SceneCommand(const std::vector<std::string>& args);

// If argv[1] names one of the subcommands above, runs it, stores its exit code
// in *exitCode and returns true; otherwise returns false.
bool DispatchSimCommand(int argc, char** argv, int* exitCode);

}  // namespace wallsim::tool
