#include "wallsim/grid_map.h"

#include <algorithm>
#include <cmath>

namespace wallsim {

GridMap::GridMap(std::vector<double> xs, std::vector<double> ys, std::vector<cv::Point2d> values)
    : xs_(std::move(xs)), ys_(std::move(ys)), values_(std::move(values)) {
    if (xs_.size() < 2 || ys_.size() < 2 || values_.size() != xs_.size() * ys_.size()) {
        xs_.clear();
        ys_.clear();
        values_.clear();
    }
}

size_t GridMap::Cell(const std::vector<double>& axis, double v) const {
    // Index of the cell's first node; the edge cells extend outward.
    auto it = std::upper_bound(axis.begin(), axis.end(), v);
    size_t i = it == axis.begin() ? 0 : static_cast<size_t>(it - axis.begin()) - 1;
    return std::min(i, axis.size() - 2);
}

cv::Point2d GridMap::Eval(cv::Point2d p) const {
    if (empty()) return p;
    size_t i = Cell(xs_, p.x), j = Cell(ys_, p.y);
    double s = (p.x - xs_[i]) / (xs_[i + 1] - xs_[i]);
    double t = (p.y - ys_[j]) / (ys_[j + 1] - ys_[j]);
    const cv::Point2d &a = Node(i, j), &b = Node(i + 1, j), &c = Node(i, j + 1), &d = Node(i + 1, j + 1);
    return a * ((1 - s) * (1 - t)) + b * (s * (1 - t)) + c * ((1 - s) * t) + d * (s * t);
}

cv::Point2d GridMap::NearestNode(cv::Point2d target) const {
    double best = 1e300;
    cv::Point2d at(0, 0);
    for (size_t j = 0; j < ys_.size(); ++j)
        for (size_t i = 0; i < xs_.size(); ++i) {
            cv::Point2d d = Node(i, j) - target;
            double e = d.dot(d);
            if (e < best) {
                best = e;
                at = {xs_[i], ys_[j]};
            }
        }
    return at;
}

std::optional<cv::Point2d> GridMap::Invert(cv::Point2d target, cv::Point2d guess, double tolerance) const {
    if (empty()) return target;
    auto newton = [&](cv::Point2d p) -> std::optional<cv::Point2d> {
        for (int iter = 0; iter < 40; ++iter) {
            size_t i = Cell(xs_, p.x), j = Cell(ys_, p.y);
            double w = xs_[i + 1] - xs_[i], h = ys_[j + 1] - ys_[j];
            double s = (p.x - xs_[i]) / w, t = (p.y - ys_[j]) / h;
            const cv::Point2d &a = Node(i, j), &b = Node(i + 1, j), &c = Node(i, j + 1),
                              &d = Node(i + 1, j + 1);
            cv::Point2d f =
                a * ((1 - s) * (1 - t)) + b * (s * (1 - t)) + c * ((1 - s) * t) + d * (s * t) - target;
            if (std::abs(f.x) < tolerance && std::abs(f.y) < tolerance) return p;
            cv::Point2d ds = ((b - a) * (1 - t) + (d - c) * t) * (1.0 / w);
            cv::Point2d dt = ((c - a) * (1 - s) + (d - b) * s) * (1.0 / h);
            double det = ds.x * dt.y - ds.y * dt.x;
            if (std::abs(det) < 1e-12) return std::nullopt;
            cv::Point2d step((f.x * dt.y - f.y * dt.x) / det, (ds.x * f.y - ds.y * f.x) / det);
            // Do not jump further than a few cells at once: keeps the iteration in the fold-free region.
            double len = std::hypot(step.x, step.y), limit = 4.0 * std::max(w, h);
            if (len > limit) step *= limit / len;
            p -= step;
        }
        return std::nullopt;
    };
    if (auto r = newton(guess)) return r;
    return newton(NearestNode(target));
}

}  // namespace wallsim
