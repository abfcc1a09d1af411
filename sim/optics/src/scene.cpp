// Scene JSON reading and writing. Every failure names the field it concerns.
#include "wallsim/scene.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include <nlohmann/json.hpp>

namespace wallsim {
namespace {

using nlohmann::json;

struct Bad {
    std::string message;
};

[[noreturn]] void Fail(const std::string& field, const std::string& what) {
    throw Bad{field + ": " + what};
}

double Number(const json& obj, const std::string& key, const std::string& field, double fallback,
              bool required, double lo, double hi) {
    auto it = obj.find(key);
    if (it == obj.end()) {
        if (required) Fail(field, "missing");
        return fallback;
    }
    if (!it->is_number()) Fail(field, "expected a number");
    double v = it->get<double>();
    if (!std::isfinite(v) || v < lo || v > hi) {
        std::ostringstream s;
        s << "value " << v << " outside " << lo << " .. " << hi;
        Fail(field, s.str());
    }
    return v;
}

int Integer(const json& obj, const std::string& key, const std::string& field, int fallback, bool required,
            int lo, int hi) {
    auto it = obj.find(key);
    if (it == obj.end()) {
        if (required) Fail(field, "missing");
        return fallback;
    }
    if (!it->is_number_integer()) Fail(field, "expected an integer");
    long long v = it->get<long long>();
    if (v < lo || v > hi) {
        std::ostringstream s;
        s << "value " << v << " outside " << lo << " .. " << hi;
        Fail(field, s.str());
    }
    return static_cast<int>(v);
}

Quad ReadQuad(const json& obj, const std::string& key, const std::string& field) {
    auto it = obj.find(key);
    if (it == obj.end()) Fail(field, "missing");
    if (!it->is_array() || it->size() != 4)
        Fail(field, "expected 4 points [x, y] (top-left, top-right, bottom-right, bottom-left)");
    Quad q;
    for (size_t i = 0; i < 4; ++i) {
        const json& p = (*it)[i];
        std::string f = field + "[" + std::to_string(i) + "]";
        if (!p.is_array() || p.size() != 2 || !p[0].is_number() || !p[1].is_number())
            Fail(f, "expected a point [x, y]");
        q[i] = {p[0].get<double>(), p[1].get<double>()};
        if (!std::isfinite(q[i].x) || !std::isfinite(q[i].y)) Fail(f, "not a finite point");
    }
    // The outline must be a convex quadrilateral in the stated order (no twist).
    double sign = 0;
    for (int i = 0; i < 4; ++i) {
        cv::Point2d a = q[(i + 1) % 4] - q[i], b = q[(i + 2) % 4] - q[(i + 1) % 4];
        double c = a.x * b.y - a.y * b.x;
        if (std::abs(c) < 1e-9 || (sign != 0 && (c > 0) != (sign > 0)))
            Fail(field,
                 "the four points do not form a convex quadrilateral in order top-left, top-right, "
                 "bottom-right, bottom-left");
        sign = c;
    }
    return q;
}

void CheckKeys(const json& obj, const std::string& field, std::initializer_list<const char*> allowed) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        bool ok = false;
        for (const char* a : allowed) ok = ok || it.key() == a;
        if (!ok) Fail(field.empty() ? it.key() : field + "." + it.key(), "unknown field");
    }
}

const json& Object(const json& obj, const std::string& key, const std::string& field) {
    auto it = obj.find(key);
    if (it == obj.end()) Fail(field, "missing");
    if (!it->is_object()) Fail(field, "expected an object");
    return *it;
}

bool IsLoopbackAddress(const std::string& a) {
    unsigned b[4];
    char tail;
    if (std::sscanf(a.c_str(), "%u.%u.%u.%u%c", &b[0], &b[1], &b[2], &b[3], &tail) != 4) return false;
    return b[0] == 127 && b[1] <= 255 && b[2] <= 255 && b[3] <= 255;
}

