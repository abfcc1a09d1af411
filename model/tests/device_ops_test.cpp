// Document operations against simulated engine boards on 127.0.0.60-99.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>

#include "dvOrvelAuto.h"
#include "vantis/delays.h"
#include "vantis/model/device_ops.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"
#include "wallsim/board_server.h"

namespace wallsim {
// Frames print as class, code and payload bytes in failure messages.
void PrintTo(const ReceivedFrame& f, std::ostream* os) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X/%02X:", f.frameClass, f.code);
    *os << text;
    for (std::size_t k = 0; k < f.payload.size() && k < 24; ++k) {
        std::snprintf(text, sizeof text, " %02X", f.payload[k]);
        *os << text;
    }
    if (f.payload.size() > 24) *os << " ... (" << f.payload.size() << " bytes)";
}
}  // namespace wallsim

namespace vm = vantis::model;
using VantisAuto::CDoc;
using wallsim::BoardServer;
using wallsim::ReceivedFrame;

namespace {

std::vector<ReceivedFrame> Frames(const BoardServer& board) {
    std::vector<ReceivedFrame> frames;
    board.Inspect([&](const wallsim::BoardState& s) { frames = s.frames; });
    return frames;
}

// A fault for the next prepare frame only.
wallsim::Fault PrepareFault(wallsim::FaultMode mode, std::vector<std::uint8_t> reply = {}) {
    wallsim::Fault fault;
    fault.mode = mode;
    fault.code = 0x32;
    fault.times = 1;
    fault.reply = std::move(reply);
    return fault;
}

void Forget(BoardServer& board) {
    board.Modify([](wallsim::BoardState& s) {
        s.frames.clear();
        s.lines.clear();
    });
}

// Three channels: two live boards around one address where nothing answers.
// A reference board is driven directly through the link, so each test can
// compare what an operation sent with what the same link calls send.
//
// Every test case takes its own five addresses (slot k: 127.0.0.60+5k ..
// 64+5k): test cases run in parallel processes, and two processes binding
// boards in one shared range can race each other onto the same address.
class DeviceOps : public ::testing::Test {
  protected:
    void Start(int slot) {
        // The full 10 s link time-out: a loaded machine may take a while to
        // answer, and nothing here waits for a time-out when all goes well
        // (the dead address refuses at once).
        vantis::delays::SetTimeoutScale(1.0);
        const int first = 60 + 5 * slot, last = first + 4;
        ASSERT_LE(last, 99);
        first_ = BoardServer::StartInRange(first, last);
        if (auto quiet = wallsim::QuietAddress::InRange(first, last)) dead_.emplace(std::move(*quiet));
        second_ = BoardServer::StartInRange(first, last);
        reference_ = BoardServer::StartInRange(first, last);
        ASSERT_TRUE(first_ && dead_ && second_ && reference_)
            << "addresses " << first << "-" << last << " taken";
        doc_.m_nTiming = 8;
        for (std::uint32_t address :
             {first_->address_value(), dead_->address_value(), second_->address_value()}) {
            auto* c = doc_.AddChannel(address);
            c->m_hLink = dvOrvelAutoOpen(address);
        }
        ASSERT_NE(doc_.m_channels[0]->m_hLink, 0);
        ASSERT_EQ(doc_.m_channels[1]->m_hLink, 0);
        ASSERT_NE(doc_.m_channels[2]->m_hLink, 0);
        link_ = dvOrvelAutoOpen(reference_->address_value());
        ASSERT_NE(link_, 0);
    }
    void TearDown() override {
        doc_.DisconnectAll();
        if (link_ != 0) dvOrvelAutoDisconnect(link_);
        vantis::delays::SetTimeoutScale(0);
    }
    // Both live boards received exactly what the reference board received.
    void ExpectSameAsReference(const char* what) {
        const auto expected = Frames(*reference_);
        ASSERT_FALSE(expected.empty()) << what;
        EXPECT_EQ(Frames(*first_), expected) << what;
        EXPECT_EQ(Frames(*second_), expected) << what << " (channel after the dead one)";
        Forget(*first_);
        Forget(*second_);
        Forget(*reference_);
    }

