// The maintenance run's outcome against simulated boards that fail mid-run: a
// download or save that did not happen is never reported as complete, a board
// that stops answering costs one time-out and the others go on, the camera
// dying mid-run ends the run without "Finish" lines, and a stop (a signal)
// leaves every projector showing its picture; the automatic boundary's failure
// ends the run before the warps. Boards on 127.0.3.11-19.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cmath>

#include "calibration/maintenance_run.h"
#include "calibration/stop_signals.h"
#include "fake_camera.h"
#include "sim_board.h"
#include "test_support.h"
#include "vantis/delays.h"
#include "vantis/messages/maintenance_messages.h"
#include "wallsim/board_server.h"

namespace vantis::calibration {
namespace {

using namespace std::chrono_literals;
using testing::AlwaysReachable;
using testing::FakeCamera;
using testing::JoinedLines;
using testing::RecordingReporter;
using testing::StartBoard;
using testing::TempFolder;
using wallsim::Fault;
using wallsim::FaultMode;

constexpr std::uint8_t kWarpBlockCode = 0x12;
constexpr int kBlocksPerWarp = 39;

std::unique_ptr<wallsim::BoardServer> Board(int last) {
    return StartBoard("127.0.3." + std::to_string(last));
}

// A camera whose photos stop being saved after `working` photos (a camera
// unplugged mid-run), and that can raise a signal at a given photo, as a
// service manager stopping the program would.
class FailingCamera : public FakeCamera {
  public:
    using FakeCamera::FakeCamera;
    int TakePhoto(int number) override {
        ++taken;
        if (signalAt > 0 && taken == signalAt) ::raise(SIGTERM);
        if (working >= 0 && taken > working) writePhotos = false;
        return FakeCamera::TakePhoto(number);
    }
    int working = -1;
    int signalAt = 0;
    int taken = 0;
};

struct Rig {
    TempFolder home;
    FailingCamera camera;
    RecordingReporter reporter;
    AlwaysReachable prober;
    MaintenanceOptions options;
    StopRequest stop;
    VantisAuto::CDoc doc;
    explicit Rig(const std::string& name) : home(name), camera(home.path()) {
        delays::SetTimeoutScale(0.01);  // 100 ms link time-outs
        options.dataHome = home.path();
        options.prober = &prober;
        options.timeStamp = [] { return std::string("[12:34]"); };
        // An engine that accepts every photo and answers with identity warps.
        options.engine.autoTune = [](const std::string&, const std::string&, ExposureVerdict* verdict) {
            *verdict = kExposureAcceptable;
            return 0;
        };
        options.engine.calThreshold = [](const std::string&, const std::string&, cv::Mat*, double* t,
                                         std::int32_t) {
            *t = 60;
            return 0;
        };
        options.engine.doImageWarping = [](auto&&, auto&&, auto&&, auto&&, auto&&, PatternType type,
                                           std::int32_t channels, auto&&, auto&&, auto&&, auto&&, auto&&,
                                           auto&&, auto&&, std::int32_t* size, std::vector<WarpGrid>* warps) {
            size[0] = 8;
            size[1] = 8;
            for (int i = 0; i < channels; ++i) {
                warps->emplace_back();
                AutoWarpInitWarping(&warps->back(), type);
            }
            return WarpResult{};
        };
        camera.names = {L"HD Pro Webcam C920"};
        doc.m_nTiming = 8;
        doc.m_bConnected = true;
        doc.m_bCameraConfigured = true;
        doc.m_bBoundaryDone = true;
        doc.SetCameraName(L"HD Pro Webcam C920");
    }
    ~Rig() {
        doc.DisconnectAll();
        delays::SetTimeoutScale(0);
    }
    void Add(int last) { doc.AddChannel(0x7F000300u | static_cast<std::uint32_t>(last)); }
    MaintenanceResult Go() {
        ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);
        PrepareStoredWarps(doc);
        return RunMaintenance(doc, camera, reporter, stop, options);
    }
};

TEST(MaintenanceOutcome, ABoardSilentAfterConnectingFailsTheRunInOneTimeOutAndTheOthersGoOn) {
    auto silent = Board(11);
    auto fine = Board(12);
    ASSERT_TRUE(silent && fine);
    Rig run("outcome-silent");
    run.doc.m_nSolution = 1;  // blending: warps, blends and saves
    run.doc.m_nLayout = 1;
    run.Add(11);
    run.Add(12);
    run.doc.m_channels[1]->m_nColumn = 2;
    // The connect pass downloads two warps; the board goes quiet at the third.
    silent->SetFault(Fault::Of(FaultMode::kSilent).OnCode(kWarpBlockCode).Skip(2 * kBlocksPerWarp));
    const int savesBefore = 1;  // the connect pass saves each projector once
    const auto start = std::chrono::steady_clock::now();
    const MaintenanceResult r = run.Go();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // not 39 time-outs
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(r.code, 50);
    EXPECT_EQ(r.text, "11");
    EXPECT_FALSE(run.doc.m_bWarped);
    const std::string log = JoinedLines(run.reporter.lines);
    EXPECT_EQ(log.find("Complete"), std::string::npos) << log;
    EXPECT_NE(log.find("(IP address: 11) failed at the warp download (link result 50"), std::string::npos)
        << log;
    // One line for the failure; the other projector took its warp and blend and saved them.
    EXPECT_EQ(log.find("(IP address: 12) failed"), std::string::npos) << log;
    EXPECT_EQ(fine->Snapshot().savesPerformed, savesBefore + 1);
    EXPECT_EQ(silent->Snapshot().savesPerformed, savesBefore);
}

TEST(MaintenanceOutcome, ARefusedSaveOrBlendIsAFailureNamingTheStep) {
    auto board = Board(13);
    ASSERT_NE(board, nullptr);
    {
        Rig run("outcome-save");
        run.Add(13);
        board->SetFault(Fault::Of(FaultMode::kRefuse).OnCode(0x18).Skip(1));  // the second save's first step
        const MaintenanceResult r = run.Go();
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(JoinedLines(run.reporter.lines).find("(IP address: 13) failed at the save"),
                  std::string::npos);
        EXPECT_FALSE(run.doc.m_bWarped);
    }
    board->ClearFault();
    {
        Rig run("outcome-blend");
        run.doc.m_nSolution = 1;
        run.doc.m_nLayout = 1;
        run.Add(13);
        board->SetFault(Fault::Of(FaultMode::kRefuse).OnCode(0x27));  // the blend's gamma mode
        const MaintenanceResult r = run.Go();
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_NE(JoinedLines(run.reporter.lines).find("failed at the blend download"), std::string::npos);
    }
    board->ClearFault();
    {
        // The connect pass's restore of the stored warp is checked too.
        Rig run("outcome-restore");
        run.Add(13);
        board->SetFault(
            Fault::Of(FaultMode::kRefuse).OnCode(kWarpBlockCode).Skip(kBlocksPerWarp + 3).Times(1));
        const MaintenanceResult r = run.Go();
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_EQ(r.kind, 1);
        EXPECT_NE(JoinedLines(run.reporter.lines).find("failed at the stored warp download"),
                  std::string::npos);
        EXPECT_EQ(run.camera.countCalls, 0);
    }
    board->ClearFault();
    Rig good("outcome-good");
    good.Add(13);
    EXPECT_EQ(good.Go().outcome, Outcome::Done);
    EXPECT_TRUE(good.doc.m_bWarped);
    EXPECT_NE(JoinedLines(good.reporter.lines).find("Complete"), std::string::npos);
}

TEST(MaintenanceOutcome, ACameraThatDiesLogsNoFinishLines) {
    auto board = Board(14);
    ASSERT_NE(board, nullptr);
    for (int working : {0, 1}) {  // dead from the start; dies in the auto-tune after its black photo
        Rig run("outcome-camera");
        run.Add(14);
        run.camera.working = working;
        const MaintenanceResult r = run.Go();
        EXPECT_EQ(r.outcome, Outcome::Failed);
        const std::string log = JoinedLines(run.reporter.lines);
        EXPECT_EQ(log.find("Finish Auto Tune"), std::string::npos) << log;
        EXPECT_EQ(log.find("Finish collect Image data"), std::string::npos) << log;
        EXPECT_EQ(run.reporter.lines.back(), tendal::Messages().Text(tendal::msg::kNoCamera));
    }
    // Dying during the photographs: the auto-tune finished, the collection did not.
    Rig run("outcome-camera-late");
    run.Add(14);
    run.camera.working = 5;  // auto-tune: black and one white
    const MaintenanceResult r = run.Go();
    EXPECT_EQ(r.outcome, Outcome::Failed);
    const std::string log = JoinedLines(run.reporter.lines);
    EXPECT_NE(log.find("Finish Auto Tune"), std::string::npos) << log;
    EXPECT_EQ(log.find("Finish collect Image data"), std::string::npos) << log;
}

TEST(MaintenanceOutcome, WarpFailuresSayWhatFailed) {
    auto board = Board(15);
    ASSERT_NE(board, nullptr);
    Rig run("outcome-warp");
    run.Add(15);
    run.options.engine.doImageWarping = [](auto&&...) {
        WarpResult w;
        w.status = kWarpBadArguments;
        w.channel = 1;
        return w;
    };
    const MaintenanceResult r = run.Go();
    EXPECT_EQ(r.code, kWarpBadArguments);
    const std::string last = run.reporter.lines.back();
    EXPECT_NE(last.find("warp calculation failed"), std::string::npos) << last;
    EXPECT_NE(last.find("layout"), std::string::npos) << last;
    EXPECT_GT(last.size(), 10u);
}

// With the automatic boundary, a boundary the engine cannot find ends the run
// before any warp is computed or downloaded, the stored boundary untouched;
// one it finds replaces all three boundary tables before the warps.
TEST(MaintenanceOutcome, AutomaticBoundaryFailureEndsTheRunAndItsResultIsWhatTheWarpsUse) {
    auto board = Board(17);
    ASSERT_NE(board, nullptr);
    {
        Rig run("outcome-boundary-fails");
        run.Add(17);
        run.options.autoBoundary = true;
        run.doc.m_boundary.m_tableB.x[3][4] = 123.0f;
        run.options.engine.findBoundary = [](auto&&...) { return BoundaryResult{kBoundaryNoLight, 2, 0.0}; };
        bool warped = false;
        run.options.engine.doImageWarping = [&](auto&&...) {
            warped = true;
            WarpResult w;
            w.status = kWarpBadArguments;
            return w;
        };
        const MaintenanceResult r = run.Go();
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_EQ(r.kind, 5);
        EXPECT_EQ(r.code, kBoundaryNoLight);
        EXPECT_FALSE(warped);
        EXPECT_EQ(run.doc.m_boundary.m_tableB.x[3][4], 123.0f);
        const std::string last = run.reporter.lines.back();
        EXPECT_NE(last.find("[12:34] automatic boundary failed"), std::string::npos) << last;
        EXPECT_NE(last.find("no light"), std::string::npos) << last;
        EXPECT_NE(last.find("projector 2"), std::string::npos) << last;
        EXPECT_EQ(board->Snapshot().savesPerformed, 1);  // the connect pass only
    }
    {
        Rig run("outcome-boundary-found");
        run.Add(17);
        run.options.autoBoundary = true;
        run.doc.m_bBoundaryDone = false;
        run.options.engine.findBoundary = [](const std::string&, const std::vector<std::string>& whites,
                                             auto&&, std::int32_t channels, auto&&, auto&&, auto&&, auto&&,
                                             auto&&, auto&&, bool, BoundaryGrid* grid) {
            EXPECT_EQ(static_cast<std::int32_t>(whites.size()), channels);
            grid->assign(kBoundaryColumns * kBoundaryRows, cv::Point2f(7.0f, 9.0f));
            return BoundaryResult{kBoundaryOk, 0, 1.5};
        };
        BoundaryGrid used;
        run.options.engine.doImageWarping = [&](auto&&, auto&&, auto&&, auto&&, auto&&, PatternType type,
                                                std::int32_t channels, auto&&, auto&&, auto&&, auto&&, auto&&,
                                                auto&&, const BoundaryGrid& boundary, std::int32_t* size,
                                                std::vector<WarpGrid>* warps) {
            used = boundary;
            size[0] = size[1] = 8;
            for (int i = 0; i < channels; ++i) {
                warps->emplace_back();
                AutoWarpInitWarping(&warps->back(), type);
            }
            return WarpResult{};
        };
        const MaintenanceResult r = run.Go();
        EXPECT_EQ(r.outcome, Outcome::Done) << JoinedLines(run.reporter.lines);
        ASSERT_EQ(used.size(), static_cast<std::size_t>(kBoundaryColumns * kBoundaryRows));
        EXPECT_EQ(used.front(), cv::Point2f(7.0f, 9.0f));
        EXPECT_TRUE(run.doc.m_bBoundaryDone);
        EXPECT_EQ(run.doc.m_boundary.m_tableA.y[128][64], 9.0f);
        EXPECT_EQ(run.doc.m_boundary.m_tableC.x[0][0], 7.0f);
        EXPECT_NE(JoinedLines(run.reporter.lines).find("automatic boundary found (aspect ratio 1.500)"),
                  std::string::npos);
    }
    {
        // An answer with a point that is not a number is refused like a failure.
        Rig run("outcome-boundary-nan");
        run.Add(17);
        run.options.autoBoundary = true;
        run.options.engine.findBoundary = [](auto&&, auto&&, auto&&, auto&&, auto&&, auto&&, auto&&, auto&&,
                                             auto&&, auto&&, bool, BoundaryGrid* grid) {
            grid->assign(kBoundaryColumns * kBoundaryRows, cv::Point2f(std::nanf(""), 1.0f));
            return BoundaryResult{};
        };
        const MaintenanceResult r = run.Go();
        EXPECT_EQ(r.kind, 5);
        EXPECT_EQ(r.code, kBoundaryBadArguments);
        EXPECT_TRUE(std::isfinite(run.doc.m_boundary.m_tableB.x[0][0]));
    }
}

TEST(MaintenanceOutcome, ASignalStopsTheRunAndLeavesEveryProjectorShowingItsPicture) {
    auto board = Board(16);
    ASSERT_NE(board, nullptr);
    Rig run("outcome-signal");
    run.Add(16);
    StopSignals::Reset();
    StopSignals::Install(run.stop);
    // SIGTERM comes during the capture, with the projectors blanked or showing white:
    // after the auto-tune's black and white photos and the capture's black one.
    run.camera.signalAt = 4;
    const MaintenanceResult r = run.Go();
    StopSignals::Uninstall();
    EXPECT_EQ(r.outcome, Outcome::Stopped);
    EXPECT_EQ(StopSignals::ExitStatus(), 128 + SIGTERM);
    const wallsim::BoardState state = board->Snapshot();
    EXPECT_FALSE(state.blanked);
    EXPECT_FALSE(state.solidShown);
    EXPECT_FALSE(run.doc.m_bWarped);
    EXPECT_NE(JoinedLines(run.reporter.lines).find("Stopped"), std::string::npos);
    StopSignals::Reset();
}

TEST(StopSignalsTest, TheFirstSignalDecidesTheExitStatus) {
    StopRequest stop;
    StopSignals::Reset();
    StopSignals::Install(stop);
    EXPECT_EQ(StopSignals::ExitStatus(), 0);
    ::raise(SIGINT);
    EXPECT_TRUE(stop.Requested());
    EXPECT_EQ(StopSignals::ExitStatus(), 130);
    ::raise(SIGTERM);
    EXPECT_EQ(StopSignals::ExitStatus(), 130);
    StopSignals::Uninstall();
    StopSignals::Reset();
    StopRequest other;
    StopSignals::Install(other);
    ::raise(SIGTERM);
    EXPECT_EQ(StopSignals::ExitStatus(), 143);
    EXPECT_TRUE(other.Requested());
    StopSignals::Uninstall();
    StopSignals::Reset();
}

}  // namespace
}  // namespace vantis::calibration
