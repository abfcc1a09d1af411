// The dialogs on the offscreen platform against simulated boards on
// 127.0.0.205-219: the wizard's pages and checks, the gamma dialog's
// downloads, the boundary dialog's keys and wheel, the camera pages' sliders,
// the threshold dialog's stepping. With DIALOG_SCREENSHOTS set to a folder,
// each dialog is also saved there as a picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QWheelEvent>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "../../meridan/tests/qt_test_support.h"
#include "../../meridan/tests/test_env.h"
#include "dialogs/CBlendPage.h"
#include "dialogs/CBlendSettingsDlg.h"
#include "dialogs/CBoundaryDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CNewChannelDlg.h"
#include "dialogs/CThresholdDlg.h"
#include "dialogs/install.h"
#include "dvOrvelAuto.h"
#include "meridan/CVantisAutoDlg.h"
#include "oculet/CCvImageCtrl.h"
#include "oculet/CDShowCameraCtrl.h"
#include "shot.h"
#include "vantis/model/document.h"
#include "wallsim/board_server.h"

namespace {

using meridan::test::AlwaysAnswers;
using meridan::test::App;
using meridan::test::WaitFor;

using meridan::test::Shot;

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override { App(); }
    meridan::test::TempHome home_;
    AlwaysAnswers echo_;
};

TEST_F(DialogTest, WizardSolutionSwitchAndFiltering) {
    VantisAuto::CDoc doc;
    CNewChannelDlg w(doc, echo_);
    w.SolutionList()->setCurrentRow(0);  // Stacking
    w.OnNext();
    ASSERT_EQ(w.Page(), 1);
    EXPECT_EQ(w.LayoutCombo()->count(), 1);
    EXPECT_FALSE(w.NextButton()->isVisibleTo(&w));  // Stacking ends on page 2 with OK
    EXPECT_TRUE(w.OkButton()->isVisibleTo(&w));
    w.ResolutionCombo()->setCurrentIndex(w.ResolutionCombo()->findData(4));
    w.OnPrevious();
    w.SolutionList()->setCurrentRow(1);  // Blending
    EXPECT_TRUE(w.PrecutBox()->isChecked());
    w.OnNext();
    EXPECT_EQ(w.ResolutionCombo()->currentData().toInt(), 8);
    EXPECT_EQ(w.LayoutCombo()->currentData().toInt(), 1);
    EXPECT_EQ(w.ResolutionCombo()->findData(1), -1);  // no 720p for blending
    EXPECT_FALSE(w.StackSpin()->isEnabled());
    EXPECT_EQ(w.AddressList()->rowCount(), 2);
    Shot(w, "wizard-layout-page");
    w.OnPrevious();
    w.SolutionList()->setCurrentRow(2);  // Stacking & Blending
    w.OnNext();
    EXPECT_EQ(w.StackSpin()->value(), 2);
    w.StackSpin()->setValue(1);
    EXPECT_EQ(w.StackSpin()->value(), 2);
    w.LayoutCombo()->setCurrentIndex(w.LayoutCombo()->findData(12));  // 2 rows x 3 columns
    EXPECT_EQ(w.AddressList()->rowCount(), 12);
    Shot(w, "wizard-addresses");
    w.OnCancel();
}

TEST_F(DialogTest, WizardRefusesRepeatedAddresses) {
    VantisAuto::CDoc doc;
    CNewChannelDlg w(doc, echo_);
    QStringList warnings;
    w.SetWarningHandler([&](const QString& t) { warnings << t; });
    w.SolutionList()->setCurrentRow(1);
    w.OnNext();
    w.AddressList()->item(1, 0)->setText(w.AddressList()->item(0, 0)->text());
    w.OnNext();
    EXPECT_EQ(w.Page(), 1);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], "IP address repeat !");
    w.OnCancel();
    EXPECT_TRUE(doc.m_channels.empty());
}

