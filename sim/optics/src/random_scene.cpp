#include "wallsim/random_scene.h"

#include <cmath>
#include <random>
#include <string>

namespace wallsim {
namespace {

// A generator whose sequence is the same on every platform and library
// (std::uniform_real_distribution is not).
class Draw {
  public:
    explicit Draw(uint64_t seed) : engine_(seed) {}
    double Uniform(double lo, double hi) {
        return lo + (hi - lo) * (engine_() >> 11) * (1.0 / 9007199254740992.0);
    }
    double Sym(double a) { return Uniform(-a, a); }
    int Int(int lo, int hi) { return lo + static_cast<int>(engine_() % static_cast<uint64_t>(hi - lo + 1)); }

  private:
    std::mt19937_64 engine_;
};

}  // namespace

Scene MakeScene(const SceneShape& sh, uint64_t seed, const SceneBounds& b) {
    Draw d(seed);
    Scene s;
    s.seed = seed;
    s.layout = {sh.mode, sh.columns, sh.rows, sh.layers, sh.overlapX, sh.overlapY};
    const double mmPerPixel = 1.5;
    const double W = sh.panelWidth * mmPerPixel, H = sh.panelHeight * mmPerPixel;
    const double strideX = (sh.panelWidth - sh.overlapX) * mmPerPixel,
                 strideY = (sh.panelHeight - sh.overlapY) * mmPerPixel;
    const double contentW = W + (sh.columns - 1) * strideX, contentH = H + (sh.rows - 1) * strideY;
    const double margin = 0.08;
    s.screenWidth = std::round(contentW * (1 + 2 * margin));
    s.screenHeight = std::round(contentH * (1 + 2 * margin));
    const double x0 = (s.screenWidth - contentW) / 2, y0 = (s.screenHeight - contentH) / 2;
    int octet = sh.firstAddress;
    for (int layer = 0; layer < sh.layers; ++layer)
        for (int row = 0; row < sh.rows; ++row)
            for (int col = 0; col < sh.columns; ++col) {
                ProjectorSpec p;
                p.address = "127.0.0." + std::to_string(octet++);
                p.width = sh.panelWidth;
                p.height = sh.panelHeight;
                p.column = col;
                p.row = row;
                p.layer = layer;
                cv::Point2d origin(x0 + col * strideX + d.Sym(b.shift) * W,
                                   y0 + row * strideY + d.Sym(b.shift) * H);
                double a = d.Sym(b.rotationDeg) * CV_PI / 180.0;
                cv::Point2d centre = origin + cv::Point2d(W / 2, H / 2);
                Quad nominal = {
                    cv::Point2d(-W / 2, -H / 2), {W / 2, -H / 2}, {W / 2, H / 2}, {-W / 2, H / 2}};
                for (int k = 0; k < 4; ++k) {
                    cv::Point2d q = nominal[k];
                    cv::Point2d r(q.x * std::cos(a) - q.y * std::sin(a),
                                  q.x * std::sin(a) + q.y * std::cos(a));
                    p.corners[k] = centre + r + cv::Point2d(d.Sym(b.keystone) * W, d.Sym(b.keystone) * H);
                }
                p.distortion = d.Sym(b.projectorDistortion);
                p.brightness = 1.0 + d.Sym(b.brightness);
                p.blackLevel = d.Uniform(0.001, 0.004);
                p.gamma = 2.2;
                s.projectors.push_back(p);
            }
    // The camera sees the screen at an angle, filling about 80 % of the picture width.
    CameraSpec& c = s.camera;
    const double aspect = s.screenWidth / s.screenHeight;
    double pw = 0.8 * c.width, ph = pw / aspect;
    if (ph > 0.8 * c.height) {
        ph = 0.8 * c.height;
        pw = ph * aspect;
    }
    const double cx = c.width / 2.0 + d.Sym(0.02) * c.width, cy = c.height / 2.0 + d.Sym(0.02) * c.height;
    Quad sc = {cv::Point2d(cx - pw / 2, cy - ph / 2),
               {cx + pw / 2, cy - ph / 2},
               {cx + pw / 2, cy + ph / 2},
               {cx - pw / 2, cy + ph / 2}};
    for (auto& q : sc) q += cv::Point2d(d.Sym(b.cameraTilt) * c.width, d.Sym(b.cameraTilt) * c.height);
    c.screenCorners = sc;
    c.distortion = d.Sym(b.cameraDistortion);
    c.blur = d.Uniform(0.6, 1.2);
    c.noise = d.Uniform(0.8, 2.0);
    c.ambient = d.Uniform(0.005, 0.03);
    c.vignetting = d.Uniform(0.08, 0.25);
    c.sensitivity = d.Uniform(0.6, 0.8);
    return s;
}

Scene RandomScene(uint64_t seed, int firstAddress, const SceneBounds& bounds) {
    Draw d(seed ^ 0x5DEECE66DULL);
    static const int kPanels[5][2] = {{1024, 768}, {1280, 800}, {1920, 1200}, {1920, 1080}, {1280, 720}};
    SceneShape sh;
    sh.firstAddress = firstAddress;
    sh.mode = d.Int(0, 2);
    int type = d.Int(0, 4);
    sh.panelWidth = kPanels[type][0];
    sh.panelHeight = kPanels[type][1];
    if (sh.mode == 0) {
        sh.columns = sh.rows = 1;
        sh.layers = d.Int(2, 3);
    } else {
        sh.columns = d.Int(1, 3);
        sh.rows = d.Int(sh.columns == 1 ? 2 : 1, 2);
        sh.layers = sh.mode == 2 ? 2 : 1;
        if (sh.columns * sh.rows * sh.layers > 8) sh.columns = 2;
        sh.overlapX = sh.columns > 1 ? 16 * d.Int(4, sh.panelWidth / 64) : 0;
        sh.overlapY = sh.rows > 1 ? 16 * d.Int(4, sh.panelHeight / 64) : 0;
    }
    Scene s = MakeScene(sh, seed, bounds);
    s.name = "random-" + std::to_string(seed);
    return s;
}

}  // namespace wallsim
