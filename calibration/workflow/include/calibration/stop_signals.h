// SIGINT and SIGTERM as a stop request, for both programs: a signal asks the
// running workflow to stop (it unblanks and clears the projectors on its way
// out), the program saves nothing half done and ends with 128 + the signal's
// number (130 for SIGINT, 143 for SIGTERM), as a shell reports a program ended
// by that signal.
#pragma once

#include "calibration/reporter.h"

namespace vantis::calibration {

class StopSignals {
  public:
    // Installs the handlers; each signal then requests `stop` (which must outlive
    // the handlers). Installing again moves the requests to another stop.
    static void Install(StopRequest& stop);
    // Puts the default handling back and forgets the stop request.
    static void Uninstall();
    // The number of the first signal received since Install, or 0.
    static int Received();
    // 128 + Received(), or 0 when no signal came.
    static int ExitStatus();
    // Forgets a signal received (for tests).
    static void Reset();
};

}  // namespace vantis::calibration
