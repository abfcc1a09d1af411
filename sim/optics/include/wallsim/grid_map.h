// A piecewise-bilinear map defined by values at the nodes of a rectilinear grid.
// It describes both directions of a projector's warp: the board's lattice
// (panel position -> input-picture position) and the engine's warp grid
// (input-picture position -> panel position).
#pragma once

#include <optional>
#include <vector>

#include <opencv2/core.hpp>

namespace wallsim {

class GridMap {
  public:
    GridMap() = default;
    // xs and ys: increasing node coordinates; values: ys.size() rows of xs.size() points, row by row.
    GridMap(std::vector<double> xs, std::vector<double> ys, std::vector<cv::Point2d> values);

    bool empty() const { return values_.empty(); }
    // Bilinear inside; outside, the edge cell is continued linearly.
    cv::Point2d Eval(cv::Point2d p) const;
    // The point p with Eval(p) == target (within tolerance), starting near guess;
    // nothing when the map folds or the target lies far outside the map's reach.
    std::optional<cv::Point2d> Invert(cv::Point2d target, cv::Point2d guess, double tolerance = 1e-3) const;
    // Node whose value lies nearest to target (its grid coordinates).
    cv::Point2d NearestNode(cv::Point2d target) const;

    const std::vector<double>& xs() const { return xs_; }
    const std::vector<double>& ys() const { return ys_; }
    const cv::Point2d& Node(size_t col, size_t row) const { return values_[row * xs_.size() + col]; }

  private:
    size_t Cell(const std::vector<double>& axis, double v) const;
    std::vector<double> xs_, ys_;
    std::vector<cv::Point2d> values_;
};

}  // namespace wallsim
