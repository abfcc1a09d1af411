// The older link variant's warp transfer: its point-record table, its entry
// rule and fixed point, and its fixed tap sets chosen by scale. Pure
// computations; no I/O.
#pragma once

#include <cstdint>

#include "dvVantisPlus.h"
#include "link/resample_filters.h"
#include "link/warp_lattice.h"

namespace vantis::link {

// One record of the older variant's table: grid column i of row j at 128 j + i.
using WarpPoint = VantisPlusWarpPoint;
inline constexpr int kLegacyRowRecords = DVVANTISPLUS_RECORDS_PER_ROW;

struct RecordTable {
    const WarpPoint* points = nullptr;
    float X(int column, int row) const { return points[kLegacyRowRecords * row + column].x; }
    float Y(int column, int row) const { return points[kLegacyRowRecords * row + column].y; }
};

// Fixed point of the older variant: the clamps are applied to pixel values
// (x below -1024 or NaN -> 0xC000, above 2060 -> 32960; y below -1024 or NaN
// -> 0xC000, above 3071 -> 0xBFFF), other values are the integer part of
// 16 v + 0.5.
uint16_t LegacyXCode(float v);
uint16_t LegacyYCode(float v);

// Smallest x of grid column 0 over rows 0..rows (starting from 1000000).
float LegacyLeftReference(const RecordTable& table, const PanelGrid& grid);

// Entries k = 0..columns + 4 of each transferred row.
inline int LegacyRowEntries(const PanelGrid& grid) {
    return grid.columns + 5;
}

// Entry k of row `row`: left of the panel it runs from the left reference to
// grid column 0, right of it it repeats the last grid column (RightOfPanelX).
LatticeCode LegacyEntry(const RecordTable& table, const PanelGrid& grid, float leftReference, int row, int k);

// Scales of the older variant: panel size divided by the widest warped row
// (the tallest warped column), the divisor starting at 1, clamped to 0.3..1.2.
double LegacyHorizontalScale(const RecordTable& table, const PanelGrid& grid);
double LegacyVerticalScale(const RecordTable& table, const PanelGrid& grid);

// The tap set for a scale: the first of the bounds 0.4, 0.5, ... 1.1, 1.5 that
// the scale is below picks sets 0..8; anything else set 9.
int LegacyTapSetIndex(double scale);
inline constexpr int kLegacyTapSets = 10;
const FilterTaps& LegacyTapSet(int index);

}  // namespace vantis::link
