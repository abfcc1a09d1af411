// The maintenance program's start-up, shared by the window and the headless
// run: default.ini, the single-instance lock, the system configuration, and
// the log file that a headless run appends to beside the configuration.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "calibration/maintenance_run.h"
#include "calibration/reporter.h"
#include "tendal_log.h"
#include "vantis/model/config.h"
#include "vantis/model/document.h"

namespace tendal {

struct Startup {
    vantis::model::Defaults defaults;
    std::unique_ptr<vantis::model::InstanceLock> lock;
    std::string error;  // the message to show when Start fails
};

// Reads default.ini beside the program, refuses a data folder whose path holds
// ';' (it separates the photo list) and takes the single-instance lock.
// False with the message (113, 114 or 102) in startup->error.
bool Start(Startup* startup);

// Loads the configuration and derives the channels' source maps. False when it
// cannot be loaded: *why is empty when there is none, else why it is damaged.
bool LoadConfiguration(VantisAuto::CDoc& doc, const std::string& vid, std::string* why);

// The log text for a configuration LoadConfiguration refused: line 2000 when there
// is none, line 2001 (damaged, and why) otherwise.
std::string ConfigurationError(const std::string& vid, const std::string& why);

// The options every run of the program uses, window or headless: the vendor
// word, the report beside the configuration and the thresholds of [REPORT] in
// default.ini (a value it refuses is named in *warning, the default is kept).
vantis::calibration::MaintenanceOptions RunOptions(const std::string& vid, std::string* warning);

// <app data>/<VID>/SystemData/Tendal.log
std::filesystem::path LogFilePath(const std::string& vid);

// A line as shown on a terminal or in a file: "\r\n" becomes "\n".
std::string PlainLine(const std::string& line);

// Log lines to a stream as they are and, stamped with date and time, to the
// log file; errors too.
class StreamReporter : public vantis::calibration::Reporter {
  public:
    StreamReporter(std::ostream& out, const std::filesystem::path& logFile);
    void Log(const std::string& line) override;
    void Error(const std::string& text) override;
    LogFile& File() { return file_; }

  private:
    std::ostream& out_;
    LogFile file_;
};

}  // namespace tendal
