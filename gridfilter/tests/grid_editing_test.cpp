// The editor's slots: limits, grid numbers, selection, moving points, the
// pointer, zoom and the overlap table, driven as the camera view drives them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "grid_overlay.h"
#include "test_tables.h"

namespace gridveil::detail {
namespace {

using gridveil::testing::BoundaryTables;
using gridveil::testing::OwnedTable;

class EditorTest : public ::testing::Test {
  protected:
    // A 1920 x 1080 camera, the engine-board grid 129 x 65 on a 1920 x 1088
    // lattice, a fresh 2 x 2 grid, bypass off.
    void SetUp() override {
        ASSERT_EQ(editor.SetTiming(1920, 1088, 129, 65), kOk);
        ASSERT_EQ(editor.SetBoundaryTable(&t.adjust.Descriptor(), &t.grid.Descriptor(),
                                          &t.coarse.Descriptor(), &t.markers.Descriptor()),
                  kOk);
        ASSERT_EQ(editor.CheckInputType(1920, 1080, 24, FrameOrientation::TopDown), kOk);
        ASSERT_EQ(editor.ByPass(0), kOk);
        ASSERT_EQ(editor.StartGrid(1), kOk);
    }

    int GridIndex() {
        int index = -1;
        EXPECT_EQ(editor.GetGridNum(&index), kOk);
        return index;
    }

    // Every adjust point sits on its grid node.
    void ExpectGridThroughAdjustPoints(int n) {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const int c = i * 128 / (n - 1), r = j * 64 / (n - 1);
                EXPECT_NEAR(t.grid.X(c, r), t.adjust.X(i, j), 1e-3) << i << "," << j;
                EXPECT_NEAR(t.grid.Y(c, r), t.adjust.Y(i, j), 1e-3) << i << "," << j;
            }
        }
    }

    BoundaryTables t;
    CGridOverlay editor;
};

TEST(EditorLimitsTest, StartsBypassedAndRefusesIndexesOutOfRange) {
    CGridOverlay editor;
    int bypass = 0, size[2] = {-1, -1};
    EXPECT_EQ(editor.IsByPass(&bypass), kOk);
    EXPECT_EQ(bypass, 1);
    EXPECT_EQ(editor.GetImageSize(size), kOk);
    EXPECT_EQ(size[0], 0);
    EXPECT_EQ(size[1], 0);

    EXPECT_EQ(editor.SetGridNum(5), kFail);
    EXPECT_EQ(editor.SetGridNum(-1), kFail);
    EXPECT_EQ(editor.SetMoveStep(8), kFail);
    EXPECT_EQ(editor.SetGridPitch(4), kFail);
    EXPECT_EQ(editor.AdjustGridNum(5), kFail);
    EXPECT_EQ(editor.SelAdjustPoint(4), kFail);
    const CCvGridTracker s = editor.Snapshot();
    EXPECT_EQ(s.gridIndex, 0);
    EXPECT_EQ(s.gridNumber, 2);
    EXPECT_EQ(s.step, 1.0);
    EXPECT_EQ(s.pitch, 16);

    EXPECT_EQ(editor.SetGridNum(4), kOk);
    EXPECT_EQ(editor.Snapshot().gridNumber, 17);
    EXPECT_EQ(editor.SetMoveStep(7), kOk);
    EXPECT_EQ(editor.Snapshot().step, 1000.0);
    EXPECT_EQ(editor.SetGridPitch(3), kOk);
    EXPECT_EQ(editor.Snapshot().pitch, 64);
    // Inconsistent geometry is refused instead of producing empty tables.
    EXPECT_EQ(editor.SetTiming(0, 768, 17, 17), kFail);
    EXPECT_EQ(editor.GetLayoutInf(1920, 1080, 2, 1, 1920, 0), kFail);
    EXPECT_EQ(editor.Open(0, 100), kFail);
    EXPECT_EQ(editor.CheckInputType(640, 480, 8, FrameOrientation::TopDown), kFail);
}

