// Scripted sessions of the real main window, with its dialogs, against a
// simulated wall in the test process (boards on 127.0.0.221-228 and
// 127.0.10.11-12, two per test so that the tests may run side by side; the virtual
// camera on a socket in the test's home): a fault during Calibration (the
// boards or the camera go away) must end in an error dialog within seconds,
// leave a window whose menus open and a system configuration that is whole;
// Auto Tune stops on request and is joined when the window goes; Last report
// reopens the newest report after a calibration and says so when there is none.
// The Boundary dialog (boards on 127.0.7.1-10): its test pictures run off the
// window thread in the order given, a board that stops or falls silent is
// reported while the window stays usable; Automatic photographs the wall and
// loads the engine's boundary, Reset Boundary undoes it, a failure leaves the
// boundary alone; Calibration refuses a collapsed boundary with nothing sent.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "calibration/boundary_check.h"
#include "calibration/warp_compute.h"
#include "dialogs/CBoundaryDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/install.h"
#include "dvOrvelAuto.h"
#include "meridan/CErrorMsgDlg.h"
#include "meridan/CVantisAutoDlg.h"
#include "meridan/CWaitDlg.h"
#include "meridan/ReportPanel.h"
#include "meridan/skin/CSkinButton.h"
#include "project_config.h"
#include "qt_test_support.h"
#include "test_env.h"
#include "test_wall.h"
#include "vantis/delays.h"
#include "vantis/model/config.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

namespace {

using meridan::test::App;
using meridan::test::WaitFor;

constexpr int kStepMs = 60000;  // a step that renders photos may take long on a busy machine
constexpr int kErrorWithinMs = 5000;

bool SameTables(const vantis::model::TablePairData& a, const vantis::model::TablePairData& b) {
    for (int c = 0; c < vantis::model::kTableColumns; ++c)
        for (int r = 0; r < vantis::model::kTableRows; ++r)
            if (a.x[c][r] != b.x[c][r] || a.y[c][r] != b.y[c][r]) return false;
    return true;
}

class MeridanSession : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        wall_ = std::make_unique<vantis::calibration::testing::TestWall>(
            "blend-2x1080.json", FirstAddress(), home_.root().string(), nullptr, Network());
        ASSERT_TRUE(wall_->ok()) << wall_->error();
        // The configuration an operator's earlier session left behind.
        std::string error;
        ASSERT_TRUE(wallsim::tool::BuildProjectDocument(wall_->scene(), &saved_, &error)) << error;
        for (auto& c : saved_.m_channels) c->CloseLink();
        ASSERT_EQ(vantis::model::SaveSystemConfig(saved_, "Vendor"), 1);

        CVantisAutoDlg::Options o;
        o.defaults.vid = "Vendor";
        o.defaults.pid = "Box";
        o.defaults.appTitle = "Warp Tools";
        o.watchDevices = true;  // the camera watch runs as in the program
        main_ = std::make_unique<CVantisAutoDlg>(o);
        main_->SetEchoProber(&echo_);
        main_->SetQuestionHandler([](const QString&) { return false; });  // no reset
        meridan::dialogs::Install(*main_);
        main_->resize(1280, 800);
        main_->show();
        StartClosingModals();

        main_->OnConnect();
        ASSERT_TRUE(WaitFor([&] { return !main_->ConnectionRunning(); }, kStepMs));
        main_->WaitForConnection();
        for (auto& c : main_->Doc().m_channels) ASSERT_EQ(dvOrvelAutoIsAlive(c->m_hLink), 1) << c->Label();

