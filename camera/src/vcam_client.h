// Client of the simulated wall's virtual camera: line requests, JSON replies, raw pictures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "oculet/Frame.h"

namespace oculet {

class VirtualCameraClient {
  public:
    VirtualCameraClient() = default;
    ~VirtualCameraClient();
    VirtualCameraClient(const VirtualCameraClient&) = delete;
    VirtualCameraClient& operator=(const VirtualCameraClient&) = delete;

    // $WALLSIM_CAMERA_SOCKET, else $XDG_RUNTIME_DIR/wallsim/camera.sock, else /tmp/wallsim-<uid>/camera.sock.
    static std::string DefaultSocketPath();

    bool Connect(const std::string& socketPath);
    // Takes over a connected stream socket (a socket pair in tests and the fuzz target).
    void Attach(int fd);
    bool IsConnected() const { return fd_ >= 0; }
    void Disconnect();
    // Makes a request blocked on another thread fail at once; the connection is unusable after it.
    void Shutdown();

    // Sends one request line and reads the JSON reply line. False on a socket error, a time-out
    // or a reply that is not a JSON object; the connection is dropped then.
    bool Call(std::string_view request, nlohmann::json& reply);
    // GRAB: the picture (top-down BGR) and the server's frame sequence number (0 if it gives none).
    bool Grab(cv::Mat& picture, std::uint64_t& sequence);

  private:
    bool SendLine(std::string_view line);
    bool ReadLine(std::string& line);
    bool ReadExact(std::uint8_t* destination, std::size_t count);
    bool Fail();

    int fd_ = -1;
    std::string buffer_;  // bytes received beyond the last line read
};

// Picture header of a GRAB reply, checked against what the protocol allows.
struct GrabHeader {
    int width = 0;
    int height = 0;
    std::size_t bytes = 0;
    std::uint64_t sequence = 0;
};
bool ParseGrabHeader(const nlohmann::json& reply, GrabHeader& header);

}  // namespace oculet
