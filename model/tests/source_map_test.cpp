#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "nearest_node.h"
#include "vantis/model/source_map.h"

namespace vm = vantis::model;
using vm::NearestSearch;
using vm::TablePairData;

namespace {

struct Panel {
    int width, height;
    int columns() const { return (width + 15) / 16 + 1; }
    int rows() const { return (height + 15) / 16 + 1; }
};
constexpr Panel kPanels[] = {{1024, 768}, {1280, 800}, {1920, 1200}, {1920, 1080}, {1280, 720}};

// Forward tables from a function of the identity node position.
std::unique_ptr<TablePairData> MakeForward(const Panel& p, const std::function<void(float&, float&)>& warp) {
    auto f = std::make_unique<TablePairData>();
    for (int j = 0; j < p.columns(); ++j) {
        for (int i = 0; i < p.rows(); ++i) {
            float x = std::min(16 * j, p.width), y = std::min(16 * i, p.height);
            warp(x, y);
            f->x[j][i] = x;
            f->y[j][i] = y;
        }
    }
    return f;
}

std::unique_ptr<TablePairData> Convert(const Panel& p, const TablePairData& forward, NearestSearch search) {
    auto s = std::make_unique<TablePairData>();
    EXPECT_TRUE(vm::ComputeSourceMap(forward, p.width, p.height, p.columns(), p.rows(), *s, search));
    return s;
}

// Bitwise equality of the output range (not-a-number values included).
void ExpectSameOutput(const Panel& p, const TablePairData& a, const TablePairData& b, const char* what) {
    int differences = 0;
    for (int c = 0; c <= p.columns(); ++c) {
        for (int r = 0; r <= p.rows(); ++r) {
            if (std::memcmp(&a.x[c][r], &b.x[c][r], 4) != 0 || std::memcmp(&a.y[c][r], &b.y[c][r], 4) != 0) {
                if (++differences <= 3)
                    ADD_FAILURE() << what << " differs at (" << c << ", " << r << "): " << a.x[c][r] << ","
                                  << a.y[c][r] << " vs " << b.x[c][r] << "," << b.y[c][r];
            }
        }
    }
    EXPECT_EQ(differences, 0) << what;
}

void Keystone(const Panel& p, float& x, float& y) {
    // Top edge narrowed to 60 %, whole picture moved right and down.
    const float v = y / p.height;
    const float scale = 0.6f + 0.4f * v;
    x = p.width / 2.0f + (x - p.width / 2.0f) * scale + 40.0f;
    y = y * 0.9f + 30.0f;
}

void Wavy(const Panel& p, float& x, float& y) {
    // Bulges that push the edges well outside the panel.
    const float u = x / p.width, v = y / p.height;
    const float nx = x + 180.0f * std::sin(6.2831853f * v) + 90.0f * std::sin(12.566371f * u);
    const float ny = y + 150.0f * std::sin(6.2831853f * u) - 60.0f * std::cos(9.424778f * v);
    x = (nx - p.width / 2.0f) * 1.15f + p.width / 2.0f;
    y = (ny - p.height / 2.0f) * 1.1f + p.height / 2.0f;
}

}  // namespace

TEST(SourceMap, IdentityGridMapsEveryNodeInsideThePanelToItself) {
    for (const Panel& p : kPanels) {
        auto forward = MakeForward(p, [](float&, float&) {});
        for (NearestSearch search : {NearestSearch::Exhaustive, NearestSearch::Accelerated}) {
            auto s = Convert(p, *forward, search);
            for (int a = 0; a <= p.columns(); ++a) {
                for (int b = 0; b <= p.rows(); ++b) {
                    if (16 * a > p.width || 16 * b > p.height) continue;
                    ASSERT_FLOAT_EQ(s->x[a][b], 16.0f * a)
                        << p.width << "x" << p.height << " " << a << "," << b;
                    ASSERT_FLOAT_EQ(s->y[a][b], 16.0f * b)
                        << p.width << "x" << p.height << " " << a << "," << b;
                }
            }
        }
    }
}

