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
        case PatternKind::kNone:
            s.pattern = PanelPattern::None;
            break;
        case PatternKind::kRectangle:
            s.pattern = PanelPattern::Rectangle;
            break;
        case PatternKind::kCircle:
            s.pattern = PanelPattern::Circle;
            break;
    }
    s.patternColour = b.pattern.colour;
    for (size_t i = 0; i < s.geometry.size(); ++i) s.geometry[i] = b.pattern.geometry[i];
    for (const Line& l : b.lines) s.lines.push_back({l.vertical, l.x, l.y, l.length, l.colour});
    for (size_t i = 0; i < s.lattice.nodes.size(); ++i)
        s.lattice.nodes[i] = {static_cast<float>(b.warp.nodes[i].x / 16.0),
                              static_cast<float>(b.warp.nodes[i].y / 16.0)};
    for (int z = 0; z < 4; ++z) {
        const BlendZoneState& bz = b.blend.zones[z];
        s.blend[z] = {bz.enabled, bz.start, bz.width, bz.ramp};
    }
    s.gammaMode = b.blend.gammaMode == 1;
    s.gamma = b.blend.Gamma();
    return s;
}

}  // namespace wallsim
