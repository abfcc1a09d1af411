#include "wallsim/geometry.h"

#include <cmath>

#include <opencv2/imgproc.hpp>

namespace wallsim {

RadialDistortion::RadialDistortion(int width, int height, double k)
    : centre_(width / 2.0, height / 2.0), radius_(std::hypot(width / 2.0, height / 2.0)), k_(k) {}

cv::Point2d RadialDistortion::Apply(cv::Point2d p) const {
    if (k_ == 0.0) return p;
    cv::Point2d d = (p - centre_) * (1.0 / radius_);
    double r2 = d.dot(d);
    return centre_ + (p - centre_) * (1.0 + k_ * (r2 - 1.0));
}

cv::Point2d RadialDistortion::Remove(cv::Point2d q) const {
    if (k_ == 0.0) return q;
    // Solve Apply(p) = q along the ray from the centre: |q - c| = s (1 + k (s^2/R^2 - 1)) with s = |p - c|.
    cv::Point2d dq = q - centre_;
    double t = std::hypot(dq.x, dq.y);
    if (t == 0.0) return q;
    double s = t;
    for (int i = 0; i < 30; ++i) {
        double f = s * (1.0 + k_ * (s * s / (radius_ * radius_) - 1.0)) - t;
        double df = 1.0 + k_ * (3.0 * s * s / (radius_ * radius_) - 1.0);
        if (std::abs(df) < 1e-9) break;
        double step = f / df;
        s -= step;
        if (std::abs(step) < 1e-10) break;
    }
    return centre_ + dq * (s / t);
}

cv::Point2d ApplyHomography(const cv::Matx33d& h, cv::Point2d p) {
    cv::Vec3d v = h * cv::Vec3d(p.x, p.y, 1.0);
    return {v[0] / v[2], v[1] / v[2]};
}

namespace {

cv::Matx33d QuadHomography(const Quad& from, const Quad& to) {
    // The eight-unknown system of the four corner pairs, solved in double.
    cv::Mat A(8, 8, CV_64F), rhs(8, 1, CV_64F);
    for (int i = 0; i < 4; ++i) {
        double x = from[i].x, y = from[i].y, u = to[i].x, v = to[i].y;
        double r0[8] = {x, y, 1, 0, 0, 0, -x * u, -y * u};
        double r1[8] = {0, 0, 0, x, y, 1, -x * v, -y * v};
        for (int j = 0; j < 8; ++j) {
            A.at<double>(2 * i, j) = r0[j];
            A.at<double>(2 * i + 1, j) = r1[j];
        }
        rhs.at<double>(2 * i) = u;
        rhs.at<double>(2 * i + 1) = v;
    }
    cv::Mat sol;
    cv::solve(A, rhs, sol, cv::DECOMP_LU);
    cv::Matx33d h;
    for (int j = 0; j < 8; ++j) h.val[j] = sol.at<double>(j);
    h.val[8] = 1.0;
    return h;
}

Quad Corners(double w, double h) {
    return {cv::Point2d(0, 0), {w, 0}, {w, h}, {0, h}};
}

}  // namespace

ProjectorOptics::ProjectorOptics(const ProjectorSpec& spec)
    : width_(spec.width), height_(spec.height), lens_(spec.width, spec.height, spec.distortion) {
    // The lens keeps the panel corners in place, so the homography maps the
    // panel corners straight onto the scene's screen corners.
    toScreen_ = QuadHomography(Corners(spec.width, spec.height), spec.corners);
    fromScreen_ = toScreen_.inv();
}

cv::Point2d ProjectorOptics::PanelToScreen(cv::Point2d panel) const {
    return ApplyHomography(toScreen_, lens_.Apply(panel));
}

cv::Point2d ProjectorOptics::ScreenToPanel(cv::Point2d screen) const {
    return lens_.Remove(ApplyHomography(fromScreen_, screen));
}

bool ProjectorOptics::OnPanel(cv::Point2d p) const {
    return p.x >= 0 && p.y >= 0 && p.x <= width_ && p.y <= height_;
}

CameraOptics::CameraOptics(const CameraSpec& spec, double screenWidth, double screenHeight)
    : lens_(spec.width, spec.height, spec.distortion) {
    // The homography takes the screen corners to the undistorted positions of
    // the stated picture corners, so that after the lens they land exactly there.
    Quad target;
    for (int i = 0; i < 4; ++i) target[i] = lens_.Remove(spec.screenCorners[i]);
    toPicture_ = QuadHomography(Corners(screenWidth, screenHeight), target);
    fromPicture_ = toPicture_.inv();
}

cv::Point2d CameraOptics::ScreenToPicture(cv::Point2d screen) const {
    return lens_.Apply(ApplyHomography(toPicture_, screen));
}

cv::Point2d CameraOptics::PictureToScreen(cv::Point2d picture) const {
    return ApplyHomography(fromPicture_, lens_.Remove(picture));
}

SceneOptics::SceneOptics(const Scene& scene) : camera(scene.camera, scene.screenWidth, scene.screenHeight) {
    for (const auto& p : scene.projectors) projectors.emplace_back(p);
}

cv::Point2d SceneOptics::PanelToPicture(int projector, cv::Point2d panel) const {
    return camera.ScreenToPicture(projectors[projector].PanelToScreen(panel));
}

cv::Point2d SceneOptics::PictureToPanel(int projector, cv::Point2d picture) const {
    return projectors[projector].ScreenToPanel(camera.PictureToScreen(picture));
}

}  // namespace wallsim
