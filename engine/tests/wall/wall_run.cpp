// Calibrates simulated walls with the engine and prints the alignment figures.
//
//   wall_calibrate SCENE.json...         shipped or hand-made scenes
//   wall_calibrate --random FIRST COUNT  random scenes of seeds FIRST..FIRST+COUNT-1
//
// One JSON line per scene: the engine's status, and the figures of the
// computed warps next to those of the identity warps.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "wall_capture.h"
#include "wall_measure.h"
#include "wall_lattice.h"
#include "wallsim/random_scene.h"

namespace {

using namespace vantiscore;
using namespace vantiscore::wall;

void Report(const wallsim::Scene& scene, const std::string& label) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("wall-calibrate-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    CaptureJob job;
    std::string error;
    if (!CaptureScene(scene, folder.string(), &job, &error)) {
        std::printf("{\"scene\": \"%s\", \"error\": \"%s\"}\n", label.c_str(), error.c_str());
        std::filesystem::remove_all(folder);
        return;
    }
    std::vector<WarpGrid> warps;
    cv::Size photoSize;
    const auto start = std::chrono::steady_clock::now();
    const WarpResult result = ComputeSceneWarps(job, &warps, &photoSize);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(folder);

    const PatternInfo info = AutoWarpGetPatternInfo(false, job.patternType);
    std::vector<ChannelMap> identity, computed, downloaded;
    WarpGrid identityGrid;
    AutoWarpInitWarping(&identityGrid, job.patternType);
    for (int k = 0; k < job.channelCount; ++k) identity.push_back(ChannelMap::FromWarp(identityGrid, info));
    std::string figures = "null", lattice = "null";
    if (result.status == kWarpOk && static_cast<int>(warps.size()) == job.channelCount) {
        for (const WarpGrid& warp : warps) computed.push_back(ChannelMap::FromWarp(warp, info));
        figures = FiguresJson(Measure(scene, job, computed));
        if (LatticeChainAvailable()) {
            for (const WarpGrid& warp : warps) downloaded.push_back(ChannelMap::FromLattice(DownloadedLattice(warp, info), info));
            lattice = FiguresJson(Measure(scene, job, downloaded));
        }
    }
    std::string thresholds;
    for (double t : job.thresholds) thresholds += (thresholds.empty() ? "" : ", ") + std::to_string(t);
    std::printf("{\"scene\": \"%s\", \"mode\": %d, \"channels\": %d, \"type\": %d, \"status\": %d, \"failedChannel\": %d, "
                "\"seconds\": %.2f, \"thresholds\": [%s], \"warp\": %s, \"downloaded\": %s, \"identity\": %s}\n",
                label.c_str(), job.warpingMode, job.channelCount, job.patternType, result.status, result.channel,
                seconds, thresholds.c_str(), figures.c_str(), lattice.c_str(),
                FiguresJson(Measure(scene, job, identity)).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--random") {
        const unsigned long first = std::stoul(argv[2]);
        const unsigned long count = std::stoul(argv[3]);
        for (unsigned long seed = first; seed < first + count; ++seed)
            Report(wallsim::RandomScene(seed), "random-" + std::to_string(seed));
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: wall_calibrate SCENE.json... | --random FIRST COUNT\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        wallsim::Scene scene;
        std::string error;
        if (!wallsim::LoadSceneFile(argv[i], &scene, &error)) {
            std::fprintf(stderr, "%s: %s\n", argv[i], error.c_str());
            return 1;
        }
        Report(scene, std::filesystem::path(argv[i]).stem().string());
    }
    return 0;
}
