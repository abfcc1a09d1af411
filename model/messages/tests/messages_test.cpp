#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "vantis/messages/calibration_messages.h"
#include "vantis/messages/error_report.h"
#include "vantis/messages/maintenance_messages.h"

using vantis::messages::FormatText;

namespace {

class RecordingReporter : public vantis::messages::ErrorReporter {
  public:
    int ShowErrorText(const std::string& text) override {
        shown.push_back(text);
        return 1;
    }
    std::vector<std::string> shown;
};

}  // namespace

TEST(CalibrationMessages, ConnectFailureNamesTheLastOctet) {
    const auto report = vantis::messages::ConnectFailureReport(0xC0A80017);  // 192.168.0.23
    EXPECT_EQ(report.kind, 1);
    EXPECT_EQ(report.code, 10);
    EXPECT_EQ(report.text, "23");
    RecordingReporter reporter;
    EXPECT_EQ(reporter.ShowReport(report), 1);
    ASSERT_EQ(reporter.shown.size(), 1u);
    EXPECT_EQ(reporter.shown[0],
              "[SYSTEM ERROR 0001]:\r\nThe system connecting to projector fail(IP address: 23). Please make "
              "sure the "
              "ethernet cable is attached to the projector.");
    EXPECT_EQ(reporter.ShowReport({1, 11, "23"}), 0);  // not a connection report
    EXPECT_EQ(reporter.shown.size(), 1u);
}

TEST(CalibrationMessages, EngineErrorsAndTexts) {
    RecordingReporter reporter;
    for (int code : {1, 4, 3, 2}) reporter.ShowEngineError(code);
    ASSERT_EQ(reporter.shown.size(), 4u);
    EXPECT_EQ(reporter.shown[0].rfind("[CORRECT ERROR 0001]:\r\n System can't capature the image.", 0), 0u);
    EXPECT_EQ(reporter.shown[1].rfind("[CORRECT ERROR 0003]:\r\n The complete pojection center", 0), 0u);
    EXPECT_EQ(reporter.shown[2],
              "The system communicate to projector fail. Please make sure the ethernet state.");
    EXPECT_EQ(reporter.shown[3], reporter.shown[2]);

    auto& m = meridan::Messages();
    EXPECT_EQ(m.Format(meridan::msg::kConnectProjector, {11LL}), "Connect to projector (IP address 11).");
    EXPECT_EQ(m.Format(meridan::msg::kAlreadyRunning, {std::string("Box")}), "The Box is already exist.");
    EXPECT_EQ(m.Format(meridan::msg::kLostCamera, {std::string("HD Pro Webcam C920")}),
              "Lost Camera \"HD Pro Webcam C920\"");
    EXPECT_EQ(m.Format(meridan::msg::kGammaLabel, {2.2}), "Gamma: 2.2");
    EXPECT_EQ(m.Text(meridan::msg::kResetAllSettings), "Reset All Settings?");
    EXPECT_EQ(m.Text(meridan::msg::kPleaseWait), "Please Wait ...");
    EXPECT_EQ(m.Text(meridan::msg::kAutoTuneFailed).back(), 's');        // no trailing blank
    EXPECT_EQ(m.Text(meridan::msg::kCentrePatternMissing).back(), ' ');  // trailing blank kept
    EXPECT_TRUE(m.Text(999).empty());
}

TEST(MaintenanceMessages, LogLinesOverlapTheCalibrationIdsWithOtherTexts) {
    auto& t = tendal::Messages();
    const std::string stamp = t.Format(tendal::msg::kTimeStamp, {9LL, 5LL});
    EXPECT_EQ(stamp, "[09:05]");
    EXPECT_EQ(t.Format(tendal::msg::kConnectProjector, {stamp, std::string("11")}),
              "[09:05] Connect to projector (IP address : 11)\r\n");
    EXPECT_EQ(t.Format(tendal::msg::kConnectFailed, {std::string("11")}),
              "[SYSTEM ERROR 0001]:\r\nThe system connecting to projector fail(IP address: 11). Please make "
              "sure the "
              "ethernet cable is attached to the projector.\r\n");
    EXPECT_EQ(t.Text(tendal::msg::kNoConfig),
              "[CONFIG ERROR 0001]:\r\n The system can't find Config.cfg.\r\n");
    EXPECT_EQ(t.Text(tendal::msg::kNoCamera).substr(t.Text(tendal::msg::kNoCamera).size() - 3), "\r\n ");
    EXPECT_EQ(t.Text(102), "The App is already exist.");
    EXPECT_NE(t.Text(110), meridan::Messages().Text(110));
}

TEST(MessageFormatting, UntrustedTextsNeverMisreadArguments) {
    EXPECT_EQ(FormatText("%d%%", {50LL}), "50%");
    EXPECT_EQ(FormatText("%s and %s", {std::string("one")}), "one and %s");  // missing argument kept
    EXPECT_EQ(FormatText("%d", {std::string("x")}), "x");                    // string for a number
    EXPECT_EQ(FormatText("%s", {42LL}), "42");                               // number for a string
    EXPECT_EQ(FormatText("%n %p %", {1LL}), "%n %p %");                      // unknown directives stay
    EXPECT_EQ(FormatText("%03d|%-4s|%.2f", {7LL, std::string("ab"), 1.0}), "007|ab  |1.00");
    EXPECT_EQ(FormatText("%S", {std::string("wide")}), "wide");
}

TEST(MessageFormatting, TranslationsReplaceTextsAndCanBeUndone) {
    auto& m = meridan::Messages();
    const auto file = std::filesystem::path(::testing::TempDir()) / "messages_override.json";
    std::ofstream(file) << R"({"109": "Verbinde Projektor %d", "505": "Alles zuruecksetzen?"})";
    std::string error;
    ASSERT_TRUE(m.LoadOverrides(file, &error)) << error;
    EXPECT_EQ(m.Format(meridan::msg::kConnectProjector, {12LL}), "Verbinde Projektor 12");
    EXPECT_EQ(tendal::Messages().Text(109), "%s Complete\r\n");  // the other program's table is apart
    std::ofstream(file) << R"({"abc": "x"})";
    EXPECT_FALSE(m.LoadOverrides(file, &error));
    m.RestoreDefaults();
    EXPECT_EQ(m.Text(meridan::msg::kResetAllSettings), "Reset All Settings?");
    std::filesystem::remove(file);
}
