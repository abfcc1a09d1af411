// The boundary check: a boundary that has collapsed, folds, leaves the
// camera's picture or covers almost none of the lit wall is refused with a
// message, before any projector command for what its shape shows, before any
// warp for what the photos show. Against a simulated board on 127.0.0.159.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "calibration/boundary_check.h"
#include "calibration/calibration_sequence.h"
#include "dvOrvelAuto.h"
#include "fake_camera.h"
#include "sequence_fixtures.h"
#include "test_support.h"
#include "wallsim/board_server.h"

namespace vantis::calibration {
namespace {

using testing::FakeCamera;
using testing::IdentityEngine;
using testing::Loopback;
using testing::RecordingReporter;
using testing::TempFolder;

// The boundary grid spanning the rectangle (x0, y0)-(x1, y1) evenly.
BoundaryGrid RectangleGrid(float x0, float y0, float x1, float y1) {
    BoundaryGrid grid;
    for (int r = 0; r < kBoundaryRows; ++r)
        for (int c = 0; c < kBoundaryColumns; ++c)
            grid.emplace_back(x0 + (x1 - x0) * c / (kBoundaryColumns - 1),
                              y0 + (y1 - y0) * r / (kBoundaryRows - 1));
    return grid;
}

void StoreBoundary(VantisAuto::CDoc& doc, const BoundaryGrid& grid) {
    for (int r = 0; r < kBoundaryRows; ++r)
        for (int c = 0; c < kBoundaryColumns; ++c) {
            const cv::Point2f& p = grid[static_cast<std::size_t>(r * kBoundaryColumns + c)];
            doc.m_boundary.m_tableB.x[c][r] = p.x;
            doc.m_boundary.m_tableB.y[c][r] = p.y;
        }
}

// A camera of a known picture size whose photos show the left half of the
// picture lit while a channel's pattern is up (photo 0 is the black one).
class WallCamera : public FakeCamera {
  public:
    using FakeCamera::FakeCamera;
    cv::Size PictureSize() const override { return {200, 100}; }
    int TakePhoto(int number) override {
        FakeCamera::TakePhoto(number);
        cv::Mat picture(100, 200, CV_8UC3, cv::Scalar::all(10));
        if (number > 0) picture(cv::Rect(0, 0, 100, 100)).setTo(cv::Scalar::all(220));
        return cv::imwrite(LastPhotoPath(), picture) ? 1 : 0;
    }
};

TEST(BoundaryCheck, ShapesOfTheGrid) {
    const cv::Size picture(200, 100);
    EXPECT_EQ(CheckBoundaryShape(RectangleGrid(20, 10, 180, 90), picture), BoundaryFault::None);
    EXPECT_NEAR(BoundaryArea(RectangleGrid(20, 10, 180, 90)), 160.0 * 80.0, 1e-3);
    EXPECT_EQ(
        CheckBoundaryShape(BoundaryGrid(static_cast<std::size_t>(kBoundaryColumns) * kBoundaryRows), picture),
        BoundaryFault::Collapsed);
    EXPECT_EQ(CheckBoundaryShape(RectangleGrid(20, 50, 180, 50), picture),
              BoundaryFault::Collapsed);  // a line
    EXPECT_EQ(CheckBoundaryShape(BoundaryGrid{}, picture), BoundaryFault::Collapsed);

    // The right part of the grid flipped back over the left: the outline still
    // has area, but cells turn over.
    BoundaryGrid folded = RectangleGrid(20, 10, 180, 90);
    for (int r = 0; r < kBoundaryRows; ++r)
        for (int c = 100; c < kBoundaryColumns; ++c)
            folded[static_cast<std::size_t>(r * kBoundaryColumns + c)].x -= 120;
    EXPECT_EQ(CheckBoundaryShape(folded, picture), BoundaryFault::Folded);
    BoundaryGrid notANumber = RectangleGrid(20, 10, 180, 90);
    notANumber[77].y = std::nanf("");
    EXPECT_EQ(CheckBoundaryShape(notANumber, picture), BoundaryFault::Folded);

    EXPECT_EQ(CheckBoundaryShape(RectangleGrid(20, 10, 230, 90), picture), BoundaryFault::OutsidePhoto);
    EXPECT_EQ(CheckBoundaryShape(RectangleGrid(-1, 10, 180, 90), picture), BoundaryFault::OutsidePhoto);
    EXPECT_EQ(CheckBoundaryShape(RectangleGrid(0, 0, 200, 100), picture),
              BoundaryFault::None);  // edges count
    // 4.5 % of the picture is too small; without a picture size nothing to compare.
    EXPECT_EQ(CheckBoundaryShape(RectangleGrid(10, 10, 40, 40), picture), BoundaryFault::TooSmall);
    EXPECT_EQ(CheckBoundaryShape(RectangleGrid(10, 10, 40, 40), {}), BoundaryFault::None);
}

TEST(BoundaryCheck, ShareOfTheLitArea) {
    cv::Mat lit = cv::Mat::zeros(100, 200, CV_8UC1);
    lit(cv::Rect(0, 0, 100, 100)).setTo(255);
    EXPECT_NEAR(LitShareCovered(RectangleGrid(0, 0, 50, 100), lit), 0.5, 0.02);
    EXPECT_NEAR(LitShareCovered(RectangleGrid(110, 0, 190, 100), lit), 0.0, 1e-9);
    EXPECT_EQ(CheckBoundary(RectangleGrid(110, 0, 190, 100), lit), BoundaryFault::TooSmall);
    EXPECT_EQ(CheckBoundary(RectangleGrid(10, 10, 90, 90), lit), BoundaryFault::None);
    // A mask with nothing lit cannot judge: the shape alone counts.
    EXPECT_EQ(CheckBoundary(RectangleGrid(1000, 10, 1090, 90), cv::Mat::zeros(100, 200, CV_8UC1)),
              BoundaryFault::None);
}

TEST(Calibration, RefusesDegenerateBoundary) {
    std::string error;
    auto board = wallsim::BoardServer::Start("127.0.0.159", {}, &error);
    ASSERT_NE(board, nullptr) << error;
    TempFolder home("boundary-check");
    VantisAuto::CDoc doc;
    doc.m_nTiming = 8;
    auto* channel = doc.AddChannel(Loopback(159));
    channel->m_hLink = dvOrvelAutoOpen(channel->m_dwIp);
    ASSERT_NE(channel->m_hLink, 0);
    CaptureOptions options;
    options.dataHome = home.path();
    StopRequest stop;
    const std::size_t framesAtStart = board->Snapshot().framesReceived;

    struct Case {
        const char* name;
        BoundaryGrid grid;
        BoundaryFault fault;
    };
    BoundaryGrid folded = RectangleGrid(10, 10, 190, 90);
    std::swap(folded[5], folded[6]);
    const Case shapes[] = {
        {"never marked", BoundaryGrid(static_cast<std::size_t>(kBoundaryColumns) * kBoundaryRows),
         BoundaryFault::Collapsed},
        {"folded", folded, BoundaryFault::Folded},
        {"outside the picture", RectangleGrid(10, 10, 434, 356), BoundaryFault::OutsidePhoto},
        {"a speck", RectangleGrid(2, 2, 12, 12), BoundaryFault::TooSmall},
    };
    for (const Case& c : shapes) {
        SCOPED_TRACE(c.name);
        StoreBoundary(doc, c.grid);
        WallCamera camera(home.path());
        RecordingReporter reporter;
        const SequenceResult r = RunCalibration(doc, camera, reporter, stop, IdentityEngine(), options);
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_EQ(r.boundary, c.fault);
        ASSERT_EQ(reporter.errors.size(), 1u);
        EXPECT_EQ(reporter.errors[0], BoundaryFaultText(c.fault));
        EXPECT_TRUE(camera.photos.empty());
        EXPECT_EQ(board->Snapshot().framesReceived, framesAtStart) << "a projector was touched";
        EXPECT_FALSE(doc.m_bCalibrated);
    }

    // Over the unlit right half: only the photos show it, and no warp is computed or downloaded.
    StoreBoundary(doc, RectangleGrid(110, 5, 195, 95));
    {
        WallCamera camera(home.path());
        RecordingReporter reporter;
        bool computed = false;
        EngineCalls engine = IdentityEngine();
        const auto identity = engine.doImageWarping;
        engine.doImageWarping = [&](auto&&... args) {
            computed = true;
            return identity(args...);
        };
        const SequenceResult r = RunCalibration(doc, camera, reporter, stop, engine, options);
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_EQ(r.boundary, BoundaryFault::TooSmall);
        EXPECT_TRUE(r.captured);
        EXPECT_FALSE(computed);
        EXPECT_FALSE(doc.m_bWarped);
        ASSERT_EQ(reporter.errors.size(), 1u);
    }

    // Over the lit half the calibration goes through.
    StoreBoundary(doc, RectangleGrid(5, 5, 95, 95));
    WallCamera camera(home.path());
    RecordingReporter reporter;
    const SequenceResult r = RunCalibration(doc, camera, reporter, stop, IdentityEngine(), options);
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_TRUE(reporter.errors.empty());
    EXPECT_TRUE(doc.m_bCalibrated);
    doc.DisconnectAll();
}

}  // namespace
}  // namespace vantis::calibration
