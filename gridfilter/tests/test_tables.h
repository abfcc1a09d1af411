// Owned point and rectangle tables for the tests, laid out as the project
// document lays out its own: one allocation per column, indexed [column][row].
#pragma once

#include <vector>

#include "Gridveil/GridTables.h"

namespace gridveil::testing {

class OwnedTable {
  public:
    OwnedTable(int columns, int rows);
    grid::PointPP& Descriptor() { return descriptor_; }
    float X(int c, int r) const { return xs_[c][r]; }
    float Y(int c, int r) const { return ys_[c][r]; }
    void Set(int c, int r, float x, float y) {
        xs_[c][r] = x;
        ys_[c][r] = y;
    }

  private:
    std::vector<std::vector<float>> xs_, ys_;
    std::vector<float*> xColumns_, yColumns_;
    grid::PointPP descriptor_;
};

class OwnedRect {
  public:
    OwnedRect(int columns, int rows);
    grid::RectPP& Descriptor() { return descriptor_; }
    float Left(int c, int r) const { return tables_[0][c][r]; }
    float Top(int c, int r) const { return tables_[1][c][r]; }
    float Right(int c, int r) const { return tables_[2][c][r]; }
    float Bottom(int c, int r) const { return tables_[3][c][r]; }

  private:
    std::vector<std::vector<float>> tables_[4];
    std::vector<float*> columns_[4];
    grid::RectPP descriptor_;
};

// The document's table sizes: point tables 140 x 81, rectangle 17 x 17.
struct BoundaryTables {
    OwnedTable adjust{140, 81};
    OwnedTable grid{140, 81};
    OwnedTable coarse{140, 81};
    OwnedRect markers{17, 17};
};

}  // namespace gridveil::testing
