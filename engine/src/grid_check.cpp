#include "grid_check.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

#include <opencv2/calib3d.hpp>

namespace vantiscore {
namespace {

using RectKey = std::tuple<int, int, int, int>;

RectKey KeyOf(const cv::Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

// Index of every blob record (the first of identical ones).
std::map<RectKey, size_t> IndexBlobs(const std::vector<cv::Rect>& blocks) {
    std::map<RectKey, size_t> index;
    for (size_t i = 0; i < blocks.size(); ++i) index.emplace(KeyOf(blocks[i]), i);
    return index;
}

// The blob whose box centre lies within half its size of p, nearest first.
int BlobAt(const std::vector<cv::Rect>& blocks, cv::Point p) {
    int best = -1;
    long bestDistance = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const cv::Rect& b = blocks[i];
        const long dx = b.x - p.x;
        const long dy = b.y - p.y;
        if (std::abs(dx) > b.width / 2 || std::abs(dy) > b.height / 2) continue;
        const long distance = dx * dx + dy * dy;
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

// Blob index of every found entry, or -1.
std::vector<int> BlobOfEntry(const SortedBlocks& sorted, const std::vector<cv::Rect>& blocks) {
    const std::map<RectKey, size_t> index = IndexBlobs(blocks);
    std::vector<int> blobOf(sorted.grid.size(), -1);
    for (size_t k = 0; k < sorted.grid.size(); ++k) {
        if (!sorted.found[k]) continue;
        const auto hit = index.find(KeyOf(sorted.grid[k]));
        blobOf[k] = hit != index.end() ? static_cast<int>(hit->second)
                                       : BlobAt(blocks, {sorted.grid[k].x, sorted.grid[k].y});
    }
    return blobOf;
}

// Fixed-point factor with which the integer hole filling works on sub-pixel positions.
constexpr float kFixed = 256.0f;

}  // namespace

std::vector<cv::Point2f> RefineCentres(const SortedBlocks& sorted, const BlockLayout& layout,
                                       const std::vector<cv::Rect>& blocks,
                                       const std::vector<cv::Point2f>& centroids, CentreMode mode) {
    if (mode == kCentresBox || centroids.size() != blocks.size() || sorted.found.size() != sorted.grid.size())
        return ToBlockGrid(sorted.grid);
    const std::vector<int> blobOf = BlobOfEntry(sorted, blocks);
    BlobGrid fixed(sorted.grid.size());
    for (size_t k = 0; k < sorted.grid.size(); ++k) {
        if (!sorted.found[k]) continue;
        const cv::Point2f p = blobOf[k] >= 0 ? centroids[static_cast<size_t>(blobOf[k])]
                                             : cv::Point2f(static_cast<float>(sorted.grid[k].x),
                                                           static_cast<float>(sorted.grid[k].y));
        fixed[k] = cv::Rect(static_cast<int>(std::lround(p.x * kFixed)),
                            static_cast<int>(std::lround(p.y * kFixed)), 1, 1);
    }
    // The filling passes are sums and differences of positions, exact in fixed point.
    if (layout.columns >= 3 && layout.rows >= 3) FillHoles(fixed, layout);
    std::vector<cv::Point2f> points;
    points.reserve(fixed.size());
    for (const cv::Rect& r : fixed)
        points.emplace_back(static_cast<float>(r.x) / kFixed, static_cast<float>(r.y) / kFixed);
    return points;
}

namespace {

constexpr int kFallbackRadius = 3;

// Least-squares polynomial of the given degree (2 or 3) in the grid's column
// and row through the found centres of the (2 radius + 1)^2 window nearest to
// grid place (c, r), which may lie outside the grid; evaluated at (c, r).
// False with fewer than twice as many found centres as the polynomial has
// terms, a degenerate window or a value that overflowed; *value is then untouched.
bool FitAt(const std::vector<cv::Point2f>& centres, const std::vector<bool>& found, const BlockLayout& layout,
           int c, int r, const LocalFit& fit, cv::Point2f* value, double* leverage = nullptr) {
    const int n = layout.columns;
    const int m = layout.rows;
    const int terms = fit.degree >= 3 ? 10 : 6;
    const int span = 2 * fit.radius;
    // The window keeps its full size at the edges and beyond them by moving inwards.
    const int c0 = std::clamp(c - fit.radius, 0, std::max(0, n - 1 - span));
    const int r0 = std::clamp(r - fit.radius, 0, std::max(0, m - 1 - span));
    cv::Mat normal = cv::Mat::zeros(terms, terms, CV_64F);
    cv::Mat right = cv::Mat::zeros(terms, 2, CV_64F);
    double basis[10];
    int support = 0;
    for (int rr = r0; rr <= std::min(m - 1, r0 + span); ++rr)
        for (int cc = c0; cc <= std::min(n - 1, c0 + span); ++cc) {
            const auto j = static_cast<size_t>(rr * n + cc);
            if (!found[j]) continue;
            // Offsets from the evaluation place: the constant term is the value there.
            const double u = cc - c;
            const double v = rr - r;
            basis[0] = 1.0;
            basis[1] = u;
            basis[2] = v;
            basis[3] = u * u;
            basis[4] = u * v;
            basis[5] = v * v;
            if (terms == 10) {
                basis[6] = u * u * u;
                basis[7] = u * u * v;
                basis[8] = u * v * v;
                basis[9] = v * v * v;
            }
            for (int a = 0; a < terms; ++a) {
                double* row = normal.ptr<double>(a);
                for (int b = 0; b < terms; ++b) row[b] += basis[a] * basis[b];
                right.at<double>(a, 0) += basis[a] * centres[j].x;
                right.at<double>(a, 1) += basis[a] * centres[j].y;
            }
            ++support;
        }
    if (support < 2 * terms) return false;
    cv::Mat inverse;
    if (cv::invert(normal, inverse, cv::DECOMP_CHOLESKY) == 0.0) return false;
    const cv::Mat solution = inverse * right;
    // The weight of the entry's own centre in the fit's value at its place.
    const cv::Point2f fitted(static_cast<float>(solution.at<double>(0, 0)),
                             static_cast<float>(solution.at<double>(0, 1)));
    // A fit that overflowed leaves the caller's value as it was.
    if (!std::isfinite(fitted.x) || !std::isfinite(fitted.y)) return false;
    if (leverage != nullptr) *leverage = inverse.at<double>(0, 0);
    *value = fitted;
    return true;
}

// Mean squared leave-one-out error of the fit over the found centres it can
// be fitted at: a centre's own error divided by 1 - its leverage is what a
// fit without it would have missed it by.
double LeaveOneOutError(const std::vector<cv::Point2f>& centres, const std::vector<bool>& found,
                        const BlockLayout& layout, const LocalFit& fit) {
    double sum = 0.0;
    int count = 0;
    for (int r = 0; r < layout.rows; ++r)
        for (int c = 0; c < layout.columns; ++c) {
            const auto k = static_cast<size_t>(r * layout.columns + c);
            if (!found[k]) continue;
            cv::Point2f value;
            double leverage = 0.0;
            if (!FitAt(centres, found, layout, c, r, fit, &value, &leverage) || leverage >= 1.0) continue;
            const cv::Point2f e = (value - centres[k]) * static_cast<float>(1.0 / (1.0 - leverage));
            sum += e.dot(e);
            ++count;
        }
    return count > 0 ? sum / count : std::numeric_limits<double>::infinity();
}

// The window size whose fit predicts the left-out centres best: wide windows
// average more noise, narrow ones follow strong distortion. Going from the
// widest down, each narrower window must predict clearly better (by a tenth)
// than the one before it to be taken: the leave-one-out errors of windows
// that all fit lie within a few hundredths of each other, and the narrowest
// of them extrapolates the ring worst.
LocalFit ChooseFit(const std::vector<cv::Point2f>& centres, const std::vector<bool>& found,
                   const BlockLayout& layout) {
    LocalFit best{kFallbackRadius, 3};
    double bestError = std::numeric_limits<double>::infinity();
    for (const int radius : {8, 5, 3, 2}) {
        const LocalFit fit{radius, 3};
        const double error = LeaveOneOutError(centres, found, layout, fit);
        if (!std::isfinite(error)) continue;
        if (std::isfinite(bestError) && !(error < 0.9 * bestError)) break;
        bestError = error;
        best = fit;
    }
    return best;
}

}  // namespace

std::vector<cv::Point2f> SmoothCentres(const std::vector<cv::Point2f>& centres,
                                       const std::vector<bool>& found, const BlockLayout& layout,
                                       const LocalFit& fit, double* errorKept) {
    const int n = layout.columns;
    const int m = layout.rows;
    if (errorKept != nullptr) *errorKept = 1.0;
    if (n < 1 || m < 1 || centres.size() != static_cast<size_t>(n * m) || found.size() != centres.size())
        return centres;
    const LocalFit chosen = fit.radius > 0 ? fit : ChooseFit(centres, found, layout);
    std::vector<cv::Point2f> smoothed = centres;
    // A fitted place's value carries its window's independent centre errors
    // with the weight inverse(0, 0) on their variance; a place left as
    // measured carries its own whole.
    double weight = 0.0;
    for (int r = 0; r < m; ++r)
        for (int c = 0; c < n; ++c) {
            double leverage = 1.0;
            if (!FitAt(centres, found, layout, c, r, chosen, &smoothed[static_cast<size_t>(r * n + c)],
                       &leverage))
                leverage = 1.0;
            weight += std::clamp(leverage, 0.0, 1.0);
        }
    if (errorKept != nullptr) *errorKept = std::sqrt(weight / (n * m));
    return smoothed;
}

RingedGrid FittedRing(const std::vector<cv::Point2f>& centres, const std::vector<bool>& found,
                      const std::vector<cv::Point2f>& ideal, const BlockLayout& layout,
                      const PatternInfo& info, const LocalFit& fit) {
    if (centres.size() != static_cast<size_t>(layout.Count()) || found.size() != centres.size())
        return AddVirtualRing(centres, ideal, layout, info);
    const LocalFit chosen = fit.radius > 0 ? fit : ChooseFit(centres, found, layout);
    double errorKept = 1.0;
    const std::vector<cv::Point2f> smoothed = SmoothCentres(centres, found, layout, chosen, &errorKept);
    RingedGrid ringed = AddVirtualRing(smoothed, ideal, layout, info);
    ringed.errorKept = errorKept;
    const int n = layout.columns;
    const int m = layout.rows;
    if (n < 2 || m < 2 || centres.size() != static_cast<size_t>(n * m) || found.size() != centres.size() ||
        ideal.size() != centres.size())
        return ringed;
    const int w = n + 2;
    // The ring from the fit of the outer blocks' window; where it cannot be fitted the
    // quadratic continuation of the smoothed centres stays.
    for (int r = -1; r <= m; ++r)
        for (int c = -1; c <= n; ++c) {
            if (r >= 0 && c >= 0 && r < m && c < n) continue;
            FitAt(centres, found, layout, c, r, chosen,
                  &ringed.centres[static_cast<size_t>((r + 1) * w + c + 1)]);
        }
    return ringed;
}

std::vector<cv::Point2f> IdealCentres(const PatternInfo& info, CentreMode mode) {
    // Warp grids hold panel pixel indices: the middle of a block of b pixels
    // from its corner pixel lies (b - 1) / 2 further on.
    const float ox =
        mode == kCentresBox ? static_cast<float>(info.blockWidth / 2) : (info.blockWidth - 1) / 2.0f;
    const float oy =
        mode == kCentresBox ? static_cast<float>(info.blockHeight / 2) : (info.blockHeight - 1) / 2.0f;
    std::vector<cv::Point2f> centres;
    centres.reserve(static_cast<size_t>(std::max(0, info.blockColumns * info.blockRows)));
    for (int r = 0; r < info.blockRows; ++r)
        for (int c = 0; c < info.blockColumns; ++c)
            centres.emplace_back(ox + static_cast<float>(c * info.pitchX),
                                 oy + static_cast<float>(r * info.pitchY));
    return centres;
}

GridCheck CheckGrid(const PatternInfo& info, const SortedBlocks& sorted,
                    const std::vector<cv::Point2f>& centres, const std::vector<cv::Point2f>& ideal,
                    const std::vector<cv::Rect>& blocks) {
    GridCheck check;
    const BlockLayout layout = BlockLayout::FromPattern(info);
    const int n = layout.columns;
    const int m = layout.rows;
    check.figures.blocksExpected = std::max(0, layout.Count());
    if (sorted.grid.size() != static_cast<size_t>(check.figures.blocksExpected) ||
        centres.size() != sorted.grid.size() || ideal.size() != sorted.grid.size()) {
        check.consistent = false;
        return check;
    }
    check.residuals.assign(sorted.grid.size(), -1.0);

    // Every found entry names its blob; a blob placed twice means the grid slipped.
    const std::vector<int> blobOf = BlobOfEntry(sorted, blocks);
    std::vector<int> placedAt(blocks.size(), 0);
    for (size_t k = 0; k < sorted.grid.size(); ++k) {
        if (!sorted.found[k]) continue;
        ++check.figures.blocksFound;
        if (blobOf[k] >= 0 && ++placedAt[static_cast<size_t>(blobOf[k])] > 1) check.consistent = false;
    }

    // Leave-one-out prediction of every found block from its found neighbours.
    double sum = 0.0;
    int measured = 0;
    std::vector<cv::Point2f> source;
    std::vector<cv::Point2f> destination;
    for (int r = 0; r < m; ++r)
        for (int c = 0; c < n; ++c) {
            const int k = r * n + c;
            if (!sorted.found[static_cast<size_t>(k)]) continue;
            source.clear();
            destination.clear();
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int rr = r + dr;
                    const int cc = c + dc;
                    if ((dr == 0 && dc == 0) || rr < 0 || cc < 0 || rr >= m || cc >= n) continue;
                    const int j = rr * n + cc;
                    if (!sorted.found[static_cast<size_t>(j)]) continue;
                    source.push_back(centres[static_cast<size_t>(j)]);
                    destination.push_back(ideal[static_cast<size_t>(j)]);
                }
            if (source.size() < 5) continue;
            const cv::Mat h = cv::findHomography(source, destination, 0);
            if (h.empty() || !cv::checkRange(h)) continue;
            std::vector<cv::Point2f> predicted;
            cv::perspectiveTransform(std::vector<cv::Point2f>{centres[static_cast<size_t>(k)]}, predicted, h);
            const double residual = cv::norm(predicted[0] - ideal[static_cast<size_t>(k)]);
            if (!std::isfinite(residual)) continue;
            check.residuals[static_cast<size_t>(k)] = residual;
            sum += residual * residual;
            ++measured;
            check.figures.residualMax = std::max(check.figures.residualMax, residual);
        }
    check.figures.residualRms = measured > 0 ? std::sqrt(sum / measured) : 0.0;

    const double pitch = std::min(info.pitchX, info.pitchY);
    if (check.figures.residualMax > 0.25 * pitch) check.consistent = false;
    if (check.figures.blocksFound * 4 < check.figures.blocksExpected) check.consistent = false;

    // Block-sized blobs left over: blocks that could not be placed.
    std::vector<int> areas;
    for (size_t i = 0; i < blocks.size(); ++i)
        if (placedAt[i] > 0) areas.push_back(blocks[i].width * blocks[i].height);
    if (!areas.empty()) {
        std::nth_element(areas.begin(), areas.begin() + static_cast<long>(areas.size() / 2), areas.end());
        const int median = areas[areas.size() / 2];
        int leftOver = 0;
        for (size_t i = 0; i < blocks.size(); ++i)
            if (placedAt[i] == 0 && blocks[i].width * blocks[i].height * 2 >= median) ++leftOver;
        // The centre blocks show on the grid photo too, once more than placed when seeded from the centre
        // photo.
        if (leftOver > 4 + check.figures.blocksExpected / 50) check.consistent = false;
    }
    return check;
}

double ExtrapolationDistance(const std::vector<cv::Point2f>& warp, const std::vector<cv::Point2f>& ideal,
                             const std::vector<bool>& found) {
    float x0 = 0;
    float y0 = 0;
    float x1 = -1;
    float y1 = -1;
    bool any = false;
    for (size_t k = 0; k < ideal.size() && k < found.size(); ++k) {
        if (!found[k]) continue;
        if (!any) {
            x0 = x1 = ideal[k].x;
            y0 = y1 = ideal[k].y;
            any = true;
        }
        x0 = std::min(x0, ideal[k].x);
        x1 = std::max(x1, ideal[k].x);
        y0 = std::min(y0, ideal[k].y);
        y1 = std::max(y1, ideal[k].y);
    }
    if (!any) return 0.0;
    double worst = 0.0;
    for (const cv::Point2f& p : warp) {
        const double dx = std::max({0.0f, x0 - p.x, p.x - x1});
        const double dy = std::max({0.0f, y0 - p.y, p.y - y1});
        worst = std::max(worst, std::hypot(dx, dy));
    }
    return worst;
}

namespace {

// Least-squares quadratic through the points at index 0..count-1 (count 3 or
// more; fewer gives a straight line or a copy), evaluated at index -1.
cv::Point2f ExtrapolateBefore(const std::vector<cv::Point2f>& points) {
    const size_t count = points.size();
    if (count == 0) return {};
    if (count == 1) return points[0];
    if (count == 2) return 2 * points[0] - points[1];
    // Normal equations of y = a + b t + c t^2 at t = 0..count-1.
    double s[5] = {0, 0, 0, 0, 0};
    double rx[3] = {0, 0, 0};
    double ry[3] = {0, 0, 0};
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i);
        double power = 1.0;
        for (double& entry : s) {
            entry += power;
            power *= t;
        }
        const double powers[3] = {1.0, t, t * t};
        for (int j = 0; j < 3; ++j) {
            rx[j] += powers[j] * points[i].x;
            ry[j] += powers[j] * points[i].y;
        }
    }
    const cv::Matx33d a(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    cv::Vec3d cx;
    cv::Vec3d cy;
    if (!cv::solve(a, cv::Vec3d(rx[0], rx[1], rx[2]), cx, cv::DECOMP_LU) ||
        !cv::solve(a, cv::Vec3d(ry[0], ry[1], ry[2]), cy, cv::DECOMP_LU))
        return 2 * points[0] - points[1];
    // At t = -1.
    return {static_cast<float>(cx[0] - cx[1] + cx[2]), static_cast<float>(cy[0] - cy[1] + cy[2])};
}

constexpr size_t kRingSupport = 4;

}  // namespace

RingedGrid AddVirtualRing(const std::vector<cv::Point2f>& centres, const std::vector<cv::Point2f>& ideal,
                          const BlockLayout& layout, const PatternInfo& info) {
    RingedGrid ringed;
    const int n = layout.columns;
    const int m = layout.rows;
    const int w = n + 2;
    const int h = m + 2;
    ringed.layout = BlockLayout{w, h, layout.centreColumn + 1, layout.centreRow + 1};
    ringed.centres.assign(static_cast<size_t>(w * h), cv::Point2f());
    ringed.ideal.assign(static_cast<size_t>(w * h), cv::Point2f());
    if (n < 2 || m < 2 || centres.size() != static_cast<size_t>(n * m) || ideal.size() != centres.size())
        return ringed;
    auto at = [w](int r, int c) { return static_cast<size_t>((r + 1) * w + (c + 1)); };
    for (int r = 0; r < m; ++r)
        for (int c = 0; c < n; ++c) {
            ringed.centres[at(r, c)] = centres[static_cast<size_t>(r * n + c)];
            ringed.ideal[at(r, c)] = ideal[static_cast<size_t>(r * n + c)];
        }
    const auto pitchX = static_cast<float>(info.pitchX);
    const auto pitchY = static_cast<float>(info.pitchY);
    const size_t supportRows = std::min<size_t>(kRingSupport, static_cast<size_t>(m));
    const size_t supportColumns = std::min<size_t>(kRingSupport, static_cast<size_t>(n));
    std::vector<cv::Point2f> support;

    // Above and below every column.
    for (int c = 0; c < n; ++c) {
        support.clear();
        for (size_t i = 0; i < supportRows; ++i)
            support.push_back(ringed.centres[at(static_cast<int>(i), c)]);
        ringed.centres[at(-1, c)] = ExtrapolateBefore(support);
        ringed.ideal[at(-1, c)] = ringed.ideal[at(0, c)] - cv::Point2f(0, pitchY);
        support.clear();
        for (size_t i = 0; i < supportRows; ++i)
            support.push_back(ringed.centres[at(m - 1 - static_cast<int>(i), c)]);
        ringed.centres[at(m, c)] = ExtrapolateBefore(support);
        ringed.ideal[at(m, c)] = ringed.ideal[at(m - 1, c)] + cv::Point2f(0, pitchY);
    }
    // Left and right of every row, the new top and bottom rows included.
    for (int r = -1; r <= m; ++r) {
        support.clear();
        for (size_t i = 0; i < supportColumns; ++i)
            support.push_back(ringed.centres[at(r, static_cast<int>(i))]);
        ringed.centres[at(r, -1)] = ExtrapolateBefore(support);
        ringed.ideal[at(r, -1)] = ringed.ideal[at(r, 0)] - cv::Point2f(pitchX, 0);
        support.clear();
        for (size_t i = 0; i < supportColumns; ++i)
            support.push_back(ringed.centres[at(r, n - 1 - static_cast<int>(i))]);
        ringed.centres[at(r, n)] = ExtrapolateBefore(support);
        ringed.ideal[at(r, n)] = ringed.ideal[at(r, n - 1)] + cv::Point2f(pitchX, 0);
    }
    return ringed;
}

}  // namespace vantiscore
