// How a workflow talks to the program that runs it: status and progress lines,
// busy and idle, error texts from the message table, questions and log lines.
// The calibration program shows them in its windows, the maintenance program
// in its log; tests record them.
//
// Workflows also take a stop request, checked between channels and between
// photos. A workflow that sees it ends at once, leaving the projectors
// unblanked, and gives up the document lock on its way out.
#pragma once

#include <atomic>
#include <string>

namespace vantis::calibration {

class Reporter {
  public:
    virtual ~Reporter() = default;

    // A step of a job: the text and the step counter; range is the last step
    // of the job (0 when the job has no counted steps).
    virtual void Status(const std::string& text, int position, int range) {
        (void)text, (void)position, (void)range;
    }
    // The program should show itself busy (window disabled, busy cursor) or idle.
    virtual void Busy(bool busy) { (void)busy; }
    // An error for the operator (error dialog, or a log line), worded from the
    // message table.
    virtual void Error(const std::string& text) { (void)text; }
    // A Yes/No question; true for Yes.
    virtual bool Ask(const std::string& question) {
        (void)question;
        return true;
    }
    // A line for the log, complete with its time stamp and line end.
    virtual void Log(const std::string& line) { (void)line; }
    // The channels' connection states changed (redraw the channel list).
    virtual void ChannelsChanged() {}
};

class StopRequest {
  public:
    void Request() { flag_.store(true); }
    void Clear() { flag_.store(false); }
    bool Requested() const { return flag_.load(); }

  private:
    std::atomic<bool> flag_{false};
};

// How a workflow ended.
enum class Outcome {
    Done,     // every step ran
    Failed,   // a step failed; the reason was reported
    Stopped,  // a stop request ended it
};

}  // namespace vantis::calibration
