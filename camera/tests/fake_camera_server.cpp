#include "fake_camera_server.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include <nlohmann/json.hpp>

namespace oculet::testing {
namespace {

// The webcam's table as the simulator has it.
std::vector<FakeProperty> C920Properties() {
    // name, supported, min, max, step, default, flags, value, auto
    return {
        {"Pan", true, -10, 10, 1, 0, 2, 0, false},
        {"Tilt", true, -10, 10, 1, 0, 2, 0, false},
        {"Roll", false, 0, 0, 0, 0, 0, 0, false},
        {"Zoom", true, 100, 500, 1, 100, 2, 100, false},
        {"Exposure", true, -11, -2, 1, -5, 3, -5, false},
        {"Iris", false, 0, 0, 0, 0, 0, 0, false},
        {"Focus", true, 0, 250, 5, 0, 3, 0, true},
        {"Brightness", true, 0, 255, 1, 128, 2, 128, false},
        {"Contrast", true, 0, 255, 1, 128, 2, 128, false},
        {"Saturation", true, 0, 255, 1, 128, 2, 128, false},
        {"Hue", false, 0, 0, 0, 0, 0, 0, false},
        {"Gain", true, 0, 255, 1, 0, 2, 0, false},
        {"Sharpness", true, 0, 255, 1, 128, 2, 128, false},
        {"WhiteBalance", true, 2000, 6500, 10, 4000, 3, 4000, true},
    };
}

bool SendAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

FakeCameraServer::FakeCameraServer(std::string socketPath)
    : socketPath_(std::move(socketPath)),
      properties_(C920Properties()),
      resolutions_{{320, 240}, {160, 120}, {160, 120}},
      size_(320, 240),
      started_(std::chrono::steady_clock::now()) {}

FakeCameraServer::~FakeCameraServer() {
    Stop();
}

bool FakeCameraServer::Start() {
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (listenFd_ < 0 || socketPath_.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, socketPath_.data(), socketPath_.size());
    ::unlink(socketPath_.c_str());
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 ||
        ::listen(listenFd_, 8) < 0) {
        return false;
    }
    acceptThread_ = std::thread(&FakeCameraServer::AcceptLoop, this);
    return true;
}

void FakeCameraServer::Stop() {
    if (stopping_.exchange(true)) return;
    if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptThread_.joinable()) acceptThread_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    ::unlink(socketPath_.c_str());
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        for (int fd : connectionFds_) ::shutdown(fd, SHUT_RDWR);
        connections.swap(connections_);
    }
    for (auto& thread : connections) thread.join();
}

void FakeCameraServer::AcceptLoop() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        std::lock_guard lock(mutex_);
        if (stopping_.load()) {
            ::close(fd);
            return;
        }
        connectionFds_.push_back(fd);
        connections_.emplace_back(&FakeCameraServer::Serve, this, fd);
    }
}

void FakeCameraServer::Serve(int fd) {
    std::string buffer;
    char chunk[1024];
    for (;;) {
        const auto end = buffer.find('\n');
        if (end == std::string::npos) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            buffer.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        const std::string request = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        bool sendPicture = false;
        const std::string reply = Reply(request, sendPicture) + "\n";
        if (!SendAll(fd, reply.data(), reply.size())) break;
        if (sendPicture) {
            const cv::Mat picture = CurrentPicture();
            if (!SendAll(fd, picture.data, picture.total() * picture.elemSize())) break;
        }
    }
    std::lock_guard lock(mutex_);
    connectionFds_.erase(std::remove(connectionFds_.begin(), connectionFds_.end(), fd), connectionFds_.end());
    ::close(fd);
}

