// The simulated wall's virtual camera server, run inside a test on a socket of the test's own.
// Without the simulator in the build the in-test fake stands in for it.
#pragma once

#include <memory>
#include <string>

#include <opencv2/core.hpp>

namespace oculet::testing {

struct ServedProperty {
    bool supported = false;
    int value = 0;
    bool automatic = false;
};

class VirtualCameraServer {
  public:
    explicit VirtualCameraServer(std::string socketPath);
    ~VirtualCameraServer();
    bool Start();
    // The camera goes away: socket and connections close.
    void Stop();
    ServedProperty Property(const std::string& name) const;
    // The picture served at a size: a pattern whose rows and columns all differ.
    static cv::Mat Picture(cv::Size size);
    // Whether this is the simulator's own server.
    static bool IsSimulator();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace oculet::testing
