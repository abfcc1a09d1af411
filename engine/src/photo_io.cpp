#include "photo_io.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "VantisCore.h"

namespace vantiscore {
namespace {

// Reads width and height from a BMP or PNG header so that a forged header
// cannot make the decoder allocate a giant picture. Other formats are left to
// the decoder's own limits. Returns false when the header is not plausible.
bool HeaderSizeAcceptable(const std::vector<std::uint8_t>& bytes) {
    auto le32 = [&](std::size_t at) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[at]) |
                                         static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                                         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                                         static_cast<std::uint32_t>(bytes[at + 3]) << 24);
    };
    auto be32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
               static_cast<std::uint32_t>(bytes[at + 2]) << 8 | static_cast<std::uint32_t>(bytes[at + 3]);
    };
    auto acceptable = [](std::int64_t w, std::int64_t h) {
        return w > 0 && h > 0 && w <= kMaxPhotoPixels && h <= kMaxPhotoPixels && w * h <= kMaxPhotoPixels;
    };
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (bytes.size() < 26) return false;
        const std::uint32_t headerSize = static_cast<std::uint32_t>(le32(14));
        if (headerSize == 12) {  // old OS/2 header: 16-bit sizes
            const std::int64_t w = bytes[18] | bytes[19] << 8;
            const std::int64_t h = bytes[20] | bytes[21] << 8;
            return acceptable(w, h);
        }
        const std::int64_t w = le32(18);
        const std::int64_t h = le32(22);
        return acceptable(w, h < 0 ? -h : h);
    }
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, bytes.begin())) {
        if (bytes.size() < 24) return false;
        return acceptable(be32(16), be32(20));
    }
    return true;
}

}  // namespace

cv::Mat DecodePhoto(const std::vector<std::uint8_t>& bytes, PhotoColour colour) {
    if (bytes.empty() || !HeaderSizeAcceptable(bytes)) return {};
    try {
        const int flags = colour == PhotoColour::kColour ? cv::IMREAD_COLOR : cv::IMREAD_GRAYSCALE;
        cv::Mat picture = cv::imdecode(bytes, flags);
        if (picture.empty() || picture.depth() != CV_8U) return {};
        if (static_cast<std::int64_t>(picture.cols) * picture.rows > kMaxPhotoPixels) return {};
        return picture;
    } catch (...) {
        return {};
    }
}

cv::Mat ReadPhoto(const std::string& path, PhotoColour colour) {
    std::error_code error;
    const std::filesystem::path file(path);
    if (path.empty() || !std::filesystem::is_regular_file(file, error)) return {};
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size == 0 || size > kMaxPhotoFileBytes) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return {};
    return DecodePhoto(bytes, colour);
}

cv::Mat ToWorkSize(const cv::Mat& photo) {
    cv::Mat work;
    cv::resize(photo, work, cv::Size(kWorkWidth, kWorkHeight), 0, 0, cv::INTER_LINEAR);
    return work;
}

cv::Mat ReadWorkPhoto(const std::string& path) {
    cv::Mat photo = ReadPhoto(path, PhotoColour::kColour);
    if (photo.empty()) return {};
    return ToWorkSize(photo);
}

cv::Mat ToGrey(const cv::Mat& colour) {
    cv::Mat grey;
    cv::cvtColor(colour, grey, cv::COLOR_RGB2GRAY);
    return grey;
}

}  // namespace vantiscore
