// The connection job and the maintenance run against simulated engine boards:
// a projector that does not answer, no camera, photos the engine rejects.
#include <gtest/gtest.h>

#include "calibration/connection_job.h"
#include "calibration/maintenance_run.h"
#include "fake_camera.h"
#include "sim_board.h"
#include "test_support.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/messages/maintenance_messages.h"
#include "wallsim/board_server.h"

namespace vantis::calibration {
namespace {

using testing::AlwaysReachable;
using testing::FakeCamera;
using testing::JoinedLines;
using testing::Loopback;
using testing::RecordingReporter;
using testing::StartBoard;
using testing::TempFolder;

std::unique_ptr<wallsim::BoardServer> Board(int last) {
    return StartBoard("127.0.0." + std::to_string(last));
}

struct Maintenance {
    TempFolder home;
    FakeCamera camera;
    RecordingReporter reporter;
    AlwaysReachable prober;
    MaintenanceOptions options;
    VantisAuto::CDoc doc;
    explicit Maintenance(const std::string& name) : home(name), camera(home.path()) {
        options.dataHome = home.path();
        options.prober = &prober;
        options.timeStamp = [] { return std::string("[12:34]"); };
        doc.m_nTiming = 8;
        doc.m_bConnected = true;
        doc.m_bCameraConfigured = true;
        doc.m_bBoundaryDone = true;
        doc.SetCameraName(L"HD Pro Webcam C920");
    }
    MaintenanceResult Run() {
        ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);
        PrepareStoredWarps(doc);
        StopRequest stop;
        return RunMaintenance(doc, camera, reporter, stop, options);
    }
};

TEST(MaintenanceFaults, AProjectorThatDoesNotAnswerEndsTheRunBeforeTheCamera) {
    auto board = Board(150);
    ASSERT_NE(board, nullptr);
    Maintenance m("fault-board");
    m.doc.AddChannel(Loopback(150));
    m.doc.AddChannel(Loopback(151));  // nothing listens there
    const MaintenanceResult r = m.Run();
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(r.code, 10);
    EXPECT_EQ(r.text, "151");
    ASSERT_EQ(m.reporter.lines.size(), 4u);
    EXPECT_EQ(m.reporter.lines[0], "[12:34] Connect to projector (IP address : 150)\r\n");
    EXPECT_EQ(m.reporter.lines[1], "[12:34] Connect Success (IP address: 150)\r\n");
    EXPECT_EQ(m.reporter.lines[2], "[12:34] Connect to projector (IP address : 151)\r\n");
    EXPECT_EQ(m.reporter.lines[3],
              tendal::Messages().Format(tendal::msg::kConnectFailed, {std::string("151")}));
    EXPECT_NE(m.reporter.lines[3].find("IP address: 151"), std::string::npos);
    EXPECT_EQ(m.camera.countCalls, 0);
    // The projector before it was restored and saved.
    EXPECT_GE(board->Snapshot().savesPerformed, 1);
}

TEST(MaintenanceFaults, NoCameraGivesLine1000) {
    auto board = Board(152);
    ASSERT_NE(board, nullptr);
    Maintenance m("fault-camera");
    m.doc.AddChannel(Loopback(152));
    const MaintenanceResult r = m.Run();
    EXPECT_EQ(r.outcome, Outcome::Failed);
    ASSERT_FALSE(m.reporter.lines.empty());
    EXPECT_EQ(m.reporter.lines.back(), tendal::Messages().Text(tendal::msg::kNoCamera));
    EXPECT_EQ(m.camera.opened, -1);

    // A camera of another model, or one the configuration does not name, is no camera either.
    m.camera.names = {L"Some Other Camera"};
    m.doc.SetCameraName(L"Some Other Camera");
    m.reporter.lines.clear();
    EXPECT_EQ(m.Run().outcome, Outcome::Failed);
    EXPECT_EQ(m.reporter.lines.back(), tendal::Messages().Text(tendal::msg::kNoCamera));
    EXPECT_EQ(m.camera.opened, -1);
}

TEST(MaintenanceFaults, PhotosTheEngineRejects) {
    auto board = Board(153);
    ASSERT_NE(board, nullptr);
    Maintenance m("fault-photos");
    m.doc.AddChannel(Loopback(153));
    m.camera.names = {L"HD Pro Webcam C920"};
    m.camera.writePhotos = false;  // the camera's photos are lost: the run ends after the auto-tune
    const MaintenanceResult r = m.Run();
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(r.kind, 2);
    EXPECT_EQ(m.camera.opened, 0);
    const std::string log = JoinedLines(m.reporter.lines);
    EXPECT_NE(log.find("[12:34] Open HD Pro Webcam C920\r\n"), std::string::npos);
    EXPECT_EQ(log.find("Finish Auto Tune"), std::string::npos);
    EXPECT_EQ(log.find("[12:34] Start collect Image data"), std::string::npos);
    EXPECT_EQ(m.reporter.lines.back(), tendal::Messages().Text(tendal::msg::kNoCamera));
    EXPECT_EQ(m.camera.photos.front(), 500);  // auto-tune first

    // Photos without the centre blocks: line 1002.
    m.camera.writePhotos = true;
    m.options.engine.doImageWarping = [](auto&&...) {
        WarpResult w;
        w.status = kWarpCentreBlobs;
        w.channel = 1;
        return w;
    };
    m.reporter.lines.clear();
    EXPECT_EQ(m.Run().code, kWarpCentreBlobs);
    EXPECT_EQ(m.reporter.lines.back(), tendal::Messages().Text(tendal::msg::kCentrePatternMissing));
}

TEST(ConnectionJob, ProgressStepsAndAFailedProjector) {
    auto board = Board(154);
    ASSERT_NE(board, nullptr);
    VantisAuto::CDoc doc;
    doc.AddChannel(Loopback(154));
    doc.AddChannel(Loopback(155));  // nothing listens there
    doc.AddChannel(Loopback(156));
    RecordingReporter reporter;
    AlwaysReachable prober;
    StopRequest stop;
    ConnectionOptions options;
    options.prober = &prober;
    const ConnectionResult yes = RunConnectionJob(doc, reporter, stop, options);
    EXPECT_TRUE(yes.reset);
    EXPECT_EQ(yes.lastStep, 17);
    EXPECT_EQ(yes.outcome, Outcome::Failed);
    EXPECT_EQ(yes.steps, 6 + 1);  // the first channel's six steps, then the second's connect step
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_NE(reporter.errors[0].find("IP address: 155"), std::string::npos);
    EXPECT_EQ(reporter.errors[0].rfind("[SYSTEM ERROR 0001]", 0), 0u);
    EXPECT_EQ(doc.m_channels[0]->m_nState, VantisAuto::CChannel::kStateConnected);
    EXPECT_EQ(doc.m_channels[1]->m_nState, VantisAuto::CChannel::kStateNotConnected);
    EXPECT_TRUE(doc.m_bConnected);
    EXPECT_GE(board->Snapshot().savesPerformed, 1);
    EXPECT_EQ(reporter.questions, std::vector<std::string>{"Reset All Settings?"});

    reporter.answer = false;
    doc.RemoveChannel(Loopback(155));
    const int savesBefore = board->Snapshot().savesPerformed;
    const ConnectionResult no = RunConnectionJob(doc, reporter, stop, options);
    EXPECT_FALSE(no.reset);
    EXPECT_EQ(no.lastStep, 7);
    EXPECT_EQ(no.outcome, Outcome::Failed);                    // 156 does not answer either
    EXPECT_EQ(board->Snapshot().savesPerformed, savesBefore);  // No: nothing reset or saved
    doc.DisconnectAll();
}

}  // namespace
}  // namespace vantis::calibration
