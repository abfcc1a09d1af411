// Calibration photos of a simulated wall, taken as the calibration capture
// takes them, and the AutoDoImageWarping call that the calibration makes
// from them.
//
// Photo 0 shows every projector blanked; then each channel in turn shows full
// white, its centre blocks and its full block grid while the others stay
// blanked. Thresholds come from AutoWarpCalThreshold (black against white,
// automatic). Channel k is the projector at layout place
// (layer * rows + row) * columns + column = k.
#pragma once

#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"
#include "wallsim/scene.h"

namespace vantiscore::wall {

// Everything AutoDoImageWarping needs for one scene.
struct CaptureJob {
    std::string blackPhoto;
    std::vector<std::string> whitePhotos;
    std::vector<std::string> centrePhotos;
    std::vector<std::string> gridPhotos;
    std::vector<double> thresholds;
    PatternType patternType = 0;
    std::int32_t channelCount = 0;
    WarpingMode warpingMode = 0;
    std::int32_t layoutColumns = 1;
    std::int32_t layoutRows = 1;
    std::int32_t overlapX = 0;
    std::int32_t overlapY = 0;
    std::int32_t stackCount = 1;
    BoundaryGrid boundary;
    std::vector<int> projectorOfChannel;  // scene projector index of each channel
    cv::Rect2d targetOnScreen;            // the boundary's rectangle, screen units
};

// The pattern type of a panel size, or -1.
PatternType PatternTypeOfPanel(int width, int height);

// The rectangle on the screen that every place of the layout can reach: the
// inside of the projectors' outer edges, shrunk by `inset` of its size on
// every side. This is the outline an operator draws inside the lit area.
cv::Rect2d ReachableRectangle(const wallsim::Scene& scene, double inset);

// The boundary grid (129 x 65, camera-photo pixels) of a rectangle on the screen.
BoundaryGrid BoundaryOfScreenRectangle(const wallsim::Scene& scene, const cv::Rect2d& rectangle);

// The three steps of a capture. PlanCapture fills the job's layout, channel
// order, photo paths (CameraImageNNN.bmp in folder, photo 0 black, then white,
// centre and grid of each channel) and boundary; TakePhotos renders and writes
// the photos; ComputeThresholds runs AutoWarpCalThreshold per channel. Each
// returns false with *error set when it cannot go on: panels without a pattern
// type, a layout place without a projector, a photo that cannot be written, a
// threshold that cannot be computed.
bool PlanCapture(const wallsim::Scene& scene, const std::string& folder, CaptureJob* job, std::string* error);
bool TakePhotos(const wallsim::Scene& scene, const CaptureJob& job, std::string* error);
bool ComputeThresholds(CaptureJob* job, std::string* error);

// All three steps; folder must exist.
bool CaptureScene(const wallsim::Scene& scene, const std::string& folder, CaptureJob* job,
                  std::string* error);

// Calls AutoDoImageWarpingEx with the job, the options and, when given, the figures' list.
WarpResult ComputeSceneWarps(const CaptureJob& job, std::vector<WarpGrid>* warps, cv::Size* photoSize,
                             const WarpOptions& options = {}, std::vector<ChannelFigures>* figures = nullptr);

}  // namespace vantiscore::wall
