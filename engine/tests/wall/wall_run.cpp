// Calibrates simulated walls with the engine and prints the ground-truth figures.
//
//   wall_calibrate [--detail] [--box] [--follow-warp] SCENE.json...         shipped or hand-made scenes
//   wall_calibrate [--detail] [--box] [--follow-warp] --random FIRST COUNT  random scenes of seeds
//                                                                           FIRST..FIRST+COUNT-1
//   wall_calibrate --keep DIR SCENE.json                    also keep the photos and a job file for
//                                                           `vantiscore warp DIR/job.json` in DIR
//
// One JSON line per scene: the engine's status and seconds, its figures per
// channel, and the worst ground-truth figures (panel pixels) of the warps as
// computed, as downloaded into the boards (when this build has the model and
// link conversion) and of the identity warps for comparison. --detail adds
// the full truth reports; --box measures block centres by their boxes
// instead of their centroids; --follow-warp gives the blend zones in panel
// pixels where the picture's overlap lands (default.ini [BLEND] FOLLOW_WARP=1),
// for scenes whose boards blend after the warp.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "wall_capture.h"
#include "wall_lattice.h"
#include "wall_truth.h"
#include "wallsim/random_scene.h"

namespace {

using namespace vantiscore;
using namespace vantiscore::wall;

// The job in the form `vantiscore warp` reads.
void WriteJobFile(const CaptureJob& job, const std::filesystem::path& path) {
    nlohmann::json file{{"blackPhoto", job.blackPhoto},       {"whitePhotos", job.whitePhotos},
                        {"centrePhotos", job.centrePhotos},   {"gridPhotos", job.gridPhotos},
                        {"thresholds", job.thresholds},       {"patternType", job.patternType},
                        {"channelCount", job.channelCount},   {"warpingMode", job.warpingMode},
                        {"layoutColumns", job.layoutColumns}, {"layoutRows", job.layoutRows},
                        {"overlapX", job.overlapX},           {"overlapY", job.overlapY},
                        {"stackCount", job.stackCount}};
    nlohmann::json boundary = nlohmann::json::array();
    for (const cv::Point2f& p : job.boundary) boundary.push_back({p.x, p.y});
    file["boundary"] = std::move(boundary);
    std::ofstream(path) << file.dump() << '\n';
}

nlohmann::json Calibrate(const wallsim::Scene& scene, const std::string& label, bool detail,
                         const WarpOptions& options, bool followWarp, const std::string& keep = {}) {
    nlohmann::json out{{"scene", label}};
    const std::filesystem::path folder = keep.empty() ? std::filesystem::temp_directory_path() /
                                                            ("wall-calibrate-" + std::to_string(::getpid()))
                                                      : std::filesystem::absolute(keep);
    std::filesystem::create_directories(folder);
    CaptureJob job;
    std::string error;
    const bool captured = CaptureScene(scene, folder.string(), &job, &error);
    std::vector<WarpGrid> warps;
    cv::Size photoSize;
    WarpResult result;
    std::vector<ChannelFigures> figures;
    double seconds = 0.0;
    if (captured) {
        const auto start = std::chrono::steady_clock::now();
        result = ComputeSceneWarps(job, &warps, &photoSize, options, &figures);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (keep.empty())
        std::filesystem::remove_all(folder);
    else if (captured)
        WriteJobFile(job, folder / "job.json");
    if (!captured) {
        out["error"] = error;
        return out;
    }

    out["mode"] = job.warpingMode;
    out["channels"] = job.channelCount;
    out["patternType"] = job.patternType;
    out["thresholds"] = job.thresholds;
    out["status"] = result.status;
    out["failedChannel"] = result.channel;
    out["seconds"] = seconds;
    out["secondsPerChannel"] = job.channelCount > 0 ? seconds / job.channelCount : 0.0;
    nlohmann::json channels = nlohmann::json::array();
    for (const ChannelFigures& f : figures)
        channels.push_back({{"blocksFound", f.blocksFound},
                            {"blocksExpected", f.blocksExpected},
                            {"residualRms", f.residualRms},
                            {"residualMax", f.residualMax},
                            {"extrapolationMax", f.extrapolationMax}});
    out["figures"] = std::move(channels);

    WarpGrid identity;
    AutoWarpInitWarping(&identity, job.patternType);
    const std::vector<WarpGrid> identities(static_cast<size_t>(job.channelCount), identity);
    const wallsim::TruthReport before =
        MeasureWarps(scene, job, identities, WarpRoute::AsComputed, followWarp);
    out["identity"] = WorstToJson(Worst(before));
    if (result.status == kWarpOk && static_cast<int>(warps.size()) == job.channelCount) {
        const wallsim::TruthReport computed =
            MeasureWarps(scene, job, warps, WarpRoute::AsComputed, followWarp);
        out["computed"] = WorstToJson(Worst(computed));
        if (detail) out["computedDetail"] = wallsim::TruthToJson(scene, computed);
        if (LatticeChainAvailable()) {
            const wallsim::TruthReport downloaded =
                MeasureWarps(scene, job, warps, WarpRoute::Downloaded, followWarp);
            out["downloaded"] = WorstToJson(Worst(downloaded));
            if (detail) out["downloadedDetail"] = wallsim::TruthToJson(scene, downloaded);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool detail = false;
    WarpOptions options;
    std::string keep;
    if (!args.empty() && args.front() == "--detail") {
        detail = true;
        args.erase(args.begin());
    }
    if (!args.empty() && args.front() == "--box") {
        options.centres = kCentresBox;
        args.erase(args.begin());
    }
    bool followWarp = false;
    if (!args.empty() && args.front() == "--follow-warp") {
        followWarp = true;
        args.erase(args.begin());
    }
    if (args.size() == 3 && args.front() == "--keep") {
        keep = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() == 3 && args[0] == "--random") {
        const unsigned long first = std::stoul(args[1]);
        const unsigned long count = std::stoul(args[2]);
        for (unsigned long seed = first; seed < first + count; ++seed) {
            const std::string line = Calibrate(wallsim::RandomScene(seed), "random-" + std::to_string(seed),
                                               detail, options, followWarp)
                                         .dump();
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        }
        return 0;
    }
    if (args.empty()) {
        std::fprintf(stderr,
                     "usage: wall_calibrate [--detail] [--box] [--follow-warp] SCENE.json... | --random "
                     "FIRST COUNT | --keep "
                     "DIR SCENE.json\n");
        return 2;
    }
    for (const std::string& path : args) {
        wallsim::Scene scene;
        std::string error;
        if (!wallsim::LoadSceneFile(path, &scene, &error)) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        const std::string line =
            Calibrate(scene, std::filesystem::path(path).stem().string(), detail, options, followWarp, keep)
                .dump();
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    return 0;
}
