// tendal's report options: --report FILE, --check and --recalibrate-if-drift
// PX, and the headless pass that honours them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "calibration/maintenance_run.h"

namespace tendal {

struct ReportOptions {
    std::filesystem::path reportCopy;          // --report FILE: the report also written there
    bool check = false;                        // --check: photograph and measure drift only
    std::optional<double> recalibrateIfDrift;  // --recalibrate-if-drift PX (implies --check)
};

// Takes the report options out of the arguments. argv[i] is one of them when
// it returns true; *used is the count of arguments it took (1 or 2). False
// with *error when an option lacks its value or the value is not a positive number.
bool TakeReportOption(int argc, char** argv, int i, ReportOptions* options, int* used, std::string* error);

// True when a projector's drift (RMS, panel pixels) is over px.
bool DriftOver(const vantis::calibration::RunReport& report, double px);

// One headless pass with its report: a check when asked, then a whole
// maintenance pass when the check found a drift over the limit. The report is
// also copied to --report's file (a failure to do so is logged, nothing else).
vantis::calibration::MaintenanceResult RunReported(VantisAuto::CDoc& doc,
                                                   vantis::calibration::CameraDevice& camera,
                                                   vantis::calibration::Reporter& reporter,
                                                   const vantis::calibration::StopRequest& stop,
                                                   vantis::calibration::MaintenanceOptions options,
                                                   const ReportOptions& report);

// The exit status of a headless pass: 0 it completed and every projector is
// within its thresholds, 3 it completed with a projector out of threshold, 1
// it did not complete.
int ExitStatusOf(const vantis::calibration::MaintenanceResult& result);

}  // namespace tendal
