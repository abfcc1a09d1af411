// Test-pattern geometry of the five panel types and the identity warp grid.
#include <algorithm>
#include <array>
#include <cmath>

#include "VantisCore.h"
#include "guard.h"
#include "pattern_table.h"

namespace vantiscore {
namespace {

struct PatternRow {
    int width, height, blockColumns, blockRows, pitch, block, centreColumn, centreRow;
};

constexpr std::array<PatternRow, 5> kPatternTable{{
    {1024, 768, 32, 24, 32, 16, 15, 11},
    {1280, 800, 40, 25, 32, 16, 19, 11},
    {1920, 1200, 30, 19, 64, 32, 14, 9},
    {1920, 1080, 30, 17, 64, 32, 14, 7},
    {1280, 720, 40, 23, 32, 16, 19, 10},
}};

// ceil(size / 16) + 1, computed in the single-precision steps the board tools use.
std::int32_t PanelGridCount(std::int32_t size) {
    const float nodes = std::ceil(static_cast<float>(size * 0.0625));
    return static_cast<std::int32_t>(nodes + 0.5 + 1);
}

}  // namespace

bool IsKnownPatternType(PatternType type) {
    return type >= 0 && type < static_cast<int>(kPatternTable.size());
}

PatternInfo PatternInfoFor(bool engineBoardGrid, PatternType type) {
    PatternInfo info;
    if (IsKnownPatternType(type)) {
        const PatternRow& row = kPatternTable[static_cast<std::size_t>(type)];
        info.width = row.width;
        info.height = row.height;
        info.blockColumns = row.blockColumns;
        info.blockRows = row.blockRows;
        info.pitchX = row.pitch;
        info.pitchY = row.pitch;
        info.blockWidth = row.block;
        info.blockHeight = row.block;
        info.centreColumn = row.centreColumn;
        info.centreRow = row.centreRow;
        info.centreColumnEnd = row.centreColumn + 2;
        info.centreRowEnd = row.centreRow + 2;
    }
    if (engineBoardGrid) {
        info.gridColumns = kBoundaryColumns;
        info.gridRows = kBoundaryRows;
    } else {
        info.gridColumns = PanelGridCount(info.width);
        info.gridRows = PanelGridCount(info.height);
    }
    return info;
}

}  // namespace vantiscore

PatternInfo AutoWarpGetPatternInfo(bool engineBoardGrid, PatternType patternType) {
    return vantiscore::PatternInfoFor(engineBoardGrid, patternType);
}

void AutoWarpInitWarping(WarpGrid* grid, PatternType patternType) {
    if (grid == nullptr) return;
    vantiscore::GuardedVoid([&] {
        const PatternInfo info = vantiscore::PatternInfoFor(false, patternType);
        grid->reserve(grid->size() + static_cast<std::size_t>(info.gridColumns) * info.gridRows);
        for (int i = 0; i < info.gridRows; ++i) {
            for (int j = 0; j < info.gridColumns; ++j) {
                grid->emplace_back(static_cast<float>(std::min(16 * j, info.width)),
                                   static_cast<float>(std::min(16 * i, info.height)));
            }
        }
    });
}
