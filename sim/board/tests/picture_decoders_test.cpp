#include "wallsim/picture_decoders.h"

#include <gtest/gtest.h>

#include <memory>

#include "wallsim/board_commands.h"

namespace wallsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A register batch frame from (register, value) words.
ReceivedFrame Words(std::initializer_list<std::pair<int, int>> words) {
    ReceivedFrame f{0x01, 0x11, {}};
    for (auto [r, v] : words) {
        f.payload.push_back(std::uint8_t(r));
        f.payload.push_back(std::uint8_t(v));
    }
    return f;
}

ReceivedFrame Block(std::uint16_t x, std::uint16_t y) {
    ReceivedFrame f{0x01, 0x12, Bytes(1024)};
    for (int e = 0; e < 256; ++e) {
        const std::uint16_t ex = std::uint16_t(x + e);
        f.payload[4 * e + 0] = std::uint8_t(ex);
        f.payload[4 * e + 1] = std::uint8_t(ex >> 8);
        f.payload[4 * e + 2] = std::uint8_t(y);
        f.payload[4 * e + 3] = std::uint8_t(y >> 8);
    }
    return f;
}

const ReceivedFrame kTransferOn =
    Words({{0x00, 1}, {0x20, 0x40}, {0x21, 0x00}, {0x00, 1}, {0x22, 0}, {0x00, 1}, {0x22, 0}});
const ReceivedFrame kTransferOff = Words({{0x00, 1}, {0x20, 0x00}, {0x21, 0x00}});

TEST(PictureDecoders, BlocksFillRowsInArrivalOrder) {
    auto s = std::make_unique<BoardState>();
    EXPECT_EQ(s->warp.At(5, 3), (LatticeNode{256, 768}));  // power-on identity
    // A block outside a transfer is taken and dropped.
    EXPECT_TRUE(ApplyCommand(*s, Block(7, 7)));
    EXPECT_EQ(s->warp.At(0, 0), (LatticeNode{-1024, 0}));

    ASSERT_TRUE(ApplyCommand(*s, kTransferOn));
    EXPECT_TRUE(s->warp.transferOpen);
    ASSERT_TRUE(ApplyCommand(*s, Block(100, 0xC000)));          // rows 0 and 1
    ASSERT_TRUE(ApplyCommand(*s, Block(2000, 0xBFFF)));         // rows 2 and 3
    EXPECT_FALSE(ApplyCommand(*s, {0x01, 0x12, Bytes(1000)}));  // not a block
    ASSERT_TRUE(ApplyCommand(*s, kTransferOff));
    EXPECT_FALSE(s->warp.transferOpen);
    EXPECT_EQ(s->warp.blocksReceived, 2);
    EXPECT_EQ(s->warp.downloadsCompleted, 1);

    EXPECT_EQ(s->warp.At(0, 0), (LatticeNode{100, -16384}));
    EXPECT_EQ(s->warp.At(127, 1), (LatticeNode{100 + 255, -16384}));
    EXPECT_EQ(s->warp.At(3, 2), (LatticeNode{2003, 49151}));
    EXPECT_EQ(s->warp.At(0, 4), (LatticeNode{-1024, 16 * 16 * 4}));  // not reached: unchanged

    // A new transfer starts again at rows 0 and 1.
    ASSERT_TRUE(ApplyCommand(*s, kTransferOn));
    ASSERT_TRUE(ApplyCommand(*s, Block(5, 5)));
    EXPECT_EQ(s->warp.At(0, 0), (LatticeNode{5, 5}));
    EXPECT_EQ(s->warp.At(0, 2), (LatticeNode{2000, 49151}));
}

TEST(PictureDecoders, DataPortWritesAtThePointer) {
    auto s = std::make_unique<BoardState>();
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 1}, {0x20, 0x40}, {0x21, 0x00}})));
    // Row 3: pointer low (3 mod 2) x 128, high 3 div 2 -> entry 384 = row 3, column 0.
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 1}, {0x22, 128}, {0x00, 1}, {0x22, 1}})));
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 1},
                                        {0x23, 0x40},
                                        {0x00, 1},
                                        {0x23, 0x06},
                                        {0x00, 1},
                                        {0x23, 0xF1},
                                        {0x00, 1},
                                        {0x23, 0xFF},
                                        {0x00, 1},
                                        {0x23, 0x10},
                                        {0x00, 1},
                                        {0x23, 0x00},
                                        {0x00, 1},
                                        {0x23, 0x20}})));
    EXPECT_EQ(s->warp.At(0, 3), (LatticeNode{0x0640, -15}));
    EXPECT_EQ(s->warp.portBytes, 3);  // the next entry is three bytes in
    // A new pointer drops the partial entry.
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 1},
                                        {0x22, 0},
                                        {0x00, 1},
                                        {0x22, 0},
                                        {0x00, 1},
                                        {0x23, 1},
                                        {0x00, 1},
                                        {0x23, 0},
                                        {0x00, 1},
                                        {0x23, 2},
                                        {0x00, 1},
                                        {0x23, 0}})));
    EXPECT_EQ(s->warp.At(0, 0), (LatticeNode{1, 2}));
    EXPECT_EQ(s->warp.At(1, 3), (LatticeNode{16 * 16 * -3, 16 * 16 * 3}));  // identity kept
    ASSERT_TRUE(ApplyCommand(*s, kTransferOff));
    // Outside a transfer the port is ignored.
    ASSERT_TRUE(ApplyCommand(
        *s, Words({{0x00, 1}, {0x23, 9}, {0x00, 1}, {0x23, 9}, {0x00, 1}, {0x23, 9}, {0x00, 1}, {0x23, 9}})));
    EXPECT_EQ(s->warp.At(1, 0), (LatticeNode{16 * 16 * -3, 0}));
}

