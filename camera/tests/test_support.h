// Helpers shared by the camera library's tests: a temporary directory per test, the virtual
// camera served from it, and the index of that camera in the device list.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "fake_camera_server.h"
#include "oculet/CDShowCamera.h"
#include "vantis/testing/temp_home.h"
#include "virtual_camera_server.h"

namespace oculet::testing {

using vantis::testing::TempDir;

// Index of the virtual camera: it comes after the V4L2 devices; -1 if it is not listed.
inline int VirtualCameraIndex() {
    const int count = CDShowCamera::GetCount();
    return count > 0 ? count - 1 : -1;
}

// A fixture serving a camera on a socket of its own (WALLSIM_CAMERA_SOCKET) in the test's
// temporary directory. Server is the simulator's virtual camera server (VirtualCameraServer),
// or the configurable fake for cases the simulator's fixed camera cannot show.
template <typename Server>
class ServedCameraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        socketPath_ = (dir_.path() / "camera.sock").string();
        ::setenv("WALLSIM_CAMERA_SOCKET", socketPath_.c_str(), 1);
        server_ = std::make_unique<Server>(socketPath_);
    }
    void TearDown() override {
        server_.reset();
        ::unsetenv("WALLSIM_CAMERA_SOCKET");
    }
    void StartServer() { ASSERT_TRUE(server_->Start()); }

    TempDir dir_;
    std::string socketPath_;
    std::unique_ptr<Server> server_;
};

using VirtualCameraTest = ServedCameraTest<VirtualCameraServer>;
using FakeCameraTest = ServedCameraTest<FakeCameraServer>;

}  // namespace oculet::testing
