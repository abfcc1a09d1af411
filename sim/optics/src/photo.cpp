#include "wallsim/photo.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace wallsim {

PhotoRenderer::PhotoRenderer(const Scene& scene) : scene_(scene), optics_(scene) {
    const int cw = scene.camera.width, ch = scene.camera.height;
    // Screen position of every camera pixel centre, shared by all projectors.
    cv::Mat screen(ch, cw, CV_64FC2);
    for (int y = 0; y < ch; ++y) {
        auto* row = screen.ptr<cv::Vec2d>(y);
        for (int x = 0; x < cw; ++x) {
            cv::Point2d s = optics_.camera.PictureToScreen({x + 0.5, y + 0.5});
            row[x] = {s.x, s.y};
        }
    }
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
            cv::Mat mx(pm.roi.size(), CV_32F), my(pm.roi.size(), CV_32F);
            for (int y = 0; y < pm.roi.height; ++y) {
                const auto* srow = screen.ptr<cv::Vec2d>(y + pm.roi.y) + pm.roi.x;
                float* px = mx.ptr<float>(y);
                float* py = my.ptr<float>(y);
                for (int x = 0; x < pm.roi.width; ++x) {
                    cv::Point2d u = po.ScreenToPanel({srow[x][0], srow[x][1]});
                    // Panel pixel index j covers [j, j + 1]; remap samples at pixel centres.
                    bool ok = std::isfinite(u.x) && std::isfinite(u.y) && std::abs(u.x) < 1e5 && std::abs(u.y) < 1e5;
                    px[x] = ok ? static_cast<float>(u.x - 0.5) : -1e5f;
                    py[x] = ok ? static_cast<float>(u.y - 0.5) : -1e5f;
                }
            }
            cv::Mat ones(p.height, p.width, CV_32F, cv::Scalar(1.0f)), cov;
            cv::remap(ones, cov, mx, my, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
            cv::merge(std::vector<cv::Mat>{cov, cov, cov}, pm.coverage);
            cv::convertMaps(mx, my, pm.map1, pm.map2, CV_16SC2);
        }
        maps_.push_back(std::move(pm));
        cv::Mat lut(1, 256, CV_32F);
        for (int v = 0; v < 256; ++v) lut.at<float>(v) = static_cast<float>(p.brightness * std::pow(v / 255.0, p.gamma));
        gammaLuts_.push_back(lut);
    }
    cv::Mat vig(ch, cw, CV_32F);
    const double r0 = std::hypot(cw / 2.0, ch / 2.0);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            double r = std::hypot(x + 0.5 - cw / 2.0, y + 0.5 - ch / 2.0) / r0;
            vig.at<float>(y, x) = static_cast<float>(1.0 - scene.camera.vignetting * r * r);
        }
    cv::merge(std::vector<cv::Mat>{vig, vig, vig}, vignette_);
}

cv::Mat PhotoRenderer::Light(const std::vector<cv::Mat>& panels) const {
    const CameraSpec& c = scene_.camera;
    cv::Mat light(c.height, c.width, CV_32FC3, cv::Scalar::all(c.ambient));
    cv::Mat warped, lin;
    for (size_t i = 0; i < maps_.size() && i < panels.size(); ++i) {
        const ProjectorMap& pm = maps_[i];
        if (panels[i].empty() || pm.roi.area() == 0) continue;
        CV_Assert(panels[i].type() == CV_8UC3);
        cv::remap(panels[i], warped, pm.map1, pm.map2, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
        cv::LUT(warped, gammaLuts_[i], lin);
        cv::Mat roi = light(pm.roi);
        roi += lin;
        cv::scaleAdd(pm.coverage, scene_.projectors[i].blackLevel, roi, roi);
    }
    return light;
}

cv::Mat PhotoRenderer::Expose(const cv::Mat& light, const CameraSettings& st, uint64_t frame) const {
    const CameraSpec& c = scene_.camera;
    cv::Mat img;
    if (c.blur > 0.05)
        cv::GaussianBlur(light, img, cv::Size(0, 0), c.blur, c.blur, cv::BORDER_REPLICATE);
    else
        img = light.clone();
    cv::multiply(img, vignette_, img);
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
        for (int k = 0; k < 3; ++k) m(r, k) = static_cast<float>(scale * ((r == k ? sat : 0.0) + (1.0 - sat) * luma[k]));
        m(r, 3) = static_cast<float>(offset);
    }
    cv::transform(img, img, m);
    if (c.noise > 0) {
        cv::Mat noise(img.size(), CV_32FC3);
        cv::RNG rng(scene_.seed * 0x9E3779B97F4A7C15ULL + frame + 1);
        rng.fill(noise, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(c.noise));
        img += noise;
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
