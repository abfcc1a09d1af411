// `vantiscore boundary JOB.json`: the job file's parsing and the program's
// answers, success and failure.
#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <opencv2/imgproc.hpp>

#include "boundary_job.h"
#include "synthetic_photos.h"
#include "tool_run.h"

namespace vantiscore::tool {
namespace {

using nlohmann::json;
using synthetic::TempFolder;

cv::Mat Photo(bool lit) {
    cv::Mat photo(cv::Size(1280, 720), CV_8UC3, cv::Scalar::all(10));
    if (lit) cv::rectangle(photo, cv::Rect(200, 120, 880, 480), cv::Scalar::all(200), cv::FILLED);
    return photo;
}

TEST(BoundaryJob, ParsesTheWarpJobShapeAndItsOwnKey) {
    std::string error;
    const auto job = ParseBoundaryJob(
        R"({"blackPhoto": "b.png", "whitePhotos": ["w1.png", "/abs/w2.png"], "centrePhotos": [], "gridPhotos": [],
            "thresholds": [40, 40], "patternType": 3, "warpingMode": 1, "layoutColumns": 2, "overlapX": 320,
            "keepAspect": true})",
        "/jobs", &error);
    ASSERT_TRUE(job) << error;
    EXPECT_EQ(job->blackPhoto, "/jobs/b.png");
    EXPECT_EQ(job->whitePhotos[1], "/abs/w2.png");
    EXPECT_EQ(job->channelCount, 2) << "the white photos count the channels";
    EXPECT_EQ(job->layoutColumns, 2);
    EXPECT_EQ(job->layoutRows, 1);
    EXPECT_EQ(job->overlapX, 320);
    EXPECT_TRUE(job->keepAspect);

    for (const char* bad : {R"([1, 2])", R"({"whitePhotos": [], "patternType": 3})",
                            R"({"blackPhoto": "b", "whitePhotos": [["a", "b"]], "patternType": 3})",
                            R"({"blackPhoto": "b", "whitePhotos": [], "patternType": 2.5})",
                            R"({"blackPhoto": "b", "whitePhotos": [], "patternType": 3, "keepAspect": 1})",
                            R"({"blackPhoto": "b", "whitePhotos": []})", "{"}) {
        EXPECT_FALSE(ParseBoundaryJob(bad, "/", &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(BoundaryJob, ToolPrintsTheBoundaryOrAClearFailure) {
    TempFolder folder;
    folder.Write("black.png", Photo(false));
    folder.Write("white.png", Photo(true));
    folder.WriteBytes("job.json",
                      R"({"blackPhoto": "black.png", "whitePhotos": ["white.png"], "patternType": 3})");
    ToolRun run = RunTool("boundary " + folder.Path("job.json"));
    ASSERT_EQ(run.exitCode, 0) << run.out;
    json answer = json::parse(run.out);
    EXPECT_EQ(answer["status"], kBoundaryOk);
    ASSERT_EQ(answer["boundary"].size(), std::size_t(kBoundaryColumns * kBoundaryRows));
    const auto& first = answer["boundary"][0];
    EXPECT_NEAR(first[0].get<double>(), 200 + 4.8, 2.5);
    EXPECT_NEAR(first[1].get<double>(), 120 + 4.8, 2.5);
    EXPECT_NEAR(answer["aspectRatio"].get<double>(), 1920.0 / 1080, 0.03);

    folder.WriteBytes("dark.json",
                      R"({"blackPhoto": "black.png", "whitePhotos": ["black.png"], "patternType": 3})");
    run = RunTool("boundary " + folder.Path("dark.json"));
    EXPECT_EQ(run.exitCode, 1);
    answer = json::parse(run.out);
    EXPECT_EQ(answer["status"], kBoundaryNoLight);
    EXPECT_EQ(answer["channel"], 1);
    EXPECT_TRUE(answer["boundary"].empty());

    folder.WriteBytes("broken.json", R"({"blackPhoto": 7})");
    EXPECT_EQ(RunTool("boundary " + folder.Path("broken.json")).exitCode, 2);
    EXPECT_EQ(RunTool("boundary " + folder.Path("missing.json")).exitCode, 2);
}

}  // namespace
}  // namespace vantiscore::tool
