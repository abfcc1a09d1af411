#include "virtual_camera_server.h"

#include <mutex>

#include "fake_camera_server.h"

#ifdef OCULET_TEST_WITH_WALLSIM
#include "wallsim/vcam.h"
#endif

namespace oculet::testing {

cv::Mat VirtualCameraServer::Picture(cv::Size size) {
    static std::mutex mutex;
    static cv::Mat cached;
    std::lock_guard lock(mutex);
    if (cached.size() != size) cached = FakeCameraServer::PatternPicture(size);
    return cached;
}

#ifdef OCULET_TEST_WITH_WALLSIM

struct VirtualCameraServer::Impl {
    std::string path;
    wallsim::VcamServer server{[](const wallsim::CameraSettings& settings, std::uint64_t) {
        return Picture({settings.width, settings.height}).clone();
    }};
};

bool VirtualCameraServer::IsSimulator() {
    return true;
}

VirtualCameraServer::VirtualCameraServer(std::string socketPath) : impl_(std::make_unique<Impl>()) {
    impl_->path = std::move(socketPath);
}

bool VirtualCameraServer::Start() {
    std::string error;
    return impl_->server.Start(impl_->path, &error);
}

void VirtualCameraServer::Stop() {
    impl_->server.Stop();
}

ServedProperty VirtualCameraServer::Property(const std::string& name) const {
    for (const auto& p : impl_->server.controls().Properties()) {
        if (p.name == name) return {p.supported, p.value, p.automatic};
    }
    return {};
}

#else

struct VirtualCameraServer::Impl {
    explicit Impl(std::string path) : server(std::move(path)) {}
    FakeCameraServer server;
};

bool VirtualCameraServer::IsSimulator() {
    return false;
}

VirtualCameraServer::VirtualCameraServer(std::string socketPath)
    : impl_(std::make_unique<Impl>(std::move(socketPath))) {
    impl_->server.SetResolutions({{1920, 1080}, {1280, 720}, {640, 480}});
}

bool VirtualCameraServer::Start() {
    return impl_->server.Start();
}

void VirtualCameraServer::Stop() {
    impl_->server.Stop();
}

ServedProperty VirtualCameraServer::Property(const std::string& name) const {
    const auto p = impl_->server.Property(name);
    return {p.supported, p.value, p.automatic};
}

#endif

VirtualCameraServer::~VirtualCameraServer() {
    Stop();
}

}  // namespace oculet::testing