        main_->OnCamera();
        camera_ = dynamic_cast<CCameraDlg*>(main_->DockedChild());
        ASSERT_NE(camera_, nullptr);
        ASSERT_GT(camera_->CameraList()->count(), 0);
        ASSERT_TRUE(camera_->OpenCamera());
    }

    // Each test's own two board addresses.
    static int FirstAddress() {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (name == "CameraLostDuringCalibration") return 223;
        if (name == "AutoTuneStopsOnRequest") return 225;
        if (name == "AutoTuneIsJoinedWhenTheWindowGoes") return 227;
        if (name == "LastReportReopensTheNewestReport") return 11;
        if (name == "BoundaryPictureOnAStoppedBoard") return 1;
        if (name == "BoundaryPicturesOnASilentBoardKeepTheirOrder") return 3;
        if (name == "AutomaticBoundaryLoadsTheGridAndResetUndoesIt") return 5;
        if (name == "AutomaticBoundaryFailureLeavesTheBoundary") return 7;
        if (name == "CalibrationRefusesACollapsedBoundaryBeforeAnyCommand") return 9;
        return 221;
    }
    static std::string Network() {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (name == "LastReportReopensTheNewestReport") return "127.0.10.";
        if (FirstAddress() < 11) return "127.0.7.";
        return "127.0.0.";
    }

    void TearDown() override {
        if (main_) main_->Doc().DisconnectAll();
        main_.reset();
    }

    void LeaveCameraDialog() {
        camera_->Exit();
        QCoreApplication::processEvents();
        ASSERT_TRUE(main_->GetButton(CVantisAutoDlg::kCalibration)->isEnabled());
    }

    // Opens the Boundary dialog and waits until its opening commands ran.
    CBoundaryDlg* OpenBoundary() {
        main_->OnBoundary();
        auto* boundary = dynamic_cast<CBoundaryDlg*>(main_->DockedChild());
        EXPECT_NE(boundary, nullptr);
        EXPECT_TRUE(WaitFor([&] { return !main_->IsBusy(); }, kStepMs));
        return boundary;
    }

    // Whether the window thread turns its event loop within ms (a timer fires).
    bool TimerFiresWithin(int ms) {
        bool fired = false;
        QTimer::singleShot(10, [&] { fired = true; });
        QElapsedTimer t;
        t.start();
        while (!fired && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return fired;
    }

    // Starts Calibration and waits until the wait window shows a projector's photo.
    void StartCalibration() {
        main_->OnCalibration();
        ASSERT_TRUE(main_->WaitWindow());
        ASSERT_TRUE(WaitFor(
            [&] { return main_->WaitWindow() && main_->WaitWindow()->StatusText().startsWith("Projector"); },
            kStepMs));
    }

    // Every modal dialog (error dialog, message box) is closed as it comes,
    // its text and time kept. A modal dialog runs its own event loop, so a
    // timer (which that loop serves too) does the closing.
    void StartClosingModals() {
        QObject::connect(&closer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            QString text;
            if (auto* box = qobject_cast<QMessageBox*>(dialog))
                text = box->text();
            else if (auto* e = dynamic_cast<CErrorMsgDlg*>(dialog))
                text = e->Text();
            else
                return;
            modals_.push_back({clock_.elapsed(), text});
            dialog->done(QDialog::Accepted);
        });
        clock_.start();
        closer_.start(10);
    }

    // The first modal dialog after `since` (ms on the test's clock), waiting
    // at most ms for it; empty text when none came.
    std::pair<qint64, QString> FirstModalAfter(qint64 since, int ms) {
        auto find = [&]() -> const std::pair<qint64, QString>* {
            for (const auto& m : modals_)
                if (m.first >= since) return &m;
            return nullptr;
        };
        WaitFor([&] { return find() != nullptr; }, ms);
        if (const auto* m = find()) return *m;
        return {-1, QString()};
    }

    // The window takes input again and its first menu opens.
    void ExpectResponsive() {
        ASSERT_TRUE(WaitFor([&] { return !main_->IsBusy() && main_->WorkflowJob() == 0; }, kStepMs));
        auto* bar = main_->findChild<QMenuBar*>();
        ASSERT_NE(bar, nullptr);
        ASSERT_FALSE(bar->actions().isEmpty());
        QMenu* menu = bar->actions().front()->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(bar->isEnabled());
        menu->popup(main_->mapToGlobal(QPoint(10, 10)));
        EXPECT_TRUE(WaitFor([&] { return menu->isVisible(); }, 2000));
        menu->close();
    }

    // Closing keeps the project: the same channels and boundary as before.
    void ExpectConfigurationIntact() {
        // A result panel left in the dock is closed first, as the operator would.
        for (auto* close : main_->findChildren<QPushButton*>("ReportClose"))
            if (close->isVisible()) QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_TRUE(main_->close());
        VantisAuto::CDoc loaded;
        ASSERT_EQ(vantis::model::LoadSystemConfig(loaded, "Vendor"), 1);
        ASSERT_EQ(loaded.m_channels.size(), saved_.m_channels.size());
        for (std::size_t i = 0; i < loaded.m_channels.size(); ++i)
            EXPECT_EQ(loaded.m_channels[i]->m_dwIp, saved_.m_channels[i]->m_dwIp);
        EXPECT_EQ(loaded.m_nSolution, saved_.m_nSolution);
        EXPECT_TRUE(SameTables(loaded.m_boundary.m_tableA, saved_.m_boundary.m_tableA));
        EXPECT_TRUE(SameTables(loaded.m_boundary.m_tableB, saved_.m_boundary.m_tableB));
        EXPECT_TRUE(loaded.m_bConnected);
    }

    meridan::test::TempHome home_;
    meridan::test::AlwaysAnswers echo_;
    std::unique_ptr<vantis::calibration::testing::TestWall> wall_;
    VantisAuto::CDoc saved_;
    std::unique_ptr<CVantisAutoDlg> main_;
    CCameraDlg* camera_ = nullptr;
    QTimer closer_;
    QElapsedTimer clock_;
    std::vector<std::pair<qint64, QString>> modals_;
};

