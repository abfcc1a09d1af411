// The calibration report on the simulated wall: a clean run is all green and
// its residual agrees with the ground truth, an unchanged second run shows no
// drift, a moved projector shows its true movement in a check (exit 3), and a
// refused grid is red (exit 1).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "calibration/maintenance_run.h"
#include "calibration/oculet_camera.h"
#include "calibration/report_measures.h"
#include "project_config.h"
#include "test_support.h"
#include "test_wall.h"
#include "vantis/model/config.h"
#include "wallsim/geometry.h"

namespace vantis::calibration {
namespace {

using testing::AlwaysReachable;
using testing::RecordingReporter;
using testing::TempFolder;
using testing::TestWall;

// Boards of these tests: 127.0.5.1-6.
constexpr const char* kNetwork = "127.0.5.";

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) all += l;
    return all;
}

// One maintenance pass (or check) of the configuration under home, with its report.
MaintenanceResult Pass(const std::filesystem::path& home, bool check, std::string* log,
                       EngineCalls engine = {}) {
    VantisAuto::CDoc doc;
    std::string error;
    if (vantis::model::LoadSystemConfig(doc, "Vendor", "Config", &error) != 1) {
        *log = error;
        return {};
    }
    PrepareStoredWarps(doc);
    CDShowGridOverlay graph;
    OculetCamera camera(graph);
    RecordingReporter reporter;
    AlwaysReachable prober;
    MaintenanceOptions options;
    options.prober = &prober;
    options.dataHome = home / ".local" / "share";
    options.engine = std::move(engine);
    options.checkOnly = check;
    options.reportFolder = vantis::model::SystemConfigPath("Vendor").parent_path();
    StopRequest stop;
    MaintenanceResult result = RunMaintenance(doc, camera, reporter, stop, options);
    graph.Close();
    doc.DisconnectAll();
    *log = Joined(reporter.lines);
    return result;
}

bool WriteConfig(TestWall& wall, const std::filesystem::path& home) {
    std::string error;
    ::setenv("XDG_DATA_HOME", (home / ".local" / "share").c_str(), 1);
    return wallsim::tool::WriteProjectConfig(wall.scene(), {home, "Vendor", false}, nullptr, &error);
}

TEST(ReportWall, CleanRunIsGreenAgreesWithTruthAndShowsNoDriftNextTime) {
    TempFolder home("report-wall-clean");
    TestWall wall("stacked-2x1080.json", 1, home.path().string(), {}, kNetwork);
    ASSERT_TRUE(wall.ok()) << wall.error();
    ASSERT_TRUE(WriteConfig(wall, home.path()));

    std::string log;
    const MaintenanceResult first = Pass(home.path(), false, &log);
    ASSERT_EQ(first.outcome, Outcome::Done) << log;
    const RunReport& report = first.report.report;
    ASSERT_FALSE(first.report.file.empty()) << log;
    ASSERT_EQ(report.projectors.size(), 2u);
    for (const auto& p : report.projectors) {
        EXPECT_EQ(p.verdict, Verdict::Green) << p.address << "\n" << log;
        ASSERT_TRUE(p.residualRms && p.coverage) << p.address;
        EXPECT_FALSE(p.drift);  // nothing to compare with yet
    }
    EXPECT_EQ(ExitStatus(report), 0) << log;
    EXPECT_NE(log.find("127.0.5.1 green"), std::string::npos) << log;

    // The two projectors' residuals together against the true misregistration of the stack.
    const wallsim::TruthReport truth = wall.Measure();
    ASSERT_EQ(truth.stacks.size(), 1u);
    const double a = *report.projectors[0].residualRms, b = *report.projectors[1].residualRms;
    const double predicted = std::hypot(a, b);
    std::printf("stacked: residual %.3f and %.3f px, together %.3f; true misregistration %.3f px RMS\n", a, b,
                predicted, truth.stacks[0].misregistration.rms);
    EXPECT_NEAR(predicted, truth.stacks[0].misregistration.rms, 0.3);

    const MaintenanceResult second = Pass(home.path(), false, &log);
    ASSERT_EQ(second.outcome, Outcome::Done) << log;
    for (const auto& p : second.report.report.projectors) {
        ASSERT_TRUE(p.drift) << p.address << "\n" << log;
        std::printf("unchanged wall: drift %.3f camera px, %.3f panel px RMS\n", p.drift->rmsCamera,
                    p.drift->rmsPanel);
        EXPECT_LT(p.drift->rmsPanel, 0.3) << p.address;
    }
}