    CDoc doc_;
    std::unique_ptr<BoardServer> first_, second_, reference_;
    std::optional<wallsim::QuietAddress> dead_;
    LinkHandle link_ = 0;
};

}  // namespace

TEST_F(DeviceOps, DocumentWidePassesSendTheLinkCommandsToEveryChannel) {
    ASSERT_NO_FATAL_FAILURE(Start(0));
    doc_.ClearAll();
    dvOrvelAutoClearImage(link_);
    ExpectSameAsReference("ClearAll");

    doc_.ResetAll();
    dvOrvelAutoResetSys(link_, 8);
    ExpectSameAsReference("ResetAll");

    doc_.ResetBlendGamma();
    dvOrvelAutoResetEdgeBlendGamma(link_, 8);
    ExpectSameAsReference("ResetBlendGamma");

    doc_.DisableBlackLevel();
    dvOrvelAutoEnableBlackLevel(link_, 0);
    ExpectSameAsReference("DisableBlackLevel");

    doc_.SaveAll();
    dvOrvelAutoSaveSys(link_);
    ExpectSameAsReference("SaveAll");
    EXPECT_EQ(first_->Snapshot().savesPerformed, 1);

    doc_.ShowWhiteAll();
    dvOrvelAutoDisplaySolidColor(link_, 0xFFFFFF);
    ExpectSameAsReference("ShowWhiteAll");

    doc_.ClearWhiteAll();
    dvOrvelAutoClearSolidColor(link_);
    ExpectSameAsReference("ClearWhiteAll");
}

TEST_F(DeviceOps, ReadCorrectionsFillsEachChannelsFlags) {
    ASSERT_NO_FATAL_FAILURE(Start(1));
    dvOrvelAutoEnableUniformity(doc_.m_channels[0]->m_hLink, 1);
    dvOrvelAutoEnableGlobalContrast(doc_.m_channels[2]->m_hLink, 1);
    dvOrvelAutoEnableBlackLevel(doc_.m_channels[2]->m_hLink, 1);
    doc_.m_channels[1]->m_bUniformity = 1;  // the dead channel reads as off
    doc_.ReadCorrections();
    EXPECT_EQ(doc_.m_channels[0]->m_bUniformity, 1);
    EXPECT_EQ(doc_.m_channels[0]->m_bGlobalContrast, 0);
    EXPECT_EQ(doc_.m_channels[0]->m_bBlackLevel, 0);
    EXPECT_EQ(doc_.m_channels[1]->m_bUniformity, 0);
    EXPECT_EQ(doc_.m_channels[2]->m_bGlobalContrast, 1);
    EXPECT_EQ(doc_.m_channels[2]->m_bBlackLevel, 1);
}

TEST_F(DeviceOps, WarpDownloadsArePrecededByThePrepareFrame) {
    ASSERT_NO_FATAL_FAILURE(Start(2));
    const ReceivedFrame prepare{0x00, 0x32, {}};
    // The channels' own tables.
    for (auto& c : doc_.m_channels) vm::IdentityWarp(8, c->m_forward, c->m_source);
    doc_.m_channels[0]->m_source.x[3][3] += 5.0f;
    doc_.m_channels[2]->m_source.x[3][3] += 5.0f;
    doc_.DownloadWarps();
    auto expected = std::make_unique<vm::TablePairData>();
    auto source = std::make_unique<vm::TablePairData>();
    vm::IdentityWarp(8, *expected, *source);
    source->x[3][3] += 5.0f;
    EXPECT_EQ(vm::WarpPrepareCommand(link_), vm::kPrepareOk);
    TablePair f{expected->x.Columns(), expected->y.Columns()}, s{source->x.Columns(), source->y.Columns()};
    dvOrvelAutoDownloadWarp(link_, &f, &s, 1920, 1080);
    EXPECT_EQ(Frames(*reference_).front(), prepare);
    ExpectSameAsReference("DownloadWarps");

    // Identity: the same frames as the identity tables of the timing.
    doc_.DownloadIdentityWarps();
    source->x[3][3] -= 5.0f;
    vm::WarpPrepareCommand(link_);
    dvOrvelAutoDownloadWarp(link_, &f, &s, 1920, 1080);
    ExpectSameAsReference("DownloadIdentityWarps");

    // One channel for another timing; the caller holds the lock.
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        doc_.DownloadChannelIdentityWarp(4, *doc_.m_channels[0]);
    }
    vm::IdentityWarp(4, *expected, *source);
    vm::WarpPrepareCommand(link_);
    dvOrvelAutoDownloadWarp(link_, &f, &s, 1920, 1200);
    EXPECT_EQ(Frames(*first_), Frames(*reference_));
    EXPECT_TRUE(Frames(*second_).empty());
}