Scene Parse(const json& root) {
    if (!root.is_object()) Fail("scene", "expected a JSON object");
    CheckKeys(root, "",
              {"name", "screen", "projectors", "camera", "layout", "testPicture", "seed", "timing",
               "blendAfterWarp"});
    Scene s;
    if (root.contains("name")) {
        if (!root["name"].is_string()) Fail("name", "expected a string");
        s.name = root["name"];
    }
    const json& screen = Object(root, "screen", "screen");
    CheckKeys(screen, "screen", {"width", "height"});
    s.screenWidth = Number(screen, "width", "screen.width", 0, true, 1e-3, 1e7);
    s.screenHeight = Number(screen, "height", "screen.height", 0, true, 1e-3, 1e7);
    if (root.contains("testPicture")) {
        if (!root["testPicture"].is_string()) Fail("testPicture", "expected a file name");
        s.testPicture = root["testPicture"];
    }
    if (root.contains("seed"))
        s.seed = static_cast<uint64_t>(Integer(root, "seed", "seed", 1, false, 0, 2147483647));
    if (root.contains("blendAfterWarp")) {
        if (!root["blendAfterWarp"].is_boolean()) Fail("blendAfterWarp", "expected true or false");
        s.blendAfterWarp = root["blendAfterWarp"].get<bool>();
    }
    if (root.contains("timing")) {
        const json& t = Object(root, "timing", "timing");
        CheckKeys(t, "timing", {"latency", "jitter", "frameRate", "autoExposureRate"});
        s.timing.latency = Number(t, "latency", "timing.latency", 120.0, false, 0.0, 10000.0);
        s.timing.jitter = Number(t, "jitter", "timing.jitter", 30.0, false, 0.0, 10000.0);
        s.timing.frameRate = Number(t, "frameRate", "timing.frameRate", 30.0, false, 1.0, 240.0);
        s.timing.autoExposureRate =
            Number(t, "autoExposureRate", "timing.autoExposureRate", 0.25, false, 0.01, 1.0);
        if (s.timing.jitter > s.timing.latency) Fail("timing.jitter", "larger than the latency");
    }

    if (root.contains("layout")) {
        const json& l = Object(root, "layout", "layout");
        CheckKeys(l, "layout", {"mode", "columns", "rows", "layers", "overlapX", "overlapY"});
        s.layout.mode = Integer(l, "mode", "layout.mode", 0, false, 0, 2);
        s.layout.columns = Integer(l, "columns", "layout.columns", 1, false, 1, 16);
        s.layout.rows = Integer(l, "rows", "layout.rows", 1, false, 1, 16);
        s.layout.layers = Integer(l, "layers", "layout.layers", 1, false, 1, 16);
        s.layout.overlapX = Integer(l, "overlapX", "layout.overlapX", 0, false, 0, 4096);
        s.layout.overlapY = Integer(l, "overlapY", "layout.overlapY", 0, false, 0, 4096);
    }

    auto pit = root.find("projectors");
    if (pit == root.end()) Fail("projectors", "missing");
    if (!pit->is_array() || pit->empty()) Fail("projectors", "expected a non-empty list");
    if (pit->size() > 40) Fail("projectors", "more than 40 projectors");
    std::set<std::string> addresses;
    std::set<std::tuple<int, int, int>> places;
    for (size_t i = 0; i < pit->size(); ++i) {
        const json& p = (*pit)[i];
        std::string f = "projectors[" + std::to_string(i) + "]";
        if (!p.is_object()) Fail(f, "expected an object");
        CheckKeys(p, f,
                  {"address", "panel", "corners", "distortion", "brightness", "blackLevel", "gamma", "column",
                   "row", "layer"});
        ProjectorSpec ps;
        auto a = p.find("address");
        if (a == p.end()) Fail(f + ".address", "missing");
        if (!a->is_string() || !IsLoopbackAddress(a->get<std::string>()))
            Fail(f + ".address", "expected a loopback address 127.x.y.z");
        ps.address = *a;
        if (!addresses.insert(ps.address).second) Fail(f + ".address", "used by two projectors");
        auto panel = p.find("panel");
        if (panel == p.end()) Fail(f + ".panel", "missing");
        if (!panel->is_array() || panel->size() != 2 || !(*panel)[0].is_number_integer() ||
            !(*panel)[1].is_number_integer())
            Fail(f + ".panel", "expected [width, height] in pixels");
        ps.width = (*panel)[0];
        ps.height = (*panel)[1];
        if (ps.width < 16 || ps.width > 1984 || ps.height < 16 || ps.height > 1232)
            Fail(f + ".panel", "panel size outside 16 x 16 .. 1984 x 1232 (the board's lattice)");
        if (i > 0 && (ps.width != s.projectors[0].width || ps.height != s.projectors[0].height))
            Fail(f + ".panel",
                 "differs from projectors[0].panel (all projectors of a wall share one resolution)");
        ps.corners = ReadQuad(p, "corners", f + ".corners");
        ps.distortion = Number(p, "distortion", f + ".distortion", 0.0, false, -0.3, 0.3);
        ps.brightness = Number(p, "brightness", f + ".brightness", 1.0, false, 0.0, 100.0);
        ps.blackLevel = Number(p, "blackLevel", f + ".blackLevel", 0.002, false, 0.0, 1.0);
        ps.gamma = Number(p, "gamma", f + ".gamma", 2.2, false, 0.5, 4.0);
        ps.column = Integer(p, "column", f + ".column", 0, false, 0, s.layout.columns - 1);
        ps.row = Integer(p, "row", f + ".row", 0, false, 0, s.layout.rows - 1);
        ps.layer = Integer(p, "layer", f + ".layer", 0, false, 0, s.layout.layers - 1);
        if (!places.insert({ps.column, ps.row, ps.layer}).second)
            Fail(f, "two projectors at the same column, row and layer");
        s.projectors.push_back(ps);
    }

    const json& c = Object(root, "camera", "camera");
    CheckKeys(c, "camera",
              {"size", "screenCorners", "distortion", "blur", "noise", "ambient", "vignetting", "sensitivity",
               "referenceExposure", "gainScale"});
    if (c.contains("size")) {
        const json& sz = c["size"];
        if (!sz.is_array() || sz.size() != 2 || !sz[0].is_number_integer() || !sz[1].is_number_integer())
            Fail("camera.size", "expected [width, height] in pixels");
        s.camera.width = sz[0];
        s.camera.height = sz[1];
        if (s.camera.width < 64 || s.camera.width > 4096 || s.camera.height < 64 || s.camera.height > 4096)
            Fail("camera.size", "picture size outside 64 .. 4096");
    }
    s.camera.screenCorners = ReadQuad(c, "screenCorners", "camera.screenCorners");
    s.camera.distortion = Number(c, "distortion", "camera.distortion", 0.0, false, -0.3, 0.3);
    s.camera.blur = Number(c, "blur", "camera.blur", 0.8, false, 0.0, 20.0);
    s.camera.noise = Number(c, "noise", "camera.noise", 1.0, false, 0.0, 64.0);
    s.camera.ambient = Number(c, "ambient", "camera.ambient", 0.01, false, 0.0, 10.0);
    s.camera.vignetting = Number(c, "vignetting", "camera.vignetting", 0.15, false, 0.0, 0.95);
    s.camera.sensitivity = Number(c, "sensitivity", "camera.sensitivity", 0.75, false, 1e-4, 100.0);
    s.camera.referenceExposure =
        Integer(c, "referenceExposure", "camera.referenceExposure", -5, false, -11, -2);
    s.camera.gainScale = Number(c, "gainScale", "camera.gainScale", 64.0, false, 1.0, 1e4);
    return s;
}

