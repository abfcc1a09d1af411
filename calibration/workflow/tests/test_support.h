// Temporary folders, reporters that record and probers for the workflow tests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "calibration/reporter.h"
#include "vantis/model/reachability.h"
#include "vantis/testing/temp_home.h"

namespace vantis::calibration::testing {

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder : public vantis::testing::TempDir {
  public:
    explicit TempFolder(const std::string& name) : TempDir("calib-" + name) {}
};

class RecordingReporter : public Reporter {
  public:
    void Status(const std::string& text, int position, int range) override {
        statuses.push_back(text);
        positions.push_back(position);
        lastRange = range;
    }
    void Busy(bool busy) override { busyChanges.push_back(busy); }
    void Error(const std::string& text) override { errors.push_back(text); }
    bool Ask(const std::string& question) override {
        questions.push_back(question);
        return answer;
    }
    void Log(const std::string& line) override { lines.push_back(line); }

    std::vector<std::string> statuses;
    std::vector<int> positions;
    int lastRange = -1;
    std::vector<bool> busyChanges;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::vector<std::string> lines;
    bool answer = true;
};

// Loopback addresses always answer; tests need not open ICMP sockets.
class AlwaysReachable : public vantis::model::EchoProber {
  public:
    bool Echo(std::uint32_t, std::chrono::milliseconds) override { return true; }
};

// The lines a reporter recorded, run together, for searching.
inline std::string JoinedLines(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) all += l;
    return all;
}

inline std::uint32_t Loopback(int last) {
    return 0x7F000000u | static_cast<std::uint32_t>(last);
}

}  // namespace vantis::calibration::testing