TEST_F(EditorTest, GridNumberStepsStopAtBothEndsAndResampleTheAdjustPoints) {
    EXPECT_EQ(editor.AdjustGridNum(4), kOk);
    EXPECT_EQ(GridIndex(), 4);
    ExpectGridThroughAdjustPoints(17);
    t.adjust.Set(16, 16, -1, -1);  // a change only a resampling would undo
    EXPECT_EQ(editor.IncreaseGridNum(), kOk);
    EXPECT_EQ(GridIndex(), 4);
    EXPECT_EQ(t.adjust.X(16, 16), -1) << "at index 4 nothing changes";

    for (int i = 0; i < 6; ++i) EXPECT_EQ(editor.DecreaseGridNum(), kOk);
    EXPECT_EQ(GridIndex(), 0);
    EXPECT_EQ(editor.IncreaseGridNum(), kOk);
    EXPECT_EQ(GridIndex(), 1);
    ExpectGridThroughAdjustPoints(3);

    // Bypassed, the steps are ignored.
    editor.ByPass(1);
    EXPECT_EQ(editor.IncreaseGridNum(), kOk);
    EXPECT_EQ(editor.AdjustGridNum(3), kOk);
    EXPECT_EQ(GridIndex(), 1);
}

TEST_F(EditorTest, MarkerRadiusFollowsTheFrameWidth) {
    EXPECT_FLOAT_EQ(t.markers.Right(0, 0) - t.markers.Left(0, 0), 11);
    EXPECT_FLOAT_EQ(t.markers.Bottom(1, 1) - t.markers.Top(1, 1), 11);
    ASSERT_EQ(editor.CheckInputType(1280, 720, 32, FrameOrientation::TopDown), kOk);
    ASSERT_EQ(editor.StartGrid(1), kOk);
    EXPECT_FLOAT_EQ(t.markers.Right(0, 0) - t.markers.Left(0, 0), 7);
    EXPECT_EQ(editor.Snapshot().markerLineWidth, 2);
}

TEST_F(EditorTest, OpenFitsThePictureIntoTheViewAndStartGridScalesOnce) {
    int size[2];
    ASSERT_EQ(editor.GetImageSize(size), kOk);
    EXPECT_EQ(size[0], 1920);
    EXPECT_EQ(size[1], 1080);
    EXPECT_FLOAT_EQ(t.adjust.X(0, 0), 640);
    EXPECT_FLOAT_EQ(t.adjust.Y(1, 1), 720);

    ASSERT_EQ(editor.Open(960, 540), kOk);
    ASSERT_EQ(editor.GetImageSize(size), kOk);
    EXPECT_EQ(size[0], 768);
    EXPECT_EQ(size[1], 432);

    ASSERT_EQ(editor.StartGrid(0), kOk);
    EXPECT_FLOAT_EQ(t.adjust.X(0, 0), 256);  // 640 x 0.4
    EXPECT_FLOAT_EQ(t.adjust.Y(1, 1), 288);  // 720 x 0.4
    ASSERT_EQ(editor.StartGrid(0), kOk);
    EXPECT_FLOAT_EQ(t.adjust.X(0, 0), 256) << "the factors apply once";
    ExpectGridThroughAdjustPoints(2);

    ASSERT_EQ(editor.StartGrid(1), kOk);  // afresh inside the fitted picture
    EXPECT_FLOAT_EQ(t.adjust.X(1, 0), 512);
    EXPECT_FLOAT_EQ(t.adjust.Y(0, 1), 288);
}

