// Reading photos: every photo the engine works on enters through here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace vantiscore {

// How a photo is decoded: three 8-bit channels in B, G, R order, or 8-bit grey.
enum class PhotoColour { kColour, kGrey };

// Largest photo file the engine reads (bytes) and largest picture it decodes
// (pixels); a camera photo is far smaller, anything beyond is not a photo.
inline constexpr std::uintmax_t kMaxPhotoFileBytes = 512u * 1024u * 1024u;
inline constexpr std::int64_t kMaxPhotoPixels = 64ll * 1024 * 1024;

// Decodes an encoded picture (BMP, PNG, …). Returns an empty image when the
// bytes are not a picture the engine can use.
cv::Mat DecodePhoto(const std::vector<std::uint8_t>& bytes, PhotoColour colour);

// Reads and decodes a photo file; an empty image when it cannot be read.
cv::Mat ReadPhoto(const std::string& path, PhotoColour colour);

// Resizes a photo to the working size (bilinear).
cv::Mat ToWorkSize(const cv::Mat& photo);
// The same into *work, whose memory is reused when it already has the size.
void ToWorkSize(const cv::Mat& photo, cv::Mat* work);
// ToWorkSize only where it is needed: *work gets the working size, and inside
// workRect (working pixels) the same pixels as the whole picture scaled. A
// photo whose working scale is a whole number is scaled from a part around
// the rectangle (two photo pixels of margin keep the interpolation's
// neighbours); any other is scaled whole. Outside the rectangle *work holds
// whatever it held.
void ToWorkSize(const cv::Mat& photo, const cv::Rect& workRect, cv::Mat* work);

// ReadPhoto in colour followed by ToWorkSize; empty when unreadable.
cv::Mat ReadWorkPhoto(const std::string& path);

// Grey conversion with the RGB weights applied to the B, G, R image as read,
// so 0.299 falls on the blue channel; the engine's thresholds are tuned to it.
cv::Mat ToGrey(const cv::Mat& colour);

}  // namespace vantiscore
