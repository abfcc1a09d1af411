// The camera's photograph of the wall: light from every panel carried through
// the projector and camera lenses (precomputed remap tables), ambient light,
// blur, vignetting, the exposure and gain response with clipping, noise.
#pragma once

#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

#include "wallsim/geometry.h"
#include "wallsim/scene.h"

namespace wallsim {

// The camera controls that change the picture (programs' conventions).
struct CameraSettings {
    int exposure = -5;     // log2 seconds
    int gain = 0;          // 0..255
    int brightness = 128;  // 0..255, 128 neutral
    int contrast = 128;    // 0..255, 128 neutral
    int saturation = 128;  // 0..255, 128 neutral
    int width = 0;         // picture size; 0 = the scene camera's own
    int height = 0;
};

class PhotoRenderer {
  public:
    explicit PhotoRenderer(const Scene& scene);

    // panels: one BGR 8-bit image per projector of the scene, of its panel size;
    // an empty image is a projector that is switched off (emits nothing).
    cv::Mat Render(const std::vector<cv::Mat>& panels, const CameraSettings& settings, uint64_t frame) const;
    // Light arriving at each camera pixel (CV_32FC3, scene units), before the camera's response.
    cv::Mat Light(const std::vector<cv::Mat>& panels) const;
    // The camera's response to a light picture.
    cv::Mat Expose(const cv::Mat& light, const CameraSettings& settings, uint64_t frame) const;
    // Expose in two steps: the lens's blur and vignetting (linear, so lights may
    // be mixed before or after it), then the sensor's response and noise.
    cv::Mat Optics(const cv::Mat& light) const;
    cv::Mat Respond(const cv::Mat& focused, const CameraSettings& settings, uint64_t frame) const;

    const Scene& scene() const { return scene_; }
    const SceneOptics& optics() const { return optics_; }
    // Camera-picture rectangle that projector i can light.
    cv::Rect Footprint(int projector) const { return maps_[projector].roi; }

  private:
    struct ProjectorMap {
        cv::Rect roi;
        cv::Mat map1, map2;  // fixed-point remap tables over roi
        cv::Mat coverage;    // CV_32FC3: fraction of each pixel lit by the panel
    };
    Scene scene_;
    SceneOptics optics_;
    std::vector<ProjectorMap> maps_;
    cv::Mat vignette_;                // CV_32FC3
    cv::Mat noise_;                   // CV_32FC3, larger than the picture by a margin
    std::vector<cv::Mat> gammaLuts_;  // per projector: signal -> light (CV_32F, 256 entries)
};

}  // namespace wallsim
