#include "grid_build.h"

#include <cmath>
#include <vector>

namespace gridveil::detail {

int MiddleIndex(int n) { return (n + 1) / 2 - 1; }

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
    const NaturalSpline first({knots.begin(), knots.begin() + mid + 1}, {values.begin(), values.begin() + mid + 1});
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

// The edge along adjust row `row` (horizontal) or adjust column `column`.
EdgeSamples SampleRowEdge(const TableView& adjust, int n, int row, double length, int count, bool split) {
    std::vector<double> xs(n), ys(n);
    for (int i = 0; i < n; ++i) {
        xs[i] = adjust.X(i, row);
        ys[i] = adjust.Y(i, row);
    }
    return {SampleEdge(xs, length, count, split), SampleEdge(ys, length, count, split)};
}

EdgeSamples SampleColumnEdge(const TableView& adjust, int n, int column, double length, int count, bool split) {
    std::vector<double> xs(n), ys(n);
    for (int j = 0; j < n; ++j) {
        xs[j] = adjust.X(column, j);
        ys[j] = adjust.Y(column, j);
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
    const EdgeSamples top = SampleRowEdge(adjust, n, 0, shape.panelWidth, cols, split);
    const EdgeSamples bottom = SampleRowEdge(adjust, n, n - 1, shape.panelWidth, cols, split);
    const EdgeSamples left = SampleColumnEdge(adjust, n, 0, shape.panelHeight, rows, split);
    const EdgeSamples right = SampleColumnEdge(adjust, n, n - 1, shape.panelHeight, rows, split);

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
std::vector<double> SampleLocal(const double values[3], const double knots[3], double spacing, int first, int last,
                                bool straight) {
    std::vector<double> out;
    out.reserve(last - first + 1);
    const NaturalSpline curve({knots[0], knots[1], knots[2]}, {values[0], values[1], values[2]});
    const NaturalSpline leftPiece({knots[0], knots[1]}, {values[0], values[1]});
    const NaturalSpline rightPiece({knots[1], knots[2]}, {values[1], values[2]});
    for (int g = first; g <= last; ++g) {
        const double t = g * spacing;
        if (!straight) out.push_back(curve(t));
        else out.push_back(t <= knots[1] ? leftPiece(t) : rightPiece(t));
    }
    return out;
}

}  // namespace

void UpdateGridAround(const TableView& adjust, const TableView& grid, const GridShape& shape, int column, int row) {
    const int n = adjust.columns;
    if (!adjust.Valid() || !grid.Valid() || adjust.rows != n || n < 3) return;
    if (column <= 0 || column >= n - 1 || row <= 0 || row >= n - 1) return;
    const int m = grid.columns - 1, q = grid.rows - 1;
    if (m < 1 || q < 1) return;

    const int gl = GridIndexOfAdjust(column - 1, n, grid.columns);
    const int gc = GridIndexOfAdjust(column, n, grid.columns);
    const int gr = GridIndexOfAdjust(column + 1, n, grid.columns);
    const int gt = GridIndexOfAdjust(row - 1, n, grid.rows);
    const int gm = GridIndexOfAdjust(row, n, grid.rows);
    const int gb = GridIndexOfAdjust(row + 1, n, grid.rows);
    const int mid = MiddleIndex(n);
    const bool split = shape.warpMode == 1;

    // (a) The grid row through the point, between the left and right neighbours.
    {
        const double knots[3] = {(column - 1) * shape.panelWidth / (n - 1), column * shape.panelWidth / (n - 1),
                                 (column + 1) * shape.panelWidth / (n - 1)};
        const double xs[3] = {adjust.X(column - 1, row), adjust.X(column, row), adjust.X(column + 1, row)};
        const double ys[3] = {adjust.Y(column - 1, row), adjust.Y(column, row), adjust.Y(column + 1, row)};
        const double spacing = shape.panelWidth / m;
        const bool straight = split && column == mid;
        const auto sx = SampleLocal(xs, knots, spacing, gl, gr, straight);
        const auto sy = SampleLocal(ys, knots, spacing, gl, gr, straight);
        for (int g = gl; g <= gr; ++g) {
            grid.X(g, gm) = static_cast<float>(sx[g - gl]);
            grid.Y(g, gm) = static_cast<float>(sy[g - gl]);
        }
    }
    // ... and the grid column through it, between the upper and lower ones.
    {
        const double knots[3] = {(row - 1) * shape.panelHeight / (n - 1), row * shape.panelHeight / (n - 1),
                                 (row + 1) * shape.panelHeight / (n - 1)};
        const double xs[3] = {adjust.X(column, row - 1), adjust.X(column, row), adjust.X(column, row + 1)};
        const double ys[3] = {adjust.Y(column, row - 1), adjust.Y(column, row), adjust.Y(column, row + 1)};
        const double spacing = shape.panelHeight / q;
        const bool straight = split && row == mid;
        const auto sx = SampleLocal(xs, knots, spacing, gt, gb, straight);
        const auto sy = SampleLocal(ys, knots, spacing, gt, gb, straight);
        for (int g = gt; g <= gb; ++g) {
            grid.X(gc, g) = static_cast<float>(sx[g - gt]);
            grid.Y(gc, g) = static_cast<float>(sy[g - gt]);
        }
    }
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
