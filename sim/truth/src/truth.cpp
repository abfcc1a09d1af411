#include "wallsim/truth.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "link/blend_zones.h"
#include "vantis/model/blend_zones.h"
#include "wallsim/geometry.h"
#include "wallsim/grid_map.h"

namespace wallsim {
namespace {

bool InsidePanel(cv::Point2d u, int w, int h) {
    return u.x >= -0.5 && u.y >= -0.5 && u.x <= w - 0.5 && u.y <= h - 0.5;
}

// Within a pixel of the panel's outline, inside or out: there the projector's
// outermost pixel lights the point only in part, and which side of the edge
// the point falls on turns on a fraction of a pixel of misregistration.
bool NearPanelEdge(cv::Point2d u, int w, int h) {
    const auto near = [](double p, int n) {
        return std::abs(p + 0.5) < 1.0 || std::abs(p - (n - 0.5)) < 1.0;
    };
    const bool withinX = u.x > -1.5 && u.x<w + 0.5, withinY = u.y> - 1.5 && u.y < h + 0.5;
    return (withinY && near(u.x, w)) || (withinX && near(u.y, h));
}

struct Accumulator {
    double sum2 = 0, max = 0;
    int n = 0;
    void Add(double v) {
        sum2 += v * v;
        max = std::max(max, v);
        ++n;
    }
    Figure Get() const { return {n ? std::sqrt(sum2 / n) : 0.0, max, n}; }
};

// Sampling positions 0, step, 2 step, ... and always the last pixel.
std::vector<double> Samples(double from, double to, double step) {
    std::vector<double> v;
    for (double x = from; x < to; x += step) v.push_back(x);
    v.push_back(to);
    return v;
}

// Everything about one projector the measurement keeps asking for.
struct View {
    const ProjectorSpec* spec;
    const TruthProjector* truth;
    const ProjectorOptics* optics;
    PanelState blendState;