json QuadJson(const Quad& q) {
    json a = json::array();
    for (const auto& p : q) a.push_back({p.x, p.y});
    return a;
}

}  // namespace

bool ParseScene(const std::string& text, Scene* scene, std::string* error) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& e) {  // also a number too large for a double (out_of_range)
        if (error) *error = std::string("not valid JSON: ") + e.what();
        return false;
    }
    try {
        *scene = Parse(root);
        return true;
    } catch (const Bad& b) {
        if (error) *error = b.message;
    } catch (const json::exception& e) {
        if (error) *error = std::string("scene: ") + e.what();
    }
    return false;
}

bool LoadSceneFile(const std::string& path, Scene* scene, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = path + ": cannot be read";
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    std::string why;
    if (!ParseScene(ss.str(), scene, &why)) {
        if (error) *error = path + ": " + why;
        return false;
    }
    return true;
}

std::string SceneToJson(const Scene& s) {
    json root;
    root["name"] = s.name;
    root["screen"] = {{"width", s.screenWidth}, {"height", s.screenHeight}};
    root["layout"] = {{"mode", s.layout.mode},         {"columns", s.layout.columns},
                      {"rows", s.layout.rows},         {"layers", s.layout.layers},
                      {"overlapX", s.layout.overlapX}, {"overlapY", s.layout.overlapY}};
    if (!s.testPicture.empty()) root["testPicture"] = s.testPicture;
    root["seed"] = s.seed;
    if (s.blendAfterWarp) root["blendAfterWarp"] = true;
    root["timing"] = {{"latency", s.timing.latency},
                      {"jitter", s.timing.jitter},
                      {"frameRate", s.timing.frameRate},
                      {"autoExposureRate", s.timing.autoExposureRate}};
    json ps = json::array();
    for (const auto& p : s.projectors) {
        ps.push_back({{"address", p.address},
                      {"panel", {p.width, p.height}},
                      {"corners", QuadJson(p.corners)},
                      {"distortion", p.distortion},
                      {"brightness", p.brightness},
                      {"blackLevel", p.blackLevel},
                      {"gamma", p.gamma},
                      {"column", p.column},
                      {"row", p.row},
                      {"layer", p.layer}});
    }
    root["projectors"] = ps;
    const CameraSpec& c = s.camera;
    root["camera"] = {{"size", {c.width, c.height}},
                      {"screenCorners", QuadJson(c.screenCorners)},
                      {"distortion", c.distortion},
                      {"blur", c.blur},
                      {"noise", c.noise},
                      {"ambient", c.ambient},
                      {"vignetting", c.vignetting},
                      {"sensitivity", c.sensitivity},
                      {"referenceExposure", c.referenceExposure},
                      {"gainScale", c.gainScale}};
    return root.dump(2) + "\n";
}

int FindProjector(const Scene& scene, int column, int row, int layer) {
    for (size_t i = 0; i < scene.projectors.size(); ++i) {
        const auto& p = scene.projectors[i];
        if (p.column == column && p.row == row && p.layer == layer) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace wallsim
