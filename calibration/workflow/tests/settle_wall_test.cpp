// Settled photographs on the simulated wall, whose projectors answer a command
// only after their latency and whose camera frames integrate the light over
// their frame time: a photograph taken at once shows the picture from before,
// a settled one the commanded picture even when the latency outlasts the
// pattern's fixed wait; a picture that keeps changing is never photographed.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "calibration/capture.h"
#include "calibration/oculet_camera.h"
#include "dvOrvelAuto.h"
#include "test_support.h"
#include "test_wall.h"
#include "vantis/delays.h"
#include "virtual_camera.h"

namespace vantis::calibration {
namespace {

using testing::OpenVirtualCamera;
using testing::TempFolder;
using testing::TestWall;

// Restores the test program's delay scale when the test ends.
struct DelayScale {
    explicit DelayScale(double scale) : saved(vantis::delays::DelayScale()) {
        vantis::delays::SetDelayScale(scale);
    }
    ~DelayScale() { vantis::delays::SetDelayScale(saved); }
    double saved;
};

double MeanIn(const std::string& path, const cv::Rect& area) {
    const cv::Mat photo = cv::imread(path, cv::IMREAD_GRAYSCALE);
    if (photo.empty()) return -1;
    return cv::mean(photo(area & cv::Rect(0, 0, photo.cols, photo.rows)))[0];
}

TEST(SettledPhoto, TooEarlyIsWrongSettledIsRightBeyondTheFixedWait) {
    // A tenth of the real delays: the pattern's fixed wait is 300 ms, the
    // projectors take 350 ms from command to light.
    DelayScale scale(0.1);
    TempFolder home("settle-wall");
    TestWall wall("stacked-2x1080.json", 186, home.path().string(), [](wallsim::Scene& s) {
        s.timing.latency = 3500;
        s.timing.jitter = 0;
    });
    ASSERT_TRUE(wall.ok()) << wall.error();
    ::setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1);
    const LinkHandle first = dvOrvelAutoOpen(wall.board(0).address_value());
    const LinkHandle second = dvOrvelAutoOpen(wall.board(1).address_value());
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);

    CDShowGridOverlay graph;
    OculetCamera camera(graph);
    ASSERT_GE(OpenVirtualCamera(camera), 0);
    camera.SetFilePrefixName("Vendor");
    std::filesystem::create_directories(camera.GetImagePath());
    const cv::Rect area = wall.wall().renderer().Footprint(0);

    camera.MarkPicture();
    dvOrvelAutoImageBlank(first);
    dvOrvelAutoImageBlank(second);
    ASSERT_EQ(camera.TakeSettledPhoto(0, SettleCeiling()), PhotoResult::Saved);
    const double black = MeanIn(camera.LastPhotoPath(), area);

    camera.MarkPicture();
    const auto commanded = std::chrono::steady_clock::now();
    dvOrvelAutoImageUnBlank(first);
    dvOrvelAutoDisplaySolidColor(first, 0xFFFFFF);
    const std::string early = camera.GetImagePath() + "/early.bmp";
    ASSERT_EQ(graph.SaveCurrentPicture(early), 1);
    ASSERT_EQ(camera.TakeSettledPhoto(1, SettleCeiling()), PhotoResult::Saved);
    const auto waited = std::chrono::steady_clock::now() - commanded;
    const double white = MeanIn(camera.LastPhotoPath(), area);
    const double tooEarly = MeanIn(early, area);

    // What the camera sees of projector 0's white with these settings, exposed at leisure.
    const cv::Mat reference =
        wall.wall().Photo(wallsim::Show::White, 0, wall.camera().controls().Settings(), 7);
    cv::Mat referenceGrey;
    cv::cvtColor(reference, referenceGrey, cv::COLOR_BGR2GRAY);
    const double expected = cv::mean(referenceGrey(area))[0];
    std::printf("black %.1f, photo at once %.1f, settled %.1f (expected %.1f) after %lld ms, %d frames\n",
                black, tooEarly, white, expected,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()),
                camera.LastSettle().frames);

    EXPECT_NEAR(tooEarly, black, 2.0) << "the photograph at once must still show the blanked wall";
    EXPECT_GT(white, black + 40);
    EXPECT_NEAR(white, expected, 2.0) << "the settled photograph must show the finished white, not a mix";
    EXPECT_GE(waited, std::chrono::milliseconds(340));  // it waited out the latency...
    EXPECT_GT(waited, vantis::delays::Scaled(vantis::delays::kPatternSettle));  // ...beyond the fixed wait
    graph.Close();
    dvOrvelAutoDisconnect(first);
    dvOrvelAutoDisconnect(second);
}

// A wall lit by something that flickers (every frame another level), seen by
// the virtual camera, opened with its image folder ready.
class FlickeringWall : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        const std::string socket = (home_.path() / "camera.sock").string();
        ASSERT_TRUE(server_.Start(socket, &error)) << error;
        ::setenv("WALLSIM_CAMERA_SOCKET", socket.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home_.path() / "data").c_str(), 1);
        ASSERT_GE(OpenVirtualCamera(camera_), 0);
        camera_.SetFilePrefixName("Vendor");
        std::filesystem::create_directories(camera_.GetImagePath());
    }
    void TearDown() override {
        graph_.Close();
        server_.Stop();
    }

    TempFolder home_{"flicker"};
    wallsim::VcamServer server_{[](const wallsim::CameraSettings& s, std::uint64_t frame) {
        return cv::Mat(s.height, s.width, CV_8UC3,
                       cv::Scalar::all(static_cast<double>(40 + (frame * 37) % 160)));
    }};
    CDShowGridOverlay graph_;
    OculetCamera camera_{graph_};
};

TEST_F(FlickeringWall, PictureThatKeepsChangingIsNotPhotographed) {
    camera_.MarkPicture();
    EXPECT_EQ(camera_.TakeSettledPhoto(5, std::chrono::milliseconds(1)), PhotoResult::NeverSettled);
    EXPECT_GE(camera_.LastSettle().frames, OculetCamera::kMinimumWatchedFrames);
    EXPECT_NE(camera_.LastPhotoPath().find("CameraImage005.bmp"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(camera_.LastPhotoPath()));  // nothing saved
}

TEST_F(FlickeringWall, CameraGoneWhileWatchingIsNoPictureInMotion) {
    // The picture has not settled when the camera goes away (unplugged): that
    // must be told as a camera that cannot capture (no photo), not as a picture
    // that kept changing.
    camera_.MarkPicture();
    std::thread unplug([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        server_.Stop();
    });
    const auto start = std::chrono::steady_clock::now();
    const PhotoResult result = camera_.TakeSettledPhoto(6, std::chrono::seconds(30));
    const auto waited = std::chrono::steady_clock::now() - start;
    unplug.join();
    EXPECT_EQ(result, PhotoResult::NotSaved);
    EXPECT_GT(camera_.LastSettle().frames, 0);  // it did watch frames before the camera went
    EXPECT_LT(waited, std::chrono::seconds(10)) << "a camera that is gone is not waited for to the ceiling";
    EXPECT_FALSE(std::filesystem::exists(camera_.LastPhotoPath()));
    // Nor does a camera that is gone count as one whose picture holds still.
    EXPECT_FALSE(camera_.WaitForStillPicture(std::chrono::seconds(30)));
}

}  // namespace
}  // namespace vantis::calibration
