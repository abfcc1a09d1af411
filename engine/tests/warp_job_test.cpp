// The vantiscore tool: its job file and its answers, and the program itself
// on good and bad input.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <opencv2/core.hpp>

#include "synthetic_photos.h"
#include "tool_run.h"
#include "warp_job.h"

namespace {

using nlohmann::json;
using vantiscore::synthetic::TempFolder;
using vantiscore::tool::ParseWarpJob;
using vantiscore::tool::RunTool;
using vantiscore::tool::ToolRun;

TEST(WarpJobFile, KeysAreTheParameterNames) {
    const std::string text = R"({"blackPhoto": "b.bmp", "whitePhotos": ["w1.bmp", "/abs/w2.bmp"],
        "centrePhotos": ["c1.bmp;c1b.bmp", ["c2.bmp", "c2b.bmp"]], "gridPhotos": ["g1.bmp", "g2.bmp"],
        "thresholds": [40.5, 41], "patternType": 3, "channelCount": 2, "warpingMode": 1,
        "layoutColumns": 2, "layoutRows": 1, "overlapX": 256, "overlapY": 0, "stackCount": 1,
        "boundary": [[1.5, 2], [3, 4]]})";
    std::string error;
    const auto job = ParseWarpJob(text, "/jobs", &error);
    ASSERT_TRUE(job) << error;
    EXPECT_EQ(job->blackPhoto, "/jobs/b.bmp");
    EXPECT_EQ(job->whitePhotos, (std::vector<std::string>{"/jobs/w1.bmp", "/abs/w2.bmp"}));
    EXPECT_EQ(job->centrePhotos,
              (std::vector<std::string>{"/jobs/c1.bmp;/jobs/c1b.bmp", "/jobs/c2.bmp;/jobs/c2b.bmp"}));
    EXPECT_EQ(job->thresholds, (std::vector<double>{40.5, 41}));
    EXPECT_EQ(job->patternType, 3);
    EXPECT_EQ(job->warpingMode, 1);
    EXPECT_EQ(job->overlapX, 256);
    EXPECT_EQ(job->boundary, (BoundaryGrid{{1.5f, 2}, {3, 4}}));
}

