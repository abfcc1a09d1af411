// A camera stream for the dialog tests: the same picture over and over, a
// few milliseconds apart, so the capture graph and the plug-in run as with a
// camera.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include <opencv2/core.hpp>

#include "oculet/Frame.h"

namespace meridan::test {

class StillSource : public oculet::IFrameSource {
  public:
    explicit StillSource(cv::Mat picture) : picture_(std::move(picture)) {}
    bool Next(oculet::Frame& frame) override {
        if (interrupted_.load()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
        if (interrupted_.load()) return false;
        frame.image = picture_.clone();
        frame.captured = std::chrono::steady_clock::now();
        return true;
    }
    void Interrupt() override { interrupted_.store(true); }
    void Resume() override { interrupted_.store(false); }
    cv::Size FrameSize() const override { return picture_.size(); }

  private:
    cv::Mat picture_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace meridan::test
