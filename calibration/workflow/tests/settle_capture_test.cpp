// A calibration whose camera picture never settles after a pattern: the run
// ends with a clear message, the projector shows its picture again (not
// blanked, no pattern), no photo of the capture is kept and nothing is saved
// in the projector.
#include <gtest/gtest.h>

#include "calibration/calibration_sequence.h"
#include "dvOrvelAuto.h"
#include "fake_camera.h"
#include "sequence_fixtures.h"
#include "test_support.h"
#include "wallsim/board_server.h"

namespace vantis::calibration {
namespace {

using testing::FakeCamera;
using testing::Loopback;
using testing::MarkBoundary;
using testing::RecordingReporter;
using testing::TempFolder;

// Something keeps moving in front of the screen from the centre photo on.
class RestlessCamera : public FakeCamera {
  public:
    using FakeCamera::FakeCamera;
    PhotoResult TakeSettledPhoto(int number, std::chrono::milliseconds) override {
        ++settledAsked;
        if (number >= 2) return PhotoResult::NeverSettled;
        return TakePhoto(number) == 1 ? PhotoResult::Saved : PhotoResult::NotSaved;
    }
    int settledAsked = 0;
};

TEST(SettledCapture, PictureThatNeverSettlesEndsTheCalibration) {
    std::string error;
    auto board = wallsim::BoardServer::Start("127.0.0.158", {}, &error);
    ASSERT_NE(board, nullptr) << error;
    TempFolder home("never-settles");
    VantisAuto::CDoc doc;
    doc.m_nTiming = 8;
    MarkBoundary(doc);
    auto* channel = doc.AddChannel(Loopback(158));
    channel->m_hLink = dvOrvelAutoOpen(channel->m_dwIp);
    ASSERT_NE(channel->m_hLink, 0);
    RestlessCamera camera(home.path());
    RecordingReporter reporter;
    StopRequest stop;
    CaptureOptions options;
    options.dataHome = home.path();
    options.photoWait = PhotoWait::Settled;
    EngineCalls engine;
    bool computed = false;
    engine.doImageWarping = [&](const std::string&, const std::vector<std::string>&,
                                const std::vector<std::string>&, const std::vector<std::string>&,
                                const std::vector<double>&, PatternType, std::int32_t, WarpingMode,
                                std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                const BoundaryGrid&, std::int32_t*, std::vector<WarpGrid>*) {
        computed = true;
        return WarpResult{};
    };
    const SequenceResult r = RunCalibration(doc, camera, reporter, stop, engine, options);
    EXPECT_NE(r.outcome, Outcome::Done);
    EXPECT_FALSE(computed);
    EXPECT_EQ(camera.settledAsked, 3);  // black, white, then the centre pattern that never settled
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_NE(reporter.errors[0].find("kept changing"), std::string::npos) << reporter.errors[0];
    // No photo of this capture may be used afterwards.
    EXPECT_TRUE(channel->m_strBlackPhoto.empty());
    EXPECT_TRUE(channel->m_strWhitePhoto.empty());
    EXPECT_TRUE(channel->m_strCenterPhoto.empty());
    const wallsim::BoardState s = board->Snapshot();
    EXPECT_FALSE(s.blanked);
    EXPECT_FALSE(s.solidShown);
    EXPECT_EQ(s.pattern.kind, wallsim::PatternKind::kNone);
    EXPECT_EQ(s.savesPerformed, 0);
    EXPECT_FALSE(doc.m_bCalibrated);
    doc.DisconnectAll();
}

TEST(SettledCapture, FixedWaitsNeverAskForASettledPicture) {
    TempFolder home("fixed-waits");
    VantisAuto::CDoc doc;
    doc.AddChannel(Loopback(146));
    RestlessCamera camera(home.path());
    RecordingReporter reporter;
    StopRequest stop;
    CaptureOptions options;
    options.dataHome = home.path();
    options.photoWait = PhotoWait::Fixed;
    EXPECT_EQ(RunCapture(doc, camera, reporter, stop, EngineCalls{}, options), Outcome::Done);
    EXPECT_EQ(camera.settledAsked, 0);
    EXPECT_EQ(camera.photos, (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace vantis::calibration
