// libVantisCore.so: the twelve operations are exported from the shared library,
// and nothing else is.
#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "VantisCore.h"

namespace {

template <typename Function>
std::string LibraryOf(Function* function) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(function), &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

TEST(Exports, OperationsComeFromTheSharedLibrary) {
    const std::array<std::string, 12> libraries{LibraryOf(&AutoWarpCalThreshold),
                                                LibraryOf(&AutoDoImageWarping),
                                                LibraryOf(&AutoWarpInitWarping),
                                                LibraryOf(&AutoWarpGetPatternInfo),
                                                LibraryOf(&AutoTune),
                                                LibraryOf(&SetRectImage),
                                                LibraryOf(&GetZoomMatrix),
                                                LibraryOf(&ZoomPerspective),
                                                LibraryOf(&GetShiftMatrix),
                                                LibraryOf(&GetZoomRange),
                                                LibraryOf(&AutoWarpFindBoundary),
                                                LibraryOf(&AutoDoImageWarpingEx)};
    for (const std::string& library : libraries)
        EXPECT_NE(library.find("libVantisCore.so"), std::string::npos) << library;
}

TEST(Exports, NothingButTheTwelveOperations) {
    const std::string command =
        std::string("nm -D --defined-only --format=posix ") + VANTISCORE_LIBRARY + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) GTEST_SKIP() << "nm is not available";
    std::set<std::string> names;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        const std::string text(line);
        const std::string name = text.substr(0, text.find(' '));
        if (name == "_edata" || name == "_end" || name == "__bss_start" || name.empty()) continue;
        names.insert(name);
    }
    if (::pclose(pipe) != 0 && names.empty()) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(names.size(), 12u);
    for (const char* operation :
         {"AutoWarpCalThreshold", "AutoDoImageWarping", "AutoWarpInitWarping", "AutoWarpGetPatternInfo",
          "AutoTune", "SetRectImage", "GetZoomMatrix", "ZoomPerspective", "GetShiftMatrix", "GetZoomRange",
          "AutoWarpFindBoundary", "AutoDoImageWarpingEx"}) {
        const std::string mangled = std::to_string(std::char_traits<char>::length(operation)) + operation;
        int found = 0;
        for (const std::string& name : names) found += name.rfind("_Z" + mangled, 0) == 0 ? 1 : 0;
        EXPECT_EQ(found, 1) << operation;
    }
}

TEST(Exports, OrdinalsOfTheTwelveOperations) {
    namespace ord = vantiscore::ordinal;
    const std::array<std::pair<const char*, int>, 12> table{{
        {"AutoWarpCalThreshold", ord::kAutoWarpCalThreshold},
        {"AutoDoImageWarping", ord::kAutoDoImageWarping},
        {"AutoWarpInitWarping", ord::kAutoWarpInitWarping},
        {"AutoWarpGetPatternInfo", ord::kAutoWarpGetPatternInfo},
        {"AutoTune", ord::kAutoTune},
        {"SetRectImage", ord::kSetRectImage},
        {"GetZoomMatrix", ord::kGetZoomMatrix},
        {"ZoomPerspective", ord::kZoomPerspective},
        {"GetShiftMatrix", ord::kGetShiftMatrix},
        {"GetZoomRange", ord::kGetZoomRange},
        {"AutoWarpFindBoundary", ord::kAutoWarpFindBoundary},
        {"AutoDoImageWarpingEx", ord::kAutoDoImageWarpingEx},
    }};
    // Programs bind the operations by these numbers: 1 to 12 in this order.
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(table[i].second, static_cast<int>(i) + 1) << table[i].first;
}

}  // namespace
