#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "sim_commands.h"
#include "wallsim/geometry.h"
#include "wallsim/scene.h"
#include "warp_input.h"

namespace wallsim::tool {
namespace {

using nlohmann::json;

std::string Temp(const std::string& name) {
    return ::testing::TempDir() + std::to_string(::getpid()) + "-" + name;
}
const std::string kWall = std::string(WALLSIM_SCENE_DIR) + "/wall-3x2-1024.json";
const std::string kStacked = std::string(WALLSIM_SCENE_DIR) + "/stacked-2x1080.json";

std::vector<cv::Point2f> IdentityGrid(int w, int h) {
    std::vector<cv::Point2f> g;
    for (int i = 0; i < (h + 15) / 16 + 1; ++i)
        for (int j = 0; j < (w + 15) / 16 + 1; ++j)
            g.emplace_back(static_cast<float>(std::min(16 * j, w)), static_cast<float>(std::min(16 * i, h)));
    return g;
}

TEST(WallsimPhoto, WhiteOfOneProjectorLightsItsFootprintOnly) {
    std::string out = Temp("white.bmp");
    ASSERT_EQ(PhotoCommand({kWall, out, "--show", "white", "--projector", "127.0.0.15", "--exposure", "-6"}),
              0);
    cv::Mat photo = cv::imread(out);
    ASSERT_EQ(photo.size(), cv::Size(1920, 1080));
    Scene s;
    std::string error;
    ASSERT_TRUE(LoadSceneFile(kWall, &s, &error));
    SceneOptics o(s);
    cv::Point2d inside = o.PanelToPicture(4, {512, 384}), other = o.PanelToPicture(0, {512, 384});
    EXPECT_GT(photo.at<cv::Vec3b>(cv::Point(inside))[1], 60);
    EXPECT_LT(photo.at<cv::Vec3b>(cv::Point(other))[1], 20);
    ASSERT_EQ(PhotoCommand({kWall, out, "--show", "grid", "--projector", "2"}), 0);
    EXPECT_NE(PhotoCommand({kWall, out, "--show", "stripes"}), 0);
    EXPECT_NE(PhotoCommand({kWall, out, "--projector", "127.0.0.99"}), 0);
    EXPECT_NE(PhotoCommand({kWall, "/nonexistent/dir/x.bmp"}), 0);
}

TEST(WallsimMeasure, IdentityWarpFileMatchesTheDefaultAndBadFilesAreNamed) {
    Scene s;
    std::string error;
    ASSERT_TRUE(LoadSceneFile(kStacked, &s, &error));
    json warps = {{"status", 0}, {"warps", json::array()}};
    for (const auto& p : s.projectors) {
        json g = json::array();
        for (auto& q : IdentityGrid(p.width, p.height)) g.push_back({q.x, q.y});
        warps["warps"].push_back(g);
    }
    std::string wf = Temp("warps.json");
    std::ofstream(wf) << warps.dump();
    auto run = [](const std::vector<std::string>& args) {
        ::testing::internal::CaptureStdout();
        int rc = MeasureCommand(args);
        std::string out = ::testing::internal::GetCapturedStdout();
        return std::make_pair(rc, out);
    };
    auto [rc1, plain] = run({kStacked});
    auto [rc2, withWarps] = run({kStacked, "--warps", wf});
    ASSERT_EQ(rc1, 0);
    ASSERT_EQ(rc2, 0);
    json a = json::parse(plain), b = json::parse(withWarps);
    ASSERT_EQ(a["misregistration"].size(), 1u);
    EXPECT_NEAR(a["misregistration"][0]["rms"].get<double>(), b["misregistration"][0]["rms"].get<double>(),
                1e-3);
    EXPECT_GT(a["misregistration"][0]["rms"].get<double>(), 1.0);

    // A warp list of the wrong length is named.
    warps["warps"].erase(1);
    std::ofstream(wf) << warps.dump();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MeasureCommand({kStacked, "--warps", wf}), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("warps: expected one grid per projector"),
              std::string::npos);

    // A bad scene file gives the field.
    std::string bad = Temp("bad-scene.json");
    std::ofstream(bad)
        << R"({"screen": {"width": 10, "height": 10}, "projectors": [{"address": "127.0.0.1"}], "camera": {}})";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MeasureCommand({bad}), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("projectors[0].panel: missing"),
              std::string::npos);
}

TEST(WallsimScene, RandomScenesRepeatAndCheck) {
    auto random = [](const std::string& seed) {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(SceneCommand({"random", seed}), 0);
        return ::testing::internal::GetCapturedStdout();
    };
    std::string a = random("77");
    EXPECT_EQ(a, random("77"));
    EXPECT_NE(a, random("78"));
    std::string f = Temp("random.json");
    std::ofstream(f) << a;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(SceneCommand({"check", f}), 0);
    ::testing::internal::GetCapturedStdout();
}

TEST(WarpInput, IdentityGridGivesTheIdentityLatticeOnThePanel) {
    SourceLattice l = LatticeFromWarpGrid(IdentityGrid(1920, 1080), 1920, 1080);
    SourceLattice id = SourceLattice::Identity();
    for (int r = 0; r <= 67; ++r)
        for (int k = 4; k <= 124; ++k) {
            EXPECT_NEAR(l.At(k, r).x, id.At(k, r).x, 1e-3);
            EXPECT_NEAR(l.At(k, r).y, id.At(k, r).y, 1e-3);
        }
}

}  // namespace
}  // namespace wallsim::tool
