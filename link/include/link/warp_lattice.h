// The engine board's warp lattice: conversion of a source map (panel pixels
// per grid node) into the board's fixed-point lookup lattice and the 1024-byte
// blocks that carry it. Pure computations; no I/O.
//
// Board lattice: 128 columns x 78 rows on a 16-pixel pitch. Board column k
// lies at panel x = 16 (k - 4), so columns 0..3 lie left of the panel; board
// row r is grid row r. An entry is two 16-bit codes (x, y) in 1/16 pixel;
// codes 0xC000..0xFFFF stand for -16384..-1, all others for 0 upward.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vantis::link {

inline constexpr int kLatticeColumns = 128;
inline constexpr int kLatticeRows = 78;
inline constexpr int kLatticeLeftColumns = 4;         // board columns left of the panel
inline constexpr int kNodePitch = 16;                 // panel pixels between grid nodes
inline constexpr std::size_t kWarpBlockBytes = 1024;  // two lattice rows
inline constexpr int kWarpBlockCount = kLatticeRows / 2;

// The largest panel whose grid (columns 0..ceil(W/16), rows 0..ceil(H/16))
// still fits the lattice: grid column ceil(W/16) must be a board column and
// grid row ceil(H/16) a board row.
inline constexpr int kMaxPanelWidth = (kLatticeColumns - 1 - kLatticeLeftColumns) * kNodePitch;  // 1968
inline constexpr int kMaxPanelHeight = (kLatticeRows - 1) * kNodePitch;                          // 1232

// Panel size and the grid that covers it: columns 0..columns, rows 0..rows.
struct PanelGrid {
    int width = 0;
    int height = 0;
    int columns = 0;  // ceil(width / 16)
    int rows = 0;     // ceil(height / 16)
};

// The grid of a panel, or nothing when the panel is empty, negative or larger
// than the lattice can hold.
std::optional<PanelGrid> PanelGridFor(int32_t width, int32_t height);

// Read-only view of a pair of caller-owned tables indexed [column][row].
struct ColumnTables {
    const float* const* x = nullptr;
    const float* const* y = nullptr;
    float X(int column, int row) const { return x[column][row]; }
    float Y(int column, int row) const { return y[column][row]; }
};

// One lattice entry as the board stores it: 16-bit codes in 1/16 pixel.
struct LatticeCode {
    uint16_t x = 0;
    uint16_t y = 0;
    bool operator==(const LatticeCode&) const = default;
};

using LatticeCodes = std::array<LatticeCode, kLatticeColumns * kLatticeRows>;  // row-major
using WarpBlock = std::array<uint8_t, kWarpBlockBytes>;

// Fixed point of a source-map coordinate: the integer part of 16 v + 0.5,
// x clamped to -16384..32960, y to -16384..49136 with anything above 49136
// sent as 49151. NaN is sent as -16384 (off the picture). Low 16 bits.
uint16_t SourceXCode(float v);
uint16_t SourceYCode(float v);

// The signed value, in 1/16 pixel, that a lattice code stands for.
inline int32_t LatticeCodeValue(uint16_t code) {
    return code >= 0xC000 ? int32_t(code) - 0x10000 : int32_t(code);
}

// x of a board column right of the panel, `beyond` columns past grid column
// `columns` (0 for the grid column itself). A last column that reaches the
// panel edge (x >= width) is held; one that stops short continues the last grid
// cell outward (its step, never negative), so the map stays continuous and
// monotone where the board interpolates its last cell.
float RightOfPanelX(float last, float beforeLast, int width, int beyond);

// The whole lattice from the source map (columns 0..grid.columns, rows 0..77).
void ComputeLattice(const ColumnTables& source, const PanelGrid& grid, LatticeCodes& out);

// Block b (0..38): rows 2b and 2b + 1, entry k of a row at 4 ((r mod 2) 128 + k),
// x then y, little-endian.
void PackWarpBlock(const LatticeCodes& lattice, int block, WarpBlock& out);

}  // namespace vantis::link
