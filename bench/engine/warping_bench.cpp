// AutoDoImageWarping on the photo sets of the shipped scenes of the simulated
// wall: wall time per call and per channel, and the peak resident memory of
// the call. The photos are rendered once per scene before timing.
//
// Peak memory: the kernel's high-water mark of this process is reset right
// before each call (/proc/self/clear_refs, 5) and read right after it
// (VmHWM), so the figure is the process's resident size at the call's worst
// moment, including what was resident before it (reported as rss_before_MB).
//
// BM_EightChannels does the same on the first random wall with eight
// projectors. BM_RandomWalls calibrates the random walls 1 to
// VANTIS_BENCH_RANDOM_WALLS (skipped when unset; 60 for the figures in the
// README) and counts walls right (both the stacking and the seam RMS within
// 1.5 panel px), refused with a failure status and wrong with success, and
// the median RMS and 90th percentile of the maximum over the walls that
// succeed (as downloaded into the boards). It renders every wall: minutes.
//
//   bench_engine_warping --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//   VANTIS_BENCH_RANDOM_WALLS=60 bench_engine_warping --benchmark_filter=RandomWalls
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include <algorithm>
#include <cstdlib>

#include "wall_capture.h"
#include "wall_lattice.h"
#include "wall_truth.h"
#include "wallsim/random_scene.h"

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

// The first random wall with eight projectors.
std::uint64_t EightChannelSeed() {
    for (std::uint64_t seed = 1; seed < 1000; ++seed)
        if (wallsim::RandomScene(seed).projectors.size() == 8) return seed;
    return 0;
}

// The photo set of a scene (shipped, or "random-N"), captured on first use.
SceneSet& Captured(const std::string& name) {
    static std::map<std::string, std::unique_ptr<SceneSet>> sets;
    auto& set = sets[name];
    if (set) return *set;
    set = std::make_unique<SceneSet>();
    wallsim::Scene scene;
    if (name.rfind("random-", 0) == 0)
        scene = wallsim::RandomScene(std::stoull(name.substr(7)));
    else if (!wallsim::LoadSceneFile(std::string(WALLSIM_SCENE_DIR) + "/" + name + ".json", &scene,
                                     &set->error))
        return *set;
    set->folder =
        std::filesystem::temp_directory_path() / ("bench-warping-" + std::to_string(::getpid()) + "-" + name);
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
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_AutoDoImageWarping, blend_2x1080, std::string("blend-2x1080"))
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_AutoDoImageWarping, blend_2_stacked_2, std::string("blend-2-stacked-2"))
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_AutoDoImageWarping, wall_3x2_1024, std::string("wall-3x2-1024"))
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_EightChannels(benchmark::State& state) {
    const std::uint64_t seed = EightChannelSeed();
    if (seed == 0) {
        state.SkipWithError("no random wall with eight projectors");
        return;
    }
    state.counters["seed"] = static_cast<double>(seed);
    BM_AutoDoImageWarping(state, "random-" + std::to_string(seed));
}
BENCHMARK(BM_EightChannels)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

void BM_RandomWalls(benchmark::State& state) {
    const char* count = std::getenv("VANTIS_BENCH_RANDOM_WALLS");
    if (count == nullptr || std::atoi(count) <= 0) {
        state.SkipWithError("set VANTIS_BENCH_RANDOM_WALLS to the number of walls");
        return;
    }
    const int walls = std::atoi(count);
    int right = 0, refused = 0, wrong = 0;
    std::vector<double> rms, max;
    for (auto _ : state) {
        for (int seed = 1; seed <= walls; ++seed) {
            const wallsim::Scene scene = wallsim::RandomScene(static_cast<std::uint64_t>(seed));
            SceneSet set;
            set.folder = std::filesystem::temp_directory_path() /
                         ("bench-random-" + std::to_string(::getpid()) + "-" + std::to_string(seed));
            std::filesystem::create_directories(set.folder);
            if (!wall::CaptureScene(scene, set.folder.string(), &set.job, &set.error)) continue;
            std::vector<WarpGrid> warps;
            cv::Size photoSize;
            if (wall::ComputeSceneWarps(set.job, &warps, &photoSize).status != kWarpOk) {
                ++refused;
                continue;
            }
            const wall::WorstFigures worst = wall::Worst(wall::MeasureWarps(
                scene, set.job, warps,
                wall::LatticeChainAvailable() ? wall::WarpRoute::Downloaded : wall::WarpRoute::AsComputed));
            const double wallRms = std::max(worst.stacking.rms, worst.seam.rms);
            (wallRms <= 1.5 ? right : wrong) += 1;
            rms.push_back(wallRms);
            max.push_back(std::max(worst.stacking.max, worst.seam.max));
        }
    }
    state.counters["walls"] = walls;
    state.counters["right"] = right;
    state.counters["refused"] = refused;
    state.counters["wrong"] = wrong;
    state.counters["median_rms_px"] = Percentile(rms, 0.5);
    state.counters["median_max_px"] = Percentile(max, 0.5);
    state.counters["p90_max_px"] = Percentile(max, 0.9);
}
BENCHMARK(BM_RandomWalls)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
