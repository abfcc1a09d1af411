#include "calibration/boundary_check.h"

#include <cmath>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace vantis::calibration {

namespace {

bool Complete(const BoundaryGrid& grid) {
    return grid.size() == static_cast<std::size_t>(kBoundaryColumns) * kBoundaryRows;
}

const cv::Point2f& At(const BoundaryGrid& grid, int column, int row) {
    return grid[static_cast<std::size_t>(row) * kBoundaryColumns + static_cast<std::size_t>(column)];
}

// The outer ring, clockwise on the screen (y down): top row, right column,
// bottom row backwards, left column upwards.
std::vector<cv::Point2f> Outline(const BoundaryGrid& grid) {
    std::vector<cv::Point2f> ring;
    const int lastColumn = kBoundaryColumns - 1, lastRow = kBoundaryRows - 1;
    ring.reserve(static_cast<std::size_t>(2 * (lastColumn + lastRow)));
    for (int c = 0; c < lastColumn; ++c) ring.push_back(At(grid, c, 0));
    for (int r = 0; r < lastRow; ++r) ring.push_back(At(grid, lastColumn, r));
    for (int c = lastColumn; c > 0; --c) ring.push_back(At(grid, c, lastRow));
    for (int r = lastRow; r > 0; --r) ring.push_back(At(grid, 0, r));
    return ring;
}

// Twice the signed area (shoelace), in double precision.
double SignedArea2(const std::vector<cv::Point2f>& ring) {
    double sum = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const cv::Point2f& a = ring[i];
        const cv::Point2f& b = ring[(i + 1) % ring.size()];
        sum += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return sum;
}

// Below this many square pixels the boundary has no area worth the name.
constexpr double kCollapsedArea = 1.0;

}  // namespace

double BoundaryArea(const BoundaryGrid& grid) {
    if (!Complete(grid)) return 0.0;
    return std::fabs(SignedArea2(Outline(grid))) / 2.0;
}

BoundaryFault CheckBoundaryShape(const BoundaryGrid& grid, cv::Size picture) {
    if (!Complete(grid)) return BoundaryFault::Collapsed;
    for (const cv::Point2f& p : grid)
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return BoundaryFault::Folded;
    const double outline2 = SignedArea2(Outline(grid));
    if (std::fabs(outline2) / 2.0 < kCollapsedArea) return BoundaryFault::Collapsed;
    // Every cell must turn the same way as the outline; a cell turned over or
    // squashed flat is where the grid folds.
    const double sense = outline2 > 0 ? 1.0 : -1.0;
    for (int r = 0; r + 1 < kBoundaryRows; ++r) {
        for (int c = 0; c + 1 < kBoundaryColumns; ++c) {
            const std::vector<cv::Point2f> cell = {At(grid, c, r), At(grid, c + 1, r), At(grid, c + 1, r + 1),
                                                   At(grid, c, r + 1)};
            if (SignedArea2(cell) * sense <= 0.0) return BoundaryFault::Folded;
        }
    }
    if (picture.width > 0 && picture.height > 0) {
        for (const cv::Point2f& p : grid) {
            if (p.x < 0.0f || p.y < 0.0f || p.x > static_cast<float>(picture.width) ||
                p.y > static_cast<float>(picture.height)) {
                return BoundaryFault::OutsidePhoto;
            }
        }
        const double pictureArea = static_cast<double>(picture.width) * picture.height;
        if (std::fabs(outline2) / 2.0 < kMinimumBoundaryShare * pictureArea) return BoundaryFault::TooSmall;
    }
    return BoundaryFault::None;
}

double LitShareCovered(const BoundaryGrid& grid, const cv::Mat& lit) {
    if (lit.empty() || lit.type() != CV_8UC1 || !Complete(grid)) return 1.0;
    const int litPixels = cv::countNonZero(lit);
    if (litPixels == 0) return 1.0;
    std::vector<cv::Point> ring;
    for (const cv::Point2f& p : Outline(grid)) ring.emplace_back(cvRound(p.x), cvRound(p.y));
    cv::Mat inside = cv::Mat::zeros(lit.size(), CV_8UC1);
    cv::fillPoly(inside, std::vector<std::vector<cv::Point>>{ring}, cv::Scalar(255));
    cv::Mat both;
    cv::bitwise_and(inside, lit, both);
    return static_cast<double>(cv::countNonZero(both)) / litPixels;
}

BoundaryFault CheckBoundary(const BoundaryGrid& grid, const cv::Mat& lit) {
    const bool judged = !lit.empty() && lit.type() == CV_8UC1 && cv::countNonZero(lit) > 0;
    const BoundaryFault shape = CheckBoundaryShape(grid, judged ? lit.size() : cv::Size());
    if (shape != BoundaryFault::None) return shape;
    return LitShareCovered(grid, lit) < kMinimumBoundaryShare ? BoundaryFault::TooSmall : BoundaryFault::None;
}

std::string BoundaryFaultText(BoundaryFault fault) {
    const char* advice = " Open Boundary, mark the screen's edges on the camera picture and calibrate again.";
    switch (fault) {
        case BoundaryFault::None:
            return {};
        case BoundaryFault::Collapsed:
            return std::string("The boundary has no area: its points lie on one spot or one line.") + advice;
        case BoundaryFault::Folded:
            return std::string("The boundary folds over itself.") + advice;
        case BoundaryFault::OutsidePhoto:
            return std::string("The boundary reaches outside the camera picture.") + advice;
        case BoundaryFault::TooSmall:
            return std::string("The boundary covers less than 5 % of the lit wall.") + advice;
    }
    return {};
}

}  // namespace vantis::calibration
