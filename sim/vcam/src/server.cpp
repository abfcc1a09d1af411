#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <nlohmann/json.hpp>

#include "vantis/delays.h"
#include "wallsim/vcam.h"

namespace wallsim {
namespace {

using nlohmann::json;

constexpr size_t kMaxRequest = 256;

bool SendAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        ssize_t k = ::send(fd, data, n, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        data += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

std::string Error(const std::string& why) {
    return json{{"ok", false}, {"error", why}}.dump();
}

bool MakeFolder(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

VcamServer::VcamServer(FrameSource source) : source_(std::move(source)) {}

VcamServer::~VcamServer() {
    Stop();
}

std::string VcamServer::DefaultSocketPath() {
    if (const char* p = std::getenv("WALLSIM_CAMERA_SOCKET"); p && *p) return p;
    if (const char* x = std::getenv("XDG_RUNTIME_DIR"); x && *x)
        return std::string(x) + "/wallsim/camera.sock";
    return "/tmp/wallsim-" + std::to_string(::getuid()) + "/camera.sock";
}

bool VcamServer::Start(const std::string& path, std::string* error) {
    if (listenFd_ >= 0) {
        *error = "already listening on " + path_;
        return false;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
        *error = "socket path too long or empty: " + path;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolder(path.substr(0, slash))) {
        *error = "cannot create the folder of " + path;
        return false;
    }
    // A socket file left by a dead server is removed; a live one is not taken over.
    int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0) {
        if (::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
            ::close(probe);
            *error = "another virtual camera is serving " + path;
            return false;
        }
        ::close(probe);
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(fd, 8) != 0) {
        *error = "cannot listen on " + path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    path_ = path;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void VcamServer::Stop() {
    if (listenFd_ < 0) return;
    char b = 1;
    (void)!::write(wake_[1], &b, 1);
    if (acceptThread_.joinable()) acceptThread_.join();
    {
        std::lock_guard lock(connMutex_);
        for (int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
    }
    for (auto& c : connections_)
        if (c.thread.joinable()) c.thread.join();
    connections_.clear();
    ::close(listenFd_);
    listenFd_ = -1;
    ::close(wake_[0]);
    ::close(wake_[1]);
    wake_[0] = wake_[1] = -1;
    ::unlink(path_.c_str());
}

void VcamServer::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(connMutex_);
        // Join the threads of connections that have ended.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
        openFds_.push_back(fd);
        auto done = std::make_shared<std::atomic<bool>>(false);
        connections_.push_back({std::thread([this, fd, done] {
                                    Serve(fd);
                                    done->store(true);
                                }),
                                done});
    }
}

void VcamServer::Serve(int fd) {
    std::string buffer;
    char chunk[512];
    bool open = true;
    while (open) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents) break;
        ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        buffer.append(chunk, static_cast<size_t>(n));
        for (auto nl = buffer.find('\n'); nl != std::string::npos && open; nl = buffer.find('\n')) {
            std::string line = buffer.substr(0, nl);
            buffer.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string payload;
            std::string reply = Handle(line, &payload) + "\n";
            open = SendAll(fd, reply.data(), reply.size()) && SendAll(fd, payload.data(), payload.size());
        }
        if (buffer.size() > kMaxRequest) {
            std::string reply = Error("request too long") + "\n";
            SendAll(fd, reply.data(), reply.size());
            break;
        }
    }
    std::lock_guard lock(connMutex_);
    std::erase(openFds_, fd);
    ::close(fd);
}

cv::Mat VcamServer::CurrentFrame(uint64_t* sequence) {
    std::lock_guard lock(frameMutex_);
    CameraSettings s = controls_.Settings();
    if (paced_) {
        cv::Mat f = paced_(s, controls_.ExposureAutomatic(), sequence);
        if (f.empty() || f.type() != CV_8UC3 || f.cols != s.width || f.rows != s.height)
            f = cv::Mat(s.height, s.width, CV_8UC3, cv::Scalar::all(0));
        return f;
    }
    auto now = std::chrono::steady_clock::now();
    bool same = s.exposure == frameSettings_.exposure && s.gain == frameSettings_.gain &&
                s.brightness == frameSettings_.brightness && s.contrast == frameSettings_.contrast &&
                s.saturation == frameSettings_.saturation && s.width == frameSettings_.width &&
                s.height == frameSettings_.height;
    // A new picture about ten times a second, and at once after a setting changed.
    if (frame_.empty() || !same ||
        now - frameTime_ >= vantis::delays::Scaled(vantis::delays::kSimCameraFrameInterval)) {
        cv::Mat f = source_ ? source_(s, sequence_ + 1) : cv::Mat();
        if (f.empty() || f.type() != CV_8UC3 || f.cols != s.width || f.rows != s.height)
            f = cv::Mat(s.height, s.width, CV_8UC3, cv::Scalar::all(0));
        frame_ = f;
        ++sequence_;
        frameTime_ = now;
        frameSettings_ = s;
    }
    *sequence = sequence_;
    return frame_;
}

std::string VcamServer::Handle(const std::string& line, std::string* payload) {
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    if (cmd == "INFO") {
        json res = json::array();
        for (const auto& r : CameraControls::Resolutions()) res.push_back({r.first, r.second});
        CameraSettings s = controls_.Settings();
        return json{
            {"name", kVirtualCameraName}, {"width", s.width}, {"height", s.height}, {"resolutions", res}}
            .dump();
    }
    if (cmd == "PROPS") {
        json list = json::array();
        for (const auto& p : controls_.Properties())
            list.push_back({{"name", p.name},
                            {"supported", p.supported},
                            {"min", p.minimum},
                            {"max", p.maximum},
                            {"step", p.step},
                            {"default", p.defaultValue},
                            {"flags", p.flags},
                            {"value", p.value},
                            {"auto", p.automatic}});
        return json{{"properties", list}}.dump();
    }
    if (cmd == "SET") {
        std::string name, valueText, mode, extra;
        in >> name >> valueText >> mode >> extra;
        if (name.empty() || valueText.empty() || !extra.empty())
            return Error("usage: SET <name> <value> [auto|manual]");
        char* end = nullptr;
        errno = 0;
        long long v = std::strtoll(valueText.c_str(), &end, 10);
        if (*end != '\0' || errno == ERANGE) return Error("value is not an integer: " + valueText);
        std::optional<bool> automatic;
        if (mode == "auto")
            automatic = true;
        else if (mode == "manual")
            automatic = false;
        else if (!mode.empty())
            return Error("mode must be auto or manual: " + mode);
        int stored = 0;
        std::string why;
        if (!controls_.Set(name, v, automatic, &stored, &why)) return Error(why);
        return json{{"ok", true}, {"value", stored}}.dump();
    }
    if (cmd == "SIZE") {
        long w = 0, h = 0;
        std::string extra;
        if (!(in >> w >> h) || (in >> extra)) return Error("usage: SIZE <width> <height>");
        if (!controls_.SetSize(static_cast<int>(w), static_cast<int>(h)))
            return Error("resolution " + std::to_string(w) + " x " + std::to_string(h) + " is not offered");
        return json{{"ok", true}, {"width", w}, {"height", h}}.dump();
    }
    if (cmd == "GRAB") {
        uint64_t seq = 0;
        cv::Mat f = CurrentFrame(&seq);
        cv::Mat c = f.isContinuous() ? f : f.clone();
        payload->assign(reinterpret_cast<const char*>(c.data), c.total() * c.elemSize());
        return json{{"width", c.cols},
                    {"height", c.rows},
                    {"format", "BGR24"},
                    {"bytes", payload->size()},
                    {"sequence", seq}}
            .dump();
    }
    return Error(cmd.empty() ? "empty request" : "unknown request " + cmd);
}

}  // namespace wallsim
