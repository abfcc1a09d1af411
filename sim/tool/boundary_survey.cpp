#include "boundary_survey.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

#include "auto_boundary.h"
#include "engine_boundary.h"
#include "wallsim/geometry.h"

namespace wallsim::tool {
namespace {

// Where a projector's panel lands in the camera picture, drawn from the optics.
cv::Mat TrueFootprint(const SceneOptics& optics, const Scene& scene, int projector, cv::Size size) {
    const ProjectorSpec& spec = scene.projectors[static_cast<size_t>(projector)];
    std::vector<cv::Point> outline;
    constexpr int kSteps = 200;
    auto add = [&](double u, double v) {
        const cv::Point2d p = optics.PanelToPicture(projector, {u, v});
        outline.emplace_back(static_cast<int>(std::lround(p.x * 4)), static_cast<int>(std::lround(p.y * 4)));
    };
    for (int i = 0; i < kSteps; ++i) add(spec.width * double(i) / kSteps, 0);
    for (int i = 0; i < kSteps; ++i) add(spec.width, spec.height * double(i) / kSteps);
    for (int i = 0; i < kSteps; ++i) add(spec.width * (1 - double(i) / kSteps), spec.height);
    for (int i = 0; i < kSteps; ++i) add(0, spec.height * (1 - double(i) / kSteps));
    cv::Mat mask = cv::Mat::zeros(size, CV_8U);
    cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{outline}, cv::Scalar(255), cv::LINE_8, 2);
    return mask;
}

}  // namespace

BoundarySurvey SurveyBoundary(const Scene& scene) {
    BoundarySurvey survey;
    BoundaryGrid boundary;
    if (!EngineBoundary(scene, &boundary, &survey.error)) return survey;
    survey.ok = true;

    const cv::Size size(scene.camera.width, scene.camera.height);
    const SceneOptics optics(scene);
    const LayoutSpec& layout = scene.layout;
    const int columns = layout.mode == 0 ? 1 : layout.columns;
    const int rows = layout.mode == 0 ? 1 : layout.rows;
    const int type = PatternTypeOfPanel(scene.projectors.front().width, scene.projectors.front().height);
    const PatternInfo info = AutoWarpGetPatternInfo(false, type);

    // The truly lit area per layer and all layers together.
    std::vector<cv::Mat> masks;
    for (int layer = 0; layer < layout.layers; ++layer)
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column)
                masks.push_back(TrueFootprint(optics, scene, FindProjector(scene, column, row, layer), size));
    const auto tiles = vantiscore::ChannelTiles(
        info, layout.mode, {columns, rows, layout.overlapX, layout.overlapY, layout.layers},
        static_cast<int>(masks.size()));
    if (!tiles) {
        survey.ok = false;
        survey.error = "layout";
        return survey;
    }
    const vantiscore::LitLayers truth = vantiscore::MakeLayers(masks, *tiles, 0);
    cv::Mat lit;
    for (const cv::Mat& layer : truth.lit) {
        if (lit.empty())
            lit = layer.clone();
        else
            cv::bitwise_and(lit, layer, lit);
    }
    cv::Mat distance;
    cv::distanceTransform(lit, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    const cv::Rect box = cv::boundingRect(lit);
    survey.margin = 0.01 * std::min(box.width, box.height);

    std::vector<cv::Point2f> ring;
    auto at = [&](int c, int r) { return boundary[static_cast<size_t>(r * kBoundaryColumns + c)]; };
    for (int c = 0; c < kBoundaryColumns; ++c) ring.push_back(at(c, 0));
    for (int r = 1; r < kBoundaryRows; ++r) ring.push_back(at(kBoundaryColumns - 1, r));
    for (int c = kBoundaryColumns - 2; c >= 0; --c) ring.push_back(at(c, kBoundaryRows - 1));
    for (int r = kBoundaryRows - 2; r > 0; --r) ring.push_back(at(0, r));
    survey.clearance = 1e9;
    for (const cv::Point2f& p : ring) {
        const int x = static_cast<int>(std::lround(p.x)), y = static_cast<int>(std::lround(p.y));
        const double d =
            x < 0 || y < 0 || x >= size.width || y >= size.height ? 0.0 : distance.at<float>(y, x);
        survey.clearance = std::min(survey.clearance, d);
    }
    survey.area = cv::contourArea(ring);

    // The reference: the largest straight quadrilateral in the true light,
    // searched at the engine's analysis size.
    const double scale = std::min(1.0, double(vantiscore::kAnalysisWidth) / size.width);
    const cv::Size analysis(static_cast<int>(std::lround(size.width * scale)),
                            static_cast<int>(std::lround(size.height * scale)));
    std::vector<cv::Mat> small;
    for (const cv::Mat& m : masks) {
        cv::Mat s;
        cv::resize(m, s, analysis, 0, 0, cv::INTER_AREA);
        cv::threshold(s, s, 254, 255, cv::THRESH_BINARY);  // fully lit pixels only
        small.push_back(s);
    }
    const auto reference = vantiscore::LargestShape(vantiscore::MakeLayers(small, *tiles, 0), *tiles, false);
    if (reference) survey.referenceArea = vantiscore::ShapeArea(*reference) / (scale * scale);
    return survey;
}

}  // namespace wallsim::tool
