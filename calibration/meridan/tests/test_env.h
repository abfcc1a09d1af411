// Per-test home: HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR in a fresh temporary
// folder (the project's test support), so configurations and instance locks
// never meet another test's.
#pragma once

#include "vantis/testing/temp_home.h"

namespace meridan::test {

using vantis::testing::TempHome;

}  // namespace meridan::test
