#include "wallsim/board_view.h"

namespace wallsim {

PanelState PanelStateFromBoard(const BoardState& b, int width, int height) {
    PanelState s;
    s.width = width;
    s.height = height;
    s.blanked = b.blanked;
    s.solidOn = b.solidShown;
    s.solidColour = b.solidColour;
    switch (b.pattern.kind) {
        case PatternKind::kNone: s.pattern = PanelPattern::None; break;
        case PatternKind::kRectangle: s.pattern = PanelPattern::Rectangle; break;
        case PatternKind::kCircle: s.pattern = PanelPattern::Circle; break;
    }
    s.patternColour = b.pattern.colour;
    for (size_t i = 0; i < s.geometry.size(); ++i) s.geometry[i] = b.pattern.geometry[i];
    for (const Line& l : b.lines) s.lines.push_back({l.vertical, l.x, l.y, l.length, l.colour});
    return s;
}

}  // namespace wallsim
