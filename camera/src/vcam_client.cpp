#include "vcam_client.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "vantis/delays.h"
#include "vantis/log.h"

namespace oculet {
namespace {

constexpr std::size_t kMaxLine = 1 << 20;
constexpr int kMaxSide = 8192;  // beyond any camera; bounds what a header can make us allocate

void SetTimeouts(int fd) {
    const auto timeout = vantis::delays::kVirtualCameraReplyTimeout;
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

}  // namespace

VirtualCameraClient::~VirtualCameraClient() {
    Disconnect();
}

std::string VirtualCameraClient::DefaultSocketPath() {
    if (const char* path = std::getenv("WALLSIM_CAMERA_SOCKET"); path != nullptr && *path != '\0')
        return path;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/wallsim/camera.sock";
    }
    return "/tmp/wallsim-" + std::to_string(::getuid()) + "/camera.sock";
}

bool VirtualCameraClient::Connect(const std::string& socketPath) {
    Disconnect();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        vantis::log::SystemError("oculet", "cannot make a socket for the virtual camera", errno);
        return false;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
        // No socket, or nobody serving it, only means the simulated wall is not running.
        const int error = errno;
        if (error != ENOENT && error != ECONNREFUSED)
            vantis::log::SystemError("oculet", "cannot reach the virtual camera at " + socketPath, error);
        ::close(fd);
        return false;
    }
    SetTimeouts(fd);
    fd_ = fd;
    return true;
}

void VirtualCameraClient::Attach(int fd) {
    Disconnect();
    SetTimeouts(fd);
    fd_ = fd;
}

void VirtualCameraClient::Disconnect() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.clear();
}

void VirtualCameraClient::Shutdown() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

bool VirtualCameraClient::Fail() {
    Disconnect();
    return false;
}

bool VirtualCameraClient::SendLine(std::string_view line) {
    std::string text(line);
    text.push_back('\n');
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool VirtualCameraClient::ReadLine(std::string& line) {
    for (;;) {
        const auto end = buffer_.find('\n');
        if (end != std::string::npos) {
            line.assign(buffer_, 0, end);
            buffer_.erase(0, end + 1);
            return true;
        }
        if (buffer_.size() > kMaxLine) return false;
        char chunk[4096];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

bool VirtualCameraClient::ReadExact(std::uint8_t* destination, std::size_t count) {
    const std::size_t buffered = std::min(count, buffer_.size());
    std::memcpy(destination, buffer_.data(), buffered);
    buffer_.erase(0, buffered);
    std::size_t done = buffered;
    while (done < count) {
        const ssize_t n = ::recv(fd_, destination + done, count - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool VirtualCameraClient::Call(std::string_view request, nlohmann::json& reply) {
    if (fd_ < 0 || !SendLine(request)) return Fail();
    std::string line;
    if (!ReadLine(line)) return Fail();
    reply = nlohmann::json::parse(line, nullptr, false);
    if (reply.is_discarded() || !reply.is_object()) return Fail();
    return true;
}

bool ParseGrabHeader(const nlohmann::json& reply, GrabHeader& header) {
    if (!reply.is_object()) return false;
    const auto width = reply.find("width");
    const auto height = reply.find("height");
    const auto bytes = reply.find("bytes");
    const auto format = reply.find("format");
    if (width == reply.end() || height == reply.end() || bytes == reply.end()) return false;
    if (!width->is_number_integer() || !height->is_number_integer() || !bytes->is_number_integer())
        return false;
    if (format != reply.end() && (!format->is_string() || format->get<std::string>() != "BGR24"))
        return false;
    const auto w = width->get<long long>();
    const auto h = height->get<long long>();
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
    if (bytes->get<long long>() != w * h * 3) return false;
    header.width = static_cast<int>(w);
    header.height = static_cast<int>(h);
    header.bytes = static_cast<std::size_t>(w * h * 3);
    header.sequence = 0;
    if (const auto sequence = reply.find("sequence");
        sequence != reply.end() && sequence->is_number_unsigned()) {
        header.sequence = sequence->get<std::uint64_t>();
    }
    return true;
}

bool VirtualCameraClient::Grab(cv::Mat& picture, std::uint64_t& sequence) {
    nlohmann::json reply;
    if (!Call("GRAB", reply)) return false;
    GrabHeader header;
    if (!ParseGrabHeader(reply, header)) return Fail();
    cv::Mat image(header.height, header.width, CV_8UC3);
    if (!ReadExact(image.data, header.bytes)) return Fail();
    picture = image;
    sequence = header.sequence;
    return true;
}

}  // namespace oculet
