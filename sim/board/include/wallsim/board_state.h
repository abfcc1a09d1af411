// The state of one simulated engine board: everything the link's commands set,
// plus a record of the traffic for tests.
//
// The struct is plain data so that other parts of the simulator can extend it
// (warp lattice, filters, blend zones, gamma, picture corrections) and read it
// (the optics render each panel from it). BoardServer guards it with a mutex and
// hands out copies (BoardServer::Snapshot) or a locked view (BoardServer::Inspect).
// The decoders that change it live in board_commands.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wallsim/picture_state.h"

namespace wallsim {

// One frame as the board received it (start byte, length and end byte checked and removed).
struct ReceivedFrame {
    std::uint8_t frameClass = 0;  // 0x01 command, 0x81 query, 0x00 the programs' raw frames
    std::uint8_t code = 0;
    std::vector<std::uint8_t> payload;

    bool operator==(const ReceivedFrame&) const = default;
};

enum class PatternKind { kNone, kRectangle, kCircle };

// The block pattern the board draws: colour and the thirteen values as sent.
struct Pattern {
    PatternKind kind = PatternKind::kNone;
    std::uint32_t colour = 0;  // 0x00RRGGBB
    // block width, block height, horizontal pitch, vertical pitch, horizontal offset,
    // vertical offset, first block column, last block column, first block row, last
    // block row, two further values (the programs pass 1, 1)
    std::array<std::int16_t, 12> geometry{};
    std::uint8_t last = 0;  // the final byte (the programs pass 1)

    bool operator==(const Pattern&) const = default;
};

// A line drawn over the picture, in panel pixels: a vertical line runs `length` pixels
// down from (x, y), a horizontal one to the right.
struct Line {
    bool vertical = false;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t length = 0;
    std::uint32_t colour = 0;  // 0x00RRGGBB

    bool operator==(const Line&) const = default;
};

// One register write carried by a register batch (page selects are not writes).
struct RegisterWrite {
    std::uint8_t page = 0;
    std::uint8_t reg = 0;
    std::uint8_t value = 0;

    bool operator==(const RegisterWrite&) const = default;
};

struct BoardState {
    // --- What the board shows ---------------------------------------------------
    bool blanked = false;           // set by blank, cleared by unblank
    bool solidShown = false;        // a solid colour fills the picture
    std::uint32_t solidColour = 0;  // 0x00RRGGBB, valid while solidShown
    Pattern pattern;                // kNone after "clear image"
    std::vector<Line> lines;        // in the order drawn; "clear image" removes them

    // --- Registers ---------------------------------------------------------------
    // 256 pages of 256 8-bit registers, as register batches wrote them (0 at power-on).
    // Register 0x00 of every page is the page-select register: the word (0x00, p) makes
    // page p current, for later words and for register reads, across frames.
    std::array<std::array<std::uint8_t, 256>, 256> registers{};
    std::uint8_t selectedPage = 0;
    std::vector<RegisterWrite> registerWrites;  // every write, in order

    // --- Picture: warp, filters, blend, corrections (picture_state.h) ----------------
    WarpLattice warp;                // lookup lattice (128 x 78 nodes) and its transfer
    ResampleFilters filters;         // horizontal and vertical resampling taps
    BlendState blend;                // edge-blend zones, ramps, enables and blend gamma
    PictureCorrections corrections;  // uniformity, black level, global contrast on/off

    // --- Settings store -----------------------------------------------------------
    int savesPerformed = 0;         // complete save sequences received in order
    std::size_t saveStepsSeen = 0;  // steps of the current, unfinished save sequence

    // --- Identity -------------------------------------------------------------------
    std::array<std::uint32_t, 2> versionPair{0x00010002, 0x00000007};  // answer to query 0x2C
    std::uint32_t versionWord = 0x20261207;                            // answer to query 0x2D

    // --- Traffic, for tests ---------------------------------------------------------
    std::vector<ReceivedFrame>
        frames;  // every frame received, in order (unless the board is told not to keep them)
    std::size_t framesReceived = 0;   // counted always
    std::size_t strayBytes = 0;       // bytes outside any frame (such as the bare alive byte)
    std::size_t connections = 0;      // connections accepted
    std::size_t repliesSent = 0;      // replies written in full (late ones included)
    std::size_t lateRepliesSent = 0;  // replies sent after the late-reply delay

    std::uint8_t Register(std::uint8_t page, std::uint8_t reg) const { return registers[page][reg]; }
};

}  // namespace wallsim