    std::optional<cv::Point2d> Panel(cv::Point2d input) const {
        if (!truth->inputToPanel) return std::nullopt;
        auto u = truth->inputToPanel(input);
        if (!u || !InsidePanel(*u, spec->width, spec->height)) return std::nullopt;
        return u;
    }
    // Panel pixel coordinates are pixel indices; the optics work on the panel's continuous extent.
    cv::Point2d Screen(cv::Point2d panel) const {
        return optics->PanelToScreen(panel + cv::Point2d(0.5, 0.5));
    }
    cv::Point2d PanelOf(cv::Point2d screen) const {
        return optics->ScreenToPanel(screen) - cv::Point2d(0.5, 0.5);
    }
    double Weight(cv::Point2d panel) const {
        return BlendLightWeight(blendState, spec->gamma, static_cast<int>(std::lround(panel.x)),
                                static_cast<int>(std::lround(panel.y)));
    }
    // The input point shown at a panel point, by Newton steps on inputToPanel
    // from a guess; nothing when the iteration leaves the picture.
    std::optional<cv::Point2d> InputOf(cv::Point2d panel, cv::Point2d guess) const {
        cv::Point2d x = guess;
        // Difference quotient along one input axis; at the panel's last pixels the forward
        // probe leaves the panel, so the backward one stands in.
        auto derivative = [&](cv::Point2d at, cv::Point2d f, cv::Point2d h) -> std::optional<cv::Point2d> {
            if (auto ahead = truth->inputToPanel(at + h)) return (*ahead - f) * 2.0;
            if (auto behind = truth->inputToPanel(at - h)) return (f - *behind) * 2.0;
            return std::nullopt;
        };
        for (int i = 0; i < 20; ++i) {
            auto f = truth->inputToPanel(x);
            if (!f) return std::nullopt;
            auto fx = derivative(x, *f, {0.5, 0});
            auto fy = derivative(x, *f, {0, 0.5});
            if (!fx || !fy) return std::nullopt;
            const cv::Point2d r = panel - *f;
            if (r.x * r.x + r.y * r.y < 1e-6) return x;
            const cv::Matx22d j(fx->x, fy->x, fx->y, fy->y);
            const double det = j(0, 0) * j(1, 1) - j(0, 1) * j(1, 0);
            if (std::abs(det) < 1e-12) return std::nullopt;
            x += cv::Point2d((j(1, 1) * r.x - j(0, 1) * r.y) / det, (-j(1, 0) * r.x + j(0, 0) * r.y) / det);
        }
        return x;
    }
    // Light share at a screen point this projector shows at panel point u; guess: a nearby input point.
    double WeightAt(cv::Point2d panel, cv::Point2d guess) const {
        if (truth->blendAfterWarp) return Weight(panel);
        const auto input = InputOf(panel, guess);
        return input ? Weight(*input) : 0.0;
    }
};

bool InsidePolygon(const std::vector<cv::Point2d>& poly, cv::Point2d p) {
    if (poly.size() < 3) return true;
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const auto &a = poly[i], &b = poly[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

cv::Point2d NearestOnPolygon(const std::vector<cv::Point2d>& poly, cv::Point2d p) {
    cv::Point2d best = poly.front();
    double bestD = 1e300;
    for (size_t i = 0; i < poly.size(); ++i) {
        cv::Point2d a = poly[i], b = poly[(i + 1) % poly.size()], ab = b - a;
        double len2 = ab.dot(ab);
        double t = len2 > 0 ? std::clamp((p - a).dot(ab) / len2, 0.0, 1.0) : 0.0;
        cv::Point2d q = a + ab * t;
        double d = (q - p).dot(q - p);
        if (d < bestD) {
            bestD = d;
            best = q;
        }
    }
    return best;
}

}  // namespace

TruthProjector TruthFromLattice(const SourceLattice& lattice, int width, int height) {
    TruthProjector t;
    auto map = std::make_shared<GridMap>(lattice.ToGridMap());
    t.inputToPanel = [map, width, height](cv::Point2d p) -> std::optional<cv::Point2d> {
        auto u = map->Invert(p, p, 1e-4);
        if (!u || !InsidePanel(*u, width, height)) return std::nullopt;
        return u;
    };
    return t;
}

TruthProjector TruthFromWarpGrid(const std::vector<cv::Point2f>& grid, int width, int height) {
    TruthProjector t;
    const int gc = (width + 15) / 16 + 1, gr = (height + 15) / 16 + 1;
    if (grid.size() < static_cast<size_t>(gc) * gr) return t;
    std::vector<double> xs(gc), ys(gr);
    for (int j = 0; j < gc; ++j) xs[j] = std::min(16 * j, width);
    for (int i = 0; i < gr; ++i) ys[i] = std::min(16 * i, height);
    std::vector<cv::Point2d> v(grid.begin(), grid.begin() + static_cast<long>(gc) * gr);
    auto map = std::make_shared<GridMap>(std::move(xs), std::move(ys), std::move(v));
    t.inputToPanel = [map](cv::Point2d p) -> std::optional<cv::Point2d> { return map->Eval(p); };
    return t;
}

std::array<BlendZone, 4> ZonesOfEdges(const BlendEdges& edges) {
    std::array<BlendZone, 4> z{};
    for (int k = 0; k < 4; ++k) {
        const int width = edges.v[3 * k + 2];
        // The ramp register the link sends for the zone: the boards' integer ramp, not the ideal line.
        const int ramp = width >= vantis::link::kMinZoneWidth ? vantis::link::ZoneRampValue(k, width) : 0;
        z[k] = {edges.v[3 * k] != 0, edges.v[3 * k + 1], width, ramp};
    }
    return z;
}

std::array<BlendZone, 4> LayoutBlendZones(const Scene& scene, int i) {
    const ProjectorSpec& p = scene.projectors[i];
    const LayoutSpec& l = scene.layout;
    if (l.mode == 0) return {};
    return ZonesOfEdges(vantis::model::ComputeBlendEdges(l.overlapX, l.overlapY, p.width, p.height,
                                                         {l.columns, l.rows}, p.column + 1, p.row + 1));
}

std::vector<std::array<BlendZone, 4>> CalibrationBlendZones(
    const Scene& scene, const std::vector<std::vector<cv::Point2f>>& warps, bool followWarp) {
    std::vector<std::array<BlendZone, 4>> out(scene.projectors.size());
    const LayoutSpec& l = scene.layout;
    if (l.mode == 0 || scene.projectors.empty()) return out;
    const ProjectorSpec& first = scene.projectors.front();
    const vantis::model::ZoneWall wall{
        l.overlapX, l.overlapY, first.width, first.height, {l.columns, l.rows}};
    std::vector<vantis::model::ZoneChannel> channels;
    for (size_t i = 0; i < scene.projectors.size(); ++i) {
        const ProjectorSpec& p = scene.projectors[i];
        vantis::model::ZoneChannel c{p.column + 1, p.row + 1, {}};
        const int columns = vantis::model::WarpNodesFor(p.width),
                  rows = vantis::model::WarpNodesFor(p.height);
        if (i < warps.size() && warps[i].size() == static_cast<size_t>(columns) * static_cast<size_t>(rows)) {
            c.warp.columns = columns;
            c.warp.rows = rows;
            for (const cv::Point2f& node : warps[i]) {
                c.warp.x.push_back(node.x);
                c.warp.y.push_back(node.y);
            }
        }
        channels.push_back(std::move(c));
    }
    const auto zones = vantis::model::WallBlendZones(
        wall, channels,
        followWarp ? vantis::model::BlendZoneRule::kFollowWarp : vantis::model::BlendZoneRule::kPicture);
    for (size_t i = 0; i < zones.size(); ++i) out[i] = ZonesOfEdges(zones[i]);
    return out;
}

std::vector<cv::Point2d> OutlineOnScreen(const Scene& scene, const std::vector<cv::Point2d>& picture) {
    CameraOptics cam(scene.camera, scene.screenWidth, scene.screenHeight);
    std::vector<cv::Point2d> out;
    out.reserve(picture.size());
    for (const auto& p : picture) out.push_back(cam.PictureToScreen(p));
    return out;
}

TruthReport MeasureTruth(const Scene& scene, const std::vector<TruthProjector>& projectors,
                         const TruthOptions& opt) {
    TruthReport report;
    SceneOptics optics(scene);
    std::vector<View> views;
    for (size_t i = 0; i < scene.projectors.size(); ++i) {
        View v{&scene.projectors[i],
               i < projectors.size() ? &projectors[i] : nullptr,
               &optics.projectors[i],
               {}};
        static const TruthProjector kNone;
        if (!v.truth) v.truth = &kNone;
        v.blendState.width = v.spec->width;
        v.blendState.height = v.spec->height;
        v.blendState.blend = v.truth->blend;
        v.blendState.gammaMode = v.truth->gammaMode;
        v.blendState.gamma = v.truth->gamma;
        views.push_back(v);
    }
    const LayoutSpec& l = scene.layout;
    const double step = std::max(opt.step, 1.0);

    // Stacked projectors show the same picture: compare each layer with the first.
    for (int r = 0; r < l.rows; ++r)
        for (int c = 0; c < l.columns; ++c) {
            int a = FindProjector(scene, c, r, 0);
            if (a < 0) continue;
            for (int layer = 1; layer < l.layers; ++layer) {
                int b = FindProjector(scene, c, r, layer);
                if (b < 0) continue;
                const View &A = views[a], &B = views[b];
                Accumulator acc;
                for (double y : Samples(0, A.spec->height - 1, step))
                    for (double x : Samples(0, A.spec->width - 1, step)) {
                        auto ua = A.Panel({x, y}), ub = B.Panel({x, y});
                        if (!ua || !ub) continue;
                        cv::Point2d sa = A.Screen(*ua);
                        if (!opt.target.empty() && !InsidePolygon(opt.target, sa)) continue;
                        acc.Add(cv::norm(A.PanelOf(B.Screen(*ub)) - *ua));
                    }
                report.stacks.push_back({a, b, acc.Get()});
            }
        }

    // Neighbours of a blended layer share a strip of the whole picture.
    if (l.mode != 0) {
        for (int layer = 0; layer < l.layers; ++layer)
            for (int r = 0; r < l.rows; ++r)
                for (int c = 0; c < l.columns; ++c)
                    for (int dir = 0; dir < 2; ++dir) {
                        int a = FindProjector(scene, c, r, layer);
                        int b = FindProjector(scene, c + (dir == 0), r + (dir == 1), layer);
                        if (a < 0 || b < 0) continue;
                        const View &A = views[a], &B = views[b];
                        const int W = A.spec->width, H = A.spec->height;
                        // B's picture starts (W - overlapX) or (H - overlapY) pixels into A's.
                        cv::Point2d offset =
                            dir == 0 ? cv::Point2d(W - l.overlapX, 0) : cv::Point2d(0, H - l.overlapY);
                        Accumulator acc, blend;
                        double bmin = 1e300, bmax = -1e300;
                        double x0 = dir == 0 ? offset.x : 0, y0 = dir == 1 ? offset.y : 0;
                        // A's picture in the layer's whole picture, and that picture's size.
                        const cv::Point2d origin(c * (W - l.overlapX), r * (H - l.overlapY));
                        const double totalW = (W - l.overlapX) * (l.columns - 1) + W,
                                     totalH = (H - l.overlapY) * (l.rows - 1) + H;
                        for (double y : Samples(y0, H - 1, step))
                            for (double x : Samples(x0, W - 1, step)) {
                                cv::Point2d pa(x, y), pb = pa - offset;
                                auto ua = A.Panel(pa), ub = B.Panel(pb);
                                if (!ua && !ub) continue;
                                // The light sum counts wherever either side shows the point: a part
                                // of the overlap one projector cannot reach is lit by the other alone.
                                const cv::Point2d sa = ua ? A.Screen(*ua) : B.Screen(*ub);
                                if (ua && ub) acc.Add(cv::norm(A.PanelOf(B.Screen(*ub)) - *ua));
                                // Light reaching this screen point from every projector of the layer.
                                double sum = 0;
                                bool atPanelEdge = false;
                                for (const View& v : views) {
                                    if (v.spec->layer != layer) continue;
                                    cv::Point2d u = v.PanelOf(sa);
                                    atPanelEdge =
                                        atPanelEdge || NearPanelEdge(u, v.spec->width, v.spec->height);
                                    if (!InsidePanel(u, v.spec->width, v.spec->height) ||
                                        !v.truth->inputToPanel)
                                        continue;
                                    // This projector's own input point of a neighbour's, from the layout.
                                    const cv::Point2d guess =
                                        pa + cv::Point2d((A.spec->column - v.spec->column) * (W - l.overlapX),
                                                         (A.spec->row - v.spec->row) * (H - l.overlapY));
                                    sum += v.WeightAt(u, guess);
                                }
                                // The whole picture's outermost pixels are as ambiguous as a panel's.
                                const cv::Point2d g = origin + pa;
                                if (atPanelEdge || g.x < 1 || g.y < 1 || g.x > totalW - 2 || g.y > totalH - 2)
                                    continue;
                                blend.Add(sum - 1.0);
                                bmin = std::min(bmin, sum);
                                bmax = std::max(bmax, sum);
                            }
                        SeamFigure f;
                        f.a = a;
                        f.b = b;
                        f.horizontal = dir == 0;
                        f.mismatch = acc.Get();
                        f.blendPoints = blend.n;
                        f.blendMin = blend.n ? bmin : 0;
                        f.blendMax = blend.n ? bmax : 0;
                        f.blendRmsError = blend.Get().rms;
                        report.seams.push_back(f);
                    }
    }

    // The outline of each layer's whole picture against the target outline.
    if (opt.target.size() >= 3) {
        for (int layer = 0; layer < l.layers; ++layer) {
            int first = FindProjector(scene, 0, 0, layer);
            if (first < 0) continue;
            const int W = scene.projectors[first].width, H = scene.projectors[first].height;
            const double strideX = W - l.overlapX, strideY = H - l.overlapY;
            const double totalW = strideX * (l.columns - 1) + W, totalH = strideY * (l.rows - 1) + H;
            std::vector<cv::Point2d> edge;
            for (double x : Samples(0, totalW, step)) {
                edge.emplace_back(x - 0.5, -0.5);
                edge.emplace_back(x - 0.5, totalH - 0.5);
            }
            for (double y : Samples(0, totalH, step)) {
                edge.emplace_back(-0.5, y - 0.5);
                edge.emplace_back(totalW - 0.5, y - 0.5);
            }
            Accumulator acc;
            for (const cv::Point2d& g : edge) {
                // The projector of this layer whose part of the picture holds the point.
                int c = std::clamp(static_cast<int>(std::floor((g.x + 0.5) / strideX)), 0, l.columns - 1);
                int r = std::clamp(static_cast<int>(std::floor((g.y + 0.5) / strideY)), 0, l.rows - 1);
                int i = FindProjector(scene, c, r, layer);
                if (i < 0) continue;
                const View& v = views[i];
                auto u = v.Panel(g - cv::Point2d(c * strideX, r * strideY));
                if (!u) continue;
                cv::Point2d s = v.Screen(*u);
                acc.Add(cv::norm(v.PanelOf(NearestOnPolygon(opt.target, s)) - *u));
            }
            report.outlines.push_back({layer, acc.Get()});
        }
    }
    return report;
}

nlohmann::json TruthToJson(const Scene& scene, const TruthReport& r) {
    using nlohmann::json;
    auto fig = [](const Figure& f) { return json{{"rms", f.rms}, {"max", f.max}, {"points", f.points}}; };
    auto addr = [&](int i) { return scene.projectors[i].address; };
    json out;
    out["units"] = "panel pixels";
    json stacks = json::array();
    for (const auto& s : r.stacks) {
        json j = fig(s.misregistration);
        j["projectors"] = {addr(s.a), addr(s.b)};
        stacks.push_back(j);
    }
    out["misregistration"] = stacks;
    json seams = json::array();
    for (const auto& s : r.seams) {
        json j = fig(s.mismatch);
        j["projectors"] = {addr(s.a), addr(s.b)};
        j["direction"] = s.horizontal ? "horizontal" : "vertical";
        j["blendSum"] = {{"min", s.blendMin},
                         {"max", s.blendMax},
                         {"rmsError", s.blendRmsError},
                         {"points", s.blendPoints}};
        seams.push_back(j);
    }
    out["seams"] = seams;
    json outlines = json::array();
    for (const auto& o : r.outlines) {
        json j = fig(o.distance);
        j["layer"] = o.layer;
        outlines.push_back(j);
    }
    out["outline"] = outlines;
    return out;
}

}  // namespace wallsim
