// The calibration report: judging figures against thresholds, exit status,
// the JSON file and its reading back, damaged files, the settings in
// default.ini, and keeping the newest fifty reports.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "calibration/report.h"
#include "test_support.h"

namespace vantis::calibration {
namespace {

using testing::TempFolder;

ProjectorReport Good(const std::string& address) {
    ProjectorReport p;
    p.address = address;
    p.blocksFound = 510;
    p.blocksExpected = 510;
    p.residualRms = 0.2;
    p.residualMax = 0.6;
    p.extrapolation = 12.5;
    p.coverage = 0.999;
    p.drift = DriftFigures{0.3, 0.8, 0.1, 0.35, 510};
    return p;
}

RunReport TwoProjectors() {
    RunReport r;
    r.kind = RunKind::Maintenance;
    r.start = 1'800'000'000;
    r.end = r.start + 95;
    r.captureSeconds = 40.25;
    r.computeSeconds = 12.5;
    r.downloadSeconds = 3.125;
    r.projectors = {Good("127.0.0.11"), Good("127.0.0.12")};
    return r;
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ReportVerdicts, FiguresWithinThresholdsAreGreenAndExitZero) {
    RunReport r = TwoProjectors();
    ApplyThresholds(r);
    for (const auto& p : r.projectors) {
        EXPECT_EQ(p.verdict, Verdict::Green) << p.address;
        EXPECT_TRUE(p.exceeded.empty());
    }
    EXPECT_EQ(ExitStatus(r), 0);
    EXPECT_TRUE(ExceededProjectors(r).empty());
}

TEST(ReportVerdicts, EachFigureBeyondItsThresholdIsNamed) {
    struct Case {
        const char* name;
        void (*spoil)(ProjectorReport&);
        Verdict verdict;
    };
    const Case cases[] = {
        {"residual", [](ProjectorReport& p) { p.residualRms = 0.6; }, Verdict::Amber},
        {"residual", [](ProjectorReport& p) { p.residualRms = 1.2; }, Verdict::Red},
        {"coverage", [](ProjectorReport& p) { p.coverage = 0.97; }, Verdict::Amber},
        {"coverage", [](ProjectorReport& p) { p.coverage = 0.9; }, Verdict::Red},
        {"drift", [](ProjectorReport& p) { p.drift->rmsPanel = 1.5; }, Verdict::Amber},
        {"drift", [](ProjectorReport& p) { p.drift->rmsPanel = 5; }, Verdict::Amber},  // corrected by the run
        {"blocks", [](ProjectorReport& p) { p.blocksFound = 500; }, Verdict::Amber},
        {"blocks", [](ProjectorReport& p) { p.blocksFound = 300; }, Verdict::Red},
    };
    for (const Case& c : cases) {
        RunReport r = TwoProjectors();
        c.spoil(r.projectors[1]);
        ApplyThresholds(r);
        EXPECT_EQ(r.projectors[0].verdict, Verdict::Green) << c.name;
        EXPECT_EQ(r.projectors[1].verdict, c.verdict) << c.name;
        EXPECT_EQ(r.projectors[1].exceeded, std::vector<std::string>{c.name});
        EXPECT_EQ(ExceededProjectors(r), std::vector<std::string>{"127.0.0.12"});
        EXPECT_EQ(ExitStatus(r), 3) << c.name;
    }
}

TEST(ReportVerdicts, DriftInACheckTurnsRedWhenFarBeyond) {
    RunReport r = TwoProjectors();
    r.kind = RunKind::Check;
    r.projectors[0].drift->rmsPanel = 1.5;
    r.projectors[1].drift->rmsPanel = 2.5;
    ApplyThresholds(r);
    EXPECT_EQ(r.projectors[0].verdict, Verdict::Amber);
    EXPECT_EQ(r.projectors[1].verdict, Verdict::Red);
    EXPECT_EQ(ExitStatus(r), 3);
}

TEST(ReportVerdicts, MissingFiguresAreNotFaults) {
    RunReport r = TwoProjectors();
    r.projectors[0].drift.reset();
    r.projectors[0].coverage.reset();
    r.projectors[1].residualRms.reset();
    r.projectors[1].blocksFound.reset();
    ApplyThresholds(r);
    EXPECT_EQ(ExitStatus(r), 0);
}

TEST(ReportVerdicts, AFailedOrRefusedRunIsRedAndExitOne) {
    for (RunOutcome outcome : {RunOutcome::Failed, RunOutcome::Refused}) {
        RunReport r = TwoProjectors();
        r.outcome = outcome;
        ApplyThresholds(r);
        for (const auto& p : r.projectors) EXPECT_EQ(p.verdict, Verdict::Red);
        EXPECT_EQ(ExitStatus(r), 1);
    }
}

TEST(ReportFile, JsonRoundTripKeepsEveryFigure) {
    RunReport r = TwoProjectors();
    r.outcome = RunOutcome::Refused;
    r.message = 203;
    r.engineStatus = 4;
    r.failedChannel = 2;
    r.projectors[1].drift.reset();
    r.projectors[1].coverage.reset();
    ApplyThresholds(r);
    RunReport back;
    std::string error;
    ASSERT_TRUE(ReportFromJson(ReportToJson(r), &back, &error)) << error;
    EXPECT_EQ(back.kind, r.kind);
    EXPECT_EQ(back.start, r.start);
    EXPECT_EQ(back.end, r.end);
    EXPECT_DOUBLE_EQ(back.captureSeconds, 40.25);
    EXPECT_DOUBLE_EQ(back.downloadSeconds, 3.125);
    EXPECT_EQ(back.outcome, RunOutcome::Refused);
    EXPECT_EQ(back.message, 203);
    EXPECT_EQ(back.engineStatus, 4);
    EXPECT_EQ(back.failedChannel, 2);
    ASSERT_EQ(back.projectors.size(), 2u);
    const ProjectorReport& a = back.projectors[0];
    EXPECT_EQ(a.address, "127.0.0.11");
    EXPECT_EQ(a.blocksFound, 510);
    EXPECT_DOUBLE_EQ(*a.residualRms, 0.2);
    EXPECT_DOUBLE_EQ(*a.extrapolation, 12.5);
    ASSERT_TRUE(a.drift);
    EXPECT_DOUBLE_EQ(a.drift->maxPanel, 0.35);
    EXPECT_EQ(a.drift->blocks, 510);
    EXPECT_EQ(a.verdict, Verdict::Red);
    EXPECT_EQ(a.exceeded, std::vector<std::string>{"run"});
    EXPECT_FALSE(back.projectors[1].drift);
    EXPECT_FALSE(back.projectors[1].coverage);
}

TEST(ReportFile, DamagedReportsAreRefusedWithTheirReason) {
    const std::string good = ReportToJson(TwoProjectors());
    RunReport r;
    std::string error;
    EXPECT_FALSE(ReportFromJson("", &r, &error));
    EXPECT_FALSE(ReportFromJson(good.substr(0, good.size() / 2), &r, &error));
    auto spoiled = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        return text;
    };
    const std::pair<const char*, const char*> damages[] = {
        {"\"kind\": \"maintenance\"", "\"kind\": \"cleaning\""},
        {"\"coverage\": 0.999", "\"coverage\": 3"},
        {"\"address\": \"127.0.0.11\"", "\"address\": \"../../etc\""},
        {"\"found\": 510", "\"found\": -1"},
        {"\"verdict\": \"green\"", "\"verdict\": 7"},
        {"\"thresholds\"", "\"limits\""},
    };
    for (const auto& [from, to] : damages) {
        error.clear();
        EXPECT_FALSE(ReportFromJson(spoiled(from, to), &r, &error)) << to;
        EXPECT_FALSE(error.empty()) << to;
    }
}

TEST(ReportFile, SummaryHasOneLinePerProjectorAndOneForTheRun) {
    RunReport r = TwoProjectors();
    r.projectors[1].residualRms = 0.7;
    r.projectors[1].drift.reset();
    ApplyThresholds(r);
    const auto lines = SummaryLines(r);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "127.0.0.11 green  blocks 510/510  residual 0.20/0.60 px  coverage 0.999  drift 0.10 px");
    EXPECT_EQ(lines[1],
              "127.0.0.12 amber  blocks 510/510  residual 0.70/0.60 px  coverage 0.999  drift -  exceeded: "
              "residual");
    EXPECT_NE(lines[2].find("maintenance ok"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find("1 out of threshold"), std::string::npos) << lines[2];
}

TEST(ReportSummary, AFailedRunSaysSoRatherThanCountingThresholds) {
    RunReport r = TwoProjectors();
    r.outcome = RunOutcome::Failed;
    ApplyThresholds(r);
    const auto lines = SummaryLines(r);
    ASSERT_EQ(lines.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(lines[i].find(" red "), std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].find("exceeded: run"), std::string::npos) << lines[i];
        EXPECT_NE(lines[i].find("run failed"), std::string::npos) << lines[i];
    }
    EXPECT_NE(lines[2].find("maintenance failed"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[2].find("out of threshold"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find("every projector red"), std::string::npos) << lines[2];
}

TEST(ReportSummary, ACheckNamesOnlyItsCapture) {
    RunReport r = TwoProjectors();
    r.kind = RunKind::Check;
    ApplyThresholds(r);
    const std::string last = SummaryLines(r).back();
    EXPECT_NE(last.find("check ok"), std::string::npos) << last;
    EXPECT_NE(last.find("(capture "), std::string::npos) << last;
    EXPECT_EQ(last.find("compute"), std::string::npos) << last;
    EXPECT_EQ(last.find("download"), std::string::npos) << last;
}

TEST(ReportFolder, KeepsTheNewestFiftyAndTouchesNothingElse) {
    TempFolder folder("report-keep");
    std::ofstream(folder.path() / "Config.cfg") << "x";
    std::ofstream(folder.path() / "Report-notes.json") << "x";
    const auto outside = folder.path() / "outside";
    std::filesystem::create_directories(outside);
    std::ofstream(outside / "Report-20000101-000000.json") << "{}";
    std::filesystem::create_symlink(outside / "Report-20000101-000000.json",
                                    folder.path() / "Report-20000101-000001.json");
    RunReport r = TwoProjectors();
    std::vector<std::filesystem::path> written;
    std::string error;
    for (int i = 0; i < 53; ++i) {
        r.end = r.start + 60 * i;
        written.push_back(WriteReport(folder.path(), r, &error));
        ASSERT_FALSE(written.back().empty()) << error;
    }
    int reports = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder.path()))
        if (!e.is_symlink() && e.is_regular_file() && e.path().filename().string().rfind("Report-2", 0) == 0)
            ++reports;
    EXPECT_EQ(reports, 50);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(std::filesystem::exists(written[i])) << i;
    EXPECT_TRUE(std::filesystem::exists(written[3]));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Config.cfg"));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Report-notes.json"));
    EXPECT_TRUE(std::filesystem::exists(outside / "Report-20000101-000000.json"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "Report-20000101-000001.json"));
    EXPECT_EQ(LatestReport(folder.path()), written.back());
    EXPECT_EQ(written.back().filename(), ReportFileName(r.end));
}

