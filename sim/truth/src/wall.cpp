#include "wallsim/wall.h"

#include "vantis/picture_header.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace wallsim {

cv::Mat ReadTestPicture(const std::string& file, std::string* error) {
    std::error_code failed;
    if (!std::filesystem::is_regular_file(file, failed)) {
        *error = "not a readable file";
        return {};
    }
    const std::uintmax_t size = std::filesystem::file_size(file, failed);
    if (failed || size == 0 || size > kMaxTestPictureBytes) {
        *error = "empty or too large";
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        *error = "cannot read";
        return {};
    }
    // The size its header claims is checked before the decoder allocates for it.
    if (!vantis::PictureSizeAcceptable(bytes, kMaxTestPicturePixels)) {
        *error = "not a BMP, PNG, JPEG or PNM picture of at most 64 Mpixel";
        return {};
    }
    try {
        cv::Mat picture = cv::imdecode(bytes, cv::IMREAD_COLOR);
        if (picture.empty()) *error = "cannot decode";
        return picture;
    } catch (const cv::Exception&) {
        *error = "cannot decode";
        return {};
    }
}

std::unique_ptr<Wall> Wall::Load(const std::string& path, std::string* error) {
    Scene scene;
    if (!LoadSceneFile(path, &scene, error)) return nullptr;
    cv::Mat picture;
    if (!scene.testPicture.empty()) {
        std::string file = scene.testPicture;
        auto slash = path.rfind('/');
        if (file.front() != '/' && slash != std::string::npos) file = path.substr(0, slash + 1) + file;
        picture = ReadTestPicture(file, error);
        if (picture.empty()) {
            *error = path + ": testPicture: " + *error + ": " + file;
            return nullptr;
        }
    }
    return std::make_unique<Wall>(scene, picture);
}

Wall::Wall(const Scene& scene, const cv::Mat& testPicture) : renderer_(scene) {
    const LayoutSpec& l = scene.layout;
    const ProjectorSpec& first = scene.projectors.front();
    const int strideX = first.width - l.overlapX, strideY = first.height - l.overlapY;
    const cv::Size whole(strideX * (l.columns - 1) + first.width, strideY * (l.rows - 1) + first.height);
    cv::Mat picture;
    if (testPicture.empty())
        picture = BuiltInTestPicture(whole.width, whole.height);
    else
        cv::resize(testPicture, picture, whole, 0, 0, cv::INTER_AREA);
    for (const ProjectorSpec& p : scene.projectors) {
        cv::Rect part(p.column * strideX, p.row * strideY, p.width, p.height);
        panels_.emplace_back(picture(part & cv::Rect(cv::Point(0, 0), whole)).clone());
    }
}

std::vector<cv::Mat> Wall::RenderPanels(const std::vector<PanelState>& states) {
    std::vector<cv::Mat> images;
    for (size_t i = 0; i < states.size() && i < panels_.size(); ++i) {
        // Where the boards apply their blend ramps is a property of the wall.
        PanelState state = states[i];
        state.blendAfterWarp = scene().blendAfterWarp;
        images.push_back(panels_[i].Render(state));
    }
    return images;
}

cv::Mat Wall::Photo(const std::vector<PanelState>& states, const CameraSettings& settings, uint64_t frame) {
    return renderer_.Render(RenderPanels(states), settings, frame);
}

cv::Mat Wall::Light(const std::vector<PanelState>& states) {
    return renderer_.Light(RenderPanels(states));
}

std::vector<PanelState> Wall::ShowStates(Show show, int lit) const {
    std::vector<PanelState> states;
    for (size_t i = 0; i < scene().projectors.size(); ++i)
        states.push_back(
            ShowState(scene().projectors[i], lit < 0 || static_cast<int>(i) == lit ? show : Show::Black));
    return states;
}

cv::Mat Wall::Photo(Show show, int lit, const CameraSettings& settings, uint64_t frame) {
    return Photo(ShowStates(show, lit), settings, frame);
}

TruthReport Wall::Measure(const std::vector<PanelState>& panels, const TruthOptions& options) const {
    std::vector<TruthProjector> t;
    for (size_t i = 0; i < panels.size() && i < scene().projectors.size(); ++i) {
        t.push_back(TruthFromLattice(panels[i].lattice, panels[i].width, panels[i].height));
        t.back().blend = panels[i].blend;
        t.back().gammaMode = panels[i].gammaMode;
        t.back().gamma = panels[i].gamma;
    }
    return MeasureTruth(scene(), t, options);
}

}  // namespace wallsim
