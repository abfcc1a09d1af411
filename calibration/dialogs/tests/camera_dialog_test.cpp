// The camera dialog and view with a virtual camera on a socket in the test's
// home (offscreen): the overlay reaches the plug-in on the first Open Camera;
// the picture keeps its aspect ratio; the exposure slider runs from short to
// long and every slider shows its value.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QSlider>

#include <cstdlib>
#include <memory>

#include "../../meridan/tests/qt_test_support.h"
#include "../../meridan/tests/test_env.h"
#include "dialogs/CCameraDlg.h"
#include "oculet/CDShowCameraCtrl.h"
#include "shot.h"
#include "still_source.h"
#include "vantis/model/document.h"
#include "wallsim/vcam.h"

namespace {

using meridan::test::App;
using meridan::test::WaitFor;

const cv::Scalar kGrey(90, 90, 90);

class CameraDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        socket_ = (home_.root() / "run" / "camera.sock").string();
        ::setenv("WALLSIM_CAMERA_SOCKET", socket_.c_str(), 1);
        std::string error;
        ASSERT_TRUE(server_.Start(socket_, &error)) << error;
    }
    void TearDown() override {
        server_.Stop();
        ::unsetenv("WALLSIM_CAMERA_SOCKET");
    }

    meridan::test::TempHome home_;
    std::string socket_;
    wallsim::VcamServer server_{[](const wallsim::CameraSettings& s, std::uint64_t) {
        return cv::Mat(s.height > 0 ? s.height : 1080, s.width > 0 ? s.width : 1920, CV_8UC3, kGrey);
    }};
};

// The plug-in holds the document's tables from the first Open Camera on and
// draws the grid over the picture as soon as the bypass is off.
TEST_F(CameraDialog, OverlayReachesThePluginOnTheFirstOpen) {
    VantisAuto::CDoc doc;
    CDShowCameraCtrl view;
    view.resize(480, 270);
    view.show();
    CCameraDlg dialog(doc, view);
    ASSERT_EQ(dialog.CameraList()->count(), 1);
    ASSERT_TRUE(dialog.OpenCamera());
    EXPECT_TRUE(dialog.ControlPage()->isEnabled());
    EXPECT_TRUE(dialog.AdvancePage()->isEnabled());
    // Every supported property shows its value beside its slider.
    EXPECT_FALSE(dialog.AdvancePage()->findChild<QLabel*>("exposureValue")->text().isEmpty());
    EXPECT_FALSE(dialog.AdvancePage()->findChild<QLabel*>("gainValue")->text().isEmpty());
    grid::PointPP held;
    view.GetTable(held);
    EXPECT_EQ(held.x, doc.m_boundary.TableB().x) << "the plug-in has no grid table";
    ASSERT_EQ(view.ByPass(0), 1);
    // A frame taken after the bypass went off.
    const auto first = view.Graph()->LatestFrame();
    const std::uint64_t after = (first ? first->sequence : 0) + 2;
    std::shared_ptr<const oculet::Frame> drawn;
    ASSERT_TRUE(WaitFor(
        [&] {
            drawn = view.Graph()->LatestFrame();
            return drawn && drawn->sequence > after;
        },
        10000));
    // The picture is grey; the grid's lines are coloured.
    std::vector<cv::Mat> channels;
    cv::split(drawn->image, channels);
    cv::Mat spread = cv::max(cv::max(channels[0], channels[1]), channels[2]) -
                     cv::min(cv::min(channels[0], channels[1]), channels[2]);
    EXPECT_GT(cv::countNonZero(spread > 100), 100) << "nothing drawn over the picture";
    meridan::test::Shot(dialog, "camera");
    dialog.ShowPage(1);
    meridan::test::Shot(dialog, "camera-advance");
    view.Stop();
    view.Close();
}

