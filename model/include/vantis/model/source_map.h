// Inversion of a channel's forward warp grid into the board's source map: for
// every node of the output lattice, the panel position to take the picture from.
//
// Forward node (j, i) belongs to panel position (16j, 16i), the last column at
// the panel width and the last row at the panel height. The output has one
// column and one row more than the grid: node (a, b) is output position
// (16a, 16b). Positions outside the warped picture get the border markers
// kOutsideLow and kOutsideHigh.
#pragma once

#include "vantis/model/float_table.h"

namespace vantis::model {

inline constexpr float kOutsideLow = -1024.0f;
inline constexpr float kOutsideHigh = 3071.9375f;

// How the nearest lattice node of an output position is found. Both give the
// same node, ties included (the first in row-major order wins).
enum class NearestSearch {
    Exhaustive,   // every lattice node for every output position
    Accelerated,  // a bucket grid over the lattice, searched ring by ring
};

// Grid sizes the conversion accepts: 2..139 columns and 2..80 rows, so that
// the output (one more of each) fits the tables.
bool SourceMapGridFits(int gridColumns, int gridRows);

// Converts forward tables (gridColumns x gridRows nodes) for a panel of
// width x height into source tables (columns 0..gridColumns, rows
// 0..gridRows; other entries untouched). Returns false and writes nothing when
// the grid size does not fit.
bool ComputeSourceMap(const TablePairData& forward, int width, int height, int gridColumns, int gridRows,
                      TablePairData& source, NearestSearch search = NearestSearch::Accelerated);

// Step 1 alone: the regular lattice, the forward grid with nodes beyond the
// right or bottom panel edge extrapolated from the last cell.
void BuildLattice(const TablePairData& forward, int width, int height, int gridColumns, int gridRows,
                  TablePairData& lattice);

}  // namespace vantis::model
