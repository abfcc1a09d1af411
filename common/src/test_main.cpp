// Entry point of every GoogleTest program of the project.
//
// Sets the environment each test program expects before anything reads it:
// the delay scale (no test waits for real-time delays), Qt's offscreen
// platform (widget tests need no display), the loopback-only guard (no test
// may send traffic beyond 127.0.0.0/8) and the failure log off (VANTIS_LOG=1
// shows it). Values already present in the environment win, so a developer
// can still run a test against a real display or at full delays.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

void SetDefault(const std::string& assignment) {
    const auto equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) return;
    setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 0);
}

}  // namespace

int main(int argc, char** argv) {
    SetDefault("VANTIS_DELAY_SCALE=0.001");
    SetDefault("QT_QPA_PLATFORM=offscreen");
    SetDefault("VANTIS_LOOPBACK_ONLY=1");
    SetDefault("VANTIS_LOG=0");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
