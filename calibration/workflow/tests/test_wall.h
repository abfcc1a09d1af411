// A simulated wall in the test process: a shipped scene's engine boards on the
// test's own loopback addresses, its virtual camera on a socket in a temporary
// folder (found by the camera library through WALLSIM_CAMERA_SOCKET), and the
// ground truth of what the boards hold.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "wallsim/board_server.h"
#include "wallsim/board_watch.h"
#include "wallsim/paced_camera.h"
#include "wallsim/truth.h"
#include "wallsim/vcam.h"
#include "wallsim/wall.h"

namespace vantis::calibration::testing {

class TestWall {
  public:
    // Projector i of the scene listens on <network>(firstAddress + i). The
    // camera keeps the scene's pace and the projectors their latency (both
    // scaled with the delays); `adjust` may change the scene's timing first.
    TestWall(const std::string& sceneName, int firstAddress, const std::string& socketFolder,
             const std::function<void(wallsim::Scene&)>& adjust = {},
             const std::string& network = "127.0.0.");
    // The same for a scene made by the caller (a random scene, a changed one).
    TestWall(wallsim::Scene scene, int firstAddress, const std::string& socketFolder,
             const std::string& network = "127.0.0.");
    ~TestWall();

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    const wallsim::Scene& scene() const { return scene_; }
    wallsim::BoardServer& board(int i) { return *boards_[static_cast<std::size_t>(i)]; }
    wallsim::VcamServer& camera() { return *camera_; }
    wallsim::PacedCamera& paced() { return *paced_; }
    wallsim::Wall& wall() { return *wall_; }

    std::vector<wallsim::PanelState> States();
    wallsim::TruthReport Measure();

  private:
    void Start(int firstAddress, const std::string& socketFolder, const std::string& network);

    std::string error_;
    wallsim::Scene scene_;
    std::unique_ptr<wallsim::Wall> wall_;
    std::vector<std::unique_ptr<wallsim::BoardServer>> boards_;
    std::unique_ptr<wallsim::PacedCamera> paced_;
    std::unique_ptr<wallsim::BoardWatch> watch_;
    std::unique_ptr<wallsim::VcamServer> camera_;
};

// The largest rms of the figures that matter for the scene's solution:
// misregistration of stacked pairs and mismatch across blend seams.
double WorstRms(const wallsim::TruthReport& report);

}  // namespace vantis::calibration::testing
