#include "wallsim/paced_camera.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "vantis/delays.h"

namespace wallsim {

namespace {

using Clock = PacedCamera::Clock;

Clock::duration ScaledMs(double nominalMs) {
    const double scaled = nominalMs * vantis::delays::DelayScale();
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(std::max(scaled, 0.0)));
}

// The level a well-exposed picture has on average (automatic exposure aims at it).
constexpr double kAutoExposureTarget = 110.0;
// What the history keeps beyond the frame being rendered.
constexpr std::chrono::seconds kHistoryKept{2};

}  // namespace

PacedCamera::PacedCamera(const TimingSpec& timing, std::vector<PanelState> initial, LightFunction light,
                         ExposeFunction expose, uint64_t seed)
    : timing_(timing),
      light_(std::move(light)),
      expose_(std::move(expose)),
      period_(std::max<Clock::duration>(ScaledMs(1000.0 / std::max(timing.frameRate, 1.0)),
                                        std::chrono::microseconds(100))),
      origin_(Clock::now()),
      random_(seed * 0x9E3779B97F4A7C15ULL + 7) {
    for (auto& state : initial)
        history_.push_back({Entry{Clock::time_point::min(), nextId_++, std::move(state)}});
}

void PacedCamera::Commanded(int projector, PanelState state, Clock::time_point when) {
    std::lock_guard lock(mutex_);
    if (projector < 0 || projector >= static_cast<int>(history_.size())) return;
    std::uniform_real_distribution<double> spread(-timing_.jitter, timing_.jitter);
    Clock::time_point from = when + ScaledMs(timing_.latency + spread(random_));
    auto& entries = history_[static_cast<std::size_t>(projector)];
    // Light follows the commands in their order, however the latencies fall.
    if (!entries.empty()) from = std::max(from, entries.back().from);
    entries.push_back({from, nextId_++, std::move(state)});
    Trim(when - kHistoryKept - period_);
}

void PacedCamera::Trim(Clock::time_point before) {
    for (auto& entries : history_)
        while (entries.size() > 1 && entries[1].from <= before) entries.pop_front();
}

PacedCamera::Key PacedCamera::KeyAt(Clock::time_point t) const {
    Key key;
    for (const auto& entries : history_) {
        uint64_t id = entries.front().id;
        for (const auto& e : entries) {
            if (e.from > t) break;
            id = e.id;
        }
        key.push_back(id);
    }
    return key;
}

std::vector<PanelState> PacedCamera::LitAt(Clock::time_point t) const {
    std::lock_guard lock(mutex_);
    std::vector<PanelState> states;
    for (const auto& entries : history_) {
        const Entry* shown = &entries.front();
        for (const auto& e : entries) {
            if (e.from > t) break;
            shown = &e;
        }
        states.push_back(shown->state);
    }
    return states;
}

cv::Mat PacedCamera::Integrate(Clock::time_point start, Clock::time_point end) {
    // The frame time cut where any projector's light changes; each piece weighs its share.
    struct Piece {
        double weight;
        Key key;
        std::vector<PanelState> states;
    };
    std::vector<Piece> pieces;
    {
        std::lock_guard lock(mutex_);
        std::vector<Clock::time_point> cuts{start, end};
        for (const auto& entries : history_)
            for (const auto& e : entries)
                if (e.from > start && e.from < end) cuts.push_back(e.from);
        std::sort(cuts.begin(), cuts.end());
        const double total = std::chrono::duration<double>(end - start).count();
        for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
            const double part = std::chrono::duration<double>(cuts[i + 1] - cuts[i]).count();
            if (part <= 0) continue;
            const Clock::time_point middle = cuts[i] + (cuts[i + 1] - cuts[i]) / 2;
            Key key = KeyAt(middle);
            if (!pieces.empty() && pieces.back().key == key) {
                pieces.back().weight += part / total;
                continue;
            }
            Piece piece{part / total, key, {}};
            for (std::size_t p = 0; p < history_.size(); ++p)
                for (const auto& e : history_[p])
                    if (e.id == key[p]) piece.states.push_back(e.state);
            pieces.push_back(std::move(piece));
        }
    }
    // Several projectors changing within one frame: the frame is a transition
    // anyway, shown as the picture before and the picture after, so that a frame
    // never costs more than two lights (a large wall changes projector by projector).
    if (pieces.size() > 2) {
        double before = 0;
        for (std::size_t i = 0; i < pieces.size() / 2; ++i) before += pieces[i].weight;
        Piece first = std::move(pieces.front()), last = std::move(pieces.back());
        first.weight = before;
        last.weight = 1.0 - before;
        pieces.clear();
        pieces.push_back(std::move(first));
        pieces.push_back(std::move(last));
    }
    cv::Mat sum;
    for (const Piece& piece : pieces) {
        auto it = lights_.find(piece.key);
        if (it == lights_.end()) {
            // A few recent lights are kept: a settling picture asks for the same one again and again.
            while (lights_.size() >= 6) lights_.erase(lights_.begin());
            it = lights_.emplace(piece.key, light_(piece.states)).first;
        }
        if (pieces.size() == 1) return it->second;
        if (sum.empty())
            sum = it->second * piece.weight;
        else
            cv::scaleAdd(it->second, piece.weight, sum, sum);
    }
    return sum;
}

cv::Mat PacedCamera::Frame(const CameraSettings& settings, bool autoExposure, uint64_t* sequence) {
    std::lock_guard lock(frameMutex_);
    const auto now = Clock::now();
    // Frame k is exposed over [origin + k T, origin + (k + 1) T]; the newest finished one is delivered.
    const int64_t index = std::max<int64_t>((now - origin_) / period_ - 1, 0);
    if (index != frameIndex_ || frame_.empty()) {
        const Clock::time_point start = origin_ + period_ * index;
        cv::Mat light = Integrate(start, start + period_);
        if (autoExposure && autoOffset_ != 0) {
            // Into a new picture: the light may be the cached one.
            cv::Mat brighter;
            light.convertTo(brighter, -1, std::pow(2.0, autoOffset_));
            light = brighter;
        }
        frame_ = expose_(light, settings, static_cast<uint64_t>(index));
        if (autoExposure && !frame_.empty()) {
            // The camera moves its exposure part of the way towards a well-exposed
            // picture with every frame that passed, so it lags behind a change of light.
            const cv::Scalar mean = cv::mean(frame_);
            const double level = std::max((mean[0] + mean[1] + mean[2]) / 3.0, 0.5);
            const int64_t passed = frameIndex_ < 0 ? 1 : std::max<int64_t>(index - frameIndex_, 1);
            const double share = 1.0 - std::pow(1.0 - timing_.autoExposureRate, static_cast<double>(passed));
            autoOffset_ = std::clamp(
                autoOffset_ + share * std::clamp(std::log2(kAutoExposureTarget / level), -3.0, 3.0), -8.0,
                8.0);
        } else if (!autoExposure) {
            autoOffset_ = 0;
        }
        frameIndex_ = index;
    }
    *sequence = static_cast<uint64_t>(frameIndex_) + 1;
    return frame_;
}

}  // namespace wallsim
