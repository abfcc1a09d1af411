// Runs the vantiscore program (its path comes from the build as
// VANTISCORE_TOOL) and keeps its standard output and exit code.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace vantiscore::tool {

struct ToolRun {
    int exitCode = -1;
    std::string out;
};

inline ToolRun RunTool(const std::string& arguments) {
    ToolRun run;
    const std::string command = std::string(VANTISCORE_TOOL) + " " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace vantiscore::tool
