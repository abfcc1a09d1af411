// What the simulated board does to the picture: the warp lattice, the two
// resampling filters, the edge-blend zones with their gamma, and the three
// picture corrections. These are members of BoardState (board_state.h); the
// decoders in picture_decoders.h keep them up to date from the frames the link
// sends, and the optics render each panel from them.
//
// Coordinates: "panel pixels" are pixels of the projector's panel (output),
// x to the right from the left edge, y down from the top edge. The input
// picture the board warps is addressed in the same pixel units.
#pragma once

#include <array>
#include <cstdint>

namespace wallsim {

// --- Warp lattice -------------------------------------------------------------
//
// The board warps its picture by looking up, for every node of a fixed output
// lattice, where in the input picture to take what it shows there, and
// interpolates between nodes.
//
//   lattice columns k = 0..127: node at output panel x = 16 (k - 4) pixels
//                               (columns 0..3 lie left of the panel, column 4
//                               on its left edge);
//   lattice rows    r = 0..77:  node at output panel y = 16 r pixels.
//
// nodes[r * 128 + k] holds the input-picture position of that node in 1/16
// pixel, signed (the link sends 16-bit codes; 0xC000..0xFFFF decode to
// -16384..-1). Values are clamped by the sender: x to -16384..32960
// (-1024..2060 pixels), y to -16384..49151 (-1024..3071.94 pixels); such
// extreme values mean "outside the picture" (show black).
//
// At power-on the lattice is the identity: node (k, r) -> (16 (k - 4), 16 r)
// pixels. A download replaces it row by row as the data arrive; the rows a
// download does not reach keep their values.
struct LatticeNode {
    std::int32_t x = 0;  // 1/16 input pixel
    std::int32_t y = 0;  // 1/16 input pixel
    bool operator==(const LatticeNode&) const = default;
};

inline constexpr int kBoardLatticeColumns = 128;
inline constexpr int kBoardLatticeRows = 78;
inline constexpr int kBoardLatticeLeftColumns = 4;  // columns left of the panel
inline constexpr int kBoardLatticePitch = 16;       // panel pixels between nodes

struct WarpLattice {
    std::array<LatticeNode, kBoardLatticeColumns* kBoardLatticeRows> nodes = IdentityNodes();

    // Transfer bookkeeping. A transfer opens when page 1 registers 0x20-0x21
    // become 0x0040 and closes when they return to 0x0000. Blocks (command
    // 0x12, two rows each) fill rows 0-1, 2-3, ... in arrival order; the older
    // link instead streams bytes through page 1 register 0x23 at the entry the
    // pointer register 0x22 names (two writes: low byte, then high byte; entry
    // index = high * 256 + low = 128 r + k).
    bool transferOpen = false;
    int blocksReceived = 0;      // blocks of the open (or last) transfer
    int downloadsCompleted = 0;  // transfers opened and closed
    int pointer = 0;             // entry the data port writes next
    int pointerWrites = 0;       // writes to 0x22 since the transfer opened
    int portBytes = 0;           // bytes of the current entry received (0..3)
    std::array<std::uint8_t, 4> portEntry{};

    const LatticeNode& At(int k, int r) const { return nodes[r * kBoardLatticeColumns + k]; }
    // The input-picture position of node (k, r) in pixels.
    double SourceX(int k, int r) const { return At(k, r).x / 16.0; }
    double SourceY(int k, int r) const { return At(k, r).y / 16.0; }

