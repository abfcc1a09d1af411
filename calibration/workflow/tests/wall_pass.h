// The unattended run against a simulated wall as tendal makes it, with its
// report, and the ground truth the report's figures are judged by: the true
// misregistration of each projector pair and the true movement of a moved
// projector's blocks. Shared by the report's wall tests and the report
// survey program (bench/calibration).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "calibration/maintenance_run.h"
#include "test_wall.h"
#include "wallsim/scene.h"

namespace vantis::calibration::testing {

// Writes the wall's project configuration under home (vendor "Vendor") and
// points XDG_DATA_HOME there.
bool WriteWallConfig(const TestWall& wall, const std::filesystem::path& home, std::string* error);

// One maintenance pass (or, with check, a drift check) of that configuration,
// its report written beside it; *log receives the run's log lines.
MaintenanceResult WallPass(const std::filesystem::path& home, bool check, std::string* log,
                           EngineCalls engine = {});

// A projector pair of the truth (stacked, or neighbours across a seam): the
// misregistration the report's residuals predict, hypot of the two projectors'
// fit residuals RMS, against the true misregistration RMS as the boards hold it.
struct PairAgreement {
    std::string a, b;  // addresses
    bool seam = false;
    double predicted = 0, truth = 0;
};
// Pairs whose projectors both have a residual in the report.
std::vector<PairAgreement> ResidualAgreement(const wallsim::Scene& scene, const wallsim::TruthReport& truth,
                                             const RunReport& report);

// How far projector `index`'s pattern blocks truly moved between two scenes
// (its pose or lens changed): RMS over the blocks, in camera pixels and in
// panel pixels of the moved projector (where the old camera positions fall on
// its panel now).
struct TrueMovement {
    double rmsCamera = 0, rmsPanel = 0;
};
TrueMovement TrueBlockMovement(const wallsim::Scene& before, const wallsim::Scene& after, int index);

}  // namespace vantis::calibration::testing
