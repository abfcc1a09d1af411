// The per-frame transform: bypass, frame depths and strides, bottom-up
// frames, the zoom, and a drawn frame compared with its golden image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "grid_overlay.h"
#include "test_tables.h"

namespace gridveil::detail {
namespace {

using gridveil::testing::BoundaryTables;

// The colours of the boundary dialog's style: red edges, blue inner lines,
// green markers (bytes in blue, green, red order), yellow overlap; smaller
// markers so that they leave the lines visible.
GridStyle DialogStyle() {
    GridStyle s{};
    const StyleColour red{0, 0, 255, 0}, blue{255, 0, 0, 0}, green{0, 255, 0, 0}, yellow{0, 255, 255, 0};
    s.firstColumn = s.lastColumn = s.firstRow = s.lastRow = red;
    s.otherLines = blue;
    s.firstColumnWidth = s.lastColumnWidth = s.firstRowWidth = s.lastRowWidth = 2;
    s.otherLinesWidth = 1;
    s.selectedMarker = s.otherMarkers = green;
    s.selectedMarkerSize = 8;
    s.otherMarkersSize = 4;
    s.overlap = yellow;
    s.overlapWidth = 2;
    return s;
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
}

// An editor with the engine-board grid of a 1920 x 1088 lattice laid over a
// frame of the given size: 17 x 17 adjust points, the top middle one raised
// so that the picture has no vertical symmetry.
class DrawingTest : public ::testing::Test {
  protected:
    void Prepare(int width, int height, int bpp) {
        ASSERT_EQ(editor.SetTiming(1920, 1088, 129, 65), kOk);
        ASSERT_EQ(editor.SetBoundaryTable(&t.adjust.Descriptor(), &t.grid.Descriptor(),
                                          &t.coarse.Descriptor(), &t.markers.Descriptor()),
                  kOk);
        ASSERT_EQ(editor.CheckInputType(width, height, bpp, FrameOrientation::TopDown), kOk);
        ASSERT_EQ(editor.SetGridNum(4), kOk);
        ASSERT_EQ(editor.StartGrid(1), kOk);
        ASSERT_EQ(editor.SetBoundaryType(&style), kOk);
        ASSERT_EQ(editor.ByPass(0), kOk);
        ASSERT_EQ(editor.SetSelIndex(8, 0), kOk);
        ASSERT_EQ(editor.SetMoveStep(3), kOk);  // 10 px
        ASSERT_EQ(editor.MoveAdjustPoint(kUp), kOk);
        ASSERT_EQ(editor.SetSelIndex(0, 0), kOk);
    }

    cv::Mat Draw(int width, int height, FrameOrientation orientation = FrameOrientation::TopDown) {
        cv::Mat frame(height, width, CV_8UC3, cv::Scalar::all(0));
        EXPECT_EQ(editor.Transform(frame.data, width, height, static_cast<int>(frame.step), 24, orientation),
                  kOk);
        return frame;
    }

    GridStyle style = DialogStyle();
    BoundaryTables t;
    CGridOverlay editor;
};

TEST(BypassTest, FramesPassByteForByteInEveryDepth) {
    BoundaryTables t;
    CGridOverlay editor;
    ASSERT_EQ(editor.SetBoundaryTable(&t.adjust.Descriptor(), &t.grid.Descriptor(), &t.coarse.Descriptor(),
                                      &t.markers.Descriptor()),
              kOk);
    ASSERT_EQ(editor.StartGrid(1), kOk);
    int zoom = 2;
    ASSERT_EQ(editor.StretchedCamera(100, 100, &zoom), kOk);
    for (int bpp : {16, 24, 32}) {
        for (auto orientation : {FrameOrientation::TopDown, FrameOrientation::BottomUp}) {
            const int width = 333, height = 101, stride = width * bpp / 8 + 7;
            const auto original = RandomBytes(static_cast<std::size_t>(stride) * height, bpp);
            auto frame = original;
            EXPECT_EQ(editor.Transform(frame.data(), width, height, stride, bpp, orientation), kOk);
            EXPECT_EQ(frame, original) << bpp << " bpp";
        }
    }
}

TEST(BypassTest, UnusableFramesAreLeftAlone) {
    CGridOverlay editor;
    editor.ByPass(0);
    std::vector<std::uint8_t> frame(64 * 64 * 4, 7);
    const auto original = frame;
    EXPECT_EQ(editor.Transform(frame.data(), 64, 64, 64 * 3 - 1, 24, FrameOrientation::TopDown), kFail);
    EXPECT_EQ(editor.Transform(frame.data(), 64, 64, 64, 8, FrameOrientation::TopDown), kFail);
    EXPECT_EQ(editor.Transform(nullptr, 64, 64, 256, 32, FrameOrientation::TopDown), kFail);
    EXPECT_EQ(editor.Transform(frame.data(), 0, 64, 256, 32, FrameOrientation::TopDown), kFail);
    EXPECT_EQ(frame, original);
    // Without tables there is nothing to draw, and nothing is drawn.
    EXPECT_EQ(editor.Transform(frame.data(), 64, 64, 256, 32, FrameOrientation::TopDown), kOk);
    EXPECT_EQ(frame, original);
}

TEST_F(DrawingTest, EveryDepthIsDrawnInsideTheRowsAndNeverIntoThePadding) {
    for (int bpp : {16, 24, 32}) {
        const int width = 640, height = 360, row = width * bpp / 8, stride = row + 9;
        Prepare(width, height, bpp);
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(stride) * height, 0);
        const std::vector<std::uint8_t> padding(9, 0xAB);
        for (int y = 0; y < height; ++y)
            std::copy(padding.begin(), padding.end(), frame.begin() + y * stride + row);
        EXPECT_EQ(editor.Transform(frame.data(), width, height, stride, bpp, FrameOrientation::TopDown), kOk);
        std::size_t drawn = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < row; ++x) drawn += frame[y * stride + x] != 0;
            for (int x = row; x < stride; ++x)
                ASSERT_EQ(frame[y * stride + x], 0xAB) << bpp << " bpp, row " << y;
        }
        EXPECT_GT(drawn, 1000u) << bpp << " bpp";
    }
}

