#include "synthetic_photos.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace vantiscore::synthetic {

cv::Rect PanelView::PhotoRect(int u, int v, int width, int height) const {
    const int x0 = static_cast<int>(origin.x + scale * static_cast<float>(u));
    const int y0 = static_cast<int>(origin.y + scale * static_cast<float>(v));
    const int x1 = static_cast<int>(origin.x + scale * static_cast<float>(u + width));
    const int y1 = static_cast<int>(origin.y + scale * static_cast<float>(v + height));
    return {x0, y0, x1 - x0, y1 - y0};
}

cv::Point PanelView::WorkCentre(int column, int row) const {
    const float sx = static_cast<float>(kWorkWidth) / static_cast<float>(photoSize.width);
    const float sy = static_cast<float>(kWorkHeight) / static_cast<float>(photoSize.height);
    const float u = static_cast<float>(info.blockWidth) / 2 + static_cast<float>(column * info.pitchX);
    const float v = static_cast<float>(info.blockHeight) / 2 + static_cast<float>(row * info.pitchY);
    return {static_cast<int>((origin.x + scale * u) * sx), static_cast<int>((origin.y + scale * v) * sy)};
}

cv::Mat BlackPhoto(const PanelView& view) {
    return cv::Mat(view.photoSize, CV_8UC3, cv::Scalar::all(0));
}

cv::Mat WhitePhoto(const PanelView& view) {
    cv::Mat photo = BlackPhoto(view);
    cv::rectangle(photo, view.PanelRect(), cv::Scalar::all(255), cv::FILLED);
    return photo;
}

cv::Mat BlocksPhoto(const PanelView& view, int columnBegin, int columnEnd, int rowBegin, int rowEnd) {
    cv::Mat photo = BlackPhoto(view);
    const PatternInfo& info = view.info;
    for (int r = rowBegin; r < rowEnd; ++r) {
        for (int c = columnBegin; c < columnEnd; ++c) {
            cv::rectangle(photo,
                          view.PhotoRect(c * info.pitchX, r * info.pitchY, info.blockWidth, info.blockHeight),
                          cv::Scalar::all(255), cv::FILLED);
        }
    }
    return photo;
}

cv::Mat CentrePhoto(const PanelView& view) {
    const PatternInfo& info = view.info;
    return BlocksPhoto(view, info.centreColumn, info.centreColumnEnd, info.centreRow, info.centreRowEnd);
}

cv::Mat GridPhoto(const PanelView& view) {
    return BlocksPhoto(view, 0, view.info.blockColumns, 0, view.info.blockRows);
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    folder_ = std::filesystem::temp_directory_path() /
              ("vantiscore-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(folder_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string TempFolder::Write(const std::string& name, const cv::Mat& picture) const {
    const std::string path = Path(name);
    if (!cv::imwrite(path, picture)) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TempFolder::WriteBytes(const std::string& name, const std::string& bytes) const {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}  // namespace vantiscore::synthetic
