#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "wallsim/geometry.h"
#include "wallsim/random_scene.h"
#include "wallsim/scene.h"

namespace wallsim {
namespace {

using nlohmann::json;

json GoodScene() {
    return json::parse(R"({
      "screen": {"width": 2000, "height": 1200},
      "layout": {"mode": 0, "layers": 2},
      "projectors": [
        {"address": "127.0.0.100", "panel": [1920, 1080], "layer": 0,
         "corners": [[100, 100], [1900, 120], [1880, 1100], [110, 1080]]},
        {"address": "127.0.0.101", "panel": [1920, 1080], "layer": 1, "distortion": 0.01,
         "corners": [[90, 110], [1890, 100], [1900, 1090], [100, 1100]]}
      ],
      "camera": {"screenCorners": [[200, 100], [1700, 140], [1720, 980], [180, 960]], "noise": 0.5}
    })");
}

std::string ErrorOf(const json& j) {
    Scene s;
    std::string error;
    EXPECT_FALSE(ParseScene(j.dump(), &s, &error));
    return error;
}

TEST(SceneFile, ReadsAGoodSceneAndWritesItBack) {
    Scene s;
    std::string error;
    ASSERT_TRUE(ParseScene(GoodScene().dump(), &s, &error)) << error;
    ASSERT_EQ(s.projectors.size(), 2u);
    EXPECT_EQ(s.projectors[1].layer, 1);
    EXPECT_DOUBLE_EQ(s.projectors[1].distortion, 0.01);
    EXPECT_DOUBLE_EQ(s.camera.noise, 0.5);
    EXPECT_EQ(s.camera.width, 1920);
    Scene again;
    ASSERT_TRUE(ParseScene(SceneToJson(s), &again, &error)) << error;
    EXPECT_EQ(SceneToJson(again), SceneToJson(s));
}

TEST(SceneFile, ANumberBeyondADoubleIsAnErrorNotAnAbort) {
    Scene scene;
    std::string error;
    EXPECT_FALSE(ParseScene(R"({"camera": {"distortion": 0.01930793E616553602}})", &scene, &error));
    EXPECT_NE(error.find("not valid JSON"), std::string::npos) << error;
}

TEST(SceneFile, ErrorsNameTheBadField) {
    json j = GoodScene();
    j["projectors"][1].erase("corners");
    EXPECT_EQ(ErrorOf(j), "projectors[1].corners: missing");

    j = GoodScene();
    j["projectors"][0]["corners"] = {{0, 0}, {10, 0}, {10, 10}};
    EXPECT_NE(ErrorOf(j).find("projectors[0].corners:"), std::string::npos);

    j = GoodScene();
    j["projectors"][0]["corners"] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};  // twisted
    EXPECT_NE(ErrorOf(j).find("convex"), std::string::npos);

    j = GoodScene();
    j["projectors"][1]["address"] = "192.168.0.5";
    EXPECT_NE(ErrorOf(j).find("projectors[1].address"), std::string::npos);

    j = GoodScene();
    j["projectors"][1]["address"] = "127.0.0.100";
    EXPECT_EQ(ErrorOf(j), "projectors[1].address: used by two projectors");

    j = GoodScene();
    j["projectors"][0]["panel"] = {1920, "tall"};
    EXPECT_NE(ErrorOf(j).find("projectors[0].panel"), std::string::npos);

    j = GoodScene();
    j["projectors"][1]["panel"] = {1280, 800};
    EXPECT_NE(ErrorOf(j).find("projectors[1].panel: differs"), std::string::npos);

    j = GoodScene();
    j["camera"]["blur"] = -1;
    EXPECT_NE(ErrorOf(j).find("camera.blur: value -1 outside"), std::string::npos);

    j = GoodScene();
    j["camera"]["nosie"] = 1;
    EXPECT_EQ(ErrorOf(j), "camera.nosie: unknown field");

    j = GoodScene();
    j["projectors"][1]["layer"] = 2;  // only two layers
    EXPECT_NE(ErrorOf(j).find("projectors[1].layer"), std::string::npos);

