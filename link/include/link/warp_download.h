// The warp download: the lookup lattice in 39 blocks of two rows, then the
// two resampling filters, over any Exchanger (a board socket, or a recorder in
// tests and benchmarks).
#pragma once

#include "link/exchanger.h"
#include "link/legacy_warp.h"
#include "link/register_batch.h"
#include "link/resample_filters.h"
#include "link/warp_lattice.h"
#include "vantis_link_types.h"

namespace vantis::link {

inline constexpr uint8_t kWarpBlockCode = 0x12;  // command carrying one WarpBlock

// Registers of the map transfer and the filters.
inline constexpr RegisterSpec kWarpTransferControl{1, 0x20, 2};  // 0x0040 during the map transfer
inline constexpr RegisterSpec kWarpPointer{1, 0x22, 1};          // entry pointer, low then high write
inline constexpr RegisterSpec kWarpDataPort{1, 0x23, 1};         // one lattice byte at the pointer
inline constexpr uint16_t kWarpTransferOn = 0x0040;
inline constexpr RegisterSpec kFilterControl{0xFF, 0x02, 1};  // 0x3F while taps are written
inline constexpr uint8_t kFilterWriteOn = 0x3F;
inline constexpr uint8_t kFilterLatch = 0x15;
inline constexpr uint8_t kHorizontalTapsFirst = 0x08;  // page 2, 0x08..0x1F
inline constexpr uint8_t kVerticalTapsFirst = 0x20;    // page 2, 0x20..0x37
inline constexpr uint8_t kFilterPage = 2;

// Phase 1 (map) and phase 2 (filters). The tables must cover columns
// 0..grid.columns; the source map rows 0..77, the forward tables rows
// 0..grid.rows. Failed block exchanges are not reported; the first register
// group and the closing write of phase 1 end the operation when they fail;
// of phase 2 only the last write counts.
LinkResult DownloadWarp(Exchanger& link, const ColumnTables& forward, const ColumnTables& source,
                        const PanelGrid& grid);

// The checked entry points of the exports: a panel the lattice cannot hold
// (PanelGridFor), missing tables or columns give kArgumentRefused before any
// exchange.
LinkResult DownloadWarpChecked(Exchanger& link, const float* const* forwardX, const float* const* forwardY,
                               const float* const* sourceX, const float* const* sourceY, int32_t width,
                               int32_t height);
LinkResult DownloadLegacyWarpChecked(Exchanger& link, const WarpPoint* table, int32_t width, int32_t height);

// The older variant: rows 0..grid.rows of the record table streamed through
// the pointer and data-port registers, then its fixed tap sets.
LinkResult DownloadLegacyWarp(Exchanger& link, const RecordTable& table, const PanelGrid& grid);

// How the taps reach page 2 between the filter-control writes:
//   kCurrent  0x3F joins the tap words, taps 0..23 in order, then the 0x15
//             latch and 0x00, each flushed on its own;
//   kLegacy   0x3F flushed on its own, taps 23..0, then 0x00.
enum class FilterWriteStyle { kCurrent, kLegacy };

// Returns the result of the closing filter-control write (0x00).
LinkResult WriteFilterTaps(RegisterBatch& batch, const FilterTaps& horizontal, const FilterTaps& vertical,
                           FilterWriteStyle style);

}  // namespace vantis::link
