// Edge-blend zones, ramp values, gamma code and the panel sizes of the reset
// operations. Pure computations; no I/O.
//
// Blend edges: twelve 32-bit values, zones left, right, top, bottom, each
// enable, start, width. Left and top zones rise (a ramp step), right and
// bottom zones fall (a ramp start value).
#pragma once

#include <array>
#include <cstdint>

namespace vantis::link {

enum BlendZone { kZoneLeft = 0, kZoneRight = 1, kZoneTop = 2, kZoneBottom = 3 };
inline constexpr int kBlendZones = 4;
using BlendEdgeValues = std::array<int32_t, 3 * kBlendZones>;

inline bool ZoneEnabled(const BlendEdgeValues& e, int zone) {
    return e[3 * zone] != 0;
}
inline int32_t ZoneStart(const BlendEdgeValues& e, int zone) {
    return e[3 * zone + 1];
}
inline int32_t ZoneWidth(const BlendEdgeValues& e, int zone) {
    return e[3 * zone + 2];
}

// Narrowest zone whose ramp can be computed (the ramp divides by width - 1).
inline constexpr int32_t kMinZoneWidth = 2;

// True when every enabled zone is at least kMinZoneWidth wide. Disabled zones
// are never sent, so their width does not matter.
bool BlendEdgesValid(const BlendEdgeValues& edges);

// Rising zone: ceil(65536 / (width - 1)), at most 0x7FFF. Needs width >= 2.
uint16_t RisingRampStep(int32_t width);
// Falling zone: floor(65536 - 65536 / (width - 1)), at least 0x8000. Needs width >= 2.
uint16_t FallingRampStart(int32_t width);

// The ramp register value of a zone: the step for left/top, the start value
// for right/bottom.
uint16_t ZoneRampValue(int zone, int32_t width);

// The board's zone-enable word with bits 0..3 set from the four enables and
// all other bits kept.
uint16_t MergeZoneEnableFlags(uint16_t current, const BlendEdgeValues& edges);

// Gamma as the board takes it: the integer part of gamma x 100, limited to
// 0..65535 (NaN counts as 0), and 0 sent as 1.
uint16_t GammaCode(double gamma);

// Panel size of a ResolutionType (low 8 bits used; unknown types 1024 x 768).
struct PanelSize {
    int32_t width;
    int32_t height;
};
PanelSize ResolutionPanelSize(int32_t type);

// The edges the reset operations download: all four zones off, 100 pixels
// wide, right and bottom against the far panel edges.
BlendEdgeValues ResetBlendEdges(int32_t type);

}  // namespace vantis::link
