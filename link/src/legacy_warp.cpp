#include "link/legacy_warp.h"

#include <algorithm>
#include <cmath>

namespace vantis::link {

namespace {

int32_t SixteenthsPlusHalf(float v) {
    return int32_t(std::trunc(16.0 * double(v) + 0.5));
}

constexpr FilterTaps kTapSets[kLegacyTapSets] = {
    {2, 3, 4, 4, 5, 6, 7, 8, 9, 9, 10, 11, 12, 12, 13, 14, 14, 15, 15, 17, 18, 19, 19, 20},
    {-2, -1, -1, 0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 16, 18, 19, 20, 21, 23, 22, 24, 22},
    {-6, -6, -6, -5, -4, -3, -1, 0, 2, 4, 6, 9, 12, 14, 17, 17, 22, 24, 26, 28, 30, 31, 30, 30},
    {-5, -7, -8, -8, -9, -8, -7, -5, -4, -1, 1, 4, 8, 12, 16, 19, 24, 29, 33, 36, 39, 39, 40, 36},
    {0, -1, -4, -6, -8, -9, -10, -10, -9, -8, -5, -2, 1, 6, 12, 18, 23, 29, 35, 40, 45, 47, 48, 48},
    {5, 4, 2, 0, -2, -5, -8, -11, -11, -11, -10, -8, -4, 0, 5, 13, 19, 26, 33, 40, 45, 50, 54, 60},
    {6, 7, 6, 5, 3, 0, -2, -6, -8, -10, -11, -11, -9, -5, 0, 6, 14, 22, 30, 38, 45, 50, 54, 64},
    {2, 4, 6, 7, 7, 5, 3, 0, -3, -7, -10, -12, -12, -10, -6, 0, 8, 17, 27, 37, 46, 55, 60, 64},
    {0, 0, 0, 1, 1, 1, 1, 0, -1, -3, -5, -7, -8, -7, -4, 0, 6, 15, 26, 38, 50, 58, 62, 64},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -2, -3, -4, -4, -3, 0, 5, 13, 24, 35, 46, 56, 62, 64},
};

double ClampLegacyScale(double s) {
    return std::clamp(s, 0.3, 1.2);
}

}  // namespace

uint16_t LegacyXCode(float v) {
    if (std::isnan(v) || v < -1024.0f) return 0xC000;
    if (v > 2060.0f) return 32960;
    return uint16_t(SixteenthsPlusHalf(v) & 0xFFFF);
}

uint16_t LegacyYCode(float v) {
    if (std::isnan(v) || v < -1024.0f) return 0xC000;
    if (v > 3071.0f) return 0xBFFF;
    return uint16_t(SixteenthsPlusHalf(v) & 0xFFFF);
}

float LegacyLeftReference(const RecordTable& table, const PanelGrid& grid) {
    float a = 1000000.0f;
    for (int j = 0; j <= grid.rows; ++j) a = std::min(a, table.X(0, j));
    return a;
}

LatticeCode LegacyEntry(const RecordTable& table, const PanelGrid& grid, float a, int row, int k) {
    float x, y;
    if (k <= 3) {
        x = table.X(0, row);
        y = table.Y(0, row);
        if (!(x < 0.0f)) x = a + (x - a) * float(k) / 4.0f;
    } else if (kNodePitch * k > grid.width + 64) {
        const int n = grid.columns;
        x = RightOfPanelX(table.X(n, row), table.X(n - 1, row), grid.width, k - 4 - n);
        y = table.Y(n, row);
    } else {
        x = table.X(k - 4, row);
        y = table.Y(k - 4, row);
    }
    return LatticeCode{LegacyXCode(x), LegacyYCode(y)};
}

double LegacyHorizontalScale(const RecordTable& table, const PanelGrid& grid) {
    double widest = 1.0;
    for (int j = 0; j <= grid.rows; ++j)
        widest = std::max(widest, double(std::fabs(table.X(grid.columns, j) - table.X(0, j))));
    return ClampLegacyScale(double(grid.width) / widest);
}

double LegacyVerticalScale(const RecordTable& table, const PanelGrid& grid) {
    double tallest = 1.0;
    for (int i = 0; i <= grid.columns; ++i)
        tallest = std::max(tallest, double(std::fabs(table.Y(i, grid.rows) - table.Y(i, 0))));
    return ClampLegacyScale(double(grid.height) / tallest);
}

int LegacyTapSetIndex(double scale) {
    static constexpr double kBounds[] = {0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 1.5};
    for (int i = 0; i < 9; ++i)
        if (scale < kBounds[i]) return i;
    return 9;
}

const FilterTaps& LegacyTapSet(int index) {
    return kTapSets[std::clamp(index, 0, kLegacyTapSets - 1)];
}

}  // namespace vantis::link