TEST_F(MeridanSession, WallStopsDuringCalibration) {
    LeaveCameraDialog();
    StartCalibration();
    const qint64 fault = clock_.elapsed();
    for (int i = 0; i < 2; ++i) wall_->board(i).Stop();
    const auto [at, error] = FirstModalAfter(fault, kStepMs);
    ASSERT_FALSE(error.isEmpty()) << "no error dialog at all";
    std::printf("error %lld ms after the fault: %s\n", static_cast<long long>(at - fault),
                error.toStdString().c_str());
    EXPECT_LE(at - fault, kErrorWithinMs);
    ExpectResponsive();
    EXPECT_TRUE(main_->LastJobEnd().startsWith("Calibration failed")) << main_->LastJobEnd().toStdString();
    ExpectConfigurationIntact();
}

TEST_F(MeridanSession, CameraLostDuringCalibration) {
    LeaveCameraDialog();
    StartCalibration();
    const qint64 fault = clock_.elapsed();
    wall_->camera().Stop();
    const auto [at, error] = FirstModalAfter(fault, kStepMs);
    ASSERT_FALSE(error.isEmpty()) << "no error dialog at all";
    std::printf("error %lld ms after the fault: %s\n", static_cast<long long>(at - fault),
                error.toStdString().c_str());
    EXPECT_LE(at - fault, kErrorWithinMs);
    ExpectResponsive();
    EXPECT_FALSE(main_->LastJobEnd().startsWith("Calibration completed"))
        << main_->LastJobEnd().toStdString();
    // Without a camera there is nothing to calibrate with.
    EXPECT_FALSE(main_->GetButton(CVantisAutoDlg::kCalibration)->isEnabled());
    ExpectConfigurationIntact();
}

TEST_F(MeridanSession, AutoTuneStopsOnRequest) {
    QTest::mouseClick(camera_->AdvancePage()->AutoTune(), Qt::LeftButton);
    ASSERT_TRUE(main_->WaitWindow());
    QPushButton* stop = main_->WaitWindow()->StopButton();
    ASSERT_TRUE(stop->isVisible());
    ASSERT_TRUE(stop->isEnabled());
    QTest::mouseClick(stop, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return camera_->AutoTunesEnded() == 1; }, kStepMs));
    EXPECT_TRUE(main_->LastJobEnd().startsWith("Auto Tune stopped")) << main_->LastJobEnd().toStdString();
    EXPECT_FALSE(main_->IsBusy());
    // Stopped projectors are left showing their picture again.
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(wall_->board(i).Snapshot().blanked) << "board " << i;
}