// Without a camera the list is empty and Open Camera does nothing.
TEST(CameraDialogWithoutCamera, OpenCameraDoesNothing) {
    App();
    meridan::test::TempHome home;
    ::setenv("WALLSIM_CAMERA_SOCKET", (home.root() / "run" / "none.sock").c_str(), 1);
    VantisAuto::CDoc doc;
    CDShowCameraCtrl view;
    CCameraDlg dialog(doc, view);
    EXPECT_EQ(dialog.CameraList()->count(), 0);
    EXPECT_FALSE(dialog.OpenCamera());
    EXPECT_FALSE(dialog.ControlPage()->isEnabled());
    EXPECT_FALSE(dialog.AdvancePage()->isEnabled());
    EXPECT_FALSE(doc.m_bCameraConfigured);
    ::unsetenv("WALLSIM_CAMERA_SOCKET");
}

TEST(CameraView, PictureKeepsItsAspectRatio) {
    App();
    CDShowCameraCtrl view;
    view.resize(400, 400);
    view.show();
    std::uint64_t painted = 0;
    view.SetPaintObserver([&](const oculet::Frame& f) { painted = f.sequence; });
    // A 2:1 picture, red.
    ASSERT_EQ(view.OpenSource(std::make_unique<meridan::test::StillSource>(
                  cv::Mat(32, 64, CV_8UC3, cv::Scalar(0, 0, 255)))),
              1);
    view.Run();
    ASSERT_TRUE(WaitFor([&] { return painted >= 2; }, 10000));
    EXPECT_EQ(view.PictureRect(), QRect(0, 100, 400, 200));
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(200, 200), QColor(255, 0, 0)) << "the picture in the middle";
    EXPECT_EQ(shot.pixelColor(200, 20), QColor(128, 128, 128)) << "a bar above";
    EXPECT_EQ(shot.pixelColor(200, 380), QColor(128, 128, 128)) << "a bar below";
    // A tall view of the same picture: bars left and right.
    view.resize(200, 400);
    EXPECT_EQ(view.PictureRect(), QRect(0, 150, 200, 100));
    view.resize(800, 200);
    EXPECT_EQ(view.PictureRect(), QRect(200, 0, 400, 200));
    view.Stop();
    view.Close();
}

TEST(CameraPages, ExposureRightIsLongerAndValuesAreShown) {
    App();
    std::vector<std::pair<CameraProperty, long>> sets;
    CCameraAdvancePage advance([&](CameraProperty p, long v) { sets.emplace_back(p, v); }, nullptr);
    CDShowCameraData camera;
    camera.State(CameraProperty::Exposure) = CameraPropertyState{-11, -2, 1, -5, 2, 1, -5};
    camera.State(CameraProperty::Gain) = CameraPropertyState{0, 255, 1, 0, 2, 1, 40};
    advance.Refresh(camera, true);
    QSlider* exposure = advance.Exposure();
    EXPECT_EQ(exposure->minimum(), -11);
    EXPECT_EQ(exposure->maximum(), -2);
    EXPECT_EQ(exposure->value(), -5);
    EXPECT_EQ(exposure->pageStep(), 1);
    auto* exposureText = advance.findChild<QLabel*>("exposureValue");
    ASSERT_NE(exposureText, nullptr);
    EXPECT_EQ(exposureText->text(), "-5 (1/32 s)");
    EXPECT_EQ(advance.findChild<QLabel*>("gainValue")->text(), "40");
    EXPECT_EQ(advance.findChild<QLabel*>("brightnessValue")->text(), "") << "unsupported: no value";
    // One step to the right: a longer exposure.
    exposure->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0], std::make_pair(CameraProperty::Exposure, -4L));
    EXPECT_EQ(exposureText->text(), "-4 (1/16 s)");
    exposure->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(sets.back(), std::make_pair(CameraProperty::Exposure, -2L));
    advance.Gain()->setValue(60);
    EXPECT_EQ(advance.findChild<QLabel*>("gainValue")->text(), "60");
}

}  // namespace
