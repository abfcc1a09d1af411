// wallsim photo, wallsim measure and wallsim scene.
#include <iostream>

#include <CLI/CLI.hpp>
#include <opencv2/imgcodecs.hpp>

#include "sim_commands.h"
#include "wallsim/random_scene.h"
#include "wallsim/truth.h"
#include "wallsim/wall.h"
#include "warp_input.h"

namespace wallsim::tool {
namespace {

// CLI11 wants argv-style input; keep the strings alive for the call.
int ParseArgs(CLI::App& app, const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.name(name);
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? -1 : 2;
    }
    return 0;
}

int FindProjectorArg(const Scene& scene, const std::string& which) {
    for (size_t i = 0; i < scene.projectors.size(); ++i)
        if (scene.projectors[i].address == which || std::to_string(i) == which) return static_cast<int>(i);
    return -2;
}

// Applies warp grids and the calibration's blend zones for them to the states.
bool ApplyWarps(const std::string& warpsFile, const Scene& scene, bool blend, double gamma,
                std::vector<PanelState>* states) {
    std::vector<std::vector<cv::Point2f>> warps;
    if (!warpsFile.empty()) {
        std::string error;
        if (!ReadWarps(warpsFile, scene, &warps, &error)) {
            std::cerr << "wallsim: " << error << "\n";
            return false;
        }
        for (size_t i = 0; i < warps.size(); ++i)
            (*states)[i].lattice =
                LatticeFromWarpGrid(warps[i], scene.projectors[i].width, scene.projectors[i].height);
    }
    if (blend) {
        const auto zones = CalibrationBlendZones(scene, warps, false);
        for (size_t i = 0; i < states->size() && i < zones.size(); ++i) {
            (*states)[i].blend = zones[i];
            (*states)[i].gammaMode = true;
            (*states)[i].gamma = gamma;
        }
    }
    return true;
}

}  // namespace

