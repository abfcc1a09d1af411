#include "vantis/testing/temp_home.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace vantis::testing {

TempDir::TempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "cannot make a temporary folder " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

TempHome::TempHome(const std::string& prefix) : dir_(prefix) {
    std::filesystem::create_directories(data());
    std::filesystem::create_directories(run());
    const std::pair<const char*, std::filesystem::path> variables[] = {
        {"HOME", root()}, {"XDG_DATA_HOME", data()}, {"XDG_RUNTIME_DIR", run()}};
    for (const auto& [name, value] : variables) {
        const char* previous = std::getenv(name);
        saved_.emplace_back(name, previous != nullptr ? std::optional<std::string>(previous) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (const auto& [name, previous] : saved_) {
        if (previous)
            ::setenv(name.c_str(), previous->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

std::filesystem::path TempHome::WriteIni(const std::string& pid, const std::string& vid) const {
    const auto path = root() / "default.ini";
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr)
        throw std::system_error(errno, std::generic_category(), "cannot write " + path.string());
    std::fprintf(f,
                 "[MAIN]\nPID=%s\nVID=%s\nAUTO_WARP_APP_TITLE=Warp Tools\nAPP_VER=1.2.3\nFW_PREF_VER=1.0\n",
                 pid.c_str(), vid.c_str());
    std::fclose(f);
    return path;
}

}  // namespace vantis::testing
