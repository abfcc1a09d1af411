// One picture of the capture pipeline and the sources that deliver them.
#pragma once

#include <chrono>
#include <cstdint>

#include <opencv2/core.hpp>

namespace oculet {

struct Frame {
    cv::Mat image;               // 8-bit, 1, 3 (B, G, R) or 4 channels, rows packed as the source gives them
    bool bottomUp = false;       // the first row in memory is the bottom row of the picture
    std::uint64_t sequence = 0;  // counts the frames of one run, from 1
    std::chrono::steady_clock::time_point captured{};  // when the source handed the frame over
};

// The picture the right way up (a bottom-up frame is flipped; a top-down one is shared as it is).
cv::Mat UprightImage(const Frame& frame);

// A camera stream. Next() blocks until the next frame; false means the device is gone or
// Interrupt() was called. After an interrupt, Resume() makes the stream deliver again.
class IFrameSource {
  public:
    virtual ~IFrameSource() = default;
    virtual bool Next(Frame& frame) = 0;
    // Makes a waiting or later Next() return false, within one frame period at most.
    virtual void Interrupt() = 0;
    virtual void Resume() = 0;
    // The picture size the stream delivers.
    virtual cv::Size FrameSize() const = 0;
};

}  // namespace oculet
