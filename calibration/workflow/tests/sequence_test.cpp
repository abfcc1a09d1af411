// The calibration and re-calibration sequences against a simulated board, with
// a recording camera and the engine's warp answer fixed.
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
using testing::IdentityEngine;
using testing::Loopback;
using testing::MarkBoundary;
using testing::RecordingReporter;
using testing::TempFolder;

TEST(CalibrationSequence, StackingDownloadsNoBlendAndSavesTheWarps) {
    std::string error;
    auto board = wallsim::BoardServer::Start("127.0.0.157", {}, &error);
    ASSERT_NE(board, nullptr) << error;

    TempFolder home("sequence");
    VantisAuto::CDoc doc;
    doc.m_nTiming = 8;
    doc.m_nSolution = 0;
    MarkBoundary(doc);
    auto* channel = doc.AddChannel(Loopback(157));
    channel->m_hLink = dvOrvelAutoOpen(channel->m_dwIp);
    ASSERT_NE(channel->m_hLink, 0);
    // The installer left uniformity and black level on, global contrast off.
    ASSERT_EQ(dvOrvelAutoEnableUniformity(channel->m_hLink, 1), 0);
    ASSERT_EQ(dvOrvelAutoEnableBlackLevel(channel->m_hLink, 1), 0);
    FakeCamera camera(home.path());
    RecordingReporter reporter;
    StopRequest stop;
    CaptureOptions options;
    options.dataHome = home.path();
    const SequenceResult r = RunCalibration(doc, camera, reporter, stop, IdentityEngine(), options);
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(camera.photos, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(channel->m_bUniformity, 1);  // read as on before the capture
    EXPECT_EQ(channel->m_bBlackLevel, 1);
    EXPECT_EQ(channel->m_bGlobalContrast, 0);
    EXPECT_TRUE(doc.m_bWarped && doc.m_bCalibrated);
    EXPECT_FALSE(doc.m_bBlended);  // stacking downloads no blend maps
    EXPECT_EQ(doc.m_bSyncReady, 1);
    const wallsim::BoardState s = board->Snapshot();
    // What was read as on is on again; what was off stays off.
    EXPECT_TRUE(s.corrections.uniformity);
    EXPECT_TRUE(s.corrections.blackLevel);
    EXPECT_FALSE(s.corrections.globalContrast);
    EXPECT_EQ(s.blend.gammaMode, 0);
    EXPECT_GE(s.savesPerformed, 1);
    EXPECT_FALSE(s.blanked);
    // The identity grid went into the channel's tables.
    EXPECT_FLOAT_EQ(channel->m_forward.x[1][0], 16.0f);

    // Re-calibration cancelled in the threshold review: no projector command at all.
    const std::size_t frames = board->Snapshot().framesReceived;
    const SequenceResult cancelled = RunRecalibration(
        doc, reporter, [](VantisAuto::CDoc&) { return false; }, IdentityEngine());
    EXPECT_EQ(cancelled.outcome, Outcome::Stopped);
    EXPECT_EQ(board->Snapshot().framesReceived, frames);
    // Done: compute, download and save.
    const SequenceResult done = RunRecalibration(
        doc, reporter, [](VantisAuto::CDoc&) { return true; }, IdentityEngine());
    EXPECT_EQ(done.outcome, Outcome::Done);
    EXPECT_GT(board->Snapshot().framesReceived, frames);
    doc.DisconnectAll();
}

TEST(CalibrationSequence, EngineFailureIsReportedWithItsMessage) {
    TempFolder home("sequence-fail");
    VantisAuto::CDoc doc;
    MarkBoundary(doc);
    doc.AddChannel(Loopback(158));  // no link: the commands fail and the sequence goes on
    FakeCamera camera(home.path());
    RecordingReporter reporter;
    StopRequest stop;
    CaptureOptions options;
    options.dataHome = home.path();
    EngineCalls engine;
    engine.doImageWarping = [](auto&&...) {
        WarpResult w;
        w.status = kWarpCentreBlobs;
        return w;
    };
    const SequenceResult r = RunCalibration(doc, camera, reporter, stop, engine, options);
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(r.warp.status, kWarpCentreBlobs);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_NE(reporter.errors[0].find("[CORRECT ERROR 0003]"), std::string::npos);
    EXPECT_FALSE(doc.m_bCalibrated);
    EXPECT_EQ(EngineErrorMessage(kWarpPhotoUnreadable), 201);
    EXPECT_EQ(EngineErrorMessage(kWarpRegionAtEdge), 205);
}

}  // namespace
}  // namespace vantis::calibration
