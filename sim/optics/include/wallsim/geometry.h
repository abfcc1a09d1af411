// Where light goes: panel pixels to screen points (projector lens) and screen
// points to picture pixels (camera lens). Each lens is a homography plus a
// radial distortion about the image centre, normalised so that the four image
// corners stay put; the homographies are chosen so that the corners land
// exactly where the scene says.
#pragma once

#include <opencv2/core.hpp>

#include "wallsim/scene.h"

namespace wallsim {

// Radial distortion p' = c + (p - c)(1 + k (r^2 - 1)), r = |p - c| / half-diagonal.
// The image corners (r = 1) do not move.
class RadialDistortion {
  public:
    RadialDistortion() = default;
    RadialDistortion(int width, int height, double k);
    cv::Point2d Apply(cv::Point2d p) const;
    cv::Point2d Remove(cv::Point2d p) const;  // inverse of Apply (fixed-point iteration)

  private:
    cv::Point2d centre_{0, 0};
    double radius_ = 1.0;
    double k_ = 0.0;
};

cv::Point2d ApplyHomography(const cv::Matx33d& h, cv::Point2d p);

// Panel pixel coordinates (pixel centres at integer + 0.5 conventions are not
// used: panel x runs 0..W across the panel) to screen units and back.
class ProjectorOptics {
  public:
    ProjectorOptics() = default;
    explicit ProjectorOptics(const ProjectorSpec& spec);
    cv::Point2d PanelToScreen(cv::Point2d panel) const;
    cv::Point2d ScreenToPanel(cv::Point2d screen) const;
    bool OnPanel(cv::Point2d panel) const;

  private:
    int width_ = 0, height_ = 0;
    RadialDistortion lens_;
    cv::Matx33d toScreen_ = cv::Matx33d::eye();
    cv::Matx33d fromScreen_ = cv::Matx33d::eye();
};

// Screen units to camera-picture pixels and back.
class CameraOptics {
  public:
    CameraOptics() = default;
    CameraOptics(const CameraSpec& spec, double screenWidth, double screenHeight);
    cv::Point2d ScreenToPicture(cv::Point2d screen) const;
    cv::Point2d PictureToScreen(cv::Point2d picture) const;

  private:
    RadialDistortion lens_;
    cv::Matx33d toPicture_ = cv::Matx33d::eye();
    cv::Matx33d fromPicture_ = cv::Matx33d::eye();
};

// The whole chain for one scene.
struct SceneOptics {
    explicit SceneOptics(const Scene& scene);
    cv::Point2d PanelToPicture(int projector, cv::Point2d panel) const;
    cv::Point2d PictureToPanel(int projector, cv::Point2d picture) const;

    std::vector<ProjectorOptics> projectors;
    CameraOptics camera;
};

}  // namespace wallsim
