// End to end, unattended, against the simulated wall: the maintenance run of
// a configuration written for the scene, through the link, the camera
// library's capture graph on the virtual camera and the engine. Afterwards the
// boards hold the new warps (and blend maps where the solution blends), saved,
// and the ground truth of what they hold is far better than the identity's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "calibration/auto_tune.h"
#include "calibration/capture.h"
#include "calibration/maintenance_run.h"
#include "calibration/oculet_camera.h"
#include "calibration/warp_compute.h"
#include "dvOrvelAuto.h"
#include "project_config.h"
#include "test_support.h"
#include "test_wall.h"
#include "vantis/model/config.h"
#include "virtual_camera.h"

namespace vantis::calibration {
namespace {

using testing::AlwaysReachable;
using testing::OpenVirtualCamera;
using testing::RecordingReporter;
using testing::TempFolder;
using testing::TestWall;

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) all += l;
    return all;
}

void RunScene(const std::string& sceneName, int firstAddress, bool blends) {
    TempFolder home("wall-" + std::to_string(firstAddress));
    TestWall wall(sceneName, firstAddress, home.path().string());
    ASSERT_TRUE(wall.ok()) << wall.error();
    // wallsim writes the configuration under HOME/.local/share, where the programs find it.
    const auto dataHome = home.path() / ".local" / "share";

    // The configuration as wallsim writes it and tendal reads it.
    std::string error;
    ASSERT_TRUE(
        wallsim::tool::WriteProjectConfig(wall.scene(), {home.path(), "Vendor", false}, nullptr, &error))
        << error;
    VantisAuto::CDoc doc;
    ASSERT_EQ(vantis::model::LoadSystemConfig(doc, "Vendor", "Config", &error), 1) << error;
    PrepareStoredWarps(doc);
    const double before = testing::WorstRms(wall.Measure());

    CDShowGridOverlay graph;
    OculetCamera camera(graph);
    RecordingReporter reporter;
    AlwaysReachable prober;
    MaintenanceOptions options;
    options.prober = &prober;
    options.dataHome = dataHome;
    std::string verdicts;
    options.engine.autoTune = [&](const std::string& a, const std::string& b, ExposureVerdict* v) {
        const int r = AutoTune(a, b, v);
        verdicts += std::to_string(*v) + " ";
        return r;
    };
    StopRequest stop;
    const MaintenanceResult result = RunMaintenance(doc, camera, reporter, stop, options);
    graph.Close();
    doc.DisconnectAll();
    const std::string log = Joined(reporter.lines);
    ASSERT_EQ(result.outcome, Outcome::Done) << log << "auto-tune verdicts " << verdicts;
    EXPECT_NE(reporter.lines.back().find("Complete"), std::string::npos);

    const double after = testing::WorstRms(wall.Measure());
    std::printf(
        "%s: worst rms before %.2f, after %.2f panel pixels; auto-tune verdicts %s; camera exposure %d\n",
        sceneName.c_str(), before, after, verdicts.c_str(),
        doc.m_camera.State(CameraProperty::Exposure).value);
    EXPECT_LT(after * 5, before) << log;
    for (std::size_t i = 0; i < wall.scene().projectors.size(); ++i) {
        const wallsim::BoardState state = wall.board(static_cast<int>(i)).Snapshot();
        EXPECT_GE(state.savesPerformed, 2) << "board " << i;  // the connect pass, then the new warps
        EXPECT_NE(state.warp.nodes, wallsim::WarpLattice{}.nodes) << "board " << i;
        EXPECT_EQ(state.blend.gammaMode, blends ? 1 : 0) << "board " << i;
        EXPECT_FALSE(state.blanked);
    }
}

TEST(WallRun, StackingScene) {
    RunScene("stacked-2x1080.json", 160, false);
}
TEST(WallRun, BlendingScene) {
    RunScene("blend-2x1080.json", 163, true);
}
TEST(WallRun, StackingWithBlendingScene) {
    RunScene("blend-2-stacked-2.json", 166, true);
}

