#include "link/warp_download.h"

#include <memory>

#include "link/argument_checks.h"
#include "link/frame.h"
#include "link/result.h"

namespace vantis::link {

namespace {

uint8_t TapByte(int8_t tap) {
    return uint8_t(tap);
}

}  // namespace

LinkResult WriteFilterTaps(RegisterBatch& batch, const FilterTaps& horizontal, const FilterTaps& vertical,
                           FilterWriteStyle style) {
    // Every frame counts: taps the board did not take leave its filters half written.
    const bool legacy = style == FilterWriteStyle::kLegacy;
    LinkResult result = batch.Write(kFilterControl, kFilterWriteOn, /*final=*/legacy);
    for (int n = 0; result == kOk && n < kFilterTaps; ++n) {
        const int i = legacy ? kFilterTaps - 1 - n : n;
        result = batch.Write({kFilterPage, uint8_t(kHorizontalTapsFirst + i), 1}, TapByte(horizontal[i]));
    }
    for (int n = 0; result == kOk && n < kFilterTaps; ++n) {
        const int i = legacy ? kFilterTaps - 1 - n : n;
        result = batch.Write({kFilterPage, uint8_t(kVerticalTapsFirst + i), 1}, TapByte(vertical[i]));
    }
    if (result == kOk && !legacy) result = batch.Write(kFilterControl, kFilterLatch, true);
    if (result != kOk) return result;
    return batch.Write(kFilterControl, 0x00, true);
}

LinkResult DownloadWarp(Exchanger& link, const ColumnTables& forward, const ColumnTables& source,
                        const PanelGrid& grid) {
    RegisterBatch batch(link);
    LinkResult result = batch.Write(kWarpTransferControl, kWarpTransferOn);
    if (result == kOk) result = batch.Write(kWarpPointer, 0);
    if (result == kOk) result = batch.Write(kWarpPointer, 0, true);
    if (result != kOk) return result;

    auto lattice = std::make_unique<LatticeCodes>();
    ComputeLattice(source, grid, *lattice);
    WarpBlock block;
    Frame frame = Frame::Command(kWarpBlockCode);
    for (int b = 0; b < kWarpBlockCount; ++b) {
        PackWarpBlock(*lattice, b, block);
        frame.ClearPayload();
        frame.Append(block);
        // A block the board did not take leaves rows of the old warp: the download failed.
        // The first failure ends it, so a board that stopped answering costs one time-out.
        result = link.Command(frame.Close());
        if (result != kOk) return result;
    }

    result = batch.Write(kWarpTransferControl, 0x0000, true);
    if (result != kOk) return result;

    const FilterTaps horizontal = DesignResampleFilter(HorizontalFilterScale(forward, grid));
    const FilterTaps vertical = DesignResampleFilter(VerticalFilterScale(forward, grid));
    return WriteFilterTaps(batch, horizontal, vertical, FilterWriteStyle::kCurrent);
}

LinkResult DownloadLegacyWarp(Exchanger& link, const RecordTable& table, const PanelGrid& grid) {
    RegisterBatch batch(link);
    LinkResult result = batch.Write(kWarpTransferControl, kWarpTransferOn);
    if (result != kOk) return result;

    const float left = LegacyLeftReference(table, grid);
    const int entries = LegacyRowEntries(grid);
    for (int j = 0; j <= grid.rows; ++j) {
        // Point at entry 0 of row j: low byte (j mod 2) x 128, high byte j div 2.
        result = batch.Write(kWarpPointer, (j % 2) * 128);
        if (result == kOk) result = batch.Write(kWarpPointer, uint32_t(j / 2) & 0xFF, true);
        for (int k = 0; result == kOk && k < entries; ++k) {
            const LatticeCode c = LegacyEntry(table, grid, left, j, k);
            const uint8_t bytes[4] = {uint8_t(c.x), uint8_t(c.x >> 8), uint8_t(c.y), uint8_t(c.y >> 8)};
            for (int n = 0; result == kOk && n < 4; ++n) result = batch.Write(kWarpDataPort, bytes[n]);
        }
        if (result != kOk) return result;
    }
    result = batch.Write(kWarpTransferControl, 0x0000, true);
    if (result != kOk) return result;

    const FilterTaps& horizontal = LegacyTapSet(LegacyTapSetIndex(LegacyHorizontalScale(table, grid)));
    const FilterTaps& vertical = LegacyTapSet(LegacyTapSetIndex(LegacyVerticalScale(table, grid)));
    return WriteFilterTaps(batch, horizontal, vertical, FilterWriteStyle::kLegacy);
}

LinkResult DownloadWarpChecked(Exchanger& link, const float* const* forwardX, const float* const* forwardY,
                               const float* const* sourceX, const float* const* sourceY, int32_t width,
                               int32_t height) {
    const auto grid = PanelGridFor(width, height);
    if (!grid || !ColumnTablesUsable(forwardX, forwardY, grid->columns) ||
        !ColumnTablesUsable(sourceX, sourceY, grid->columns))
        return kArgumentRefused;
    return DownloadWarp(link, {forwardX, forwardY}, {sourceX, sourceY}, *grid);
}

LinkResult DownloadLegacyWarpChecked(Exchanger& link, const WarpPoint* table, int32_t width, int32_t height) {
    const auto grid = PanelGridFor(width, height);
    if (!grid || table == nullptr) return kArgumentRefused;
    return DownloadLegacyWarp(link, RecordTable{table}, *grid);
}

}  // namespace vantis::link
