#include "wallsim/panel.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace wallsim {

double DecodeLatticeCode(uint16_t code) {
    int v = code >= 0xC000 ? static_cast<int>(code) - 0x10000 : static_cast<int>(code);
    return v / 16.0;
}

SourceLattice SourceLattice::Identity() {
    SourceLattice l;
    l.nodes.resize(static_cast<size_t>(kColumns) * kRows);
    for (int r = 0; r < kRows; ++r)
        for (int k = 0; k < kColumns; ++k)
            l.nodes[static_cast<size_t>(r) * kColumns + k] = {static_cast<float>(kPitch * (k - kLeftColumns)),
                                                              static_cast<float>(kPitch * r)};
    return l;
}

SourceLattice SourceLattice::FromCodes(const std::vector<uint16_t>& xy) {
    SourceLattice l = Identity();
    size_t n = std::min(xy.size() / 2, l.nodes.size());
    for (size_t i = 0; i < n; ++i)
        l.nodes[i] = {static_cast<float>(DecodeLatticeCode(xy[2 * i])),
                      static_cast<float>(DecodeLatticeCode(xy[2 * i + 1]))};
    return l;
}

GridMap SourceLattice::ToGridMap() const {
    std::vector<double> xs(kColumns), ys(kRows);
    for (int k = 0; k < kColumns; ++k) xs[k] = kPitch * (k - kLeftColumns);
    for (int r = 0; r < kRows; ++r) ys[r] = kPitch * r;
    std::vector<cv::Point2d> v(nodes.begin(), nodes.end());
    return GridMap(std::move(xs), std::move(ys), std::move(v));
}

namespace {

double ZoneWeight(const BlendZone& z, bool rising, int p) {
    if (!z.enabled || z.width < 2) return 1.0;
    const double d = p - z.start;
    if (z.ramp > 0) {
        // The board's integer ramp, as its registers describe it.
        if (d < 0 || d >= z.width) return rising ? (d < 0 ? 0.0 : 1.0) : (d < 0 ? 1.0 : 0.0);
        double w = rising ? d * z.ramp : z.ramp - d * (65536.0 - z.ramp);
        return std::clamp(w, 0.0, 65536.0) / 65536.0;
    }
    const double t = std::clamp(d / (z.width - 1), 0.0, 1.0);
    return rising ? t : 1.0 - t;
}

}  // namespace

double RampWeight(const BlendZone& rising, const BlendZone& falling, int p) {
    return ZoneWeight(rising, true, p) * ZoneWeight(falling, false, p);
}

double BlendLightWeight(const PanelState& s, double projectorGamma, int x, int y) {
    double r = RampWeight(s.blend[0], s.blend[1], x) * RampWeight(s.blend[2], s.blend[3], y);
    // The board scales the signal by r^(1/gamma) in gamma mode, by r otherwise;
    // the projector turns signal v into light v^projectorGamma.
    double signal = s.gammaMode ? std::pow(r, 1.0 / std::max(s.gamma, 0.01)) : r;
    return std::pow(signal, projectorGamma);
}

cv::Mat BuiltInTestPicture(int width, int height) {
    cv::Mat img(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) {
        auto* row = img.ptr<cv::Vec3b>(y);
        for (int x = 0; x < width; ++x) {
            // Smooth colour ramps: red across, green down, blue along the diagonal.
            uchar r = static_cast<uchar>(40 + 200 * x / std::max(1, width - 1));
            uchar g = static_cast<uchar>(40 + 200 * y / std::max(1, height - 1));
            uchar b = static_cast<uchar>(40 + 100 * (x + y) / std::max(1, width + height - 2));
            row[x] = {b, g, r};
        }
    }
    // A fine grid every 64 pixels and a frame, so misregistration is visible.
    for (int x = 0; x < width; x += 64) cv::line(img, {x, 0}, {x, height - 1}, {255, 255, 255}, 1);
    for (int y = 0; y < height; y += 64) cv::line(img, {0, y}, {width - 1, y}, {255, 255, 255}, 1);
    cv::rectangle(img, {0, 0}, {width - 1, height - 1}, {255, 255, 255}, 2);
    return img;
}

