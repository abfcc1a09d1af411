// The main window on the offscreen platform, against simulated boards on
// 127.0.0.190-199: start-up with and without a configuration, the connection
// job through the wait window, Delete, the address editor, the dock area and
// closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTranslator>

#include <filesystem>

#include "dvOrvelAuto.h"
#include "meridan/CChannelIconListCtrl.h"
#include "meridan/CErrorMsgDlg.h"
#include "meridan/CVantisAutoDlg.h"
#include "meridan/CWaitDlg.h"
#include "meridan/skin/CProgressCtrlEx.h"
#include "meridan/skin/CSkinButton.h"
#include "meridan/startup.h"
#include "qt_test_support.h"
#include "test_env.h"
#include "vantis/ipv4.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/config.h"
#include "vantis/model/timing.h"
#include "vantis/model/warps_file.h"
#include "wallsim/board_server.h"

namespace {

using meridan::test::AlwaysAnswers;
using meridan::test::App;
using meridan::test::WaitFor;

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override { App(); }

    std::unique_ptr<CVantisAutoDlg> MakeWindow(bool load = true) {
        CVantisAutoDlg::Options o;
        o.defaults.vid = "Vendor";
        o.defaults.pid = "Box";
        o.defaults.appTitle = "Warp Tools";
        o.loadSystemConfig = load;
        o.watchDevices = false;
        auto w = std::make_unique<CVantisAutoDlg>(o);
        w->SetEchoProber(&echo_);
        w->SetQuestionHandler([this](const QString& q) {
            questions_.push_back(q);
            return answer_;
        });
        w->SetErrorHandler([this](const QString& e) {
            errors_.push_back(e);
            return 1;
        });
        w->SetMessageHandler([this](const QString& m) { messages_.push_back(m); });
        return w;
    }

    // A system configuration with a channel per board.
    void WriteConfig(const std::vector<std::uint32_t>& addresses, bool connected) {
        VantisAuto::CDoc doc;
        for (auto a : addresses) doc.AddChannel(a);
        doc.m_nStackCount = static_cast<int>(addresses.size());  // room for every channel in the layout
        doc.m_bConnected = connected;
        ASSERT_EQ(vantis::model::SaveSystemConfig(doc, "Vendor"), 1);
    }

    void StartBoards(int count, int first, int last) {
        for (int i = 0; i < count; ++i) {
            boards_.push_back(wallsim::BoardServer::StartInRange(first, last));
            ASSERT_TRUE(boards_.back());
            addresses_.push_back(boards_.back()->address_value());
        }
    }

    meridan::test::TempHome home_;
    AlwaysAnswers echo_;
    bool answer_ = true;
    std::vector<QString> questions_, errors_, messages_;
    std::vector<std::unique_ptr<wallsim::BoardServer>> boards_;
    std::vector<std::uint32_t> addresses_;
};

TEST_F(WindowTest, StartWithoutConfigurationLeavesConnectDisabled) {
    auto w = MakeWindow();
    EXPECT_TRUE(w->Doc().m_channels.empty());
    EXPECT_FALSE(w->GetButton(CVantisAutoDlg::kConnect)->isEnabled());
    EXPECT_TRUE(w->GetButton(CVantisAutoDlg::kNew)->isEnabled());
    EXPECT_EQ(w->ChannelList()->count(), 0);
    EXPECT_EQ(w->windowTitle(), "Warp Tools");
}

TEST_F(WindowTest, ConnectEnabledExactlyWhenTheConfigurationWasConnected) {
    WriteConfig({0xC0A8000Bu, 0xC0A8000Cu}, false);
    {
        auto w = MakeWindow();
        EXPECT_EQ(w->ChannelList()->count(), 2);
        EXPECT_FALSE(w->GetButton(CVantisAutoDlg::kConnect)->isEnabled());
        EXPECT_EQ(w->ChannelList()->item(0)->text(), "011");
        EXPECT_EQ(w->ChannelList()->ImageIndexAt(0), 2);
        // Each channel carries the identity warp of the timing.
        EXPECT_NE(w->Doc().m_channels[0]->m_forward.x[1][0], 0.0f);
    }
    WriteConfig({0xC0A8000Bu, 0xC0A8000Cu}, true);
    auto w = MakeWindow();
    EXPECT_TRUE(w->GetButton(CVantisAutoDlg::kConnect)->isEnabled());
}

