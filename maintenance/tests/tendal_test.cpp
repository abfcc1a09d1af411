// tendal: the headless run's exit status and log file, and the window's
// start-up rules (ready flag, Auto-Execution, Enter and Escape) and its report.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "calibration/report.h"
#include "headless.h"
#include "tendal_app.h"
#include "vantis/messages/maintenance_messages.h"
#include "vantis/model/config.h"
#include "vantis/model/project_file.h"
#include "vantis/testing/temp_home.h"

#ifdef TENDAL_WITH_WINDOW
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "tendal_window.h"
#include "vantis/testing/qt_app.h"
#endif

namespace fs = std::filesystem;

namespace {

// HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR in a fresh temporary folder.
using vantis::testing::TempHome;

void WriteConfig(bool connected, bool autoExecution, std::uint32_t address) {
    VantisAuto::CDoc doc;
    doc.AddChannel(address);
    doc.m_bConnected = connected;
    doc.m_bAutoExecution = autoExecution;
    ASSERT_EQ(vantis::model::SaveSystemConfig(doc, "Vendor"), 1);
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Lines of a text, without their ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// "YYYY-MM-DD hh:mm:ss" at the start of the line.
bool StartsWithDateAndTime(const std::string& line) {
    if (line.size() < 19) return false;
    for (std::size_t i = 0; i < 19; ++i) {
        const char c = line[i];
        const bool ok = (i == 4 || i == 7)     ? c == '-'
                        : i == 10              ? c == ' '
                        : (i == 13 || i == 16) ? c == ':'
                                               : (c >= '0' && c <= '9');
        if (!ok) return false;
    }
    return true;
}

TEST(TendalLog, EveryLineCarriesDateAndTime) {
    EXPECT_EQ(tendal::StampedLines("[01:02] Complete\r\n", "2026-12-08 01:02:33"),
              "2026-12-08 01:02:33 Complete\n");
    EXPECT_EQ(tendal::StampedLines("[SYSTEM ERROR 0001]:\r\nThe system failed.\r\n", "D T"),
              "D T [SYSTEM ERROR 0001]:\nD T The system failed.\n");
    EXPECT_EQ(tendal::StampedLines("\r\n", "D T"), "D T\n");  // a blank separator line
    EXPECT_EQ(tendal::StampedLines("unfinished", "D T"), "D T unfinished\n");
    EXPECT_EQ(tendal::StampedLines("[1:02] odd", "D T"), "D T [1:02] odd\n");  // not a stamp: kept
    EXPECT_EQ(tendal::StampedLines("", "D T"), "");
    EXPECT_TRUE(StartsWithDateAndTime(tendal::DateTimeStamp(std::time(nullptr))));
}

TEST(TendalHeadless, LinesGoToTheTerminalAndTheLogFile) {
    TempHome home("plain");
    EXPECT_EQ(tendal::PlainLine("a\r\nb\r\n"), "a\nb\n");
    const fs::path file = tendal::LogFilePath("Vendor");
    std::ostringstream out;
    tendal::StreamReporter reporter(out, file);
    reporter.File().BeginRun("headless");
    reporter.Log("[01:02] Complete\r\n");
    reporter.Error("[CORRECT ERROR 0004]: failed");
    // The terminal gets the lines as they are.
    EXPECT_EQ(out.str(), "[01:02] Complete\n[CORRECT ERROR 0004]: failed\n");
    // The file: a header line for the run, then every line with date and time.
    const auto lines = Lines(ReadFile(file));
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& line : lines) EXPECT_TRUE(StartsWithDateAndTime(line)) << line;
    EXPECT_NE(lines[0].find("run started (headless)"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].substr(19), " Complete");
    EXPECT_EQ(lines[2].substr(19), " [CORRECT ERROR 0004]: failed");
    EXPECT_EQ(file.parent_path(), vantis::model::SystemConfigPath("Vendor").parent_path());
}

TEST(TendalHeadless, NoConfigurationExitsOneWithLine2000) {
    TempHome home("noconfig");
    tendal::Startup startup;
    ASSERT_TRUE(tendal::Start(&startup)) << startup.error;
    std::ostringstream out;
    EXPECT_EQ(tendal::RunHeadless(startup, out), 1);
    EXPECT_EQ(out.str(), tendal::PlainLine(tendal::Messages().Text(tendal::msg::kNoConfig)));
}

TEST(TendalHeadless, AProjectorThatDoesNotAnswerExitsOne) {
    TempHome home("noboard");
    WriteConfig(true, false, 0x7F0000AF);  // 127.0.0.175: nothing listens there
    tendal::Startup startup;
    ASSERT_TRUE(tendal::Start(&startup)) << startup.error;
    // A second instance is refused while the first holds the lock.
    tendal::Startup second;
    EXPECT_FALSE(tendal::Start(&second));
    EXPECT_EQ(second.error, "The App is already exist.");
    std::ostringstream out;
    EXPECT_EQ(tendal::RunHeadless(startup, out), 1);
    EXPECT_NE(out.str().find("Connect to projector (IP address : 175)"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("[SYSTEM ERROR 0001]"), std::string::npos) << out.str();
    // Two runs: two header lines, and every line of the file dated.
    std::ostringstream again;
    EXPECT_EQ(tendal::RunHeadless(startup, again), 1);
    const auto lines = Lines(ReadFile(tendal::LogFilePath("Vendor")));
    int headers = 0;
    for (const auto& line : lines) {
        EXPECT_TRUE(StartsWithDateAndTime(line)) << line;
        headers += line.find("run started (headless)") != std::string::npos;
    }
    EXPECT_EQ(headers, 2);
}

std::vector<char> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(TendalHeadless, AFailedRunNeverRewritesTheConfiguration) {
    TempHome home("norewrite");
    WriteConfig(true, false, 0x7F0003AF);  // 127.0.3.175: nothing listens there
    const fs::path config = vantis::model::SystemConfigPath("Vendor");
    const std::vector<char> before = FileBytes(config);
    tendal::Startup startup;
    ASSERT_TRUE(tendal::Start(&startup)) << startup.error;
    std::ostringstream out;
    EXPECT_EQ(tendal::RunHeadless(startup, out), 1);
    EXPECT_EQ(FileBytes(config), before);
    EXPECT_FALSE(fs::exists(vantis::model::BackupPathOf(config)));
}

TEST(TendalHeadless, ADamagedConfigurationIsReportedAsDamagedAndKept) {
    TempHome home("damaged");
    VantisAuto::CDoc doc;
    doc.AddChannel(0x7F0003AE);
    doc.m_bConnected = true;
    doc.m_boundary.m_tableA.x[5][5] = std::nanf("");  // NaN boundary tables: a flat white wall before
    const fs::path config = vantis::model::SystemConfigPath("Vendor");
    std::string error;
    ASSERT_TRUE(vantis::model::SaveProjectFile(doc, config, &error)) << error;
    const std::vector<char> before = FileBytes(config);
    tendal::Startup startup;
    ASSERT_TRUE(tendal::Start(&startup)) << startup.error;
    std::ostringstream out;
    EXPECT_EQ(tendal::RunHeadless(startup, out), 1);
    EXPECT_NE(out.str().find("[CONFIG ERROR 0002]"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("is damaged"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("boundary"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("can't find"), std::string::npos) << out.str();
    EXPECT_EQ(FileBytes(config), before);
}

TEST(TendalStart, ADataFolderWithASemicolonIsRefused) {
    TempHome home("semicolon");
    const std::string data = std::string(std::getenv("XDG_DATA_HOME")) + ";x";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    tendal::Startup startup;
    EXPECT_FALSE(tendal::Start(&startup));
    EXPECT_NE(startup.error.find(data), std::string::npos) << startup.error;
    EXPECT_NE(startup.error.find("';'"), std::string::npos) << startup.error;
}

#ifdef TENDAL_WITH_WINDOW
QApplication& App() {
    return vantis::testing::QtApp();
}

TEST(TendalWindow, ANotReadyConfigurationLeavesTheRunButtonsDisabled) {
    App();
    TempHome home("notready");
    WriteConfig(false, true, 0x7F0000AE);
    tendal::Startup startup;
    ASSERT_TRUE(tendal::Start(&startup));
    tendal::TendalWindow window(startup);
    window.Begin();
    EXPECT_FALSE(window.CalibrationButton()->isEnabled());
    EXPECT_FALSE(window.AutoExecutionBox()->isEnabled());
    EXPECT_FALSE(window.Running());
    // Enter and Escape do nothing.
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
}

TEST(TendalWindow, AutoExecutionStartsARunWithoutAClick) {
    App();
    TempHome home("autorun");
    WriteConfig(true, true, 0x7F0000AD);  // 127.0.0.173: nothing listens there
    tendal::Startup startup;
    ASSERT_TRUE(tendal::Start(&startup));
    tendal::TendalWindow window(startup);
    window.Begin();
    EXPECT_TRUE(window.AutoExecutionBox()->isChecked());
    for (int i = 0; i < 1000 && window.LogText().find("SYSTEM ERROR") == std::string::npos; ++i)
        QTest::qWait(10);
    EXPECT_NE(window.LogText().find("Connect to projector (IP address : 173)"), std::string::npos);
    EXPECT_NE(window.LogText().find("SYSTEM ERROR 0001"), std::string::npos);
    for (int i = 0; i < 500 && window.Running(); ++i) QTest::qWait(10);
    QTest::qWait(20);
    EXPECT_TRUE(window.CalibrationButton()->isEnabled());
    // The window's run reached Tendal.log too, dated, under its header line.
    const std::string file = ReadFile(tendal::LogFilePath("Vendor"));
    EXPECT_NE(file.find("run started (window)"), std::string::npos) << file;
    EXPECT_NE(file.find("Connect to projector (IP address : 173)"), std::string::npos) << file;
    EXPECT_NE(file.find("SYSTEM ERROR 0001"), std::string::npos) << file;
    for (const auto& line : Lines(file)) EXPECT_TRUE(StartsWithDateAndTime(line)) << line;
}

TEST(TendalWindow, ARunFromTheWindowWritesItsReportAsHeadlessDoes) {
    App();
    TempHome home("windowreport");
    WriteConfig(true, false, 0x7F000A01);  // 127.0.10.1: nothing listens there
    tendal::Startup startup;
    ASSERT_TRUE(tendal::Start(&startup));
    tendal::TendalWindow window(startup);
    window.Begin();
    window.StartRun();
    // The log pane receives its lines through the window's event queue.
    for (int i = 0; i < 1000 && window.LogText().find("report Report-") == std::string::npos; ++i)
        QTest::qWait(10);
    for (int i = 0; i < 500 && window.Running(); ++i) QTest::qWait(10);
    ASSERT_FALSE(window.Running());
    const fs::path folder = vantis::model::SystemConfigPath("Vendor").parent_path();
    const fs::path file = vantis::calibration::LatestReport(folder);
    ASSERT_FALSE(file.empty()) << window.LogText();
    vantis::calibration::RunReport report;
    std::string error;
    ASSERT_TRUE(vantis::calibration::ReadReport(file, &report, &error)) << error;
    EXPECT_EQ(report.kind, vantis::calibration::RunKind::Maintenance);
    EXPECT_EQ(report.outcome, vantis::calibration::RunOutcome::Failed);
    ASSERT_EQ(report.projectors.size(), 1u);
    EXPECT_EQ(report.projectors[0].address, "127.0.10.1");
    EXPECT_EQ(report.projectors[0].verdict, vantis::calibration::Verdict::Red);
    // The summary reached the log pane, naming the report file.
    EXPECT_NE(window.LogText().find("127.0.10.1 red"), std::string::npos) << window.LogText();
    EXPECT_NE(window.LogText().find("report " + file.filename().string()), std::string::npos)
        << window.LogText();
}
#endif

}  // namespace
