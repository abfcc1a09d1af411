// Building the full grid from the adjust points: the four edges as natural
// cubic splines, the inside blended from the edges, and the local update
// around one interior adjust point.
#pragma once

#include "grid_math.h"

namespace gridveil::detail {

// What the construction needs to know besides the tables.
struct GridShape {
    double panelWidth = 0;   // nominal extent of the grid along its columns
    double panelHeight = 0;  // and along its rows
    int warpMode = 0;        // 1: every edge is split at its middle adjust point
};

// Index of the middle adjust point of an edge of n points: ceil(n / 2) - 1.
int MiddleIndex(int n);

// Grid column (or row) of adjust index i: i x (nodes - 1) / (n - 1) rounded
// half away from zero.
int GridIndexOfAdjust(int i, int n, int nodes);

// Rebuilds the whole grid from the adjust points (n x n). Two points a side:
// bilinear resampling of the corners. Otherwise the edges through the outer
// ring are sampled from natural cubic splines and the inner nodes blended
// from them. The edges pass through the outer adjust points.
void BuildFullGrid(const TableView& adjust, const TableView& grid, const GridShape& shape);

// Recomputes only the neighbourhood of the interior adjust point
// (column, row): the grid row and grid column through it between its
// neighbours, then the four grid blocks around it. The rest of the grid is
// kept, and the grid passes through the point.
void UpdateGridAround(const TableView& adjust, const TableView& grid, const GridShape& shape, int column,
                      int row);

// Fills the inner nodes of the grid block between columns c0..c1 and rows
// r0..r1 from its four boundary lines, which are left as they are.
void BlendBlock(const TableView& grid, int c0, int c1, int r0, int r1);

}  // namespace gridveil::detail