TEST_F(MeridanSession, AutoTuneIsJoinedWhenTheWindowGoes) {
    QTest::mouseClick(camera_->AdvancePage()->AutoTune(), Qt::LeftButton);
    ASSERT_NE(main_->WorkflowJob(), 0u);
    main_.reset();  // must wait for the Auto Tune rather than leave it running on a window that is gone
    std::size_t frames[2];
    for (int i = 0; i < 2; ++i) frames[i] = wall_->board(i).Snapshot().framesReceived;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(wall_->board(i).Snapshot().framesReceived, frames[i]) << "board " << i;
}

TEST_F(MeridanSession, LastReportReopensTheNewestReport) {
    QAction* last = nullptr;
    for (QAction* menu : main_->findChild<QMenuBar*>()->actions())
        if (menu->menu())
            for (QAction* action : menu->menu()->actions())
                if (action->text() == "&Last report") last = action;
    ASSERT_NE(last, nullptr);

    // Before any calibration there is nothing to reopen, and the operator is told so.
    const qint64 asked = clock_.elapsed();
    last->trigger();
    EXPECT_EQ(FirstModalAfter(asked, kErrorWithinMs).second, "There is no calibration report yet.");
    EXPECT_EQ(dynamic_cast<meridan::ReportPanel*>(main_->DockedChild()), nullptr);

    LeaveCameraDialog();
    main_->OnCalibration();
    ExpectResponsive();
    ASSERT_TRUE(main_->LastJobEnd().startsWith("Calibration completed")) << main_->LastJobEnd().toStdString();
    auto* shown = dynamic_cast<meridan::ReportPanel*>(main_->DockedChild());
    ASSERT_NE(shown, nullptr);
    QTest::mouseClick(main_->findChild<QPushButton*>("ReportClose"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return main_->DockedChild() != shown || !shown->isVisible(); }, kStepMs));

    // An older report of another run lies beside it; the newest is the one reopened.
    vantis::calibration::RunReport older;
    older.kind = vantis::calibration::RunKind::Maintenance;
    older.outcome = vantis::calibration::RunOutcome::Failed;
    older.start = older.end = 1'000'000'000;
    older.projectors.push_back({});
    older.projectors.back().address = "127.0.10.99";
    vantis::calibration::ApplyThresholds(older);
    std::string error;
    ASSERT_FALSE(vantis::calibration::WriteReport(main_->ReportFolder(), older, &error).empty()) << error;

    last->trigger();
    auto* panel = dynamic_cast<meridan::ReportPanel*>(main_->DockedChild());
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    ASSERT_EQ(panel->Table()->rowCount(), 2);
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(panel->Table()->item(row, 0)->text().toStdString(),
                  wall_->scene().projectors[static_cast<std::size_t>(row)].address);
    EXPECT_TRUE(panel->Summary()->text().startsWith("Calibration")) << panel->Summary()->text().toStdString();
    ExpectConfigurationIntact();
}

// The second board stops while the dialog is open: the Border picture still
// reaches the first, the window answers meanwhile, and the error dialog names
// the board that went.
TEST_F(MeridanSession, BoundaryPictureOnAStoppedBoard) {
    LeaveCameraDialog();
    CBoundaryDlg* boundary = OpenBoundary();
    ASSERT_NE(boundary, nullptr);
    const qint64 fault = clock_.elapsed();
    wall_->board(1).Stop();
    boundary->ChoosePattern(CBoundaryDlg::kBorder);
    EXPECT_TRUE(TimerFiresWithin(1000)) << "the window thread waits for the projectors";
    const auto [at, error] = FirstModalAfter(fault, kStepMs);
    ASSERT_FALSE(error.isEmpty()) << "the failed command was not reported";
    EXPECT_LE(at - fault, kErrorWithinMs);
    EXPECT_TRUE(error.contains(QString::number(wall_->board(1).address_value() & 0xFF)))
        << error.toStdString();
    ASSERT_TRUE(WaitFor([&] { return !main_->IsBusy(); }, kStepMs));
    EXPECT_EQ(wall_->board(0).Snapshot().lines.size(), 4u) << "the live board lost its frame";
    boundary->Exit();
    ExpectResponsive();
    EXPECT_TRUE(wall_->board(0).Snapshot().lines.empty());
}

