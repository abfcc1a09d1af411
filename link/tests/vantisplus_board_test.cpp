// The older link variant against the simulated board, and its export list.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "dvOrvelAuto.h"
#include "dvVantisPlus.h"
#include "exported_symbols.h"
#include "link/legacy_warp.h"

namespace vantis::link {
namespace {

// Boards of this suite live on 127.0.0.40-59.
class VantisPlusBoard : public testing::BoardFixture {
  protected:
    int FirstOctet() const override { return 40; }
    int LastOctet() const override { return 59; }
};

std::vector<VantisPlusWarpPoint> IdentityRecords() {
    std::vector<VantisPlusWarpPoint> t(128 * 78);
    for (int j = 0; j < 78; ++j)
        for (int i = 0; i < 128; ++i) t[128 * j + i] = {16.0f * i, 16.0f * j};
    return t;
}

TEST_F(VantisPlusBoard, IdentityWarpThroughTheDataPort) {
    const auto table = IdentityRecords();
    ASSERT_EQ(dvVantisPlusDownloadWarp(handle, table.data(), 1280, 720), 0);
    const wallsim::BoardState b = board->Snapshot();
    EXPECT_EQ(b.warp.downloadsCompleted, 1);
    EXPECT_EQ(b.warp.blocksReceived, 0);
    // Rows 0..45, entries 0..84 were streamed: the identity on the panel.
    for (int r = 0; r <= 45; ++r)
        for (int k = 4; k <= 84; ++k) {
            ASSERT_EQ(b.warp.SourceX(k, r), 16.0 * (k - 4)) << k << "," << r;
            ASSERT_EQ(b.warp.SourceY(k, r), 16.0 * r) << k << "," << r;
        }
    EXPECT_EQ(b.warp.SourceX(0, 7), 0.0);
    // Scale 1280 / 1280 and 720 / 720 = 1.0: below 1.1, set 7 both ways.
    const FilterTaps& set7 = LegacyTapSet(7);
    EXPECT_TRUE(std::equal(set7.begin(), set7.end(), b.filters.horizontal.begin()));
    EXPECT_TRUE(std::equal(set7.begin(), set7.end(), b.filters.vertical.begin()));
    EXPECT_EQ(b.filters.loads, 1);
    // No 0x15 latch on this path.
    for (const auto& w : b.registerWrites) EXPECT_FALSE(w.page == 0xFF && w.reg == 0x02 && w.value == 0x15);
}

TEST_F(VantisPlusBoard, SharedOperationsAndTheQuietOnes) {
    EXPECT_EQ(dvVantisPlusImageBlank(handle), 0);
    EXPECT_EQ(dvVantisPlusDisplaySolidColor(handle, 0x00FF0000), 0);
    const BlendEdges edges = {{0, 0, 100, 1, 1180, 100, 0, 0, 100, 0, 700, 100}};
    EXPECT_EQ(dvVantisPlusDownloadBlend(handle, 1280, 800, &edges, 1, 2.2), 0);
    EXPECT_EQ(dvVantisPlusSaveSys(handle), 0);
    wallsim::BoardState b = board->Snapshot();
    EXPECT_TRUE(b.blanked);
    EXPECT_EQ(b.solidColour, 0xFF0000u);
    EXPECT_TRUE(b.blend.zones[wallsim::kBlendRight].enabled);
    EXPECT_EQ(b.savesPerformed, 1);
    EXPECT_EQ(dvVantisPlusResetSys(handle, 2), 0);
    b = board->Snapshot();
    EXPECT_FALSE(b.blend.zones[wallsim::kBlendRight].enabled);
    const std::size_t before = b.frames.size();

    EXPECT_EQ(dvVantisPlusImageFreeze(handle), 0);
    EXPECT_EQ(dvVantisPlusImageUnFreeze(handle), 0);
    EXPECT_EQ(dvVantisPlusChangeInPort(handle), 0);
    EXPECT_EQ(dvVantisPlusGetAddr(handle), 0);
    EXPECT_EQ(dvVantisPlusDownload(handle), 0);
    EXPECT_EQ(dvVantisPlusFactory(-1), 0);
    uint16_t init = 0xBEEF;
    EXPECT_EQ(dvVantisPlusInitSys(handle, &init), 0);
    EXPECT_EQ(init, 0);
    EXPECT_EQ(dvVantisPlusInitSys(handle, nullptr), 0);
    // Refused arguments: nothing sent either.
    EXPECT_EQ(dvVantisPlusDownloadWarp(handle, nullptr, 1280, 800), LINK_RESULT_CONNECTION);
    const auto table = IdentityRecords();
    EXPECT_EQ(dvVantisPlusDownloadWarp(handle, table.data(), 1280, 1300), LINK_RESULT_CONNECTION);
    EXPECT_EQ(board->Snapshot().frames.size(), before);
}

TEST(VantisPlusExports, ExactlyTheOlderNames) {
    const std::set<std::string> expected = {"dvVantisPlusMakeRectanglePattern",
                                            "dvVantisPlusImageFreeze",
                                            "dvVantisPlusImageUnFreeze",
                                            "dvVantisPlusImageBlank",
                                            "dvVantisPlusImageUnBlank",
                                            "dvVantisPlusClearImage",
                                            "dvVantisPlusDisplaySolidColor",
                                            "dvVantisPlusClearSolidColor",
                                            "dvVantisPlusDownloadWarp",
                                            "dvVantisPlusDownloadBlend",
                                            "dvVantisPlusDrawVLine",
                                            "dvVantisPlusDrawHLine",
                                            "dvVantisPlusInitSys",
                                            "dvVantisPlusSaveSys",
                                            "dvVantisPlusResetSys",
                                            "dvVantisPlusChangeInPort",
                                            "dvVantisPlusGetAddr",
                                            "dvVantisPlusDownload",
                                            "dvVantisPlusFactory"};
    ASSERT_EQ(expected.size(), std::size_t(DVVANTISPLUS_EXPORT_COUNT));
    EXPECT_EQ(testing::DefinedDynamicSymbols(DVVANTISPLUS_LIBRARY_PATH), expected);
}

}  // namespace
}  // namespace vantis::link
