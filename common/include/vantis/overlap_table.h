// Size of the overlap table of a multi-projector picture: one node per 8
// pixels of the whole picture, plus one, in each direction. The window that
// allocates the table and the grid-overlay plug-in that writes into it both
// take the size from here, so the plug-in can never write past the table.
#pragma once

namespace vantis {

struct OverlapTableSize {
    int columns = 0;
    int rows = 0;
    bool operator==(const OverlapTableSize&) const = default;
};

// panelWidth x panelHeight pixels per projector, layoutColumns x layoutRows
// projectors, overlapping by overlapX and overlapY pixels between neighbours.
constexpr OverlapTableSize OverlapTableSizeOf(int panelWidth, int panelHeight, int layoutColumns,
                                              int layoutRows, int overlapX, int overlapY) {
    return {(layoutColumns * panelWidth - (layoutColumns - 1) * overlapX) / 8 + 1,
            (layoutRows * panelHeight - (layoutRows - 1) * overlapY) / 8 + 1};
}

}  // namespace vantis
