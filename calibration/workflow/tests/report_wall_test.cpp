// The calibration report on the simulated wall: a clean run is all green and
// its residual agrees with the ground truth, an unchanged second run shows no
// drift, a moved projector shows its true movement in a check (exit 3), and a
// refused grid is red (exit 1).
#include <gtest/gtest.h>

#include <cstdio>

#include "calibration/maintenance_run.h"
#include "calibration/report_measures.h"
#include "test_support.h"
#include "test_wall.h"
#include "vantis/model/config.h"
#include "wall_pass.h"

namespace vantis::calibration {
namespace {

using testing::TempFolder;
using testing::TestWall;

// Boards of these tests: 127.0.5.1-6.
constexpr const char* kNetwork = "127.0.5.";

MaintenanceResult Pass(const std::filesystem::path& home, bool check, std::string* log,
                       EngineCalls engine = {}) {
    return testing::WallPass(home, check, log, std::move(engine));
}

bool WriteConfig(TestWall& wall, const std::filesystem::path& home) {
    std::string error;
    return testing::WriteWallConfig(wall, home, &error);
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
    const auto pairs = testing::ResidualAgreement(wall.scene(), wall.Measure(), report);
    ASSERT_EQ(pairs.size(), 1u);
    std::printf("stacked: residuals together %.3f px; true misregistration %.3f px RMS\n", pairs[0].predicted,
                pairs[0].truth);
    EXPECT_NEAR(pairs[0].predicted, pairs[0].truth, 0.3);

    const MaintenanceResult second = Pass(home.path(), false, &log);
    ASSERT_EQ(second.outcome, Outcome::Done) << log;
    for (const auto& p : second.report.report.projectors) {
        ASSERT_TRUE(p.drift) << p.address << "\n" << log;
        std::printf("unchanged wall: drift %.3f camera px, %.3f panel px RMS\n", p.drift->rmsCamera,
                    p.drift->rmsPanel);
        EXPECT_LT(p.drift->rmsPanel, 0.3) << p.address;
    }
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

    // The true movement of the first projector's blocks, in the camera picture and on its panel.
    const testing::TrueMovement truth = testing::TrueBlockMovement(before, moved.scene(), 0);
    const DriftFigures& drift = *report.projectors[0].drift;
    std::printf("moved projector: drift %.3f camera px, %.3f panel px; true %.3f camera px, %.3f panel px\n",
                drift.rmsCamera, drift.rmsPanel, truth.rmsCamera, truth.rmsPanel);
    EXPECT_NEAR(drift.rmsCamera, truth.rmsCamera, 0.1 * truth.rmsCamera);
    EXPECT_NEAR(drift.rmsPanel, truth.rmsPanel, 0.1 * truth.rmsPanel);
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
