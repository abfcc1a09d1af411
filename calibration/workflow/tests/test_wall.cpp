#include "test_wall.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "wallsim/board_view.h"

namespace vantis::calibration::testing {

TestWall::TestWall(const std::string& sceneName, int firstAddress, const std::string& socketFolder,
                   const std::function<void(wallsim::Scene&)>& adjust, const std::string& network) {
    const std::string path = std::string(WALLSIM_SCENE_DIR) + "/" + sceneName;
    if (!wallsim::LoadSceneFile(path, &scene_, &error_)) return;
    if (adjust) adjust(scene_);
    Start(firstAddress, socketFolder, network);
}

TestWall::TestWall(wallsim::Scene scene, int firstAddress, const std::string& socketFolder,
                   const std::string& network)
    : scene_(std::move(scene)) {
    Start(firstAddress, socketFolder, network);
}

void TestWall::Start(int firstAddress, const std::string& socketFolder, const std::string& network) {
    for (std::size_t i = 0; i < scene_.projectors.size(); ++i)
        scene_.projectors[i].address = network + std::to_string(firstAddress + static_cast<int>(i));
    wall_ = std::make_unique<wallsim::Wall>(scene_);
    wallsim::BoardConfig config;
    config.recordFrames = false;
    for (const auto& p : scene_.projectors) {
        auto board = wallsim::BoardServer::Start(p.address, config, &error_);
        if (!board) return;
        boards_.push_back(std::move(board));
    }
    paced_ = std::make_unique<wallsim::PacedCamera>(
        scene_.timing, States(),
        [this](const std::vector<wallsim::PanelState>& states) {
            return wall_->renderer().Optics(wall_->Light(states));
        },
        [this](const cv::Mat& light, const wallsim::CameraSettings& s, uint64_t frame) {
            return wall_->renderer().Respond(light, s, frame);
        },
        scene_.seed);
    std::vector<wallsim::BoardWatch::Watched> watched;
    for (std::size_t i = 0; i < boards_.size(); ++i)
        watched.push_back({boards_[i].get(), scene_.projectors[i].width, scene_.projectors[i].height});
    watch_ = std::make_unique<wallsim::BoardWatch>(
        std::move(watched),
        [this](int board, wallsim::PanelState state, std::chrono::steady_clock::time_point when) {
            paced_->Commanded(board, std::move(state), when);
        });
    camera_ = std::make_unique<wallsim::VcamServer>(nullptr);
    camera_->SetPacedSource([this](const wallsim::CameraSettings& s, bool autoExposure, uint64_t* sequence) {
        return paced_->Frame(s, autoExposure, sequence);
    });
    const std::string socket = socketFolder + "/camera.sock";
    if (!camera_->Start(socket, &error_)) return;
    ::setenv("WALLSIM_CAMERA_SOCKET", socket.c_str(), 1);
    error_.clear();
}

TestWall::~TestWall() {
    if (camera_) camera_->Stop();
    if (watch_) watch_->Stop();
    for (auto& b : boards_) b->Stop();
}

std::vector<wallsim::PanelState> TestWall::States() {
    std::vector<wallsim::PanelState> out;
    for (std::size_t i = 0; i < boards_.size(); ++i) {
        const auto& p = scene_.projectors[i];
        boards_[i]->Inspect([&](const wallsim::BoardState& b) {
            out.push_back(wallsim::PanelStateFromBoard(b, p.width, p.height));
        });
    }
    return out;
}

wallsim::TruthReport TestWall::Measure() {
    return wall_->Measure(States());
}

double WorstRms(const wallsim::TruthReport& report) {
    double worst = 0;
    for (const auto& s : report.stacks) worst = std::max(worst, s.misregistration.rms);
    for (const auto& s : report.seams) worst = std::max(worst, s.mismatch.rms);
    return worst;
}

}  // namespace vantis::calibration::testing
