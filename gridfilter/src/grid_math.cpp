#include "grid_math.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace gridveil::detail {

double RoundHalfAway(double v) {
    return std::round(v);
}

int SaturatingInt(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (v >= kMax) return std::numeric_limits<int>::max();
    if (v <= kMin) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

NaturalSpline::NaturalSpline(std::vector<double> knots, std::vector<double> values)
    : knots_(std::move(knots)), values_(std::move(values)), second_(knots_.size(), 0.0) {
    const std::size_t n = knots_.size();
    if (n < 3) return;
    // Tridiagonal system for the inner second derivatives (Thomas algorithm).
    std::vector<double> diag(n, 0.0), rhs(n, 0.0), upper(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double h0 = knots_[i] - knots_[i - 1];
        const double h1 = knots_[i + 1] - knots_[i];
        diag[i] = 2.0 * (h0 + h1);
        upper[i] = h1;
        rhs[i] = 6.0 * ((values_[i + 1] - values_[i]) / h1 - (values_[i] - values_[i - 1]) / h0);
        if (i > 1) {
            const double w = h0 / diag[i - 1];
            diag[i] -= w * upper[i - 1];
            rhs[i] -= w * rhs[i - 1];
        }
    }
    for (std::size_t i = n - 2; i >= 1; --i) {
        second_[i] = (rhs[i] - upper[i] * second_[i + 1]) / diag[i];
        if (i == 1) break;
    }
}

double NaturalSpline::operator()(double t) const {
    const std::size_t n = knots_.size();
    if (n == 0) return 0.0;
    if (n == 1) return values_[0];
    // Interval [knots_[k], knots_[k + 1]] holding t; end intervals extend.
    std::size_t k =
        static_cast<std::size_t>(std::upper_bound(knots_.begin(), knots_.end(), t) - knots_.begin());
    k = std::clamp<std::size_t>(k, 1, n - 1) - 1;
    const double h = knots_[k + 1] - knots_[k];
    const double a = (knots_[k + 1] - t) / h;
    const double b = (t - knots_[k]) / h;
    return a * values_[k] + b * values_[k + 1] +
           ((a * a * a - a) * second_[k] + (b * b * b - b) * second_[k + 1]) * h * h / 6.0;
}

namespace {

// Position of output node index along an input axis of inputCount nodes:
// cell index and fraction.
std::pair<int, double> Locate(int index, int outputCount, int inputCount) {
    if (outputCount < 2 || inputCount < 2) return {0, 0.0};
    const double g = static_cast<double>(index) * (inputCount - 1) / (outputCount - 1);
    const int cell = std::min(static_cast<int>(std::floor(g)), inputCount - 2);
    return {cell, g - cell};
}

}  // namespace

void ResampleBilinear(const TableView& in, const TableView& out) {
    if (!in.Valid() || !out.Valid()) return;
    for (int j = 0; j < out.columns; ++j) {
        const auto [c, fc] = Locate(j, out.columns, in.columns);
        const int c1 = in.columns > 1 ? c + 1 : c;
        for (int i = 0; i < out.rows; ++i) {
            const auto [r, fr] = Locate(i, out.rows, in.rows);
            const int r1 = in.rows > 1 ? r + 1 : r;
            // The bindings are captured as copies: clang before 16 cannot capture
            // structured bindings, and clang-tidy (scripts/style) parses with clang.
            const auto blend = [&, c = c, fc = fc, r = r, fr = fr](float** t) {
                const double top = t[c][r] + (t[c1][r] - t[c][r]) * fc;
                const double bottom = t[c][r1] + (t[c1][r1] - t[c][r1]) * fc;
                return static_cast<float>(top + (bottom - top) * fr);
            };
            const float x = blend(in.table.x);
            const float y = blend(in.table.y);
            out.X(j, i) = x;
            out.Y(j, i) = y;
        }
    }
}

void FittedImageSize(int frameWidth, int frameHeight, int viewWidth, int viewHeight, int out[2]) {
    const double fw = frameWidth, fh = frameHeight, vw = viewWidth, vh = viewHeight;
    if (fw * vh < vw * fh) {  // fw / fh < vw / vh without dividing
        const double height = RoundHalfAway(0.8 * vh);
        out[1] = SaturatingInt(height);
        out[0] = SaturatingInt(RoundHalfAway(fw * height / fh));
    } else {
        const double width = RoundHalfAway(0.8 * vw);
        out[0] = SaturatingInt(width);
        out[1] = SaturatingInt(RoundHalfAway(fh * width / fw));
    }
}

int MarkerRadius(int frameWidth) {
    int r = SaturatingInt(RoundHalfAway(0.005 * frameWidth));
    if (r % 2 == 0) r += 1;
    return r;
}

}  // namespace gridveil::detail
