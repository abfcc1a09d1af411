#include "link/resample_filters.h"

#include <algorithm>
#include <cmath>

namespace vantis::link {

float ClampFilterScale(float scale) {
    if (std::isnan(scale)) return kMaxFilterScale;  // no measurable shrink
    return std::clamp(scale, kMinFilterScale, kMaxFilterScale);
}

FilterTaps DesignResampleFilter(double s) {
    // h[i] for tap positions i - 24 in eighths of a lattice step; h[24] is the
    // centre tap, h[0] the outermost (always 0, not sent).
    double h[25];
    for (int i = 0; i <= 24; ++i) {
        const double t = i == 24 ? 0.0001 : double(i - 24);
        h[i] = std::sin(s * t * 0.392699) / t / 3.141592 / s;
        double w = 1.0 - (24 - i) * s / 24.0;
        if (w < 0.01) w = 0.0;
        h[i] *= w;
    }
    h[0] = 0.0;

    // Phase sums, using the symmetry about the centre tap.
    double sum[8];
    sum[0] = 2.0 * (h[0] + h[8] + h[16]) + h[24];
    sum[1] = sum[7] = h[1] + h[7] + h[9] + h[15] + h[17] + h[23];
    sum[2] = sum[6] = h[2] + h[6] + h[10] + h[14] + h[18] + h[22];
    sum[3] = sum[5] = h[3] + h[5] + h[11] + h[13] + h[19] + h[21];
    sum[4] = 2.0 * (h[4] + h[12] + h[20]);

    int q[25];
    for (int i = 0; i <= 24; ++i) {
        const double p = sum[i % 8];
        q[i] = p == 0.0 ? 0 : int(std::trunc(64.0 * h[i] / p));
    }
    // Rounding leaves the phases a little off 64; the centre-most tap of each
    // phase takes the difference.
    q[24] += 64 - (q[24] + 2 * (q[0] + q[8] + q[16]));
    q[23] += 64 - (q[1] + q[7] + q[9] + q[15] + q[17] + q[23]);
    q[22] += 64 - (q[2] + q[6] + q[10] + q[14] + q[18] + q[22]);
    q[21] += 64 - (q[3] + q[5] + q[11] + q[13] + q[19] + q[21]);
    q[20] = 32 - q[4] - q[12];

    FilterTaps taps{};
    for (int i = 0; i < kFilterTaps; ++i) taps[i] = int8_t(uint8_t(q[i + 1] & 0xFF));
    return taps;
}

float HorizontalFilterScale(const ColumnTables& forward, const PanelGrid& grid) {
    float narrowest = 16777216.0f;
    for (int j = 0; j <= grid.rows; ++j)
        narrowest = std::min(narrowest, std::fabs(forward.X(grid.columns, j) - forward.X(0, j)));
    return ClampFilterScale(narrowest / float(grid.width));
}

float VerticalFilterScale(const ColumnTables& forward, const PanelGrid& grid) {
    float lowest = 16777216.0f;
    for (int i = 0; i <= grid.columns; ++i)
        lowest = std::min(lowest, std::fabs(forward.Y(i, grid.rows) - forward.Y(i, 0)));
    return ClampFilterScale(lowest / float(grid.height));
}

}  // namespace vantis::link
