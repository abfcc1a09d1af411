// What the end of a run keeps beside the configuration besides its report:
// the calibrated warps, after a successful run that computed them only, and
// a folder that cannot take them does not fail the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "calibration/report_run.h"
#include "test_support.h"
#include "vantis/model/document.h"
#include "vantis/model/warps_file.h"

namespace vantis::calibration {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Two calibrated 1920 x 1080 channels side by side.
void CalibratedPair(VantisAuto::CDoc& doc) {
    doc.m_nTiming = 8;
    doc.m_nLayout = 1;
    doc.m_nSolution = 1;
    doc.m_overlapPixels[0] = 320;
    for (int c = 0; c < 2; ++c) {
        VantisAuto::CChannel* channel = doc.AddChannel(0x7F000C01u + static_cast<unsigned>(c));
        channel->m_nColumn = c + 1;
        for (int i = 0; i < vantis::model::WarpNodesFor(1080); ++i)
            for (int j = 0; j < vantis::model::WarpNodesFor(1920); ++j) {
                channel->m_forward.x[j][i] = static_cast<float>(15.5 * j + 30);
                channel->m_forward.y[j][i] = static_cast<float>(15.5 * i + 20 + c);
            }
    }
    doc.m_bWarped = true;
}

RunFacts Facts(RunKind kind, RunOutcome outcome) {
    RunFacts facts;
    facts.kind = kind;
    facts.outcome = outcome;
    return facts;
}

TEST(ReportRunWarps, ASuccessfulRunKeepsTheWarpsTheBoardsReceived) {
    for (const RunKind kind : {RunKind::Calibration, RunKind::Recalibration, RunKind::Maintenance}) {
        TempFolder folder("run-warps");
        VantisAuto::CDoc doc;
        CalibratedPair(doc);
        const ReportResult result = FinishReport(doc, Facts(kind, RunOutcome::Ok), folder.path(), {});
        for (const auto& note : result.notes) EXPECT_EQ(note.find("warps"), std::string::npos) << note;
        std::vector<vantis::model::StoredWarp> kept;
        std::string error;
        ASSERT_TRUE(vantis::model::LoadWarps(folder.path() / vantis::model::kWarpsFileName, &kept, &error))
            << error;
        ASSERT_EQ(kept.size(), 2u);
        EXPECT_EQ(kept[1].address, "127.0.12.2");
        EXPECT_FLOAT_EQ(kept[1].warp.y[0], 21.0f);
        EXPECT_TRUE(vantis::model::FitWarpsToDocument(&kept, doc, &error)) << error;
    }
}

TEST(ReportRunWarps, ChecksFailuresAndUncalibratedRunsLeaveTheKeptWarpsAlone) {
    TempFolder folder("run-warps");
    const fs::path file = folder.path() / vantis::model::kWarpsFileName;
    std::ofstream(file) << "earlier";
    struct Case {
        const char* what;
        RunKind kind;
        RunOutcome outcome;
        bool warped;
    };
    for (const Case& c : {Case{"check", RunKind::Check, RunOutcome::Ok, true},
                          Case{"failed", RunKind::Maintenance, RunOutcome::Failed, true},
                          Case{"refused", RunKind::Calibration, RunOutcome::Refused, true},
                          Case{"not calibrated", RunKind::Calibration, RunOutcome::Ok, false}}) {
        VantisAuto::CDoc doc;
        CalibratedPair(doc);
        doc.m_bWarped = c.warped;
        FinishReport(doc, Facts(c.kind, c.outcome), folder.path(), {});
        std::ifstream in(file);
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, "earlier") << c.what;
    }
}

TEST(ReportRunWarps, AFolderThatCannotTakeThemIsANoteNotAFailure) {
    TempFolder folder("run-warps");
    fs::create_directories(folder.path() / vantis::model::kWarpsFileName / "in-the-way");
    VantisAuto::CDoc doc;
    CalibratedPair(doc);
    const ReportResult result =
        FinishReport(doc, Facts(RunKind::Calibration, RunOutcome::Ok), folder.path(), {});
    EXPECT_EQ(result.report.outcome, RunOutcome::Ok);
    EXPECT_FALSE(result.file.empty());  // the report itself was written
    bool noted = false;
    for (const auto& note : result.notes) noted |= note.find("the calibrated warps were not kept") == 0;
    EXPECT_TRUE(noted);
    // Nothing of the warps is left beside the folder in the way (no temporary file).
    int warpsEntries = 0;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        warpsEntries +=
            entry.path().filename().string().find(vantis::model::kWarpsFileName) != std::string::npos;
    EXPECT_EQ(warpsEntries, 1);
}

}  // namespace
}  // namespace vantis::calibration
