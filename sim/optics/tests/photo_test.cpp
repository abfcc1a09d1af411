#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "test_scenes.h"
#include "wallsim/photo.h"
#include "wallsim/random_scene.h"
#include "wallsim/show.h"

namespace wallsim {
namespace {

// Bilinear sample of a grey image.
double Sample(const cv::Mat& g, cv::Point2d p) {
    cv::Mat patch;
    cv::getRectSubPix(g, cv::Size(1, 1),
                      cv::Point2f(static_cast<float>(p.x - 0.5), static_cast<float>(p.y - 0.5)), patch,
                      CV_32F);
    return patch.at<float>(0, 0);
}

// Sub-pixel edge point where the profile along `normal` (pointing out of the
// lit area) crosses halfway between the lit and the dark level.
bool EdgePoint(const cv::Mat& g, cv::Point2d p, cv::Point2d normal, cv::Point2d* edge) {
    double inside = Sample(g, p - normal * 8.0), outside = Sample(g, p + normal * 8.0);
    double half = (inside + outside) / 2;
    double prev = Sample(g, p - normal * 6.0);
    for (double t = -6.0 + 0.05; t <= 6.0; t += 0.05) {
        double v = Sample(g, p + normal * t);
        if ((prev - half) * (v - half) <= 0 && prev != v) {
            double f = (prev - half) / (prev - v);
            *edge = p + normal * (t - 0.05 + 0.05 * f);
            return true;
        }
        prev = v;
    }
    return false;
}

// Corner of the lit quadrilateral near `corner`, from lines fitted to the two
// edges that meet there (edge points 3 % to 15 % along each side).
cv::Point2d MeasureCorner(const cv::Mat& g, const std::array<cv::Point2d, 4>& quad, int k) {
    cv::Point2d centre = (quad[0] + quad[1] + quad[2] + quad[3]) * 0.25;
    cv::Vec4f lines[2];
    for (int side = 0; side < 2; ++side) {
        cv::Point2d a = quad[k], b = quad[side == 0 ? (k + 1) % 4 : (k + 3) % 4];
        cv::Point2d dir = (b - a) * (1.0 / cv::norm(b - a));
        cv::Point2d normal(-dir.y, dir.x);
        if (normal.dot(a - centre) < 0) normal = -normal;
        std::vector<cv::Point2f> pts;
        for (double f = 0.03; f <= 0.15; f += 0.005) {
            cv::Point2d e;
            if (EdgePoint(g, a + (b - a) * f, normal, &e)) pts.emplace_back(float(e.x), float(e.y));
        }
        EXPECT_GT(pts.size(), 10u);
        cv::fitLine(pts, lines[side], cv::DIST_L2, 0, 1e-4, 1e-4);
    }
    // Intersect p1 + s d1 and p2 + t d2.
    cv::Point2d d1(lines[0][0], lines[0][1]), p1(lines[0][2], lines[0][3]);
    cv::Point2d d2(lines[1][0], lines[1][1]), p2(lines[1][2], lines[1][3]);
    double den = d1.x * d2.y - d1.y * d2.x;
    double s = ((p2.x - p1.x) * d2.y - (p2.y - p1.y) * d2.x) / den;
    return p1 + d1 * s;
}

std::vector<cv::Mat> Panels(const Scene& s, int lit, Show show) {
    PanelRenderer r;
    std::vector<cv::Mat> panels;
    for (size_t i = 0; i < s.projectors.size(); ++i)
        panels.push_back(static_cast<int>(i) == lit ? r.Render(ShowState(s.projectors[i], show)) : cv::Mat());
    return panels;
}

TEST(Photo, WhiteFieldCornersLandWithinOneCameraPixel) {
    // A realistic scene: keystone, rotation, both lenses distorted, blur and noise.
    SceneShape shape;
    shape.mode = 1;
    shape.columns = 3;
    shape.rows = 2;
    shape.layers = 1;
    shape.panelWidth = 1024;
    shape.panelHeight = 768;
    shape.overlapX = 160;
    shape.overlapY = 128;
    shape.firstAddress = 100;
    Scene s = MakeScene(shape, 42);
    PhotoRenderer renderer(s);
    for (int lit : {0, 4}) {
        CameraSettings cs;
        cs.exposure = -6;  // keep white well below clipping so the edge profile is symmetric
        cv::Mat photo = renderer.Render(Panels(s, lit, Show::White), cs, 1), grey;
        cv::cvtColor(photo, grey, cv::COLOR_BGR2GRAY);
        const auto& p = s.projectors[lit];
        std::array<cv::Point2d, 4> quad;
        for (int k = 0; k < 4; ++k) quad[k] = renderer.optics().camera.ScreenToPicture(p.corners[k]);
        for (int k = 0; k < 4; ++k) {
            cv::Point2d m = MeasureCorner(grey, quad, k);
            EXPECT_LT(cv::norm(m - quad[k]), 1.0)
                << "projector " << lit << " corner " << k << " at " << m << " expected " << quad[k];
        }
    }
}

TEST(Photo, ExposureAndGainChangeThePictureAndClipAt255) {
    Scene s = testing::AlignedPair();
    s.camera.noise = 0;
    PhotoRenderer renderer(s);
    auto panels = Panels(s, 0, Show::White);
    cv::Point centre(600, 620);  // inside projector 0's picture
    auto level = [&](CameraSettings cs) { return renderer.Render(panels, cs, 0).at<cv::Vec3b>(centre)[1]; };
    CameraSettings cs;
    int base = level(cs);
    EXPECT_NEAR(base, 255 * s.camera.sensitivity, 2);
    cs.exposure = -6;
    EXPECT_NEAR(level(cs), base / 2.0, 2);
    cs.exposure = -2;
    EXPECT_EQ(level(cs), 255);
    cs.exposure = -7;
    int dark = level(cs);
    cs.gain = 64;
    EXPECT_NEAR(level(cs), 2 * dark, 2);
    // Outside every panel only ambient light reaches the camera: here none.
    EXPECT_EQ(renderer.Render(panels, CameraSettings{}, 0).at<cv::Vec3b>(50, 50)[1], 0);
    // A smaller picture size is the same view, scaled.
    CameraSettings small;
    small.width = 640;
    small.height = 480;
    EXPECT_EQ(renderer.Render(panels, small, 0).size(), cv::Size(640, 480));
}

TEST(Photo, NoiseIsRepeatablePerFrameAndDiffersBetweenFrames) {
    Scene s = testing::AlignedPair();
    s.camera.noise = 2.0;
    PhotoRenderer renderer(s);
    auto panels = Panels(s, 1, Show::Grid);
    cv::Mat a = renderer.Render(panels, {}, 5), b = renderer.Render(panels, {}, 5),
            c = renderer.Render(panels, {}, 6);
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0.0);
    EXPECT_GT(cv::norm(a, c, cv::NORM_INF), 0.0);
}

}  // namespace
}  // namespace wallsim
