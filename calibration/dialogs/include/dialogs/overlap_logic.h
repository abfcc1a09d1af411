// The arithmetic of the overlap page and the blend-gamma setting: percent to
// panel pixels (whole multiples of 8), the wall's total resolution, the slider
// ranges and enabling by layout, and the gamma slider position.
#pragma once

#include <string>

namespace VantisAuto {
class CDoc;
}

namespace meridan::dialogs {

// floor(size x percent / 100 x 0.125) x 8, in single precision.
int OverlapPixels(int size, int percent);

// "%d X %d " of the whole wall for the layout's columns and rows.
std::string TotalResolutionText(int width, int height, int columns, int rows, int overlapX, int overlapY);

// The state of the overlap page.
class BlendPageModel {
  public:
    int timing = 8;
    int layout = 1;
    int percent[2] = {25, 25};  // horizontal, vertical
    int pixels[2] = {480, 270};
    int minimum[2] = {10, 10};  // lower end of the slider ranges; the upper end is 50
    static constexpr int kMaximum = 50;
    static constexpr int kPage = 5;

    // Ranges for the layout, overlap back to the minimum (0 on an axis with a
    // single column or row), pixels recomputed.
    void ResetToMinimum();
    // Start-up: ranges and minimum, then the document's stored values.
    void LoadFrom(const VantisAuto::CDoc& doc);
    void Recompute();
    // Moving the slider of axis 0 (horizontal) or 1 (vertical).
    void MoveSlider(int axis, int position);
    bool SliderEnabled(int axis) const;
    std::string TotalText() const;
    int Columns() const;
    int Rows() const;
};

// The gamma slider: position g is the gamma in tenths (0..100).
class GammaModel {
  public:
    explicit GammaModel(double gamma);
    int Position() const { return g_; }
    // "Gamma: %.1f".
    std::string Text() const;
    // A move to `position`; true when it differs from the current one and the
    // blend maps must be downloaded with Gamma().
    bool Move(int position);
    double Gamma() const { return g_ / 10.0; }
    // The slider is usable only for a wall of more than one projector image.
    static bool Enabled(int layout) { return layout != 0; }

  private:
    int g_;
};

}  // namespace meridan::dialogs
