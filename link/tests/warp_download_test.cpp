#include "link/warp_download.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/argument_checks.h"
#include "recording_link.h"
#include "warp_tables.h"

namespace vantis::link {
namespace {

using testing::PayloadLength;
using testing::RecordingLink;
using testing::RegisterWrite;
using testing::WarpTables;

std::vector<uint8_t> Words(std::initializer_list<uint8_t> bytes, std::size_t padTo, uint8_t padPage) {
    std::vector<uint8_t> w(bytes);
    while (w.size() < 2 * padTo) {
        w.push_back(0x00);
        w.push_back(padPage);
    }
    return w;
}

std::vector<uint8_t> Payload(const std::vector<uint8_t>& frame) {
    return {frame.begin() + 5, frame.end() - 1};
}

struct Download {
    WarpTables forward = WarpTables::Identity();
    WarpTables source = WarpTables::Identity();
    RecordingLink link;
    LinkResult Run(int w = 1920, int h = 1080) {
        return DownloadWarp(link, {forward.xp(), forward.yp()}, {source.xp(), source.yp()},
                            *PanelGridFor(w, h));
    }
};

TEST(WarpDownload, FramesOnTheWire) {
    Download d;
    ASSERT_EQ(d.Run(), kOk);
    const auto& f = d.link.frames;
    ASSERT_EQ(f.size(), 43u);

    // Transfer on, pointer 0 twice, padded to 16 words.
    EXPECT_EQ(Payload(f[0]),
              Words({0x00, 0x01, 0x20, 0x40, 0x21, 0x00, 0x00, 0x01, 0x22, 0x00, 0x00, 0x01, 0x22, 0x00}, 16,
                    0x01));

    // 39 blocks of 1024 bytes, the lattice rows in order.
    LatticeCodes lattice;
    ComputeLattice({d.source.xp(), d.source.yp()}, *PanelGridFor(1920, 1080), lattice);
    for (int b = 0; b < 39; ++b) {
        const auto& block = f[1 + b];
        ASSERT_EQ(block[2], 0x12);
        ASSERT_EQ(PayloadLength(block), 1024u);
        ASSERT_EQ(block.size(), 1030u);
        WarpBlock expected;
        PackWarpBlock(lattice, b, expected);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin() + 5)) << "block " << b;
    }

    // Transfer off.
    EXPECT_EQ(Payload(f[40]), Words({0x00, 0x01, 0x20, 0x00, 0x21, 0x00}, 16, 0x01));

    // The filters: one frame of 112 words (100 and 12 page-select fillers), one of 16.
    ASSERT_EQ(PayloadLength(f[41]), 224u);
    ASSERT_EQ(PayloadLength(f[42]), 32u);
    EXPECT_EQ(Payload(f[42]), Words({0x00, 0xFF, 0x02, 0x00}, 16, 0xFF));
    std::vector<uint8_t> filters = {0x00, 0xFF, 0x02, 0x3F};
    const FilterTaps h = DesignResampleFilter(1.0);
    const FilterTaps v = DesignResampleFilter(1088.0f / 1080.0f);  // the grid's last row is below the panel
    for (int i = 0; i < 24; ++i)
        filters.insert(filters.end(), {0x00, 0x02, uint8_t(0x08 + i), uint8_t(h[i])});
    for (int i = 0; i < 24; ++i)
        filters.insert(filters.end(), {0x00, 0x02, uint8_t(0x20 + i), uint8_t(v[i])});
    filters.insert(filters.end(), {0x00, 0xFF, 0x02, 0x15});
    while (filters.size() < 224) filters.insert(filters.end(), {0x00, 0xFF});
    EXPECT_EQ(Payload(f[41]), filters);
}

TEST(WarpDownload, TheFirstFailedFrameEndsIt) {
    struct Case {
        std::size_t refused;  // index of the refused frame
        std::size_t sent;
    };
    // Transfer-on with the pointer, the first, a middle and the last block, transfer-off,
    // the filter frame and the closing filter write: each failure is the operation's
    // result and nothing after it is sent.
    for (const Case c :
         {Case{0, 1}, Case{1, 2}, Case{7, 8}, Case{39, 40}, Case{40, 41}, Case{41, 42}, Case{42, 43}}) {
        Download d;
        d.link.answer = [&](std::size_t i, const std::vector<uint8_t>&) {
            return i == c.refused ? kRefused : kOk;
        };
        EXPECT_EQ(d.Run(), kRefused) << c.refused;
        EXPECT_EQ(d.link.frames.size(), c.sent) << c.refused;
    }
    // A board that stopped answering mid-download costs one time-out, not one per block.
    Download d;
    d.link.answer = [](std::size_t i, const std::vector<uint8_t>&) { return i >= 3 ? kNetworkError : kOk; };
    EXPECT_EQ(d.Run(), kNetworkError);
    EXPECT_EQ(d.link.frames.size(), 4u);
}

TEST(WarpDownload, ShrunkWarpPicksNarrowerFilters) {
    Download d;
    d.forward.Fill([](int i, int j, float& x, float& y) {
        x = 8.0f * i + 480.0f;
        y = 12.0f * j;
    });
    ASSERT_EQ(d.Run(1920, 1200), kOk);
    const auto writes = d.link.Writes();
    FilterTaps h{}, v{};
    for (const RegisterWrite& w : writes) {
        if (w.page != 2) continue;
        if (w.reg >= 0x08 && w.reg < 0x20) h[w.reg - 0x08] = int8_t(w.value);
        if (w.reg >= 0x20 && w.reg < 0x38) v[w.reg - 0x20] = int8_t(w.value);
    }
    EXPECT_EQ(h, DesignResampleFilter(0.5f));
    EXPECT_EQ(v, DesignResampleFilter(0.75f));
}