// A stored boundary that lies half off the light (a screen moved since it was
// drawn): with the automatic boundary the run finds the lit area's outline
// from its own photos, calibrates with it, and the wall comes out as well
// aligned as with a good boundary.
TEST(WallRun, AutomaticBoundaryReplacesAWrongStoredOne) {
    TempFolder home("wall-auto-boundary");
    TestWall wall("blend-2x1080.json", 178, home.path().string());
    ASSERT_TRUE(wall.ok()) << wall.error();
    std::string error;
    ASSERT_TRUE(
        wallsim::tool::WriteProjectConfig(wall.scene(), {home.path(), "Vendor", false}, nullptr, &error))
        << error;
    VantisAuto::CDoc doc;
    ASSERT_EQ(vantis::model::LoadSystemConfig(doc, "Vendor", "Config", &error), 1) << error;
    PrepareStoredWarps(doc);
    const BoundaryGrid good = BoundaryGridOf(doc.m_boundary);
    // The wrong boundary: the good one moved right and down by half its size.
    const float shiftX = (good.back().x - good.front().x) / 2, shiftY = (good.back().y - good.front().y) / 2;
    BoundaryGrid wrong = good;
    for (cv::Point2f& p : wrong) p += cv::Point2f(shiftX, shiftY);
    SetBoundaryGrid(wrong, doc.m_boundary);
    const double before = testing::WorstRms(wall.Measure());

    CDShowGridOverlay graph;
    OculetCamera camera(graph);
    RecordingReporter reporter;
    AlwaysReachable prober;
    MaintenanceOptions options;
    options.prober = &prober;
    options.dataHome = home.path() / ".local" / "share";
    options.autoBoundary = true;
    StopRequest stop;
    const MaintenanceResult result = RunMaintenance(doc, camera, reporter, stop, options);
    graph.Close();
    doc.DisconnectAll();
    const std::string log = Joined(reporter.lines);
    ASSERT_EQ(result.outcome, Outcome::Done) << log;
    EXPECT_NE(log.find("automatic boundary found"), std::string::npos) << log;

    // The found outline is near the good one, nowhere near the wrong one.
    const BoundaryGrid found = BoundaryGridOf(doc.m_boundary);
    ASSERT_EQ(found.size(), good.size());
    double worstFromGood = 0;
    for (std::size_t i = 0; i < found.size(); ++i)
        worstFromGood = std::max(worstFromGood, static_cast<double>(cv::norm(found[i] - good[i])));
    EXPECT_LT(worstFromGood, std::min(shiftX, shiftY) / 4) << log;

    const double after = testing::WorstRms(wall.Measure());
    std::printf(
        "automatic boundary: worst rms before %.2f, after %.2f panel pixels; farthest point %.1f camera "
        "pixels from the good boundary\n",
        before, after, worstFromGood);
    EXPECT_LT(after * 5, before) << log;
}