int PhotoCommand(const std::vector<std::string>& args) {
    CLI::App app{"Renders one camera photo of the simulated wall to an image file."};
    std::string scenePath, out, showName = "white", projector, warps;
    int exposure = -5, gain = 0;
    uint64_t frame = 0;
    double gamma = 2.2;
    bool noBlend = false;
    app.add_option("scene", scenePath, "scene file (JSON)")->required();
    app.add_option("output", out, "image file to write (.bmp, .png, ...)")->required();
    app.add_option("--show", showName, "black, white, centre, grid or picture")->capture_default_str();
    app.add_option(
        "--projector", projector,
        "index or address of the projector that shows it; the others are blanked (default: all show it)");
    app.add_option("--warps", warps, "warp grids (vantiscore warp output) the boards use for the picture");
    app.add_option("--exposure", exposure, "camera exposure, -11 .. -2")->capture_default_str();
    app.add_option("--gain", gain, "camera gain, 0 .. 255")->capture_default_str();
    app.add_option("--frame", frame, "frame number (selects the noise)")->capture_default_str();
    app.add_option("--gamma", gamma, "blend gamma of blending layouts")->capture_default_str();
    app.add_flag("--no-blend", noBlend, "no blend ramps even when the layout blends");
    if (int rc = ParseArgs(app, "wallsim photo", args)) return rc < 0 ? 0 : rc;

    Show show;
    if (!ParseShow(showName, &show)) {
        std::cerr << "wallsim photo: --show: unknown picture " << showName << "\n";
        return 2;
    }
    std::string error;
    auto wall = Wall::Load(scenePath, &error);
    if (!wall) {
        std::cerr << "wallsim photo: " << error << "\n";
        return 1;
    }
    int lit = -1;
    if (!projector.empty()) {
        lit = FindProjectorArg(wall->scene(), projector);
        if (lit < 0) {
            std::cerr << "wallsim photo: --projector: no projector " << projector << " in the scene\n";
            return 2;
        }
    }
    std::vector<PanelState> states = wall->ShowStates(show, lit);
    bool blend = show == Show::Picture && wall->scene().layout.mode != 0 && !noBlend;
    if (!ApplyWarps(warps, wall->scene(), blend, gamma, &states)) return 1;
    CameraSettings cs;
    cs.exposure = std::clamp(exposure, -11, -2);
    cs.gain = std::clamp(gain, 0, 255);
    cv::Mat photo = wall->Photo(states, cs, frame);
    try {
        if (!cv::imwrite(out, photo)) {
            std::cerr << "wallsim photo: cannot write " << out << "\n";
            return 1;
        }
    } catch (const cv::Exception& e) {
        std::cerr << "wallsim photo: cannot write " << out << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}

int MeasureCommand(const std::vector<std::string>& args) {
    CLI::App app{"Prints the ground-truth alignment figures of warps on the simulated wall as JSON."};
    std::string scenePath, warps, target;
    double step = 8.0, gamma = 2.2;
    app.add_option("scene", scenePath, "scene file (JSON)")->required();
    app.add_option("--warps", warps, "warp grids (vantiscore warp output); default: identity warps");
    app.add_option("--target", target, "target outline: {\"screen\"|\"camera\"|\"boundary\": [[x, y], ...]}");
    app.add_option("--step", step, "sampling pitch in input pixels")->capture_default_str();
    app.add_option("--gamma", gamma, "blend gamma of blending layouts")->capture_default_str();
    bool followWarp = false;
    app.add_flag(
        "--follow-warp", followWarp,
        "blend zones in panel pixels where the picture's overlap lands (default.ini [BLEND] FOLLOW_WARP=1)");
    if (int rc = ParseArgs(app, "wallsim measure", args)) return rc < 0 ? 0 : rc;

    Scene scene;
    std::string error;
    if (!LoadSceneFile(scenePath, &scene, &error)) {
        std::cerr << "wallsim measure: " << error << "\n";
        return 1;
    }
    TruthOptions opt;
    opt.step = step;
    if (!target.empty() && !ReadTarget(target, scene, &opt.target, &error)) {
        std::cerr << "wallsim measure: " << error << "\n";
        return 1;
    }
    std::vector<std::vector<cv::Point2f>> grids;
    if (!warps.empty() && !ReadWarps(warps, scene, &grids, &error)) {
        std::cerr << "wallsim measure: " << error << "\n";
        return 1;
    }
    std::vector<TruthProjector> t;
    const auto zones = CalibrationBlendZones(scene, grids, followWarp);
    for (size_t i = 0; i < scene.projectors.size(); ++i) {
        const ProjectorSpec& p = scene.projectors[i];
        t.push_back(grids.empty() ? TruthFromLattice(SourceLattice::Identity(), p.width, p.height)
                                  : TruthFromWarpGrid(grids[i], p.width, p.height));
        t.back().blend = zones[i];
        t.back().gammaMode = true;
        t.back().gamma = gamma;
        t.back().blendAfterWarp = scene.blendAfterWarp;
    }
    std::cout << TruthToJson(scene, MeasureTruth(scene, t, opt)).dump(2) << "\n";
    return 0;
}

int SceneCommand(const std::vector<std::string>& args) {
    CLI::App app{"Scene files: make a random scene from a seed, or check a scene file."};
    app.require_subcommand(1);
    uint64_t seed = 1;
    int first = 101;
    auto* random = app.add_subcommand("random", "print a random scene made from SEED");
    random->add_option("seed", seed, "seed")->required();
    random->add_option("--first-address", first, "last octet of the first projector's address")
        ->capture_default_str();
    std::string file;
    auto* check = app.add_subcommand("check", "read a scene file and report the first fault");
    check->add_option("file", file, "scene file")->required();
    if (int rc = ParseArgs(app, "wallsim scene", args)) return rc < 0 ? 0 : rc;
    if (random->parsed()) {
        if (first < 1 || first > 254) {
            std::cerr << "wallsim scene random: --first-address outside 1 .. 254\n";
            return 2;
        }
        std::cout << SceneToJson(RandomScene(seed, first));
        return 0;
    }
    Scene scene;
    std::string error;
    if (!LoadSceneFile(file, &scene, &error)) {
        std::cerr << "wallsim scene check: " << error << "\n";
        return 1;
    }
    std::cout << file << ": " << scene.projectors.size() << " projectors\n";
    return 0;
}

}  // namespace wallsim::tool
