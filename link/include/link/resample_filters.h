// The board's polyphase resampling filters: 24 signed taps of a symmetric
// 49-tap, 8-phase filter, outermost used tap first, centre tap last; every
// phase sums to 64. Pure computations; no I/O.
#pragma once

#include <array>
#include <cstdint>

#include "link/warp_lattice.h"

namespace vantis::link {

inline constexpr int kFilterTaps = 24;
using FilterTaps = std::array<int8_t, kFilterTaps>;

// Scales outside this range are used as its bounds (single precision).
inline constexpr float kMinFilterScale = 0.3f;
inline constexpr float kMaxFilterScale = 1.2f;
float ClampFilterScale(float scale);

// The taps for a picture scaled by `scale` (1.0: no shrink): a windowed sinc
// with its cut-off proportional to the scale, normalised per phase.
FilterTaps DesignResampleFilter(double scale);

// How much a forward warp shrinks the picture, clamped: the narrowest warped
// row |x[columns][j] - x[0][j]| over rows 0..rows divided by the panel width,
// and the lowest warped column |y[i][rows] - y[i][0]| over columns
// 0..columns divided by the panel height.
float HorizontalFilterScale(const ColumnTables& forward, const PanelGrid& grid);
float VerticalFilterScale(const ColumnTables& forward, const PanelGrid& grid);

}  // namespace vantis::link
