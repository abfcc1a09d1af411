// What the calibration-sequence tests share: an engine that answers with the
// identity warp, and a boundary the calibration accepts.
#pragma once

#include <string>
#include <vector>

#include "VantisCore.h"
#include "calibration/calibration_sequence.h"

namespace vantis::calibration::testing {

// The engine's answer: the identity grid of the pattern type for every channel.
inline EngineCalls IdentityEngine() {
    EngineCalls calls;
    calls.doImageWarping = [](const std::string&, const std::vector<std::string>&,
                              const std::vector<std::string>&, const std::vector<std::string>&,
                              const std::vector<double>&, PatternType type, std::int32_t count, WarpingMode,
                              std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              const BoundaryGrid&, std::int32_t*, std::vector<WarpGrid>* warps) {
        WarpGrid grid;
        AutoWarpInitWarping(&grid, type);
        warps->assign(static_cast<std::size_t>(count), grid);
        return WarpResult{};
    };
    return calls;
}

// A boundary the calibration accepts: a rectangle inside a 1920 x 1080 picture.
inline void MarkBoundary(VantisAuto::CDoc& doc) {
    for (int c = 0; c < kBoundaryColumns; ++c)
        for (int r = 0; r < kBoundaryRows; ++r) {
            doc.m_boundary.m_tableB.x[c][r] = 100.0f + 1700.0f * c / (kBoundaryColumns - 1);
            doc.m_boundary.m_tableB.y[c][r] = 100.0f + 880.0f * r / (kBoundaryRows - 1);
        }
}

}  // namespace vantis::calibration::testing
