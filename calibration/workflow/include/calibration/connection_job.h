// The connection job of the calibration program: every channel of the document
// is pinged, its link opened and, when the operator answers Yes to "Reset All
// Settings?", reset to the identity warp and saved.
#pragma once

#include "calibration/reporter.h"
#include "vantis/messages/error_report.h"
#include "vantis/model/document.h"
#include "vantis/model/reachability.h"

namespace vantis::calibration {

struct ConnectionOptions {
    bool skipQuestion = false;                    // the New command: counts as Yes without asking
    bool keepSettings = false;                    // reconnect only: no question, no reset
    vantis::model::EchoProber* prober = nullptr;  // reachability test; null: ICMP echo
};

struct ConnectionResult {
    Outcome outcome = Outcome::Done;
    bool reset = false;                    // the question was answered Yes
    int lastStep = 0;                      // progress range 0..6N-1 (Yes) or 0..4N-1 (No)
    int steps = 0;                         // steps counted
    vantis::messages::ErrorReport report;  // kind 1, code 10 when a projector failed
};

// Runs on the caller's thread (the program's connection worker). The error
// report of a failed projector goes to the reporter as message 158.
ConnectionResult RunConnectionJob(VantisAuto::CDoc& doc, Reporter& reporter, const StopRequest& stop,
                                  const ConnectionOptions& options = {});

}  // namespace vantis::calibration
