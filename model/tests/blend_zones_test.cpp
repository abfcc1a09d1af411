#include "vantis/model/blend_zones.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "vantis/model/document.h"

namespace vm = vantis::model;

namespace {

struct Point {
    double x, y;
};

// A channel's warp from a map of picture positions to panel positions.
vm::ZoneWarp WarpOf(int width, int height, const std::function<Point(double, double)>& map) {
    vm::ZoneWarp w;
    w.columns = vm::WarpNodesFor(width);
    w.rows = vm::WarpNodesFor(height);
    for (int i = 0; i < w.rows; ++i)
        for (int j = 0; j < w.columns; ++j) {
            const double x = j == w.columns - 1 ? width : 16.0 * j, y = i == w.rows - 1 ? height : 16.0 * i;
            const Point p = map(x, y);
            w.x.push_back(static_cast<float>(p.x));
            w.y.push_back(static_cast<float>(p.y));
        }
    return w;
}

vm::ZoneWarp Identity(int width, int height) {
    return WarpOf(width, height, [](double x, double y) { return Point{x, y}; });
}

std::vector<int> Zone(const BlendEdges& e, int zone) {
    return {e.v[3 * zone], e.v[3 * zone + 1], e.v[3 * zone + 2]};
}

enum { kLeft = 0, kRight = 1, kTop = 2, kBottom = 3 };

const vm::ZoneWall kPair{320, 0, 1920, 1080, {2, 1}};

}  // namespace

TEST(WallBlendZones, WithoutWarpsTheLayoutsZones) {
    const auto zones = vm::WallBlendZones(kPair, {{1, 1, {}}, {2, 1, {}}}, vm::BlendZoneRule::kPicture);
    ASSERT_EQ(zones.size(), 2u);
    for (int c = 0; c < 2; ++c) {
        const BlendEdges nominal = vm::ComputeBlendEdges(320, 0, 1920, 1080, {2, 1}, c + 1, 1);
        EXPECT_EQ(std::vector<int>(zones[c].v, zones[c].v + 12), std::vector<int>(nominal.v, nominal.v + 12));
    }
    // Identity warps show the whole picture: nothing to narrow.
    const auto same = vm::WallBlendZones(kPair, {{1, 1, Identity(1920, 1080)}, {2, 1, Identity(1920, 1080)}},
                                         vm::BlendZoneRule::kPicture);
    // The falling ramp a pixel after the rising one: the boards' ramps then add up to one.
    EXPECT_EQ(Zone(same[0], kRight), (std::vector<int>{1, 1601, 320}));
    EXPECT_EQ(Zone(same[1], kLeft), (std::vector<int>{1, 0, 320}));
}

TEST(WallBlendZones, SeamNarrowedToWhatBothSidesShow) {
    // The left projector's panel ends at picture column 1881 (1919 / 1.02); the
    // right one's starts at picture column 10.
    const auto left = WarpOf(1920, 1080, [](double x, double y) { return Point{1.02 * x, y}; });
    const auto right = WarpOf(1920, 1080, [](double x, double y) { return Point{x - 10, y}; });
    const auto zones = vm::WallBlendZones(kPair, {{1, 1, left}, {2, 1, right}}, vm::BlendZoneRule::kPicture);
    // Picture columns 1610..1881 of the left tile are 10..281 of the right one: the same strip
    // (the falling ramp from the second of them).
    EXPECT_EQ(Zone(zones[0], kRight), (std::vector<int>{1, 1611, 272}));
    EXPECT_EQ(Zone(zones[1], kLeft), (std::vector<int>{1, 10, 272}));
    EXPECT_EQ(Zone(zones[0], kLeft)[0], 0);
    EXPECT_EQ(Zone(zones[1], kRight)[0], 0);

    // A seam the projectors share for less than 50 columns (10..40): a steeper
    // ramp, kept to what both show.
    const auto narrow = WarpOf(1920, 1080, [](double x, double y) { return Point{1.17 * x, y}; });
    const auto steep =
        vm::WallBlendZones(kPair, {{1, 1, narrow}, {2, 1, right}}, vm::BlendZoneRule::kPicture);
    EXPECT_EQ(Zone(steep[0], kRight), (std::vector<int>{1, 1611, 31}));
    EXPECT_EQ(Zone(steep[1], kLeft), (std::vector<int>{1, 10, 31}));
    // Not shared at all (the left panel ends at 1535): the narrowest ramp, still one strip.
    const auto gap = WarpOf(1920, 1080, [](double x, double y) { return Point{1.25 * x, y}; });
    const auto least = vm::WallBlendZones(kPair, {{1, 1, gap}, {2, 1, right}}, vm::BlendZoneRule::kPicture);
    EXPECT_EQ(Zone(least[0], kRight)[2], vm::kMinSeamZoneWidth);
    EXPECT_EQ(Zone(least[1], kLeft)[2], vm::kMinSeamZoneWidth);
    EXPECT_EQ(Zone(least[0], kRight)[1] - 1601, Zone(least[1], kLeft)[1]);
}

