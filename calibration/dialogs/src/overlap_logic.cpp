#include "dialogs/overlap_logic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "vantis/model/document.h"
#include "vantis/model/timing.h"

namespace meridan::dialogs {

int OverlapPixels(int size, int percent) {
    const float v = static_cast<float>(size) * static_cast<float>(percent) / 100.0f * 0.125f;
    return static_cast<int>(std::floor(v)) * 8;
}

std::string TotalResolutionText(int width, int height, int columns, int rows, int overlapX, int overlapY) {
    char text[64];
    std::snprintf(text, sizeof text, "%d X %d ", columns * width - (columns - 1) * overlapX,
                  rows * height - (rows - 1) * overlapY);
    return text;
}

int BlendPageModel::Columns() const {
    return vantis::model::LayoutOf(layout).columns;
}
int BlendPageModel::Rows() const {
    return vantis::model::LayoutOf(layout).rows;
}

void BlendPageModel::ResetToMinimum() {
    if (layout >= 1 && layout <= 13) {
        minimum[0] = 10;
        minimum[1] = 10;
    } else {
        minimum[0] = 0;
        minimum[1] = 50;
    }
    percent[0] = minimum[0];
    percent[1] = minimum[1];
    if (Columns() > 1 && Rows() == 1) percent[1] = 0;
    if (Rows() > 1 && Columns() == 1) percent[0] = 0;
    Recompute();
}

void BlendPageModel::LoadFrom(const VantisAuto::CDoc& doc) {
    timing = doc.m_nTiming;
    layout = doc.m_nLayout;
    ResetToMinimum();
    percent[0] = doc.m_overlapPercent[0];
    percent[1] = doc.m_overlapPercent[1];
    pixels[0] = doc.m_overlapPixels[0];
    pixels[1] = doc.m_overlapPixels[1];
}

void BlendPageModel::Recompute() {
    const auto t = vantis::model::TimingOf(timing);
    pixels[0] = OverlapPixels(t.width, percent[0]);
    pixels[1] = OverlapPixels(t.height, percent[1]);
}

void BlendPageModel::MoveSlider(int axis, int position) {
    percent[axis] = std::clamp(position, minimum[axis], kMaximum);
    Recompute();
}

bool BlendPageModel::SliderEnabled(int axis) const {
    return axis == 0 ? Columns() > 1 : Rows() > 1;
}

std::string BlendPageModel::TotalText() const {
    const auto t = vantis::model::TimingOf(timing);
    return TotalResolutionText(t.width, t.height, Columns(), Rows(), pixels[0], pixels[1]);
}

GammaModel::GammaModel(double gamma) : g_(static_cast<int>(gamma * 10.0 + 0.5)) {}

std::string GammaModel::Text() const {
    char text[32];
    std::snprintf(text, sizeof text, "Gamma: %.1f", g_ / 10.0);
    return text;
}

bool GammaModel::Move(int position) {
    position = std::clamp(position, 0, 100);
    if (position == g_) return false;
    g_ = position;
    return true;
}

}  // namespace meridan::dialogs