TEST_F(EditorTest, ArrowKeysMoveTheSelectedPointByTheStepAndTheGridFollows) {
    ASSERT_EQ(editor.AdjustGridNum(2), kOk);  // 5 x 5
    ASSERT_EQ(editor.SetMoveStep(3), kOk);    // 10 px
    const float x0 = t.adjust.X(0, 0), y0 = t.adjust.Y(0, 0);
    ASSERT_EQ(editor.MoveAdjustPoint(kRight), kOk);
    ASSERT_EQ(editor.MoveAdjustPoint(kUp), kOk);
    EXPECT_FLOAT_EQ(t.adjust.X(0, 0), x0 + 10);
    EXPECT_FLOAT_EQ(t.adjust.Y(0, 0), y0 - 10);
    EXPECT_FLOAT_EQ(t.grid.X(0, 0), x0 + 10);
    EXPECT_FLOAT_EQ(t.grid.Y(0, 0), y0 - 10);
    ExpectGridThroughAdjustPoints(5);
    // The coarse table is the grid at 17 x 17 nodes.
    EXPECT_FLOAT_EQ(t.coarse.X(0, 0), x0 + 10);
    EXPECT_FLOAT_EQ(t.coarse.X(16, 16), t.grid.X(128, 64));
    EXPECT_FLOAT_EQ(t.markers.Left(0, 0), x0 + 10);

    // Inner mode: an interior point moves alone; the grid passes through it
    // and keeps everything beyond its neighbours.
    ASSERT_EQ(editor.SetInnerMode(1), kOk);
    EXPECT_EQ(editor.Snapshot().selColumn, 1);
    OwnedTable before(129, 65);
    for (int c = 0; c < 129; ++c)
        for (int r = 0; r < 65; ++r) before.Set(c, r, t.grid.X(c, r), t.grid.Y(c, r));
    const float ax = t.adjust.X(1, 1), ay = t.adjust.Y(1, 1);
    ASSERT_EQ(editor.MoveAdjustPoint(kDown), kOk);
    ASSERT_EQ(editor.MoveAdjustPoint(kLeft), kOk);
    EXPECT_FLOAT_EQ(t.adjust.X(1, 1), ax - 10);
    EXPECT_FLOAT_EQ(t.adjust.Y(1, 1), ay + 10);
    EXPECT_FLOAT_EQ(t.grid.X(32, 16), ax - 10);
    EXPECT_FLOAT_EQ(t.grid.Y(32, 16), ay + 10);
    EXPECT_EQ(t.grid.X(100, 50), before.X(100, 50));
    EXPECT_EQ(t.grid.Y(64, 40), before.Y(64, 40));
    EXPECT_NE(t.grid.X(30, 16), before.X(30, 16));

    // Bypassed, the keys change nothing.
    editor.ByPass(1);
    ASSERT_EQ(editor.MoveAdjustPoint(kDown), kOk);
    EXPECT_FLOAT_EQ(t.adjust.Y(1, 1), ay + 10);
}