TEST_F(WindowTest, ConnectYesShowsProgressToSeventeenForThreeChannels) {
    StartBoards(3, 190, 194);
    WriteConfig(addresses_, true);
    auto w = MakeWindow();
    w->show();
    int high = -1;
    int lastPos = -1;
    w->OnConnect();
    ASSERT_TRUE(w->WaitWindow());
    QPointer<CWaitDlg> wait = w->WaitWindow();
    EXPECT_EQ(wait->Progress()->ProgressText(), "Completed ");
    QProgressBar* bar = wait->Progress();
    QObject::connect(bar, &QProgressBar::valueChanged, [&, bar](int v) {
        lastPos = v;
        high = bar->maximum();
    });
    ASSERT_TRUE(WaitFor([&] { return !w->ConnectionRunning(); }));
    w->WaitForConnection();
    EXPECT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], "Reset All Settings?");
    EXPECT_EQ(high, 17);
    EXPECT_EQ(lastPos, 17);
    EXPECT_TRUE(errors_.empty());
    EXPECT_TRUE(WaitFor([&] { return wait.isNull(); }));  // the wait window closed
    EXPECT_FALSE(w->IsBusy());                            // and the window is idle again
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w->ChannelList()->ImageIndexAt(i), 0);
    EXPECT_TRUE(w->GetButton(CVantisAutoDlg::kCamera)->isEnabled());
    EXPECT_TRUE(w->GetButton(CVantisAutoDlg::kReset)->isEnabled());
    EXPECT_FALSE(w->GetButton(CVantisAutoDlg::kRecalibration)->isEnabled());
    for (auto& b : boards_) EXPECT_EQ(b->Snapshot().savesPerformed, 1);
}

TEST_F(WindowTest, ConnectNoShowsProgressToElevenForThreeChannels) {
    StartBoards(3, 195, 199);
    WriteConfig(addresses_, true);
    answer_ = false;
    auto w = MakeWindow();
    w->show();
    int high = -1;
    w->OnConnect();
    ASSERT_TRUE(w->WaitWindow());
    QProgressBar* bar = w->WaitWindow()->Progress();
    QObject::connect(bar, &QProgressBar::valueChanged, [&, bar](int) { high = bar->maximum(); });
    ASSERT_TRUE(WaitFor([&] { return !w->ConnectionRunning(); }));
    w->WaitForConnection();
    EXPECT_EQ(high, 11);
    for (auto& b : boards_) EXPECT_EQ(b->Snapshot().savesPerformed, 0);
}

TEST_F(WindowTest, BoardThatDoesNotAnswerShowsMessage158AndDisablesButtons) {
    auto quiet = wallsim::QuietAddress::InRange(190, 199);
    ASSERT_TRUE(quiet);
    WriteConfig({quiet->address_value()}, true);
    auto w = MakeWindow();
    w->show();
    w->OnConnect();
    ASSERT_TRUE(WaitFor([&] { return !w->ConnectionRunning(); }));
    w->WaitForConnection();
    ASSERT_EQ(errors_.size(), 1u);
    const int octet = static_cast<int>(quiet->address_value() & 0xFF);
    EXPECT_EQ(errors_[0],
              QString("[SYSTEM ERROR 0001]:\nThe system connecting to projector fail(IP address: %1). "
                      "Please make sure the ethernet cable is attached to the projector.")
                  .arg(octet));
    EXPECT_FALSE(w->GetButton(CVantisAutoDlg::kCamera)->isEnabled());
    EXPECT_FALSE(w->GetButton(CVantisAutoDlg::kReset)->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return !w->IsBusy(); }));
}

