#include "grid_build.h"

#include <cmath>
#include <vector>

namespace gridveil::detail {

int MiddleIndex(int n) {
    return (n + 1) / 2 - 1;
}

int GridIndexOfAdjust(int i, int n, int nodes) {
    if (n < 2) return 0;
    return static_cast<int>(RoundHalfAway(static_cast<double>(i) * (nodes - 1) / (n - 1)));
}

namespace {

// Fraction |v(i) - v(0)| / |v(last) - v(0)|; when the line has no extent the
// nominal position i / last stands in, so a collapsed edge never divides by 0.
double Fraction(double vi, double v0, double vLast, int i, int last) {
    const double span = std::fabs(vLast - v0);
    if (span < 1e-9) return last > 0 ? static_cast<double>(i) / last : 0.0;
    return std::fabs(vi - v0) / span;
}

// Samples one coordinate of an edge through `values` (n adjust points at
// knots k x length / (n - 1)) at l x length / (count - 1), l = 0 .. count - 1.
// Split edges use two splines that share the middle point.
std::vector<double> SampleEdge(const std::vector<double>& values, double length, int count, bool split) {
    const int n = static_cast<int>(values.size());
    std::vector<double> knots(n);
    for (int k = 0; k < n; ++k) knots[k] = n > 1 ? k * length / (n - 1) : 0.0;

    std::vector<double> out(count);
    const auto sample = [&](const NaturalSpline& s, int l) {
        out[l] = s(count > 1 ? l * length / (count - 1) : 0.0);
    };
    if (!split || n < 3) {
        const NaturalSpline s(knots, values);
        for (int l = 0; l < count; ++l) sample(s, l);
        return out;
    }
    const int mid = MiddleIndex(n);
    const NaturalSpline first({knots.begin(), knots.begin() + mid + 1},
                              {values.begin(), values.begin() + mid + 1});
    const NaturalSpline second({knots.begin() + mid, knots.end()}, {values.begin() + mid, values.end()});
    for (int l = 0; l < count; ++l) {
        const double t = count > 1 ? l * length / (count - 1) : 0.0;
        sample(t <= knots[mid] ? first : second, l);
    }
    return out;
}

struct EdgeSamples {
    std::vector<double> x;
    std::vector<double> y;
};

// The edge through adjust row `index` (alongRow) or adjust column `index`.
EdgeSamples SampleAdjustEdge(const TableView& adjust, int n, bool alongRow, int index, double length,
                             int count, bool split) {
    std::vector<double> xs(n), ys(n);
    for (int k = 0; k < n; ++k) {
        const int column = alongRow ? k : index, row = alongRow ? index : k;
        xs[k] = adjust.X(column, row);
        ys[k] = adjust.Y(column, row);
    }
    return {SampleEdge(xs, length, count, split), SampleEdge(ys, length, count, split)};
}

}  // namespace

void BlendBlock(const TableView& grid, int c0, int c1, int r0, int r1) {
    const int m = c1 - c0;
    const int q = r1 - r0;
    if (m < 2 && q < 2) return;  // no inner nodes
    for (int l = 1; l < m; ++l) {
        const int c = c0 + l;
        const double ft = Fraction(grid.X(c, r0), grid.X(c0, r0), grid.X(c1, r0), l, m);
        const double fb = Fraction(grid.X(c, r1), grid.X(c0, r1), grid.X(c1, r1), l, m);
        const double u = static_cast<double>(l) / m;
        for (int k = 1; k < q; ++k) {
            const int r = r0 + k;
            const double v = static_cast<double>(k) / q;
            const double lx = grid.X(c0, r), rx = grid.X(c1, r);
            const double fl = Fraction(grid.Y(c0, r), grid.Y(c0, r0), grid.Y(c0, r1), k, q);
            const double fr = Fraction(grid.Y(c1, r), grid.Y(c1, r0), grid.Y(c1, r1), k, q);
            const double ty = grid.Y(c, r0), by = grid.Y(c, r1);
            grid.X(c, r) = static_cast<float>(lx + (ft + (fb - ft) * v) * (rx - lx));
            grid.Y(c, r) = static_cast<float>(ty + (fl + (fr - fl) * u) * (by - ty));
        }
    }
}

void BuildFullGrid(const TableView& adjust, const TableView& grid, const GridShape& shape) {
    const int n = adjust.columns;
    if (!adjust.Valid() || !grid.Valid() || n < 2 || adjust.rows != n) return;
    if (n == 2 || grid.columns < 2 || grid.rows < 2) {
        ResampleBilinear(adjust, grid);
        return;
    }
    const int cols = grid.columns, rows = grid.rows;
    const bool split = shape.warpMode == 1;
    const EdgeSamples top = SampleAdjustEdge(adjust, n, true, 0, shape.panelWidth, cols, split);
    const EdgeSamples bottom = SampleAdjustEdge(adjust, n, true, n - 1, shape.panelWidth, cols, split);
    const EdgeSamples left = SampleAdjustEdge(adjust, n, false, 0, shape.panelHeight, rows, split);
    const EdgeSamples right = SampleAdjustEdge(adjust, n, false, n - 1, shape.panelHeight, rows, split);

    // The edge nodes take the sampled splines directly, so that the grid runs
    // exactly through the outer ring; the inner nodes are blended from them.
    for (int l = 0; l < cols; ++l) {
        grid.X(l, 0) = static_cast<float>(top.x[l]);
        grid.Y(l, 0) = static_cast<float>(top.y[l]);
        grid.X(l, rows - 1) = static_cast<float>(bottom.x[l]);
        grid.Y(l, rows - 1) = static_cast<float>(bottom.y[l]);
    }
    for (int k = 0; k < rows; ++k) {
        grid.X(0, k) = static_cast<float>(left.x[k]);
        grid.Y(0, k) = static_cast<float>(left.y[k]);
        grid.X(cols - 1, k) = static_cast<float>(right.x[k]);
        grid.Y(cols - 1, k) = static_cast<float>(right.y[k]);
    }
    BlendBlock(grid, 0, cols - 1, 0, rows - 1);
}

namespace {

// Three adjust points around the selected one along a row or column, sampled
// into grid nodes first..last (grid positions of the outer two). At the
// middle point of a split edge each side is a straight two-point piece.
std::vector<double> SampleLocal(const double values[3], const double knots[3], double spacing, int first,
                                int last, bool straight) {
    std::vector<double> out;
    out.reserve(last - first + 1);
    const NaturalSpline curve({knots[0], knots[1], knots[2]}, {values[0], values[1], values[2]});
    const NaturalSpline leftPiece({knots[0], knots[1]}, {values[0], values[1]});
    const NaturalSpline rightPiece({knots[1], knots[2]}, {values[1], values[2]});
    for (int g = first; g <= last; ++g) {
        const double t = g * spacing;
        if (!straight)
            out.push_back(curve(t));
        else
            out.push_back(t <= knots[1] ? leftPiece(t) : rightPiece(t));
    }
    return out;
}

// Step (a) of the local update in one direction: the selected adjust point
// and its two neighbours along its row (alongRow) or its column, sampled into
// the grid line through the point between the neighbours' grid positions.
void RefillLocalLine(const TableView& adjust, const TableView& grid, const GridShape& shape, bool alongRow,
                     int column, int row) {
    const int n = adjust.columns;
    const int selected = alongRow ? column : row;
    const int nodes = alongRow ? grid.columns : grid.rows;
    const double length = alongRow ? shape.panelWidth : shape.panelHeight;
    const int line =
        alongRow ? GridIndexOfAdjust(row, n, grid.rows) : GridIndexOfAdjust(column, n, grid.columns);
    const int first = GridIndexOfAdjust(selected - 1, n, nodes);
    const int last = GridIndexOfAdjust(selected + 1, n, nodes);
    double knots[3], xs[3], ys[3];
    for (int k = 0; k < 3; ++k) {
        const int a = selected - 1 + k;
        const int c = alongRow ? a : column, r = alongRow ? row : a;
        knots[k] = a * length / (n - 1);
        xs[k] = adjust.X(c, r);
        ys[k] = adjust.Y(c, r);
    }
    const bool straight = shape.warpMode == 1 && selected == MiddleIndex(n);
    const double spacing = length / (nodes - 1);
    const auto sx = SampleLocal(xs, knots, spacing, first, last, straight);
    const auto sy = SampleLocal(ys, knots, spacing, first, last, straight);
    for (int g = first; g <= last; ++g) {
        const int c = alongRow ? g : line, r = alongRow ? line : g;
        grid.X(c, r) = static_cast<float>(sx[g - first]);
        grid.Y(c, r) = static_cast<float>(sy[g - first]);
    }
}

}  // namespace

void UpdateGridAround(const TableView& adjust, const TableView& grid, const GridShape& shape, int column,
                      int row) {
    const int n = adjust.columns;
    if (!adjust.Valid() || !grid.Valid() || adjust.rows != n || n < 3) return;
    if (column <= 0 || column >= n - 1 || row <= 0 || row >= n - 1) return;
    if (grid.columns < 2 || grid.rows < 2) return;

    const int gl = GridIndexOfAdjust(column - 1, n, grid.columns);
    const int gc = GridIndexOfAdjust(column, n, grid.columns);
    const int gr = GridIndexOfAdjust(column + 1, n, grid.columns);
    const int gt = GridIndexOfAdjust(row - 1, n, grid.rows);
    const int gm = GridIndexOfAdjust(row, n, grid.rows);
    const int gb = GridIndexOfAdjust(row + 1, n, grid.rows);

    // (a) The grid row and the grid column through the point, between its
    // neighbours.
    RefillLocalLine(adjust, grid, shape, true, column, row);
    RefillLocalLine(adjust, grid, shape, false, column, row);
    // The node of the point itself is the point, whatever the rounding of the
    // grid positions.
    grid.X(gc, gm) = adjust.X(column, row);
    grid.Y(gc, gm) = adjust.Y(column, row);

    // (b) The four blocks around the point.
    BlendBlock(grid, gl, gc, gt, gm);
    BlendBlock(grid, gc, gr, gt, gm);
    BlendBlock(grid, gl, gc, gm, gb);
    BlendBlock(grid, gc, gr, gm, gb);
}

}  // namespace gridveil::detail
