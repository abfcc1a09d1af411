// The simulated wall in one object, for programs and tests that want it in
// process: a scene, its panels' pictures, the camera's photo and the ground truth.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "wallsim/panel.h"
#include "wallsim/photo.h"
#include "wallsim/scene.h"
#include "wallsim/show.h"
#include "wallsim/truth.h"

namespace wallsim {

// Largest test picture file and picture: far more than any panel layout shows.
inline constexpr std::uintmax_t kMaxTestPictureBytes = 256u * 1024u * 1024u;
inline constexpr std::int64_t kMaxTestPicturePixels = 64ll * 1024 * 1024;

// Reads a test picture in colour. The size its header claims is checked before
// decoding; on failure the picture is empty and *error says why.
cv::Mat ReadTestPicture(const std::string& file, std::string* error);

class Wall {
  public:
    // Reads the scene (and its test picture, relative to the scene file's folder).
    // The test picture is the whole picture of a layer: each projector's board
    // gets the part of it that its place in the layout shows.
    static std::unique_ptr<Wall> Load(const std::string& scenePath, std::string* error);
    explicit Wall(const Scene& scene, const cv::Mat& testPicture = {});

    const Scene& scene() const { return renderer_.scene(); }
    const PhotoRenderer& renderer() const { return renderer_; }

    // One state per projector of the scene, in scene order.
    cv::Mat Photo(const std::vector<PanelState>& panels, const CameraSettings& settings = {},
                  uint64_t frame = 0);
    // The light the states put on the camera's pixels, before its response (renderer().Expose).
    cv::Mat Light(const std::vector<PanelState>& panels);
    // The photo of one calibration step: projector `lit` shows `show`, all others
    // are blanked (lit < 0: every projector shows it).
    cv::Mat Photo(Show show, int lit, const CameraSettings& settings = {}, uint64_t frame = 0);
    // Alignment figures of the lattices and blend settings in the states.
    TruthReport Measure(const std::vector<PanelState>& panels, const TruthOptions& options = {}) const;

    std::vector<PanelState> ShowStates(Show show, int lit) const;

  private:
    std::vector<cv::Mat> RenderPanels(const std::vector<PanelState>& states);

    PhotoRenderer renderer_;
    // One per projector: each board's input is its own part of the whole picture.
    std::vector<PanelRenderer> panels_;
};

}  // namespace wallsim
