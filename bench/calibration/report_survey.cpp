// The calibration report judged by the simulated wall's ground truth. For each
// wall: a whole unattended pass through the calibration workflow (the real
// report is written), its fit residuals against the true misregistration of
// every stacked pair and seam; then one projector is moved (its pose on even
// walls, its lens on odd ones), a drift check runs, and the reported drift is
// set against the true movement of that projector's blocks.
//
//   calibration_report_survey                      the four shipped scenes and random walls 1..20
//   calibration_report_survey --random FIRST COUNT random walls FIRST..FIRST+COUNT-1 only
//   calibration_report_survey SCENE.json...        the named scene files
//
// One JSON line per wall, then a summary. Boards on 127.0.10.41-48, one wall at a time;
// delays at VANTIS_DELAY_SCALE (0.001 unless set). Exit status 1 when a figure disagrees.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "calibration/report.h"
#include "test_support.h"
#include "test_wall.h"
#include "wall_pass.h"
#include "wallsim/random_scene.h"
#include "wallsim/truth.h"

namespace {

using namespace vantis::calibration;
using testing::TempFolder;
using testing::TestWall;

constexpr const char* kNetwork = "127.0.10.";
constexpr int kFirstAddress = 41;
constexpr double kResidualAgreement = 0.3;  // panel px RMS
constexpr double kDriftAgreement = 0.10;    // share of the true movement
constexpr double kStillDrift = 0.3;         // panel px RMS for the projectors that did not move

struct Named {
    std::string label;
    wallsim::Scene scene;
};

// The changed scene: projector `index` shifted on the screen, or its lens changed.
wallsim::Scene Moved(const wallsim::Scene& scene, int index, bool lens) {
    wallsim::Scene moved = scene;
    auto& p = moved.projectors[static_cast<std::size_t>(index)];
    if (lens) {
        p.distortion += p.distortion > 0.0 ? -0.03 : 0.03;
    } else {
        for (auto& corner : p.corners) {
            corner.x += 0.004 * scene.screenWidth;
            corner.y -= 0.002 * scene.screenHeight;
        }
    }
    return moved;
}

const ProjectorReport* Find(const RunReport& report, const std::string& address) {
    for (const auto& p : report.projectors)
        if (p.address == address) return &p;
    return nullptr;
}

struct Tally {
    int walls = 0, calibrated = 0, pairs = 0, pairsAgreeing = 0, moved = 0, movedAgreeing = 0;
    int stillOk = 0, still = 0;
    std::vector<double> differences;  // predicted - true, panel px RMS
    std::vector<double> driftErrors;  // camera-px drift against the truth, share
};

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

nlohmann::json Survey(const Named& wallScene, int wallIndex, Tally* tally) {
    nlohmann::json out{{"scene", wallScene.label}, {"projectors", wallScene.scene.projectors.size()}};
    ++tally->walls;
    TempFolder home("report-survey");
    std::string log, error;
    wallsim::Scene before;
    {
        TestWall wall(wallScene.scene, kFirstAddress, home.path().string(), kNetwork);
        if (!wall.ok() || !testing::WriteWallConfig(wall, home.path(), &error)) {
            out["error"] = wall.ok() ? error : wall.error();
            return out;
        }
        before = wall.scene();
        const MaintenanceResult pass = testing::WallPass(home.path(), false, &log);
        out["outcome"] = OutcomeName(pass.report.report.outcome);
        out["engineStatus"] = pass.report.report.engineStatus;
        if (pass.outcome != Outcome::Done) {
            out["log"] = log;
            return out;
        }
        ++tally->calibrated;
        nlohmann::json pairs = nlohmann::json::array();
        double worst = 0;
        for (const auto& p : testing::ResidualAgreement(wall.scene(), wall.Measure(), pass.report.report)) {
            const double difference = p.predicted - p.truth;
            pairs.push_back({{"pair", {p.a, p.b}},
                             {"seam", p.seam},
                             {"predicted", p.predicted},
                             {"truth", p.truth},
                             {"difference", difference}});
            worst = std::max(worst, std::abs(difference));
            tally->differences.push_back(difference);
            ++tally->pairs;
            if (std::abs(difference) <= kResidualAgreement) ++tally->pairsAgreeing;
        }
        out["pairs"] = std::move(pairs);
        out["worstDifference"] = worst;
    }

    // Projector `index` moves between the calibration and the check.
    const int count = static_cast<int>(before.projectors.size());
    const int index = wallIndex % count;
    const bool lens = wallIndex % 2 == 1;
    TestWall wall(Moved(before, index, lens), kFirstAddress, home.path().string(), kNetwork);
    if (!wall.ok()) {
        out["error"] = wall.error();
        return out;
    }
    const MaintenanceResult check = testing::WallPass(home.path(), true, &log);
    const RunReport& report = check.report.report;
    const testing::TrueMovement truth = testing::TrueBlockMovement(before, wall.scene(), index);
    nlohmann::json moved{{"projector", before.projectors[static_cast<std::size_t>(index)].address},
                         {"change", lens ? "lens" : "pose"},
                         {"trueCamera", truth.rmsCamera},
                         {"truePanel", truth.rmsPanel},
                         {"exitStatus", ExitStatus(report)}};
    ++tally->moved;
    const ProjectorReport* p = Find(report, before.projectors[static_cast<std::size_t>(index)].address);
    if (check.outcome == Outcome::Done && p && p->drift) {
        const double cameraError = (p->drift->rmsCamera - truth.rmsCamera) / truth.rmsCamera;
        const double panelError = (p->drift->rmsPanel - truth.rmsPanel) / truth.rmsPanel;
        moved["driftCamera"] = p->drift->rmsCamera;
        moved["driftPanel"] = p->drift->rmsPanel;
        moved["cameraError"] = cameraError;
        moved["panelError"] = panelError;
        tally->driftErrors.push_back(cameraError);
        if (std::abs(cameraError) <= kDriftAgreement && std::abs(panelError) <= kDriftAgreement)
            ++tally->movedAgreeing;
    } else {
        moved["log"] = log;
    }
    double still = 0;
    for (const auto& other : report.projectors) {
        if (p && other.address == p->address) continue;
        ++tally->still;
        if (other.drift) still = std::max(still, other.drift->rmsPanel);
        if (other.drift && other.drift->rmsPanel <= kStillDrift) ++tally->stillOk;
    }
    moved["othersMaxDrift"] = still;
    out["moved"] = std::move(moved);
    return out;
}

std::vector<Named> Walls(const std::vector<std::string>& args, std::string* error) {
    std::vector<Named> walls;
    std::vector<std::string> files;
    unsigned long first = 1, count = 20;
    if (args.size() == 3 && args[0] == "--random") {
        first = std::stoul(args[1]);
        count = std::stoul(args[2]);
    } else if (!args.empty()) {
        files = args;
        count = 0;
    } else {
        for (const char* name : {"stacked-2x1080", "blend-2x1080", "wall-3x2-1024", "blend-2-stacked-2"})
            files.push_back(std::string(WALLSIM_SCENE_DIR) + "/" + name + ".json");
    }
    for (const std::string& file : files) {
        Named named;
        if (!wallsim::LoadSceneFile(file, &named.scene, error)) {
            *error = file + ": " + *error;
            return {};
        }
        const auto slash = file.find_last_of('/');
        named.label = file.substr(slash == std::string::npos ? 0 : slash + 1);
        walls.push_back(std::move(named));
    }
    for (unsigned long seed = first; seed < first + count; ++seed)
        walls.push_back({"random-" + std::to_string(seed), wallsim::RandomScene(seed)});
    return walls;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("VANTIS_DELAY_SCALE", "0.001", 0);
    ::setenv("VANTIS_LOOPBACK_ONLY", "1", 1);
    ::setenv("VANTIS_LOG", "0", 0);
    std::string error;
    const std::vector<Named> walls = Walls(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (walls.empty()) {
        std::fprintf(stderr, "%s\nusage: calibration_report_survey [--random FIRST COUNT | SCENE.json...]\n",
                     error.c_str());
        return 2;
    }
    Tally tally;
    for (std::size_t i = 0; i < walls.size(); ++i) {
        const std::string line = Survey(walls[i], static_cast<int>(i), &tally).dump();
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    std::vector<double> absolute;
    for (double d : tally.differences) absolute.push_back(std::abs(d));
    std::vector<double> driftAbsolute;
    for (double d : tally.driftErrors) driftAbsolute.push_back(std::abs(d));
    std::printf(
        "walls %d, calibrated %d\n"
        "residual against truth: %d of %d pairs within %.1f px; |difference| median %.3f, max %.3f px\n"
        "moved projector: %d of %d drifts within %.0f %%; |error| median %.1f %%, max %.1f %%\n"
        "projectors that stayed: %d of %d under %.1f px drift\n",
        tally.walls, tally.calibrated, tally.pairsAgreeing, tally.pairs, kResidualAgreement,
        Percentile(absolute, 0.5), Percentile(absolute, 1.0), tally.movedAgreeing, tally.moved,
        100 * kDriftAgreement, 100 * Percentile(driftAbsolute, 0.5), 100 * Percentile(driftAbsolute, 1.0),
        tally.stillOk, tally.still, kStillDrift);
    const bool agree = tally.calibrated == tally.walls && tally.pairsAgreeing == tally.pairs &&
                       tally.movedAgreeing == tally.moved && tally.stillOk == tally.still;
    return agree ? 0 : 1;
}
