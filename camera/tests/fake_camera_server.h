// A small in-test server speaking the virtual camera protocol of sim/README.md, with C920-like
// properties that a test can change: unsupported properties, no automatic focus, a fixed list
// of sizes, a loss of the device.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <opencv2/core.hpp>

namespace oculet::testing {

struct FakeProperty {
    std::string name;
    bool supported = true;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int defaultValue = 0;
    int flags = 2;
    int value = 0;
    bool automatic = false;
};

class FakeCameraServer {
  public:
    explicit FakeCameraServer(std::string socketPath);
    ~FakeCameraServer();

    bool Start();
    // Closes the socket and every connection: the camera is gone.
    void Stop();

    void SetSupported(const std::string& name, bool supported);
    void SetFlags(const std::string& name, int flags);
    FakeProperty Property(const std::string& name) const;
    // Sizes offered (320 x 240, 160 x 120 twice by default); the first is the current size.
    void SetResolutions(std::vector<cv::Size> sizes);
    // Every SET request received so far, as sent.
    std::vector<std::string> SetRequests() const;
    // The picture GRAB serves is a known pattern of the current size, numbered by sequence.
    cv::Mat CurrentPicture() const;
    static cv::Mat PatternPicture(cv::Size size);

  private:
    void AcceptLoop();
    void Serve(int fd);
    std::string Reply(const std::string& request, bool& sendPicture);

    std::string socketPath_;
    int listenFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<int> connectionFds_;
    std::vector<FakeProperty> properties_;
    std::vector<cv::Size> resolutions_;
    cv::Size size_;
    std::vector<std::string> setRequests_;
    std::chrono::steady_clock::time_point started_;
    mutable cv::Mat picture_;
};

}  // namespace oculet::testing
