#include "report_options.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tendal {

using vantis::calibration::MaintenanceResult;
using vantis::calibration::Outcome;

bool TakeReportOption(int argc, char** argv, int i, ReportOptions* options, int* used, std::string* error) {
    const char* arg = argv[i];
    *used = 0;
    const bool wantsValue =
        std::strcmp(arg, "--report") == 0 || std::strcmp(arg, "--recalibrate-if-drift") == 0;
    if (std::strcmp(arg, "--check") == 0) {
        options->check = true;
        *used = 1;
        return true;
    }
    if (!wantsValue) return false;
    *used = 1;
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        *error = std::string(arg) + " needs a value";
        return true;
    }
    *used = 2;
    const std::string value = argv[i + 1];
    if (std::strcmp(arg, "--report") == 0) {
        options->reportCopy = value;
        return true;
    }
    char* end = nullptr;
    const double px = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0' || !std::isfinite(px) || px <= 0) {
        *error = "--recalibrate-if-drift needs a positive number of panel pixels, not \"" + value + "\"";
        return true;
    }
    options->recalibrateIfDrift = px;
    options->check = true;
    return true;
}

bool DriftOver(const vantis::calibration::RunReport& report, double px) {
    for (const auto& p : report.projectors)
        if (p.drift && p.drift->rmsPanel > px) return true;
    return false;
}

namespace {

std::string Fixed2(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

void CopyReport(const MaintenanceResult& result, const ReportOptions& report,
                vantis::calibration::Reporter& reporter, const std::string& stamp) {
    if (report.reportCopy.empty()) return;
    std::string error;
    if (!vantis::calibration::WriteReportCopy(report.reportCopy, result.report.report, &error))
        reporter.Log(stamp + "the report copy was not written: " + error + "\r\n");
}

}  // namespace

MaintenanceResult RunReported(VantisAuto::CDoc& doc, vantis::calibration::CameraDevice& camera,
                              vantis::calibration::Reporter& reporter,
                              const vantis::calibration::StopRequest& stop,
                              vantis::calibration::MaintenanceOptions options, const ReportOptions& report) {
    auto stamp = [&] {
        return (options.timeStamp ? options.timeStamp() : vantis::calibration::LogTimeStamp()) + " ";
    };
    options.checkOnly = report.check;
    MaintenanceResult result = vantis::calibration::RunMaintenance(doc, camera, reporter, stop, options);
    const bool moved = report.check && report.recalibrateIfDrift && result.outcome == Outcome::Done &&
                       DriftOver(result.report.report, *report.recalibrateIfDrift);
    if (moved && !stop.Requested()) {
        reporter.Log(stamp() + "drift over " + Fixed2(*report.recalibrateIfDrift) + " px: recalibrating\r\n");
        options.checkOnly = false;
        result = vantis::calibration::RunMaintenance(doc, camera, reporter, stop, options);
    }
    CopyReport(result, report, reporter, stamp());
    return result;
}

int ExitStatusOf(const MaintenanceResult& result) {
    if (result.outcome != Outcome::Done) return 1;
    return vantis::calibration::ExitStatus(result.report.report);
}

}  // namespace tendal
