#include <benchmark/benchmark.h>

#include <string>

#include <opencv2/core/utility.hpp>

#include "wallsim/wall.h"

namespace {

using namespace wallsim;

Scene WallScene() {
    Scene s;
    std::string error;
    if (!LoadSceneFile(std::string(WALLSIM_SCENE_DIR) + "/wall-3x2-1024.json", &s, &error)) std::abort();
    return s;
}

// Remap tables of the scene: done once when a wall starts.
void BM_PrepareScene(benchmark::State& state) {
    Scene s = WallScene();
    for (auto _ : state) {
        PhotoRenderer r(s);
        benchmark::DoNotOptimize(r.Footprint(0));
    }
}
BENCHMARK(BM_PrepareScene)->Unit(benchmark::kMillisecond);

// One 1920 x 1080 photo of all six projectors showing the warped, blended picture.
void BM_PhotoOfWall(benchmark::State& state) {
    Wall wall(WallScene());
    std::vector<PanelState> panels = wall.ShowStates(Show::Picture, -1);
    uint64_t frame = 0;
    wall.Photo(panels);  // panel images and dense warp maps cached, as in a running wall
    for (auto _ : state) benchmark::DoNotOptimize(wall.Photo(panels, {}, ++frame));
}
BENCHMARK(BM_PhotoOfWall)->Unit(benchmark::kMillisecond);

// The same photo when every board's lattice changed since the last one.
void BM_PhotoOfWallNewWarps(benchmark::State& state) {
    Wall wall(WallScene());
    std::vector<PanelState> panels = wall.ShowStates(Show::Picture, -1);
    uint64_t frame = 0;
    for (auto _ : state) {
        for (auto& p : panels) p.lattice.nodes[0].x += 0.25f;
        benchmark::DoNotOptimize(wall.Photo(panels, {}, ++frame));
    }
}
BENCHMARK(BM_PhotoOfWallNewWarps)->Unit(benchmark::kMillisecond);

// One frame of the virtual camera while the light holds still (the camera
// streams at its frame rate whether or not anyone photographs): the light is
// cached, only the camera's response and noise are new.
void BM_CameraFrameOfSteadyLight(benchmark::State& state) {
    Wall wall(WallScene());
    const cv::Mat light = wall.renderer().Optics(wall.Light(wall.ShowStates(Show::Picture, -1)));
    uint64_t frame = 0;
    for (auto _ : state) benchmark::DoNotOptimize(wall.renderer().Respond(light, {}, ++frame));
}
BENCHMARK(BM_CameraFrameOfSteadyLight)->Unit(benchmark::kMillisecond);

// Ground-truth figures of the wall (seams, blend sums, outline) from the boards' lattices.
void BM_MeasureWall(benchmark::State& state) {
    Wall wall(WallScene());
    std::vector<PanelState> panels = wall.ShowStates(Show::Picture, -1);
    for (size_t i = 0; i < panels.size(); ++i)
        panels[i].blend = LayoutBlendZones(wall.scene(), static_cast<int>(i));
    TruthOptions opt;
    const auto& c = wall.scene().camera.screenCorners;
    opt.target = OutlineOnScreen(wall.scene(), {c[0] + cv::Point2d(80, 80), c[1] + cv::Point2d(-80, 80),
                                                c[2] + cv::Point2d(-80, -80), c[3] + cv::Point2d(80, -80)});
    for (auto _ : state) benchmark::DoNotOptimize(wall.Measure(panels, opt));
}
BENCHMARK(BM_MeasureWall)->Unit(benchmark::kMillisecond);

}  // namespace

// Single-threaded OpenCV, so that CPU time is the whole work even on a busy machine.
int main(int argc, char** argv) {
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
