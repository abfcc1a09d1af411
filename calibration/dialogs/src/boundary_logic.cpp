#include "dialogs/boundary_logic.h"

#include <Qt>
#include <cstdio>

namespace meridan::dialogs {

std::string GridLabel(int index) {
    const int n = kGridNumbers.at(static_cast<std::size_t>(index));
    char text[16];
    std::snprintf(text, sizeof text, "%dx%d", n, n);
    return text;
}

std::string ZoomLabel(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", kZoomPercents.at(static_cast<std::size_t>(index)));
    return text;
}

int WheelStep(bool towardsUser, bool modifiers) {
    return (towardsUser && !modifiers) ? -1 : 1;
}

bool StepZoom(int& index, int step, int range) {
    const int next = index + step;
    if (next < 0 || next > range - 1) return false;
    index = next;
    return true;
}

KeyAction ClassifyKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            return KeyAction::Move;
        case Qt::Key_W:
        case Qt::Key_A:
        case Qt::Key_S:
        case Qt::Key_D:
            return KeyAction::Select;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return KeyAction::Swallow;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return KeyAction::Increase;
        case Qt::Key_Minus:
            return KeyAction::Decrease;
        default:
            return KeyAction::None;
    }
}

int SelectionKey(int key) {
    switch (key) {
        case Qt::Key_W:
            return Qt::Key_Up;
        case Qt::Key_A:
            return Qt::Key_Left;
        case Qt::Key_S:
            return Qt::Key_Down;
        case Qt::Key_D:
            return Qt::Key_Right;
        default:
            return 0;
    }
}

OverlapTableSize OverlapTableOf(int gridColumns, int gridRows, int columns, int rows, int overlapX,
                                int overlapY) {
    return vantis::OverlapTableSizeOf(16 * gridColumns - 16, 16 * gridRows - 16, columns, rows, overlapX,
                                      overlapY);
}

const std::array<std::uint32_t, 16> kBoundaryStyle = {
    0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000, 255,  // line colours: first/last column, first/last row, others
    2,        2,        2,        2,        1,    // line widths
    0x00FF00, 0x00FF00, 20,       10,             // marker colours and sizes
    0xFFFF,   2,                                  // overlap outline colour and width
};

}  // namespace meridan::dialogs
