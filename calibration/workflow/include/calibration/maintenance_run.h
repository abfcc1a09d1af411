// The maintenance run: reconnect every projector and restore its stored warp,
// open the configured camera and tune it, photograph, compute new warps with
// the engine and download them, writing each step as a time-stamped log line.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "calibration/camera_port.h"
#include "calibration/engine_port.h"
#include "calibration/reporter.h"
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
};

struct MaintenanceResult {
    Outcome outcome = Outcome::Done;
    int kind = 0;        // 1 connect pass, 2 camera, 3 engine
    int code = 0;        // 10 for a projector that did not connect, a link result, or the engine's status
    std::string text;    // address text of the projector that failed
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