TEST(ReportFolder, SameSecondGetsItsOwnFileAndSortsLast) {
    TempFolder folder("report-same");
    RunReport r = TwoProjectors();
    std::string error;
    const auto first = WriteReport(folder.path(), r, &error);
    r.kind = RunKind::Check;
    const auto second = WriteReport(folder.path(), r, &error);
    ASSERT_FALSE(second.empty()) << error;
    EXPECT_NE(first, second);
    EXPECT_EQ(LatestReport(folder.path()), second);
    RunReport back;
    ASSERT_TRUE(ReadReport(second, &back, &error)) << error;
    EXPECT_EQ(back.kind, RunKind::Check);
}

TEST(ReportFolder, AnUnwritableFolderGivesAReasonNotACrash) {
    TempFolder folder("report-ro");
    std::string error;
    // A plain file where the folder should be.
    std::ofstream(folder.path() / "file") << "x";
    EXPECT_TRUE(WriteReport(folder.path() / "file", TwoProjectors(), &error).empty());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(WriteReportCopy(folder.path() / "missing" / "r.json", TwoProjectors(), &error));
    EXPECT_TRUE(LatestReport(folder.path() / "missing").empty());
}

TEST(ReportFolder, HoldsNoPathOfTheMachine) {
    TempFolder folder("report-paths");
    std::string error;
    const auto file = WriteReport(folder.path(), TwoProjectors(), &error);
    const std::string text = ReadAll(file);
    EXPECT_EQ(text.find('/'), std::string::npos);
    EXPECT_EQ(text.find(folder.path().string()), std::string::npos);
}

TEST(ReportSettings, ThresholdsFromDefaultIniWithDefaultsForTheRest) {
    TempFolder folder("report-ini");
    const auto ini = folder.path() / "default.ini";
    std::ofstream(ini)
        << "[MAIN]\nVID=Vendor\nDRIFT=9\n[Report]\n residual_rms = 0.25 \nCOVERAGE=1.5\nDRIFT=2\n";
    std::string warning;
    const ReportThresholds t = ReadReportThresholds(ini, &warning);
    EXPECT_DOUBLE_EQ(t.residualRms, 0.25);
    EXPECT_DOUBLE_EQ(t.coverage, 0.98);  // out of range: kept
    EXPECT_DOUBLE_EQ(t.drift, 2.0);
    EXPECT_NE(warning.find("COVERAGE"), std::string::npos) << warning;

    const ReportThresholds none = ReadReportThresholds(folder.path() / "absent.ini", &warning);
    EXPECT_DOUBLE_EQ(none.residualRms, 0.5);
    EXPECT_DOUBLE_EQ(none.coverage, 0.98);
    EXPECT_DOUBLE_EQ(none.drift, 1.0);
    EXPECT_TRUE(warning.empty());
}

}  // namespace
}  // namespace vantis::calibration
