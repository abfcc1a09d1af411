// The calibration report: after every calibration, re-calibration,
// maintenance run and drift check, how good the result is, per projector, with
// the thresholds it was judged by. Reports are JSON files named
// Report-YYYYMMDD-HHMMSS.json beside the configuration; the newest 50 are kept.
//
// A report names projectors by address and holds no paths, so that a report
// handed on (or copied with --report) never reveals anything outside the
// configuration folder.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantis::calibration {

// Limits a projector is judged by. Lengths are panel pixels.
struct ReportThresholds {
    double residualRms = 0.5;  // fit residual, RMS
    double coverage = 0.98;    // share of the tile the projector reaches
    double drift = 1.0;        // movement of the block centres since the last good run, RMS
};

// Section [REPORT] of default.ini: RESIDUAL_RMS, COVERAGE, DRIFT. A missing
// file, section or key keeps the default; a value that is not a positive
// number (coverage: not in (0, 1]) keeps the default and is named in *warning.
ReportThresholds ReadReportThresholds(const std::filesystem::path& iniPath, std::string* warning = nullptr);

enum class Verdict { Green, Amber, Red };
enum class RunKind { Calibration, Recalibration, Maintenance, Check };
enum class RunOutcome {
    Ok,       // every step ran
    Refused,  // the engine refused the photos (message number in `message`)
    Failed,   // anything else went wrong
};

// How far a projector's block centres moved since the last good run.
struct DriftFigures {
    double rmsCamera = 0, maxCamera = 0;  // camera pixels
    double rmsPanel = 0, maxPanel = 0;    // panel pixels
    int blocks = 0;                       // blocks matched between the runs
};

struct ProjectorReport {
    std::string address;  // dotted IPv4
    // The engine's figures; absent when the engine did not compute them. The
    // residual is the misregistration the engine's fit residual leaves in the
    // warp (MisregistrationOfResidual), so that it compares with what the wall shows.
    std::optional<int> blocksFound, blocksExpected;
    std::optional<double> residualRms, residualMax;  // panel pixels
    std::optional<double> extrapolation;             // panel pixels
    std::optional<double> coverage;                  // 0..1
    std::optional<DriftFigures> drift;               // absent: nothing to compare with
    Verdict verdict = Verdict::Green;
    std::vector<std::string> exceeded;  // "run", "blocks", "residual", "coverage", "drift"
};

struct RunReport {
    RunKind kind = RunKind::Maintenance;
    std::time_t start = 0, end = 0;
    double captureSeconds = 0, computeSeconds = 0, downloadSeconds = 0;
    RunOutcome outcome = RunOutcome::Ok;
    int message = 0;        // the message shown when refused
    int engineStatus = 0;   // the engine's status (0 when it was not called or succeeded)
    int failedChannel = 0;  // 1-based channel the engine named on failure; 0 none
    ReportThresholds thresholds;
    std::vector<ProjectorReport> projectors;
};

// Judges every projector: fills verdict and exceeded from the figures, the
// thresholds and the outcome. A run that did not succeed makes every
// projector red. Otherwise a figure beyond its threshold makes the projector
// amber, and red when it is far beyond (residual over twice the limit,
// coverage short by more than twice the allowance, fewer than nine tenths of
// the blocks found, in a drift check a drift over twice the limit).
void ApplyThresholds(RunReport& report);

// Addresses of the projectors that exceeded a threshold.
std::vector<std::string> ExceededProjectors(const RunReport& report);

// 0 the run succeeded and every projector is within its thresholds, 3 it
// succeeded with a projector out of threshold, 1 it did not succeed.
int ExitStatus(const RunReport& report);

const char* KindName(RunKind kind);
const char* OutcomeName(RunOutcome outcome);
const char* VerdictName(Verdict verdict);

// The report as JSON text, and back. Reading checks every field's type and
// range; a damaged report gives false with the reason.
std::string ReportToJson(const RunReport& report);
bool ReportFromJson(const std::string& text, RunReport* report, std::string* error);

// One line per projector and a last line for the run, without line ends:
//   "127.0.0.11 green  blocks 510/510  residual 0.21/0.48 px  coverage 1.000  drift 0.05 px"
std::vector<std::string> SummaryLines(const RunReport& report);

// "Report-YYYYMMDD-HHMMSS.json" of the local time.
std::string ReportFileName(std::time_t when);

// Writes the report into `folder` under the name of its end time (a "-N"
// suffix when that name is taken), then keeps only the newest `keep` reports
// of the folder. Returns the file written, or an empty path with the reason.
std::filesystem::path WriteReport(const std::filesystem::path& folder, const RunReport& report,
                                  std::string* error, int keep = 50);

// Writes the report's JSON to one given file (the --report copy).
bool WriteReportCopy(const std::filesystem::path& file, const RunReport& report, std::string* error);

// Deletes the oldest report files of the folder beyond the newest `keep`.
// Only regular files named like reports are touched.
void KeepNewestReports(const std::filesystem::path& folder, int keep);

// The newest report file of the folder; empty when there is none.
std::filesystem::path LatestReport(const std::filesystem::path& folder);

// Reads one report file.
bool ReadReport(const std::filesystem::path& file, RunReport* report, std::string* error);

}  // namespace vantis::calibration
