// The automatic boundary on drawn photos whose footprints are known: straight
// rectangles, keystoned quadrilaterals, bowed (barrel) edges; and the photos
// that must fail.
#include "auto_boundary.h"

#include <gtest/gtest.h>

#include <cmath>

#include <opencv2/imgproc.hpp>

#include "synthetic_photos.h"

namespace vantiscore {
namespace {

using synthetic::TempFolder;

const cv::Size kPhoto(1920, 1080);
constexpr PatternType k1080 = 3;  // 1920 x 1080 panels

using Polygon = std::vector<cv::Point2d>;

// A photo of the lit polygons on a dark ground, softened like a camera's optics.
cv::Mat LitPhoto(const std::vector<Polygon>& lit, double level = 190) {
    cv::Mat photo(kPhoto, CV_8UC3, cv::Scalar::all(12));
    for (const Polygon& polygon : lit) {
        std::vector<cv::Point> points;
        // Sub-pixel vertices (4 fractional bits).
        for (const auto& p : polygon)
            points.emplace_back(int(std::lround(p.x * 16)), int(std::lround(p.y * 16)));
        cv::fillPoly(photo, std::vector<std::vector<cv::Point>>{points}, cv::Scalar::all(level), cv::LINE_AA,
                     4);
    }
    cv::GaussianBlur(photo, photo, cv::Size(0, 0), 1.2);
    cv::Mat noise(kPhoto, CV_8UC3);
    cv::randn(noise, cv::Scalar::all(0), cv::Scalar::all(2));
    return photo + noise;
}

Polygon Rectangle(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// The part s0..s1 (across) of a quadrilateral, through its homography.
Polygon Part(const Polygon& quad, double s0, double s1) {
    std::vector<cv::Point2f> square{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, to;
    for (const auto& p : quad) to.emplace_back(float(p.x), float(p.y));
    const cv::Matx33d h = cv::getPerspectiveTransform(square, to);
    auto map = [&](double s, double t) {
        const cv::Vec3d v = h * cv::Vec3d(s, t, 1);
        return cv::Point2d(v[0] / v[2], v[1] / v[2]);
    };
    return {map(s0, 0), map(s1, 0), map(s1, 1), map(s0, 1)};
}

// A rectangle whose four sides bulge outwards by `bulge` pixels at their middles.
Polygon Barrel(double x0, double y0, double x1, double y1, double bulge) {
    Polygon out;
    constexpr int n = 64;
    for (int i = 0; i < n; ++i) {
        const double u = double(i) / n, b = 4 * bulge * u * (1 - u);
        out.emplace_back(x0 + (x1 - x0) * u, y0 - b);
    }
    for (int i = 0; i < n; ++i) {
        const double u = double(i) / n, b = 4 * bulge * u * (1 - u);
        out.emplace_back(x1 + b, y0 + (y1 - y0) * u);
    }
    for (int i = 0; i < n; ++i) {
        const double u = double(i) / n, b = 4 * bulge * u * (1 - u);
        out.emplace_back(x1 - (x1 - x0) * u, y1 + b);
    }
    for (int i = 0; i < n; ++i) {
        const double u = double(i) / n, b = 4 * bulge * u * (1 - u);
        out.emplace_back(x0 - b, y1 - (y1 - y0) * u);
    }
    return out;
}

double SignedDistance(const Polygon& polygon, cv::Point2f p) {
    std::vector<cv::Point2f> contour;
    for (const auto& q : polygon) contour.emplace_back(float(q.x), float(q.y));
    return cv::pointPolygonTest(contour, p, true);
}

double PolygonArea(const Polygon& polygon) {
    std::vector<cv::Point2f> contour;
    for (const auto& q : polygon) contour.emplace_back(float(q.x), float(q.y));
    return cv::contourArea(contour);
}

cv::Point2f At(const BoundaryGrid& grid, int column, int row) {
    return grid[static_cast<size_t>(row * kBoundaryColumns + column)];
}

std::vector<cv::Point2f> OuterRing(const BoundaryGrid& grid) {
    std::vector<cv::Point2f> ring;
    for (int c = 0; c < kBoundaryColumns; ++c) ring.push_back(At(grid, c, 0));
    for (int r = 1; r < kBoundaryRows; ++r) ring.push_back(At(grid, kBoundaryColumns - 1, r));
    for (int c = kBoundaryColumns - 2; c >= 0; --c) ring.push_back(At(grid, c, kBoundaryRows - 1));
    for (int r = kBoundaryRows - 2; r > 0; --r) ring.push_back(At(grid, 0, r));
    return ring;
}

// The points of a grid's column/row window [c0, c1] x [r0, r1], border only.
std::vector<cv::Point2f> WindowBorder(const BoundaryGrid& grid, int c0, int c1, int r0, int r1) {
    std::vector<cv::Point2f> border;
    for (int c = c0; c <= c1; ++c) {
        border.push_back(At(grid, c, r0));
        border.push_back(At(grid, c, r1));
    }
    for (int r = r0; r <= r1; ++r) {
        border.push_back(At(grid, c0, r));
        border.push_back(At(grid, c1, r));
    }
    return border;
}

struct Outcome {
    BoundaryResult result;
    BoundaryGrid grid;
};

Outcome FindBoundary(const std::vector<Polygon>& projectors, WarpingMode mode, int columns, int rows,
                     int overlapX, int overlapY, int stack, bool keepAspect = false) {
    TempFolder folder;
    const std::string black = folder.Write("black.png", LitPhoto({}));
    std::vector<std::string> whites;
    for (size_t i = 0; i < projectors.size(); ++i)
        whites.push_back(folder.Write("white" + std::to_string(i) + ".png", LitPhoto({projectors[i]})));
    Outcome run;
    run.result = AutoWarpFindBoundary(black, whites, k1080, int(projectors.size()), mode, columns, rows,
                                      overlapX, overlapY, stack, keepAspect, &run.grid);
    return run;
}

// ---------------------------------------------------------------------------
// Footprints and tiles.

TEST(AutoBoundaryFootprint, FindsTheLitQuadrilateralAndItsCorners) {
    const Polygon quad{{300, 200}, {1500, 160}, {1560, 900}, {260, 940}};
    Footprint footprint;
    cv::Mat black, white;
    cv::cvtColor(LitPhoto({}), black, cv::COLOR_BGR2GRAY);
    cv::cvtColor(LitPhoto({quad}), white, cv::COLOR_BGR2GRAY);
    ASSERT_EQ(FindFootprint(black, white, &footprint), FootprintStatus::kOk);
    for (size_t i = 0; i < 4; ++i) EXPECT_LT(cv::norm(footprint.corners[i] - quad[i]), 2.5) << i;
    const double area = cv::countNonZero(footprint.mask);
    EXPECT_NEAR(area / PolygonArea(quad), 1.0, 0.01);
}

TEST(AutoBoundaryFootprint, RejectsDarkSaturatedAndCutPhotos) {
    Footprint footprint;
    cv::Mat black, white;
    cv::cvtColor(LitPhoto({}), black, cv::COLOR_BGR2GRAY);
    EXPECT_EQ(FindFootprint(black, black.clone(), &footprint), FootprintStatus::kNoLight);
    cv::cvtColor(LitPhoto({Rectangle(300, 200, 1500, 900)}, 22), white, cv::COLOR_BGR2GRAY);
    EXPECT_EQ(FindFootprint(black, white, &footprint), FootprintStatus::kNoLight)
        << "a faint glow is no projector";
    const cv::Mat full(black.size(), CV_8U, cv::Scalar(255));
    EXPECT_EQ(FindFootprint(full, full, &footprint), FootprintStatus::kSaturated);
    EXPECT_EQ(FindFootprint(black, full, &footprint), FootprintStatus::kSaturated);
    cv::cvtColor(LitPhoto({Rectangle(-50, 200, 1500, 900)}), white, cv::COLOR_BGR2GRAY);
    EXPECT_EQ(FindFootprint(black, white, &footprint), FootprintStatus::kAtEdge);
}

TEST(AutoBoundaryTiles, FollowTheLayoutOfEachMode) {
    PatternInfo info;
    info.width = 1920;
    info.height = 1080;
    const auto stacked = ChannelTiles(info, kWarpingStacking, {}, 3);
    ASSERT_TRUE(stacked);
    ASSERT_EQ(stacked->size(), 3u);
    EXPECT_EQ((*stacked)[2].s1, 1.0);
    EXPECT_EQ((*stacked)[2].layer, 2) << "each stacked projector is a layer of its own";

    const auto blended = ChannelTiles(info, kWarpingBlending, {2, 1, 320, 0, 1}, 2);
    ASSERT_TRUE(blended);
    EXPECT_DOUBLE_EQ((*blended)[0].s1, 1920.0 / 3520.0);
    EXPECT_DOUBLE_EQ((*blended)[1].s0, 1600.0 / 3520.0);
    EXPECT_DOUBLE_EQ((*blended)[1].t1, 1.0);

    const auto both = ChannelTiles(info, kWarpingStackingBlending, {2, 1, 320, 0, 2}, 4);
    ASSERT_TRUE(both);
    EXPECT_EQ((*both)[3].layer, 1);
    EXPECT_DOUBLE_EQ((*both)[3].s0, (*both)[1].s0);

    EXPECT_FALSE(ChannelTiles(info, kWarpingBlending, {2, 1, 320, 0, 1}, 3)) << "more channels than places";
    EXPECT_FALSE(ChannelTiles(info, kWarpingBlending, {2, 1, 1920, 0, 1}, 2)) << "overlap as wide as a panel";
    EXPECT_FALSE(ChannelTiles(info, 5, {}, 1));
    EXPECT_NEAR(LayoutAspect(info, kWarpingBlending, {2, 1, 320, 0, 1}), 3520.0 / 1080.0, 1e-12);
}

// ---------------------------------------------------------------------------
// Whole operation on drawn photos.

TEST(AutoBoundaryStacking, InsideTheCommonLightWithItsMargin) {
    // Two stacked projectors a little apart: the common light is their overlap.
    const Polygon a = Rectangle(300, 180, 1600, 920), b = Rectangle(340, 150, 1640, 900);
    const Outcome run = FindBoundary({a, b}, kWarpingStacking, 1, 1, 0, 0, 1);
    ASSERT_EQ(run.result.status, kBoundaryOk);
    ASSERT_EQ(run.grid.size(), size_t(kBoundaryColumns * kBoundaryRows));
    // Common light 340..1600 x 180..900; margin 1 % of the lit area's height (770).
    const Polygon common = Rectangle(340, 180, 1600, 900);
    const double margin = 7.7;
    for (const cv::Point2f& p : OuterRing(run.grid)) ASSERT_GE(SignedDistance(common, p), margin - 1.5) << p;
    // The corners sit in the common light's corners, inset by the margin.
    EXPECT_NEAR(At(run.grid, 0, 0).x, 340 + margin, 2.5);
    EXPECT_NEAR(At(run.grid, 0, 0).y, 180 + margin, 2.5);
    EXPECT_NEAR(At(run.grid, kBoundaryColumns - 1, kBoundaryRows - 1).x, 1600 - margin, 2.5);
    EXPECT_NEAR(At(run.grid, kBoundaryColumns - 1, kBoundaryRows - 1).y, 900 - margin, 2.5);
    // Straight sides: the middle of the top row lies on the line of its ends.
    EXPECT_NEAR(At(run.grid, 64, 0).y, (At(run.grid, 0, 0).y + At(run.grid, 128, 0).y) / 2, 1.0);
    // Aspect in panel pixels: the common light spans 1260 of 1300 and 720 of 740 photo pixels of projector a.
    EXPECT_NEAR(run.result.aspectRatio, (1920.0 * 1245 / 1300) / (1080.0 * 705 / 740), 0.04);
}

TEST(AutoBoundaryStacking, KeepAspectShrinksOnlyTheLongDirection) {
    // The common light is much narrower than 16:9 in panel pixels.
    const Polygon a = Rectangle(300, 150, 1600, 900), b = Rectangle(800, 150, 2100 - 300, 900);
    const Outcome loose = FindBoundary({a, b}, kWarpingStacking, 1, 1, 0, 0, 1);
    const Outcome kept = FindBoundary({a, b}, kWarpingStacking, 1, 1, 0, 0, 1, true);
    ASSERT_EQ(loose.result.status, kBoundaryOk);
    ASSERT_EQ(kept.result.status, kBoundaryOk);
    EXPECT_LT(loose.result.aspectRatio, 1920.0 / 1080 * 0.8);
    EXPECT_NEAR(kept.result.aspectRatio, 1920.0 / 1080, 0.02 * 1920 / 1080);
    // Width kept, height shrunk.
    const double freeWidth = At(loose.grid, 128, 32).x - At(loose.grid, 0, 32).x;
    const double keptWidth = At(kept.grid, 128, 32).x - At(kept.grid, 0, 32).x;
    const double freeHeight = At(loose.grid, 64, 64).y - At(loose.grid, 64, 0).y;
    const double keptHeight = At(kept.grid, 64, 64).y - At(kept.grid, 64, 0).y;
    EXPECT_NEAR(keptWidth, freeWidth, 2.0);
    EXPECT_LT(keptHeight, freeHeight * 0.85);
}

TEST(AutoBoundaryBlending, KeystonedPairFillsTheUnionWithLitSeams) {
    // One keystoned outline cut into two overlapping projectors exactly as the
    // layout cuts the picture: the answer is that outline, inset by the margin.
    const Polygon whole{{220, 170}, {1690, 120}, {1740, 960}, {170, 900}};
    const Polygon left = Part(whole, 0, 1920.0 / 3520), right = Part(whole, 1600.0 / 3520, 1);
    const Outcome run = FindBoundary({left, right}, kWarpingBlending, 2, 1, 320, 0, 1);
    ASSERT_EQ(run.result.status, kBoundaryOk);
    for (const cv::Point2f& p : OuterRing(run.grid)) ASSERT_GE(SignedDistance(whole, p), 6.0) << p;
    // Left tile: grid columns 0..69 (1920/3520 of 128); right tile from column 59.
    for (const cv::Point2f& p : WindowBorder(run.grid, 0, 69, 0, 64))
        ASSERT_GE(SignedDistance(left, p), -2.0) << p;
    for (const cv::Point2f& p : WindowBorder(run.grid, 59, 128, 0, 64))
        ASSERT_GE(SignedDistance(right, p), -2.0) << p;
    std::vector<cv::Point2f> ring = OuterRing(run.grid);
    EXPECT_GE(cv::contourArea(ring), 0.95 * PolygonArea(whole));
    EXPECT_NEAR(run.result.aspectRatio, 3520.0 / 1080, 0.05 * 3520 / 1080);
}

TEST(AutoBoundaryBlending, StackedLayersAreIntersected) {
    const Polygon whole0{{220, 170}, {1690, 120}, {1740, 960}, {170, 900}};
    const Polygon whole1{{260, 140}, {1720, 150}, {1700, 920}, {240, 940}};
    const std::vector<Polygon> projectors{Part(whole0, 0, 1920.0 / 3520), Part(whole0, 1600.0 / 3520, 1),
                                          Part(whole1, 0, 1920.0 / 3520), Part(whole1, 1600.0 / 3520, 1)};
    const Outcome run = FindBoundary(projectors, kWarpingStackingBlending, 2, 1, 320, 0, 2);
    ASSERT_EQ(run.result.status, kBoundaryOk);
    for (const cv::Point2f& p : OuterRing(run.grid)) {
        ASSERT_GE(SignedDistance(whole0, p), 6.0) << p;
        ASSERT_GE(SignedDistance(whole1, p), 6.0) << p;
    }
}

TEST(AutoBoundaryCurved, BarrelEdgesAreFollowedSmoothly) {
    const Polygon barrel = Barrel(300, 200, 1600, 880, 24);
    const Outcome run = FindBoundary({barrel}, kWarpingStacking, 1, 1, 0, 0, 1);
    ASSERT_EQ(run.result.status, kBoundaryOk);
    for (const cv::Point2f& p : OuterRing(run.grid)) ASSERT_GE(SignedDistance(barrel, p), 5.0) << p;
    // The top side bows up with the light: its middle is well above the
    // straight line between its ends.
    const double chord = (At(run.grid, 0, 0).y + At(run.grid, 128, 0).y) / 2;
    EXPECT_LT(At(run.grid, 64, 0).y, chord - 12);
    const double straightArea = (1600 - 300 - 2 * 6.8) * (880 - 200 - 2 * 6.8);
    EXPECT_GT(cv::contourArea(OuterRing(run.grid)), straightArea * 1.03);
    // Smooth: second differences along the top row stay small.
    for (int c = 1; c < kBoundaryColumns - 1; ++c) {
        const double second = At(run.grid, c - 1, 0).y - 2 * At(run.grid, c, 0).y + At(run.grid, c + 1, 0).y;
        EXPECT_LT(std::fabs(second), 0.5) << c;
    }
}

// ---------------------------------------------------------------------------
// Failures: a clear status and the caller's boundary untouched.

TEST(AutoBoundaryFailure, BadPhotosAndArgumentsLeaveTheBoundaryAlone) {
    TempFolder folder;
    const std::string black = folder.Write("black.png", LitPhoto({}));
    const std::string lit = folder.Write("lit.png", LitPhoto({Rectangle(300, 200, 1600, 900)}));
    const std::string farAway = folder.Write("far.png", LitPhoto({Rectangle(100, 100, 700, 500)}));
    const std::string other = folder.Write("other.png", LitPhoto({Rectangle(1000, 600, 1800, 1000)}));
    const std::string cut = folder.Write("cut.png", LitPhoto({Rectangle(300, 200, 1950, 900)}));
    const std::string saturated =
        folder.Write("saturated.png", cv::Mat(kPhoto, CV_8UC3, cv::Scalar::all(255)));
    const std::string small =
        folder.Write("small.png", cv::Mat(cv::Size(640, 480), CV_8UC3, cv::Scalar::all(0)));
    const BoundaryGrid sentinel(3, cv::Point2f(-1, -1));

    struct Case {
        const char* what;
        std::string black;
        std::vector<std::string> whites;
        WarpingMode mode;
        int channels;
        BoundaryStatus status;
        int channel;
    };
    const std::vector<Case> cases{
        {"black photo missing",
         folder.Path("none.png"),
         {lit},
         kWarpingStacking,
         1,
         kBoundaryPhotoUnreadable,
         0},
        {"white photo missing",
         black,
         {lit, folder.Path("none.png")},
         kWarpingStacking,
         2,
         kBoundaryPhotoUnreadable,
         2},
        {"white photo of another size", black, {small}, kWarpingStacking, 1, kBoundaryPhotoUnreadable, 1},
        {"a projector shows nothing", black, {lit, black}, kWarpingStacking, 2, kBoundaryNoLight, 2},
        {"everything saturated", saturated, {saturated}, kWarpingStacking, 1, kBoundarySaturated, 1},
        {"light cut by the photo edge", black, {cut}, kWarpingStacking, 1, kBoundaryRegionAtEdge, 1},
        {"stacked projectors apart", black, {farAway, other}, kWarpingStacking, 2, kBoundaryNoFit, 0},
        {"no channels", black, {}, kWarpingStacking, 0, kBoundaryBadArguments, 0},
        {"fewer photos than channels", black, {lit}, kWarpingStacking, 2, kBoundaryBadArguments, 0},
        {"unknown mode", black, {lit}, 9, 1, kBoundaryBadArguments, 0},
        {"layout too small", black, {lit, lit, lit}, kWarpingBlending, 3, kBoundaryBadArguments, 0},
    };
    for (const Case& c : cases) {
        BoundaryGrid grid = sentinel;
        const BoundaryResult result =
            AutoWarpFindBoundary(c.black, c.whites, k1080, c.channels, c.mode, 2, 1, 320, 0, 1, false, &grid);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.channel, c.channel) << c.what;
        EXPECT_EQ(grid, sentinel) << c.what;
    }
    EXPECT_EQ(
        AutoWarpFindBoundary(black, {lit}, k1080, 1, kWarpingStacking, 1, 1, 0, 0, 1, false, nullptr).status,
        kBoundaryBadArguments);
    BoundaryGrid grid;
    EXPECT_EQ(AutoWarpFindBoundary(black, {lit}, 17, 1, kWarpingStacking, 1, 1, 0, 0, 1, false, &grid).status,
              kBoundaryBadArguments)
        << "unknown pattern type";
}

}  // namespace
}  // namespace vantiscore