TEST_F(DialogTest, WizardThroughOverlapPageWritesTheDocument) {
    auto a = wallsim::BoardServer::StartInRange(205, 206);
    auto b = wallsim::BoardServer::StartInRange(207, 208);
    ASSERT_TRUE(a && b);
    VantisAuto::CDoc doc;
    CNewChannelDlg w(doc, echo_);
    w.SolutionList()->setCurrentRow(1);
    w.OnNext();
    w.AddressList()->item(0, 0)->setText(QString::fromStdString(a->address()));
    w.AddressList()->item(1, 0)->setText(QString::fromStdString(b->address()));
    w.OnNext();
    ASSERT_EQ(w.Page(), 2);
    EXPECT_FALSE(w.OverlapPage()->Slider(1)->isEnabled());
    w.OverlapPage()->Slider(0)->setValue(20);
    EXPECT_EQ(w.OverlapPage()->TotalLabel()->text(), "3456 X 1080 ");
    // Preview draws the overlap zones on both projectors and lets their links go.
    ASSERT_TRUE(a->Snapshot().lines.empty() && b->Snapshot().lines.empty());
    w.OverlapPage()->Preview();
    EXPECT_FALSE(a->Snapshot().lines.empty()) << "nothing drawn on the first projector";
    EXPECT_FALSE(b->Snapshot().lines.empty()) << "nothing drawn on the second projector";
    Shot(w, "wizard-overlap-page");
    w.OnOk();
    ASSERT_EQ(doc.m_channels.size(), 2u);
    EXPECT_EQ(doc.m_nSolution, 1);
    EXPECT_EQ(doc.m_overlapPixels[0], 384);
    EXPECT_EQ(doc.m_overlapPercent[0], 20);
    EXPECT_EQ(doc.m_channels[1]->m_nColumn, 2);
    EXPECT_EQ(doc.m_channels[0]->m_hLink, 0);  // the wizard's links are its own
}

TEST_F(DialogTest, GammaSliderDownloadsOnlyOnChange) {
    auto board = wallsim::BoardServer::StartInRange(209, 210);
    ASSERT_TRUE(board);
    VantisAuto::CDoc doc;
    doc.m_nLayout = 1;
    auto* c = doc.AddChannel(board->address_value());
    c->m_hLink = dvOrvelAutoOpen(board->address_value());
    ASSERT_NE(c->m_hLink, 0);
    CBlendSettingsDlg d(doc);
    const auto frames = board->Snapshot().frames.size();
    d.Slider()->setValue(22);  // the position it already has
    ASSERT_TRUE(d.WaitIdle());
    EXPECT_EQ(d.Downloads(), 0);
    EXPECT_EQ(board->Snapshot().frames.size(), frames);
    d.Slider()->setValue(18);
    ASSERT_TRUE(d.WaitIdle());
    EXPECT_EQ(d.Downloads(), 1);
    EXPECT_GT(board->Snapshot().frames.size(), frames);
    EXPECT_DOUBLE_EQ(doc.m_gamma.m_gamma, 1.8);
    EXPECT_EQ(d.Text()->text(), "Gamma: 1.8");
    Shot(d, "edge-blending-settings", QSize(360, 110));
    VantisAuto::CDoc single;
    CBlendSettingsDlg s(single);
    EXPECT_FALSE(s.Slider()->isEnabled());
}

TEST_F(DialogTest, BoundaryKeysAndWheel) {
    VantisAuto::CDoc doc;
    doc.m_nLayout = 1;
    doc.m_overlapPixels[0] = 384;
    CDShowCameraCtrl view;
    view.resize(320, 180);
    view.show();
    bool exited = false;
    auto* d = new CBoundaryDlg(doc, view);
    d->SetExitHandler([&] { exited = true; });
    d->show();
    EXPECT_EQ(d->OverlapColumns(), (2 * (16 * 121 - 16) - 384) / 8 + 1);
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(d, &press);
        EXPECT_TRUE(press.isAccepted());
    }
    EXPECT_TRUE(d->isVisible());
    // The pointer over the view, then one notch towards the user at zoom 0.
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), view.mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    const QPointF inside(50, 50);
    QWheelEvent towards(inside, view.mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &towards);
    EXPECT_EQ(d->ZoomIndex(), 0);
    EXPECT_EQ(d->ZoomLabel()->text(), "100%");
    QWheelEvent away(inside, view.mapToGlobal(inside), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &away);
    EXPECT_EQ(d->ZoomIndex(), 1);
    EXPECT_EQ(d->ZoomLabel()->text(), "80%");
    d->Exit();
    EXPECT_TRUE(exited);
    EXPECT_TRUE(doc.m_bBoundaryDone);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // before the view goes
}

