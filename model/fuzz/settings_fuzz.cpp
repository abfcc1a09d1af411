// Feeds arbitrary bytes to the settings-file reader (default.ini). The reader
// works on a path, so each input is written to one private temporary file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "vantis/model/config.h"

namespace {

const std::filesystem::path& InputPath() {
    static const std::filesystem::path path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "settings_fuzz_XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) std::abort();
        ::close(fd);
        return std::filesystem::path(pattern);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    vantis::model::Defaults defaults;
    std::string error;
    if (!vantis::model::ReadDefaults(InputPath(), &defaults, &error) && error.empty()) {
        std::abort();  // every failure says why
    }
    return 0;
}
