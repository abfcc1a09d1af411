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

int OculetCamera::Count() { return CDShowCamera::GetCount(); }

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
