// The connection job of the calibration program: for every channel the
// reachability test, the link, and (after "Reset All Settings?" is answered
// Yes) the reset, identity warp and save of the projector. It runs on a worker
// thread and talks to the window only through the reporter.
#pragma once

#include <atomic>

#include "vantis/messages/error_report.h"
#include "vantis/model/document.h"
#include "vantis/model/reachability.h"

namespace meridan {

class ConnectionReporter {
public:
    virtual ~ConnectionReporter() = default;
    // Message 505 with Yes and No; true for Yes.
    virtual bool AskResetAll() = 0;
    // Busy (disabled window, busy cursor) or idle.
    virtual void Busy(bool busy) = 0;
    // The wait window's progress range 0..high and position 0.
    virtual void SetProgressRange(int high) = 0;
    // Message messageId about the channel (last address octet) at progress step.
    virtual void Progress(int messageId, int octet, int step) = 0;
    virtual bool ProgressSuppressed() = 0;
    // A channel's state changed: redraw the list.
    virtual void ChannelsChanged() = 0;
    // A failure the window shows in its error dialog.
    virtual void ReportError(const vantis::messages::ErrorReport& report) = 0;
    // Ask the wait window to close (it does not wait for that).
    virtual void CloseWaitWindow() = 0;
    // The job ended: redraw and enable the buttons (e = 1) or disable them (e = 0).
    virtual void JobEnded(int e) = 0;
};

struct ConnectionResult {
    bool completed = false;  // every channel connected
    bool stopped = false;    // a stop request ended the job between channels
    int failedOctet = -1;    // the channel that could not be connected
};

// Runs the job. skipQuestion counts as Yes without asking (a new project).
// The stop request is checked between channels and between a channel's steps;
// the document lock is always given up when the job returns. prober replaces
// the ICMP test when given.
ConnectionResult RunConnectionJob(VantisAuto::CDoc& doc, ConnectionReporter& reporter, bool skipQuestion,
                                  const std::atomic<bool>& stop, vantis::model::EchoProber* prober = nullptr);

// The progress range's upper end for n channels: 6n - 1 after Yes, 4n - 1 after No.
inline int ConnectionProgressHigh(int channels, bool reset) { return (reset ? 6 : 4) * channels - 1; }

}  // namespace meridan
