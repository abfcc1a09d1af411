// The two view controls on the offscreen platform.
#include <QApplication>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "fake_camera_server.h"
#include "oculet/CCvImageCtrl.h"
#include "oculet/CDShowCameraCtrl.h"
#include "test_sources.h"
#include "test_support.h"

#include <opencv2/imgcodecs.hpp>

#include "vantis/testing/qt_app.h"

namespace oculet::testing {
namespace {

QApplication& App() {
    return vantis::testing::QtApp();
}

template <typename Predicate>
bool ProcessEventsUntil(Predicate predicate) {
    App();
    return vantis::testing::WaitFor(predicate, 5000);
}

// A caller-owned float table of columns x rows, as the project document holds them.
struct Table {
    Table(int columns, int rows) : storage(static_cast<std::size_t>(columns) * 2, std::vector<float>(rows)) {
        for (int c = 0; c < columns; ++c) {
            xs.push_back(storage[static_cast<std::size_t>(c)].data());
            ys.push_back(storage[static_cast<std::size_t>(columns + c)].data());
        }
        points = {xs.data(), ys.data()};
    }
    std::vector<std::vector<float>> storage;
    std::vector<float*> xs, ys;
    grid::PointPP points;
};

constexpr unsigned kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;

TEST(CameraCtrl, EditingKeysAreRefusedWhileBypassed) {
    App();
    CDShowCameraCtrl control;
    EXPECT_EQ(control.IsByPass(), 1);
    for (unsigned key : {kVkLeft, kVkUp, kVkRight, kVkDown, unsigned('A')}) {
        EXPECT_EQ(control.SelAdjustPoint(key), 0) << key;
        EXPECT_EQ(control.MoveAdjustPoint(key), 0) << key;
    }
    int index = 0;
    EXPECT_EQ(control.IncreaseGridNum(index), 0);
    EXPECT_EQ(control.AdjustGridNum(2), 0);
    EXPECT_EQ(control.GetImageSize(), (CSize{0, 0})) << "nothing to ask before Open";

    ASSERT_EQ(
        control.OpenSource(std::make_unique<StillSource>(FakeCameraServer::PatternPicture({64, 48}), false)),
        1);
    if (control.Graph()->Editor() == nullptr) {
        // Without the plug-in the bypass cannot be switched off, so the keys stay refused.
        EXPECT_EQ(control.ByPass(0), 0);
        EXPECT_EQ(control.IsByPass(), 1);
        EXPECT_EQ(control.SelAdjustPoint(kVkUp), 0);
        return;
    }
    ASSERT_EQ(control.ByPass(0), 1);
    EXPECT_EQ(control.IsByPass(), 0);
    EXPECT_EQ(control.SelAdjustPoint(kVkUp), 1);
    EXPECT_EQ(control.MoveAdjustPoint(Qt::Key_Right), 1);
    EXPECT_EQ(control.SelAdjustPoint('A'), 0);
    EXPECT_EQ(control.GetImageSize(), (CSize{64, 48}));
}

TEST(CameraCtrl, RightAndBottomEdgesCountAsInside) {
    App();
    CDShowCameraCtrl control;
    control.setGeometry(100, 50, 200, 120);
    control.show();
    const QRect area = control.GetCameraRect();
    ASSERT_EQ(area.size(), QSize(200, 120));
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();
    int zoom = 1;
    EXPECT_EQ(control.StretchedCamera(QPoint(right, bottom), zoom), 1);
    EXPECT_EQ(control.StretchedCamera(QPoint(area.x(), area.y()), zoom), 1);
    EXPECT_EQ(control.StretchedCamera(QPoint(right + 1, area.y() + 10), zoom), 0);
    EXPECT_EQ(control.StretchedCamera(QPoint(area.x() + 10, bottom + 1), zoom), 0);
    EXPECT_EQ(control.StretchedCamera(QPoint(area.x() - 1, area.y()), zoom), 0);
}

TEST(CameraCtrl, PaintsTheLatestFrameOfTheRunningGraph) {
    App();
    CDShowCameraCtrl control;
    control.resize(128, 96);
    control.show();
    std::atomic<std::uint64_t> painted{0};
    control.SetPaintObserver([&](const Frame& frame) { painted = frame.sequence; });
    auto source = std::make_unique<StillSource>(FakeCameraServer::PatternPicture({64, 48}), false);
    StillSource* camera = source.get();
    ASSERT_EQ(control.OpenSource(std::move(source)), 1);
    App().processEvents();
    EXPECT_EQ(painted.load(), 0u) << "not running, nothing painted";
    control.Run();
    ASSERT_TRUE(ProcessEventsUntil([&] { return painted.load() >= 3; }));
    const QColor grey(128, 128, 128);
    EXPECT_NE(control.grab().toImage().pixelColor(0, 0), grey) << "the picture covers the grey background";

    // The camera goes away: the graph stops and the control shows grey again.
    camera->Lose();
    ASSERT_TRUE(ProcessEventsUntil([&] { return control.IsOpened() == 0; }));
    App().processEvents();
    EXPECT_EQ(control.grab().toImage().pixelColor(0, 0), grey);
}

// The photo is the picture as shown: with the bypass off the plug-in's grid is in it.
TEST(CameraCtrl, PhotoShowsTheGridTheEditorDraws) {
    App();
    CDShowCameraCtrl control;
    control.resize(320, 240);
    Table adjust(17, 17), gridTable(17, 17), coarse(65, 65), markerLeftTop(17, 17), markerRightBottom(17, 17);
    grid::RectPP markers{markerLeftTop.points.x, markerLeftTop.points.y, markerRightBottom.points.x,
                         markerRightBottom.points.y};
    control.SetBoundaryTable(adjust.points, gridTable.points, coarse.points, markers);
    const cv::Mat picture(240, 320, CV_8UC3, cv::Scalar(40, 40, 40));
    ASSERT_EQ(control.OpenSource(std::make_unique<StillSource>(picture, false)), 1);
    if (control.Graph()->Editor() == nullptr) GTEST_SKIP() << "the grid plug-in is not built";
    control.SetTiming({1024, 768}, {17, 17});
    ASSERT_EQ(control.StartGrid(1), 1);
    ASSERT_EQ(control.ByPass(0), 1);
    control.Run();
    const TempDir dir;
    const auto path = (dir.path() / "grid.bmp").string();
    ASSERT_EQ(control.TakePhoto(path), 1);
    const cv::Mat photo = cv::imread(path, cv::IMREAD_UNCHANGED);
    ASSERT_EQ(photo.size(), picture.size());
    EXPECT_GT(cv::norm(photo, picture, cv::NORM_L1), 0.0) << "grid lines and markers are drawn on the frame";
}

// The simulator's camera through the pipeline onto the control.
using CameraCtrlOnVirtualCamera = VirtualCameraTest;

TEST_F(CameraCtrlOnVirtualCamera, FramesOfTheVirtualCameraArePainted) {
    App();
    StartServer();
    CDShowCameraCtrl control;
    control.resize(320, 180);
    control.show();
    std::atomic<int> painted{0};
    std::atomic<int> width{0};
    control.SetPaintObserver([&](const Frame& frame) {
        width = frame.image.cols;
        ++painted;
    });
    ASSERT_EQ(control.Open(VirtualCameraIndex(), 640, 480), 1);
    EXPECT_EQ(control.IsOpened(), 0);
    control.Run();
    ASSERT_TRUE(ProcessEventsUntil([&] { return painted.load() >= 2; }));
    EXPECT_EQ(width.load(), 640);
    long brightness = 0;
    EXPECT_EQ(control.GetBrightness(brightness), 1);
    EXPECT_EQ(brightness, 128);
    control.Close();
    EXPECT_EQ(control.IsOpened(), 0);
}

TEST(ImageCtrl, EmptyPictureDrawsNothingButTheDoneCallbackRuns) {
    App();
    CCvImageCtrl control;
    control.resize(80, 60);
    std::atomic<int> done{0};
    int context = 0;
    control.m_pContext = &context;
    control.m_producer = [](void*, int, cv::Mat&) {};
    control.m_done = [&](void* c) {
        EXPECT_EQ(c, &context);
        ++done;
    };
    EXPECT_EQ(control.Run(), 1);
    // Stop's wait is scaled down to a millisecond; a busy machine may need a few.
    ASSERT_TRUE(ProcessEventsUntil([&] { return control.Stop() == 1; }));
    EXPECT_EQ(done.load(), 1);
    EXPECT_TRUE(control.Picture().isNull());
}

TEST(ImageCtrl, PictureIsScaledToTheControlOnTheWorkerThread) {
    App();
    CCvImageCtrl control;
    control.resize(80, 60);
    std::thread::id producerThread;
    control.m_flag = 7;
    control.m_producer = [&](void*, int flag, cv::Mat& picture) {
        producerThread = std::this_thread::get_id();
        picture = cv::Mat(30, 40, CV_8UC1, cv::Scalar(flag * 10));
    };
    EXPECT_EQ(control.Run(), 1);
    // Stop's wait is scaled down to a millisecond; a busy machine may need a few.
    ASSERT_TRUE(ProcessEventsUntil([&] { return control.Stop() == 1; }));
    EXPECT_NE(producerThread, std::this_thread::get_id());
    const QImage picture = control.Picture();
    EXPECT_EQ(picture.size(), QSize(80, 60));
    EXPECT_EQ(picture.pixelColor(40, 30), QColor(70, 70, 70));
}

TEST(ImageCtrl, StopReportsAWorkerStillRunningAndSucceedsLater) {
    App();
    CCvImageCtrl control;
    control.resize(20, 20);
    std::atomic<bool> release{false};
    control.m_producer = [&](void*, int, cv::Mat&) {
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    EXPECT_EQ(control.Run(), 1) << "Run does not wait for the worker beyond its start wait";
    EXPECT_EQ(control.Stop(), 0);
    release = true;
    EXPECT_TRUE(ProcessEventsUntil([&] { return control.Stop() == 1; }));
}

}  // namespace
}  // namespace oculet::testing
