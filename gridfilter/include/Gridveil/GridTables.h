// Descriptors of caller-owned float point tables.
//
// The project document owns the tables; the camera view control and the grid
// editor plug-in receive these descriptors and read and write the floats in
// place. Copying a descriptor copies the pointers, never the tables.
//
// A point table is column-major: x[column][row] and y[column][row], each
// column an array of 32-bit floats indexed by row, coordinates in pixels of
// the picture the grid lies on. The owner allocates and frees every column.
#pragma once

namespace grid {

struct PointPP {
    float** x = nullptr;  // x[column][row]
    float** y = nullptr;  // y[column][row]
};

// Four tables of the same shape as a point table's x or y table. The grid
// editor uses them as its marker table: per adjust point (column, row) the
// entries x, y, x + r and y + r of the point's marker, r the marker radius.
struct RectPP {
    float** left = nullptr;    // x
    float** top = nullptr;     // y
    float** right = nullptr;   // x + r
    float** bottom = nullptr;  // y + r
};

}  // namespace grid
