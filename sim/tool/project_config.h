// The project the calibration program would leave behind for a scene: the
// channels with their loopback addresses and places, layout, solution, timing,
// overlap, the camera configured (the virtual camera and its default
// settings), the boundary and the connected flag; and the system
// configuration file written from it under a chosen home directory.
#pragma once

#include <filesystem>
#include <string>

#include <opencv2/core.hpp>

#include "vantis/model/document.h"
#include "wallsim/scene.h"

namespace wallsim::tool {

// Timing index of a panel size; -1 when the programs offer none.
int TimingOfPanel(int width, int height);

// The rectangle on the screen that the outer projectors all reach, shrunk by
// `inset` of its size on every side: the outline an operator draws on the
// camera picture inside the lit area.
cv::Rect2d LitRectangle(const Scene& scene, double inset);

// Fills an empty document for the scene. Channels come in the engine's order:
// layers, then rows, then columns. False with a reason when the scene has no
// projectors, mixed panels, a panel without a timing, a layout the programs do
// not offer, or a layout place without a projector.
bool BuildProjectDocument(const Scene& scene, VantisAuto::CDoc* doc, std::string* error);

struct ConfigTarget {
    std::filesystem::path home;  // the configuration goes to <home>/.local/share/<vid>/SystemData/Config.cfg
    std::string vid = "Vendor";
    bool autoExecution = false;
    // The engine's automatic boundary from photos of the scene instead of
    // the rectangle the ground truth gives (wallsim config's default).
    bool engineBoundary = false;
};

// Builds the document and writes it; the written path in *written.
bool WriteProjectConfig(const Scene& scene, const ConfigTarget& target, std::filesystem::path* written,
                        std::string* error);

// wallsim config SCENE --home DIR [--vid WORD] [--auto-execution]
int ConfigCommand(const std::vector<std::string>& args);

}  // namespace wallsim::tool