TEST(WallBlendZones, FourTilesAtACornerShareOneZonePerSeam) {
    // 2 x 2 of 1024 x 768, overlap 160 x 128. The top-left projector shows its
    // picture rows only down to 744 (767 / 1.03): the whole row seam narrows,
    // on every channel beside it, so that the four ramps still add up at the corner.
    const vm::ZoneWall wall{160, 128, 1024, 768, {2, 2}};
    const auto squeezed = WarpOf(1024, 768, [](double x, double y) { return Point{x, 1.03 * y}; });
    const std::vector<vm::ZoneChannel> channels = {{1, 1, squeezed},
                                                   {2, 1, Identity(1024, 768)},
                                                   {1, 2, Identity(1024, 768)},
                                                   {2, 2, Identity(1024, 768)}};
    const auto zones = vm::WallBlendZones(wall, channels, vm::BlendZoneRule::kPicture);
    for (int c : {0, 1}) EXPECT_EQ(Zone(zones[c], kBottom), (std::vector<int>{1, 641, 105})) << c;
    for (int c : {2, 3}) EXPECT_EQ(Zone(zones[c], kTop), (std::vector<int>{1, 0, 105})) << c;
    // The column seam is shown whole.
    for (int c : {0, 2}) EXPECT_EQ(Zone(zones[c], kRight), (std::vector<int>{1, 865, 160})) << c;
    for (int c : {1, 3}) EXPECT_EQ(Zone(zones[c], kLeft), (std::vector<int>{1, 0, 160})) << c;
}

TEST(WallBlendZones, FollowWarpPlacesZonesWhereTheOverlapLands) {
    // Left projector: the picture 30 panel px to the left; right one: 25 px to the right.
    const auto left = WarpOf(1920, 1080, [](double x, double y) { return Point{x - 30, y}; });
    const auto right = WarpOf(1920, 1080, [](double x, double y) { return Point{x + 25, y}; });
    const std::vector<vm::ZoneChannel> channels = {{1, 1, left}, {2, 1, right}};
    const auto panel = vm::WallBlendZones(kPair, channels, vm::BlendZoneRule::kFollowWarp);
    EXPECT_EQ(Zone(panel[0], kRight), (std::vector<int>{1, 1571, 320}));
    EXPECT_EQ(Zone(panel[1], kLeft), (std::vector<int>{1, 25, 320}));
    // Before the warp the zones stay in picture pixels.
    const auto picture = vm::WallBlendZones(kPair, channels, vm::BlendZoneRule::kPicture);
    EXPECT_EQ(Zone(picture[0], kRight), (std::vector<int>{1, 1601, 320}));
    EXPECT_EQ(Zone(picture[1], kLeft), (std::vector<int>{1, 0, 320}));

    // A picture tilted in the panel: the zone sits where the overlap lands on
    // average, and never reaches past the panel.
    const auto tilted = WarpOf(1920, 1080, [](double x, double y) { return Point{0.95 * x + 0.04 * y, y}; });
    const auto z = vm::WallBlendZones(kPair, {{1, 1, tilted}, {2, 1, {}}}, vm::BlendZoneRule::kFollowWarp);
    const double middle = 0.04 * 540;
    EXPECT_NEAR(Zone(z[0], kRight)[1], 0.95 * 1601 + middle, 2);
    EXPECT_NEAR(Zone(z[0], kRight)[1] + Zone(z[0], kRight)[2] - 1, 0.95 * 1919 + middle, 2);
    EXPECT_LE(Zone(z[0], kRight)[1] + Zone(z[0], kRight)[2], 1920);
    // A channel without a warp keeps its picture zone.
    EXPECT_EQ(Zone(z[1], kLeft), (std::vector<int>{1, 0, 320}));
}

TEST(WallBlendZones, DocumentUsesItsWarpsOnceCalibrated) {
    VantisAuto::CDoc doc;
    doc.m_nTiming = 8;  // 1920 x 1080
    doc.m_nLayout = 1;  // 2 columns
    doc.m_nSolution = 1;
    doc.m_overlapPixels[0] = 320;
    const std::function<Point(double, double)> maps[2] = {[](double x, double y) {
                                                              return Point{1.02 * x, y};
                                                          },
                                                          [](double x, double y) {
                                                              return Point{x - 10, y};
                                                          }};
    for (int c = 0; c < 2; ++c) {
        VantisAuto::CChannel* channel = doc.AddChannel(0x7F000001u + static_cast<unsigned>(c));
        channel->m_nColumn = c + 1;
        const vm::ZoneWarp w = WarpOf(1920, 1080, maps[c]);
        for (int i = 0; i < w.rows; ++i)
            for (int j = 0; j < w.columns; ++j) {
                channel->m_forward.x[j][i] = w.x[static_cast<size_t>(i * w.columns + j)];
                channel->m_forward.y[j][i] = w.y[static_cast<size_t>(i * w.columns + j)];
            }
    }
    // Not calibrated: whatever the tables hold, the layout's zones.
    auto zones = vm::DocumentBlendZones(doc, vm::BlendZoneRule::kPicture);
    ASSERT_EQ(zones.size(), 2u);
    EXPECT_EQ(Zone(zones[0], kRight), (std::vector<int>{1, 1600, 320}));
    doc.m_bWarped = true;
    zones = vm::DocumentBlendZones(doc, vm::BlendZoneRule::kPicture);
    EXPECT_EQ(Zone(zones[0], kRight), (std::vector<int>{1, 1611, 272}));
    EXPECT_EQ(Zone(zones[1], kLeft), (std::vector<int>{1, 10, 272}));
}
