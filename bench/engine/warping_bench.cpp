// AutoDoImageWarping on the photo sets of the shipped scenes of the simulated
// wall: wall time per call and per channel, and the peak resident memory of
// the call. The photos are rendered once per scene before timing.
//
// Peak memory: the kernel's high-water mark of this process is reset right
// before each call (/proc/self/clear_refs, 5) and read right after it
// (VmHWM), so the figure is the process's resident size at the call's worst
// moment, including what was resident before it (reported as rss_before_MB).
//
//   bench_engine_warping --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "wall_capture.h"

namespace {

using namespace vantiscore;

// A status line of /proc/self/status in megabytes, or -1.
double StatusMegabytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) != 0) continue;
        return std::stod(line.substr(key.size() + 1)) / 1024.0;  // kB
    }
    return -1.0;
}

bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

struct SceneSet {
    std::filesystem::path folder;
    wall::CaptureJob job;
    std::string error;
    ~SceneSet() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
};

// The photo set of a scene, captured on first use.
SceneSet& Captured(const std::string& name) {
    static std::map<std::string, std::unique_ptr<SceneSet>> sets;
    auto& set = sets[name];
    if (set) return *set;
    set = std::make_unique<SceneSet>();
    wallsim::Scene scene;
    if (!wallsim::LoadSceneFile(std::string(WALLSIM_SCENE_DIR) + "/" + name + ".json", &scene, &set->error))
        return *set;
    set->folder = std::filesystem::temp_directory_path() / ("bench-warping-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::create_directories(set->folder);
    if (!wall::CaptureScene(scene, set->folder.string(), &set->job, &set->error) && set->error.empty())
        set->error = "capture failed";
    return *set;
}

void BM_AutoDoImageWarping(benchmark::State& state, const std::string& scene) {
    SceneSet& set = Captured(scene);
    if (!set.error.empty()) {
        state.SkipWithError(set.error.c_str());
        return;
    }
    const bool peakResets = ResetPeak();
    double peak = 0.0;
    double before = 0.0;
    int status = 0;
    for (auto _ : state) {
        std::vector<WarpGrid> warps;
        cv::Size photoSize;
        state.PauseTiming();
        before = StatusMegabytes("VmRSS");
        ResetPeak();
        state.ResumeTiming();
        const WarpResult result = wall::ComputeSceneWarps(set.job, &warps, &photoSize);
        state.PauseTiming();
        peak = std::max(peak, StatusMegabytes("VmHWM"));
        status = result.status;
        state.ResumeTiming();
        benchmark::DoNotOptimize(warps.data());
    }
    if (status != kWarpOk) state.SkipWithError(("status " + std::to_string(status)).c_str());
    const int channels = set.job.channelCount;
    state.counters["channels"] = channels;
    state.counters["s_per_channel"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * channels,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_MB"] = peakResets ? peak : -1.0;
    state.counters["rss_before_MB"] = before;
}

BENCHMARK_CAPTURE(BM_AutoDoImageWarping, stacked_2x1080, std::string("stacked-2x1080"))
    ->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_AutoDoImageWarping, blend_2x1080, std::string("blend-2x1080"))
    ->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_AutoDoImageWarping, blend_2_stacked_2, std::string("blend-2-stacked-2"))
    ->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_AutoDoImageWarping, wall_3x2_1024, std::string("wall-3x2-1024"))
    ->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
