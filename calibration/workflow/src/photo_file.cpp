#include "calibration/photo_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "vantis/picture_header.h"

namespace vantis::calibration {

cv::Mat ReadPhotoFile(const std::string& path, int flags) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return {};
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > kMaxPhotoFileBytes) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return {};
    if (!vantis::PictureSizeAcceptable(bytes, kMaxPhotoPixels)) return {};
    try {
        return cv::imdecode(bytes, flags);
    } catch (const cv::Exception&) {
        return {};
    }
}

}  // namespace vantis::calibration