// The boundary photos on their own (as the Boundary dialog takes them): the
// black and each projector's white, no pattern photos, and the boundary the
// engine finds in them close to the lit area the ground truth gives.
TEST(WallRun, BoundaryPhotosGiveTheLitAreasOutline) {
    TempFolder home("wall-boundary-photos");
    TestWall wall("stacked-2x1080.json", 182, home.path().string());
    ASSERT_TRUE(wall.ok()) << wall.error();
    ::setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1);
    VantisAuto::CDoc doc;
    std::string error;
    ASSERT_TRUE(wallsim::tool::BuildProjectDocument(wall.scene(), &doc, &error)) << error;
    const BoundaryGrid truth = BoundaryGridOf(doc.m_boundary);
    BoundaryGrid off = truth;
    for (cv::Point2f& p : off) p *= 0.5f;
    SetBoundaryGrid(off, doc.m_boundary);
    for (auto& c : doc.m_channels) c->m_hLink = dvOrvelAutoOpen(c->m_dwIp);

    CDShowGridOverlay graph;
    OculetCamera camera(graph);
    ASSERT_GE(OpenVirtualCamera(camera), 0);
    camera.TakeConfig(doc.m_camera);

    RecordingReporter reporter;
    StopRequest stop;
    CaptureOptions options;
    options.dataHome = home.path() / "data";
    const EngineCalls engine;
    const Outcome captured = CaptureBoundaryPhotos(doc, camera, reporter, stop, engine, options);
    const BoundaryResult found = captured == Outcome::Done ? ComputeAutoBoundary(doc, engine)
                                                           : BoundaryResult{kBoundaryPhotoUnreadable, 0, 0};
    graph.Close();
    for (auto& c : doc.m_channels) {
        EXPECT_FALSE(c->m_strWhitePhoto.empty());
        EXPECT_TRUE(c->m_strCenterPhoto.empty());
        EXPECT_TRUE(c->m_strGridPhoto.empty());
    }
    doc.DisconnectAll();
    ASSERT_EQ(captured, Outcome::Done) << Joined(reporter.errors);
    ASSERT_EQ(found.status, kBoundaryOk) << BoundaryFailureText(found);
    EXPECT_TRUE(doc.m_bBoundaryDone);
    const BoundaryGrid grid = BoundaryGridOf(doc.m_boundary);
    const float size = std::min(truth.back().x - truth.front().x, truth.back().y - truth.front().y);
    double worst = 0;
    for (std::size_t i = 0; i < grid.size(); ++i)
        worst = std::max(worst, static_cast<double>(cv::norm(grid[i] - truth[i])));
    EXPECT_LT(worst, size / 10) << "farthest point " << worst << " camera pixels from the lit area's outline";
    for (std::size_t i = 0; i < wall.scene().projectors.size(); ++i)
        EXPECT_FALSE(wall.board(static_cast<int>(i)).Snapshot().blanked) << "board " << i;
}

TEST(WallAutoTune, OverExposedStartConverges) {
    TempFolder home("wall-tune");
    TestWall wall("stacked-2x1080.json", 184, home.path().string());
    ASSERT_TRUE(wall.ok()) << wall.error();
    ::setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1);
    VantisAuto::CDoc doc;
    std::string error;
    ASSERT_TRUE(wallsim::tool::BuildProjectDocument(wall.scene(), &doc, &error)) << error;
    for (auto& c : doc.m_channels) c->m_hLink = dvOrvelAutoOpen(c->m_dwIp);

    CDShowGridOverlay graph;
    OculetCamera camera(graph);
    ASSERT_GE(OpenVirtualCamera(camera), 0);
    CDShowCameraData start = doc.m_camera;
    start.State(CameraProperty::Exposure).value = -2;  // eight times the usual light
    camera.TakeConfig(start);

    RecordingReporter reporter;
    StopRequest stop;
    AutoTuneOptions options;
    options.resetPictureProperties = false;
    EngineCalls engine;
    std::vector<int> verdicts;
    engine.autoTune = [&](const std::string& a, const std::string& b, ExposureVerdict* v) {
        const int r = AutoTune(a, b, v);
        verdicts.push_back(*v);
        return r;
    };
    const AutoTuneResult result = RunAutoTune(doc, camera, reporter, stop, engine, options);
    graph.Close();
    doc.DisconnectAll();
    std::string seen;
    for (int v : verdicts) seen += std::to_string(v) + " ";
    std::printf("over-exposed start: %d passes, verdicts %s\n", result.passes, seen.c_str());
    EXPECT_EQ(result.end, AutoTuneResult::End::Accepted) << seen;
    EXPECT_TRUE(reporter.errors.empty());
}

}  // namespace
}  // namespace vantis::calibration