TEST_F(EditorTest, KeyboardSelectionWalksTheOuterRingAndWraps) {
    ASSERT_EQ(editor.AdjustGridNum(2), kOk);  // n = 5, selection (0, 0)
    const auto sel = [&] {
        const CCvGridTracker s = editor.Snapshot();
        return std::pair(s.selColumn, s.selRow);
    };
    for (int i = 1; i <= 4; ++i) {
        editor.SelAdjustPoint(kRight);
        EXPECT_EQ(sel(), std::pair(i, 0));
    }
    editor.SelAdjustPoint(kRight);
    EXPECT_EQ(sel(), std::pair(0, 0)) << "right from the last column wraps to the first";
    editor.SelAdjustPoint(kUp);
    EXPECT_EQ(sel(), std::pair(0, 4)) << "up from the top row wraps to the bottom";
    editor.SelAdjustPoint(kUp);
    EXPECT_EQ(sel(), std::pair(0, 3));
    editor.SelAdjustPoint(kRight);
    EXPECT_EQ(sel(), std::pair(4, 3)) << "a middle row jumps across the ring";
    editor.SelAdjustPoint(kRight);
    EXPECT_EQ(sel(), std::pair(0, 3));
    editor.SelAdjustPoint(kLeft);
    EXPECT_EQ(sel(), std::pair(4, 3));
    editor.SelAdjustPoint(kLeft);
    EXPECT_EQ(sel(), std::pair(0, 3));
    ASSERT_EQ(editor.SetSelIndex(2, 0), kOk);
    editor.SelAdjustPoint(kDown);
    EXPECT_EQ(sel(), std::pair(2, 4)) << "a middle column jumps across the ring";
    editor.SelAdjustPoint(kDown);
    EXPECT_EQ(sel(), std::pair(2, 0));
    editor.SelAdjustPoint(kUp);
    EXPECT_EQ(sel(), std::pair(2, 4));

    // Inner mode walks inside the ring, wrapping between 1 and n - 2.
    ASSERT_EQ(editor.SetInnerMode(1), kOk);
    EXPECT_EQ(sel(), std::pair(1, 1));
    editor.SelAdjustPoint(kUp);
    EXPECT_EQ(sel(), std::pair(1, 3));
    editor.SelAdjustPoint(kDown);
    EXPECT_EQ(sel(), std::pair(1, 1));
    editor.SelAdjustPoint(kLeft);
    EXPECT_EQ(sel(), std::pair(3, 1));
    editor.SelAdjustPoint(kRight);
    EXPECT_EQ(sel(), std::pair(1, 1));
    editor.SelAdjustPoint(kRight);
    EXPECT_EQ(sel(), std::pair(2, 1));

    ASSERT_EQ(editor.SetInnerMode(0), kOk);
    EXPECT_EQ(sel(), std::pair(0, 0));
    EXPECT_EQ(editor.SetSelIndex(5, 0), kFail);
    // Back to 2 x 2: inner mode goes off.
    ASSERT_EQ(editor.SetInnerMode(1), kOk);
    ASSERT_EQ(editor.AdjustGridNum(0), kOk);
    EXPECT_EQ(editor.Snapshot().innerMode, 0);
    EXPECT_EQ(sel(), std::pair(0, 0));
}

TEST_F(EditorTest, PointerPicksAndDragsAnAdjustPoint) {
    ASSERT_EQ(editor.Open(960, 540), kOk);                     // view pixels are half the frame's
    const float px = t.adjust.X(1, 1), py = t.adjust.Y(1, 1);  // (1280, 720)
    const int vx = static_cast<int>(px / 2), vy = static_cast<int>(py / 2);

    ASSERT_EQ(editor.OnMouseMove(vx + 20, vy), kOk);  // 40 frame pixels away: no hit
    EXPECT_EQ(editor.OnSetCursor(), kFail);
    ASSERT_EQ(editor.OnMouseMove(vx + 2, vy + 2), kOk);
    EXPECT_EQ(editor.OnSetCursor(), kOk);
    EXPECT_EQ(editor.Snapshot().selColumn, 1);
    EXPECT_EQ(editor.Snapshot().selRow, 1);

    ASSERT_EQ(editor.OnLButtonDown(vx + 2, vy + 2), kOk);
    ASSERT_EQ(editor.OnMouseMove(vx + 12, vy - 3), kOk);
    EXPECT_FLOAT_EQ(t.adjust.X(1, 1), px + 20);
    EXPECT_FLOAT_EQ(t.adjust.Y(1, 1), py - 10);
    EXPECT_FLOAT_EQ(t.grid.X(128, 64), px + 20);
    EXPECT_EQ(editor.OnTimer(), kFail) << "no zoom drag while a point is dragged";
    ASSERT_EQ(editor.OnLButtonUp(0, 0), kOk);
    EXPECT_EQ(editor.OnSetCursor(), kFail);

    // Bypassed, nothing is picked.
    editor.ByPass(1);
    ASSERT_EQ(editor.OnMouseMove(vx + 12, vy - 3), kOk);
    EXPECT_EQ(editor.OnSetCursor(), kFail);
}

