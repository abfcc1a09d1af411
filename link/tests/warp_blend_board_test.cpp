// The warp, blend, reset and correction exports of dvOrvelAuto against the
// simulated board: what arrives, and what the board makes of it.
#include <gtest/gtest.h>

#include <memory>

#include "board_fixture.h"
#include "dvOrvelAuto.h"
#include "link/resample_filters.h"
#include "warp_tables.h"

namespace vantis::link {
namespace {

using testing::WarpTables;

// Boards of this suite live on 127.0.0.40-59.
class WarpBlendBoard : public testing::BoardFixture {
  protected:
    int FirstOctet() const override { return 40; }
    int LastOctet() const override { return 59; }
};

TEST_F(WarpBlendBoard, IdentityWarpComesBackAsIdentity) {
    WarpTables forward = WarpTables::Identity();
    WarpTables source = WarpTables::Identity();
    TablePair f{forward.xp(), forward.yp()};
    TablePair s{source.xp(), source.yp()};
    ASSERT_EQ(dvOrvelAutoDownloadWarp(handle, &f, &s, 1920, 1080), 0);

    const wallsim::BoardState b = board->Snapshot();
    EXPECT_EQ(b.frames.size(), 43u);
    EXPECT_EQ(b.warp.blocksReceived, 39);
    EXPECT_EQ(b.warp.downloadsCompleted, 1);
    EXPECT_FALSE(b.warp.transferOpen);
    // Every node on the panel maps to itself, in all 78 rows.
    for (int r = 0; r < 78; ++r)
        for (int k = 4; k <= 124; ++k) {
            ASSERT_EQ(b.warp.SourceX(k, r), 16.0 * (k - 4)) << k << "," << r;
            ASSERT_EQ(b.warp.SourceY(k, r), 16.0 * r) << k << "," << r;
        }
    // Left of the panel the map runs from 0; right of it the edge column is held.
    EXPECT_EQ(b.warp.SourceX(0, 10), 0.0);
    EXPECT_EQ(b.warp.SourceX(127, 10), 1920.0);
    // Filters: no shrink horizontally; the grid's last row lies 8 pixels below a 1080-line panel.
    const FilterTaps unit = DesignResampleFilter(1.0);
    const FilterTaps tall = DesignResampleFilter(1088.0f / 1080.0f);
    EXPECT_TRUE(std::equal(unit.begin(), unit.end(), b.filters.horizontal.begin()));
    EXPECT_TRUE(std::equal(tall.begin(), tall.end(), b.filters.vertical.begin()));
    EXPECT_EQ(b.filters.loads, 1);
}

TEST_F(WarpBlendBoard, ShiftedWarpReachesTheLattice) {
    WarpTables forward = WarpTables::Identity();
    WarpTables source;
    source.Fill([](int i, int j, float& x, float& y) {
        x = 16.0f * i * 0.5f + 100.0f;
        y = 16.0f * j - 20.0f;
    });
    TablePair f{forward.xp(), forward.yp()};
    TablePair s{source.xp(), source.yp()};
    ASSERT_EQ(dvOrvelAutoDownloadWarp(handle, &f, &s, 1280, 720), 0);
    const wallsim::BoardState b = board->Snapshot();
    EXPECT_EQ(b.warp.SourceX(4, 3), 100.0);
    EXPECT_EQ(b.warp.SourceY(4, 3), 28.0);
    EXPECT_EQ(b.warp.SourceX(84, 0), 740.0);           // grid column 80, the right edge
    EXPECT_EQ(b.warp.SourceX(86, 0), 756.0);           // short of the edge: the last cell (8 px) continued
    EXPECT_EQ(b.warp.SourceY(20, 0), -20.0 + 0.0625);  // -319.5 sixteenths toward zero
    EXPECT_EQ(b.warp.SourceX(2, 0), 50.0);             // half way from 0 to 100
}

TEST_F(WarpBlendBoard, RefusedArgumentsLeaveTheWireQuiet) {
    WarpTables t = WarpTables::Identity();
    TablePair p{t.xp(), t.yp()};
    TablePair noX{nullptr, t.yp()};
    EXPECT_EQ(dvOrvelAutoDownloadWarp(handle, nullptr, &p, 1920, 1080), LINK_RESULT_CONNECTION);
    EXPECT_EQ(dvOrvelAutoDownloadWarp(handle, &p, &noX, 1920, 1080), LINK_RESULT_CONNECTION);
    EXPECT_EQ(dvOrvelAutoDownloadWarp(handle, &p, &p, 2048, 1080), LINK_RESULT_CONNECTION);
    EXPECT_EQ(dvOrvelAutoDownloadWarp(handle, &p, &p, 1920, 0), LINK_RESULT_CONNECTION);
    const BlendEdges narrow = {{1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(dvOrvelAutoDownloadBlend(handle, 1920, 1080, &narrow, 1, 2.2), LINK_RESULT_CONNECTION);
    EXPECT_EQ(dvOrvelAutoDownloadBlend(handle, 1920, 1080, nullptr, 1, 2.2), LINK_RESULT_CONNECTION);
    dvOrvelAutoReadUniformity(handle, nullptr);
    EXPECT_EQ(Frames().size(), 0u);
}

TEST_F(WarpBlendBoard, BlendZonesAndGamma) {
    const BlendEdges edges = {{1, 0, 100, 1, 1820, 100, 0, 0, 100, 1, 1030, 50}};
    ASSERT_EQ(dvOrvelAutoDownloadBlend(handle, 1920, 1080, &edges, 1, 1.8), 0);
    const wallsim::BoardState b = board->Snapshot();
    const auto& z = b.blend.zones;
    EXPECT_EQ(z[wallsim::kBlendLeft], (wallsim::BlendZoneState{true, 0, 100, 662}));
    EXPECT_EQ(z[wallsim::kBlendRight], (wallsim::BlendZoneState{true, 1820, 100, 64874}));
    EXPECT_FALSE(z[wallsim::kBlendTop].enabled);
    EXPECT_EQ(z[wallsim::kBlendBottom], (wallsim::BlendZoneState{true, 1030, 50, 64198}));
    EXPECT_EQ(b.blend.enableFlags & 0xF, 0xB);
    EXPECT_EQ(b.blend.leftOffMarker, 0x00);
    EXPECT_EQ(b.blend.topOffMarker, 0x80);
    EXPECT_EQ(b.blend.gammaMode, 1);
    EXPECT_EQ(b.blend.gammaHundredths, 180);
    // The ramps as weights: black at the left edge, full at the end of the zone.
    EXPECT_EQ(wallsim::BlendWeight(z[0], wallsim::kBlendLeft, 0), 0.0);
    EXPECT_EQ(wallsim::BlendWeight(z[0], wallsim::kBlendLeft, 99), 1.0);
    EXPECT_EQ(wallsim::BlendWeight(z[0], wallsim::kBlendLeft, 500), 1.0);
    EXPECT_NEAR(wallsim::BlendWeight(z[1], wallsim::kBlendRight, 1820), 0.99, 0.001);
    EXPECT_EQ(wallsim::BlendWeight(z[1], wallsim::kBlendRight, 1919), 0.0);
}

TEST_F(WarpBlendBoard, ResetSwitchesEveryZoneOff) {
    const BlendEdges all = {{1, 0, 100, 1, 1820, 100, 1, 0, 100, 1, 980, 100}};
    ASSERT_EQ(dvOrvelAutoDownloadBlend(handle, 1920, 1080, &all, 1, 2.2), 0);
    board->Modify([](wallsim::BoardState& s) {
        s.registers[3][0x09] = 0x50;  // the board's own flag bits
        for (int r = 0x1A; r <= 0x1D; ++r) s.registers[3][r] = 0x0F;
    });
    ASSERT_EQ(dvOrvelAutoResetSys(handle, 8), 0);
    wallsim::BoardState b = board->Snapshot();
    for (const auto& zone : b.blend.zones) EXPECT_FALSE(zone.enabled);
    EXPECT_EQ(b.blend.enableFlags, 0x5000);
    EXPECT_EQ(b.blend.leftOffMarker, 0x80);
    EXPECT_EQ(b.blend.topOffMarker, 0x80);
    EXPECT_EQ(b.blend.gammaMode, 0);
    EXPECT_EQ(b.blend.gammaHundredths, 220);  // unchanged by a reset
    for (int r = 0x1A; r <= 0x1D; ++r) EXPECT_EQ(b.Register(3, r), 0x0E) << r;

    ASSERT_EQ(dvOrvelAutoDownloadBlend(handle, 1920, 1080, &all, 1, 2.2), 0);
    ASSERT_EQ(dvOrvelAutoResetEdgeBlendGamma(handle, 1), 0);
    b = board->Snapshot();
    for (const auto& zone : b.blend.zones) EXPECT_FALSE(zone.enabled);
}

TEST_F(WarpBlendBoard, ReadsReturnWhatEnablesSet) {
    uint8_t out = 0xAA;
    struct Pair {
        LinkResult (*enable)(LinkHandle, int32_t);
        void (*read)(LinkHandle, uint8_t*);
    };
    for (const Pair p : {Pair{dvOrvelAutoEnableUniformity, dvOrvelAutoReadUniformity},
                         Pair{dvOrvelAutoEnableBlackLevel, dvOrvelAutoReadBlackLevel},
                         Pair{dvOrvelAutoEnableGlobalContrast, dvOrvelAutoReadGlobalContrast}}) {
        EXPECT_EQ(p.enable(handle, 1), 0);
        p.read(handle, &out);
        EXPECT_EQ(out, 1);
        EXPECT_EQ(p.enable(handle, 0), 0);
        p.read(handle, &out);
        EXPECT_EQ(out, 0);
        EXPECT_EQ(p.enable(handle, 2), 0);  // sent as 02; the board takes any non-zero as on
        p.read(handle, &out);
        EXPECT_EQ(out, 1);
    }
    const wallsim::BoardState b = board->Snapshot();
    EXPECT_TRUE(b.corrections.uniformity && b.corrections.blackLevel && b.corrections.globalContrast);
    // Each pair: enable, then page select and query, three times over.
    EXPECT_EQ(b.frames[9].code, 0x2A);
    EXPECT_EQ(b.frames[9].payload, std::vector<uint8_t>{0x01});
    EXPECT_EQ(b.frames[24].code, 0x2B);
    EXPECT_EQ(b.frames[24].payload, std::vector<uint8_t>{0x02});
}

TEST_F(WarpBlendBoard, AFailedReadStoresZero) {
    ASSERT_EQ(dvOrvelAutoEnableUniformity(handle, 1), 0);
    // The query (the frame after the page select) gets an empty reply.
    wallsim::Fault fault;
    fault.mode = wallsim::FaultMode::kMalformed;
    fault.reply = {0xFE, 0x81, 0x11, 0x00, 0x00, 0xFF};
    fault.code = 0x11;
    fault.skip = 1;
    fault.times = 1;
    board->SetFault(fault);
    uint8_t out = 0xAA;
    dvOrvelAutoReadUniformity(handle, &out);
    EXPECT_EQ(out, 0);
    board->ClearFault();
    dvOrvelAutoReadUniformity(handle, &out);
    EXPECT_EQ(out, 1);
    // No socket at all.
    out = 0xAA;
    dvOrvelAutoReadBlackLevel(-1, &out);
    EXPECT_EQ(out, 0);
}

}  // namespace
}  // namespace vantis::link