double Intensity(const cv::Mat& frame, cv::Point p) {
    if (!cv::Rect(0, 0, frame.cols, frame.rows).contains(p)) return 0;
    const cv::Vec3b v = frame.at<cv::Vec3b>(p);
    return v[0] + v[1] + v[2];
}

// Strongest pixel within one pixel of p: an anti-aliased line of width 1 may
// share its intensity between two neighbouring pixels.
double PeakNear(const cv::Mat& frame, cv::Point p) {
    double peak = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) peak = std::max(peak, Intensity(frame, p + cv::Point(dx, dy)));
    return peak;
}

TEST_F(DrawingTest, BottomUpFrameComesOutBottomUpWithTheGridTheRightWayUp) {
    Prepare(640, 360, 24);
    const cv::Mat topDown = Draw(640, 360);
    const cv::Mat bottomUp = Draw(640, 360, FrameOrientation::BottomUp);
    cv::Mat flipped;
    cv::flip(bottomUp, flipped, 0);
    EXPECT_EQ(cv::norm(flipped, topDown, cv::NORM_INF), 0.0);
    cv::Mat mirrored;
    cv::flip(topDown, mirrored, 0);
    EXPECT_GT(cv::norm(mirrored, topDown, cv::NORM_L1), 0.0) << "the test picture must not be symmetric";
    // The raised top edge: near the top of the picture in memory order for a
    // top-down frame, near the end of the buffer for a bottom-up one.
    const cv::Point top(static_cast<int>(t.grid.X(62, 0) + t.grid.X(63, 0)) / 2,
                        static_cast<int>(t.grid.Y(62, 0) + t.grid.Y(63, 0)) / 2);
    ASSERT_GT(top.y, 2);
    EXPECT_GT(PeakNear(topDown, top), 200);
    EXPECT_GT(PeakNear(bottomUp, cv::Point(top.x, 359 - top.y)), 200);
    EXPECT_EQ(PeakNear(bottomUp, top), 0);
}

