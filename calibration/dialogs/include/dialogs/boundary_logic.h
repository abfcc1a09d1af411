// The boundary dialog's tables and rules: grid numbers and zoom steps with
// their labels, the wheel's zoom step, the keys and what they do, the size of
// the wall's overlap table and the overlay style given to the camera view.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "vantis/overlap_table.h"

namespace meridan::dialogs {

inline constexpr std::array<int, 5> kGridNumbers = {2, 3, 5, 9, 17};
inline constexpr std::array<int, 5> kZoomPercents = {100, 80, 60, 40, 20};
// The editor's move steps (index into 0.5, 1, 3, 10, ... picture pixels) of an
// arrow key, and of an arrow key with Shift.
inline constexpr int kMoveStep = 1;       // 1 pixel
inline constexpr int kLargeMoveStep = 3;  // 10 pixels

// "%dx%d" of the grid number of index 0..4.
std::string GridLabel(int index);
// "%d%%" of the zoom of index 0..4.
std::string ZoomLabel(int index);

// One wheel notch: -1 towards the user with no modifier key, +1 otherwise.
int WheelStep(bool towardsUser, bool modifiers);
// Steps the zoom index; false (index unchanged) when the result leaves 0..range-1.
bool StepZoom(int& index, int step, int range);

enum class KeyAction { None, Move, Select, Swallow, Increase, Decrease };
// What a key does in the dialog (Qt key code); `keypad` for the numeric pad.
KeyAction ClassifyKey(int key);
// W, A, S, D as the arrow key codes the editor selects with (Qt key codes).
int SelectionKey(int key);

using vantis::OverlapTableSize;
// The wall's overlap table for the lattice of gridColumns x gridRows (a panel
// of 16 gc - 16 x 16 gr - 16 pixels) and the layout, as the grid-overlay
// plug-in fills it (vantis::OverlapTableSizeOf).
OverlapTableSize OverlapTableOf(int gridColumns, int gridRows, int columns, int rows, int overlapX,
                                int overlapY);

// The overlay style of the boundary grid: sixteen 32-bit values (colours with
// red in the low byte, widths, marker colours and sizes, overlap outline).
extern const std::array<std::uint32_t, 16> kBoundaryStyle;

}  // namespace meridan::dialogs
