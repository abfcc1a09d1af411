#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <nlohmann/json.hpp>
#include <opencv2/imgproc.hpp>

#include "../../optics/tests/test_scenes.h"
#include "wallsim/show.h"
#include "wallsim/vcam.h"

namespace wallsim {
namespace {

using nlohmann::json;

// The small client of the tests: one connection, one request at a time.
class Client {
  public:
    explicit Client(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof(a.sun_path) - 1);
        ok_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
    }
    ~Client() { ::close(fd_); }
    bool ok() const { return ok_; }
    void SendRaw(const std::string& s) {
        ASSERT_EQ(::send(fd_, s.data(), s.size(), MSG_NOSIGNAL), ssize_t(s.size()));
    }
    std::string Line() {
        std::string line;
        char c;
        while (::recv(fd_, &c, 1, 0) == 1 && c != '\n') line += c;
        return line;
    }
    json Ask(const std::string& request) {
        SendRaw(request + "\n");
        std::string l = Line();
        return l.empty() ? json() : json::parse(l);
    }
    cv::Mat Grab(json* header) {
        *header = Ask("GRAB");
        size_t n = (*header)["bytes"];
        std::string data(n, '\0');
        size_t got = 0;
        while (got < n) {
            ssize_t k = ::recv(fd_, data.data() + got, n - got, 0);
            if (k <= 0) return {};
            got += static_cast<size_t>(k);
        }
        return cv::Mat((*header)["height"], (*header)["width"], CV_8UC3, data.data()).clone();
    }

  private:
    int fd_ = -1;
    bool ok_ = false;
};

std::string SocketPath(const char* name) {
    return ::testing::TempDir() + "wallsim-" + name + "-" + std::to_string(::getpid()) + ".sock";
}

TEST(VirtualCamera, PropertiesClampAndReportTheWebcamsRanges) {
    VcamServer server(nullptr);
    std::string error, path = SocketPath("props");
    ASSERT_TRUE(server.Start(path, &error)) << error;
    Client c(path);
    ASSERT_TRUE(c.ok());
    json info = c.Ask("INFO");
    EXPECT_EQ(info["name"], "HD Pro Webcam C920");
    EXPECT_EQ(info["width"], 1920);
    json props = c.Ask("PROPS")["properties"];
    ASSERT_EQ(props.size(), 14u);
    const char* order[] = {"Pan",  "Tilt",  "Roll",       "Zoom",        "Exposure",
                           "Iris", "Focus", "Brightness", "Contrast",    "Saturation",
                           "Hue",  "Gain",  "Sharpness",  "WhiteBalance"};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(props[i]["name"], order[i]);
    EXPECT_EQ(props[4]["min"], -11);
    EXPECT_EQ(props[4]["max"], -2);
    EXPECT_EQ(props[4]["default"], -5);
    EXPECT_EQ(props[4]["flags"], 3);
    EXPECT_FALSE(props[2]["supported"]);
    EXPECT_FALSE(props[5]["supported"]);
    EXPECT_FALSE(props[10]["supported"]);

    EXPECT_EQ(c.Ask("SET Exposure -20"), json({{"ok", true}, {"value", -11}}));
    EXPECT_EQ(c.Ask("SET Exposure 7 manual"), json({{"ok", true}, {"value", -2}}));
    EXPECT_EQ(c.Ask("SET Gain 999"), json({{"ok", true}, {"value", 255}}));
    EXPECT_EQ(c.Ask("SET exposure -6 auto")["value"], -6);
    EXPECT_EQ(c.Ask("PROPS")["properties"][4]["auto"], true);
    EXPECT_FALSE(c.Ask("SET Gain 10 auto")["ok"]);  // gain cannot be automatic
    EXPECT_FALSE(c.Ask("SET Roll 1")["ok"]);
    EXPECT_FALSE(c.Ask("SET Nothing 1")["ok"]);
    EXPECT_FALSE(c.Ask("SET Gain ten")["ok"]);
    EXPECT_FALSE(c.Ask("SET Gain 99999999999999999999999")["ok"]);
    EXPECT_FALSE(c.Ask("SET Gain")["ok"]);
    EXPECT_EQ(c.Ask("PROPS")["properties"][11]["value"], 255);  // failed sets change nothing
    EXPECT_EQ(c.Ask("SIZE 1280 720"), json({{"ok", true}, {"width", 1280}, {"height", 720}}));
    EXPECT_FALSE(c.Ask("SIZE 1000 1000")["ok"]);
    EXPECT_FALSE(c.Ask("FOCUS")["ok"]);
    // A second client sees the same camera.
    Client d(path);
    EXPECT_EQ(d.Ask("INFO")["width"], 1280);
    // A second server on the same socket is refused while the first lives.
    VcamServer other(nullptr);
    EXPECT_FALSE(other.Start(path, &error));
}

TEST(VirtualCamera, GrabServesThePhotoAndExposureChangesIt) {
    Scene scene = testing::AlignedPair();
    PhotoRenderer renderer(scene);
    PanelRenderer panels;
    std::vector<cv::Mat> images = {panels.Render(ShowState(scene.projectors[0], Show::White)),
                                   panels.Render(ShowState(scene.projectors[1], Show::Grid))};
    VcamServer server(
        [&](const CameraSettings& s, uint64_t frame) { return renderer.Render(images, s, frame); });
    std::string error, path = SocketPath("grab");
    ASSERT_TRUE(server.Start(path, &error)) << error;
    Client c(path);
    json h;
    cv::Mat a = c.Grab(&h);
    ASSERT_EQ(a.size(), cv::Size(1920, 1080));
    EXPECT_EQ(h["format"], "BGR24");
    EXPECT_EQ(h["bytes"], 1920 * 1080 * 3);
    uint64_t first = h["sequence"];
    EXPECT_EQ(a.at<cv::Vec3b>(620, 600)[1], static_cast<int>(std::lround(255 * scene.camera.sensitivity)));
    c.Ask("SET Exposure -7");
    cv::Mat b = c.Grab(&h);
    EXPECT_GT(h["sequence"].get<uint64_t>(), first);
    EXPECT_LT(cv::mean(b)[1], cv::mean(a)[1] / 3);
    c.Ask("SIZE 640 480");
    cv::Mat small = c.Grab(&h);
    EXPECT_EQ(small.size(), cv::Size(640, 480));
    // An over-long request ends the connection; the server keeps serving others.
    Client bad(path);
    bad.SendRaw(std::string(1000, 'A'));
    EXPECT_FALSE(json::parse(bad.Line())["ok"]);
    EXPECT_EQ(bad.Line(), "");
    Client again(path);
    EXPECT_EQ(again.Ask("INFO")["name"], "HD Pro Webcam C920");
    server.Stop();
    EXPECT_FALSE(Client(path).ok());
}

TEST(VirtualCamera, DefaultSocketPathFollowsTheEnvironment) {
    setenv("WALLSIM_CAMERA_SOCKET", "/tmp/x/cam.sock", 1);
    EXPECT_EQ(VcamServer::DefaultSocketPath(), "/tmp/x/cam.sock");
    unsetenv("WALLSIM_CAMERA_SOCKET");
    setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(VcamServer::DefaultSocketPath(), "/run/user/7/wallsim/camera.sock");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(VcamServer::DefaultSocketPath(), "/tmp/wallsim-" + std::to_string(getuid()) + "/camera.sock");
}

}  // namespace
}  // namespace wallsim