std::string FakeCameraServer::Reply(const std::string& request, bool& sendPicture) {
    std::istringstream words(request);
    std::string command;
    words >> command;
    std::lock_guard lock(mutex_);
    nlohmann::json reply;
    if (command == "INFO") {
        reply = {{"name", "HD Pro Webcam C920"}, {"width", size_.width}, {"height", size_.height}};
        reply["resolutions"] = nlohmann::json::array();
        for (const auto& size : resolutions_) reply["resolutions"].push_back({size.width, size.height});
    } else if (command == "PROPS") {
        reply["properties"] = nlohmann::json::array();
        for (const auto& p : properties_) {
            nlohmann::json entry = {{"name", p.name}, {"supported", p.supported}};
            if (p.supported) {
                entry.update({{"min", p.minimum},
                              {"max", p.maximum},
                              {"step", p.step},
                              {"default", p.defaultValue},
                              {"flags", p.flags},
                              {"value", p.value},
                              {"auto", p.automatic}});
            }
            reply["properties"].push_back(entry);
        }
    } else if (command == "SET") {
        setRequests_.push_back(request);
        std::string name, mode;
        int value = 0;
        words >> name >> value >> mode;
        const auto it = std::find_if(properties_.begin(), properties_.end(),
                                     [&](const auto& p) { return p.name == name; });
        if (it == properties_.end() || !it->supported || words.fail()) {
            reply = {{"ok", false}, {"error", "unknown or unsupported property"}};
        } else {
            it->value = std::clamp(value, it->minimum, it->maximum);
            it->automatic = mode == "auto";
            reply = {{"ok", true}, {"value", it->value}};
        }
    } else if (command == "SIZE") {
        int width = 0, height = 0;
        words >> width >> height;
        if (std::find(resolutions_.begin(), resolutions_.end(), cv::Size(width, height)) !=
            resolutions_.end()) {
            size_ = {width, height};
            reply = {{"ok", true}, {"width", width}, {"height", height}};
        } else {
            reply = {{"ok", false}, {"error", "size not offered"}};
        }
    } else if (command == "GRAB") {
        // A new picture every 20 ms, like a camera at 50 frames per second.
        const auto elapsed = std::chrono::steady_clock::now() - started_;
        const auto sequence = 1 + std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 20;
        reply = {{"width", size_.width},
                 {"height", size_.height},
                 {"format", "BGR24"},
                 {"bytes", size_.width * size_.height * 3},
                 {"sequence", sequence}};
        sendPicture = true;
    } else {
        reply = {{"ok", false}, {"error", "unknown request"}};
    }
    return reply.dump();
}

void FakeCameraServer::SetSupported(const std::string& name, bool supported) {
    std::lock_guard lock(mutex_);
    for (auto& p : properties_) {
        if (p.name == name) p.supported = supported;
    }
}

void FakeCameraServer::SetFlags(const std::string& name, int flags) {
    std::lock_guard lock(mutex_);
    for (auto& p : properties_) {
        if (p.name == name) {
            p.flags = flags;
            if ((flags & 1) == 0) p.automatic = false;
        }
    }
}

FakeProperty FakeCameraServer::Property(const std::string& name) const {
    std::lock_guard lock(mutex_);
    for (const auto& p : properties_) {
        if (p.name == name) return p;
    }
    return {};
}

void FakeCameraServer::SetResolutions(std::vector<cv::Size> sizes) {
    std::lock_guard lock(mutex_);
    resolutions_ = std::move(sizes);
    if (!resolutions_.empty()) size_ = resolutions_.front();
}

std::vector<std::string> FakeCameraServer::SetRequests() const {
    std::lock_guard lock(mutex_);
    return setRequests_;
}

cv::Mat FakeCameraServer::PatternPicture(cv::Size size) {
    // Rows and columns both vary, so a flipped or shifted picture never matches.
    cv::Mat picture(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            picture.at<cv::Vec3b>(y, x) = {static_cast<uchar>(x * 7), static_cast<uchar>(y * 3),
                                           static_cast<uchar>((x + y) / 2)};
        }
    }
    return picture;
}

cv::Mat FakeCameraServer::CurrentPicture() const {
    std::lock_guard lock(mutex_);
    if (picture_.size() != size_) picture_ = PatternPicture(size_);
    return picture_;
}

}  // namespace oculet::testing