TEST_F(DeviceOps, BlendDownloadStoresTheGammaAndSendsEachChannelsZones) {
    ASSERT_NO_FATAL_FAILURE(Start(3));
    doc_.m_nLayout = 2;  // 3 x 1
    doc_.m_overlapPixels[0] = 30;
    for (int n = 0; n < 3; ++n) doc_.m_channels[n]->m_nColumn = n + 1;
    doc_.m_channels[2]->m_nColumn = 2;  // both live channels in the middle column
    doc_.m_channels[0]->m_nColumn = 2;
    doc_.DownloadBlends(1.8);
    EXPECT_EQ(doc_.m_gamma.m_gamma, 1.8);
    const BlendEdges edges = vm::ComputeBlendEdges(30, 0, 1920, 1080, {3, 1}, 2, 1);
    dvOrvelAutoDownloadBlend(link_, 1920, 1080, &edges, 1, 1.8);
    ExpectSameAsReference("DownloadBlends");
}

TEST_F(DeviceOps, CalibratedWallGetsItsSeamNarrowedToWhatBothSidesShow) {
    ASSERT_NO_FATAL_FAILURE(Start(6));
    doc_.m_nLayout = 1;  // 2 x 1, 1920 x 1080
    doc_.m_nSolution = 1;
    doc_.m_overlapPixels[0] = 320;
    doc_.m_channels[0]->m_nColumn = 1;
    doc_.m_channels[1]->m_nColumn = 2;
    doc_.m_channels[2]->m_nColumn = 2;
    // The left projector's panel ends at picture column 1881, the right one's starts at 10.
    const int columns = vm::WarpNodesFor(1920), rows = vm::WarpNodesFor(1080);
    for (int c : {0, 2})
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < columns; ++j) {
                const float x = j == columns - 1 ? 1920.0f : 16.0f * j,
                            y = i == rows - 1 ? 1080.0f : 16.0f * i;
                doc_.m_channels[c]->m_forward.x[j][i] = c == 0 ? 1.02f * x : x - 10.0f;
                doc_.m_channels[c]->m_forward.y[j][i] = y;
            }
    doc_.m_bWarped = true;
    vm::SetConfiguredBlendZoneRule(vm::BlendZoneRule::kPicture);
    doc_.DownloadBlends(2.2);
    const auto left = first_->Snapshot().blend.zones, right = second_->Snapshot().blend.zones;
    EXPECT_TRUE(left[wallsim::kBlendRight].enabled);
    EXPECT_EQ(left[wallsim::kBlendRight].start, 1611);
    EXPECT_EQ(left[wallsim::kBlendRight].width, 272);
    EXPECT_TRUE(right[wallsim::kBlendLeft].enabled);
    EXPECT_EQ(right[wallsim::kBlendLeft].start, 10);
    EXPECT_EQ(right[wallsim::kBlendLeft].width, 272);
}

