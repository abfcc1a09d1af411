#include "wallsim/photo.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace wallsim {

namespace {

// The lens chain is smooth, so it is evaluated exactly on nodes kCoarse pixels
// apart and interpolated bilinearly in between (error far below 0.01 pixel).
constexpr int kCoarse = 8;

// Fills mapX/mapY (size `roi`) with f(picture point) for the pixel centres of roi.
template <typename F>
void CoarseMap(const cv::Rect& roi, F f, cv::Mat& mapX, cv::Mat& mapY) {
    const int nx = roi.width / kCoarse + 2, ny = roi.height / kCoarse + 2;
    std::vector<cv::Point2d> nodes(static_cast<size_t>(nx) * ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            nodes[static_cast<size_t>(j) * nx + i] =
                f(cv::Point2d(roi.x + i * kCoarse + 0.5, roi.y + j * kCoarse + 0.5));
    mapX.create(roi.size(), CV_32F);
    mapY.create(roi.size(), CV_32F);
    for (int y = 0; y < roi.height; ++y) {
        const int j = y / kCoarse;
        const double t = (y - j * kCoarse) / double(kCoarse);
        float* px = mapX.ptr<float>(y);
        float* py = mapY.ptr<float>(y);
        for (int x = 0; x < roi.width; ++x) {
            const int i = x / kCoarse;
            const double s = (x - i * kCoarse) / double(kCoarse);
            const cv::Point2d& a = nodes[static_cast<size_t>(j) * nx + i];
            const cv::Point2d& b = nodes[static_cast<size_t>(j) * nx + i + 1];
            const cv::Point2d& c = nodes[static_cast<size_t>(j + 1) * nx + i];
            const cv::Point2d& d = nodes[static_cast<size_t>(j + 1) * nx + i + 1];
            px[x] = static_cast<float>((1 - t) * ((1 - s) * a.x + s * b.x) + t * ((1 - s) * c.x + s * d.x));
            py[x] = static_cast<float>((1 - t) * ((1 - s) * a.y + s * b.y) + t * ((1 - s) * c.y + s * d.y));
        }
    }
}

// Noise is drawn once; each frame reads it through its own offset.
constexpr int kNoiseMargin = 64;

}  // namespace

PhotoRenderer::PhotoRenderer(const Scene& scene) : scene_(scene), optics_(scene) {
    const int cw = scene.camera.width, ch = scene.camera.height;
    const cv::Rect frame(0, 0, cw, ch);
    for (size_t i = 0; i < scene.projectors.size(); ++i) {
        const ProjectorSpec& p = scene.projectors[i];
        const ProjectorOptics& po = optics_.projectors[i];
        // Bounding box of the panel outline in the picture, with a margin for blur and lens bulge.
        std::vector<cv::Point2f> outline;
        constexpr int kSteps = 64;
        for (int k = 0; k <= kSteps; ++k) {
            double f = double(k) / kSteps;
            for (cv::Point2d q : {cv::Point2d(f * p.width, 0), cv::Point2d(f * p.width, p.height),
                                  cv::Point2d(0, f * p.height), cv::Point2d(p.width, f * p.height)}) {
                cv::Point2d c = optics_.camera.ScreenToPicture(po.PanelToScreen(q));
                if (std::isfinite(c.x) && std::isfinite(c.y))
                    outline.emplace_back(static_cast<float>(std::clamp(c.x, -1e6, 1e6)),
                                         static_cast<float>(std::clamp(c.y, -1e6, 1e6)));
            }
        }
        ProjectorMap pm;
        if (!outline.empty()) {
            cv::Rect box = cv::boundingRect(outline);
            box.x -= 3;
            box.y -= 3;
            box.width += 6;
            box.height += 6;
            pm.roi = box & frame;
        }
        if (pm.roi.area() > 0) {
            cv::Mat mx, my;
            // Panel pixel index j covers [j, j + 1]; remap samples at pixel centres.
            CoarseMap(
                pm.roi,
                [&](cv::Point2d pic) {
                    cv::Point2d u = po.ScreenToPanel(optics_.camera.PictureToScreen(pic));
                    bool ok = std::isfinite(u.x) && std::isfinite(u.y) && std::abs(u.x) < 1e5 &&
                              std::abs(u.y) < 1e5;
                    return ok ? u - cv::Point2d(0.5, 0.5) : cv::Point2d(-1e5, -1e5);
                },
                mx, my);
            cv::Mat ones(p.height, p.width, CV_32F, cv::Scalar(1.0f)), cov;
            cv::remap(ones, cov, mx, my, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
            cv::merge(std::vector<cv::Mat>{cov, cov, cov}, pm.coverage);
            cv::convertMaps(mx, my, pm.map1, pm.map2, CV_16SC2);
        }
        maps_.push_back(std::move(pm));
        cv::Mat lut(1, 256, CV_32F);
        for (int v = 0; v < 256; ++v)
            lut.at<float>(v) = static_cast<float>(p.brightness * std::pow(v / 255.0, p.gamma));
        gammaLuts_.push_back(lut);
    }
    cv::Mat vig(ch, cw, CV_32F);
    const double r0 = std::hypot(cw / 2.0, ch / 2.0);
    for (int y = 0; y < ch; ++y) {
        float* row = vig.ptr<float>(y);
        const double dy = y + 0.5 - ch / 2.0;
        for (int x = 0; x < cw; ++x) {
            const double dx = x + 0.5 - cw / 2.0;
            row[x] = static_cast<float>(1.0 - scene.camera.vignetting * (dx * dx + dy * dy) / (r0 * r0));
        }
    }
    cv::merge(std::vector<cv::Mat>{vig, vig, vig}, vignette_);
    if (scene.camera.noise > 0) {
        noise_.create(ch + kNoiseMargin, cw + kNoiseMargin, CV_32FC3);
        cv::RNG rng(scene.seed * 0x9E3779B97F4A7C15ULL + 1);
        rng.fill(noise_, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(scene.camera.noise));
    }
}

cv::Mat PhotoRenderer::Light(const std::vector<cv::Mat>& panels) const {
    const CameraSpec& c = scene_.camera;
    cv::Mat light(c.height, c.width, CV_32FC3, cv::Scalar::all(c.ambient));
    cv::Mat warped, lin;
    for (size_t i = 0; i < maps_.size() && i < panels.size(); ++i) {
        const ProjectorMap& pm = maps_[i];
        if (panels[i].empty() || pm.roi.area() == 0) continue;
        CV_Assert(panels[i].type() == CV_8UC3);
        cv::remap(panels[i], warped, pm.map1, pm.map2, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                  cv::Scalar::all(0));
        cv::LUT(warped, gammaLuts_[i], lin);
        cv::Mat roi = light(pm.roi);
        roi += lin;
        cv::scaleAdd(pm.coverage, scene_.projectors[i].blackLevel, roi, roi);
    }
    return light;
}

cv::Mat PhotoRenderer::Expose(const cv::Mat& light, const CameraSettings& st, uint64_t frame) const {
    return Respond(Optics(light), st, frame);
}

cv::Mat PhotoRenderer::Optics(const cv::Mat& light) const {
    const CameraSpec& c = scene_.camera;
    cv::Mat img;
    if (c.blur > 0.05)
        cv::GaussianBlur(light, img, cv::Size(0, 0), c.blur, c.blur, cv::BORDER_REPLICATE);
    else
        img = light.clone();
    cv::multiply(img, vignette_, img);
    return img;
}

cv::Mat PhotoRenderer::Respond(const cv::Mat& focused, const CameraSettings& st, uint64_t frame) const {
    const CameraSpec& c = scene_.camera;
    // Exposure doubles the signal per step; gain adds on top; brightness and
    // contrast act on the 8-bit scale around zero, saturation mixes towards grey.
    double scale = 255.0 * c.sensitivity * std::pow(2.0, st.exposure - c.referenceExposure) *
                   (1.0 + std::max(st.gain, 0) / c.gainScale) * (st.contrast / 128.0);
    double offset = (st.brightness - 128) * 0.5;
    double sat = st.saturation / 128.0;
    // BGR luma weights.
    const double wb = 0.114, wg = 0.587, wr = 0.299;
    cv::Matx34f m;
    const double luma[3] = {wb, wg, wr};
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k)
            m(r, k) = static_cast<float>(scale * ((r == k ? sat : 0.0) + (1.0 - sat) * luma[k]));
        m(r, 3) = static_cast<float>(offset);
    }
    cv::Mat img;
    cv::transform(focused, img, m);  // into a new picture: the focused light may be kept by the caller
    if (!noise_.empty()) {
        // A different window of the noise field for every frame, the same for the same frame.
        uint64_t h = (frame + 1) * 0x9E3779B97F4A7C15ULL ^ scene_.seed;
        h ^= h >> 29;
        int dx = static_cast<int>(h % kNoiseMargin), dy = static_cast<int>((h >> 16) % kNoiseMargin);
        img += noise_(cv::Rect(dx, dy, c.width, c.height));
    }
    cv::Mat out;
    img.convertTo(out, CV_8UC3);  // rounds and clips to 0..255
    int w = st.width > 0 ? st.width : c.width, h = st.height > 0 ? st.height : c.height;
    if (w != c.width || h != c.height) cv::resize(out, out, cv::Size(w, h), 0, 0, cv::INTER_AREA);
    return out;
}

cv::Mat PhotoRenderer::Render(const std::vector<cv::Mat>& panels, const CameraSettings& settings,
                              uint64_t frame) const {
    return Expose(Light(panels), settings, frame);
}

}  // namespace wallsim