TEST(WarpDownload, RefusedArgumentsSendNothing) {
    WarpTables t = WarpTables::Identity();
    RecordingLink link;
    float** x = t.xp();
    float** y = t.yp();
    EXPECT_EQ(DownloadWarpChecked(link, x, y, x, y, 1969, 1080), kArgumentRefused);  // wider than the lattice
    EXPECT_EQ(DownloadWarpChecked(link, x, y, x, y, 1920, 1233), kArgumentRefused);  // taller
    EXPECT_EQ(DownloadWarpChecked(link, x, y, x, y, 0, 1080), kArgumentRefused);
    EXPECT_EQ(DownloadWarpChecked(link, x, y, x, y, 1920, -1), kArgumentRefused);
    EXPECT_EQ(DownloadWarpChecked(link, nullptr, y, x, y, 1920, 1080), kArgumentRefused);
    EXPECT_EQ(DownloadWarpChecked(link, x, y, x, nullptr, 1920, 1080), kArgumentRefused);
    // A missing column within 0..nCols (grid column 120 for 1920).
    float* saved = x[120];
    x[120] = nullptr;
    EXPECT_EQ(DownloadWarpChecked(link, x, y, t.xp(), y, 1920, 1080), kArgumentRefused);
    x[120] = saved;
    // Beyond nCols the tables are not read.
    saved = x[121];
    x[121] = nullptr;
    std::vector<WarpPoint> none;
    EXPECT_EQ(DownloadLegacyWarpChecked(link, nullptr, 1920, 1080), kArgumentRefused);
    EXPECT_EQ(DownloadLegacyWarpChecked(link, none.data(), 2000, 1080), kArgumentRefused);
    EXPECT_TRUE(link.frames.empty());
    EXPECT_EQ(DownloadWarpChecked(link, x, y, x, y, 1920, 1080), kOk);
    EXPECT_EQ(link.frames.size(), 43u);
    x[121] = saved;
    // The largest panel the lattice holds.
    EXPECT_EQ(DownloadWarpChecked(link, t.xp(), y, t.xp(), y, 1968, 1232), kOk);
}

TEST(LegacyWarpDownload, StreamsRowsThroughTheDataPort) {
    // A 64 x 32 panel: 4 x 2 grid cells, rows 0..2, entries 0..8 per row.
    std::vector<WarpPoint> table(128 * 78, WarpPoint{0, 0});
    for (int j = 0; j < 78; ++j)
        for (int i = 0; i < 128; ++i) table[128 * j + i] = {16.0f * i + 2.0f, 16.0f * j};
    RecordingLink link;
    const PanelGrid g = *PanelGridFor(64, 32);
    ASSERT_EQ(DownloadLegacyWarp(link, RecordTable{table.data()}, g), kOk);

    const auto writes = link.Writes();
    std::vector<RegisterWrite> expected = {{1, 0x20, 0x40}, {1, 0x21, 0x00}};
    const float a = 2.0f;
    for (int j = 0; j <= 2; ++j) {
        expected.push_back({1, 0x22, uint8_t((j % 2) * 128)});
        expected.push_back({1, 0x22, uint8_t(j / 2)});
        for (int k = 0; k < 9; ++k) {
            const LatticeCode c = LegacyEntry(RecordTable{table.data()}, g, a, j, k);
            for (uint8_t b : {uint8_t(c.x), uint8_t(c.x >> 8), uint8_t(c.y), uint8_t(c.y >> 8)})
                expected.push_back({1, 0x23, b});
        }
    }
    expected.insert(expected.end(), {{1, 0x20, 0x00}, {1, 0x21, 0x00}, {0xFF, 0x02, 0x3F}});
    // Taps 23 first; scale 64 / 64 = 1.0 and 32 / 32: set 7 both ways.
    const FilterTaps& set = LegacyTapSet(7);
    for (int i = 23; i >= 0; --i) expected.push_back({2, uint8_t(0x08 + i), uint8_t(set[i])});
    for (int i = 23; i >= 0; --i) expected.push_back({2, uint8_t(0x20 + i), uint8_t(set[i])});
    expected.push_back({0xFF, 0x02, 0x00});
    EXPECT_EQ(writes, expected);
    // No 0x15 latch, and no block command.
    EXPECT_TRUE(link.WithCode(0x12).empty());
}

TEST(LegacyWarpDownload, AFailedTransferFrameEndsIt) {
    std::vector<WarpPoint> table(128 * 78, WarpPoint{0, 0});
    RecordingLink link;
    // Frame 0 carries row 0's pointer, frame 1 the first 512 words of its entries.
    link.answer = [](std::size_t i, const std::vector<uint8_t>&) { return i == 1 ? kRefused : kOk; };
    EXPECT_EQ(DownloadLegacyWarp(link, RecordTable{table.data()}, *PanelGridFor(1920, 1080)), kRefused);
    EXPECT_EQ(link.frames.size(), 2u);
}

}  // namespace
}  // namespace vantis::link