TEST_F(WindowTest, DeleteDoesNothingWithTwoAndRemovesTheSelectedOfThree) {
    WriteConfig({0xC0A8000Bu, 0xC0A8000Cu}, false);
    {
        auto w = MakeWindow();
        w->ChannelList()->SelectItem(1);
        w->OnDelete();
        EXPECT_EQ(w->Doc().m_channels.size(), 2u);
        EXPECT_EQ(w->ChannelList()->count(), 2);
    }
    WriteConfig({0xC0A8000Bu, 0xC0A8000Cu, 0xC0A8000Du}, false);
    auto w = MakeWindow();
    w->ChannelList()->SelectItem(1);
    EXPECT_EQ(w->Doc().m_channels[1]->m_bSelected, 1);
    EXPECT_EQ(w->ChannelList()->ImageIndexAt(1), 3);
    w->OnDelete();
    ASSERT_EQ(w->Doc().m_channels.size(), 2u);
    EXPECT_EQ(w->Doc().m_channels[1]->m_dwIp, 0xC0A8000Du);
    ASSERT_EQ(w->ChannelList()->count(), 2);
    EXPECT_EQ(w->ChannelList()->item(1)->text(), "013");
    EXPECT_EQ(w->ChannelList()->GetSelectedItem(), 0);  // the previous item is selected
}

TEST_F(WindowTest, TypingTheChannelsOwnAddressIsRefused) {
    WriteConfig({0xC0A8000Bu, 0xC0A8000Cu}, false);
    auto w = MakeWindow();
    EXPECT_TRUE(w->OnEndLabelEdit(0, "11"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], "IP address repeat !");
    EXPECT_EQ(w->Doc().m_channels[0]->m_dwIp, 0xC0A8000Bu);
    EXPECT_TRUE(w->OnEndLabelEdit(0, "12"));  // the other channel's address
    EXPECT_EQ(messages_.size(), 2u);
    // A free address is taken and shown.
    EXPECT_FALSE(w->OnEndLabelEdit(0, "21"));
    EXPECT_EQ(w->Doc().m_channels[0]->m_dwIp, 0xC0A80015u);
    EXPECT_EQ(w->ChannelList()->item(0)->text(), "021");
    EXPECT_EQ(messages_.size(), 2u);
}

TEST_F(WindowTest, DockedDialogHidesTheMainControlsUntilClosed) {
    auto w = MakeWindow();
    w->show();
    w->OnCamera();  // no camera dialog given: nothing opens
    EXPECT_FALSE(w->DockedChild());
    w->SetDockFactory(CVantisAutoDlg::kDockCamera, [](CVantisAutoDlg&) {
        auto* d = new QWidget;
        d->setObjectName("cameraDialog");
        return d;
    });
    w->OnCamera();
    ASSERT_TRUE(w->DockedChild());
    EXPECT_EQ(w->DockedChild()->objectName(), "cameraDialog");
    EXPECT_FALSE(w->CloseAllowed());
    EXPECT_FALSE(w->ChannelList()->isVisible());
    EXPECT_FALSE(w->close());  // closing waits for the docked dialog
    w->ChildClosed(CVantisAutoDlg::kDockCamera);
    EXPECT_TRUE(w->CloseAllowed());
    EXPECT_TRUE(w->ChannelList()->isVisible());
    // The camera is not open: Boundary and Calibration stay disabled.
    EXPECT_FALSE(w->GetButton(CVantisAutoDlg::kBoundary)->isEnabled());
    EXPECT_FALSE(w->GetButton(CVantisAutoDlg::kCalibration)->isEnabled());
}

TEST_F(WindowTest, NewThenCancelConnectsTheProjectorsAgainWithoutReset) {
    StartBoards(2, 190, 199);
    WriteConfig(addresses_, true);
    answer_ = false;  // Reset All Settings? No
    auto w = MakeWindow();
    w->show();
    w->OnConnect();
    ASSERT_TRUE(WaitFor([&] { return !w->ConnectionRunning(); }));
    w->WaitForConnection();
    for (auto& c : w->Doc().m_channels) ASSERT_EQ(dvOrvelAutoIsAlive(c->m_hLink), 1);
    const std::size_t asked = questions_.size();

    int wizards = 0;
    w->SetWizard([&](CVantisAutoDlg&, VantisAuto::CDoc&) {
        ++wizards;
        return false;  // Cancel
    });
    w->OnNew();
    EXPECT_EQ(wizards, 1);
    ASSERT_TRUE(WaitFor([&] { return !w->ConnectionRunning(); }));
    w->WaitForConnection();
    EXPECT_EQ(questions_.size(), asked);  // reconnecting asks nothing and resets nothing
    for (auto& c : w->Doc().m_channels) EXPECT_EQ(dvOrvelAutoIsAlive(c->m_hLink), 1) << c->Label();
    for (auto& b : boards_) EXPECT_EQ(b->Snapshot().savesPerformed, 0);
    EXPECT_TRUE(w->GetButton(CVantisAutoDlg::kCamera)->isEnabled());
    EXPECT_FALSE(w->IsBusy());

    // New while the connection job runs: Cancel starts it again.
    w->OnConnect();
    w->OnNew();
    EXPECT_EQ(wizards, 2);
    EXPECT_TRUE(w->ConnectionRunning() || w->GetButton(CVantisAutoDlg::kCamera)->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !w->ConnectionRunning(); }));
    w->WaitForConnection();
    for (auto& c : w->Doc().m_channels) EXPECT_EQ(dvOrvelAutoIsAlive(c->m_hLink), 1) << c->Label();
    w->Doc().DisconnectAll();
}

