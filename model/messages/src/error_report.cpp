#include "vantis/messages/error_report.h"

#include <cstdlib>

#include "vantis/messages/calibration_messages.h"

namespace vantis::messages {

ErrorReport ConnectFailureReport(std::uint32_t address) {
    return {kReportKindProjector, kReportCodeConnect, std::to_string(address & 0xFF)};
}

std::string ErrorReporter::EngineErrorText(int code) {
    const int id = code == 1   ? meridan::msg::kCaptureFailed
                   : code == 4 ? meridan::msg::kCentrePatternMissing
                               : meridan::msg::kCommunicationFailed;
    return meridan::Messages().Text(id);
}

std::string ErrorReporter::ReportText(const ErrorReport& report) {
    if (report.kind != kReportKindProjector || report.code != kReportCodeConnect) return {};
    // The text converted to an integer as atoi does (garbage gives 0).
    const long long octet = std::atoi(report.text.c_str());
    return meridan::Messages().Format(meridan::msg::kConnectFailed, {octet});
}

void ErrorReporter::ShowEngineError(int code) {
    ShowErrorText(EngineErrorText(code));
}

int ErrorReporter::ShowReport(const ErrorReport& report) {
    const std::string text = ReportText(report);
    return text.empty() ? 0 : ShowErrorText(text);
}

}  // namespace vantis::messages