TEST(WarpJobFile, MalformedJobsAreRefusedWithAReason) {
    const char* const bad[] = {
        "",
        "[1, 2]",
        "{\"blackPhoto\": 3}",
        "{not json",
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": ["c"], "gridPhotos": ["g"], "thresholds": [1]})",
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": [7], "gridPhotos": ["g"], "thresholds": [1], "patternType": 0})",
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": ["c"], "gridPhotos": ["g"], "thresholds": [1], "patternType": 0, "boundary": [[1]]})",
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": ["c"], "gridPhotos": ["g"], "thresholds": ["x"], "patternType": 0})",
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": ["c"], "gridPhotos": ["g"], "thresholds": [1], "patternType": 1e20})",
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": ["c"], "gridPhotos": ["g"], "thresholds": [1], "patternType": 0, "layoutRows": 2.5})",
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": ["c"], "gridPhotos": ["g"], "thresholds": [1], "patternType": 0, "boundary": [[1e300, 0]]})",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(ParseWarpJob(text, "/", &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(WarpJobFile, AnswerShape) {
    WarpResult result;
    result.status = 4;
    result.channel = 2;
    const std::int32_t size[2] = {1920, 1080};
    const json answer = json::parse(vantiscore::tool::WarpResultJson(result, size, {{{1, 2}, {3.5f, 4}}}));
    EXPECT_EQ(answer, json::parse(R"({"status": 4, "channel": 2, "photoSize": [1920, 1080],
                                      "warps": [[[1.0, 2.0], [3.5, 4.0]]]})"));
}

TEST(WarpJobFile, CentreModeAndFigures) {
    const std::string base =
        R"({"blackPhoto": "b", "whitePhotos": ["w"], "centrePhotos": ["c"], "gridPhotos": ["g"], "thresholds": [1],
            "patternType": 0)";
    std::string error;
    EXPECT_EQ(ParseWarpJob(base + "}", "/", &error)->options.centres, kCentresCentroid);
    EXPECT_EQ(ParseWarpJob(base + R"(, "centres": "box"})", "/", &error)->options.centres, kCentresBox);
    EXPECT_EQ(ParseWarpJob(base + R"(, "centres": "centroid"})", "/", &error)->options.centres,
              kCentresCentroid);
    EXPECT_FALSE(ParseWarpJob(base + R"(, "centres": "middle"})", "/", &error));
    EXPECT_NE(error.find("centres"), std::string::npos);

    const std::int32_t size[2] = {1920, 1080};
    ChannelFigures figures;
    figures.blocksFound = 500;
    figures.blocksExpected = 510;
    figures.residualRms = 0.25;
    figures.residualMax = 0.5;
    figures.extrapolationMax = 48.0;
    const json answer = json::parse(vantiscore::tool::WarpResultJson(WarpResult{}, size, {}, {figures}));
    EXPECT_EQ(answer["figures"],
              json::parse(R"([{"blocksFound": 500, "blocksExpected": 510, "residualRms": 0.25,
                                                  "residualMax": 0.5, "extrapolationMax": 48.0}])"));
}

TEST(VantiscoreTool, PatternInfoAndAutotune) {
    ToolRun run = RunTool("pattern-info 3");
    ASSERT_EQ(run.exitCode, 0);
    json answer = json::parse(run.out);
    EXPECT_EQ(answer["gridColumns"], 121);
    EXPECT_EQ(answer["centreRowEnd"], 9);
    EXPECT_EQ(answer.size(), 14u);
    run = RunTool("pattern-info --board 3");
    EXPECT_EQ(json::parse(run.out)["gridRows"], 65);

    TempFolder folder;
    const std::string black = folder.Write("black.png", cv::Mat(20, 30, CV_8UC3, cv::Scalar::all(0)));
    const std::string white = folder.Write("white.png", cv::Mat(20, 30, CV_8UC3, cv::Scalar::all(255)));
    run = RunTool("autotune " + black + " " + white);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(json::parse(run.out), json::parse(R"({"result": 0, "verdict": 4})"));

    run = RunTool("threshold " + black + " " + white + " --threshold 100 --out " + folder.Path("d.png"));
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(json::parse(run.out), json::parse(R"({"result": 0, "threshold": 100.0})"));
}

TEST(VantiscoreTool, BadInputExitsNonZeroWithoutCrashing) {
    TempFolder folder;
    const std::string junk = folder.WriteBytes("junk.bmp", "BM\x01\x02");
    const std::string job = folder.WriteBytes("job.json", "{\"blackPhoto\": ");
    EXPECT_EQ(RunTool("autotune " + junk + " " + junk).exitCode, 1);
    EXPECT_EQ(RunTool("threshold " + junk + " " + folder.Path("none.png")).exitCode, 1);
    EXPECT_EQ(RunTool("warp " + job).exitCode, 2);
    EXPECT_EQ(RunTool("warp " + folder.Path("missing.json")).exitCode, 2);
    EXPECT_NE(RunTool("frobnicate").exitCode, 0);

    // A well-formed job (a boundary of 129 x 65 points) whose photos cannot be read:
    // status 1 in the answer.
    std::string points;
    for (int i = 0; i < 129 * 65; ++i) points += i == 0 ? "[0, 0]" : ", [0, 0]";
    const std::string unreadable = folder.WriteBytes(
        "unreadable.json", R"({"blackPhoto": "no.bmp", "whitePhotos": ["no.bmp"], "centrePhotos": ["no.bmp"],
            "gridPhotos": ["no.bmp"], "thresholds": [40], "patternType": 0,
            "boundary": [)" + points +
                               "]}");
    const ToolRun run = RunTool("warp " + unreadable);
    EXPECT_EQ(run.exitCode, 1);
    const json answer = json::parse(run.out);
    EXPECT_EQ(answer["status"], 1);
    EXPECT_EQ(answer["channel"], 1);
    EXPECT_EQ(answer["warps"], json::array());

    // A blending layout of 2147483647 columns: refused (status 2), not an overflow.
    const std::string wide = folder.WriteBytes(
        "wide.json", R"({"blackPhoto": "no.bmp", "whitePhotos": ["no.bmp"], "centrePhotos": ["no.bmp"],
            "gridPhotos": ["no.bmp"], "thresholds": [40], "patternType": 0, "warpingMode": 1,
            "layoutColumns": 2147483647, "layoutRows": 1, "boundary": [)" +
                         points + "]}");
    const ToolRun wideRun = RunTool("warp " + wide);
    EXPECT_EQ(wideRun.exitCode, 1);
    EXPECT_EQ(json::parse(wideRun.out)["status"], 2);
}

TEST(VantiscoreTool, WarpPrintsOneGridPerChannel) {
    // A 1024 x 768 panel seen head-on, and the boundary on its own outline:
    // the answer carries two identity-like warps of 65 x 49 points.
    TempFolder folder;
    vantiscore::synthetic::PanelView view{AutoWarpGetPatternInfo(false, 0), {1440, 810}, {200, 100}, 0.8f};
    const std::string black = folder.Write("black.png", vantiscore::synthetic::BlackPhoto(view));
    const std::string white = folder.Write("white.png", vantiscore::synthetic::WhitePhoto(view));
    const std::string centre = folder.Write("centre.png", vantiscore::synthetic::CentrePhoto(view));
    const std::string grid = folder.Write("grid.png", vantiscore::synthetic::GridPhoto(view));
    json boundary = json::array();
    for (int i = 0; i < 65; ++i)
        for (int j = 0; j < 129; ++j)
            boundary.push_back({200 + 0.8 * 1024.0 * j / 128, 100 + 0.8 * 768.0 * i / 64});
    const json job{
        {"blackPhoto", black},        {"whitePhotos", {white, white}}, {"centrePhotos", {centre, centre}},
        {"gridPhotos", {grid, grid}}, {"thresholds", {60, 60}},        {"patternType", 0},
        {"channelCount", 2},          {"boundary", boundary}};
    const std::string path = folder.WriteBytes("job.json", job.dump());
    const ToolRun run = RunTool("warp " + path);
    ASSERT_EQ(run.exitCode, 0);
    const json answer = json::parse(run.out);
    EXPECT_EQ(answer["status"], 0);
    EXPECT_EQ(answer["channel"], 0);
    EXPECT_EQ(answer["photoSize"], json::array({1440, 810}));
    ASSERT_EQ(answer["warps"].size(), 2u);
    ASSERT_EQ(answer["warps"][0].size(), 65u * 49u);
    ASSERT_EQ(answer["figures"].size(), 2u);
    EXPECT_EQ(answer["figures"][0]["blocksFound"], 32 * 24);
    EXPECT_EQ(answer["figures"][1]["blocksExpected"], 32 * 24);
    const json last = answer["warps"][1][65 * 49 - 1];
    EXPECT_NEAR(last[0].get<double>(), 1024.0, 2.0);
    EXPECT_NEAR(last[1].get<double>(), 768.0, 2.0);
}

}  // namespace
