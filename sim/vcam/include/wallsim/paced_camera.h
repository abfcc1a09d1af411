// The virtual camera in time. A projector shows what its board was told some
// time after the command (its latency, with jitter), and the camera delivers
// frames at its own pace: frame k is the light integrated over its frame time,
// so a frame exposed while a projector changed mixes the old and the new
// picture. On automatic exposure the camera reaches a well-exposed picture
// only over several frames after the light changed. A photograph taken too
// early after a command is therefore wrong here, as it is on a real wall.
//
// Frames are rendered when asked for (the newest finished frame), so an idle
// camera costs nothing; what a frame shows depends only on the light during
// its frame time, never on when it is rendered.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <vector>

#include <opencv2/core.hpp>

#include "wallsim/panel.h"
#include "wallsim/photo.h"
#include "wallsim/scene.h"

namespace wallsim {

// The light the panels' states put on every camera pixel (CV_32FC3), and the
// camera's response to light (the picture).
using LightFunction = std::function<cv::Mat(const std::vector<PanelState>& states)>;
using ExposeFunction =
    std::function<cv::Mat(const cv::Mat& light, const CameraSettings& settings, uint64_t frame)>;

class PacedCamera {
  public:
    using Clock = std::chrono::steady_clock;

    // `initial`: what every projector shows from the start. Times of the
    // timing are nominal and shrink with the delay scale (vantis/delays.h).
    PacedCamera(const TimingSpec& timing, std::vector<PanelState> initial, LightFunction light,
                ExposeFunction expose, uint64_t seed = 1);

    // Projector `projector`'s board took a command at `when` and now holds
    // `state`; its light changes after the latency.
    void Commanded(int projector, PanelState state, Clock::time_point when = Clock::now());

    // The newest frame finished by now and its number (from 1; the same
    // number is the same picture).
    cv::Mat Frame(const CameraSettings& settings, bool autoExposure, uint64_t* sequence);

    // The states the projectors' light shows at `t`.
    std::vector<PanelState> LitAt(Clock::time_point t) const;

    // Effective (scaled) frame period; frame `index` is exposed from FrameStart(index) for one period.
    Clock::duration FramePeriod() const { return period_; }
    Clock::time_point FrameStart(int64_t index) const { return origin_ + period_ * index; }
    const TimingSpec& timing() const { return timing_; }

  private:
    struct Entry {
        Clock::time_point from;  // light of this state from here on
        uint64_t id;
        PanelState state;
    };
    using Key = std::vector<uint64_t>;  // the entry of every projector

    Key KeyAt(Clock::time_point t) const;
    const cv::Mat& LightOf(const Key& key);
    cv::Mat Integrate(Clock::time_point start, Clock::time_point end);
    void Trim(Clock::time_point before);

    TimingSpec timing_;
    LightFunction light_;
    ExposeFunction expose_;
    Clock::duration period_;
    Clock::time_point origin_;

    mutable std::mutex mutex_;
    std::vector<std::deque<Entry>> history_;
    uint64_t nextId_ = 1;
    std::mt19937_64 random_;
    std::map<Key, cv::Mat> lights_;  // a few recent lights, by the entries they show

    std::mutex frameMutex_;  // one frame rendered at a time
    int64_t frameIndex_ = -1;
    cv::Mat frame_;
    double autoOffset_ = 0;  // automatic exposure: stops added to the set exposure
};

}  // namespace wallsim
