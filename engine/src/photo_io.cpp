#include "photo_io.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "VantisCore.h"
#include "vantis/log.h"
#include "vantis/picture_header.h"

namespace vantiscore {

cv::Mat DecodePhoto(const std::vector<std::uint8_t>& bytes, PhotoColour colour) {
    // The size the header claims is checked before any decoder allocates for it; a
    // format whose header cannot be read this way is not decoded at all.
    if (bytes.empty() || !vantis::PictureSizeAcceptable(bytes, kMaxPhotoPixels)) return {};
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
    if (path.empty()) return {};
    if (!std::filesystem::is_regular_file(file, error)) {
        vantis::log::Error("engine", "photo " + path + " is no regular file" +
                                         (error ? ": " + error.message() : std::string()));
        return {};
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size == 0 || size > kMaxPhotoFileBytes) {
        vantis::log::Error(
            "engine",
            "photo " + path + ": " + (error ? error.message() : "size " + std::to_string(size) + " refused"));
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        const int readError = errno;  // 0 when the file only ended early
        if (readError != 0)
            vantis::log::SystemError("engine", "cannot read photo " + path, readError);
        else
            vantis::log::Error("engine", "photo " + path + " ends before its size");
        return {};
    }
    cv::Mat photo = DecodePhoto(bytes, colour);
    if (photo.empty()) vantis::log::Error("engine", "photo " + path + " is no picture the engine reads");
    return photo;
}

cv::Mat ToWorkSize(const cv::Mat& photo) {
    cv::Mat work;
    ToWorkSize(photo, &work);
    return work;
}

void ToWorkSize(const cv::Mat& photo, cv::Mat* work) {
    cv::resize(photo, *work, cv::Size(kWorkWidth, kWorkHeight), 0, 0, cv::INTER_LINEAR);
}

void ToWorkSize(const cv::Mat& photo, const cv::Rect& workRect, cv::Mat* work) {
    const bool wholeScale = !photo.empty() && kWorkWidth % photo.cols == 0 && kWorkHeight % photo.rows == 0 &&
                            kWorkWidth / photo.cols == kWorkHeight / photo.rows;
    const cv::Rect inside = workRect & cv::Rect(0, 0, kWorkWidth, kWorkHeight);
    if (!wholeScale || inside.empty()) {
        ToWorkSize(photo, work);
        return;
    }
    // With a whole scale s, working pixel X samples photo position (X + 0.5) / s - 0.5:
    // a part starting at photo pixel x0 scaled on its own gives working pixel s x0 + X'
    // exactly as the whole picture does, wherever both neighbours lie inside the part.
    const int scale = kWorkWidth / photo.cols;
    constexpr int kMargin = 2;
    const int x0 = std::max(0, inside.x / scale - kMargin);
    const int y0 = std::max(0, inside.y / scale - kMargin);
    const int x1 = std::min(photo.cols, (inside.x + inside.width + scale - 1) / scale + kMargin);
    const int y1 = std::min(photo.rows, (inside.y + inside.height + scale - 1) / scale + kMargin);
    work->create(kWorkHeight, kWorkWidth, photo.type());
    cv::Mat part = (*work)(cv::Rect(x0 * scale, y0 * scale, (x1 - x0) * scale, (y1 - y0) * scale));
    cv::resize(photo(cv::Rect(x0, y0, x1 - x0, y1 - y0)), part, part.size(), 0, 0, cv::INTER_LINEAR);
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
