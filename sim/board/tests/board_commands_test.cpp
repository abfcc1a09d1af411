#include "wallsim/board_commands.h"

#include <gtest/gtest.h>

namespace wallsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(BoardCommands, DisplayState) {
    BoardState s;
    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x21, {0x01}}));
    EXPECT_TRUE(s.blanked);
    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x21, {0x00}}));
    EXPECT_FALSE(s.blanked);

    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x23, {0x00, 0x00, 0xFF, 0x01}}));
    EXPECT_TRUE(s.solidShown);
    EXPECT_EQ(s.solidColour, 0xFF0000u);
    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x23, {0, 0, 0, 0}}));
    EXPECT_FALSE(s.solidShown);

    Bytes pattern{0xFF, 0x80, 0x00};
    for (int v : {16, 16, 32, 32, 0, 0, 15, 17, 11, 13, 1, -2}) {
        pattern.push_back(static_cast<std::uint8_t>(v));
        pattern.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    pattern.push_back(1);
    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x26, pattern}));
    EXPECT_EQ(s.pattern.kind, PatternKind::kCircle);
    EXPECT_EQ(s.pattern.colour, 0xFF8000u);
    EXPECT_EQ(s.pattern.geometry[6], 15);
    EXPECT_EQ(s.pattern.geometry[11], -2);
    EXPECT_EQ(s.pattern.last, 1);

    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x25, {0x00, 0x00, 0x1F, 0x03, 0x00, 0x05, 0x12, 0x34, 0x56}}));
    ASSERT_EQ(s.lines.size(), 1u);
    EXPECT_EQ(s.lines[0], (Line{false, 0, 799, 1280, 0x123456}));

    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x22, {}}));
    EXPECT_EQ(s.pattern.kind, PatternKind::kNone);
    EXPECT_TRUE(s.lines.empty());

    // Payloads that do not fit their command are refused and change nothing.
    EXPECT_FALSE(ApplyCommand(s, {0x01, 0x21, {}}));
    EXPECT_FALSE(ApplyCommand(s, {0x01, 0x20, Bytes(27, 0)}));
    EXPECT_FALSE(ApplyCommand(s, {0x01, 0x24, Bytes(8, 0)}));
    EXPECT_EQ(s.pattern.kind, PatternKind::kNone);
    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x7E, {1, 2, 3}}));  // unknown: accepted, no effect
}

TEST(BoardCommands, RegisterWritesKeepThePageAcrossFramesAndReadsUseIt) {
    BoardState s;
    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x11, {0x00, 0x03, 0x08, 0x0F, 0x09, 0x80}}));
    EXPECT_TRUE(ApplyCommand(s, {0x01, 0x11, {0x0A, 0x42, 0x00, 0x03}}));  // no page word: page 3 still
    EXPECT_EQ(s.Register(3, 0x08), 0x0F);
    EXPECT_EQ(s.Register(3, 0x0A), 0x42);
    EXPECT_EQ(s.registerWrites.size(), 3u);
    EXPECT_EQ(s.registerWrites[2], (RegisterWrite{3, 0x0A, 0x42}));
    EXPECT_FALSE(ApplyCommand(s, {0x01, 0x11, {0x00}}));  // half a word

    EXPECT_EQ(AnswerQuery(s, {0x81, 0x11, {0x08, 0x00, 0x09, 0x00}}), (Bytes{0x08, 0x0F, 0x09, 0x80}));
    EXPECT_EQ(AnswerQuery(s, {0x81, 0x11, {0x08, 0x00, 0x09}}), (Bytes{0x08, 0x0F, 0x00}));  // odd length
}

TEST(BoardCommands, VersionQueriesAndOtherQueriesAnswerTheLengthAsked) {
    BoardState s;
    s.versionPair = {0x04030201, 0x08070605};
    s.versionWord = 0x0C0B0A09;
    EXPECT_EQ(AnswerQuery(s, {0x81, 0x2C, Bytes(8, 0)}), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(AnswerQuery(s, {0x81, 0x2D, Bytes(4, 0)}), (Bytes{9, 10, 11, 12}));
    EXPECT_EQ(AnswerQuery(s, {0x81, 0x2D, Bytes(6, 0)}), (Bytes{9, 10, 11, 12, 0, 0}));
    EXPECT_EQ(AnswerQuery(s, {0x81, 0x55, Bytes(3, 7)}), (Bytes{0, 0, 0}));
    EXPECT_TRUE(AnswerQuery(s, {0x81, 0x2C, {}}).empty());
}

TEST(BoardCommands, SaveCountsOnlyWholeSequencesInOrder) {
    BoardState s;
    const std::vector<ReceivedFrame> steps = {{0x01, 0x18, {}},     {0x01, 0x1B, {}}, {0x01, 0x19, {}},
                                              {0x01, 0x17, {0x07}}, {0x01, 0x1C, {}}, {0x01, 0x1A, {}},
                                              {0x01, 0x1D, {}},     {0x01, 0x1F, {}}};
    for (const auto& step : steps) ApplyCommand(s, step);
    EXPECT_EQ(s.savesPerformed, 1);
    for (std::size_t i = 0; i < 3; ++i) ApplyCommand(s, steps[i]);  // broken off after step 3
    EXPECT_EQ(s.saveStepsSeen, 3u);
    for (const auto& step : steps) ApplyCommand(s, step);  // a new sequence restarts
    EXPECT_EQ(s.savesPerformed, 2);
    ApplyCommand(s, steps[0]);
    ApplyCommand(s, {0x01, 0x1B, {0x01}});  // wrong payload
    EXPECT_EQ(s.saveStepsSeen, 0u);
}

}  // namespace
}  // namespace wallsim
