// The display frames byte for byte, and the save sequence's stop at a refused step.
#include "link/display_commands.h"

#include <gtest/gtest.h>

#include "recording_link.h"

namespace vantis::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::RecordingLink;

Bytes Closed(Frame frame) {
    auto bytes = frame.Close();
    return {bytes.begin(), bytes.end()};
}

TEST(LinkDisplayFrames, FixedFrames) {
    EXPECT_EQ(Closed(BlankFrame(true)), (Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x01, 0xFF}));
    EXPECT_EQ(Closed(BlankFrame(false)), (Bytes{0xFE, 0x01, 0x21, 0x00, 0x01, 0x00, 0xFF}));
    EXPECT_EQ(Closed(ClearImageFrame()), (Bytes{0xFE, 0x01, 0x22, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(Closed(ClearSolidColourFrame()), (Bytes{0xFE, 0x01, 0x23, 0x00, 0x04, 0, 0, 0, 0, 0xFF}));
}

TEST(LinkDisplayFrames, SolidColourIsBlueGreenRedButPatternsAreRedGreenBlue) {
    EXPECT_EQ(Closed(SolidColourFrame(0x00FF0000)),
              (Bytes{0xFE, 0x01, 0x23, 0x00, 0x04, 0x00, 0x00, 0xFF, 0x01, 0xFF}));
    PatternGeometry geometry{{16, 16, 32, 32, 0, 0, 15, 17, 11, 13, 1, 70000}, 0x101};
    const Bytes rect = Closed(PatternFrame(PatternShape::kRectangle, 0x00FF0000, geometry));
    ASSERT_EQ(rect.size(), 34u);
    EXPECT_EQ(Bytes(rect.begin(), rect.begin() + 8), (Bytes{0xFE, 0x01, 0x20, 0x00, 0x1C, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(Bytes(rect.begin() + 8, rect.begin() + 12), (Bytes{16, 0, 16, 0}));
    EXPECT_EQ(rect[5 + 3 + 2 * 6], 15);  // first block column
    EXPECT_EQ(rect[5 + 25], 0x70);       // 70000 -> 0x1170
    EXPECT_EQ(rect[5 + 26], 0x11);
    EXPECT_EQ(rect[5 + 27], 0x01);  // last byte: low 8 bits
    EXPECT_EQ(rect.back(), 0xFF);

    const Bytes circle = Closed(PatternFrame(PatternShape::kCircle, 0x00FF0000, geometry));
    EXPECT_EQ(circle[2], 0x26);
    EXPECT_TRUE(std::equal(rect.begin() + 3, rect.end(), circle.begin() + 3));
}

TEST(LinkDisplayFrames, Lines) {
    EXPECT_EQ(
        Closed(LineFrame(LineDirection::kHorizontal, 0, 799, 1280, 0xFFFFFF)),
        (Bytes{0xFE, 0x01, 0x25, 0x00, 0x09, 0x00, 0x00, 0x1F, 0x03, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(
        Closed(LineFrame(LineDirection::kVertical, 1279, 1, 799, 0x123456)),
        (Bytes{0xFE, 0x01, 0x24, 0x00, 0x09, 0xFF, 0x04, 0x01, 0x00, 0x1F, 0x03, 0x12, 0x34, 0x56, 0xFF}));
    // Negative values go out as their low 16 bits.
    const Bytes negative = Closed(LineFrame(LineDirection::kVertical, -1, 0, 0, 0));
    EXPECT_EQ(negative[5], 0xFF);
    EXPECT_EQ(negative[6], 0xFF);
}

TEST(LinkSaveSequence, EightStepsInOrder) {
    RecordingLink link;
    EXPECT_EQ(SaveSettings(link, 5), kOk);
    const std::vector<Bytes> expected = {
        {0xFE, 0x01, 0x18, 0x00, 0x00, 0xFF}, {0xFE, 0x01, 0x1B, 0x00, 0x00, 0xFF},
        {0xFE, 0x01, 0x19, 0x00, 0x00, 0xFF}, {0xFE, 0x01, 0x17, 0x00, 0x01, 0x07, 0xFF},
        {0xFE, 0x01, 0x1C, 0x00, 0x00, 0xFF}, {0xFE, 0x01, 0x1A, 0x00, 0x00, 0xFF},
        {0xFE, 0x01, 0x1D, 0x00, 0x00, 0xFF}, {0xFE, 0x01, 0x1F, 0x00, 0x00, 0xFF}};
    EXPECT_EQ(link.frames, expected);
}

TEST(LinkSaveSequence, StopsAtTheFirstFailingStep) {
    for (const LinkResult failure : {kRefused, kMalformed, kNetworkError}) {
        RecordingLink link;
        link.answer = [failure](std::size_t i, const Bytes&) { return i == 2 ? failure : kOk; };
        EXPECT_EQ(SaveSettings(link, 5), failure);
        EXPECT_EQ(link.frames.size(), 3u);
    }
}

}  // namespace
}  // namespace vantis::link