TEST_F(WindowTest, CalibrationShowsProgressAndSaysHowItEnded) {
    // Two projectors and no camera: the photos are missing, the calibration fails.
    StartBoards(2, 190, 199);
    WriteConfig(addresses_, true);
    answer_ = false;
    auto w = MakeWindow();
    w->show();
    w->OnConnect();
    ASSERT_TRUE(WaitFor([&] { return !w->ConnectionRunning(); }));
    w->WaitForConnection();

    w->OnCalibration();
    ASSERT_TRUE(w->WaitWindow());
    QPointer<CWaitDlg> wait = w->WaitWindow();
    EXPECT_EQ(wait->Progress()->maximum(), 1 + 3 * 2 + 1);  // the black photo, three per projector, the warps
    EXPECT_TRUE(wait->StopButton()->isVisible());
    EXPECT_TRUE(wait->StopButton()->isEnabled());  // usable while the window is busy
    EXPECT_TRUE(w->IsBusy());
    EXPECT_FALSE(w->ChannelList()->isEnabled());
    w->WaitForJobs();
    EXPECT_TRUE(WaitFor([&] { return wait.isNull(); }));  // the wait window closed with the end
    EXPECT_FALSE(w->IsBusy());
    EXPECT_TRUE(w->ChannelList()->isEnabled());
    ASSERT_FALSE(errors_.empty());
    EXPECT_EQ(w->LastJobEnd(), messages_.back());
    EXPECT_TRUE(w->LastJobEnd().startsWith("Calibration failed after ")) << w->LastJobEnd().toStdString();
    EXPECT_TRUE(w->LastJobEnd().contains("0 of 2 projectors")) << w->LastJobEnd().toStdString();
    // The projectors were not left blanked.
    for (auto& b : boards_) EXPECT_FALSE(b->Snapshot().blanked);
    w->Doc().DisconnectAll();
}

TEST_F(WindowTest, ClosingSavesTheSystemConfiguration) {
    StartBoards(2, 190, 199);
    WriteConfig(addresses_, true);
    auto w = MakeWindow();
    w->show();
    // What the window read is gone: only the window's own save can bring it back.
    std::filesystem::remove(vantis::model::SystemConfigPath("Vendor", "Config"));
    VantisAuto::CDoc none;
    ASSERT_NE(vantis::model::LoadSystemConfig(none, "Vendor"), 1);
    w->OnConnect();
    // Close at once: the connection worker is asked to stop and is waited for.
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->ConnectionRunning());
    VantisAuto::CDoc saved;
    ASSERT_EQ(vantis::model::LoadSystemConfig(saved, "Vendor"), 1);
    ASSERT_EQ(saved.m_channels.size(), 2u);
    EXPECT_EQ(saved.m_channels[0]->m_dwIp, addresses_[0]);
    EXPECT_EQ(saved.m_channels[1]->m_dwIp, addresses_[1]);
    EXPECT_TRUE(saved.m_bConnected);
}

