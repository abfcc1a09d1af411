// The calibrated warps kept beside the configuration: what a calibrated
// document writes comes back the same, and warps are taken only for the
// channels they were computed for.
#include "vantis/model/warps_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "vantis/model/document.h"
#include "vantis/testing/temp_home.h"

namespace vm = vantis::model;
namespace fs = std::filesystem;

namespace {

// Two 1920 x 1080 channels side by side (127.0.0.1 and .2), calibrated with
// a shifted, slightly scaled warp each unless `calibrated` is false.
void PairDocument(VantisAuto::CDoc& doc, bool calibrated = true) {
    doc.m_nTiming = 8;  // 1920 x 1080
    doc.m_nLayout = 1;  // 2 columns
    doc.m_nSolution = 1;
    doc.m_overlapPixels[0] = 320;
    for (int c = 0; c < 2; ++c) {
        VantisAuto::CChannel* channel = doc.AddChannel(0x7F000001u + static_cast<unsigned>(c));
        channel->m_nColumn = c + 1;
        if (!calibrated) continue;
        for (int i = 0; i < vm::WarpNodesFor(1080); ++i)
            for (int j = 0; j < vm::WarpNodesFor(1920); ++j) {
                channel->m_forward.x[j][i] = static_cast<float>(0.97 * 16 * j + 20 + c + 0.125);
                channel->m_forward.y[j][i] = static_cast<float>(0.98 * 16 * i + 11 - c);
            }
    }
    doc.m_bWarped = calibrated;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

// How many entries a folder holds.
int EntriesIn(const fs::path& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++n;
    return n;
}

TEST(WarpsFile, CalibratedDocumentComesBackAsItWasWritten) {
    VantisAuto::CDoc doc;
    PairDocument(doc);
    const std::vector<vm::StoredWarp> warps = vm::DocumentWarps(doc);
    ASSERT_EQ(warps.size(), 2u);
    EXPECT_EQ(warps[1].address, "127.0.0.2");
    EXPECT_EQ(warps[0].warp.columns, 121);
    EXPECT_EQ(warps[0].warp.rows, 69);  // the engine's grid: a node on the panel's last row as well

    vantis::testing::TempDir folder("warps-file");
    const fs::path file = folder.path() / vm::kWarpsFileName;
    std::string error;
    ASSERT_TRUE(vm::SaveWarps(file, warps, &error)) << error;
    EXPECT_EQ(EntriesIn(folder.path()), 1) << "a temporary file was left beside the warps";
    std::vector<vm::StoredWarp> back;
    ASSERT_TRUE(vm::LoadWarps(file, &back, &error)) << error;
    ASSERT_EQ(back.size(), 2u);
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(back[c].address, warps[c].address);
        EXPECT_EQ(back[c].panelWidth, 1920);
        EXPECT_EQ(back[c].panelHeight, 1080);
        EXPECT_EQ(back[c].warp.x, warps[c].warp.x);  // floats written exactly
        EXPECT_EQ(back[c].warp.y, warps[c].warp.y);
    }
    EXPECT_TRUE(vm::FitWarpsToDocument(&back, doc, &error)) << error;
}

TEST(WarpsFile, UncalibratedChannelsAreKeptWithoutAWarp) {
    VantisAuto::CDoc doc;
    PairDocument(doc, false);
    const std::vector<vm::StoredWarp> warps = vm::DocumentWarps(doc);
    ASSERT_EQ(warps.size(), 2u);
    EXPECT_TRUE(warps[0].warp.x.empty());
    // Calibrated, but one channel's tables never filled.
    VantisAuto::CDoc partly;
    PairDocument(partly);
    partly.m_channels[1]->m_forward = {};
    const auto some = vm::DocumentWarps(partly);
    EXPECT_FALSE(some[0].warp.x.empty());
    EXPECT_TRUE(some[1].warp.x.empty());

    vantis::testing::TempDir folder("warps-file");
    const fs::path file = folder.path() / vm::kWarpsFileName;
    std::string error;
    ASSERT_TRUE(vm::SaveWarps(file, some, &error)) << error;
    std::vector<vm::StoredWarp> back;
    ASSERT_TRUE(vm::LoadWarps(file, &back, &error)) << error;
    EXPECT_TRUE(back[1].warp.x.empty());
    EXPECT_TRUE(vm::FitWarpsToDocument(&back, partly, &error)) << error;
}

TEST(WarpsFile, WarpsOfOtherChannelsDoNotFit) {
    VantisAuto::CDoc doc;
    PairDocument(doc);
    const auto warps = vm::DocumentWarps(doc);
    std::string why;

    auto other = warps;
    other[1].address = "127.0.0.9";
    EXPECT_FALSE(vm::FitWarpsToDocument(&other, doc, &why));
    EXPECT_NE(why.find("127.0.0.9"), std::string::npos) << why;

    other = warps;
    other[0].panelHeight = 1200;
    EXPECT_FALSE(vm::FitWarpsToDocument(&other, doc, &why));
    EXPECT_NE(why.find("1920 x 1200"), std::string::npos) << why;

    other = warps;
    other.pop_back();
    EXPECT_FALSE(vm::FitWarpsToDocument(&other, doc, &why));
    EXPECT_NE(why.find("1 warps for 2 channels"), std::string::npos) << why;

    // A bare list (as the engine's tool prints it) fits by its node count and takes the panel's grid.
    other = warps;
    for (auto& w : other) {
        w.address.clear();
        w.panelWidth = w.panelHeight = 0;
        w.warp.columns = w.warp.rows = 0;
    }
    EXPECT_TRUE(vm::FitWarpsToDocument(&other, doc, &why)) << why;
    EXPECT_EQ(other[0].warp.rows, 69);
    other[1].warp.x.pop_back();
    other[1].warp.y.pop_back();
    other[1].warp.columns = other[1].warp.rows = 0;
    EXPECT_FALSE(vm::FitWarpsToDocument(&other, doc, &why));
    EXPECT_NE(why.find("8348 points"), std::string::npos) << why;
}

TEST(WarpsFile, DamagedOrMissingFilesAreRefusedWithTheReason) {
    vantis::testing::TempDir folder("warps-file");
    const fs::path file = folder.path() / vm::kWarpsFileName;
    std::vector<vm::StoredWarp> warps;
    std::string error;
    EXPECT_FALSE(vm::LoadWarps(file, &warps, &error));
    EXPECT_NE(error.find("no such file"), std::string::npos) << error;
    struct Case {
        const char* text;
        const char* reason;
    };
    for (const Case& c :
         {Case{"{\"warps\": [[[1, 2]]", "not JSON"}, Case{"{\"grids\": []}", "no \"warps\""},
          Case{"{\"warps\": 3}", "not a list"}, Case{"{\"warps\": [[[1, 2, 3]]]}", "not [x, y]"},
          Case{"{\"channels\": [], \"warps\": [[]]}", "differ in length"},
          Case{"{\"channels\": [{\"address\": \"127.0.0.1\", \"panel\": [2, 2], \"grid\": [2, 2]}],"
               " \"warps\": [[[0, 0], [1, 0], [0, 1]]]}",
               "points its grid names"}}) {
        WriteText(file, c.text);
        EXPECT_FALSE(vm::LoadWarps(file, &warps, &error)) << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << ": " << error;
    }
    // A non-finite value (null) is read as NaN for the export to refuse by name.
    WriteText(file, "[[[1, null], [2, 3]]]");
    ASSERT_TRUE(vm::LoadWarps(file, &warps, &error)) << error;
    EXPECT_TRUE(std::isnan(warps[0].warp.y[0]));
}

TEST(WarpsFile, UnwritableFolderFailsAndLeavesNothing) {
    vantis::testing::TempDir folder("warps-file");
    const fs::path blocker = folder.path() / "file";
    WriteText(blocker, "x");
    VantisAuto::CDoc doc;
    PairDocument(doc);
    std::string error;
    EXPECT_FALSE(vm::SaveWarps(blocker / vm::kWarpsFileName, vm::DocumentWarps(doc), &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    // The file's place taken by a folder: the rename fails and the partial file goes.
    fs::create_directories(folder.path() / "taken" / vm::kWarpsFileName / "inside");
    EXPECT_FALSE(vm::SaveWarps(folder.path() / "taken" / vm::kWarpsFileName, vm::DocumentWarps(doc), &error));
    EXPECT_EQ(EntriesIn(folder.path() / "taken"), 1) << "a temporary file was left beside the warps";
}

}  // namespace
