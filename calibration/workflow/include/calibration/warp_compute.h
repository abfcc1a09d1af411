// From the stored photos to the channels' warp tables: a threshold per channel
// (AutoWarpCalThreshold) and the warps of all channels at once
// (AutoDoImageWarping), copied into the forward tables and inverted into the
// source maps.
#pragma once

#include "calibration/engine_port.h"
#include "vantis/model/document.h"

namespace vantis::calibration {

// Under the lock, each channel's threshold from its black and white photos.
void ComputeThresholds(VantisAuto::CDoc& doc, const EngineCalls& engine);

// The boundary grid (129 x 65, row by row) from the boundary's second point table.
BoundaryGrid BoundaryGridOf(const CBoundaryDoc& boundary);

struct WarpOutcome {
    WarpStatus status = kWarpOk;  // the engine's status; 2 also when its answer does not fit the document
    int channel = 0;              // on failure the engine's 1-based channel
    // The engine's figures, one per channel, when it gave them (on success and
    // when it found a channel's grid inconsistent).
    std::vector<ChannelFigures> figures;
};

// Calls the engine (without the lock) and on success fills every channel's
// forward and source-map tables. Shows no message.
WarpOutcome ComputeWarps(VantisAuto::CDoc& doc, const EngineCalls& engine);

}  // namespace vantis::calibration
