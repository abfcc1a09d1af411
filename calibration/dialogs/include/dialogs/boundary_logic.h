// The boundary dialog's tables and rules: grid numbers and zoom steps with
// their labels, the wheel's zoom step, the keys and what they do, the size of
// the wall's overlap table, the overlay style given to the camera view, and the
// test pictures it shows on the projectors.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "vantis/overlap_table.h"

namespace VantisAuto {
class CDoc;
}

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

// The test pictures of the dialog (the dialog's Pattern values).
enum TestPicture { kPictureDesktop = 0, kPictureFullFill = 1, kPictureBorder = 2, kPictureOverlap = 3 };

// The projectors that did not take a command, by address, each once, in
// channel order.
using FailedProjectors = std::vector<std::uint32_t>;

// Each of these makes one pass over every channel under the document lock
// (a projector that fails does not stop the others; a dead or silent link
// costs its time-out) and returns the projectors that failed.
// Takes `shown` off the projectors: the solid colour of Full Fill, else the
// drawn picture.
FailedProjectors ClearTestPicture(VantisAuto::CDoc& doc, int shown);
// Draws `picture` (`previous` the one that was shown before, which Desktop
// takes off).
FailedProjectors DrawTestPicture(VantisAuto::CDoc& doc, int picture, int previous);
// The change from `previous` to `picture`: the old one cleared, the new one drawn.
FailedProjectors ChangeTestPicture(VantisAuto::CDoc& doc, int picture, int previous);
// Every projector's drawn picture cleared (on opening the dialog).
FailedProjectors ClearAllPictures(VantisAuto::CDoc& doc);

}  // namespace meridan::dialogs
