// Scenes built in code for the optics and truth tests.
#pragma once

#include "wallsim/scene.h"

namespace wallsim::testing {

// Two 1024 x 768 projectors side by side on a 3000 x 1200 screen, overlapping
// by exactly `overlap` panel pixels at 1.25 screen units per pixel, seen
// straight on without lens distortion.
inline Scene AlignedPair(int overlap = 128, int firstOctet = 100) {
    Scene s;
    s.name = "aligned-pair";
    s.screenWidth = 3000;
    s.screenHeight = 1200;
    s.layout = {1, 2, 1, 1, overlap, 0};
    const double k = 1.25, x0 = 100, y0 = 120;
    for (int c = 0; c < 2; ++c) {
        ProjectorSpec p;
        p.address = "127.0.0." + std::to_string(firstOctet + c);
        p.width = 1024;
        p.height = 768;
        p.column = c;
        double left = x0 + c * (1024 - overlap) * k;
        p.corners = {cv::Point2d(left, y0),
                     {left + 1024 * k, y0},
                     {left + 1024 * k, y0 + 768 * k},
                     {left, y0 + 768 * k}};
        p.blackLevel = 0;
        s.projectors.push_back(p);
    }
    s.camera.screenCorners = {cv::Point2d(160, 300), {1760, 300}, {1760, 940}, {160, 940}};
    s.camera.blur = 0;
    s.camera.noise = 0;
    s.camera.ambient = 0;
    s.camera.vignetting = 0;
    return s;
}

}  // namespace wallsim::testing
