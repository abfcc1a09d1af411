#include "link/blend_download.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/argument_checks.h"
#include "recording_link.h"

namespace vantis::link {
namespace {

using testing::RecordingLink;
using testing::RegisterWrite;

std::vector<uint8_t> Frame(std::initializer_list<uint8_t> bytes) {
    return bytes;
}

TEST(BlendDownload, LeftZoneOfWidth100) {
    RecordingLink link;
    link.registers[{3, 0x08}] = 0xF0;  // the board's own bits
    link.registers[{3, 0x09}] = 0xA5;
    const BlendEdgeValues edges = {1, 0, 100, 0, 1820, 100, 0, 0, 100, 0, 980, 100};
    ASSERT_EQ(DownloadBlend(link, 5, edges, 1, 2.2), kOk);

    const auto& f = link.frames;
    ASSERT_EQ(f.size(), 6u);
    // Zone words and the apply write, padded to 16 words of page 0xFF.
    std::vector<uint8_t> zone = {0xFE, 0x01, 0x11, 0x00, 0x20, 0x00, 0x03, 0x0A, 0x00,
                                 0x0B, 0x00, 0x00, 0x03, 0x0C, 100,  0x0D, 0x00, 0x00,
                                 0x03, 0x1F, 0x96, 0x20, 0x02, 0x00, 0xFF, 0x00, 0x03};
    while (zone.size() < 5 + 32) zone.insert(zone.end(), {0x00, 0xFF});
    zone.push_back(0xFF);
    EXPECT_EQ(f[0], zone);
    // Flags read: page select, then a query of 0x08-0x09.
    EXPECT_EQ(f[1], Frame({0xFE, 0x01, 0x11, 0x00, 0x02, 0x00, 0x03, 0xFF}));
    EXPECT_EQ(f[2], Frame({0xFE, 0x81, 0x11, 0x00, 0x04, 0x08, 0x00, 0x09, 0x00, 0xFF}));
    // Off markers: left on (0), top off (0x80); flags keep the board's bits.
    std::vector<uint8_t> flags = {0xFE, 0x01, 0x11, 0x00, 0x20, 0x00, 0x03, 0x1E, 0x00, 0x00, 0x03, 0x23,
                                  0x80, 0x00, 0x03, 0x08, 0xF1, 0x09, 0xA5, 0x00, 0xFF, 0x00, 0x03};
    while (flags.size() < 5 + 32) flags.insert(flags.end(), {0x00, 0xFF});
    flags.push_back(0xFF);
    EXPECT_EQ(f[3], flags);
    // Gamma 2.2: value 220 (DC 00), then mode 1.
    EXPECT_EQ(f[4], Frame({0xFE, 0x01, 0x28, 0x00, 0x02, 0xDC, 0x00, 0xFF}));
    EXPECT_EQ(f[5], Frame({0xFE, 0x01, 0x27, 0x00, 0x01, 0x01, 0xFF}));
}

TEST(BlendDownload, OnlyTheRightZone) {
    RecordingLink link;
    const BlendEdgeValues edges = {0, 0, 100, 1, 1820, 100, 0, 0, 100, 0, 980, 100};
    ASSERT_EQ(DownloadBlend(link, 5, edges, 1, 2.2), kOk);
    const auto w = link.Writes();
    const std::vector<RegisterWrite> expected = {
        {3, 0x0E, 0x1C}, {3, 0x0F, 0x07},  // start 1820
        {3, 0x10, 100},  {3, 0x11, 0},     // width 100
        {3, 0x21, 0x6A}, {3, 0x22, 0xFD},  // start value 64874
        {3, 0x1E, 0x80}, {3, 0x23, 0x80},  // left and top off
        {3, 0x08, 0x02}, {3, 0x09, 0x00},  // only bit 1
    };
    EXPECT_EQ(w, expected);
}

TEST(BlendDownload, NarrowZonesAndSmallGamma) {
    RecordingLink link;
    const BlendEdgeValues edges = {0, 0, 0, 0, 0, 0, 1, 0, 2, 1, 1078, 2};
    ASSERT_EQ(DownloadBlend(link, 5, edges, 1, 0.001), kOk);
    const auto w = link.Writes();
    EXPECT_EQ(w[4], (RegisterWrite{3, 0x24, 0xFF}));  // top step 65536 limited to 0x7FFF
    EXPECT_EQ(w[5], (RegisterWrite{3, 0x25, 0x7F}));
    EXPECT_EQ(w[10], (RegisterWrite{3, 0x26, 0x00}));  // bottom start 0 raised to 0x8000
    EXPECT_EQ(w[11], (RegisterWrite{3, 0x27, 0x80}));
    EXPECT_EQ(link.WithCode(0x28).at(0), Frame({0xFE, 0x01, 0x28, 0x00, 0x02, 0x01, 0x00, 0xFF}));
}

TEST(BlendDownload, GammaFlagOtherThanOneSendsOnlyTheMode) {
    RecordingLink link;
    ASSERT_EQ(DownloadBlend(link, 5, BlendEdgeValues{}, 2, 2.2), kOk);
    EXPECT_TRUE(link.WithCode(0x28).empty());
    EXPECT_EQ(link.frames.back(), Frame({0xFE, 0x01, 0x27, 0x00, 0x01, 0x02, 0xFF}));
}

TEST(BlendDownload, FailuresBeforeAndAfterTheFlagsRead) {
    // The zone/apply frame refused: nothing else is sent.
    RecordingLink refused;
    refused.answer = [](std::size_t i, const std::vector<uint8_t>&) { return i == 0 ? kRefused : kOk; };
    EXPECT_EQ(DownloadBlend(refused, 5, {1, 0, 100, 1, 1820, 100, 0, 0, 100, 0, 980, 100}, 1, 2.2), kRefused);
    EXPECT_EQ(refused.frames.size(), 1u);

    // A flags read the board refuses is taken as 0 and the download goes on.
    RecordingLink refusedRead;
    refusedRead.registers[{3, 0x08}] = 0xF0;
    refusedRead.answer = [](std::size_t i, const std::vector<uint8_t>&) { return i == 2 ? kRefused : kOk; };
    EXPECT_EQ(DownloadBlend(refusedRead, 5, {1, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 2.2), kOk);
    EXPECT_EQ(refusedRead.frames.size(), 6u);
    EXPECT_EQ(refusedRead.frames[3][16], 0x01);  // flags low byte: bit 0 only

    // A board that is gone ends the download at the failed exchange: the page select,
    // the flags query, the marker frame or the gamma value.
    for (std::size_t failing : {1u, 2u, 3u, 4u}) {
        RecordingLink gone;
        gone.answer = [&](std::size_t i, const std::vector<uint8_t>&) {
            return i == failing ? kNetworkError : kOk;
        };
        EXPECT_EQ(DownloadBlend(gone, 5, {1, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 2.2), kNetworkError)
            << failing;
        EXPECT_EQ(gone.frames.size(), failing + 1) << failing;
    }

    RecordingLink mode;
    mode.answer = [](std::size_t i, const std::vector<uint8_t>&) { return i == 5 ? kRefused : kOk; };
    EXPECT_EQ(DownloadBlend(mode, 5, BlendEdgeValues{}, 1, 2.2), kRefused);
}

TEST(BlendDownload, RefusedArgumentsSendNothing) {
    RecordingLink link;
    const int32_t narrowLeft[12] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int32_t zeroBottom[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 980, 0};
    const int32_t negativeTop[12] = {0, 0, 0, 0, 0, 0, 1, 0, -100, 0, 0, 0};
    EXPECT_EQ(DownloadBlendChecked(link, 5, nullptr, 1, 2.2), kArgumentRefused);
    EXPECT_EQ(DownloadBlendChecked(link, 5, narrowLeft, 1, 2.2), kArgumentRefused);
    EXPECT_EQ(DownloadBlendChecked(link, 5, zeroBottom, 1, 2.2), kArgumentRefused);
    EXPECT_EQ(DownloadBlendChecked(link, 5, negativeTop, 1, 2.2), kArgumentRefused);
    EXPECT_TRUE(link.frames.empty());
    // Disabled zones may have any width.
    const int32_t allOff[12] = {0, 0, 0, 0, 0, -3, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(DownloadBlendChecked(link, 5, allOff, 1, 2.2), kOk);
    EXPECT_FALSE(link.frames.empty());
}

TEST(ResetBlend, Type8) {
    RecordingLink link;
    link.registers[{3, 0x08}] = 0xFF;
    link.registers[{3, 0x1A}] = 0x81;
    link.registers[{3, 0x1B}] = 0x02;
    link.registers[{3, 0x1C}] = 0xFF;
    link.registers[{3, 0x1D}] = 0x01;
    ASSERT_EQ(ResetBlend(link, 5, 8), kOk);
    const std::vector<RegisterWrite> expected = {
        {3, 0x1E, 0x80}, {3, 0x23, 0x80}, {3, 0x08, 0xF0}, {3, 0x09, 0x00},  // all zones off
        {3, 0x1A, 0x80}, {3, 0x1B, 0x02}, {3, 0x1C, 0xFE}, {3, 0x1D, 0x00},  // bit 0 cleared
    };
    EXPECT_EQ(link.Writes(), expected);
    EXPECT_TRUE(link.WithCode(0x28).empty());
    ASSERT_EQ(link.WithCode(0x27).size(), 1u);
    EXPECT_EQ(link.WithCode(0x27)[0], Frame({0xFE, 0x01, 0x27, 0x00, 0x01, 0x00, 0xFF}));
    // Four single-register reads of 0x1A..0x1D after the flags read.
    std::vector<uint8_t> read;
    for (const auto& f : link.frames)
        if (f[1] == 0x81) read.push_back(f[5]);
    EXPECT_EQ(read, (std::vector<uint8_t>{0x08, 0x1A, 0x1B, 0x1C, 0x1D}));
    // The result is the last write's: refusing it is reported, refusing the
    // blend part is not.
    RecordingLink last;
    last.answer = [&](std::size_t i, const std::vector<uint8_t>&) {
        return i + 1 == link.frames.size() ? kRefused : kOk;
    };
    EXPECT_EQ(ResetBlend(last, 5, 8), kRefused);
    RecordingLink first;
    first.answer = [](std::size_t i, const std::vector<uint8_t>&) { return i == 0 ? kRefused : kOk; };
    EXPECT_EQ(ResetBlend(first, 5, 8), kOk);
}

TEST(Corrections, EnableFramesAndReadBits) {
    RecordingLink link;
    EXPECT_EQ(EnableCorrection(link, Correction::kUniformity, 1), kOk);
    EXPECT_EQ(EnableCorrection(link, Correction::kBlackLevel, 2), kOk);
    EXPECT_EQ(EnableCorrection(link, Correction::kGlobalContrast, 0x100), kOk);
    EXPECT_EQ(link.frames[0], Frame({0xFE, 0x01, 0x29, 0x00, 0x01, 0x01, 0xFF}));
    EXPECT_EQ(link.frames[1], Frame({0xFE, 0x01, 0x2A, 0x00, 0x01, 0x02, 0xFF}));
    EXPECT_EQ(link.frames[2], Frame({0xFE, 0x01, 0x2B, 0x00, 0x01, 0x00, 0xFF}));

    link.registers[{1, 0x24}] = 0xFE;
    link.registers[{3, 0x38}] = 0x01;
    link.registers[{5, 0x1F}] = 0x20;
    EXPECT_EQ(ReadCorrection(link, Correction::kUniformity), 0);
    EXPECT_EQ(ReadCorrection(link, Correction::kBlackLevel), 1);
    EXPECT_EQ(ReadCorrection(link, Correction::kGlobalContrast), 1);
    link.registers[{1, 0x24}] = 0x01;
    link.registers[{5, 0x1F}] = 0xDF;
    EXPECT_EQ(ReadCorrection(link, Correction::kUniformity), 1);
    EXPECT_EQ(ReadCorrection(link, Correction::kGlobalContrast), 0);
    // The black-level read asks for both registers 0x38 and 0x39.
    link.frames.clear();
    ReadCorrection(link, Correction::kBlackLevel);
    EXPECT_EQ(link.frames[1], Frame({0xFE, 0x81, 0x11, 0x00, 0x04, 0x38, 0x00, 0x39, 0x00, 0xFF}));

    // A read that fails stores 0.
    link.answer = [](std::size_t, const std::vector<uint8_t>& f) {
        return f[1] == 0x81 ? kNetworkError : kOk;
    };
    EXPECT_EQ(ReadCorrection(link, Correction::kBlackLevel), 0);
}

}  // namespace
}  // namespace vantis::link
