// Photo files read by the workflows' own measurements (boundary check, report
// figures), under the same guard as the engine's photos: a regular file of
// bounded size whose header-declared picture size is checked before any
// decoder allocates for it. A forged header cannot make them take gigabytes.
#pragma once

#include <cstdint>
#include <string>

#include <opencv2/core.hpp>

namespace vantis::calibration {

inline constexpr std::uintmax_t kMaxPhotoFileBytes = 512u * 1024u * 1024u;
inline constexpr std::int64_t kMaxPhotoPixels = 64ll * 1024 * 1024;

// The photo decoded with cv::imdecode's flags (cv::IMREAD_GRAYSCALE, ...); empty
// when the file cannot be read, is no picture the guard accepts, or fails to decode.
cv::Mat ReadPhotoFile(const std::string& path, int flags);

}  // namespace vantis::calibration
