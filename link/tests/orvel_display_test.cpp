// The display commands and the save sequence of dvOrvelAuto, as the board receives them.
#include <gtest/gtest.h>

#include "board_fixture.h"

namespace vantis::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
using wallsim::ReceivedFrame;

class OrvelDisplay : public testing::BoardFixture {};

TEST_F(OrvelDisplay, EveryCommandsBytesOnTheWire) {
    EXPECT_EQ(dvOrvelAutoImageUnBlank(handle), 0);
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);
    EXPECT_EQ(dvOrvelAutoDisplaySolidColor(handle, 0x00FF0000), 0);
    EXPECT_EQ(dvOrvelAutoClearSolidColor(handle), 0);
    EXPECT_EQ(dvOrvelAutoMakeRectanglePattern(handle, 0x00FF0000, 16, 16, 32, 32, 0, 0, 15, 17, 11, 13, 1,
                                              70000, 257),
              0);
    EXPECT_EQ(dvOrvelAutoCirclePattern(handle, 0x00123456, 32, 32, 64, 64, 0, 0, 0, 21, 0, 13, 1, 1, 1), 0);
    EXPECT_EQ(dvOrvelAutoClearImage(handle), 0);
    EXPECT_EQ(dvOrvelAutoDrawHLine(handle, 0, 799, 1280, 0xFFFFFF), 0);
    EXPECT_EQ(dvOrvelAutoDrawVLine(handle, 1279, 1, 799, 0x00ABCDEF), 0);

    auto pattern = [](Bytes colour, std::initializer_list<int> values, std::uint8_t last) {
        Bytes p = colour;
        for (int v : values) {
            p.push_back(static_cast<std::uint8_t>(v));
            p.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        p.push_back(last);
        return p;
    };
    const std::vector<ReceivedFrame> expected = {
        {0x01, 0x21, {0x00}},
        {0x01, 0x21, {0x01}},
        {0x01, 0x23, {0x00, 0x00, 0xFF, 0x01}},
        {0x01, 0x23, {0x00, 0x00, 0x00, 0x00}},
        {0x01, 0x20, pattern({0xFF, 0x00, 0x00}, {16, 16, 32, 32, 0, 0, 15, 17, 11, 13, 1, 0x1170}, 0x01)},
        {0x01, 0x26, pattern({0x12, 0x34, 0x56}, {32, 32, 64, 64, 0, 0, 0, 21, 0, 13, 1, 1}, 0x01)},
        {0x01, 0x22, {}},
        {0x01, 0x25, {0x00, 0x00, 0x1F, 0x03, 0x00, 0x05, 0xFF, 0xFF, 0xFF}},
        {0x01, 0x24, {0xFF, 0x04, 0x01, 0x00, 0x1F, 0x03, 0xAB, 0xCD, 0xEF}},
    };
    EXPECT_EQ(Frames(), expected);

    const wallsim::BoardState s = board->Snapshot();
    EXPECT_TRUE(s.blanked);
    EXPECT_FALSE(s.solidShown);
    EXPECT_EQ(s.pattern.kind, wallsim::PatternKind::kNone);
    ASSERT_EQ(s.lines.size(), 2u);
    EXPECT_EQ(s.lines[1], (wallsim::Line{true, 1279, 1, 799, 0xABCDEF}));
    EXPECT_EQ(s.strayBytes, 0u);
}

TEST_F(OrvelDisplay, StateFollowsTheCalibrationRhythm) {
    EXPECT_EQ(dvOrvelAutoImageUnBlank(handle), 0);
    EXPECT_EQ(dvOrvelAutoDisplaySolidColor(handle, 0xFFFFFF), 0);
    wallsim::BoardState s = board->Snapshot();
    EXPECT_FALSE(s.blanked);
    EXPECT_TRUE(s.solidShown);
    EXPECT_EQ(s.solidColour, 0xFFFFFFu);
    EXPECT_EQ(dvOrvelAutoClearSolidColor(handle), 0);
    EXPECT_EQ(
        dvOrvelAutoMakeRectanglePattern(handle, 0xFFFFFF, 16, 16, 32, 32, 0, 0, 15, 17, 11, 13, 1, 1, 1), 0);
    s = board->Snapshot();
    EXPECT_FALSE(s.solidShown);
    EXPECT_EQ(s.pattern.kind, wallsim::PatternKind::kRectangle);
    EXPECT_EQ(s.pattern.geometry[7], 17);
    EXPECT_EQ(dvOrvelAutoClearImage(handle), 0);
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 0);
    s = board->Snapshot();
    EXPECT_TRUE(s.blanked);
    EXPECT_EQ(s.pattern.kind, wallsim::PatternKind::kNone);
}

TEST_F(OrvelDisplay, SaveSysSendsEightStepsAndTheBoardStores) {
    EXPECT_EQ(dvOrvelAutoSaveSys(handle), 0);
    const wallsim::BoardState s = board->Snapshot();
    EXPECT_EQ(s.savesPerformed, 1);
    ASSERT_EQ(s.frames.size(), 8u);
    EXPECT_EQ(s.frames[3], (ReceivedFrame{0x01, 0x17, {0x07}}));
}

TEST_F(OrvelDisplay, SaveSysStopsAtTheFirstRefusedStep) {
    board->SetFault(wallsim::Fault::Of(wallsim::FaultMode::kRefuse).OnCode(0x19));
    EXPECT_EQ(dvOrvelAutoSaveSys(handle), 1);
    const std::vector<ReceivedFrame> expected = {{0x01, 0x18, {}}, {0x01, 0x1B, {}}, {0x01, 0x19, {}}};
    EXPECT_EQ(Frames(), expected);
    EXPECT_EQ(board->Snapshot().savesPerformed, 0);
}

TEST_F(OrvelDisplay, RefusedAndMalformedAnswersAreReported) {
    board->SetFault(wallsim::Fault::Of(wallsim::FaultMode::kRefuse).OnCode(0x21));
    EXPECT_EQ(dvOrvelAutoImageBlank(handle), 1);
    EXPECT_FALSE(board->Snapshot().blanked);
    board->SetFault(wallsim::Fault::Of(wallsim::FaultMode::kMalformed));
    EXPECT_EQ(dvOrvelAutoClearImage(handle), 2);
    board->ClearFault();
    EXPECT_EQ(dvOrvelAutoClearImage(handle), 0);
}

}  // namespace
}  // namespace vantis::link