// A board that takes commands and never answers costs each command its
// time-out, off the window thread. Full Fill, then Border, then Exit given at
// once reach the boards in that order: nothing is left lit after Exit, and
// the stored picture does not come back.
TEST_F(MeridanSession, BoundaryPicturesOnASilentBoardKeepTheirOrder) {
    LeaveCameraDialog();
    CBoundaryDlg* boundary = OpenBoundary();
    ASSERT_NE(boundary, nullptr);
    vantis::delays::SetTimeoutScale(0.02);  // 200 ms a command
    wall_->board(1).SetFault(wallsim::Fault::Of(wallsim::FaultMode::kSilent));
    const qint64 fault = clock_.elapsed();
    boundary->ChoosePattern(CBoundaryDlg::kFullFill);
    boundary->ChoosePattern(CBoundaryDlg::kBorder);
    EXPECT_TRUE(main_->IsBusy());
    EXPECT_TRUE(TimerFiresWithin(150)) << "the window thread waits for the projectors";
    boundary->Exit();
    boundary->ShowStoredPattern();  // after Exit: nothing
    EXPECT_TRUE(TimerFiresWithin(150));
    const auto [at, error] = FirstModalAfter(fault, kStepMs);
    ASSERT_FALSE(error.isEmpty()) << "the silent board was not reported";
    ASSERT_TRUE(WaitFor([&] { return !main_->IsBusy(); }, kStepMs));
    main_->WaitForJobs();
    vantis::delays::SetTimeoutScale(1.0);
    const wallsim::BoardState live = wall_->board(0).Snapshot();
    EXPECT_FALSE(live.solidShown) << "Full Fill came after Exit's clear";
    EXPECT_TRUE(live.lines.empty()) << "Border came after Exit's clear";
    wall_->board(1).ClearFault();
    ExpectResponsive();
}

// Automatic on the simulated wall: the engine's boundary from fresh photos is
// in the grid, the adjust points of the grid number lie on it and can be
// moved, and Reset Boundary gives what it gave before.
TEST_F(MeridanSession, AutomaticBoundaryLoadsTheGridAndResetUndoesIt) {
    LeaveCameraDialog();
    CBoundaryDlg* boundary = OpenBoundary();
    ASSERT_NE(boundary, nullptr);
    auto& doc = main_->Doc();
    // An earlier calibration left its photos.
    doc.m_bCalibrated = true;
    for (auto& c : doc.m_channels) {
        c->m_strCenterPhoto = "centre.png";
        c->m_strGridPhoto = "grid.png";
    }
    boundary->ResetBoundary();
    const BoundaryGrid reset = vantis::calibration::BoundaryGridOf(doc.m_boundary);

    auto* automatic = boundary->findChild<QPushButton*>("automaticButton");
    ASSERT_NE(automatic, nullptr);
    EXPECT_EQ(automatic->text(), "Automatic");
    QTest::mouseClick(automatic, Qt::LeftButton);
    ASSERT_NE(main_->WorkflowJob(), 0u);
    ASSERT_TRUE(main_->WaitWindow());
    EXPECT_TRUE(TimerFiresWithin(1000)) << "the window thread waits for the photos";
    ASSERT_TRUE(WaitFor([&] { return main_->WorkflowJob() == 0 && !main_->IsBusy(); }, kStepMs));
    ASSERT_TRUE(main_->LastJobEnd().startsWith("Automatic boundary found"))
        << main_->LastJobEnd().toStdString();

    const BoundaryGrid loaded = vantis::calibration::BoundaryGridOf(doc.m_boundary);
    BoundaryGrid engine;
    ASSERT_EQ(vantis::calibration::FindAutoBoundary(doc, {}, &engine).status, kBoundaryOk);
    EXPECT_EQ(loaded, engine) << "the grid is not the engine's boundary of the photos taken";
    const cv::Size picture(static_cast<int>(wall_->scene().camera.width),
                           static_cast<int>(wall_->scene().camera.height));
    EXPECT_EQ(vantis::calibration::CheckBoundaryShape(loaded, picture),
              vantis::calibration::BoundaryFault::None);
    // Grid number 2x2: the four adjust points are the grid's corners.
    const auto& a = doc.m_boundary.m_tableA;
    const auto& b = doc.m_boundary.m_tableB;
    EXPECT_FLOAT_EQ(a.x[0][0], b.x[0][0]);
    EXPECT_FLOAT_EQ(a.y[0][0], b.y[0][0]);
    EXPECT_FLOAT_EQ(a.x[1][1], b.x[kBoundaryColumns - 1][kBoundaryRows - 1]);
    EXPECT_FLOAT_EQ(a.y[1][1], b.y[kBoundaryColumns - 1][kBoundaryRows - 1]);

    // The operator moves the top-right point one pixel down.
    const float y = a.y[1][0];
    QTest::keyClick(boundary, Qt::Key_D);
    QTest::keyClick(boundary, Qt::Key_Down);
    EXPECT_FLOAT_EQ(a.y[1][0], y + 1.0f);

    boundary->ResetBoundary();
    EXPECT_EQ(vantis::calibration::BoundaryGridOf(doc.m_boundary), reset);
    boundary->Exit();
    ExpectResponsive();
    // Its photos replaced the calibration's: a Calibration, not a Re-calibration, comes next.
    EXPECT_FALSE(main_->GetButton(CVantisAutoDlg::kRecalibration)->isEnabled());
}

