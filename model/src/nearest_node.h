// Nearest lattice node of a position, the search at the heart of the source
// map. Both searches return the node with the smallest squared distance
// (computed in single precision, exactly as written in SquaredDistance); among
// equal distances the first node in row-major order wins; a node only counts
// when its distance is below kSearchStart, and without one the answer is (0, 0).
#pragma once

#include <vector>

#include "vantis/model/float_table.h"

namespace vantis::model::detail {

inline constexpr float kSearchStart = 33554432.0f;  // 2^25

struct Node {
    int j = 0;  // column
    int i = 0;  // row
    bool operator==(const Node&) const = default;
};

inline float SquaredDistance(float lx, float ly, float px, float py) {
    const float dx = lx - px;
    const float dy = ly - py;
    return dx * dx + dy * dy;
}

Node NearestNodeExhaustive(const TablePairData& lattice, int columns, int rows, float px, float py);

// Which of the cells meeting at the nearest node holds the position (px, py):
// 1 = columns j-1..j, rows i-1..i; 2 = columns j-1..j, rows i..i+1;
// 3 = columns j..j+1, rows i-1..i; 4 = columns j..j+1, rows i..i+1;
// 0 = the fallback cell at the grid's origin. Decided by the sides of the
// node's edges on which the position lies, with rules of their own for the
// grid's edges and corners.
int ChooseCell(const TablePairData& lattice, int columns, int rows, Node node, float px, float py);

// A bucket grid over the lattice nodes that can be nearest to any position
// inside [0, maxX] x [0, maxY]; searched ring by ring around the position.
class NodeBuckets {
  public:
    NodeBuckets(const TablePairData& lattice, int columns, int rows, float maxX, float maxY);
    Node Find(float px, float py) const;

  private:
    const TablePairData& lattice_;
    int columns_;
    double originX_ = 0, originY_ = 0;
    double cell_ = 32.0;
    int bucketsX_ = 0, bucketsY_ = 0;
    std::vector<int> start_;  // bucket b holds nodes_[start_[b] .. start_[b + 1])
    std::vector<int> nodes_;  // row-major node indexes, ascending within a bucket
};

}  // namespace vantis::model::detail
