#include "warp_input.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "wallsim/grid_map.h"
#include "wallsim/truth.h"

namespace wallsim::tool {
namespace {

using nlohmann::json;

bool ReadJson(const std::string& path, json* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    try {
        *out = json::parse(ss.str());
    } catch (const json::exception& e) {
        *error = path + ": not valid JSON: " + e.what();
        return false;
    }
    return true;
}

bool Points(const json& list, const std::string& field, std::vector<cv::Point2d>* out, std::string* error) {
    if (!list.is_array()) {
        *error = field + ": expected a list of [x, y]";
        return false;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const json& p = list[i];
        if (!p.is_array() || p.size() != 2 || !p[0].is_number() || !p[1].is_number()) {
            *error = field + "[" + std::to_string(i) + "]: expected [x, y]";
            return false;
        }
        out->emplace_back(p[0].get<double>(), p[1].get<double>());
    }
    return true;
}

}  // namespace

bool ReadWarps(const std::string& path, const Scene& scene, std::vector<std::vector<cv::Point2f>>* warps,
               std::string* error) {
    json j;
    if (!ReadJson(path, &j, error)) return false;
    const json* list = &j;
    if (j.is_object()) {
        if (!j.contains("warps")) {
            *error = path + ": warps: missing";
            return false;
        }
        list = &j["warps"];
    }
    if (!list->is_array() || list->size() != scene.projectors.size()) {
        *error = path + ": warps: expected one grid per projector (" +
                 std::to_string(scene.projectors.size()) + ")";
        return false;
    }
    warps->clear();
    for (size_t i = 0; i < list->size(); ++i) {
        const ProjectorSpec& p = scene.projectors[i];
        size_t need = static_cast<size_t>((p.width + 15) / 16 + 1) * ((p.height + 15) / 16 + 1);
        std::vector<cv::Point2d> pts;
        std::string field = path + ": warps[" + std::to_string(i) + "]";
        if (!Points((*list)[i], field, &pts, error)) return false;
        if (pts.size() != need) {
            *error = field + ": expected " + std::to_string(need) + " points for a " +
                     std::to_string(p.width) + " x " + std::to_string(p.height) + " panel, found " +
                     std::to_string(pts.size());
            return false;
        }
        warps->emplace_back(pts.begin(), pts.end());
    }
    return true;
}

bool ReadTarget(const std::string& path, const Scene& scene, std::vector<cv::Point2d>* target,
                std::string* error) {
    json j;
    if (!ReadJson(path, &j, error)) return false;
    std::vector<cv::Point2d> pts;
    target->clear();
    if (j.is_object() && j.contains("screen")) {
        if (!Points(j["screen"], path + ": screen", target, error)) return false;
    } else if (j.is_object() && j.contains("camera")) {
        if (!Points(j["camera"], path + ": camera", &pts, error)) return false;
        *target = OutlineOnScreen(scene, pts);
    } else if (j.is_object() && j.contains("boundary")) {
        if (!Points(j["boundary"], path + ": boundary", &pts, error)) return false;
        constexpr int kCols = 129, kRows = 65;
        if (pts.size() != static_cast<size_t>(kCols) * kRows) {
            *error = path + ": boundary: expected 129 x 65 points";
            return false;
        }
        std::vector<cv::Point2d> ring;
        for (int c = 0; c < kCols; ++c) ring.push_back(pts[c]);
        for (int r = 1; r < kRows; ++r) ring.push_back(pts[r * kCols + kCols - 1]);
        for (int c = kCols - 2; c >= 0; --c) ring.push_back(pts[(kRows - 1) * kCols + c]);
        for (int r = kRows - 2; r > 0; --r) ring.push_back(pts[r * kCols]);
        *target = OutlineOnScreen(scene, ring);
    } else {
        *error = path + ": expected an object with screen, camera or boundary";
        return false;
    }
    if (target->size() < 3) {
        *error = path + ": the outline needs at least 3 points";
        return false;
    }
    return true;
}

SourceLattice LatticeFromWarpGrid(const std::vector<cv::Point2f>& grid, int width, int height) {
    const int gc = (width + 15) / 16 + 1, gr = (height + 15) / 16 + 1;
    std::vector<double> xs(gc), ys(gr);
    for (int j = 0; j < gc; ++j) xs[j] = std::min(16 * j, width);
    for (int i = 0; i < gr; ++i) ys[i] = std::min(16 * i, height);
    GridMap forward(xs, ys, std::vector<cv::Point2d>(grid.begin(), grid.end()));
    SourceLattice l = SourceLattice::Identity();
    for (int r = 0; r < SourceLattice::kRows; ++r)
        for (int k = 0; k < SourceLattice::kColumns; ++k) {
            cv::Point2f& n = l.nodes[static_cast<size_t>(r) * SourceLattice::kColumns + k];
            cv::Point2d u(n.x, n.y);
            auto p = forward.Invert(u, u, 1e-3);
            // Where no picture point lands the board is told a position far outside the picture.
            n = p ? cv::Point2f(static_cast<float>(p->x), static_cast<float>(p->y))
                  : cv::Point2f(-1024.f, -1024.f);
        }
    return l;
}

}  // namespace wallsim::tool
