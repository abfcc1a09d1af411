#include "link/frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantis::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
Bytes Of(std::span<const std::uint8_t> s) {
    return {s.begin(), s.end()};
}

TEST(LinkFrame, EmptyCommandAndQueryFrames) {
    EXPECT_EQ(Of(Frame::Command(0x22).Close()), (Bytes{0xFE, 0x01, 0x22, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(Of(Frame::Query(0x2D).Close()), (Bytes{0xFE, 0x81, 0x2D, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(Of(Frame(0x00, 0x32).Close()), (Bytes{0xFE, 0x00, 0x32, 0x00, 0x00, 0xFF}));
}

TEST(LinkFrame, LengthIsBigEndianAndValuesLittleEndian) {
    Frame frame = Frame::Command(0x11);
    frame.AppendLe16(0x1234);
    frame.AppendLe16(70000);  // only the low 16 bits: 0x1170
    frame.AppendRgb(0x00AABBCC);
    frame.AppendBgr(0x00AABBCC);
    EXPECT_EQ(Of(frame.Close()), (Bytes{0xFE, 0x01, 0x11, 0x00, 0x0A, 0x34, 0x12, 0x70, 0x11, 0xAA, 0xBB,
                                        0xCC, 0xCC, 0xBB, 0xAA, 0xFF}));
}

TEST(LinkFrame, PayloadStopsAt2048BytesAndCloseCanBeRepeated) {
    Frame frame = Frame::Command(0x12);
    ASSERT_TRUE(frame.AppendZeros(2046));
    EXPECT_FALSE(frame.AppendZeros(3));
    EXPECT_TRUE(frame.AppendLe16(0xBEEF));
    EXPECT_FALSE(frame.Append(0x01));
    EXPECT_FALSE(frame.AppendLe16(1));
    EXPECT_EQ(frame.payload_size(), 2048u);
    auto closed = frame.Close();
    ASSERT_EQ(closed.size(), kMaxFrameSize);
    EXPECT_EQ(closed[3], 0x08);
    EXPECT_EQ(closed[4], 0x00);
    EXPECT_EQ(closed[2052], 0xBE);
    EXPECT_EQ(closed.back(), kEndByte);

    // Appending after Close overwrites the end byte; closing again re-frames.
    frame.ClearPayload();
    frame.Append(0x07);
    EXPECT_EQ(Of(frame.Close()), (Bytes{0xFE, 0x01, 0x12, 0x00, 0x01, 0x07, 0xFF}));
}

}  // namespace
}  // namespace vantis::link