// The stored test picture arrives from the job that cleared the projectors;
// once the operator left the dialog it must not light them again.
TEST_F(DialogTest, BoundaryPictureStaysOffAfterExit) {
    auto board = wallsim::BoardServer::StartInRange(216, 217);
    ASSERT_TRUE(board);
    VantisAuto::CDoc doc;
    doc.m_nLayout = 1;
    doc.m_boundary.m_nWork[3] = CBoundaryDlg::kFullFill;
    auto* c = doc.AddChannel(board->address_value());
    c->m_hLink = dvOrvelAutoOpen(board->address_value());
    ASSERT_NE(c->m_hLink, 0);
    CDShowCameraCtrl view;
    auto* d = new CBoundaryDlg(doc, view);
    d->ShowStoredPattern();
    EXPECT_TRUE(board->Snapshot().solidShown);
    d->Exit();
    EXPECT_FALSE(board->Snapshot().solidShown);
    d->ShowStoredPattern();
    EXPECT_FALSE(board->Snapshot().solidShown);
    d->Exit();  // a second Exit does nothing more
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    doc.DisconnectAll();
}

// The window goes while a dialog that left the dock still awaits its deferred
// delete: the dialog, which holds the window's camera view, goes first.
TEST_F(DialogTest, WindowGoesBeforeTheDeferredDeleteOfItsDialog) {
    CVantisAutoDlg::Options o;
    o.loadSystemConfig = false;
    o.watchDevices = false;
    auto main = std::make_unique<CVantisAutoDlg>(o);
    main->SetMessageHandler([](const QString&) {});
    main->SetErrorHandler([](const QString&) { return 1; });
    meridan::dialogs::Install(*main);
    main->OnBoundary();
    main->WaitForJobs();
    QPointer<QWidget> boundary = main->DockedChild();
    ASSERT_NE(dynamic_cast<CBoundaryDlg*>(boundary.data()), nullptr);
    static_cast<CBoundaryDlg*>(boundary.data())->Exit();
    ASSERT_FALSE(boundary.isNull());
    main.reset();
    EXPECT_TRUE(boundary.isNull());
}

TEST_F(DialogTest, CameraPagesMapTheProperties) {
    std::vector<std::pair<CameraProperty, long>> sets;
    CCameraAdvancePage advance([&](CameraProperty p, long v) { sets.emplace_back(p, v); }, nullptr);
    CDShowCameraData camera;
    camera.State(CameraProperty::Exposure) = CameraPropertyState{-11, -2, 1, -5, 2, 1, -5};
    camera.State(CameraProperty::Brightness) = CameraPropertyState{0, 255, 1, 128, 2, 1, 128};
    camera.State(CameraProperty::Contrast) = CameraPropertyState{0, 255, 1, 128, 2, 1, 128};
    advance.Refresh(camera, true);
    EXPECT_EQ(advance.Exposure()->minimum(), -11);
    EXPECT_EQ(advance.Exposure()->maximum(), -2);
    EXPECT_EQ(advance.Exposure()->value(), -5);
    EXPECT_TRUE(sets.empty());                      // refreshing sets nothing
    EXPECT_FALSE(advance.AutoTune()->isEnabled());  // no gain
    EXPECT_FALSE(advance.Gain()->isEnabled());
    advance.Exposure()->setValue(-6);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].first, CameraProperty::Exposure);
    EXPECT_EQ(sets[0].second, -6);
    CCameraCtrlPage control([&](CameraProperty p, long v) { sets.emplace_back(p, v); }, nullptr);
    camera.State(CameraProperty::Pan) = CameraPropertyState{-10, 10, 1, 0, 2, 1, 0};
    control.Refresh(camera);
    control.PanMinus()->click();
    EXPECT_EQ(sets.back(), std::make_pair(CameraProperty::Pan, 1L));
    EXPECT_FALSE(control.Zoom()->isEnabled());
}

