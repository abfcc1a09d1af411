// Pieces of the document operations that drive the projectors (the operations
// themselves are members of VantisAuto::CDoc): preview colours and
// lines, the identity warp of a timing and the warp-prepare exchange.
#pragma once

#include <cstdint>

#include "vantis/model/blend_zones.h"  // ComputeBlendEdges
#include "vantis/model/float_table.h"
#include "vantis/model/timing.h"
#include "vantis_link_tables.h"
#include "vantis_link_types.h"

namespace vantis::model {

// Colours are kept as 0x00BBGGRR and sent as 0x00RRGGBB.
constexpr std::uint32_t SwapRedBlue(std::uint32_t colour) {
    return (colour & 0xFF00FF00u) | ((colour & 0xFFu) << 16) | ((colour >> 16) & 0xFFu);
}

struct PreviewColours {
    std::uint32_t frame;  // 0x00BBGGRR
    std::uint32_t lines;  // 0x00BBGGRR
};
// Frame and overlap-line colours of the channel with this slot: neighbours
// draw in different colours.
PreviewColours PreviewColoursOf(int slot, LayoutInfo layout);

// One line command: vertical or horizontal, x, y, length (panel pixels).
struct PreviewLine {
    bool vertical;
    int x, y, length;
    bool operator==(const PreviewLine&) const = default;
};
// The panel frame, in drawing order.
int PanelFrameLines(int width, int height, PreviewLine out[4]);
// The overlap lines of the channel at 1-based (column, row), in drawing order
// (at most eight).
int OverlapLines(int overlapX, int overlapY, int width, int height, LayoutInfo layout, int column, int row,
                 PreviewLine out[8]);

// The identity warp of a timing: the engine's identity grid copied into
// forward tables and converted into source-map tables for the timing's panel.
// Tables are cleared first; a timing without a usable grid leaves the source
// tables zero.
void IdentityWarp(std::int32_t timing, TablePairData& forward, TablePairData& source);

// Outcomes of the warp-prepare exchange.
inline constexpr int kPrepareOk = 0;
inline constexpr int kPrepareRefused = 1;  // no link, or a reply other than 1
inline constexpr int kPrepareInvalid = 4;  // no reply or a malformed one

// Sends the raw frame FE 00 32 00 00 FF on the link's socket and reads one
// reply of at most 2054 bytes.
int WarpPrepareCommand(LinkHandle link);

}  // namespace vantis::model
