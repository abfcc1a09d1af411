// Wall time and peak memory of AutoWarpCalThreshold on two 1920 x 1080 photos
// and of the detection of one channel (white, centre and grid photo) at the
// working size; wall time of the local fit of one channel's block centres. The photos are drawn: a 1920 x
// 1080 panel seen head-on at 80 % of a 1920 x 1080 camera picture, with a little sensor noise.
//
// peak_rss_MB is the process's highest resident memory; peak_above_start_MB
// is that peak minus the memory resident before the measured calls, i.e. what
// the operation itself needed at most (meaningful when each benchmark runs
// in its own process, see bench/engine/CMakeLists.txt).
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "detection.h"
#include "grid_check.h"
#include "pattern_table.h"
#include "synthetic_photos.h"
#include "warping.h"

namespace {

using namespace vantiscore;

synthetic::PanelView View() {
    synthetic::PanelView view;
    view.info = AutoWarpGetPatternInfo(false, 3);
    view.photoSize = {1920, 1080};
    view.origin = {192, 108};
    view.scale = 0.8f;
    return view;
}

cv::Mat Noisy(cv::Mat photo) {
    cv::Mat noise(photo.size(), photo.type());
    cv::RNG rng(7);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 12);
    return photo + noise;
}

struct Photos {
    synthetic::TempFolder folder;
    std::string black, white, centre, grid;
    Photos() {
        const synthetic::PanelView view = View();
        black = folder.Write("black.bmp", Noisy(synthetic::BlackPhoto(view)));
        white = folder.Write("white.bmp", Noisy(synthetic::WhitePhoto(view)));
        centre = folder.Write("centre.bmp", Noisy(synthetic::CentrePhoto(view)));
        grid = folder.Write("grid.bmp", Noisy(synthetic::GridPhoto(view)));
    }
};

// Resident memory now, from /proc/self/statm.
double CurrentRssMegabytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Highest resident memory of the process so far.
double PeakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void CalThreshold(benchmark::State& state) {
    const Photos photos;
    const double before = CurrentRssMegabytes();
    double threshold = 0;
    for (auto _ : state) {
        cv::Mat difference;
        if (AutoWarpCalThreshold(photos.black, photos.white, &difference, &threshold, 0) != 0) {
            state.SkipWithError("threshold failed");
        }
        benchmark::DoNotOptimize(difference.data);
    }
    state.counters["threshold"] = threshold;
    state.counters["peak_rss_MB"] = PeakRssMegabytes();
    state.counters["peak_above_start_MB"] = PeakRssMegabytes() - before;
}
BENCHMARK(CalThreshold)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly();

void DetectOneChannel(benchmark::State& state) {
    const Photos photos;
    const PatternInfo info = AutoWarpGetPatternInfo(false, 3);
    double threshold = 0;
    cv::Mat difference;
    AutoWarpCalThreshold(photos.black, photos.white, &difference, &threshold, 0);
    const std::vector<std::string> whites{photos.white}, centres{photos.centre}, grids{photos.grid};
    const std::vector<double> thresholds{threshold};
    const BoundaryGrid boundary;
    const WarpJob job{photos.black,     whites, centres, grids, thresholds, 3, 1,
                      kWarpingStacking, 1,      1,       0,     0,          1, boundary};
    const double before = CurrentRssMegabytes();
    std::size_t blocks = 0;
    for (auto _ : state) {
        ChannelDetection detection;
        std::int32_t photoSize[2] = {};
        if (DetectChannel(job, 0, info, photoSize, &detection).status != kWarpOk) {
            state.SkipWithError("detection failed");
        }
        blocks = detection.blocks.size();
    }
    state.counters["blocks"] = static_cast<double>(blocks);
    state.counters["peak_rss_MB"] = PeakRssMegabytes();
    state.counters["peak_above_start_MB"] = PeakRssMegabytes() - before;
}
BENCHMARK(DetectOneChannel)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The local fit that smooths one channel's centroids and places its ring of
// virtual blocks, window chosen by leave-one-out error, on the largest
// pattern (40 x 25 blocks, type 1) with centroid noise of a third of a pixel.
void FittedRingOneChannel(benchmark::State& state) {
    const PatternInfo info = PatternInfoFor(false, 1);
    const BlockLayout layout = BlockLayout::FromPattern(info);
    const std::vector<cv::Point2f> ideal = IdealCentres(info, kCentresCentroid);
    cv::RNG rng(1);
    std::vector<cv::Point2f> centres;
    for (const cv::Point2f& p : ideal)
        centres.emplace_back(
            900.0f + 2.1f * p.x + static_cast<float>(rng.gaussian(0.33)),
            700.0f + 2.1f * p.y + 0.0001f * p.x * p.y + static_cast<float>(rng.gaussian(0.33)));
    const std::vector<bool> found(centres.size(), true);
    for (auto _ : state) {
        const RingedGrid ringed = FittedRing(centres, found, ideal, layout, info);
        benchmark::DoNotOptimize(ringed.centres.data());
    }
    state.counters["blocks"] = static_cast<double>(centres.size());
}
BENCHMARK(FittedRingOneChannel)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
