// Frame sources made by tests: a fixed picture, top-down or bottom-up, at a steady pace.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "oculet/Frame.h"

namespace oculet::testing {

class StillSource final : public IFrameSource {
  public:
    StillSource(cv::Mat picture, bool bottomUp) : picture_(std::move(picture)), bottomUp_(bottomUp) {}
    bool Next(Frame& frame) override {
        std::unique_lock lock(mutex_);
        // A frame every 2 ms, or at once after an interrupt.
        wake_.wait_for(lock, std::chrono::milliseconds(2), [this] { return interrupted_; });
        if (interrupted_ || lost_) return false;
        frame.image = picture_.clone();
        frame.bottomUp = bottomUp_;
        frame.captured = std::chrono::steady_clock::now();
        return true;
    }
    void Interrupt() override {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        wake_.notify_all();
    }
    void Resume() override {
        std::lock_guard lock(mutex_);
        interrupted_ = false;
    }
    cv::Size FrameSize() const override { return picture_.size(); }
    void Lose() {
        std::lock_guard lock(mutex_);
        lost_ = true;
    }

  private:
    cv::Mat picture_;
    bool bottomUp_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
    bool lost_ = false;
};

}  // namespace oculet::testing