TEST(SourceMap, LatticeExtrapolatesBeyondTheBottomEdgeOf1080Lines) {
    const Panel p{1920, 1080};
    ASSERT_EQ(p.rows(), 69);
    auto identity = MakeForward(p, [](float&, float&) {});
    TablePairData lattice;
    vm::BuildLattice(*identity, p.width, p.height, p.columns(), p.rows(), lattice);
    for (int j = 0; j < p.columns(); ++j) {
        EXPECT_FLOAT_EQ(lattice.y[j][67], 1072.0f);
        EXPECT_FLOAT_EQ(lattice.y[j][68], 1088.0f);  // continued at the pitch, not clamped at 1080
        EXPECT_FLOAT_EQ(lattice.x[j][68], 16.0f * j);
    }
    // With a cell height l = 1080 - 1072 = 8 the node at 1088 lies two cell
    // heights below row 67: value = 2 * row 68 - row 67.
    auto forward = MakeForward(p, [](float& x, float& y) {
        if (y == 1072.0f) y = 1000.0f;
        if (y == 1080.0f) {
            y = 1010.0f;
            x += 3.0f;
        }
    });
    vm::BuildLattice(*forward, p.width, p.height, p.columns(), p.rows(), lattice);
    EXPECT_FLOAT_EQ(lattice.y[5][68], 1020.0f);
    EXPECT_FLOAT_EQ(lattice.x[5][68], 80.0f + 6.0f);
    EXPECT_FLOAT_EQ(lattice.y[5][67], 1000.0f);  // rows inside the panel are copied
}

// The picture shrunk to 30 % around the panel centre, its top edge narrowed
// to 30 % of its bottom edge: strongly converging cells.
void ShrunkKeystone(const Panel& p, float& x, float& y) {
    const float scale = 0.3f + 0.7f * (y / p.height);
    x = p.width / 2.0f + (x - p.width / 2.0f) * scale * 0.3f;
    y = p.height / 2.0f + (y - p.height / 2.0f) * 0.3f;
}

TEST(SourceMap, PositionsFarOutsideTheWarpedPictureGetBorderMarkers) {
    const Panel p{1280, 800};
    auto forward = MakeForward(p, [&](float& x, float& y) { ShrunkKeystone(p, x, y); });
    auto s = Convert(p, *forward, NearestSearch::Exhaustive);
    // Left of the picture the nearest node is on the grid's left edge and the
    // cell has no inverse there: x gets the low marker, y the node's row.
    EXPECT_EQ(s->x[2][11], vm::kOutsideLow);
    EXPECT_EQ(s->y[2][11], 512.0f);
    EXPECT_EQ(s->x[81][12], vm::kOutsideHigh);
    EXPECT_EQ(s->y[81][12], 624.0f);
    int markers = 0;
    for (int a = 0; a <= p.columns(); ++a) {
        for (int b = 0; b <= p.rows(); ++b) {
            if (s->x[a][b] != vm::kOutsideLow && s->x[a][b] != vm::kOutsideHigh) continue;
            ++markers;
            EXPECT_TRUE(16 * a < 420 || 16 * a > 860) << a << "," << b;  // never over the picture
            EXPECT_EQ(std::fmod(s->y[a][b], 16.0f), 0.0f);
        }
    }
    EXPECT_GE(markers, 10);
    // the centre of the panel maps to the centre of the picture
    EXPECT_NEAR(s->x[40][25], 640.0f, 1.0f);
    EXPECT_NEAR(s->y[40][25], 400.0f, 1.0f);
}

TEST(SourceMap, RefusesGridsThatDoNotFitTheTables) {
    TablePairData forward, source;
    source.x[0][0] = 5.0f;
    EXPECT_FALSE(vm::ComputeSourceMap(forward, 16, 16, 1, 2, source));
    EXPECT_FALSE(vm::ComputeSourceMap(forward, 2400, 1200, 140, 76, source));
    EXPECT_FALSE(vm::ComputeSourceMap(forward, 1920, 1300, 121, 81, source));
    EXPECT_FALSE(vm::ComputeSourceMap(forward, 0, 1200, 121, 76, source));
    EXPECT_EQ(source.x[0][0], 5.0f);
}

