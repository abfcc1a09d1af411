// The capture pipeline and photos, over the virtual camera and over sources made here.
#include <chrono>
#include <fstream>
#include <thread>

#include <opencv2/imgcodecs.hpp>

#include "grid_plugin.h"
#include "oculet/CDShowGridOverlay.h"
#include "test_sources.h"
#include "test_support.h"

namespace oculet::testing {
namespace {

bool SameImage(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

template <typename Predicate>
bool WaitUntil(Predicate predicate) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class CaptureTest : public VirtualCameraTest {
  protected:
    void SetUp() override {
        VirtualCameraTest::SetUp();
        ::setenv("XDG_DATA_HOME", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        graph_.Close();
        ::unsetenv("XDG_DATA_HOME");
        VirtualCameraTest::TearDown();
    }
    CDShowGridOverlay graph_;
};

TEST_F(CaptureTest, PhotosAreNamedByNumberInTheImageFolderAndShowTheCameraPicture) {
    StartServer();
    graph_.SetFilePrefixName("X");
    const auto folder = dir_.path() / "X" / "ImageData";
    EXPECT_EQ(graph_.GetImagePath(), folder.string());
    std::filesystem::create_directories(folder);

    ASSERT_EQ(graph_.Open(VirtualCameraIndex(), 640, 480), 1);
    graph_.Run();
    ASSERT_EQ(graph_.TakePhoto(7), 1);
    EXPECT_EQ(graph_.GetLastPhotoPath(), (folder / "CameraImage007.bmp").string());
    ASSERT_EQ(graph_.TakePhoto(1234), 1);
    EXPECT_EQ(graph_.GetLastPhotoPath(), (folder / "CameraImage1234.bmp").string());

    const cv::Mat photo = cv::imread((folder / "CameraImage007.bmp").string(), cv::IMREAD_UNCHANGED);
    EXPECT_TRUE(SameImage(photo, VirtualCameraServer::Picture({640, 480})))
        << "the plug-in is bypassed until the view control switches it on";
    EXPECT_TRUE(std::filesystem::exists(folder / "CameraImage1234.bmp"));
}

TEST_F(CaptureTest, OpenAsksForTheSizeAndTheGraphRunsOnlyAfterRun) {
    StartServer();
    ASSERT_EQ(graph_.Open(VirtualCameraIndex(), 800, 600), 1);
    EXPECT_EQ(graph_.FrameSize(), (CSize{1920, 1080}))
        << "800 x 600 is not offered: the camera keeps its size";
    ASSERT_EQ(graph_.Open(VirtualCameraIndex(), 640, 480), 1);
    EXPECT_EQ(graph_.FrameSize(), (CSize{640, 480}));
    EXPECT_EQ(graph_.IsOpened(), 0);
    EXPECT_EQ(graph_.LatestFrame(), nullptr);
    graph_.Run();
    EXPECT_EQ(graph_.IsOpened(), 1);
    ASSERT_TRUE(WaitUntil([&] { return graph_.LatestFrame() != nullptr; }));
    graph_.Stop();
    EXPECT_EQ(graph_.IsOpened(), 0);
    graph_.Run();
    EXPECT_EQ(graph_.IsOpened(), 1) << "a stopped graph runs again";
    graph_.Close();
    EXPECT_EQ(graph_.IsOpened(), 0);
    EXPECT_EQ(graph_.Open(VirtualCameraIndex() + 1, 640, 480), 0);
}

TEST_F(CaptureTest, ListResolutionAppendsEveryOfferedSizeAsOftenAsListed) {
    StartServer();
    ASSERT_EQ(graph_.Open(VirtualCameraIndex(), 640, 480), 1);
    std::vector<CSize> sizes = {{1, 1}};
    graph_.ListResolution(sizes, CDShowGridOverlay::MEDIASUBTYPE_RGB24);
    EXPECT_EQ(sizes, (std::vector<CSize>{{1, 1}, {1920, 1080}, {1280, 720}, {640, 480}}));
    graph_.ListResolution(sizes, CDShowGridOverlay::MEDIASUBTYPE_MJPG);
    EXPECT_EQ(sizes.size(), 4u) << "the virtual camera sends no MJPEG";
}

TEST_F(CaptureTest, BottomUpFrameIsSavedUprightAndTopDownIsNotFlipped) {
    const cv::Mat upright = VirtualCameraServer::Picture({40, 30});
    cv::Mat stored;
    cv::flip(upright, stored, 0);
    const auto path = (dir_.path() / "photo.bmp").string();

    ASSERT_EQ(graph_.OpenSource(std::make_unique<StillSource>(stored, true)), 1);
    graph_.Run();
    ASSERT_EQ(graph_.TakePhoto(path), 1);
    EXPECT_TRUE(SameImage(cv::imread(path, cv::IMREAD_UNCHANGED), upright));

    ASSERT_EQ(graph_.OpenSource(std::make_unique<StillSource>(upright, false)), 1);
    graph_.Run();
    ASSERT_EQ(graph_.TakePhoto(path), 1);
    EXPECT_TRUE(SameImage(cv::imread(path, cv::IMREAD_UNCHANGED), upright));
}

// A failed grab must not hand an earlier picture to the calibration as a new one.
TEST_F(CaptureTest, NoCurrentPictureMeansNoPhotoNotTheLastOneAgain) {
    graph_.SetFilePrefixName("X");
    std::filesystem::create_directories(graph_.GetImagePath());
    EXPECT_EQ(graph_.TakePhoto(1), 0) << "nothing open";

    auto source = std::make_unique<StillSource>(VirtualCameraServer::Picture({40, 30}), false);
    ASSERT_EQ(graph_.OpenSource(std::move(source)), 1);
    EXPECT_EQ(graph_.TakePhoto(2), 0) << "open but not running";
    graph_.Run();
    ASSERT_EQ(graph_.TakePhoto(3), 1);
    graph_.Stop();
    EXPECT_EQ(graph_.TakePhoto(4), 0);
    EXPECT_EQ(graph_.GetLastPhotoPath(), graph_.GetImagePath() + "/CameraImage004.bmp");
    EXPECT_FALSE(std::filesystem::exists(graph_.GetLastPhotoPath()));
    EXPECT_TRUE(std::filesystem::exists(graph_.GetImagePath() + "/CameraImage003.bmp"));
}

TEST_F(CaptureTest, LostDeviceStopsTheGraphAndPhotosFail) {
    StartServer();
    ASSERT_EQ(graph_.Open(VirtualCameraIndex(), 640, 480), 1);
    graph_.Run();
    ASSERT_TRUE(WaitUntil([&] { return graph_.LatestFrame() != nullptr; }));
    server_->Stop();
    ASSERT_TRUE(WaitUntil([&] { return graph_.IsOpened() == 0; }));
    EXPECT_EQ(graph_.IsRendered(), 0);
    const auto path = (dir_.path() / "lost.bmp").string();
    EXPECT_EQ(graph_.TakePhoto(path), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    graph_.Run();
    EXPECT_EQ(graph_.IsOpened(), 0) << "a lost camera must be opened again";
}

TEST_F(CaptureTest, PhotoThatCannotBeWrittenReportsFailure) {
    ASSERT_EQ(graph_.OpenSource(std::make_unique<StillSource>(VirtualCameraServer::Picture({40, 30}), false)),
              1);
    graph_.Run();
    EXPECT_EQ(graph_.TakePhoto((dir_.path() / "missing" / "photo.bmp").string()), 0);
    graph_.SetFilePrefixName("never-created");
    EXPECT_EQ(graph_.TakePhoto(5), 0) << "the library does not create the image folder";
}

TEST_F(CaptureTest, GetPropertyReadsAndSwitchesFourPropertiesToManual) {
    StartServer();
    ASSERT_EQ(graph_.Open(VirtualCameraIndex(), 640, 480), 1);
    graph_.EnableAutoExposure(1);
    ASSERT_TRUE(server_->Property("Focus").automatic);
    ASSERT_TRUE(server_->Property("WhiteBalance").automatic);
    graph_.GetProperty();
    for (const char* name : {"Focus", "WhiteBalance", "Exposure", "Gain"}) {
        EXPECT_FALSE(server_->Property(name).automatic) << name;
    }
    EXPECT_EQ(server_->Property("WhiteBalance").value, 4000) << "the value read is written back";
    EXPECT_EQ(graph_.State(CameraProperty::Brightness).supported, 1);
    EXPECT_EQ(graph_.State(CameraProperty::Roll).supported, 0) << "not read: left as it was";
    EXPECT_EQ(graph_.State(CameraProperty::Iris).supported, 0);
}

}  // namespace
}  // namespace oculet::testing

namespace oculet::testing {
namespace {

// The plug-in is found beside libOculet.so when it is built; the pipeline then runs every frame
// through it, and a new editor starts bypassed, so the picture is unchanged.
TEST(GridPlugin, PluginBesideTheLibraryIsLoadedAndStartsBypassed) {
    const auto path = std::filesystem::path(GridPlugin::LibraryDirectory()) / gridveil::kLibraryName;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "the grid plug-in is not built";
    CDShowGridOverlay graph;
    const cv::Mat picture = VirtualCameraServer::Picture({64, 48});
    ASSERT_EQ(graph.OpenSource(std::make_unique<StillSource>(picture, false)), 1);
    ASSERT_NE(graph.Editor(), nullptr);
    int bypass = 0;
    ASSERT_TRUE(gridveil::Succeeded(graph.Editor()->IsByPass(&bypass)));
    EXPECT_EQ(bypass, 1);
    int size[2] = {0, 0};
    ASSERT_TRUE(gridveil::Succeeded(graph.Editor()->GetImageSize(size)));
    EXPECT_EQ(size[0], 64) << "the frame type reached the editor at Open";
    EXPECT_EQ(size[1], 48);
    graph.Run();
    ASSERT_TRUE(WaitUntil([&] { return graph.LatestFrame() != nullptr; }));
    EXPECT_TRUE(SameImage(graph.LatestFrame()->image, picture));
    graph.Close();
    EXPECT_EQ(graph.Editor(), nullptr);
}

}  // namespace
}  // namespace oculet::testing
