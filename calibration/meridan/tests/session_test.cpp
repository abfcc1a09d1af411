// Scripted sessions of the real main window, with its dialogs, against a
// simulated wall in the test process (boards on 127.0.0.221-228 and
// 127.0.10.11-12, two per test so that the tests may run side by side; the virtual
// camera on a socket in the test's home): a fault during Calibration (the
// boards or the camera go away) must end in an error dialog within seconds,
// leave a window whose menus open and a system configuration that is whole;
// Auto Tune stops on request and is joined when the window goes; Last report
// reopens the newest report after a calibration and says so when there is none.
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
#include "vantis/model/config.h"
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
        return 221;
    }
    static std::string Network() {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return name == "LastReportReopensTheNewestReport" ? "127.0.10." : "127.0.0.";
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

}  // namespace
