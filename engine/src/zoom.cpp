// Zoom and shift of a window of the camera picture for the preview.
#include <array>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "VantisCore.h"
#include "guard.h"

namespace {

// Visible share of the picture, in percent, per zoom step.
constexpr std::array<float, 5> kZoomTable{100.0f, 80.0f, 60.0f, 40.0f, 20.0f};

// Keeps the window inside the picture: first its top-left corner, then its
// far edges (a window larger than the picture ends up with a negative origin).
void ClampWindow(std::int32_t width, std::int32_t height, float* x, float* y, float w, float h) {
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
    if (static_cast<float>(width) < *x + w) *x = static_cast<float>(width) - w;
    if (static_cast<float>(height) < *y + h) *y = static_cast<float>(height) - h;
}

// The perspective transform that maps the window onto the whole picture.
cv::Mat WindowTransform(float x, float y, float w, float h, float width, float height) {
    const cv::Point2f source[4] = {{x, y}, {x + w, y}, {x, y + h}, {x + w, y + h}};
    const cv::Point2f destination[4] = {{0, 0}, {width, 0}, {0, height}, {width, height}};
    return cv::getPerspectiveTransform(source, destination);
}

bool UsableWindow(float w, float h) {
    return std::isfinite(w) && std::isfinite(h) && w > 0 && h > 0;
}

}  // namespace

std::int32_t GetZoomRange() {
    return static_cast<std::int32_t>(kZoomTable.size());
}

void GetZoomMatrix(std::int32_t width, std::int32_t height, std::int32_t* zoomStep, float centreX,
                   float centreY, cv::Mat* transform, float* x, float* y, float* w, float* h) {
    if (zoomStep == nullptr || transform == nullptr || x == nullptr || y == nullptr || w == nullptr ||
        h == nullptr || width <= 0 || height <= 0) {
        return;
    }
    vantiscore::GuardedVoid([&] {
        // A step outside the table is brought back to its nearest end.
        if (*zoomStep < 0) *zoomStep = 0;
        if (*zoomStep >= GetZoomRange()) *zoomStep = GetZoomRange() - 1;
        const float e = static_cast<float>(100.0 / kZoomTable[static_cast<std::size_t>(*zoomStep)]);
        float wx = centreX - std::trunc(static_cast<float>(width) / (2 * e));
        float wy = centreY - std::trunc(static_cast<float>(height) / (2 * e));
        const float ww = static_cast<float>(width) / e;
        const float wh = static_cast<float>(height) / e;
        ClampWindow(width, height, &wx, &wy, ww, wh);
        cv::Mat m = WindowTransform(wx, wy, ww, wh, static_cast<float>(width), static_cast<float>(height));
        *transform = m;
        *x = wx;
        *y = wy;
        *w = ww;
        *h = wh;
    });
}

void GetShiftMatrix(std::int32_t width, std::int32_t height, float dx, float dy, cv::Mat* transform, float* x,
                    float* y, float* w, float* h) {
    if (transform == nullptr || x == nullptr || y == nullptr || w == nullptr || h == nullptr || width <= 0 ||
        height <= 0 || !UsableWindow(*w, *h)) {
        return;
    }
    vantiscore::GuardedVoid([&] {
        float wx = *x - dx;
        float wy = *y - dy;
        ClampWindow(width, height, &wx, &wy, *w, *h);
        cv::Mat m = WindowTransform(wx, wy, *w, *h, static_cast<float>(width), static_cast<float>(height));
        *transform = m;
        *x = wx;
        *y = wy;
    });
}

void ZoomPerspective(const cv::Mat& source, cv::Mat* destination, const cv::Mat& transform) {
    if (destination == nullptr || source.empty() || transform.rows != 3 || transform.cols != 3) return;
    vantiscore::GuardedVoid([&] {
        cv::warpPerspective(source, *destination, transform, source.size(), cv::INTER_LINEAR,
                            cv::BORDER_CONSTANT, cv::Scalar::all(0));
    });
}

void SetRectImage(const cv::Mat& source, cv::Mat* destination, std::int32_t* zoom, std::int32_t centreX,
                  std::int32_t centreY, cv::Mat* transform, std::int32_t zoomMin, std::int32_t zoomMax) {
    if (zoom == nullptr || destination == nullptr || transform == nullptr) return;
    if (*zoom < zoomMin) {
        *zoom = zoomMin;
        return;
    }
    if (*zoom > zoomMax) {
        *zoom = zoomMax;
        return;
    }
    const int z = *zoom;
    // A factor below 1 has no window; an empty picture has nothing to zoom.
    if (z <= 0 || source.empty() || source.cols / z == 0 || source.rows / z == 0) return;
    vantiscore::GuardedVoid([&] {
        const int ww = source.cols / z;
        const int wh = source.rows / z;
        const int left = centreX - source.cols / (2 * z);
        const int top = centreY - source.rows / (2 * z);
        cv::Mat m = WindowTransform(static_cast<float>(left), static_cast<float>(top), static_cast<float>(ww),
                                    static_cast<float>(wh), static_cast<float>(source.cols),
                                    static_cast<float>(source.rows));
        cv::Mat out;
        cv::warpPerspective(source, out, m, source.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                            cv::Scalar::all(0));
        *transform = m;
        *destination = out;
    });
}
