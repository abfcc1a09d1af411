// tendal --headless: one maintenance pass without a window, for a system timer.
#pragma once

#include <ostream>

#include "tendal_app.h"

namespace tendal {

// Loads the configuration, runs one pass with the capture graph of the camera
// library, saves the configuration and returns the exit status: 0 only when
// the pass completed.
int RunHeadless(Startup& startup, std::ostream& out);

}  // namespace tendal
