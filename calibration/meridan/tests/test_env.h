// Per-test home: HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR in a fresh temporary
// folder, so configurations and instance locks never meet another test's.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace meridan::test {

class TempHome {
public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "meridan-test-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        std::filesystem::create_directories(root_ / "data");
        std::filesystem::create_directories(root_ / "run");
        ::setenv("HOME", root_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    const std::filesystem::path& root() const { return root_; }

    // A default.ini in the home folder with the given product and vendor words.
    std::filesystem::path WriteIni(const std::string& pid = "Box", const std::string& vid = "Vendor") const {
        const auto path = root_ / "default.ini";
        FILE* f = std::fopen(path.c_str(), "w");
        std::fprintf(f, "[MAIN]\nPID=%s\nVID=%s\nAUTO_WARP_APP_TITLE=Warp Tools\nAPP_VER=1.2.3\nFW_PREF_VER=1.0\n",
                     pid.c_str(), vid.c_str());
        std::fclose(f);
        return path;
    }

private:
    std::filesystem::path root_;
};

}  // namespace meridan::test