TEST(SourceMapSearch, AcceleratedEqualsExhaustive) {
    std::mt19937 random(7);
    std::normal_distribution<float> jitter(0.0f, 4.0f);
    for (const Panel& p : kPanels) {
        auto identity = MakeForward(p, [](float&, float&) {});
        auto keystone = MakeForward(p, [&](float& x, float& y) { Keystone(p, x, y); });
        auto wavy = MakeForward(p, [&](float& x, float& y) { Wavy(p, x, y); });
        auto noisy = MakeForward(p, [&](float& x, float& y) {
            Keystone(p, x, y);
            x += jitter(random);
            y += jitter(random);
        });
        auto shrunk = MakeForward(p, [&](float& x, float& y) { ShrunkKeystone(p, x, y); });
        for (auto* f : {identity.get(), keystone.get(), wavy.get(), noisy.get(), shrunk.get()}) {
            auto exhaustive = Convert(p, *f, NearestSearch::Exhaustive);
            auto accelerated = Convert(p, *f, NearestSearch::Accelerated);
            ExpectSameOutput(p, *exhaustive, *accelerated, "accelerated search");
        }
    }
}

TEST(SourceMapSearch, TiesGoToTheFirstNodeInRowMajorOrder) {
    // A lattice folded onto itself: columns 0-9 and 10-19 repeat the same
    // positions, rows repeat in pairs, and some nodes lie far away or are not
    // numbers. Every query point meets exact ties.
    TablePairData lattice;
    const int columns = 20, rows = 12;
    for (int j = 0; j < columns; ++j) {
        for (int i = 0; i < rows; ++i) {
            lattice.x[j][i] = 16.0f * (j % 10);
            lattice.y[j][i] = 16.0f * (i / 2);
        }
    }
    lattice.x[3][3] = 1e9f;
    lattice.y[4][4] = NAN;
    lattice.x[5][5] = -INFINITY;
    vm::detail::NodeBuckets buckets(lattice, columns, rows, 400.0f, 200.0f);
    int ties = 0;
    for (float y = -100.0f; y <= 300.0f; y += 4.0f) {
        for (float x = -100.0f; x <= 500.0f; x += 4.0f) {
            const auto exhaustive = vm::detail::NearestNodeExhaustive(lattice, columns, rows, x, y);
            const auto fast = buckets.Find(x, y);
            ASSERT_EQ(exhaustive, fast) << x << "," << y;
            ties += exhaustive.j < 10 && exhaustive.i % 2 == 0;
        }
    }
    EXPECT_GT(ties, 1000);
    // Nothing within reach: the start distance of 2^25 is never beaten.
    EXPECT_EQ(buckets.Find(20000.0f, 20000.0f), (vm::detail::Node{0, 0}));
    EXPECT_EQ(vm::detail::NearestNodeExhaustive(lattice, columns, rows, 20000.0f, 20000.0f),
              (vm::detail::Node{0, 0}));
}

// The cell chosen at the nearest node, rule by rule. The position lies one
// pixel below the node, so each neighbour's cross product X(n) is simply the
// x offset the case gives that neighbour: the cases set Xl, Xr, Xu and Xd
// directly (a missing neighbour counts as zero). The grid is 4 x 4 nodes.
namespace {

struct CellCase {
    const char* what;
    int j, i;              // the nearest node
    float xl, xr, xu, xd;  // cross products of the left, right, up and down neighbours
    int cell;
};

int CellFor(const CellCase& c) {
    auto lattice = std::make_unique<vantis::model::TablePairData>();
    const float nodeX = 100.0f, nodeY = 100.0f;
    lattice->x[c.j][c.i] = nodeX;
    lattice->y[c.j][c.i] = nodeY;
    const auto place = [&](int j, int i, float cross) {
        if (j < 0 || j > 3 || i < 0 || i > 3) return;
        lattice->x[j][i] = nodeX + cross;
        lattice->y[j][i] = nodeY + 7.0f;
    };
    place(c.j - 1, c.i, c.xl);
    place(c.j + 1, c.i, c.xr);
    place(c.j, c.i - 1, c.xu);
    place(c.j, c.i + 1, c.xd);
    return vantis::model::detail::ChooseCell(*lattice, 4, 4, {c.j, c.i}, nodeX, nodeY + 1.0f);
}

}  // namespace

