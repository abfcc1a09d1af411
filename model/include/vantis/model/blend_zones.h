// The blend zones of every channel of a wall: the one rule the calibration's
// download, the MPCDI export and the simulated wall's measurement share.
//
// Without a calibration the zones come from the layout's overlap alone: a
// channel with a neighbour to its right falls over the last overlap columns of
// its picture, the neighbour rises over its first ones, and so on for rows;
// each zone at least 50 pixels wide.
//
// Once calibrated, a projector may not reach the whole overlap its picture
// asks for (the physical overlap of two projectors is narrower somewhere along
// the seam, typically at a corner where three or four tiles meet): the part
// of its picture beyond its panel is never shown, and its ramp's share of the
// light there is lost. The zones of each seam are therefore narrowed to the
// picture columns (rows) that every channel on both sides of the seam really
// shows, the same on every channel of the seam, so that the ramps still add up
// to one wherever they apply.
#pragma once

#include <cstdint>
#include <vector>

#include "vantis/model/timing.h"
#include "vantis_link_tables.h"

namespace VantisAuto {
class CDoc;
}

namespace vantis::model {

// Where the boards apply their ramps, and so what the zones are given in.
enum class BlendZoneRule {
    kPicture,     // to the input picture before the warp: zones in picture pixels
    kFollowWarp,  // to the warped output: zones in panel pixels, placed where the
                  // overlap's picture columns (rows) land in the panel
};

// Narrowest zone from the overlap alone, and narrowest zone of a seam narrowed
// to what its projectors share (the boards' ramps need two pixels).
inline constexpr int kMinBlendZoneWidth = 50;
inline constexpr int kMinSeamZoneWidth = 2;

// The zones of the channel at 1-based (column, row) of a layout from the
// overlap alone (horizontal, vertical; each at least 50 wide), for a panel of
// width x height.
BlendEdges ComputeBlendEdges(int overlapX, int overlapY, int width, int height, LayoutInfo layout, int column,
                             int row);

// A channel's forward warp as the engine gives it: the panel position of each
// picture node, row by row; nodes every 16 picture pixels, the last column
// (row) on the panel's far edge.
struct ZoneWarp {
    int columns = 0, rows = 0;
    std::vector<float> x, y;  // columns * rows values; empty: not calibrated
};

struct ZoneChannel {
    int column = 1, row = 1;  // 1-based place in the layout
    ZoneWarp warp;
};

struct ZoneWall {
    int overlapX = 0, overlapY = 0;  // picture overlap between neighbours, pixels
    int width = 0, height = 0;       // panel (and picture tile) size
    LayoutInfo layout;
};

// The nodes of the engine's warp grid for a panel side: one every 16 pixels and
// one on the far edge.
int WarpNodesFor(int size);

// The zones of every channel, in the order given. Channels without a warp
// neither narrow a seam nor move their zones: they keep the layout's zones.
std::vector<BlendEdges> WallBlendZones(const ZoneWall& wall, const std::vector<ZoneChannel>& channels,
                                       BlendZoneRule rule);

// The same for a document: panel size from its timing, overlap and layout from
// its settings, warps from the forward tables once it is calibrated
// (DocumentWarps) or, given, the warps kept for its channels (warps_file.h).
// The caller holds the document lock.
struct StoredWarp;
std::vector<BlendEdges> DocumentBlendZones(const VantisAuto::CDoc& doc, BlendZoneRule rule,
                                           const std::vector<StoredWarp>* warps = nullptr);

// The rule of default.ini ([BLEND] FOLLOW_WARP, beside the program), read
// when first asked: kPicture unless the file sets FOLLOW_WARP=1. Tests set it.
BlendZoneRule ConfiguredBlendZoneRule();
void SetConfiguredBlendZoneRule(BlendZoneRule rule);

}  // namespace vantis::model
