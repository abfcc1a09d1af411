// Test helper: the dynamic symbols a shared library defines, as
// `nm -D --defined-only` lists them (version nodes left out).
#pragma once

#include <cstdio>
#include <set>
#include <string>

namespace vantis::link::testing {

inline std::set<std::string> DefinedDynamicSymbols(const char* path) {
    std::set<std::string> names;
    const std::string command = std::string("nm -D --defined-only '") + path + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const auto space = text.rfind(' ');
        const std::string type = space >= 2 ? text.substr(space - 1, 1) : "";
        if (type == "A") continue;  // version nodes, not code or data
        names.insert(text.substr(space + 1));
    }
    ::pclose(pipe);
    return names;
}

}  // namespace vantis::link::testing
