// Synthetic camera photos of projected test patterns, drawn with OpenCV, so
// that the detection tests know every answer before the engine runs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "VantisCore.h"

namespace vantiscore::synthetic {

// A panel seen head-on by the camera: panel pixel (u, v) lands on photo pixel
// (origin.x + scale * u, origin.y + scale * v).
struct PanelView {
    PatternInfo info;
    cv::Size photoSize;
    cv::Point2f origin;
    float scale = 1.0f;

    cv::Rect PhotoRect(int u, int v, int width, int height) const;
    cv::Rect PanelRect() const { return PhotoRect(0, 0, info.width, info.height); }
    // The centre of block (c, r) as the engine reports it, scaled to the working size.
    cv::Point WorkCentre(int column, int row) const;
};

// Photos of the capture: black, full white, the four centre blocks, all blocks.
cv::Mat BlackPhoto(const PanelView& view);
cv::Mat WhitePhoto(const PanelView& view);
cv::Mat BlocksPhoto(const PanelView& view, int columnBegin, int columnEnd, int rowBegin, int rowEnd);
cv::Mat CentrePhoto(const PanelView& view);
cv::Mat GridPhoto(const PanelView& view);

// A temporary folder removed with its files when the object goes away.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes the picture (format by extension) and returns its path.
    std::string Write(const std::string& name, const cv::Mat& picture) const;
    std::string WriteBytes(const std::string& name, const std::string& bytes) const;
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  private:
    std::filesystem::path folder_;
};

}  // namespace vantiscore::synthetic
