// The report of one run, put together at its end: the run's outcome and
// timings, the engine's figures, and what the photos show (coverage, block
// centres, drift against the last successful run), judged by the thresholds
// and written beside the configuration.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "VantisCore.h"
#include "calibration/engine_port.h"
#include "calibration/report.h"
#include "vantis/model/document.h"

namespace vantis::calibration {

// Seconds a run spent in its three long steps.
struct StepTimes {
    double capture = 0, compute = 0, download = 0;
};

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Measures a step on a steady clock: adds the seconds to *seconds when it goes.
class StepTimer {
  public:
    explicit StepTimer(double* seconds) : seconds_(seconds), start_(std::chrono::steady_clock::now()) {}
    ~StepTimer() {
        *seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    StepTimer(const StepTimer&) = delete;
    StepTimer& operator=(const StepTimer&) = delete;

  private:
    double* seconds_;
    std::chrono::steady_clock::time_point start_;
};

// What the run knows at its end.
struct RunFacts {
    RunKind kind = RunKind::Maintenance;
    std::time_t start = 0, end = 0;
    StepTimes times;
    RunOutcome outcome = RunOutcome::Ok;
    int message = 0;
    int engineStatus = 0;
    int failedChannel = 0;
    std::vector<ChannelFigures> figures;  // the engine's, one per channel, or empty when it gave none
    bool photographed = false;            // the channels' photos are this run's
};

struct ReportResult {
    RunReport report;
    std::filesystem::path file;      // the report written; empty when it could not be
    std::vector<std::string> notes;  // why a figure is missing, why a file was not written
};

// Builds, judges and writes the report of a run into `folder` (the
// configuration's folder). Drift compares this run's block centres with those
// kept in the folder; a successful run that photographed (not a check) keeps
// its own centres for the next, and every successful run that computed warps
// keeps them (Warps.json) for the MPCDI export. Nothing here fails the run: a missing or
// damaged earlier file only leaves the drift out, an unwritable folder only
// leaves the report unwritten, each with a note.
ReportResult FinishReport(VantisAuto::CDoc& doc, const RunFacts& facts, const std::filesystem::path& folder,
                          const ReportThresholds& thresholds, const EngineCalls& engine = {});

}  // namespace vantis::calibration