    j = GoodScene();
    j.erase("screen");
    EXPECT_EQ(ErrorOf(j), "screen: missing");

    Scene s;
    std::string error;
    EXPECT_FALSE(ParseScene("{\"screen\": ", &s, &error));
    EXPECT_NE(error.find("not valid JSON"), std::string::npos);
    EXPECT_FALSE(LoadSceneFile("/nonexistent/scene.json", &s, &error));
    EXPECT_NE(error.find("/nonexistent/scene.json"), std::string::npos);
}

TEST(SceneGeometry, CornersLandWhereTheSceneSays) {
    Scene s;
    std::string error;
    ASSERT_TRUE(ParseScene(GoodScene().dump(), &s, &error));
    s.camera.distortion = 0.05;
    SceneOptics o(s);
    for (size_t i = 0; i < s.projectors.size(); ++i) {
        const auto& p = s.projectors[i];
        cv::Point2d panel[4] = {
            {0, 0}, {double(p.width), 0}, {double(p.width), double(p.height)}, {0, double(p.height)}};
        for (int k = 0; k < 4; ++k) {
            cv::Point2d sc = o.projectors[i].PanelToScreen(panel[k]);
            EXPECT_NEAR(sc.x, p.corners[k].x, 1e-6);
            EXPECT_NEAR(sc.y, p.corners[k].y, 1e-6);
            cv::Point2d back = o.projectors[i].ScreenToPanel(sc);
            EXPECT_NEAR(back.x, panel[k].x, 1e-6);
        }
    }
    cv::Point2d screen[4] = {
        {0, 0}, {s.screenWidth, 0}, {s.screenWidth, s.screenHeight}, {0, s.screenHeight}};
    for (int k = 0; k < 4; ++k) {
        cv::Point2d pic = o.camera.ScreenToPicture(screen[k]);
        EXPECT_NEAR(pic.x, s.camera.screenCorners[k].x, 1e-6);
        EXPECT_NEAR(pic.y, s.camera.screenCorners[k].y, 1e-6);
    }
    // Distortion bends the inside: the middle of an edge moves, and the inverse undoes it.
    cv::Point2d mid = o.camera.ScreenToPicture({s.screenWidth / 2, 0});
    cv::Point2d back = o.camera.PictureToScreen(mid);
    EXPECT_NEAR(back.x, s.screenWidth / 2, 1e-6);
    EXPECT_NEAR(back.y, 0, 1e-6);
}

TEST(RandomScenes, SameSeedSameSceneAndWithinBounds) {
    for (uint64_t seed : {1ull, 7ull, 123456ull}) {
        Scene a = RandomScene(seed), b = RandomScene(seed);
        EXPECT_EQ(SceneToJson(a), SceneToJson(b));
        // Every random scene is a valid scene file.
        Scene read;
        std::string error;
        ASSERT_TRUE(ParseScene(SceneToJson(a), &read, &error)) << error;
        // Every panel corner stays inside the screen and every screen corner inside the picture.
        for (const auto& p : a.projectors)
            for (const auto& c : p.corners) {
                EXPECT_GT(c.x, 0);
                EXPECT_LT(c.x, a.screenWidth);
                EXPECT_GT(c.y, 0);
                EXPECT_LT(c.y, a.screenHeight);
            }
        for (const auto& c : a.camera.screenCorners) {
            EXPECT_GT(c.x, 0);
            EXPECT_LT(c.x, a.camera.width);
            EXPECT_GT(c.y, 0);
            EXPECT_LT(c.y, a.camera.height);
        }
    }
    EXPECT_NE(SceneToJson(RandomScene(1)), SceneToJson(RandomScene(2)));
}

TEST(ShippedScenes, AllLoad) {
    for (const char* name :
         {"stacked-2x1080.json", "blend-2x1080.json", "wall-3x2-1024.json", "blend-2-stacked-2.json"}) {
        Scene s;
        std::string error;
        EXPECT_TRUE(LoadSceneFile(std::string(WALLSIM_SCENE_DIR) + "/" + name, &s, &error)) << error;
    }
}

}  // namespace
}  // namespace wallsim
