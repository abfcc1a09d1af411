#include "link/warp_lattice.h"

#include <algorithm>
#include <cmath>

namespace vantis::link {

namespace {

constexpr int32_t kCodeMin = -16384;
constexpr int32_t kXCodeMax = 32960;    // 2060 pixels
constexpr int32_t kYCodeLimit = 49136;  // 3071 pixels
constexpr int32_t kYCodeHigh = 49151;   // what a y above the limit is sent as

// The integer part (toward zero) of 16 v + 0.5, computed so that huge values
// and NaN stay defined: the result is only ever compared against the clamps.
int32_t SixteenthsTowardZero(float v) {
    double t = 16.0 * double(v) + 0.5;
    if (std::isnan(t)) return kCodeMin - 1;
    t = std::clamp(t, -65536.0, 65536.0);
    return int32_t(std::trunc(t));
}

}  // namespace

std::optional<PanelGrid> PanelGridFor(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > kMaxPanelWidth || height > kMaxPanelHeight) return std::nullopt;
    PanelGrid g;
    g.width = width;
    g.height = height;
    g.columns = (width + kNodePitch - 1) / kNodePitch;
    g.rows = (height + kNodePitch - 1) / kNodePitch;
    return g;
}

uint16_t SourceXCode(float v) {
    int32_t c = std::clamp(SixteenthsTowardZero(v), kCodeMin, kXCodeMax);
    return uint16_t(c & 0xFFFF);
}

uint16_t SourceYCode(float v) {
    int32_t c = SixteenthsTowardZero(v);
    if (c > kYCodeLimit) c = kYCodeHigh;
    if (c < kCodeMin) c = kCodeMin;
    return uint16_t(c & 0xFFFF);
}

float RightOfPanelX(float last, float beforeLast, int width, int beyond) {
    if (last >= float(width)) return last;
    float step = last - beforeLast;
    if (!(step > 0.0f)) step = 0.0f;  // also for NaN
    return last + step * float(beyond);
}

void ComputeLattice(const ColumnTables& source, const PanelGrid& grid, LatticeCodes& out) {
    const int n = grid.columns;
    for (int r = 0; r < kLatticeRows; ++r) {
        LatticeCode* row = out.data() + r * kLatticeColumns;
        for (int k = 0; k < kLatticeColumns; ++k) {
            float x, y;
            if (k < kLatticeLeftColumns) {
                // Continue the map linearly from 0 at board column 0 to the
                // first grid column at board column 4.
                const float a = source.X(0, r);
                x = a > 0.0f ? a * float(k) / 4.0f : a;
                y = source.Y(0, r);
            } else if (kNodePitch * (k - kLatticeLeftColumns) <= grid.width) {
                x = source.X(k - kLatticeLeftColumns, r);
                y = source.Y(k - kLatticeLeftColumns, r);
            } else {
                const int beyond = k - kLatticeLeftColumns - n;
                x = RightOfPanelX(source.X(n, r), source.X(n - 1, r), grid.width, beyond);
                y = source.Y(n, r);
            }
            row[k] = LatticeCode{SourceXCode(x), SourceYCode(y)};
        }
    }
}

void PackWarpBlock(const LatticeCodes& lattice, int block, WarpBlock& out) {
    const LatticeCode* first = lattice.data() + 2 * block * kLatticeColumns;
    for (int e = 0; e < 2 * kLatticeColumns; ++e) {
        const LatticeCode c = first[e];
        out[4 * e + 0] = uint8_t(c.x & 0xFF);
        out[4 * e + 1] = uint8_t(c.x >> 8);
        out[4 * e + 2] = uint8_t(c.y & 0xFF);
        out[4 * e + 3] = uint8_t(c.y >> 8);
    }
}

}  // namespace vantis::link
