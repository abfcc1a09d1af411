// tendal --headless: one maintenance pass without a window, for a system timer.
#pragma once

#include <ostream>

#include "report_options.h"
#include "tendal_app.h"

namespace tendal {

// Loads the configuration, runs one pass with the capture graph of the camera
// library (a drift check, and a recalibration after it, when the report
// options ask), writes its report beside the configuration, saves the
// configuration and returns the exit status: 0 the pass completed and every
// projector is within its thresholds, 3 it completed with a projector out of
// threshold, 1 it did not complete. With autoBoundary the pass finds the
// boundary from its own photos before it calibrates.
int RunHeadless(Startup& startup, std::ostream& out, const ReportOptions& report = {},
                bool autoBoundary = false);

}  // namespace tendal
