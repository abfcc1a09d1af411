// One scripted operator session of the calibration program against the
// simulated wall of two stacked 1080p projectors (boards on 127.0.0.212-213,
// the virtual camera on a socket in the test's home): New (the wizard), the
// camera dialog, the boundary dialog, Calibration, then Re-calibration through
// the threshold dialog. The ground truth of what the boards hold at the end
// must be far better than the identity warps' misregistration.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "../../meridan/tests/qt_test_support.h"
#include "../../meridan/tests/test_env.h"
#include "dialogs/CBoundaryDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CNewChannelDlg.h"
#include "dialogs/CThresholdDlg.h"
#include "dialogs/install.h"
#include "dvOrvelAuto.h"
#include "meridan/CVantisAutoDlg.h"
#include "meridan/skin/CSkinButton.h"
#include "project_config.h"
#include "test_wall.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

namespace {

using meridan::test::AlwaysAnswers;
using meridan::test::App;
using meridan::test::WaitFor;

// A calibration step of the session may take long on a busy machine.
constexpr int kSessionStepMs = 120000;

// SESSION_KEEP_PHOTOS=folder keeps the photos of a failed calibration.
TEST(Session, NewProjectToRecalibratedWall) {
    App();
    meridan::test::TempHome home;
    vantis::calibration::testing::TestWall wall("stacked-2x1080.json", 212, home.root().string());
    ASSERT_TRUE(wall.ok()) << wall.error();
    const double identity = vantis::calibration::testing::WorstRms(wall.Measure());

    // What the operator knows of the installation: where the screen lies in
    // the camera picture and the camera settings that suit the room.
    VantisAuto::CDoc known;
    std::string error;
    ASSERT_TRUE(wallsim::tool::BuildProjectDocument(wall.scene(), &known, &error)) << error;
    for (auto& c : known.m_channels) c->CloseLink();

    CVantisAutoDlg::Options o;
    o.defaults.vid = "Vendor";
    o.defaults.pid = "Box";
    o.defaults.appTitle = "Warp Tools";
    o.loadSystemConfig = false;
    o.watchDevices = false;
    CVantisAutoDlg main(o);
    AlwaysAnswers echo;
    main.SetEchoProber(&echo);
    std::vector<QString> errors;
    main.SetQuestionHandler([](const QString&) { return true; });
    main.SetErrorHandler([&](const QString& e) {
        errors.push_back(e);
        return 1;
    });
    main.SetMessageHandler([](const QString&) {});
    meridan::dialogs::Install(main);
    main.resize(1280, 800);
    main.show();

    // New: Stacking, two stacked projectors at the wall's addresses, OK.
    main.SetWizard([&](CVantisAutoDlg& m, VantisAuto::CDoc& doc) {
        CNewChannelDlg wizard(doc, echo, &m);
        wizard.show();
        wizard.SolutionList()->setCurrentRow(0);
        QTest::mouseClick(wizard.NextButton(), Qt::LeftButton);
        if (wizard.Page() != 1 || wizard.AddressList()->rowCount() != 1) return false;
        wizard.StackSpin()->setValue(2);
        if (wizard.AddressList()->rowCount() != 2) return false;
        for (int i = 0; i < 2; ++i)
            wizard.AddressList()->item(i, 0)->setText(QString::fromStdString(wall.board(i).address()));
        QTest::mouseClick(wizard.OkButton(), Qt::LeftButton);
        return wizard.result() == QDialog::Accepted;
    });
    main.OnNew();
    main.WaitForConnection();
    ASSERT_EQ(main.Doc().m_channels.size(), 2u);
    ASSERT_EQ(main.Doc().m_nSolution, 0);
    for (auto& c : main.Doc().m_channels) {
        EXPECT_NE(c->m_hLink, 0) << "channel " << c->Label() << " state " << c->m_nState;
        EXPECT_EQ(dvOrvelAutoIsAlive(c->m_hLink), 1) << "after the connection job: channel " << c->Label();
    }

    // Camera: the virtual camera, opened at 1920 x 1080.
    main.OnCamera();
    auto* camera = dynamic_cast<CCameraDlg*>(main.DockedChild());
    ASSERT_NE(camera, nullptr);
    ASSERT_GT(camera->CameraList()->count(), 0);
    ASSERT_TRUE(camera->OpenCamera());
    EXPECT_TRUE(camera->AdvancePage()->isEnabled());
    ASSERT_TRUE(camera->AdvancePage()->AutoTune()->isEnabled());
    QTest::mouseClick(camera->AdvancePage()->AutoTune(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return camera->AutoTunesEnded() == 1; }, kSessionStepMs));
    ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
    camera->Exit();
    QCoreApplication::processEvents();
    for (auto& c : main.Doc().m_channels)
        EXPECT_EQ(dvOrvelAutoIsAlive(c->m_hLink), 1) << "after the camera dialog: channel " << c->Label();
    EXPECT_TRUE(main.GetButton(CVantisAutoDlg::kBoundary)->isEnabled());