TEST_F(DrawingTest, GridOf129By65IsDrawnEveryFourthColumnAndRowAsDashesAndMatchesItsGoldenImage) {
    Prepare(640, 360, 24);
    const cv::Mat frame = Draw(640, 360);
    // Middle of the segment between two nodes, whose ends the drawing
    // truncates to whole pixels.
    const auto mid = [&](int c0, int r0, int c1, int r1) {
        return cv::Point((static_cast<int>(t.grid.X(c0, r0)) + static_cast<int>(t.grid.X(c1, r1))) / 2,
                         (static_cast<int>(t.grid.Y(c0, r0)) + static_cast<int>(t.grid.Y(c1, r1))) / 2);
    };
    // Vertical lines at columns 0, 4, ..., 128: a dash from row 30 to 31, a
    // gap from 29 to 30 (checked on the thin inner lines); nothing at columns
    // 2, 6, ...
    for (int c = 0; c <= 128; c += 2) {
        const bool line = c % 4 == 0;
        EXPECT_EQ(PeakNear(frame, mid(c, 30, c, 31)) > 100, line) << "column " << c;
        if (c > 0 && c < 128) {
            EXPECT_LT(Intensity(frame, mid(c, 29, c, 30)), 100) << "gap in column " << c;
        }
    }
    // Horizontal lines at rows 0, 4, ..., 64, dashed the same way.
    for (int r = 0; r <= 64; r += 2) {
        const bool line = r % 4 == 0;
        EXPECT_EQ(PeakNear(frame, mid(42, r, 43, r)) > 100, line) << "row " << r;
        if (r > 0 && r < 64) {
            EXPECT_LT(Intensity(frame, mid(41, r, 42, r)), 100) << "gap in row " << r;
        }
    }
    // Edge lines in the edge colour (red), inner ones in blue.
    EXPECT_GT(frame.at<cv::Vec3b>(mid(0, 30, 0, 31))[2], 100);
    EXPECT_GT(frame.at<cv::Vec3b>(mid(64, 30, 64, 31) + cv::Point(0, 0))[0] +
                  frame.at<cv::Vec3b>(mid(64, 30, 64, 31) + cv::Point(1, 0))[0],
              100);

    const std::string golden = std::string(GRIDVEIL_TEST_DATA_DIR) + "/grid_129x65.png";
    if (std::getenv("GRIDVEIL_WRITE_GOLDEN") != nullptr) {
        ASSERT_TRUE(cv::imwrite(golden, frame));
        GTEST_SKIP() << "golden image written to " << golden;
    }
    const cv::Mat expected = cv::imread(golden, cv::IMREAD_COLOR);
    ASSERT_FALSE(expected.empty()) << golden;
    ASSERT_EQ(expected.size(), frame.size());
    // Anti-aliasing may shade edge pixels a little differently between
    // library builds; the solid cores of all lines must agree exactly and only
    // a few edge pixels may differ, none by much.
    cv::Mat difference, strongA, strongB;
    cv::absdiff(frame, expected, difference);
    cv::Mat greyDiff;
    cv::cvtColor(difference, greyDiff, cv::COLOR_BGR2GRAY);
    cv::threshold(frame, strongA, 200, 255, cv::THRESH_BINARY);
    cv::threshold(expected, strongB, 200, 255, cv::THRESH_BINARY);
    EXPECT_EQ(cv::norm(strongA, strongB, cv::NORM_L1), 0.0) << "line cores moved";
    cv::Mat drawnMask;
    cv::cvtColor(expected, drawnMask, cv::COLOR_BGR2GRAY);
    const int drawn = cv::countNonZero(drawnMask);
    const int differing = cv::countNonZero(greyDiff > 2);
    EXPECT_LE(differing, drawn / 100) << differing << " of " << drawn << " drawn pixels differ";
    EXPECT_LE(cv::norm(difference, cv::NORM_INF), 64.0);
}

TEST_F(DrawingTest, ZoomWarpsThePictureInPlaceAndTheGridWithIt) {
    // A picture without tables: only the zoom acts.
    CGridOverlay plain;
    plain.ByPass(0);
    cv::Mat picture(360, 640, CV_8UC3);
    cv::randu(picture, 0, 255);
    cv::GaussianBlur(picture, picture, cv::Size(9, 9), 3);
    ASSERT_EQ(plain.CheckInputType(640, 360, 24, FrameOrientation::TopDown), kOk);
    int level = 2;  // 60 %
    ASSERT_EQ(plain.StretchedCamera(320, 180, &level), kOk);
    cv::Mat frame = picture.clone();
    ASSERT_EQ(
        plain.Transform(frame.data, 640, 360, static_cast<int>(frame.step), 24, FrameOrientation::TopDown),
        kOk);
    cv::Mat expected;
    cv::warpPerspective(picture, expected, cv::Mat(plain.Snapshot().view), picture.size(), cv::INTER_LINEAR,
                        cv::BORDER_CONSTANT, cv::Scalar::all(0));
    EXPECT_EQ(cv::norm(frame, expected, cv::NORM_INF), 0.0);

    // With a grid, its lines land where the view matrix puts them.
    Prepare(640, 360, 24);
    level = 2;
    ASSERT_EQ(editor.StretchedCamera(320, 180, &level), kOk);
    const cv::Mat zoomed = Draw(640, 360);
    const cv::Matx33d v = editor.Snapshot().view;
    const auto at = [&](int c, int r) {
        const double x = (t.grid.X(c, r) + t.grid.X(c, r + 1)) / 2,
                     y = (t.grid.Y(c, r) + t.grid.Y(c, r + 1)) / 2;
        return cv::Point(static_cast<int>(v(0, 0) * x + v(0, 2)), static_cast<int>(v(1, 1) * y + v(1, 2)));
    };
    EXPECT_GT(PeakNear(zoomed, at(64, 30)), 100);
    EXPECT_LT(Intensity(zoomed, at(66, 30)), 100);
}

}  // namespace
}  // namespace gridveil::detail