TEST_F(EditorTest, ZoomAboutAPointAndDragTheZoomWindow) {
    int level = 4;
    ASSERT_EQ(editor.Open(1920, 1080), kOk);
    ASSERT_EQ(editor.StretchedCamera(960, 540, &level), kOk);
    CCvGridTracker s = editor.Snapshot();
    EXPECT_EQ(s.zoomLevel, 4);
    EXPECT_FLOAT_EQ(s.windowW, 384);
    EXPECT_FLOAT_EQ(s.windowX, 960 - 192);
    EXPECT_NEAR(s.view(0, 0), 5.0, 1e-9);
    EXPECT_EQ(editor.OnTimer(), kFail);

    // A drag away from any marker pans: 50 pixels at 5x move the window 10.
    ASSERT_EQ(editor.OnLButtonDown(100, 100), kOk);
    ASSERT_EQ(editor.OnMouseMove(100, 100), kOk);
    ASSERT_EQ(editor.OnMouseMove(150, 100), kOk);
    EXPECT_EQ(editor.OnTimer(), kOk);
    s = editor.Snapshot();
    EXPECT_FLOAT_EQ(s.windowX, 960 - 192 - 10);
    EXPECT_FLOAT_EQ(s.windowY, 540 - 108);
    ASSERT_EQ(editor.OnLButtonUp(150, 100), kOk);
    EXPECT_EQ(editor.OnTimer(), kFail);

    // Zooming again maps the pointer back through the current view first:
    // the centre of the view is the centre of the window.
    level = 3;
    ASSERT_EQ(editor.StretchedCamera(960, 540, &level), kOk);
    s = editor.Snapshot();
    EXPECT_NEAR(s.windowX + s.windowW / 2, 950, 1.0);
    level = 5;
    EXPECT_EQ(editor.StretchedCamera(960, 540, &level), kFail);
    level = 0;
    ASSERT_EQ(editor.StretchedCamera(10, 10, &level), kOk);
    EXPECT_EQ(editor.Snapshot().view, cv::Matx33d::eye());
}

TEST_F(EditorTest, OverlapTableIsTheGridResampledOverTheWholeWall) {
    // Two 1920 x 1088 panels side by side with 384 pixels of overlap:
    // (2 x 1920 - 384) / 8 + 1 = 433 columns, 1088 / 8 + 1 = 137 rows.
    OwnedTable overlap(433, 137);
    EXPECT_EQ(editor.StartOverLap(), kFail) << "no table yet";
    ASSERT_EQ(editor.GetLayoutInf(1920, 1088, 2, 1, 384, 0), kOk);
    ASSERT_EQ(editor.SetOverLapTable(&overlap.Descriptor()), kOk);
    ASSERT_EQ(editor.StartOverLap(), kOk);
    EXPECT_FLOAT_EQ(overlap.X(0, 0), t.grid.X(0, 0));
    EXPECT_FLOAT_EQ(overlap.X(432, 136), t.grid.X(128, 64));
    EXPECT_FLOAT_EQ(overlap.Y(432, 0), t.grid.Y(128, 0));
    // Moving a point refills it.
    ASSERT_EQ(editor.SetSelIndex(1, 1), kOk);
    ASSERT_EQ(editor.MoveAdjustPoint(kDown), kOk);
    EXPECT_FLOAT_EQ(overlap.Y(432, 136), t.grid.Y(128, 64));
}

TEST_F(EditorTest, FramesAndEditsFromTwoThreadsShareOneConsistentState) {
    ASSERT_EQ(editor.AdjustGridNum(3), kOk);
    std::atomic<bool> stop{false};
    std::thread frames([&] {
        std::vector<std::uint8_t> frame(320 * 180 * 3);
        while (!stop) editor.Transform(frame.data(), 320, 180, 320 * 3, 24, FrameOrientation::TopDown);
    });
    for (int i = 0; i < 200; ++i) {
        editor.SelAdjustPoint(i % 4);
        editor.MoveAdjustPoint((i / 4) % 4);
        if (i % 50 == 0) editor.AdjustGridNum((i / 50) % 5);
    }
    stop = true;
    frames.join();
    const CCvGridTracker s = editor.Snapshot();
    ExpectGridThroughAdjustPoints(s.gridNumber);
}

}  // namespace
}  // namespace gridveil::detail