    static std::array<LatticeNode, kBoardLatticeColumns * kBoardLatticeRows> IdentityNodes() {
        std::array<LatticeNode, kBoardLatticeColumns * kBoardLatticeRows> n{};
        for (int r = 0; r < kBoardLatticeRows; ++r)
            for (int k = 0; k < kBoardLatticeColumns; ++k)
                n[r * kBoardLatticeColumns + k] = {16 * kBoardLatticePitch * (k - kBoardLatticeLeftColumns),
                                                   16 * kBoardLatticePitch * r};
        return n;
    }
    bool operator==(const WarpLattice&) const = default;
};

// --- Resampling filters ------------------------------------------------------
//
// A symmetric 49-tap, 8-phase polyphase filter per direction. taps[i] is the
// coefficient at position (i - 23) eighths of a lattice step from the centre,
// i = 0..23, taps[23] the centre; the filter is mirrored about the centre and
// the tap at -24 eighths is 0. Every phase sums to 64 (unity gain = 64). The
// filters become active when ControlPage (0xFF) register 0x02 returns to 0
// after the taps were written to page 2 (horizontal 0x08..0x1F, vertical
// 0x20..0x37). Power-on value: the unit-scale filter.
struct ResampleFilters {
    using Taps = std::array<std::int8_t, 24>;
    static constexpr Taps kUnitScale = {0,  0,  0,  1, 1, 1,  1,  0,  -1, -3, -5, -7,
                                        -8, -7, -4, 0, 6, 15, 26, 38, 50, 58, 62, 64};
    Taps horizontal = kUnitScale;
    Taps vertical = kUnitScale;
    int loads = 0;             // times new taps became active
    std::uint8_t control = 0;  // last value of ControlPage register 0x02
    bool operator==(const ResampleFilters&) const = default;
};

// --- Edge blending -------------------------------------------------------------
//
// Four zones in the order left, right, top, bottom. A zone covers panel
// columns (left/right) or rows (top/bottom) start .. start + width - 1. Left
// and top zones rise from black at `start` toward full brightness; right and
// bottom zones fall toward black at their far end. `ramp` is in 1/65536 of
// full brightness:
//   rising  (left, top):     ramp = step per pixel; weight at pixel p is
//                            min(65536, (p - start) * ramp) / 65536;
//   falling (right, bottom): ramp = weight at the zone's first pixel; weight at
//                            p is max(0, ramp - (p - start) * (65536 - ramp)) / 65536.
// BlendWeight() evaluates this. Outside an enabled zone the weight is 1. The
// weight is a linear ramp; the board shapes it with the blend gamma (below)
// before applying it to the picture.
enum BoardBlendZone { kBlendLeft = 0, kBlendRight = 1, kBlendTop = 2, kBlendBottom = 3 };

struct BlendZoneState {
    bool enabled = false;     // bit z of the enable flags (page 3 0x08-0x09)
    std::uint16_t start = 0;  // panel pixel (column for left/right, row for top/bottom)
    std::uint16_t width = 0;  // pixels
    std::uint16_t ramp = 0;   // 1/65536 of full brightness, see above
    bool operator==(const BlendZoneState&) const = default;
};

struct BlendState {
    std::array<BlendZoneState, 4> zones{};  // left, right, top, bottom
    std::uint16_t enableFlags = 0;          // page 3 0x08-0x09 as written (bits 4-15 the board's own)
    std::uint8_t leftOffMarker = 0;         // page 3 0x1E: 0x80 while the left zone is off
    std::uint8_t topOffMarker = 0;          // page 3 0x23: 0x80 while the top zone is off

    // Blend gamma: command 0x27 sets the mode (1: shape the ramps with the
    // gamma value; 0: the board's default shaping), command 0x28 the value in
    // hundredths (220 = 2.2). Power-on: mode 0, value 220.
    std::uint8_t gammaMode = 0;
    std::uint16_t gammaHundredths = 220;
    double Gamma() const { return gammaHundredths / 100.0; }
    bool operator==(const BlendState&) const = default;
};

// Linear weight 0..1 of one zone at panel pixel `p` (column or row).
inline double BlendWeight(const BlendZoneState& zone, int which, int p) {
    if (!zone.enabled || p < zone.start || p >= int(zone.start) + int(zone.width)) return 1.0;
    const double d = p - zone.start;
    if (which == kBlendLeft || which == kBlendTop) {
        const double w = d * zone.ramp;
        return (w > 65536.0 ? 65536.0 : w) / 65536.0;
    }
    const double w = zone.ramp - d * (65536.0 - zone.ramp);
    return (w < 0.0 ? 0.0 : w) / 65536.0;
}

// --- Picture corrections ----------------------------------------------------------
//
// Switched by commands 0x29 (uniformity), 0x2A (black level), 0x2B (global
// contrast) with one byte (non-zero: on), and visible in the registers the
// link reads back: page 1 0x24 bit 0, page 3 0x38 bit 0, page 5 0x1F bit 5.
// The registers are the truth: a register batch that changes those bits
// switches the correction too.
struct PictureCorrections {
    bool uniformity = false;
    bool blackLevel = false;
    bool globalContrast = false;
    bool operator==(const PictureCorrections&) const = default;
};

}  // namespace wallsim
