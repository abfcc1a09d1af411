#include "link/blend_zones.h"

#include <cmath>

namespace vantis::link {

bool BlendEdgesValid(const BlendEdgeValues& edges) {
    for (int z = 0; z < kBlendZones; ++z)
        if (ZoneEnabled(edges, z) && ZoneWidth(edges, z) < kMinZoneWidth) return false;
    return true;
}

uint16_t RisingRampStep(int32_t width) {
    const double step = std::ceil(65536.0 / (double(width) - 1.0));
    return step > 0x7FFF ? uint16_t(0x7FFF) : uint16_t(step);
}

uint16_t FallingRampStart(int32_t width) {
    const double start = std::floor(65536.0 - 65536.0 / (double(width) - 1.0));
    return start < 0x8000 ? uint16_t(0x8000) : uint16_t(start);
}

uint16_t ZoneRampValue(int zone, int32_t width) {
    return zone == kZoneLeft || zone == kZoneTop ? RisingRampStep(width) : FallingRampStart(width);
}

uint16_t MergeZoneEnableFlags(uint16_t current, const BlendEdgeValues& edges) {
    uint16_t flags = current & ~uint16_t(0x000F);
    for (int z = 0; z < kBlendZones; ++z)
        if (ZoneEnabled(edges, z)) flags |= uint16_t(1u << z);
    return flags;
}

uint16_t GammaCode(double gamma) {
    double g = std::trunc(gamma * 100.0);
    if (!(g > 0.0)) g = 0.0;  // negative and NaN
    if (g > 65535.0) g = 65535.0;
    const uint16_t code = uint16_t(g);
    return code == 0 ? uint16_t(1) : code;
}

PanelSize ResolutionPanelSize(int32_t type) {
    static constexpr PanelSize kSizes[14] = {
        {1024, 768}, {1280, 720},  {1280, 800},  {1280, 800},  {1920, 1200}, {1920, 1200}, {1280, 720},
        {1280, 720}, {1920, 1080}, {1920, 1080}, {1920, 1080}, {1024, 768},  {1280, 800},  {1024, 768},
    };
    const int index = type & 0xFF;
    return index < 14 ? kSizes[index] : PanelSize{1024, 768};
}

BlendEdgeValues ResetBlendEdges(int32_t type) {
    const PanelSize p = ResolutionPanelSize(type);
    return {0, 0, 100, 0, p.width - 100, 100, 0, 0, 100, 0, p.height - 100, 100};
}

}  // namespace vantis::link
