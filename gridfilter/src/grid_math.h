// Numeric helpers of the grid editor: rounding, natural cubic splines, views
// of caller-owned point tables and their bilinear resampling, and the small
// size rules (fitted picture, marker radius).
#pragma once

#include <vector>

#include "Gridveil/GridTables.h"

namespace gridveil::detail {

// Rounds half away from zero (2.5 -> 3, -2.5 -> -3).
double RoundHalfAway(double v);

// Converts to int, saturating instead of overflowing; NaN gives 0.
int SaturatingInt(double v);

// A caller-owned point table with the number of columns and rows that this
// editor uses of it. Columns are indexed first: x[column][row].
struct TableView {
    grid::PointPP table;
    int columns = 0;
    int rows = 0;

    bool Valid() const { return table.x != nullptr && table.y != nullptr && columns > 0 && rows > 0; }
    float& X(int column, int row) const { return table.x[column][row]; }
    float& Y(int column, int row) const { return table.y[column][row]; }
};

// Natural cubic spline (zero second derivative at both ends) through
// (knots[i], values[i]); knots strictly increasing. One knot gives a constant,
// two a straight line. Outside the knots the end pieces are extended.
class NaturalSpline {
  public:
    NaturalSpline(std::vector<double> knots, std::vector<double> values);
    double operator()(double t) const;

  private:
    std::vector<double> knots_;
    std::vector<double> values_;
    std::vector<double> second_;  // second derivatives at the knots
};

// Bilinear resampling of input (a x b nodes) to output (count x n nodes):
// output node (j, i) sits at g = j (a - 1) / (count - 1) along the columns and
// h = i (b - 1) / (n - 1) along the rows and blends the four input nodes
// around it. A single output column or row samples the first input one.
void ResampleBilinear(const TableView& input, const TableView& output);

// The frame fitted into 80 % of the view, keeping its aspect ratio, each side
// rounded half away from zero. Width and height are returned in out[0..1].
void FittedImageSize(int frameWidth, int frameHeight, int viewWidth, int viewHeight, int out[2]);

// Marker radius for a frame width: 0.005 x width rounded half away from zero,
// made odd by adding one when even.
int MarkerRadius(int frameWidth);

}  // namespace gridveil::detail
