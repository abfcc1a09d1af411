#include "nearest_node.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantis::model::detail {

Node NearestNodeExhaustive(const TablePairData& lattice, int columns, int rows, float px, float py) {
    float best = kSearchStart;
    Node node;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const float d = SquaredDistance(lattice.x[j][i], lattice.y[j][i], px, py);
            if (d < best) {
                best = d;
                node = {j, i};
            }
        }
    }
    return node;
}

namespace {
// Beyond this distance from the query area a node can never come below
// kSearchStart (sqrt(2^25) is about 5792.6).
constexpr double kReach = 5800.0;
}  // namespace

NodeBuckets::NodeBuckets(const TablePairData& lattice, int columns, int rows, float maxX, float maxY)
    : lattice_(lattice), columns_(columns) {
    // Nodes that can matter, and their bounding box.
    std::vector<int> candidates;
    candidates.reserve(static_cast<std::size_t>(columns) * rows);
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxNodeX = std::numeric_limits<double>::lowest(), maxNodeY = maxNodeX;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const double x = lattice.x[j][i];
            const double y = lattice.y[j][i];
            if (!(x >= -kReach && x <= maxX + kReach && y >= -kReach && y <= maxY + kReach)) continue;
            candidates.push_back(i * columns + j);
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxNodeX = std::max(maxNodeX, x);
            maxNodeY = std::max(maxNodeY, y);
        }
    }
    if (candidates.empty()) return;
    originX_ = minX;
    originY_ = minY;
    bucketsX_ = static_cast<int>((maxNodeX - minX) / cell_) + 1;
    bucketsY_ = static_cast<int>((maxNodeY - minY) / cell_) + 1;
    const auto bucketOf = [this](int index) {
        const double x = lattice_.x[index % columns_][index / columns_];
        const double y = lattice_.y[index % columns_][index / columns_];
        const int bx = std::clamp(static_cast<int>((x - originX_) / cell_), 0, bucketsX_ - 1);
        const int by = std::clamp(static_cast<int>((y - originY_) / cell_), 0, bucketsY_ - 1);
        return by * bucketsX_ + bx;
    };
    // Counting sort keeps the row-major order inside every bucket.
    start_.assign(static_cast<std::size_t>(bucketsX_) * bucketsY_ + 1, 0);
    for (int index : candidates) ++start_[bucketOf(index) + 1];
    for (std::size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
    nodes_.resize(candidates.size());
    std::vector<int> fill(start_.begin(), start_.end() - 1);
    for (int index : candidates) nodes_[fill[bucketOf(index)]++] = index;
}

Node NodeBuckets::Find(float px, float py) const {
    if (nodes_.empty()) return {};
    float best = kSearchStart;
    int bestIndex = -1;
    const auto visit = [&](int bucket) {
        for (int k = start_[bucket]; k < start_[bucket + 1]; ++k) {
            const int index = nodes_[k];
            const float d = SquaredDistance(lattice_.x[index % columns_][index / columns_],
                                            lattice_.y[index % columns_][index / columns_], px, py);
            if (d < best || (d == best && bestIndex >= 0 && index < bestIndex)) {
                best = d;
                bestIndex = index;
            }
        }
    };
    const int bx = static_cast<int>(std::floor((px - originX_) / cell_));
    const int by = static_cast<int>(std::floor((py - originY_) / cell_));
    const int lastRing =
        std::max({std::abs(bx), std::abs(bucketsX_ - 1 - bx), std::abs(by), std::abs(bucketsY_ - 1 - by)});
    for (int r = 0; r <= lastRing; ++r) {
        // Every node outside rings 0..r-1 lies at least (r - 1) * cell away;
        // stop once that bound, with a margin for rounding, exceeds the best.
        if (r >= 2) {
            const double reach = (r - 1) * cell_ - 0.01;
            const double bound = reach * reach * (1.0 - 1e-5);
            if (static_cast<double>(best) < bound) break;
        }
        const int y0 = by - r, y1 = by + r;
        const int x0 = std::max(bx - r, 0), x1 = std::min(bx + r, bucketsX_ - 1);
        for (int y = std::max(y0, 0); y <= std::min(y1, bucketsY_ - 1); ++y) {
            if (y == y0 || y == y1) {
                for (int x = x0; x <= x1; ++x) visit(y * bucketsX_ + x);
            } else {
                if (bx - r >= 0 && bx - r < bucketsX_) visit(y * bucketsX_ + bx - r);
                if (r > 0 && bx + r >= 0 && bx + r < bucketsX_) visit(y * bucketsX_ + bx + r);
            }
        }
    }
    if (bestIndex < 0) return {};
    return {bestIndex % columns_, bestIndex / columns_};
}

}  // namespace vantis::model::detail