    // Boundary: the grid placed on the screen's edges, then Exit.
    main.OnBoundary();
    auto* boundary = dynamic_cast<CBoundaryDlg*>(main.DockedChild());
    ASSERT_NE(boundary, nullptr);
    // The dialog's commands wait, as the operator must, until the projectors
    // were cleared and the window is no longer busy.
    ASSERT_TRUE(WaitFor([&] { return !main.IsBusy(); }, kSessionStepMs));
    boundary->ChoosePattern(CBoundaryDlg::kFullFill);
    QTest::keyClick(boundary, Qt::Key_Escape);
    EXPECT_TRUE(boundary->isVisible());
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        main.Doc().m_boundary.m_tableA = known.m_boundary.m_tableA;
        main.Doc().m_boundary.m_tableB = known.m_boundary.m_tableB;
        main.Doc().m_boundary.m_tableC = known.m_boundary.m_tableC;
    }
    boundary->Exit();
    // Exit clears the projectors in a job: the window is busy until it ran.
    ASSERT_TRUE(WaitFor([&] { return !main.IsBusy(); }, kSessionStepMs));
    EXPECT_TRUE(main.Doc().m_bBoundaryDone);

    // Calibration.
    ASSERT_TRUE(main.GetButton(CVantisAutoDlg::kCalibration)->isEnabled());
    main.OnCalibration();
    ASSERT_TRUE(WaitFor([&] { return main.Doc().m_bCalibrated || !errors.empty(); }, kSessionStepMs));
    main.WaitForJobs();
    if (!errors.empty())
        for (int i = 0; i < 2; ++i) {
            const auto st = wall.board(i).Snapshot();
            std::printf("board %d: %zu frames, blanked %d, patterns %zu, saves %d\n", i, st.frames.size(),
                        st.blanked ? 1 : 0, st.lines.size(), st.savesPerformed);
        }
    if (!errors.empty() && std::getenv("SESSION_KEEP_PHOTOS")) {
        for (auto& c : main.Doc().m_channels)
            for (const auto& p :
                 {c->m_strBlackPhoto, c->m_strWhitePhoto, c->m_strCenterPhoto, c->m_strGridPhoto})
                if (!p.empty())
                    std::filesystem::copy_file(p,
                                               std::filesystem::path(std::getenv("SESSION_KEEP_PHOTOS")) /
                                                   std::filesystem::path(p).filename(),
                                               std::filesystem::copy_options::overwrite_existing);
    }
    ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
    const double calibrated = vantis::calibration::testing::WorstRms(wall.Measure());

    // Re-calibration: the threshold review of the stored photos, Done.
    ASSERT_TRUE(main.GetButton(CVantisAutoDlg::kRecalibration)->isEnabled());
    main.OnRecalibration();
    ASSERT_TRUE(
        WaitFor([&] { return dynamic_cast<CThresholdDlg*>(main.DockedChild()) != nullptr; }, kSessionStepMs));
    auto* review = dynamic_cast<CThresholdDlg*>(main.DockedChild());
    ASSERT_TRUE(review->WaitIdle());
    while (review->NextButton()->isVisible()) {
        QTest::mouseClick(review->NextButton(), Qt::LeftButton);
        ASSERT_TRUE(review->WaitIdle());
    }
    QTest::mouseClick(review->DoneButton(), Qt::LeftButton);
    main.WaitForJobs();
    ASSERT_TRUE(WaitFor([&] { return !main.IsBusy(); }, kSessionStepMs));
    ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
    const double recalibrated = vantis::calibration::testing::WorstRms(wall.Measure());
    std::printf("worst rms: identity %.2f, calibrated %.2f, re-calibrated %.2f panel pixels\n", identity,
                calibrated, recalibrated);
    EXPECT_LT(calibrated * 5, identity);
    EXPECT_LT(recalibrated * 5, identity);
    main.Doc().DisconnectAll();
}

}  // namespace