// Where the blocks of the calibration pattern sit on the panel.
std::vector<cv::Point2d> PanelBlockCentres(int width, int height) {
    const PatternInfo p = AutoWarpGetPatternInfo(false, 3);  // 1920 x 1080
    std::vector<cv::Point2d> centres;
    for (int r = 0; r <= p.blockRows; ++r)
        for (int c = 0; c <= p.blockColumns; ++c) {
            const cv::Point2d centre(c * p.pitchX + p.blockWidth / 2.0, r * p.pitchY + p.blockHeight / 2.0);
            if (centre.x + p.blockWidth / 2.0 <= width && centre.y + p.blockHeight / 2.0 <= height)
                centres.push_back(centre);
        }
    return centres;
}

TEST(ReportWall, MovedProjectorShowsItsTrueDriftAndTheCheckExitsThree) {
    TempFolder home("report-wall-moved");
    double shift = 0;
    {
        TestWall wall("stacked-2x1080.json", 3, home.path().string(), {}, kNetwork);
        ASSERT_TRUE(wall.ok()) << wall.error();
        ASSERT_TRUE(WriteConfig(wall, home.path()));
        shift = 0.004 * wall.scene().screenWidth;
        std::string log;
        ASSERT_EQ(Pass(home.path(), false, &log).outcome, Outcome::Done) << log;
    }
    // The first projector slipped to the right between the runs.
    const auto slip = [shift](wallsim::Scene& scene) {
        for (auto& corner : scene.projectors[0].corners) corner.x += shift;
    };
    TestWall moved("stacked-2x1080.json", 3, home.path().string(), slip, kNetwork);
    ASSERT_TRUE(moved.ok()) << moved.error();
    wallsim::Scene before = moved.scene();
    for (auto& corner : before.projectors[0].corners) corner.x -= shift;

    std::string log;
    const MaintenanceResult check = Pass(home.path(), true, &log);
    ASSERT_EQ(check.outcome, Outcome::Done) << log;
    const RunReport& report = check.report.report;
    EXPECT_EQ(report.kind, RunKind::Check);
    ASSERT_EQ(report.projectors.size(), 2u);
    ASSERT_TRUE(report.projectors[0].drift && report.projectors[1].drift) << log;

    // The true movement of the first projector's blocks in the camera picture.
    const wallsim::SceneOptics was(before), is(moved.scene());
    double sum = 0;
    const auto centres =
        PanelBlockCentres(moved.scene().projectors[0].width, moved.scene().projectors[0].height);
    for (const auto& c : centres) {
        const cv::Point2d d = is.PanelToPicture(0, c) - was.PanelToPicture(0, c);
        sum += d.dot(d);
    }
    const double truth = std::sqrt(sum / static_cast<double>(centres.size()));
    const DriftFigures& drift = *report.projectors[0].drift;
    std::printf(
        "moved projector: drift %.3f camera px (%.3f panel px), true %.3f camera px; other %.3f panel px\n",
        drift.rmsCamera, drift.rmsPanel, truth, report.projectors[1].drift->rmsPanel);
    EXPECT_NEAR(drift.rmsCamera, truth, 0.1 * truth);
    EXPECT_LT(report.projectors[1].drift->rmsPanel, 0.3);
    EXPECT_EQ(report.projectors[0].verdict, Verdict::Red);  // far beyond the 1-pixel limit, in a check
    EXPECT_EQ(ExitStatus(report), 3);
    // A check keeps the centres of the last calibration, and the projectors' saved state.
    for (int i = 0; i < 2; ++i) EXPECT_EQ(moved.board(i).Snapshot().savesPerformed, 0) << i;
}

TEST(ReportWall, RefusedGridIsRedAndExitsOne) {
    TempFolder home("report-wall-refused");
    TestWall wall("stacked-2x1080.json", 5, home.path().string(), {}, kNetwork);
    ASSERT_TRUE(wall.ok()) << wall.error();
    ASSERT_TRUE(WriteConfig(wall, home.path()));
    EngineCalls engine;
    engine.doImageWarping = [](auto&&...) { return WarpResult{kWarpGridInconsistent, cv::Mat(), 2}; };
    std::string log;
    const MaintenanceResult result = Pass(home.path(), false, &log, engine);
    EXPECT_EQ(result.outcome, Outcome::Failed) << log;
    const RunReport& report = result.report.report;
    EXPECT_EQ(report.outcome, RunOutcome::Refused);
    EXPECT_EQ(report.engineStatus, kWarpGridInconsistent);
    EXPECT_EQ(report.failedChannel, 2);
    for (const auto& p : report.projectors) EXPECT_EQ(p.verdict, Verdict::Red) << p.address;
    EXPECT_EQ(ExitStatus(report), 1);
    EXPECT_FALSE(result.report.file.empty());
    // A refused run keeps no block centres for the next.
    EXPECT_FALSE(
        std::filesystem::exists(vantis::model::SystemConfigPath("Vendor").parent_path() / kCentresFileName));
}

}  // namespace
}  // namespace vantis::calibration
