// Error reporting of the calibration program: the report that workers hand to
// the main window, and the interface through which a program shows errors
// (its error dialog, or a log).
#pragma once

#include <cstdint>
#include <string>

namespace vantis::messages {

// Kind 1, code 10: a projector could not be connected; text is its last
// address octet in decimal.
struct ErrorReport {
    std::int32_t kind = 0;
    std::int32_t code = 0;
    std::string text;
};
inline constexpr std::int32_t kReportKindProjector = 1;
inline constexpr std::int32_t kReportCodeConnect = 10;

// A connection failure report for the channel with this address.
ErrorReport ConnectFailureReport(std::uint32_t address);

class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;

    // Shows the text (modally, in the calibration program's error dialog);
    // 1 when it was closed with OK, else 0.
    virtual int ShowErrorText(const std::string& text) = 0;

    // An engine result as a message: 201 for 1, 203 for 4, 205 for others.
    void ShowEngineError(int code);
    // A worker's report: kind 1 code 10 shows message 158 with the report's
    // text as the address octet. Other reports are ignored. Returns what
    // ShowErrorText returned, or 0.
    int ShowReport(const ErrorReport& report);

    // The texts alone, for tests and logs.
    static std::string EngineErrorText(int code);
    static std::string ReportText(const ErrorReport& report);
};

}  // namespace vantis::messages