TEST(SourceMapCells, RulesOfInteriorEdgeAndCornerNodes) {
    const CellCase cases[] = {
        {"interior, up-left", 1, 1, 16, 16, -16, 16, 1},
        {"interior, on both up-left sides", 1, 1, 0, 16, 0, 16, 1},
        {"interior, down-left", 1, 1, -16, 16, 16, 16, 2},
        {"interior, on both down-left sides", 1, 1, 0, 16, 16, 0, 2},
        {"interior, down-right", 2, 2, 16, 16, 16, -16, 4},
        {"interior, fallback by Xr < 0", 1, 1, -16, -16, -16, -16, 0},
        {"interior, fallback by Xd > 0", 2, 1, 16, 16, 16, 16, 0},
        {"interior, up-right", 1, 2, 16, -16, 16, 16, 3},
        {"interior, up-right on the sides", 1, 1, 16, 0, 16, 0, 3},
        {"top edge, left and below", 1, 0, -16, 16, 0, 16, 2},
        {"top edge, on both sides", 2, 0, 0, 16, 0, 0, 2},
        {"top edge, Xr < 0 and Xd < 0", 1, 0, 16, -16, 0, -16, 4},
        {"top edge, Xr < 0 and Xd > 0", 1, 0, 16, -16, 0, 16, 2},
        {"top edge, otherwise", 2, 0, 16, 16, 0, 0, 4},
        {"right edge, up-left", 3, 1, 16, 0, -16, 16, 1},
        {"right edge, Xl > 0", 3, 1, 16, 0, 16, 16, 1},
        {"right edge, Xd < 0 and Xl < 0", 3, 2, -16, 0, 16, -16, 2},
        {"right edge, otherwise", 3, 1, 0, 0, 16, 16, 2},
        {"right edge, below and left", 3, 2, -16, 0, -16, 16, 2},
        {"bottom edge, Xl < 0 on the sides", 1, 3, -16, 0, 0, 0, 3},
        {"bottom edge, Xu > 0", 2, 3, -16, 16, 16, 0, 3},
        {"bottom edge, Xl < 0 and Xu < 0", 1, 3, -16, 16, -16, 0, 1},
        {"bottom edge, otherwise", 1, 3, 0, 16, 0, 0, 1},
        {"bottom edge, Xu > 0 right", 2, 3, 16, 16, 16, 0, 3},
        {"left edge, Xr >= 0 and Xd <= 0", 0, 1, 0, 16, 16, -16, 4},
        {"left edge, Xr > 0", 0, 2, 0, 16, 16, 16, 4},
        {"left edge, Xu < 0 and Xr < 0", 0, 1, 0, -16, -16, 16, 3},
        {"left edge, otherwise", 0, 1, 0, 0, 0, 16, 3},
        {"left edge, Xr < 0 and Xu > 0", 0, 2, 0, -16, 16, -16, 3},
        {"top-left corner", 0, 0, 0, -16, 0, -16, 4},
        {"top-left corner", 0, 0, 0, 16, 0, 16, 4},
        {"top-right corner", 3, 0, 16, 0, 0, 16, 2},
        {"top-right corner", 3, 0, -16, 0, 0, -16, 2},
        {"bottom-left corner", 0, 3, 0, 16, 16, 0, 3},
        {"bottom-left corner", 0, 3, 0, -16, -16, 0, 3},
        {"bottom-right corner", 3, 3, 16, 0, -16, 0, 1},
        {"bottom-right corner", 3, 3, -16, 0, 16, 0, 1},
    };
    for (const CellCase& c : cases)
        EXPECT_EQ(CellFor(c), c.cell) << c.what << " at (" << c.j << ", " << c.i << ")";
}