namespace {

cv::Scalar Bgr(uint32_t rgb) {
    return cv::Scalar(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

void DrawPattern(cv::Mat& img, const PanelState& s) {
    const auto& g = s.geometry;
    int bw = g[0], bh = g[1], px = g[2], py = g[3], ox = g[4], oy = g[5];
    if (bw <= 0 || bh <= 0) return;
    if (px <= 0) px = bw;
    if (py <= 0) py = bh;
    cv::Scalar colour = Bgr(s.patternColour);
    // The block ranges are half-open: first .. end - 1. Blocks past the panel are clipped.
    int c0 = std::max(g[6], 0), c1 = std::min(g[7], (img.cols - ox) / px + 1);
    int r0 = std::max(g[8], 0), r1 = std::min(g[9], (img.rows - oy) / py + 1);
    for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) {
            int x = ox + c * px, y = oy + r * py;
            if (s.pattern == PanelPattern::Circle) {
                constexpr int kShift = 4;
                cv::Point centre(static_cast<int>(std::lround((x + (bw - 1) / 2.0) * (1 << kShift))),
                                 static_cast<int>(std::lround((y + (bh - 1) / 2.0) * (1 << kShift))));
                cv::ellipse(img, centre, cv::Size((bw - 1) * (1 << kShift) / 2, (bh - 1) * (1 << kShift) / 2),
                            0, 0, 360, colour, cv::FILLED, cv::LINE_AA, kShift);
            } else {
                cv::Rect block = cv::Rect(x, y, bw, bh) & cv::Rect(0, 0, img.cols, img.rows);
                if (block.area() > 0) img(block).setTo(colour);
            }
        }
}

void DrawLines(cv::Mat& img, const std::vector<PanelLine>& lines) {
    for (const auto& l : lines) {
        if (l.length <= 0) continue;
        cv::Rect r = l.vertical ? cv::Rect(l.x, l.y, 1, l.length) : cv::Rect(l.x, l.y, l.length, 1);
        r &= cv::Rect(0, 0, img.cols, img.rows);
        if (r.area() > 0) img(r).setTo(Bgr(l.colour));
    }
}

}  // namespace

PanelRenderer::PanelRenderer(cv::Mat testPicture) : picture_(std::move(testPicture)) {}

cv::Mat PanelRenderer::Render(const PanelState& s) {
    cv::Mat img(s.height, s.width, CV_8UC3, cv::Scalar::all(0));
    if (s.blanked) return img;
    if (s.solidOn) {
        img.setTo(Bgr(s.solidColour));
    } else if (s.pattern != PanelPattern::None) {
        DrawPattern(img, s);
    } else {
        auto it = std::find_if(caches_.begin(), caches_.end(),
                               [&](const Cache& c) { return c.width == s.width && c.height == s.height; });
        if (it == caches_.end()) {
            caches_.push_back({});
            it = caches_.end() - 1;
            it->width = s.width;
            it->height = s.height;
            if (picture_.empty())
                it->picture = BuiltInTestPicture(s.width, s.height);
            else
                cv::resize(picture_, it->picture, cv::Size(s.width, s.height), 0, 0, cv::INTER_AREA);
        }
        if (it->mapX.empty() || !(it->lattice == s.lattice)) {
            // Dense map: bilinear between the lattice nodes around each panel pixel.
            it->lattice = s.lattice;
            it->mapX.create(s.height, s.width, CV_32F);
            it->mapY.create(s.height, s.width, CV_32F);
            for (int y = 0; y < s.height; ++y) {
                double v = y / double(SourceLattice::kPitch);
                int r = std::min(static_cast<int>(v), SourceLattice::kRows - 2);
                double t = v - r;
                float* mx = it->mapX.ptr<float>(y);
                float* my = it->mapY.ptr<float>(y);
                for (int x = 0; x < s.width; ++x) {
                    double u = x / double(SourceLattice::kPitch) + SourceLattice::kLeftColumns;
                    int k = std::min(static_cast<int>(u), SourceLattice::kColumns - 2);
                    double q = u - k;
                    const cv::Point2f &a = s.lattice.At(k, r), &b = s.lattice.At(k + 1, r),
                                      &c = s.lattice.At(k, r + 1), &d = s.lattice.At(k + 1, r + 1);
                    mx[x] = static_cast<float>((1 - t) * ((1 - q) * a.x + q * b.x) +
                                               t * ((1 - q) * c.x + q * d.x));
                    my[x] = static_cast<float>((1 - t) * ((1 - q) * a.y + q * b.y) +
                                               t * ((1 - q) * c.y + q * d.y));
                }
            }
        }
        bool anyBlend = s.blend[0].enabled || s.blend[1].enabled || s.blend[2].enabled || s.blend[3].enabled;
        // Separable signal ramps (the board's multiplier before the projector's gamma).
        auto axis = [&](const BlendZone& a, const BlendZone& b, int n) {
            std::vector<float> w(n);
            for (int i = 0; i < n; ++i) {
                double r = RampWeight(a, b, i);
                w[i] = static_cast<float>(s.gammaMode ? std::pow(r, 1.0 / std::max(s.gamma, 0.01)) : r);
            }
            return w;
        };
        auto applyRamps = [&](cv::Mat& picture) {
            std::vector<float> wx = axis(s.blend[0], s.blend[1], picture.cols);
            std::vector<float> wy = axis(s.blend[2], s.blend[3], picture.rows);
            for (int y = 0; y < picture.rows; ++y) {
                auto* row = picture.ptr<cv::Vec3b>(y);
                for (int x = 0; x < picture.cols; ++x) {
                    float w = wx[x] * wy[y];
                    if (w >= 1.0f) continue;
                    for (int ch = 0; ch < 3; ++ch) row[x][ch] = cv::saturate_cast<uchar>(row[x][ch] * w);
                }
            }
        };
        if (anyBlend && !s.blendAfterWarp) {
            cv::Mat blended = it->picture.clone();
            applyRamps(blended);
            cv::remap(blended, img, it->mapX, it->mapY, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                      cv::Scalar::all(0));
        } else {
            cv::remap(it->picture, img, it->mapX, it->mapY, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                      cv::Scalar::all(0));
            if (anyBlend) applyRamps(img);
        }
    }
    DrawLines(img, s.lines);
    return img;
}

}  // namespace wallsim
