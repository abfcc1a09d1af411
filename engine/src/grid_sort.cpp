#include "grid_sort.h"

#include <cmath>
#include <optional>
#include <set>
#include <tuple>

namespace vantiscore {

BlockLayout BlockLayout::FromPattern(const PatternInfo& info) {
    return BlockLayout{info.blockColumns, info.blockRows, info.centreColumn, info.centreRow};
}

namespace {

// Two consecutive blobs along a row or column; the next position is predicted
// beyond p1, away from p0.
struct SeedPair {
    cv::Rect p0;
    cv::Rect p1;
};

bool HasArea(const cv::Rect& r) {
    return r.width * r.height != 0;
}

bool IsEmpty(const cv::Rect& r) {
    return r.x == 0 && r.y == 0;
}

// The step is scaled by the ratio of the blob sizes, so that blobs shrinking
// towards an edge (seen obliquely) shorten the predicted step. Lengths scale
// with the square root of the area ratio; the area ratio itself swings far
// on small blobs (a pixel more or less on a 6-pixel block) and made the
// prediction land on the neighbouring block.
cv::Point2f Predict(const SeedPair& pair) {
    const float ratio = std::sqrt(static_cast<float>(pair.p1.width * pair.p1.height) /
                                  static_cast<float>(pair.p0.width * pair.p0.height));
    const float stepX = ratio * static_cast<float>(pair.p1.x - pair.p0.x);
    const float stepY = ratio * static_cast<float>(pair.p1.y - pair.p0.y);
    return {stepX + static_cast<float>(pair.p1.x), stepY + static_cast<float>(pair.p1.y)};
}

// The blob nearest to the prediction among those closer than half their own
// width (along a row) or height (along a column); the first of equal
// distances wins, as a stable sort by distance would give.
std::optional<cv::Rect> NearestCandidate(const std::vector<cv::Rect>& blocks, cv::Point2f predicted,
                                         GrowDirection direction) {
    std::optional<cv::Rect> best;
    float bestDistance = 0.0f;
    for (const cv::Rect& blob : blocks) {
        const float dx = static_cast<float>(blob.x) - predicted.x;
        const float dy = static_cast<float>(blob.y) - predicted.y;
        const float distance = std::sqrt(dx * dx + dy * dy);
        const int reach = direction == GrowDirection::AlongRow ? blob.width / 2 : blob.height / 2;
        if (!(distance < static_cast<float>(reach))) continue;
        if (!best || distance < bestDistance) {
            best = blob;
            bestDistance = distance;
        }
    }
    return best;
}

// Grid entry by index, or an empty record outside the grid.
cv::Rect EntryAt(const BlobGrid& grid, int index) {
    if (index < 0 || index >= static_cast<int>(grid.size())) return {};
    return grid[static_cast<size_t>(index)];
}

void Place(BlobGrid& grid, int index, const cv::Rect& blob, SeedPair& pair) {
    grid[static_cast<size_t>(index)] = blob;
    pair = SeedPair{pair.p1, blob};
}

void SetPoint(BlobGrid& grid, int index, cv::Point value) {
    grid[static_cast<size_t>(index)].x = value.x;
    grid[static_cast<size_t>(index)].y = value.y;
}

cv::Point PointAt(const BlobGrid& grid, int index) {
    const cv::Rect& r = grid[static_cast<size_t>(index)];
    return {r.x, r.y};
}

}  // namespace

void GrowStep(BlobGrid& grid, const BlockLayout& layout, int start, int n, GrowDirection direction,
              cv::Rect a0, cv::Rect a1, const std::vector<cv::Rect>& blocks) {
    if (!HasArea(a0) || !HasArea(a1)) return;
    const int columns = layout.columns;
    const int count = static_cast<int>(grid.size());
    const bool alongRow = direction == GrowDirection::AlongRow;

    SeedPair backward{a0, a1};
    SeedPair forward{a1, a0};
    int backwardIndex = start;
    int forwardIndex = alongRow ? start + 1 : start + columns;

    for (int step = 0; step < n; ++step) {
        const std::optional<cv::Rect> back = NearestCandidate(blocks, Predict(backward), direction);
        const std::optional<cv::Rect> ahead = NearestCandidate(blocks, Predict(forward), direction);
        if (alongRow) {
            // A row side stops at the grid's left or right column.
            if (backwardIndex % columns != 0) {
                --backwardIndex;
                if (back && backwardIndex >= 0 && backwardIndex < count)
                    Place(grid, backwardIndex, *back, backward);
            }
            if (forwardIndex % columns != columns - 1) {
                ++forwardIndex;
                if (ahead && forwardIndex >= 0 && forwardIndex < count)
                    Place(grid, forwardIndex, *ahead, forward);
            }
        } else {
            backwardIndex -= columns;
            if (back && backwardIndex >= 0 && backwardIndex < count)
                Place(grid, backwardIndex, *back, backward);
            forwardIndex += columns;
            if (ahead && forwardIndex >= 0 && forwardIndex < count)
                Place(grid, forwardIndex, *ahead, forward);
        }
    }
}

BlobGrid GrowGrid(const BlockLayout& layout, const std::vector<cv::Rect>& centres,
                  const std::vector<cv::Rect>& blocks) {
    const int n = layout.columns;
    const int m = layout.rows;
    BlobGrid grid(static_cast<size_t>(std::max(0, layout.Count())));
    const int s = layout.CentreIndex();
    if (centres.size() != 4 || s < 0 || s + n + 1 >= layout.Count()) return grid;

    grid[static_cast<size_t>(s)] = centres[0];
    grid[static_cast<size_t>(s + 1)] = centres[1];
    grid[static_cast<size_t>(s + n)] = centres[2];
    grid[static_cast<size_t>(s + n + 1)] = centres[3];
    auto entry = [&grid](int index) { return EntryAt(grid, index); };
    const int rowSteps = n / 2 + 1;
    const int columnSteps = m / 2 + 1;
    using enum GrowDirection;

    // The centre cross: the two centre rows and the two centre columns.
    GrowStep(grid, layout, s, rowSteps, AlongRow, entry(s + 1), entry(s), blocks);
    GrowStep(grid, layout, s + n, rowSteps, AlongRow, entry(s + n + 1), entry(s + n), blocks);
    GrowStep(grid, layout, s, columnSteps, AlongColumn, entry(s + n), entry(s), blocks);
    GrowStep(grid, layout, s + 1, columnSteps, AlongColumn, entry(s + n + 1), entry(s + 1), blocks);

    // Every column, up and down from the two centre rows, working outwards.
    for (int i = 0; i <= n / 2; ++i) {
        GrowStep(grid, layout, s - i, columnSteps, AlongColumn, entry(s + n - i), entry(s - i), blocks);
        GrowStep(grid, layout, s + 1 + i, columnSteps, AlongColumn, entry(s + n + 1 + i), entry(s + 1 + i),
                 blocks);
    }

    // Every row, left and right from the two centre columns, working outwards.
    for (int j = 0; j <= m / 2; ++j) {
        int t = s - j * n;
        if (t > 0) GrowStep(grid, layout, t, rowSteps, AlongRow, entry(t + 1), entry(t), blocks);
        t = s + (j + 1) * n;
        if (t + 1 < n * m) GrowStep(grid, layout, t, rowSteps, AlongRow, entry(t + 1), entry(t), blocks);
    }
    return grid;
}

namespace {

// Where the found neighbours of an empty entry put it: the middle of two
// opposite neighbours when there are such, else the mean of the straight
// continuations of two consecutive ones; *step is the local spacing.
bool PredictFromNeighbours(const BlobGrid& grid, const BlockLayout& layout, int r, int c, cv::Point2f* at,
                           float* step) {
    const int n = layout.columns;
    auto found = [&](int rr, int cc) {
        return rr >= 0 && cc >= 0 && rr < layout.rows && cc < n &&
               HasArea(grid[static_cast<size_t>(rr * n + cc)]);
    };
    auto point = [&](int rr, int cc) {
        const cv::Rect& b = grid[static_cast<size_t>(rr * n + cc)];
        return cv::Point2f(static_cast<float>(b.x), static_cast<float>(b.y));
    };
    cv::Point2f sum;
    float stepSum = 0.0f;
    int count = 0;
    for (const auto& [dr, dc] : {std::pair{0, 1}, std::pair{1, 0}}) {
        if (found(r - dr, c - dc) && found(r + dr, c + dc)) {
            const cv::Point2f a = point(r - dr, c - dc);
            const cv::Point2f b = point(r + dr, c + dc);
            sum += (a + b) * 0.5f;
            stepSum += static_cast<float>(cv::norm(b - a)) * 0.5f;
            ++count;
        }
    }
    if (count == 0) {
        for (const auto& [dr, dc] : {std::pair{0, 1}, std::pair{0, -1}, std::pair{1, 0}, std::pair{-1, 0}}) {
            if (!found(r + dr, c + dc) || !found(r + 2 * dr, c + 2 * dc)) continue;
            const cv::Point2f a = point(r + dr, c + dc);
            const cv::Point2f b = point(r + 2 * dr, c + 2 * dc);
            sum += 2 * a - b;
            stepSum += static_cast<float>(cv::norm(b - a));
            ++count;
        }
    }
    if (count == 0) return false;
    *at = sum * (1.0f / static_cast<float>(count));
    *step = stepSum / static_cast<float>(count);
    return true;
}

}  // namespace

void RecoverMissedBlocks(BlobGrid& grid, const BlockLayout& layout, const std::vector<cv::Rect>& blocks) {
    if (layout.columns < 3 || layout.rows < 3 || grid.size() != static_cast<size_t>(layout.Count())) return;
    using Key = std::tuple<int, int, int, int>;
    std::set<Key> placed;
    for (const cv::Rect& r : grid)
        if (HasArea(r)) placed.insert({r.x, r.y, r.width, r.height});
    // Each pass may give the next one the neighbours it needs.
    for (bool added = true; added;) {
        added = false;
        for (int r = 0; r < layout.rows; ++r)
            for (int c = 0; c < layout.columns; ++c) {
                const auto k = static_cast<size_t>(r * layout.columns + c);
                if (HasArea(grid[k])) continue;
                cv::Point2f predicted;
                float step = 0.0f;
                if (!PredictFromNeighbours(grid, layout, r, c, &predicted, &step)) continue;
                // A quarter of the spacing: a neighbouring block is a whole step away.
                float bestDistance = 0.25f * step;
                const cv::Rect* best = nullptr;
                for (const cv::Rect& blob : blocks) {
                    const float distance = static_cast<float>(cv::norm(
                        cv::Point2f(static_cast<float>(blob.x), static_cast<float>(blob.y)) - predicted));
                    if (distance < bestDistance &&
                        !placed.contains({blob.x, blob.y, blob.width, blob.height})) {
                        bestDistance = distance;
                        best = &blob;
                    }
                }
                if (best == nullptr) continue;
                grid[k] = *best;
                placed.insert({best->x, best->y, best->width, best->height});
                added = true;
            }
    }
}

void ExtrapolateCentreRows(BlobGrid& grid, const BlockLayout& layout) {
    const int n = layout.columns;
    const int cc = layout.centreColumn;
    for (int r : {layout.centreRow, layout.centreRow + 1}) {
        if (r < 0 || r >= layout.rows) continue;
        for (int i = 0; i <= n / 2; ++i) {
            const int left = r * n + cc - 1 - i;
            const int right = r * n + cc + 2 + i;
            if (left < r * n || right > r * n + n - 1) break;
            if (IsEmpty(grid[left]))
                SetPoint(grid, left, 2 * PointAt(grid, left + 1) - PointAt(grid, left + 2));
            if (IsEmpty(grid[right]))
                SetPoint(grid, right, 2 * PointAt(grid, right - 1) - PointAt(grid, right - 2));
        }
    }
}

void ExtrapolateCentreColumns(BlobGrid& grid, const BlockLayout& layout) {
    const int n = layout.columns;
    const int count = layout.Count();
    const int cr = layout.centreRow;
    for (int k : {layout.centreColumn, layout.centreColumn + 1}) {
        for (int i = 0; i <= layout.rows / 2; ++i) {
            const int up = (cr - 1 - i) * n + k;
            const int down = (cr + 2 + i) * n + k;
            if (up >= 0 && IsEmpty(grid[up]))
                SetPoint(grid, up, 2 * PointAt(grid, up + n) - PointAt(grid, up + 2 * n));
            if (down < count && IsEmpty(grid[down]))
                SetPoint(grid, down, 2 * PointAt(grid, down - n) - PointAt(grid, down - 2 * n));
        }
    }
}

namespace {

// Fills the empty entries of row r, outwards from the centre columns, by the
// parallelogram rule: a neighbour in the same row plus the step that the
// vertical neighbour row v makes between the same two columns.
void CompleteRow(BlobGrid& grid, const BlockLayout& layout, int r, int v) {
    const int n = layout.columns;
    for (int j = 0; j <= n / 2; ++j) {
        const int leftColumn = layout.centreColumn - 1 - j;
        if (leftColumn >= 0) {
            const int at = r * n + leftColumn;
            if (IsEmpty(grid[at]))
                SetPoint(grid, at,
                         PointAt(grid, at + 1) + PointAt(grid, v * n + leftColumn) -
                             PointAt(grid, v * n + leftColumn + 1));
        }
        const int rightColumn = layout.centreColumn + 2 + j;
        if (rightColumn <= n - 1) {
            const int at = r * n + rightColumn;
            if (IsEmpty(grid[at]))
                SetPoint(grid, at,
                         PointAt(grid, at - 1) + PointAt(grid, v * n + rightColumn) -
                             PointAt(grid, v * n + rightColumn - 1));
        }
    }
}

}  // namespace

void CompleteRows(BlobGrid& grid, const BlockLayout& layout) {
    const int cr = layout.centreRow;
    for (int i = 0; i <= layout.rows / 2 + 1; ++i) {
        if (cr - i >= 0 && cr - i + 1 < layout.rows) CompleteRow(grid, layout, cr - i, cr - i + 1);
        if (cr + i + 1 < layout.rows && cr + i >= 0) CompleteRow(grid, layout, cr + i + 1, cr + i);
    }
}

void FillHoles(BlobGrid& grid, const BlockLayout& layout) {
    ExtrapolateCentreRows(grid, layout);
    ExtrapolateCentreColumns(grid, layout);
    CompleteRows(grid, layout);
}

std::vector<cv::Point2f> ToBlockGrid(const BlobGrid& grid) {
    std::vector<cv::Point2f> points;
    points.reserve(grid.size());
    for (const cv::Rect& r : grid) points.emplace_back(static_cast<float>(r.x), static_cast<float>(r.y));
    return points;
}

SortedBlocks SortBlocks(const PatternInfo& info, const std::vector<cv::Rect>& centres,
                        const std::vector<cv::Rect>& blocks) {
    const BlockLayout layout = BlockLayout::FromPattern(info);
    SortedBlocks sorted;
    if (layout.columns < 3 || layout.rows < 3) {
        sorted.grid.resize(static_cast<size_t>(std::max(0, layout.Count())));
        sorted.found.resize(sorted.grid.size(), false);
        return sorted;
    }
    sorted.grid = GrowGrid(layout, centres, blocks);
    RecoverMissedBlocks(sorted.grid, layout, blocks);
    sorted.found.reserve(sorted.grid.size());
    for (const cv::Rect& r : sorted.grid) sorted.found.push_back(HasArea(r) && !IsEmpty(r));
    FillHoles(sorted.grid, layout);
    return sorted;
}

std::vector<cv::Point2f> SortBlockGrid(const PatternInfo& info, const std::vector<cv::Rect>& centres,
                                       const std::vector<cv::Rect>& blocks) {
    return ToBlockGrid(SortBlocks(info, centres, blocks).grid);
}

}  // namespace vantiscore
