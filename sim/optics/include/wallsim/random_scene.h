// Scenes made from a few numbers: the shipped scenes and random scenes for
// robustness runs. The same seed always gives the same scene.
#pragma once

#include <cstdint>

#include "wallsim/scene.h"

namespace wallsim {

struct SceneShape {
    int mode = 0;  // 0 stacking, 1 blending, 2 stacking & blending
    int columns = 1;
    int rows = 1;
    int layers = 2;
    int panelWidth = 1920;
    int panelHeight = 1080;
    int overlapX = 0;  // panel pixels
    int overlapY = 0;
    int firstAddress = 11;  // last octet of the first projector's address
};

// Bounds of the random deviations (fractions unless stated).
struct SceneBounds {
    double shift = 0.02;     // whole-panel offset, of the panel size
    double keystone = 0.03;  // independent corner offsets, of the panel size
    double rotationDeg = 1.0;
    double projectorDistortion = 0.015;
    double cameraDistortion = 0.02;
    double cameraTilt = 0.04;  // screen-corner offsets in the picture, of the picture size
    double brightness = 0.12;  // +- around 1
};

// A realistic scene of the shape: every deviation drawn from the seed within the bounds.
Scene MakeScene(const SceneShape& shape, uint64_t seed, const SceneBounds& bounds = {});
// A random scene: shape (mode, layout, panel type, overlap) and deviations from the seed.
Scene RandomScene(uint64_t seed, int firstAddress = 101, const SceneBounds& bounds = {});

}  // namespace wallsim