TEST(PictureDecoders, FiltersBecomeActiveWhenControlReturnsToZero) {
    auto s = std::make_unique<BoardState>();
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 0xFF},
                                        {0x02, 0x3F},
                                        {0x00, 2},
                                        {0x08, 0xFF},
                                        {0x00, 2},
                                        {0x1F, 0x40},
                                        {0x00, 2},
                                        {0x37, 0x3C}})));
    EXPECT_EQ(s->filters.horizontal, ResampleFilters::kUnitScale);  // not yet
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 0xFF}, {0x02, 0x15}})));
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 0xFF}, {0x02, 0x00}})));
    EXPECT_EQ(s->filters.loads, 1);
    EXPECT_EQ(s->filters.horizontal[0], -1);
    EXPECT_EQ(s->filters.horizontal[23], 64);
    EXPECT_EQ(s->filters.vertical[23], 60);
    EXPECT_EQ(s->filters.vertical[0], 0);
    // A second 0x00 is no new load.
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 0xFF}, {0x02, 0x00}})));
    EXPECT_EQ(s->filters.loads, 1);
}

TEST(PictureDecoders, BlendZonesFromRegisters) {
    auto s = std::make_unique<BoardState>();
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 3},
                                        {0x0E, 0x1C},
                                        {0x0F, 0x07},
                                        {0x10, 100},
                                        {0x11, 0},
                                        {0x21, 0x6A},
                                        {0x22, 0xFD},
                                        {0x1E, 0x80},
                                        {0x23, 0x80},
                                        {0x08, 0xF2},
                                        {0x09, 0x00}})));
    const BlendState& b = s->blend;
    EXPECT_EQ(b.zones[kBlendRight], (BlendZoneState{true, 1820, 100, 64874}));
    EXPECT_FALSE(b.zones[kBlendLeft].enabled);
    EXPECT_EQ(b.enableFlags, 0x00F2);
    EXPECT_EQ(b.leftOffMarker, 0x80);
    EXPECT_EQ(b.topOffMarker, 0x80);

    EXPECT_TRUE(ApplyCommand(*s, {0x01, 0x28, {0xDC, 0x00}}));
    EXPECT_TRUE(ApplyCommand(*s, {0x01, 0x27, {0x01}}));
    EXPECT_EQ(b.gammaHundredths, 220);
    EXPECT_EQ(b.gammaMode, 1);
    EXPECT_DOUBLE_EQ(b.Gamma(), 2.2);
    EXPECT_FALSE(ApplyCommand(*s, {0x01, 0x28, {0xDC}}));
    EXPECT_FALSE(ApplyCommand(*s, {0x01, 0x27, {}}));
    EXPECT_EQ(b.gammaHundredths, 220);

    // Weights: a rising zone of width 100 (step 662) and a falling one (start value 64874).
    const BlendZoneState left{true, 0, 100, 662};
    EXPECT_DOUBLE_EQ(BlendWeight(left, kBlendLeft, 0), 0.0);
    EXPECT_DOUBLE_EQ(BlendWeight(left, kBlendLeft, 50), 50 * 662 / 65536.0);
    EXPECT_DOUBLE_EQ(BlendWeight(left, kBlendLeft, 99), 1.0);
    EXPECT_DOUBLE_EQ(BlendWeight(b.zones[kBlendRight], kBlendRight, 1819), 1.0);
    EXPECT_DOUBLE_EQ(BlendWeight(b.zones[kBlendRight], kBlendRight, 1820), 64874 / 65536.0);
    EXPECT_DOUBLE_EQ(BlendWeight(b.zones[kBlendRight], kBlendRight, 1918), 0.0);
    EXPECT_DOUBLE_EQ(BlendWeight(b.zones[kBlendTop], kBlendTop, 0), 1.0);  // disabled
}

TEST(PictureDecoders, CorrectionsFollowCommandsAndRegisters) {
    auto s = std::make_unique<BoardState>();
    s->registers[5][0x1F] = 0x41;
    EXPECT_TRUE(ApplyCommand(*s, {0x01, 0x2B, {0x02}}));
    EXPECT_TRUE(s->corrections.globalContrast);
    EXPECT_EQ(s->Register(5, 0x1F), 0x61);
    EXPECT_TRUE(ApplyCommand(*s, {0x01, 0x2B, {0x00}}));
    EXPECT_EQ(s->Register(5, 0x1F), 0x41);
    EXPECT_TRUE(ApplyCommand(*s, {0x01, 0x29, {0x01}}));
    EXPECT_TRUE(ApplyCommand(*s, {0x01, 0x2A, {0x01}}));
    EXPECT_EQ(s->Register(1, 0x24), 0x01);
    EXPECT_EQ(s->Register(3, 0x38), 0x01);
    EXPECT_TRUE(s->corrections.uniformity && s->corrections.blackLevel);
    EXPECT_FALSE(ApplyCommand(*s, {0x01, 0x29, {0x01, 0x01}}));
    // A register batch that clears the bit switches the correction off.
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 1}, {0x24, 0x00}})));
    EXPECT_FALSE(s->corrections.uniformity);
    // And the read answers from the register.
    ASSERT_TRUE(ApplyCommand(*s, Words({{0x00, 3}})));
    EXPECT_EQ(AnswerQuery(*s, {0x81, 0x11, {0x38, 0x00, 0x39, 0x00}}), (Bytes{0x38, 0x01, 0x39, 0x00}));
}

}  // namespace
}  // namespace wallsim
