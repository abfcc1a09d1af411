// From the stored photos to the channels' warp tables: a threshold per channel
// (AutoWarpCalThreshold) and the warps of all channels at once
// (AutoDoImageWarping), copied into the forward tables and inverted into the
// source maps.
#pragma once

#include <string>

#include "calibration/engine_port.h"
#include "vantis/model/config.h"
#include "vantis/model/document.h"

namespace vantis::calibration {

// Under the lock, each channel's threshold from its black and white photos.
void ComputeThresholds(VantisAuto::CDoc& doc, const EngineCalls& engine);

// The boundary grid (129 x 65, row by row) from the boundary's second point table.
BoundaryGrid BoundaryGridOf(const CBoundaryDoc& boundary);

// Writes a 129 x 65 grid (row by row) into all three of the boundary's point tables.
void SetBoundaryGrid(const BoundaryGrid& grid, CBoundaryDoc& boundary);

// The automatic boundary from the channels' stored black and white photos
// (the engine called without the lock), into *grid and not into the
// document: a grid of the wrong size or with a point that is not a number is
// refused (status 2). On failure *grid is left as it was.
BoundaryResult FindAutoBoundary(VantisAuto::CDoc& doc, const EngineCalls& engine, BoundaryGrid* grid);

// FindAutoBoundary, stored: on success the document's boundary tables hold it
// and the boundary counts as done; on failure the document is left as it was.
BoundaryResult ComputeAutoBoundary(VantisAuto::CDoc& doc, const EngineCalls& engine);

// What a failed automatic boundary's status means, for a log line or a message.
std::string BoundaryFailureText(const BoundaryResult& result);

struct WarpOutcome {
    WarpStatus status = kWarpOk;  // the engine's status; 2 also when its answer does not fit the document
    int channel = 0;              // on failure the engine's 1-based channel
    // The engine's figures, one per channel, when it gave them (on success and
    // when it found a channel's grid inconsistent).
    std::vector<ChannelFigures> figures;
};

// The engine's settings from default.ini ([ENGINE] CENTRES: "centroid", the
// default, or "box"), as the engine takes them.
WarpOptions WarpOptionsOf(const vantis::model::Defaults& defaults);
// The programs' engine settings: read from default.ini beside the program when
// a calibration first asks (centroids when the file cannot be read). Tests set them.
WarpOptions DefaultWarpOptions();
void SetDefaultWarpOptions(const WarpOptions& options);

// Calls the engine (without the lock) with DefaultWarpOptions() and on success
// fills every channel's forward and source-map tables. Shows no message.
WarpOutcome ComputeWarps(VantisAuto::CDoc& doc, const EngineCalls& engine);

}  // namespace vantis::calibration
