// The scene of the simulated wall: a flat screen, the projectors that light it
// and the camera that photographs it. Read from a JSON file (see sim/README.md).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace wallsim {

// Four points in the order top-left, top-right, bottom-right, bottom-left.
using Quad = std::array<cv::Point2d, 4>;

struct ProjectorSpec {
    std::string address;  // "127.0.0.N"
    int width = 1920;     // panel size in pixels
    int height = 1080;
    Quad corners{};             // where the panel's corners land on the screen
    double distortion = 0.0;    // radial lens distortion (k1, normalised to the half-diagonal)
    double brightness = 1.0;    // light of full white, relative to a nominal projector
    double blackLevel = 0.002;  // light of full black, same units
    double gamma = 2.2;         // panel signal to light
    int column = 0;             // place in the layout (0-based)
    int row = 0;
    int layer = 0;  // stacked layer
};

struct CameraSpec {
    int width = 1920;
    int height = 1080;
    Quad screenCorners{};        // where the screen's corners land in the picture
    double distortion = 0.0;     // radial lens distortion (k1, normalised to the half-diagonal)
    double blur = 0.8;           // Gaussian blur sigma, camera pixels
    double noise = 1.0;          // Gaussian noise sigma, 8-bit levels
    double ambient = 0.01;       // room light everywhere in the picture, projector-light units
    double vignetting = 0.15;    // brightness lost in the picture corners (0..1)
    double sensitivity = 0.75;   // picture level (fraction of 255) of light 1.0 at the reference settings
    int referenceExposure = -5;  // exposure at which the sensitivity holds
    double gainScale = 64.0;  // gain steps that add the reference signal once more (gain factor 1 + g/scale)
};

// Placement of the projectors in the project the wall stands for.
struct LayoutSpec {
    int mode = 0;  // 0 stacking, 1 blending, 2 stacking & blending
    int columns = 1;
    int rows = 1;
    int layers = 1;
    int overlapX = 0;  // panel pixels shared by horizontal neighbours
    int overlapY = 0;
};

// How the wall behaves in time: a projector shows a new picture some time
// after its command, and the camera delivers frames at its own pace, each the
// light integrated over its frame time. Times are nominal: they shrink with
// the delay scale like every delay of the system.
struct TimingSpec {
    double latency = 120.0;   // command to light, milliseconds
    double jitter = 30.0;     // the latency varies at random by up to this much either way
    double frameRate = 30.0;  // camera frames per second
    double autoExposureRate =
        0.25;  // share of the way to a well-exposed picture made per frame on automatic exposure
};

struct Scene {
    std::string name;
    double screenWidth = 4000.0;  // screen size in screen units (millimetres by convention)
    double screenHeight = 2250.0;
    std::vector<ProjectorSpec> projectors;
    CameraSpec camera;
    LayoutSpec layout;
    std::string testPicture;  // image file shown through the warp; empty: a built-in picture
    uint64_t seed = 1;        // seed of the camera noise
    bool blendAfterWarp =
        false;  // boards apply blend ramps to the warped output instead of the input picture
    TimingSpec timing;
};

// Parses scene JSON. On failure returns false and sets *error to a message that
// names the offending field (for example "projectors[1].corners: expected 4 points").
bool ParseScene(const std::string& text, Scene* scene, std::string* error);
bool LoadSceneFile(const std::string& path, Scene* scene, std::string* error);
// Writes a scene as JSON that ParseScene reads back to the same scene.
std::string SceneToJson(const Scene& scene);

// Index of the projector at a layout place, or -1.
int FindProjector(const Scene& scene, int column, int row, int layer);

}  // namespace wallsim
