// wallsim run: the boards and the virtual camera of a scene until stopped.
#include <signal.h>
#include <unistd.h>

#include <pthread.h>
#include <fstream>
#include <iostream>
#include <mutex>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "board_link.h"
#include "sim_commands.h"
#include "wallsim/paced_camera.h"
#include "wallsim/vcam.h"
#include "wallsim/wall.h"
#include "warp_input.h"

namespace wallsim::tool {
namespace {}  // namespace

int RunCommand(const std::vector<std::string>& args) {
    CLI::App app{
        "Runs the simulated wall of a scene: its engine boards and its camera, until stopped.\n"
        "SIGUSR1 prints the ground-truth figures of the boards' current warps; SIGINT or SIGTERM\n"
        "prints them once more and stops."};
    std::string scenePath, socketPath, truthFile, target;
    app.add_option("scene", scenePath, "scene file (JSON)")->required();
    app.add_option("--camera-socket", socketPath, "socket of the virtual camera (default: the usual place)");
    app.add_option("--truth", truthFile, "also write the figures to this file each time");
    app.add_option("--target", target, "target outline for the figures (see wallsim measure)");
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.name("wallsim run");
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    // The signals are taken by sigwait below; block them before any thread starts so none of them gets one.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGUSR1}) sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::string error;
    auto wall = Wall::Load(scenePath, &error);
    if (!wall) {
        std::cerr << "wallsim run: " << error << "\n";
        return 1;
    }
    TruthOptions opt;
    if (!target.empty() && !ReadTarget(target, wall->scene(), &opt.target, &error)) {
        std::cerr << "wallsim run: " << error << "\n";
        return 1;
    }
    auto boards = StartBoards(wall->scene(), &error);
    if (!boards) {
        std::cerr << "wallsim run: " << error << "\n";
        return 1;
    }
    // The camera in time: each board's changes reach the light after the
    // projector's latency, and frames integrate the light over their frame time.
    PacedCamera paced(
        wall->scene().timing, boards->States(),
        [&](const std::vector<PanelState>& states) { return wall->renderer().Optics(wall->Light(states)); },
        [&](const cv::Mat& light, const CameraSettings& s, uint64_t frame) {
            return wall->renderer().Respond(light, s, frame);
        },
        wall->scene().seed);
    boards->Watch([&](int board, PanelState state, std::chrono::steady_clock::time_point when) {
        paced.Commanded(board, std::move(state), when);
    });
    VcamServer camera(nullptr);
    camera.SetPacedSource([&](const CameraSettings& s, bool autoExposure, uint64_t* sequence) {
        return paced.Frame(s, autoExposure, sequence);
    });
    if (socketPath.empty()) socketPath = VcamServer::DefaultSocketPath();
    if (!camera.Start(socketPath, &error)) {
        std::cerr << "wallsim run: " << error << "\n";
        return 1;
    }
    nlohmann::json ready = {{"scene", scenePath}, {"boards", boards->Endpoints()}, {"camera", socketPath}};
    std::cout << ready.dump() << std::endl;

    auto report = [&] {
        nlohmann::json figures = TruthToJson(wall->scene(), wall->Measure(boards->States(), opt));
        std::cout << figures.dump() << std::endl;
        if (!truthFile.empty()) std::ofstream(truthFile) << figures.dump(2) << "\n";
    };
    for (;;) {
        int s = 0;
        if (sigwait(&signals, &s) != 0) break;
        if (s == SIGUSR1) {
            report();
        } else if (s == SIGINT || s == SIGTERM) {
            report();
            break;
        }
    }
    camera.Stop();
    boards->StopWatching();
    return 0;
}

}  // namespace wallsim::tool