TEST_F(DeviceOps, OverlapPreviewColoursAlternateBySlotAndSwapInMultiRowLayouts) {
    ASSERT_NO_FATAL_FAILURE(Start(4));
    doc_.m_nTiming = 2;  // 1280 x 800: its own frame
    doc_.m_nLayout = 2;  // 3 x 1
    doc_.m_overlapPixels[0] = 100;
    doc_.m_channels[0]->m_nSlot = 0;
    doc_.m_channels[0]->m_nColumn = 2;
    doc_.m_channels[2]->m_nSlot = 1;
    doc_.m_channels[2]->m_nColumn = 3;
    doc_.DrawOverlapPreview();
    const auto lines0 = first_->Snapshot().lines;
    const auto lines2 = second_->Snapshot().lines;
    using L = wallsim::Line;
    const std::vector<L> expected0 = {
        {false, 0, 1, 1280, 0xFF00FF},  {false, 0, 799, 1280, 0xFF00FF}, {true, 0, 1, 799, 0xFF00FF},
        {true, 1279, 1, 799, 0xFF00FF},  // frame, slot 0
        {true, 0, 0, 800, 0xFFFF00},    {true, 100, 0, 800, 0xFFFF00},   {true, 1179, 0, 800, 0xFFFF00},
        {true, 1279, 0, 800, 0xFFFF00},  // lines 0x00FFFF sent red/blue exchanged
    };
    EXPECT_EQ(lines0, expected0);
    const std::vector<L> expected2 = {
        {false, 0, 1, 1280, 0x00FF00},  {false, 0, 799, 1280, 0x00FF00}, {true, 0, 1, 799, 0x00FF00},
        {true, 1279, 1, 799, 0x00FF00}, {true, 0, 0, 800, 0x00FFFF},     {true, 100, 0, 800, 0x00FFFF},
    };
    EXPECT_EQ(lines2, expected2);

    // 2 x 2: slot 2 of two rows lies in an odd block, so its colours swap.
    Forget(*first_);
    Forget(*second_);
    doc_.m_nTiming = 8;
    doc_.m_nLayout = 11;
    doc_.m_overlapPixels[1] = 60;
    doc_.m_channels[0]->m_nSlot = 2;
    doc_.m_channels[0]->m_nColumn = 1;
    doc_.m_channels[0]->m_nRow = 2;
    doc_.DrawChannelOverlapPreview(*doc_.m_channels[0]);
    const auto lines = first_->Snapshot().lines;
    const std::vector<L> expected = {
        {false, 0, 0, 1920, 0x00FF00},   {false, 0, 1079, 1920, 0x00FF00},
        {true, 0, 0, 1080, 0x00FF00},    {true, 1919, 1, 1080, 0x00FF00},  // frame of the other colour pair
        {true, 1819, 0, 1080, 0x00FFFF}, {true, 1919, 0, 1080, 0x00FFFF},  // column 1: right pair
        {false, 0, 0, 1920, 0x00FFFF},   {false, 0, 60, 1920, 0x00FFFF},   // row 2 = last: top pair
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(second_->Snapshot().lines.empty());

    Forget(*first_);
    doc_.DrawFramesAll();
    const std::vector<L> white = {{false, 0, 0, 1920, 0xFFFFFF},
                                  {false, 0, 1079, 1920, 0xFFFFFF},
                                  {true, 0, 0, 1080, 0xFFFFFF},
                                  {true, 1919, 1, 1080, 0xFFFFFF}};
    EXPECT_EQ(first_->Snapshot().lines, white);
    EXPECT_EQ(second_->Snapshot().lines, white);
}

TEST_F(DeviceOps, PrepareCommandOutcomes) {
    ASSERT_NO_FATAL_FAILURE(Start(5));
    EXPECT_EQ(vm::WarpPrepareCommand(0), vm::kPrepareRefused);
    EXPECT_EQ(vm::WarpPrepareCommand(link_), vm::kPrepareOk);

    reference_->SetFault(PrepareFault(wallsim::FaultMode::kRefuse));
    EXPECT_EQ(vm::WarpPrepareCommand(link_), vm::kPrepareRefused);  // payload 0

    std::vector<std::uint8_t> tooLong = {0xFE, 0x01, 0x32, 0x08, 0x01};  // length 2049
    tooLong.resize(5 + 2049, 0x01);
    tooLong.push_back(0xFF);
    reference_->SetFault(PrepareFault(wallsim::FaultMode::kMalformed, tooLong));
    EXPECT_EQ(vm::WarpPrepareCommand(link_), vm::kPrepareInvalid);
    dvOrvelAutoDisconnect(link_);
    link_ = dvOrvelAutoOpen(reference_->address_value());  // a fresh socket without the rest of that reply

    reference_->SetFault(
        PrepareFault(wallsim::FaultMode::kMalformed, {0xFE, 0x01, 0x32, 0x00, 0x02, 0x01, 0x01, 0xFF}));
    EXPECT_EQ(vm::WarpPrepareCommand(link_), vm::kPrepareRefused);  // valid, but two payload bytes
    reference_->SetFault(
        PrepareFault(wallsim::FaultMode::kMalformed, {0xFE, 0x01, 0x32, 0x00, 0x01, 0x01, 0x00}));
    EXPECT_EQ(vm::WarpPrepareCommand(link_), vm::kPrepareInvalid);  // no end byte
    reference_->SetFault(PrepareFault(wallsim::FaultMode::kClose));
    EXPECT_EQ(vm::WarpPrepareCommand(link_), vm::kPrepareInvalid);  // no reply at all
}

TEST(BlendEdges, ZonesFromOverlapLayoutAndPosition) {
    const auto zones = [](int overlap, vm::LayoutInfo layout, int column, int row) {
        return vm::ComputeBlendEdges(overlap, overlap, 1920, 1080, layout, column, row);
    };
    // left, right, top, bottom: enable, start, width
    auto e = zones(30, {2, 1}, 1, 1);
    EXPECT_EQ(std::vector<int>(e.v, e.v + 12),
              (std::vector<int>{0, 0, 50, 1, 1870, 50, 0, 0, 50, 0, 1030, 50}));
    e = zones(480, {2, 1}, 2, 1);
    EXPECT_EQ(std::vector<int>(e.v, e.v + 12),
              (std::vector<int>{1, 0, 480, 0, 1440, 480, 0, 0, 480, 0, 600, 480}));
    e = zones(100, {1, 3}, 1, 2);  // one column: no left or right zone
    EXPECT_EQ(e.v[0], 0);
    EXPECT_EQ(e.v[3], 0);
    EXPECT_EQ(e.v[6], 1);
    EXPECT_EQ(e.v[9], 1);
    e = zones(100, {3, 2}, 1, 1);
    EXPECT_EQ((std::vector<int>{e.v[0], e.v[3], e.v[6], e.v[9]}), (std::vector<int>{0, 1, 0, 1}));
    e = zones(100, {3, 2}, 3, 2);
    EXPECT_EQ((std::vector<int>{e.v[0], e.v[3], e.v[6], e.v[9]}), (std::vector<int>{1, 0, 1, 0}));
}

TEST(PreviewColours, ExchangeAndAlternation) {
    EXPECT_EQ(vm::SwapRedBlue(0x00FFFF), 0xFFFF00u);
    EXPECT_EQ(vm::SwapRedBlue(0x123456), 0x563412u);
    EXPECT_EQ(vm::PreviewColoursOf(0, {3, 1}).frame, 0xFF00FFu);
    EXPECT_EQ(vm::PreviewColoursOf(1, {3, 1}).frame, 0x00FF00u);
    EXPECT_EQ(vm::PreviewColoursOf(3, {2, 2}).frame, 0xFF00FFu);  // 3 / 2 = 1: swapped
    EXPECT_EQ(vm::PreviewColoursOf(4, {2, 2}).lines, 0x00FFFFu);  // 4 / 2 = 2: not swapped
}

TEST(IdentityWarp, EngineIdentityGridMapsThePanelOntoItself) {
    auto forward = std::make_unique<vm::TablePairData>();
    auto source = std::make_unique<vm::TablePairData>();
    for (int timing : {0, 1, 2, 4, 8}) {
        vm::IdentityWarp(timing, *forward, *source);
        const auto panel = vm::TimingOf(timing);
        const int columns = (panel.width + 15) / 16 + 1, rows = (panel.height + 15) / 16 + 1;
        EXPECT_EQ(forward->x[columns - 1][0], static_cast<float>(panel.width)) << timing;
        EXPECT_EQ(forward->y[0][rows - 1], static_cast<float>(panel.height)) << timing;
        for (int a = 0; 16 * a <= panel.width; ++a) {
            for (int b = 0; 16 * b <= panel.height; ++b) {
                ASSERT_FLOAT_EQ(source->x[a][b], 16.0f * a) << timing;
                ASSERT_FLOAT_EQ(source->y[a][b], 16.0f * b) << timing;
            }
        }
    }
    // Pattern type 5 has no grid: zero tables, nothing computed.
    vm::IdentityWarp(6, *forward, *source);
    EXPECT_EQ(source->x[10][10], 0.0f);
    EXPECT_EQ(forward->x[1][0], 0.0f);
}
