// The ordinal table of the link's exports, and the symbols the shared library really exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dvOrvelAuto.h"
#include "dvVantisPlus.h"
#include "exported_symbols.h"

namespace {

using vantis::link::testing::DefinedDynamicSymbols;

// One export: its name, the ordinal programs bind it by (written out, so that
// a renumbering or two names trading places in the header is caught), and the
// header's constant for it.
struct Export {
    const char* name;
    int ordinal;
    int constant;
};

const std::vector<Export> kExports = {
    {"dvOrvelAutoOpen", 200, DVORVELAUTO_ORD_OPEN},
    {"dvOrvelAutoDisconnect", 201, DVORVELAUTO_ORD_DISCONNECT},
    {"dvOrvelAutoIsAlive", 202, DVORVELAUTO_ORD_IS_ALIVE},
    {"dvOrvelAutoGetVersion", 203, DVORVELAUTO_ORD_GET_VERSION},
    {"dvOrvelAutoMakeRectanglePattern", 210, DVORVELAUTO_ORD_MAKE_RECTANGLE_PATTERN},
    {"dvOrvelAutoDownloadWarp", 211, DVORVELAUTO_ORD_DOWNLOAD_WARP},
    {"dvOrvelAutoCirclePattern", 213, DVORVELAUTO_ORD_CIRCLE_PATTERN},
    {"dvOrvelAutoResetEdgeBlendGamma", 216, DVORVELAUTO_ORD_RESET_EDGE_BLEND_GAMMA},
    {"dvOrvelAutoEnableUniformity", 217, DVORVELAUTO_ORD_ENABLE_UNIFORMITY},
    {"dvOrvelAutoEnableBlackLevel", 218, DVORVELAUTO_ORD_ENABLE_BLACK_LEVEL},
    {"dvOrvelAutoEnableGlobalContrast", 219, DVORVELAUTO_ORD_ENABLE_GLOBAL_CONTRAST},
    {"dvOrvelAutoReadUniformity", 220, DVORVELAUTO_ORD_READ_UNIFORMITY},
    {"dvOrvelAutoReadGlobalContrast", 221, DVORVELAUTO_ORD_READ_GLOBAL_CONTRAST},
    {"dvOrvelAutoReadBlackLevel", 222, DVORVELAUTO_ORD_READ_BLACK_LEVEL},
    {"dvOrvelAutoSaveSys", 224, DVORVELAUTO_ORD_SAVE_SYS},
    {"dvOrvelAutoResetSys", 225, DVORVELAUTO_ORD_RESET_SYS},
    {"dvOrvelAutoImageBlank", 235, DVORVELAUTO_ORD_IMAGE_BLANK},
    {"dvOrvelAutoImageUnBlank", 236, DVORVELAUTO_ORD_IMAGE_UNBLANK},
    {"dvOrvelAutoClearImage", 237, DVORVELAUTO_ORD_CLEAR_IMAGE},
    {"dvOrvelAutoDisplaySolidColor", 238, DVORVELAUTO_ORD_DISPLAY_SOLID_COLOR},
    {"dvOrvelAutoClearSolidColor", 239, DVORVELAUTO_ORD_CLEAR_SOLID_COLOR},
    {"dvOrvelAutoDownloadBlend", 240, DVORVELAUTO_ORD_DOWNLOAD_BLEND},
    {"dvOrvelAutoDrawVLine", 241, DVORVELAUTO_ORD_DRAW_VLINE},
    {"dvOrvelAutoDrawHLine", 242, DVORVELAUTO_ORD_DRAW_HLINE},
};

const std::vector<Export> kVantisPlusExports = {
    {"dvVantisPlusMakeRectanglePattern", 1, DVVANTISPLUS_ORD_MAKE_RECTANGLE_PATTERN},
    {"dvVantisPlusImageFreeze", 2, DVVANTISPLUS_ORD_IMAGE_FREEZE},
    {"dvVantisPlusImageUnFreeze", 3, DVVANTISPLUS_ORD_IMAGE_UNFREEZE},
    {"dvVantisPlusImageBlank", 4, DVVANTISPLUS_ORD_IMAGE_BLANK},
    {"dvVantisPlusImageUnBlank", 5, DVVANTISPLUS_ORD_IMAGE_UNBLANK},
    {"dvVantisPlusClearImage", 7, DVVANTISPLUS_ORD_CLEAR_IMAGE},
    {"dvVantisPlusDisplaySolidColor", 8, DVVANTISPLUS_ORD_DISPLAY_SOLID_COLOR},
    {"dvVantisPlusClearSolidColor", 9, DVVANTISPLUS_ORD_CLEAR_SOLID_COLOR},
    {"dvVantisPlusDownloadWarp", 11, DVVANTISPLUS_ORD_DOWNLOAD_WARP},
    {"dvVantisPlusDownloadBlend", 12, DVVANTISPLUS_ORD_DOWNLOAD_BLEND},
    {"dvVantisPlusDrawVLine", 13, DVVANTISPLUS_ORD_DRAW_VLINE},
    {"dvVantisPlusDrawHLine", 14, DVVANTISPLUS_ORD_DRAW_HLINE},
    {"dvVantisPlusInitSys", 101, DVVANTISPLUS_ORD_INIT_SYS},
    {"dvVantisPlusSaveSys", 102, DVVANTISPLUS_ORD_SAVE_SYS},
    {"dvVantisPlusResetSys", 103, DVVANTISPLUS_ORD_RESET_SYS},
    {"dvVantisPlusChangeInPort", 105, DVVANTISPLUS_ORD_CHANGE_IN_PORT},
    {"dvVantisPlusGetAddr", 106, DVVANTISPLUS_ORD_GET_ADDR},
    {"dvVantisPlusDownload", 150, DVVANTISPLUS_ORD_DOWNLOAD},
    {"dvVantisPlusFactory", 151, DVVANTISPLUS_ORD_FACTORY},
};

TEST(LinkOrdinals, HeaderConstantsMatchTheAssignedOrdinals) {
    ASSERT_EQ(kExports.size(), static_cast<std::size_t>(DVORVELAUTO_EXPORT_COUNT));
    for (const Export& e : kExports) EXPECT_EQ(e.constant, e.ordinal) << e.name;
    ASSERT_EQ(kVantisPlusExports.size(), static_cast<std::size_t>(DVVANTISPLUS_EXPORT_COUNT));
    for (const Export& e : kVantisPlusExports) EXPECT_EQ(e.constant, e.ordinal) << e.name;
}

TEST(LinkOrdinals, UnassignedOrdinalsStayFree) {
    const std::set<int> unassigned = {204, 205, 206, 207, 208, 209, 212, 214, 215, 223,
                                      226, 227, 228, 229, 230, 231, 232, 233, 234};
    std::set<int> seen;
    for (const Export& e : kExports) {
        EXPECT_FALSE(unassigned.count(e.constant)) << e.name;
        EXPECT_TRUE(seen.insert(e.constant).second) << e.name << " shares its ordinal";
    }
    for (int ordinal = 200; ordinal <= 242; ++ordinal)
        EXPECT_NE(seen.count(ordinal) == 1, unassigned.count(ordinal) == 1) << ordinal;
}

TEST(LinkOrdinals, LibraryExportsExactlyTheListedNames) {
    std::set<std::string> expected;
    for (const Export& e : kExports) expected.insert(e.name);
    const std::set<std::string> actual = DefinedDynamicSymbols(DVORVELAUTO_LIBRARY_PATH);
    ASSERT_FALSE(actual.empty()) << "nm could not read " << DVORVELAUTO_LIBRARY_PATH;
    EXPECT_EQ(actual, expected);

    void* library = ::dlopen(DVORVELAUTO_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    for (const Export& e : kExports) EXPECT_NE(::dlsym(library, e.name), nullptr) << e.name;
    ::dlclose(library);
}

}  // namespace