TEST_F(WindowTest, ExportMpcdiWritesTheContainerOrSaysWhyNot) {
    StartBoards(2, 190, 199);
    WriteConfig(addresses_, false);
    auto w = MakeWindow();
    const std::filesystem::path out = home_.root() / "wall.mpcdi";
    w->OnExportMpcdi(QString::fromStdString(out.string()));
    EXPECT_TRUE(std::filesystem::is_regular_file(out));
    EXPECT_TRUE(errors_.empty());
    // A loaded project holds no warps: both channels go out with their identity warp, and the operator hears
    // so.
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].contains("identity warp: 1, 2")) << messages_[0].toStdString();

    // The warps the last calibration kept beside the configuration stand in, when they are of these channels.
    const auto keep = [&](const std::string& firstAddress) {
        std::vector<vantis::model::StoredWarp> warps;
        const auto panel = vantis::model::TimingOf(w->Doc().m_nTiming);
        for (const auto& channel : w->Doc().m_channels) {
            vantis::model::StoredWarp s;
            s.address = warps.empty() ? firstAddress : vantis::FormatIpv4(channel->m_dwIp);
            s.panelWidth = panel.width;
            s.panelHeight = panel.height;
            s.warp.columns = vantis::model::WarpNodesFor(panel.width);
            s.warp.rows = vantis::model::WarpNodesFor(panel.height);
            for (int i = 0; i < s.warp.rows; ++i)
                for (int j = 0; j < s.warp.columns; ++j) {
                    s.warp.x.push_back(static_cast<float>(std::min(16 * j, panel.width) * 0.9 + 40));
                    s.warp.y.push_back(static_cast<float>(std::min(16 * i, panel.height) * 0.9 + 30));
                }
            warps.push_back(std::move(s));
        }
        std::string error;
        ASSERT_TRUE(vantis::model::SaveWarps(
            vantis::model::SystemConfigPath("Vendor").parent_path() / vantis::model::kWarpsFileName, warps,
            &error))
            << error;
    };
    keep(vantis::FormatIpv4(addresses_[0]));
    w->OnExportMpcdi(QString::fromStdString(out.string()));
    EXPECT_EQ(messages_.size(), 1u);  // nothing more to say
    keep("127.0.0.254");              // another wall's
    w->OnExportMpcdi(QString::fromStdString(out.string()));
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_TRUE(messages_[1].contains("identity warp: 1, 2")) << messages_[1].toStdString();
    EXPECT_TRUE(errors_.empty());

    const std::filesystem::path nowhere = home_.root() / "missing" / "wall.mpcdi";
    w->OnExportMpcdi(QString::fromStdString(nowhere.string()));
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_TRUE(errors_[0].contains("cannot write")) << errors_[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST_F(WindowTest, ErrorTextIsShownInTheInstalledLanguage) {
    // The translations are built beside the programs, the test programs among them.
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(
        QString::fromStdString(meridan::TranslationFile(vantis::model::ExecutableFolder(), "CHS").string())));
    QCoreApplication::installTranslator(&chinese);
    const QString settled =
        meridan::DisplayText(meridan::Messages().Text(meridan::msg::kPictureNeverSettled));
    const QString capture = meridan::DisplayText(meridan::Messages().Text(meridan::msg::kCaptureFailed));
    QCoreApplication::removeTranslator(&chinese);
    EXPECT_TRUE(settled.startsWith("[CORRECT ERROR 0006]:\n")) << settled.toStdString();
    EXPECT_TRUE(settled.contains(QString::fromUtf8("摄像机画面"))) << settled.toStdString();
    EXPECT_TRUE(settled.contains("PHOTO_WAIT=fixed")) << settled.toStdString();
    // A message without a translation is shown as it is.
    EXPECT_TRUE(capture.startsWith("[CORRECT ERROR 0001]:\n System can't")) << capture.toStdString();
    // Without the translation installed, the table's text.
    EXPECT_TRUE(meridan::DisplayText(meridan::Messages().Text(meridan::msg::kPictureNeverSettled))
                    .contains("kept changing"));
}

TEST_F(WindowTest, ErrorDialogShowsTheTextReadOnly) {
    CErrorMsgDlg d(meridan::DisplayText("[CORRECT ERROR 0001]:\r\n text"));
    EXPECT_EQ(d.windowTitle(), "WARNNING");
    EXPECT_EQ(d.Text(), "[CORRECT ERROR 0001]:\n text");
}

}  // namespace
