#include "vantis/model/source_map.h"

#include <cmath>
#include <memory>

#include "nearest_node.h"

namespace vantis::model {

using detail::Node;

bool SourceMapGridFits(int gridColumns, int gridRows) {
    return gridColumns >= 2 && gridColumns <= kTableColumns - 1 && gridRows >= 2 &&
           gridRows <= kTableRows - 1;
}

void BuildLattice(const TablePairData& forward, int width, int height, int gridColumns, int gridRows,
                  TablePairData& lattice) {
    for (int j = 0; j < gridColumns; ++j) {
        for (int i = 0; i < gridRows; ++i) {
            const int x = 16 * j;
            const int y = 16 * i;
            if (x <= width && y <= height) {
                lattice.x[j][i] = forward.x[j][i];
                lattice.y[j][i] = forward.y[j][i];
                continue;
            }
            // Beyond the right or bottom edge: continue the last cell linearly.
            const bool right = x > width;
            const bool below = y > height;
            const int c0 = right ? j - 1 : j;
            const int r0 = below ? i - 1 : i;
            const float f = right ? static_cast<float>(width - 16 * (j - 1)) : 16.0f;
            const float l = below ? static_cast<float>(height - 16 * (i - 1)) : 16.0f;
            const float gx = right ? 16.0f : 0.0f;
            const float gy = below ? 16.0f : 0.0f;
            const auto extend = [&](const FloatTable& t) {
                const float tl = t[c0][r0], tr = t[c0 + 1][r0];
                const float bl = t[c0][r0 + 1], br = t[c0 + 1][r0 + 1];
                return ((l - gy) * ((f - gx) * tl + gx * tr) + gy * ((f - gx) * bl + gx * br)) / (l * f);
            };
            lattice.x[j][i] = extend(forward.x);
            lattice.y[j][i] = extend(forward.y);
        }
    }
}

int detail::ChooseCell(const TablePairData& lattice, int columns, int rows, Node node, float px, float py) {
    const int j = node.j, i = node.i;
    const int jL = columns - 1, iL = rows - 1;
    const float nodeX = lattice.x[j][i], nodeY = lattice.y[j][i];
    const float dx = px - nodeX, dy = py - nodeY;
    const auto side = [&](int nj, int ni) {
        float nx = 0.0f, ny = 0.0f;  // the zero vector where there is no neighbour
        if (nj >= 0 && nj < columns && ni >= 0 && ni < rows) {
            nx = lattice.x[nj][ni] - nodeX;
            ny = lattice.y[nj][ni] - nodeY;
        }
        return nx * dy - ny * dx;
    };
    const float xl = side(j - 1, i), xr = side(j + 1, i), xu = side(j, i - 1), xd = side(j, i + 1);

    const bool left = j == 0, right = j == jL, top = i == 0, bottom = i == iL;
    if (top && left) return 4;
    if (top && right) return 2;
    if (bottom && left) return 3;
    if (bottom && right) return 1;
    if (top) {
        if (xl <= 0 && xd >= 0) return 2;
        if (xr < 0 || xd > 0) return xd < 0 ? 4 : 2;
        return 4;
    }
    if (right) {
        if (xl >= 0 && xu <= 0) return 1;
        if (xl > 0 || xd < 0) return xl < 0 ? 2 : 1;
        return 2;
    }
    if (bottom) {
        if (xl < 0 || xu > 0) {
            if (xr <= 0 && xu >= 0) return 3;
            return xu > 0 ? 3 : 1;
        }
        return 1;
    }
    if (left) {
        if (xr > 0 || xu < 0) {
            if (xr >= 0 && xd <= 0) return 4;
            return xr > 0 ? 4 : 3;
        }
        return 3;
    }
    if (xl >= 0 && xu <= 0) return 1;
    if (xl <= 0 && xd >= 0) return 2;
    if (xr > 0 || xu < 0) return (xr < 0 || xd > 0) ? 0 : 4;
    return 3;
}

namespace {

using detail::ChooseCell;

// The border markers for a position outside the warped picture, by where its
// nearest node lies.
void OutsideMarkers(Node node, int columns, int rows, float& sx, float& sy) {
    const int jL = columns - 1, iL = rows - 1;
    const bool edgeX = node.j == 0 || node.j == jL;
    const bool edgeY = node.i == 0 || node.i == iL;
    if (!edgeX && !edgeY) {
        sx = 0.0f;
        sy = 0.0f;
        return;
    }
    sx = node.j == 0 ? kOutsideLow : node.j == jL ? kOutsideHigh : 16.0f * node.j;
    sy = node.i == 0 ? kOutsideLow : node.i == iL ? kOutsideHigh : 16.0f * node.i;
}

void InvertNode(const TablePairData& lattice, int columns, int rows, Node node, float px, float py, float& sx,
                float& sy) {
    int c0 = 0, r0 = 0;
    switch (ChooseCell(lattice, columns, rows, node, px, py)) {
        case 1:
            c0 = node.j - 1;
            r0 = node.i - 1;
            break;
        case 2:
            c0 = node.j - 1;
            r0 = node.i;
            break;
        case 3:
            c0 = node.j;
            r0 = node.i - 1;
            break;
        case 4:
            c0 = node.j;
            r0 = node.i;
            break;
        default:
            break;
    }
    const float p00x = lattice.x[c0][r0], p00y = lattice.y[c0][r0];
    const float p10x = lattice.x[c0 + 1][r0], p10y = lattice.y[c0 + 1][r0];
    const float p01x = lattice.x[c0][r0 + 1], p01y = lattice.y[c0][r0 + 1];
    const float p11x = lattice.x[c0 + 1][r0 + 1], p11y = lattice.y[c0 + 1][r0 + 1];
    const float hx = p10x - p00x, hy = p10y - p00y;
    const float vx = p01x - p00x, vy = p01y - p00y;
    const float kx = p11x + p00x - p01x - p10x, ky = p11y + p00y - p01y - p10y;
    const float qx = px - p00x, qy = py - p00y;

    const float k2 = vy * kx - vx * ky;
    const float k1 = vy * hx + (ky * qx - qy * kx) - vx * hy;
    const float k0 = hy * qx - hx * qy;
    const float delta = k1 * k1 - 4.0f * k2 * k0;
    if (!(delta >= 0.0f)) {
        if (delta < 0.0f) OutsideMarkers(node, columns, rows, sx, sy);
        return;  // a not-a-number discriminant leaves the zeros
    }
    const float t = std::fabs(k2) < 0.0001f ? -k0 / k1 : (std::sqrt(delta) - k1) / (2.0f * k2);
    const float s = (qx - vx * t) / (hx + kx * t);
    sx = (static_cast<float>(c0) + s) * 16.0f;
    sy = (static_cast<float>(r0) + t) * 16.0f;
}

}  // namespace

bool ComputeSourceMap(const TablePairData& forward, int width, int height, int gridColumns, int gridRows,
                      TablePairData& source, NearestSearch search) {
    if (!SourceMapGridFits(gridColumns, gridRows) || width <= 0 || height <= 0) return false;
    auto lattice = std::make_unique<TablePairData>();
    BuildLattice(forward, width, height, gridColumns, gridRows, *lattice);

    std::unique_ptr<detail::NodeBuckets> buckets;
    if (search == NearestSearch::Accelerated) {
        buckets = std::make_unique<detail::NodeBuckets>(*lattice, gridColumns, gridRows, 16.0f * gridColumns,
                                                        16.0f * gridRows);
    }
    for (int a = 0; a <= gridColumns; ++a) {
        for (int b = 0; b <= gridRows; ++b) {
            const float px = 16.0f * a, py = 16.0f * b;
            const Node node = buckets
                                  ? buckets->Find(px, py)
                                  : detail::NearestNodeExhaustive(*lattice, gridColumns, gridRows, px, py);
            float sx = 0.0f, sy = 0.0f;
            InvertNode(*lattice, gridColumns, gridRows, node, px, py, sx, sy);
            source.x[a][b] = sx;
            source.y[a][b] = sy;
        }
    }
    return true;
}

}  // namespace vantis::model
