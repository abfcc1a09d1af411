// The ordinal table of the link's exports, and the symbols the shared library really exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dvOrvelAuto.h"
#include "exported_symbols.h"

namespace {

using vantis::link::testing::DefinedDynamicSymbols;

struct Export {
    const char* name;
    int ordinal;
    bool shipped;  // exported by the library today
};

const std::vector<Export> kExports = {
    {"dvOrvelAutoOpen", DVORVELAUTO_ORD_OPEN, true},
    {"dvOrvelAutoDisconnect", DVORVELAUTO_ORD_DISCONNECT, true},
    {"dvOrvelAutoIsAlive", DVORVELAUTO_ORD_IS_ALIVE, true},
    {"dvOrvelAutoGetVersion", DVORVELAUTO_ORD_GET_VERSION, true},
    {"dvOrvelAutoMakeRectanglePattern", DVORVELAUTO_ORD_MAKE_RECTANGLE_PATTERN, true},
    {"dvOrvelAutoDownloadWarp", DVORVELAUTO_ORD_DOWNLOAD_WARP, true},
    {"dvOrvelAutoCirclePattern", DVORVELAUTO_ORD_CIRCLE_PATTERN, true},
    {"dvOrvelAutoResetEdgeBlendGamma", DVORVELAUTO_ORD_RESET_EDGE_BLEND_GAMMA, true},
    {"dvOrvelAutoEnableUniformity", DVORVELAUTO_ORD_ENABLE_UNIFORMITY, true},
    {"dvOrvelAutoEnableBlackLevel", DVORVELAUTO_ORD_ENABLE_BLACK_LEVEL, true},
    {"dvOrvelAutoEnableGlobalContrast", DVORVELAUTO_ORD_ENABLE_GLOBAL_CONTRAST, true},
    {"dvOrvelAutoReadUniformity", DVORVELAUTO_ORD_READ_UNIFORMITY, true},
    {"dvOrvelAutoReadGlobalContrast", DVORVELAUTO_ORD_READ_GLOBAL_CONTRAST, true},
    {"dvOrvelAutoReadBlackLevel", DVORVELAUTO_ORD_READ_BLACK_LEVEL, true},
    {"dvOrvelAutoSaveSys", DVORVELAUTO_ORD_SAVE_SYS, true},
    {"dvOrvelAutoResetSys", DVORVELAUTO_ORD_RESET_SYS, true},
    {"dvOrvelAutoImageBlank", DVORVELAUTO_ORD_IMAGE_BLANK, true},
    {"dvOrvelAutoImageUnBlank", DVORVELAUTO_ORD_IMAGE_UNBLANK, true},
    {"dvOrvelAutoClearImage", DVORVELAUTO_ORD_CLEAR_IMAGE, true},
    {"dvOrvelAutoDisplaySolidColor", DVORVELAUTO_ORD_DISPLAY_SOLID_COLOR, true},
    {"dvOrvelAutoClearSolidColor", DVORVELAUTO_ORD_CLEAR_SOLID_COLOR, true},
    {"dvOrvelAutoDownloadBlend", DVORVELAUTO_ORD_DOWNLOAD_BLEND, true},
    {"dvOrvelAutoDrawVLine", DVORVELAUTO_ORD_DRAW_VLINE, true},
    {"dvOrvelAutoDrawHLine", DVORVELAUTO_ORD_DRAW_HLINE, true},
};

TEST(LinkOrdinals, TwentyFourExportsOnTheAssignedOrdinals) {
    ASSERT_EQ(kExports.size(), static_cast<std::size_t>(DVORVELAUTO_EXPORT_COUNT));
    const std::set<int> unassigned = {204, 205, 206, 207, 208, 209, 212, 214, 215, 223, 226, 227,
                                      228, 229, 230, 231, 232, 233, 234};
    std::set<int> seen;
    for (const Export& e : kExports) {
        EXPECT_GE(e.ordinal, 200) << e.name;
        EXPECT_LE(e.ordinal, 242) << e.name;
        EXPECT_FALSE(unassigned.count(e.ordinal)) << e.name;
        EXPECT_TRUE(seen.insert(e.ordinal).second) << e.name;
    }
    EXPECT_EQ(seen.size() + unassigned.size(), 43u);  // 200..242 all accounted for
}

TEST(LinkOrdinals, LibraryExportsExactlyTheShippedNames) {
    std::set<std::string> expected;
    for (const Export& e : kExports)
        if (e.shipped) expected.insert(e.name);
    const std::set<std::string> actual = DefinedDynamicSymbols(DVORVELAUTO_LIBRARY_PATH);
    ASSERT_FALSE(actual.empty()) << "nm could not read " << DVORVELAUTO_LIBRARY_PATH;
    EXPECT_EQ(actual, expected);

    void* library = ::dlopen(DVORVELAUTO_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    for (const Export& e : kExports) EXPECT_EQ(::dlsym(library, e.name) != nullptr, e.shipped) << e.name;
    ::dlclose(library);
}

}  // namespace