// Black and white photos of one channel: a bright rectangle on grey noise.
void WritePhotos(const std::filesystem::path& dir, int i, VantisAuto::CChannel& c) {
    cv::Mat black(240, 320, CV_8UC3, cv::Scalar(20, 20, 20));
    cv::Mat white = black.clone();
    cv::rectangle(white, cv::Rect(40 + 20 * i, 30, 200, 150), cv::Scalar(230, 230, 230), cv::FILLED);
    c.m_strBlackPhoto = (dir / "black.png").string();
    c.m_strWhitePhoto = (dir / ("white" + std::to_string(i) + ".png")).string();
    cv::imwrite(c.m_strBlackPhoto, black);
    cv::imwrite(c.m_strWhitePhoto, white);
}

TEST_F(DialogTest, ThresholdDialogSteps) {
    VantisAuto::CDoc doc;
    for (int i = 0; i < 2; ++i) WritePhotos(home_.root(), i, *doc.AddChannel(0x7F0000D3 + i));
    CCvImageCtrl view;
    view.resize(320, 240);
    view.show();
    int finished = -1;
    auto* d = new CThresholdDlg(doc, view);
    d->SetFinishedHandler([&](bool done) { finished = done; });
    d->show();
    ASSERT_TRUE(d->WaitIdle());
    EXPECT_GT(doc.m_channels[0]->m_threshold, 0.0);
    EXPECT_TRUE(d->NextButton()->isVisible());
    EXPECT_FALSE(d->DoneButton()->isVisible());
    EXPECT_EQ(d->Label()->text(),
              QString("Image Sharpness : %1").arg(static_cast<int>(doc.m_channels[0]->m_threshold)));
    d->Slider()->setValue(100);
    ASSERT_TRUE(d->WaitIdle());
    EXPECT_DOUBLE_EQ(doc.m_channels[0]->m_threshold, 100.0);
    EXPECT_FALSE(view.Picture().isNull());
    d->OnPrevious();  // first channel again
    ASSERT_TRUE(d->WaitIdle());
    EXPECT_EQ(d->Index(), 0);
    d->OnNext();
    ASSERT_TRUE(d->WaitIdle());
    EXPECT_EQ(d->Index(), 1);
    EXPECT_TRUE(d->DoneButton()->isVisible());
    EXPECT_FALSE(d->NextButton()->isVisible());
    Shot(*d, "threshold");
    d->DoneButton()->click();
    EXPECT_EQ(finished, 1);

    VantisAuto::CDoc one;
    WritePhotos(home_.root(), 0, *one.AddChannel(0x7F0000D5));
    auto* s = new CThresholdDlg(one, view);
    s->show();
    ASSERT_TRUE(s->WaitIdle());
    EXPECT_TRUE(s->DoneButton()->isVisible());
    EXPECT_FALSE(s->NextButton()->isVisible());
    s->Finish(false);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // before the view goes
}

// A review dialog deleted while the view still computes its first picture
// goes only once the view's worker, which calls back into it, has ended.
TEST_F(DialogTest, ThresholdDialogOutlivesItsPictureWorker) {
    VantisAuto::CDoc doc;
    WritePhotos(home_.root(), 0, *doc.AddChannel(0x7F0000D6));
    CCvImageCtrl view;
    view.resize(320, 240);
    for (int round = 0; round < 3; ++round) {
        delete new CThresholdDlg(doc, view);
        EXPECT_EQ(view.Stop(), 1) << "round " << round;
    }
}

// Both programs give every window one look: Fusion with the dark palette,
// message boxes and the wizard included.
TEST(ProgramLook, FusionWithTheDarkPalette) {
    QApplication& app = App();
    vantis::gui::ApplyDarkStyle(app);
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
    VantisAuto::CDoc doc;
    AlwaysAnswers echo;
    CNewChannelDlg wizard(doc, echo);
    QMessageBox box;
    for (QWidget* w : {static_cast<QWidget*>(&wizard), static_cast<QWidget*>(&box)}) {
        EXPECT_LT(w->palette().color(QPalette::Window).lightness(), 80);
        EXPECT_GT(w->palette().color(QPalette::WindowText).lightness(), 180);
        EXPECT_LT(w->palette().color(QPalette::Base).lightness(), 80);
    }
    wizard.OnCancel();
}

}  // namespace
