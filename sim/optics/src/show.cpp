#include "wallsim/show.h"

namespace wallsim {

bool ParseShow(const std::string& n, Show* show) {
    if (n == "black")
        *show = Show::Black;
    else if (n == "white")
        *show = Show::White;
    else if (n == "centre" || n == "center")
        *show = Show::Centre;
    else if (n == "grid")
        *show = Show::Grid;
    else if (n == "picture")
        *show = Show::Picture;
    else
        return false;
    return true;
}

bool PatternGeometry(int width, int height, bool centre, std::array<int, 12>* g) {
    // Panel size, block columns and rows, pitch, block size, first centre column and row.
    struct Row {
        int w, h, cols, rows, pitch, block, cc, cr;
    };
    static const Row kTable[] = {{1024, 768, 32, 24, 32, 16, 15, 11},
                                 {1280, 800, 40, 25, 32, 16, 19, 11},
                                 {1920, 1200, 30, 19, 64, 32, 14, 9},
                                 {1920, 1080, 30, 17, 64, 32, 14, 7},
                                 {1280, 720, 40, 23, 32, 16, 19, 10}};
    for (const Row& r : kTable) {
        if (r.w != width || r.h != height) continue;
        if (centre)
            *g = {r.block, r.block, r.pitch, r.pitch, 0, 0, r.cc, r.cc + 2, r.cr, r.cr + 2, 1, 1};
        else
            *g = {r.block, r.block, r.pitch, r.pitch, 0, 0, 0, r.cols + 1, 0, r.rows + 1, 1, 1};
        return true;
    }
    return false;
}

PanelState ShowState(const ProjectorSpec& p, Show show) {
    PanelState s;
    s.width = p.width;
    s.height = p.height;
    switch (show) {
        case Show::Black:
            s.blanked = true;
            break;
        case Show::White:
            s.solidOn = true;
            s.solidColour = 0xFFFFFF;
            break;
        case Show::Centre:
        case Show::Grid:
            s.pattern = PanelPattern::Rectangle;
            s.patternColour = 0xFFFFFF;
            if (!PatternGeometry(p.width, p.height, show == Show::Centre, &s.geometry)) s.blanked = true;
            break;
        case Show::Picture:
            break;
    }
    return s;
}

}  // namespace wallsim