// The second projector's board refuses every command: it shows the same
// picture in the photo of the blank wall as in its own white one, so the
// camera sees no light of its own from it. The engine refuses, the operator reads why, and
// the boundary is the one there was.
TEST_F(MeridanSession, AutomaticBoundaryFailureLeavesTheBoundary) {
    LeaveCameraDialog();
    CBoundaryDlg* boundary = OpenBoundary();
    ASSERT_NE(boundary, nullptr);
    const BoundaryGrid before = vantis::calibration::BoundaryGridOf(main_->Doc().m_boundary);
    wall_->board(1).SetFault(wallsim::Fault::Of(wallsim::FaultMode::kRefuse));
    const qint64 started = clock_.elapsed();
    boundary->Automatic();
    ASSERT_TRUE(WaitFor([&] { return main_->WorkflowJob() == 0 && !main_->IsBusy(); }, kStepMs));
    const auto [at, error] = FirstModalAfter(started, kErrorWithinMs);
    std::printf("%s\n", error.toStdString().c_str());
    EXPECT_TRUE(error.startsWith("No automatic boundary")) << error.toStdString();
    EXPECT_EQ(vantis::calibration::BoundaryGridOf(main_->Doc().m_boundary), before);

    // The board goes altogether: named at once, the boundary still untouched.
    wall_->board(1).ClearFault();
    const qint64 again = clock_.elapsed();
    wall_->board(1).Stop();
    boundary->Automatic();
    ASSERT_TRUE(WaitFor([&] { return main_->WorkflowJob() == 0 && !main_->IsBusy(); }, kStepMs));
    const auto lost = FirstModalAfter(again, kErrorWithinMs);
    EXPECT_TRUE(lost.second.contains(QString::number(wall_->board(1).address_value() & 0xFF)))
        << lost.second.toStdString();
    EXPECT_EQ(vantis::calibration::BoundaryGridOf(main_->Doc().m_boundary), before);
    boundary->Exit();
    ExpectResponsive();
}

// A boundary collapsed to a point is refused with its message before any
// projector command: the boards receive nothing.
TEST_F(MeridanSession, CalibrationRefusesACollapsedBoundaryBeforeAnyCommand) {
    LeaveCameraDialog();
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        vantis::calibration::SetBoundaryGrid(
            BoundaryGrid(static_cast<std::size_t>(kBoundaryColumns) * kBoundaryRows, cv::Point2f(5, 5)),
            main_->Doc().m_boundary);
    }
    std::size_t frames[2];
    for (int i = 0; i < 2; ++i) frames[i] = wall_->board(i).Snapshot().framesReceived;
    const qint64 started = clock_.elapsed();
    main_->OnCalibration();
    const auto [at, error] = FirstModalAfter(started, kErrorWithinMs);
    EXPECT_EQ(error.toStdString(),
              vantis::calibration::BoundaryFaultText(vantis::calibration::BoundaryFault::Collapsed));
    main_->WaitForJobs();
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(wall_->board(i).Snapshot().framesReceived, frames[i])
            << "board " << i << " was sent a command";
}

}  // namespace
