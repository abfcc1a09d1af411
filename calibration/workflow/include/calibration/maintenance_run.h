// The maintenance run: reconnect every projector and restore its stored warp,
// open the configured camera and tune it, photograph, compute new warps with
// the engine and download them, writing each step as a time-stamped log line.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "calibration/camera_port.h"
#include "calibration/engine_port.h"
#include "calibration/report_run.h"
#include "calibration/reporter.h"
#include "calibration/warp_compute.h"
#include "vantis/model/document.h"
#include "vantis/model/reachability.h"

namespace vantis::calibration {

struct MaintenanceOptions {
    std::string vendorWord = "Vendor";
    std::filesystem::path dataHome;               // empty: the application-data folder
    vantis::model::EchoProber* prober = nullptr;  // null: ICMP echo
    EngineCalls engine;
    // The time stamp of a log line; empty: "[hh:mm]" of the local time.
    std::function<std::string()> timeStamp;
    // A drift check: the projectors are opened without reset, restore or
    // save, the camera tuned and the patterns photographed, and the run ends
    // there: no warp is computed, nothing is downloaded or saved.
    bool checkOnly = false;
    // Before the warps are computed, the boundary is found anew from the black
    // and white photos of the capture (for walls whose screen is the lit area).
    // A boundary that cannot be found ends the run, nothing downloaded or saved.
    bool autoBoundary = false;
    // Where the run's report goes (the configuration's folder), and the
    // thresholds it judges by; empty: no report. The summary lines go to the log.
    std::filesystem::path reportFolder;
    ReportThresholds thresholds;
};

struct MaintenanceResult {
    Outcome outcome = Outcome::Done;
    int kind = 0;      // 1 connect pass, 2 camera, 3 engine, 5 automatic boundary
    int code = 0;      // 10 for a projector that did not connect, a link result, or the engine's status
    std::string text;  // address text of the projector that failed
    // For the report: seconds of capture, computation and download, the
    // engine's answer (with its figures), and whether the channels' photos
    // are this run's.
    StepTimes times;
    WarpOutcome warp;
    bool photographed = false;
    ReportResult report;  // the report written when the options asked for one
};

// A configuration carries no warp tables: each channel's forward tables are
// zero after loading. Gives such channels the identity warp of the document's
// timing and derives every channel's source map from its forward tables.
void PrepareStoredWarps(VantisAuto::CDoc& doc);

// "[hh:mm]" of the local time.
std::string LogTimeStamp();

// One maintenance pass on the caller's thread; Done only when it completed.
MaintenanceResult RunMaintenance(VantisAuto::CDoc& doc, CameraDevice& camera, Reporter& reporter,
                                 const StopRequest& stop, const MaintenanceOptions& options);

}  // namespace vantis::calibration
