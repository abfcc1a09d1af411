#include "wall_pass.h"

#include <cmath>
#include <cstdlib>

#include "VantisCore.h"
#include "calibration/oculet_camera.h"
#include "oculet/CDShowGridOverlay.h"
#include "project_config.h"
#include "test_support.h"
#include "vantis/model/config.h"
#include "vantis/model/timing.h"
#include "wallsim/geometry.h"

namespace vantis::calibration::testing {

bool WriteWallConfig(const TestWall& wall, const std::filesystem::path& home, std::string* error) {
    ::setenv("XDG_DATA_HOME", (home / ".local" / "share").c_str(), 1);
    return wallsim::tool::WriteProjectConfig(wall.scene(), {home, "Vendor", false}, nullptr, error);
}

MaintenanceResult WallPass(const std::filesystem::path& home, bool check, std::string* log,
                           EngineCalls engine) {
    VantisAuto::CDoc doc;
    std::string error;
    if (vantis::model::LoadSystemConfig(doc, "Vendor", "Config", &error) != 1) {
        *log = error;
        MaintenanceResult failed;
        failed.outcome = Outcome::Failed;
        return failed;
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
    *log = JoinedLines(reporter.lines);
    return result;
}

namespace {

const ProjectorReport* Find(const RunReport& report, const std::string& address) {
    for (const auto& p : report.projectors)
        if (p.address == address) return &p;
    return nullptr;
}

}  // namespace

std::vector<PairAgreement> ResidualAgreement(const wallsim::Scene& scene, const wallsim::TruthReport& truth,
                                             const RunReport& report) {
    std::vector<PairAgreement> pairs;
    const auto add = [&](int a, int b, bool seam, double rms) {
        const std::string& first = scene.projectors[static_cast<std::size_t>(a)].address;
        const std::string& second = scene.projectors[static_cast<std::size_t>(b)].address;
        const ProjectorReport* pa = Find(report, first);
        const ProjectorReport* pb = Find(report, second);
        if (!pa || !pb || !pa->residualRms || !pb->residualRms) return;
        pairs.push_back({first, second, seam, std::hypot(*pa->residualRms, *pb->residualRms), rms});
    };
    for (const auto& s : truth.stacks) add(s.a, s.b, false, s.misregistration.rms);
    for (const auto& s : truth.seams) add(s.a, s.b, true, s.mismatch.rms);
    return pairs;
}

TrueMovement TrueBlockMovement(const wallsim::Scene& before, const wallsim::Scene& after, int index) {
    const auto& projector = after.projectors[static_cast<std::size_t>(index)];
    const int timing = wallsim::tool::TimingOfPanel(projector.width, projector.height);
    const PatternInfo p = AutoWarpGetPatternInfo(false, vantis::model::PatternTypeOfTiming(timing));
    const wallsim::SceneOptics was(before), is(after);
    double camera = 0, panel = 0;
    int n = 0;
    for (int r = 0; r < p.blockRows; ++r)
        for (int c = 0; c < p.blockColumns; ++c) {
            const cv::Point2d centre(c * p.pitchX + p.blockWidth / 2.0, r * p.pitchY + p.blockHeight / 2.0);
            const cv::Point2d old = was.PanelToPicture(index, centre);
            const cv::Point2d d = is.PanelToPicture(index, centre) - old;
            const cv::Point2d e = is.PictureToPanel(index, old) - centre;
            camera += d.dot(d);
            panel += e.dot(e);
            ++n;
        }
    if (n == 0) return {};
    return {std::sqrt(camera / n), std::sqrt(panel / n)};
}

}  // namespace vantis::calibration::testing
