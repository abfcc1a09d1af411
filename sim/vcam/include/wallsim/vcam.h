// The virtual camera: the simulated wall's photograph served on a Unix stream
// socket with the request protocol of sim/README.md, and the camera's fourteen
// properties with the ranges, defaults and steps of the supported webcam.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <opencv2/core.hpp>

#include "wallsim/photo.h"

namespace wallsim {

inline constexpr const char* kVirtualCameraName = "HD Pro Webcam C920";

struct VcamProperty {
    std::string name;
    bool supported = false;
    int minimum = 0, maximum = 0, step = 0, defaultValue = 0;
    int flags = 0;  // bit 0 can be automatic, bit 1 can be set by hand
    int value = 0;
    bool automatic = false;
};

// The camera's controls and picture size; safe to use from several threads.
class CameraControls {
  public:
    CameraControls();
    std::vector<VcamProperty> Properties() const;
    // Clamps into the range and stores; false with a reason for an unknown or
    // unsupported property or an automatic mode the property lacks.
    bool Set(const std::string& name, long long value, std::optional<bool> automatic, int* stored,
             std::string* error);
    bool SetSize(int width, int height);
    CameraSettings Settings() const;
    // Whether the exposure is on automatic.
    bool ExposureAutomatic() const;
    static const std::vector<std::pair<int, int>>& Resolutions();

  private:
    mutable std::mutex mutex_;
    std::vector<VcamProperty> props_;
    int width_ = 1920, height_ = 1080;
};

// Renders a photo for the given settings; `frame` numbers successive pictures.
using FrameSource = std::function<cv::Mat(const CameraSettings& settings, uint64_t frame)>;
// A camera that keeps its own pace (PacedCamera): the newest finished frame
// and its number, for the settings and whether exposure is automatic.
using PacedSource =
    std::function<cv::Mat(const CameraSettings& settings, bool autoExposure, uint64_t* sequence)>;

class VcamServer {
  public:
    explicit VcamServer(FrameSource source);
    // Frames of a camera in time instead (before Start): GRAB gives the newest finished one.
    void SetPacedSource(PacedSource source) { paced_ = std::move(source); }
    ~VcamServer();
    VcamServer(const VcamServer&) = delete;
    VcamServer& operator=(const VcamServer&) = delete;

    // Listens on `path` (creating its folder); fails if another server answers there.
    bool Start(const std::string& path, std::string* error);
    void Stop();
    const std::string& path() const { return path_; }
    CameraControls& controls() { return controls_; }

    // $WALLSIM_CAMERA_SOCKET, else $XDG_RUNTIME_DIR/wallsim/camera.sock, else /tmp/wallsim-<uid>/camera.sock.
    static std::string DefaultSocketPath();

    // One request line to its reply (for GRAB also the picture bytes in *payload).
    std::string Handle(const std::string& line, std::string* payload);

  private:
    void AcceptLoop();
    void Serve(int fd);
    cv::Mat CurrentFrame(uint64_t* sequence);

    FrameSource source_;
    PacedSource paced_;
    CameraControls controls_;
    std::string path_;
    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread acceptThread_;
    std::mutex connMutex_;
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Connection> connections_;
    std::vector<int> openFds_;

    std::mutex frameMutex_;
    cv::Mat frame_;
    uint64_t sequence_ = 0;
    std::chrono::steady_clock::time_point frameTime_{};
    CameraSettings frameSettings_{};
};

}  // namespace wallsim
