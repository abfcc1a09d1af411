#include "calibration/oculet_camera.h"

#include <chrono>

#include "vantis/delays.h"

namespace vantis::calibration {

bool OculetCamera::WaitForFreshFrames() {
    if (!graph_.IsOpened()) return false;
    const auto latest = graph_.LatestFrame();
    const std::uint64_t start = latest ? latest->sequence : 0;
    const auto deadline = std::chrono::steady_clock::now() + vantis::delays::kPhotoFreshFrameTimeout;
    for (;;) {
        const auto now = graph_.LatestFrame();
        if (now && now->sequence >= start + 2) return true;
        if (!graph_.IsOpened() || std::chrono::steady_clock::now() >= deadline) return false;
        vantis::delays::Sleep(vantis::delays::kCameraFramePoll);
    }
}

int OculetCamera::TakePhoto(int number) {
    WaitForFreshFrames();
    return graph_.TakePhoto(number);
}

bool OculetCamera::Watch(oculet::SettleWatch& watch, std::chrono::milliseconds ceiling,
                         std::shared_ptr<const oculet::Frame>* last) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + ceiling;
    const auto marked = marked_;
    marked_.reset();
    // Frames count from the mark on; without a mark, from this call on.
    std::uint64_t seen = 0;
    if (const auto latest = graph_.LatestFrame(); latest)
        seen = marked && latest->sequence >= marked->sequence ? marked->sequence : latest->sequence;
    for (;;) {
        // A camera that delivers nothing for this long is gone; the ceiling does not wait for it.
        const auto frame = graph_.WaitForFrameAfter(seen, vantis::delays::kPhotoFreshFrameTimeout);
        if (!frame) return false;
        seen = frame->sequence;
        *last = frame;
        if (watch.Add(frame->image) == oculet::SettleWatch::State::Settled) return true;
        // Past the ceiling: give up, once enough frames were seen (and, when the
        // picture changed, enough frames since the change to have settled).
        const bool enough = watch.state() == oculet::SettleWatch::State::Unchanged
                                ? watch.frames() >= kMinimumWatchedFrames
                                : watch.framesSinceChange() >= kMinimumWatchedFrames;
        if (Clock::now() >= deadline && enough) return true;
    }
}

void OculetCamera::MarkPicture() {
    marked_ = graph_.LatestFrame();
    if (!marked_) marked_ = graph_.WaitForFrameAfter(0, vantis::delays::kPhotoFreshFrameTimeout);
}

PhotoResult OculetCamera::TakeSettledPhoto(int number, std::chrono::milliseconds ceiling) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    oculet::SettleWatch watch(marked_ ? marked_->image : cv::Mat(), rule_);
    std::shared_ptr<const oculet::Frame> last;
    const bool delivering = Watch(watch, ceiling, &last);
    lastSettle_.frames = watch.frames();
    lastSettle_.waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    lastSettle_.changed = watch.state() != oculet::SettleWatch::State::Unchanged;
    lastSettle_.noise = watch.noise();
    // A camera that stopped delivering frames is gone, whatever its last frames showed:
    // no photo, which the callers report as a camera that cannot capture.
    if (!delivering) {
        graph_.SavePhoto(oculet::Frame{}, number);
        return PhotoResult::NotSaved;
    }
    // Settled; or, at the ceiling, a picture that holds still but never changed:
    // what a fixed wait would have photographed.
    if (last && (watch.state() == oculet::SettleWatch::State::Settled || watch.Still()))
        return graph_.SavePhoto(*last, number) == 1 ? PhotoResult::Saved : PhotoResult::NotSaved;
    graph_.SavePhoto(oculet::Frame{}, number);  // the path of the photo that was not taken
    return last ? PhotoResult::NeverSettled : PhotoResult::NotSaved;
}

bool OculetCamera::WaitForStillPicture(std::chrono::milliseconds ceiling) {
    marked_.reset();
    oculet::SettleWatch watch(cv::Mat(), rule_);  // any picture counts: only stillness matters
    std::shared_ptr<const oculet::Frame> last;
    return Watch(watch, ceiling, &last) && last && watch.Still();
}

int OculetCamera::Count() {
    return CDShowCamera::GetCount();
}

std::wstring OculetCamera::Name(int index) {
    std::wstring name;
    if (!CDShowCamera::GetName(index, &name)) return {};
    return name;
}

bool OculetCamera::Open(int index, const CameraSetup& setup) {
    graph_.Stop();
    graph_.Close();
    if (graph_.Open(index, setup.width, setup.height) != 1) return false;
    graph_.Run();
    graph_.GetProperty();
    return true;
}

void OculetCamera::TakeConfig(const CDShowCameraData& stored) {
    graph_.GetCameraConfig(stored);
    graph_.SetAll();
}

}  // namespace vantis::calibration
