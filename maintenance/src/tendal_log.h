// Tendal.log, the file a night's runs are read from in the morning. Every
// line carries the date and time it was written ("2026-12-08 02:30:04 ");
// the workflow's short "[hh:mm] " stamp is replaced by it, lines without a
// stamp (errors, blank separators) get one too. Each run begins with a
// header line naming how it was started. Both the window and the headless
// run write here; several threads may append at once.
#pragma once

#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>

namespace tendal {

// "YYYY-MM-DD hh:mm:ss" in local time.
std::string DateTimeStamp(std::time_t when);

// A log text ("\r\n" or "\n" line ends, one or more lines) as the file holds
// it: each line stamped, "\n" line ends. An unfinished last line is ended.
std::string StampedLines(const std::string& text, const std::string& stamp);

class LogFile {
  public:
    explicit LogFile(std::filesystem::path path);
    const std::filesystem::path& Path() const { return path_; }
    // The header line of a run started from `origin` ("window", "headless").
    void BeginRun(const std::string& origin);
    void Append(const std::string& text);

  private:
    void Write(const std::string& lines);

    std::filesystem::path path_;
    std::mutex mutex_;
};

}  // namespace tendal
