// The automatic boundary (see auto_boundary.h) and AutoWarpFindBoundary.
#include "auto_boundary.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <opencv2/imgproc.hpp>

#include "guard.h"
#include "pattern_table.h"
#include "photo_io.h"

namespace vantiscore {
namespace {

// Distance between the sample points that test a tile's border, in analysis pixels.
constexpr double kSampleSpacing = 3.0;
// Smallest contrast (grey levels) between lit and unlit parts of a white photo.
constexpr double kMinContrast = 16.0;
// Smallest lit share of the picture that counts as a projector's light.
constexpr double kMinLitShare = 0.002;

cv::Point2d Centroid(const std::array<cv::Point2d, 4>& c) {
    return (c[0] + c[1] + c[2] + c[3]) * 0.25;
}

double Cross(cv::Point2d a, cv::Point2d b) {
    return a.x * b.y - a.y * b.x;
}

bool IsConvex(const std::array<cv::Point2d, 4>& c) {
    double sign = 0;
    for (int i = 0; i < 4; ++i) {
        const cv::Point2d e1 = c[(i + 1) % 4] - c[i];
        const cv::Point2d e2 = c[(i + 2) % 4] - c[(i + 1) % 4];
        const double z = Cross(e1, e2);
        if (std::fabs(z) < 1e-9) return false;
        if (sign == 0) sign = z;
        if ((z > 0) != (sign > 0)) return false;
    }
    return true;
}

double Bow(const std::array<double, 8>& bows, int side, double u) {
    return u * (1 - u) *
           (bows[static_cast<size_t>(2 * side)] + bows[static_cast<size_t>(2 * side + 1)] * (2 * u - 1));
}

bool Allowed(const cv::Mat& area, cv::Point2d p) {
    const int x = static_cast<int>(std::lround(p.x));
    const int y = static_cast<int>(std::lround(p.y));
    if (x < 0 || y < 0 || x >= area.cols || y >= area.rows) return false;
    return area.at<std::uint8_t>(y, x) != 0;
}

// Calls visit(s, t) for points along the border of a parameter rectangle,
// about kSampleSpacing apart on the shape; stops at the first false.
template <typename Visit>
bool WalkBorder(const ShapeMap& map, double s0, double s1, double t0, double t1, Visit&& visit) {
    const std::array<std::array<double, 4>, 4> sides{
        {{s0, t0, s1, t0}, {s1, t0, s1, t1}, {s1, t1, s0, t1}, {s0, t1, s0, t0}}};
    for (const auto& side : sides) {
        const cv::Point2d a = map.At(side[0], side[1]);
        const cv::Point2d b = map.At(side[2], side[3]);
        const cv::Point2d mid = map.At((side[0] + side[2]) / 2, (side[1] + side[3]) / 2);
        const double length = cv::norm(mid - a) + cv::norm(b - mid);
        const int n = std::max(4, static_cast<int>(std::ceil(length / kSampleSpacing)));
        for (int i = 0; i < n; ++i) {
            const double u = static_cast<double>(i) / n;
            if (!visit(side[0] + (side[2] - side[0]) * u, side[1] + (side[3] - side[1]) * u)) return false;
        }
    }
    return true;
}

std::array<cv::Point2d, 4> ScaledCorners(const std::array<cv::Point2d, 4>& c, double f) {
    const cv::Point2d m = Centroid(c);
    std::array<cv::Point2d, 4> out;
    for (size_t i = 0; i < 4; ++i) out[i] = m + (c[i] - m) * f;
    return out;
}

// The area every layer makes available: the layers' allowed areas intersected.
cv::Mat TargetArea(const LitLayers& layers) {
    cv::Mat target;
    for (const cv::Mat& layer : layers.allowed) {
        if (target.empty())
            target = layer.clone();
        else
            cv::bitwise_and(target, layer, target);
    }
    return target;
}

// Least-squares bows of the outline of an area against the straight sides
// between its corners: every outline point is given to the nearest side.
std::array<double, 8> FitBows(const std::vector<cv::Point>& outline,
                              const std::array<cv::Point2d, 4>& corners) {
    std::array<double, 8> bows{};
    const cv::Point2d centre = Centroid(corners);
    for (size_t side = 0; side < 4; ++side) {
        const cv::Point2d a = corners[side], b = corners[(side + 1) % 4];
        const cv::Point2d along = b - a;
        const double length2 = along.dot(along);
        if (length2 < 1) continue;
        cv::Point2d n(along.y, -along.x);
        n *= 1.0 / std::sqrt(length2);
        if (n.dot((a + b) * 0.5 - centre) < 0) n = -n;
        cv::Matx22d normal = cv::Matx22d::zeros();
        cv::Vec2d rhs(0, 0);
        for (const cv::Point& q : outline) {
            const cv::Point2d p(q.x, q.y);
            const double u = (p - a).dot(along) / length2;
            if (u < 0.03 || u > 0.97) continue;
            // Nearest side only.
            const double d = (p - a).dot(n);
            bool nearest = true;
            for (size_t other = 0; other < 4 && nearest; ++other) {
                if (other == side) continue;
                const cv::Point2d oa = corners[other], ob = corners[(other + 1) % 4];
                const cv::Point2d oalong = ob - oa;
                const double ou =
                    std::clamp((p - oa).dot(oalong) / std::max(oalong.dot(oalong), 1e-9), 0.0, 1.0);
                if (cv::norm(p - (oa + oalong * ou)) < std::fabs(d)) nearest = false;
            }
            if (!nearest) continue;
            const cv::Vec2d basis(u * (1 - u), u * (1 - u) * (2 * u - 1));
            normal += basis * basis.t();
            rhs += basis * d;
        }
        if (cv::determinant(normal) <= 1e-12) continue;
        const cv::Vec2d coefficients = normal.inv() * rhs;
        bows[2 * side] = coefficients[0];
        bows[2 * side + 1] = coefficients[1];
    }
    return bows;
}

// Coordinate search: moves of corners, sides, the whole outline and (curved)
// the bows, with a step that halves from a twentieth of the outline's size to
// a quarter pixel; a move is kept when the shape still fits and grows.
BoundaryShape Grow(BoundaryShape shape, const LitLayers& layers, const std::vector<TileRange>& tiles,
                   bool curved) {
    struct Move {
        int kind;  // 0 corner, 1 side, 2 all, 3 bow
        int index;
        double dx, dy;
    };
    std::vector<Move> moves;
    for (int c = 0; c < 4; ++c)
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (dx != 0 || dy != 0) moves.push_back({0, c, double(dx), double(dy)});
    for (int side = 0; side < 4; ++side)
        for (const auto& d : {cv::Point2d(1, 0), cv::Point2d(-1, 0), cv::Point2d(0, 1), cv::Point2d(0, -1)})
            moves.push_back({1, side, d.x, d.y});
    for (const auto& d : {cv::Point2d(1, 0), cv::Point2d(-1, 0), cv::Point2d(0, 1), cv::Point2d(0, -1)})
        moves.push_back({2, 0, d.x, d.y});
    if (curved)
        for (int b = 0; b < 8; ++b)
            for (const double sign : {1.0, -1.0}) moves.push_back({3, b, sign, 0});

    auto apply = [](BoundaryShape s, const Move& m, double step) {
        switch (m.kind) {
            case 0:
                s.corners[static_cast<size_t>(m.index)] += cv::Point2d(m.dx, m.dy) * step;
                break;
            case 1:
                s.corners[static_cast<size_t>(m.index)] += cv::Point2d(m.dx, m.dy) * step;
                s.corners[static_cast<size_t>((m.index + 1) % 4)] += cv::Point2d(m.dx, m.dy) * step;
                break;
            case 2:
                for (auto& c : s.corners) c += cv::Point2d(m.dx, m.dy) * step;
                break;
            default:
                s.bows[static_cast<size_t>(m.index)] += m.dx * step * 4;
                break;
        }
        return s;
    };

    double area = ShapeArea(shape);
    const double size = std::max(cv::norm(shape.corners[2] - shape.corners[0]),
                                 cv::norm(shape.corners[3] - shape.corners[1]));
    for (double step = std::max(1.0, size / 20); step >= 0.25; step /= 2) {
        for (int pass = 0; pass < 200; ++pass) {
            bool improved = false;
            for (const Move& m : moves) {
                BoundaryShape candidate = apply(shape, m, step);
                // Bows stay small against their side, so the outline stays simple.
                bool sane = IsConvex(candidate.corners);
                for (int side = 0; sane && side < 4; ++side) {
                    const double length = cv::norm(candidate.corners[static_cast<size_t>((side + 1) % 4)] -
                                                   candidate.corners[static_cast<size_t>(side)]);
                    sane = std::fabs(candidate.bows[static_cast<size_t>(2 * side)]) +
                               std::fabs(candidate.bows[static_cast<size_t>(2 * side + 1)]) <=
                           0.4 * length;
                }
                if (!sane) continue;
                const double candidateArea = ShapeArea(candidate);
                if (candidateArea <= area + 1e-6) continue;
                if (!ShapeFits(candidate, layers, tiles)) continue;
                shape = candidate;
                area = candidateArea;
                improved = true;
            }
            if (!improved) break;
        }
    }
    return shape;
}

cv::Matx33d PanelHomography(const Footprint& footprint, const PatternInfo& info) {
    std::vector<cv::Point2f> from, to;
    for (const auto& c : footprint.corners)
        from.emplace_back(static_cast<float>(c.x), static_cast<float>(c.y));
    to = {{0, 0}, {float(info.width), 0}, {float(info.width), float(info.height)}, {0, float(info.height)}};
    cv::Matx33d h;
    cv::getPerspectiveTransform(from, to).convertTo(h, CV_64F);
    return h;
}

cv::Point2d Map(const cv::Matx33d& h, cv::Point2d p) {
    const cv::Vec3d v = h * cv::Vec3d(p.x, p.y, 1.0);
    return {v[0] / v[2], v[1] / v[2]};
}

}  // namespace

FootprintStatus FindFootprint(const cv::Mat& blackGrey, const cv::Mat& whiteGrey, Footprint* footprint) {
    const double pixels = static_cast<double>(blackGrey.total());
    if (cv::mean(blackGrey)[0] >= 240.0) return FootprintStatus::kSaturated;
    if (cv::countNonZero(whiteGrey >= 250) >= 0.98 * pixels) return FootprintStatus::kSaturated;

    cv::Mat difference;
    cv::subtract(whiteGrey, blackGrey, difference);
    cv::GaussianBlur(difference, difference, cv::Size(3, 3), 0);
    cv::Mat lit;
    cv::threshold(difference, lit, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    const int litCount = cv::countNonZero(lit);
    if (litCount < kMinLitShare * pixels) return FootprintStatus::kNoLight;
    if (litCount == static_cast<int>(pixels)) return FootprintStatus::kAtEdge;
    const double inside = cv::mean(difference, lit)[0];
    cv::Mat unlit;
    cv::bitwise_not(lit, unlit);
    const double outside = cv::mean(difference, unlit)[0];
    if (inside - outside < kMinContrast) return FootprintStatus::kNoLight;

    // Specks and thin cracks go; the largest area is the projector's light.
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(5, 5));
    cv::morphologyEx(lit, lit, cv::MORPH_OPEN, kernel);
    cv::morphologyEx(lit, lit, cv::MORPH_CLOSE, kernel);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(lit, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    if (contours.empty()) return FootprintStatus::kNoLight;
    size_t largest = 0;
    double largestArea = -1;
    for (size_t i = 0; i < contours.size(); ++i) {
        const double a = cv::contourArea(contours[i]);
        if (a > largestArea) {
            largestArea = a;
            largest = i;
        }
    }
    if (largestArea < kMinLitShare * pixels) return FootprintStatus::kNoLight;
    const cv::Rect box = cv::boundingRect(contours[largest]);
    if (box.x <= 1 || box.y <= 1 || box.x + box.width >= blackGrey.cols - 1 ||
        box.y + box.height >= blackGrey.rows - 1) {
        return FootprintStatus::kAtEdge;
    }
    footprint->mask = cv::Mat::zeros(blackGrey.size(), CV_8U);
    cv::drawContours(footprint->mask, contours, static_cast<int>(largest), cv::Scalar(255), cv::FILLED);
    footprint->corners = ExtremeCorners(contours[largest]);
    return FootprintStatus::kOk;
}

std::array<cv::Point2d, 4> ExtremeCorners(const std::vector<cv::Point>& points) {
    std::array<cv::Point2d, 4> c;
    if (points.empty()) return c;
    double tl = 1e300, tr = -1e300, br = -1e300, bl = 1e300;
    for (const cv::Point& p : points) {
        const double sum = p.x + p.y, diff = p.x - p.y;
        if (sum < tl) tl = sum, c[0] = p;
        if (diff > tr) tr = diff, c[1] = p;
        if (sum > br) br = sum, c[2] = p;
        if (diff < bl) bl = diff, c[3] = p;
    }
    return c;
}

cv::Mat AllowedArea(const cv::Mat& mask, double margin) {
    if (margin <= 0) return mask.clone();
    // Outside the picture counts as unlit: a frame of zeros around the mask.
    cv::Mat framed;
    cv::copyMakeBorder(mask, framed, 1, 1, 1, 1, cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::Mat distance;
    cv::distanceTransform(framed, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    cv::Mat allowed;
    cv::compare(distance(cv::Rect(1, 1, mask.cols, mask.rows)), margin, allowed, cv::CMP_GE);
    return allowed;
}

std::optional<std::vector<TileRange>> ChannelTiles(const PatternInfo& info, int warpingMode,
                                                   const TileLayout& layout, int channelCount) {
    std::vector<TileRange> tiles;
    if (channelCount <= 0) return std::nullopt;
    if (warpingMode == kWarpingStacking) {
        for (int c = 0; c < channelCount; ++c) tiles.push_back({c, c, 0, 1, 0, 1});
        return tiles;
    }
    if (warpingMode != kWarpingBlending && warpingMode != kWarpingStackingBlending) return std::nullopt;
    if (!IsCuttableLayout(info, layout)) return std::nullopt;
    const int layers = warpingMode == kWarpingBlending ? 1 : layout.stackCount;
    if (layers < 1 || static_cast<long long>(layers) * layout.columns * layout.rows < channelCount)
        return std::nullopt;
    const double canvasW = double(layout.columns) * info.width - double(layout.columns - 1) * layout.overlapX;
    const double canvasH = double(layout.rows) * info.height - double(layout.rows - 1) * layout.overlapY;
    for (int c = 0; c < channelCount; ++c) {
        const int layer = c / (layout.columns * layout.rows);
        const int row = (c / layout.columns) % layout.rows;
        const int column = c % layout.columns;
        const double x0 = double(column) * (info.width - layout.overlapX);
        const double y0 = double(row) * (info.height - layout.overlapY);
        tiles.push_back({c, layer, x0 / canvasW, (x0 + info.width) / canvasW, y0 / canvasH,
                         (y0 + info.height) / canvasH});
    }
    return tiles;
}

double LayoutAspect(const PatternInfo& info, int warpingMode, const TileLayout& layout) {
    if (warpingMode == kWarpingStacking || info.height <= 0)
        return info.height > 0 ? double(info.width) / info.height : 1.0;
    const double canvasW = double(layout.columns) * info.width - double(layout.columns - 1) * layout.overlapX;
    const double canvasH = double(layout.rows) * info.height - double(layout.rows - 1) * layout.overlapY;
    return canvasW / canvasH;
}

ShapeMap::ShapeMap(const BoundaryShape& shape) : shape_(shape) {
    if (!IsConvex(shape.corners)) return;
    std::vector<cv::Point2f> square{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::vector<cv::Point2f> quad;
    for (const auto& c : shape.corners) quad.emplace_back(static_cast<float>(c.x), static_cast<float>(c.y));
    cv::getPerspectiveTransform(square, quad).convertTo(h_, CV_64F);
    const cv::Point2d centre = Centroid(shape.corners);
    for (size_t side = 0; side < 4; ++side) {
        const cv::Point2d a = shape.corners[side], b = shape.corners[(side + 1) % 4];
        cv::Point2d n(b.y - a.y, a.x - b.x);
        n *= 1.0 / std::max(cv::norm(n), 1e-12);
        if (n.dot((a + b) * 0.5 - centre) < 0) n = -n;
        normals_[side] = n;
    }
    valid_ = true;
}

cv::Point2d ShapeMap::Base(double s, double t) const {
    const cv::Vec3d v = h_ * cv::Vec3d(s, t, 1.0);
    cv::Point2d p(v[0] / v[2], v[1] / v[2]);
    // Transfinite blend of the four bows: each side follows its own bow, the
    // inside moves in proportion.
    p += normals_[0] * ((1 - t) * Bow(shape_.bows, 0, s));
    p += normals_[1] * (s * Bow(shape_.bows, 1, t));
    p += normals_[2] * (t * Bow(shape_.bows, 2, s));
    p += normals_[3] * ((1 - s) * Bow(shape_.bows, 3, t));
    return p;
}

cv::Point2d ShapeMap::At(double s, double t) const {
    return Base(shape_.s0 + (shape_.s1 - shape_.s0) * s, shape_.t0 + (shape_.t1 - shape_.t0) * t);
}

LitLayers MakeLayers(const std::vector<cv::Mat>& masks, const std::vector<TileRange>& tiles, double margin) {
    LitLayers layers;
    for (const TileRange& tile : tiles) {
        const auto layer = static_cast<size_t>(tile.layer);
        if (layer >= layers.lit.size()) layers.lit.resize(layer + 1);
        cv::Mat& lit = layers.lit[layer];
        const cv::Mat& mask = masks[static_cast<size_t>(tile.channel)];
        if (lit.empty())
            lit = mask.clone();
        else
            cv::bitwise_or(lit, mask, lit);
    }
    for (const cv::Mat& lit : layers.lit)
        layers.allowed.push_back(lit.empty() ? lit : AllowedArea(lit, margin));
    return layers;
}

bool ShapeFits(const BoundaryShape& shape, const LitLayers& layers, const std::vector<TileRange>& tiles) {
    const ShapeMap map(shape);
    if (!map.valid()) return false;
    // The outline inside every layer's light with the margin …
    for (const cv::Mat& allowed : layers.allowed) {
        if (allowed.empty()) return false;
        if (!WalkBorder(map, 0, 1, 0, 1, [&](double s, double t) { return Allowed(allowed, map.At(s, t)); }))
            return false;
    }
    // … and the seams between tiles lit by their layer, so that a gap
    // between projectors cannot hide inside the outline.
    for (const TileRange& tile : tiles) {
        const cv::Mat& lit = layers.lit[static_cast<size_t>(tile.layer)];
        if (!WalkBorder(map, tile.s0, tile.s1, tile.t0, tile.t1,
                        [&](double s, double t) { return Allowed(lit, map.At(s, t)); })) {
            return false;
        }
    }
    return true;
}

double ShapeArea(const BoundaryShape& shape) {
    const ShapeMap map(shape);
    if (!map.valid()) return 0;
    constexpr int kPerSide = 32;
    std::vector<cv::Point2d> ring;
    ring.reserve(4 * kPerSide);
    for (int i = 0; i < kPerSide; ++i) ring.push_back(map.At(double(i) / kPerSide, 0));
    for (int i = 0; i < kPerSide; ++i) ring.push_back(map.At(1, double(i) / kPerSide));
    for (int i = 0; i < kPerSide; ++i) ring.push_back(map.At(1 - double(i) / kPerSide, 1));
    for (int i = 0; i < kPerSide; ++i) ring.push_back(map.At(0, 1 - double(i) / kPerSide));
    double twice = 0;
    for (size_t i = 0; i < ring.size(); ++i) twice += Cross(ring[i], ring[(i + 1) % ring.size()]);
    return std::fabs(twice) / 2;
}

std::optional<BoundaryShape> LargestShape(const LitLayers& layers, const std::vector<TileRange>& tiles,
                                          bool curved) {
    const cv::Mat target = TargetArea(layers);
    if (target.empty()) return std::nullopt;
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(target, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    if (contours.empty()) return std::nullopt;
    const auto largest = std::max_element(contours.begin(), contours.end(), [](const auto& a, const auto& b) {
        return cv::contourArea(a) < cv::contourArea(b);
    });
    BoundaryShape outline;
    outline.corners = ExtremeCorners(*largest);
    // The outline of the available area, shrunk towards its centre until it
    // fits, then grown as far as it goes.
    auto startFrom = [&](const BoundaryShape& shape) -> std::optional<BoundaryShape> {
        for (double f = 1.0; f > 0.02; f -= 0.02) {
            BoundaryShape candidate = shape;
            candidate.corners = ScaledCorners(shape.corners, f);
            for (double& bow : candidate.bows) bow *= f;
            if (ShapeFits(candidate, layers, tiles)) return candidate;
        }
        return std::nullopt;
    };
    const std::optional<BoundaryShape> straightStart = startFrom(outline);
    if (!straightStart) return std::nullopt;
    const BoundaryShape straight = Grow(*straightStart, layers, tiles, false);
    if (!curved) return straight;
    // Bowed sides start from the bows of the available area's own outline,
    // and are kept only where they win area: straight light keeps straight sides.
    BoundaryShape bowedOutline = outline;
    bowedOutline.bows = FitBows(*largest, outline.corners);
    const std::optional<BoundaryShape> bowedStart = startFrom(bowedOutline);
    if (!bowedStart) return straight;
    const BoundaryShape bowed = Grow(*bowedStart, layers, tiles, true);
    if (ShapeArea(bowed) > ShapeArea(straight) * 1.002) return bowed;
    return straight;
}

double PredictAspect(const BoundaryShape& shape, const std::vector<Footprint>& footprints,
                     const std::vector<TileRange>& tiles, const PatternInfo& info) {
    std::vector<cv::Matx33d> homographies;
    homographies.reserve(footprints.size());
    for (const Footprint& f : footprints) homographies.push_back(PanelHomography(f, info));
    const ShapeMap map(shape);
    if (!map.valid()) return 0;
    // Length in panel pixels of the path (s, t)(u) for u in 0..1.
    auto length = [&](auto&& path) {
        constexpr int kPieces = 64;
        double total = 0;
        for (int i = 0; i < kPieces; ++i) {
            const cv::Point2d a = path(double(i) / kPieces), b = path(double(i + 1) / kPieces);
            const cv::Point2d mid = (a + b) * 0.5;
            double sum = 0;
            int count = 0;
            for (const TileRange& tile : tiles) {
                if (mid.x < tile.s0 - 1e-9 || mid.x > tile.s1 + 1e-9 || mid.y < tile.t0 - 1e-9 ||
                    mid.y > tile.t1 + 1e-9)
                    continue;
                const cv::Matx33d& h = homographies[static_cast<size_t>(tile.channel)];
                sum += cv::norm(Map(h, map.At(b.x, b.y)) - Map(h, map.At(a.x, a.y)));
                ++count;
            }
            if (count > 0) total += sum / count;
        }
        return total;
    };
    const double top = length([](double u) { return cv::Point2d(u, 0); });
    const double bottom = length([](double u) { return cv::Point2d(u, 1); });
    const double left = length([](double u) { return cv::Point2d(0, u); });
    const double right = length([](double u) { return cv::Point2d(1, u); });
    if (left + right <= 0) return 0;
    return (top + bottom) / (left + right);
}

BoundaryShape KeepAspect(const BoundaryShape& shape, double targetAspect,
                         const std::vector<Footprint>& footprints, const LitLayers& layers,
                         const std::vector<TileRange>& tiles, const PatternInfo& info) {
    const double aspect = PredictAspect(shape, footprints, tiles, info);
    if (aspect <= 0 || targetAspect <= 0 || std::fabs(aspect / targetAspect - 1) < 0.001) return shape;
    const bool narrowWidth = aspect > targetAspect;
    BoundaryShape best = shape;
    // The share of the too-long direction that is kept; the aspect is close
    // to proportional to it, and a few corrections make it exact.
    double keep = narrowWidth ? targetAspect / aspect : aspect / targetAspect;
    for (int iteration = 0; iteration < 6; ++iteration) {
        std::optional<BoundaryShape> placed;
        // Centred first; off-centre places when a tile would leave its light.
        for (const double offset : {0.0, -0.25, 0.25, -0.5, 0.5, -0.75, 0.75, -1.0, 1.0}) {
            BoundaryShape candidate = shape;
            const double slack = (1 - keep) / 2;
            const double lo = slack * (1 + offset);
            if (narrowWidth) {
                candidate.s0 = shape.s0 + (shape.s1 - shape.s0) * lo;
                candidate.s1 = candidate.s0 + (shape.s1 - shape.s0) * keep;
            } else {
                candidate.t0 = shape.t0 + (shape.t1 - shape.t0) * lo;
                candidate.t1 = candidate.t0 + (shape.t1 - shape.t0) * keep;
            }
            if (ShapeFits(candidate, layers, tiles)) {
                placed = candidate;
                break;
            }
        }
        if (!placed) {
            keep *= 0.98;
            continue;
        }
        best = *placed;
        const double now = PredictAspect(best, footprints, tiles, info);
        if (now <= 0 || std::fabs(now / targetAspect - 1) < 0.001) break;
        keep *= narrowWidth ? targetAspect / now : now / targetAspect;
        keep = std::min(keep, 1.0);
    }
    return best;
}

BoundaryGrid SampleBoundary(const BoundaryShape& shape, double scaleX, double scaleY) {
    const ShapeMap map(shape);
    BoundaryGrid grid;
    grid.reserve(static_cast<size_t>(kBoundaryColumns) * kBoundaryRows);
    for (int row = 0; row < kBoundaryRows; ++row)
        for (int column = 0; column < kBoundaryColumns; ++column) {
            const cv::Point2d p =
                map.At(double(column) / (kBoundaryColumns - 1), double(row) / (kBoundaryRows - 1));
            // Pixel centres: analysis pixel x covers photo pixels around (x + 0.5) * scale - 0.5.
            grid.emplace_back(static_cast<float>((p.x + 0.5) * scaleX - 0.5),
                              static_cast<float>((p.y + 0.5) * scaleY - 0.5));
        }
    return grid;
}

}  // namespace vantiscore

BoundaryResult AutoWarpFindBoundary(const std::string& blackPhoto,
                                    const std::vector<std::string>& whitePhotos, PatternType patternType,
                                    std::int32_t channelCount, WarpingMode warpingMode,
                                    std::int32_t layoutColumns, std::int32_t layoutRows,
                                    std::int32_t overlapX, std::int32_t overlapY, std::int32_t stackCount,
                                    bool keepAspect, BoundaryGrid* boundary) {
    using namespace vantiscore;
    BoundaryResult refused;
    refused.status = kBoundaryBadArguments;
    if (boundary == nullptr || channelCount <= 0 || whitePhotos.size() < static_cast<size_t>(channelCount) ||
        !IsKnownPatternType(patternType)) {
        return refused;
    }
    return Guarded<BoundaryResult>(refused, [&]() -> BoundaryResult {
        const PatternInfo info = PatternInfoFor(false, patternType);
        const TileLayout layout{layoutColumns, layoutRows, overlapX, overlapY, stackCount};
        const auto tiles = ChannelTiles(info, warpingMode, layout, channelCount);
        if (!tiles) return refused;

        BoundaryResult failure;
        const cv::Mat blackPhotoImage = ReadPhoto(blackPhoto, PhotoColour::kGrey);
        if (blackPhotoImage.empty()) {
            failure.status = kBoundaryPhotoUnreadable;
            return failure;
        }
        const cv::Size photoSize = blackPhotoImage.size();
        const double scale = std::min(1.0, double(kAnalysisWidth) / photoSize.width);
        const cv::Size analysis(std::max(1, int(std::lround(photoSize.width * scale))),
                                std::max(1, int(std::lround(photoSize.height * scale))));
        auto shrink = [&](const cv::Mat& photo) {
            cv::Mat small;
            if (photo.size() == analysis) return photo;
            cv::resize(photo, small, analysis, 0, 0, cv::INTER_AREA);
            return small;
        };
        const cv::Mat black = shrink(blackPhotoImage);

        std::vector<Footprint> footprints(static_cast<size_t>(channelCount));
        cv::Rect litBox;
        for (int c = 0; c < channelCount; ++c) {
            failure.channel = c + 1;
            const cv::Mat whitePhoto = ReadPhoto(whitePhotos[static_cast<size_t>(c)], PhotoColour::kGrey);
            if (whitePhoto.empty() || whitePhoto.size() != photoSize) {
                failure.status = kBoundaryPhotoUnreadable;
                return failure;
            }
            switch (FindFootprint(black, shrink(whitePhoto), &footprints[static_cast<size_t>(c)])) {
                case FootprintStatus::kOk:
                    break;
                case FootprintStatus::kNoLight:
                    failure.status = kBoundaryNoLight;
                    return failure;
                case FootprintStatus::kSaturated:
                    failure.status = kBoundarySaturated;
                    return failure;
                case FootprintStatus::kAtEdge:
                    failure.status = kBoundaryRegionAtEdge;
                    return failure;
            }
            const cv::Rect box = cv::boundingRect(footprints[static_cast<size_t>(c)].mask);
            litBox = c == 0 ? box : (litBox | box);
        }
        failure.channel = 0;

        const double margin = kBoundaryMargin * std::min(litBox.width, litBox.height);
        std::vector<cv::Mat> masks;
        masks.reserve(footprints.size());
        for (const Footprint& f : footprints) masks.push_back(f.mask);
        const LitLayers layers = MakeLayers(masks, *tiles, margin);

        std::optional<BoundaryShape> shape = LargestShape(layers, *tiles, true);
        if (!shape) {
            failure.status = kBoundaryNoFit;
            return failure;
        }
        if (keepAspect)
            *shape =
                KeepAspect(*shape, LayoutAspect(info, warpingMode, layout), footprints, layers, *tiles, info);

        BoundaryResult result;
        result.aspectRatio = PredictAspect(*shape, footprints, *tiles, info);
        *boundary = SampleBoundary(*shape, double(photoSize.width) / analysis.width,
                                   double(photoSize.height) / analysis.height);
        return result;
    });
}
