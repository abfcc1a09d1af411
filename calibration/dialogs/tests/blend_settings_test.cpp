// The edge-blending settings dialog against a simulated board on
// 127.0.0.214-215 (offscreen): a drag downloads once, on release, off the
// window thread; keys step by 0.1; changes made during a download follow it
// in one more; the main window shows one such dialog, with a close button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "../../meridan/tests/qt_test_support.h"
#include "../../meridan/tests/test_env.h"
#include "dialogs/CBlendSettingsDlg.h"
#include "dialogs/install.h"
#include "dvOrvelAuto.h"
#include "meridan/CVantisAutoDlg.h"
#include "vantis/model/document.h"
#include "wallsim/board_server.h"

namespace {

using meridan::test::App;

class BlendSettings : public ::testing::Test {
  protected:
    void SetUp() override { App(); }

    // Records each download's gamma and thread, then downloads for real.
    void Record(CBlendSettingsDlg& d, VantisAuto::CDoc& doc) {
        d.SetDownloader([this, &doc](double gamma) {
            {
                std::lock_guard lock(mutex_);
                gammas_.push_back(gamma);
                threads_.push_back(std::this_thread::get_id());
            }
            doc.DownloadBlends(gamma);
        });
    }
    std::vector<double> Gammas() {
        std::lock_guard lock(mutex_);
        return gammas_;
    }

    meridan::test::TempHome home_;
    std::mutex mutex_;
    std::vector<double> gammas_;
    std::vector<std::thread::id> threads_;
};

TEST_F(BlendSettings, DragDownloadsOnceOnRelease) {
    auto board = wallsim::BoardServer::StartInRange(214, 215);
    ASSERT_TRUE(board);
    VantisAuto::CDoc doc;
    doc.m_nLayout = 1;
    auto* c = doc.AddChannel(board->address_value());
    c->m_hLink = dvOrvelAutoOpen(board->address_value());
    ASSERT_NE(c->m_hLink, 0);
    CBlendSettingsDlg d(doc);
    Record(d, doc);
    d.show();
    ASSERT_EQ(d.Slider()->value(), 22);
    const std::size_t frames = board->Snapshot().framesReceived;

    // Dragging from 2.2 to 3.0: the text follows, nothing is downloaded.
    d.Slider()->setSliderDown(true);
    for (int v = 23; v <= 30; ++v) d.Slider()->setValue(v);
    EXPECT_EQ(d.Text()->text(), "Gamma: 3.0");
    QCoreApplication::processEvents();
    EXPECT_EQ(d.Downloads(), 0);
    EXPECT_EQ(board->Snapshot().framesReceived, frames);

    // Let go: one download with the final value, on another thread.
    d.Slider()->setSliderDown(false);
    ASSERT_TRUE(d.WaitIdle());
    EXPECT_EQ(d.Downloads(), 1);
    EXPECT_EQ(Gammas(), std::vector<double>{3.0});
    EXPECT_NE(threads_.at(0), std::this_thread::get_id());
    EXPECT_GT(board->Snapshot().framesReceived, frames);
    EXPECT_DOUBLE_EQ(board->Snapshot().blend.Gamma(), 3.0);
    EXPECT_DOUBLE_EQ(doc.m_gamma.m_gamma, 3.0);

    // A key steps by 0.1 and downloads at once; a page by 0.5.
    EXPECT_EQ(d.Slider()->singleStep(), 1);
    EXPECT_EQ(d.Slider()->pageStep(), 5);
    QTest::keyClick(d.Slider(), Qt::Key_Left);
    ASSERT_TRUE(d.WaitIdle());
    EXPECT_EQ(d.Text()->text(), "Gamma: 2.9");
    EXPECT_EQ(d.Downloads(), 2);
    EXPECT_DOUBLE_EQ(board->Snapshot().blend.Gamma(), 2.9);
    d.Slider()->setValue(29);  // where it is: nothing to send
    ASSERT_TRUE(d.WaitIdle());
    EXPECT_EQ(d.Downloads(), 2);
    d.close();
    doc.DisconnectAll();
}

TEST_F(BlendSettings, ChangesDuringADownloadFollowInOneMore) {
    VantisAuto::CDoc doc;
    doc.m_nLayout = 1;
    CBlendSettingsDlg d(doc);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<double> sent;
    std::mutex m;
    d.SetDownloader([&, released](double gamma) {
        {
            std::lock_guard lock(m);
            sent.push_back(gamma);
        }
        released.wait();
    });
    d.Slider()->setValue(25);  // a click on the track: downloads at once
    // The window thread is free while the projectors are busy.
    EXPECT_TRUE(d.Downloading());
    d.Slider()->setValue(26);
    d.Slider()->setValue(27);
    EXPECT_EQ(d.Text()->text(), "Gamma: 2.7");
    EXPECT_EQ(d.Downloads(), 1);
    release.set_value();
    ASSERT_TRUE(d.WaitIdle());
    EXPECT_EQ(d.Downloads(), 2);
    std::lock_guard lock(m);
    EXPECT_EQ(sent, (std::vector<double>{2.5, 2.7}));
}

TEST_F(BlendSettings, OthersShowsOneDialogWithACloseButton) {
    CVantisAutoDlg::Options o;
    o.defaults.vid = "Vendor";
    o.defaults.pid = "Box";
    o.loadSystemConfig = false;
    o.watchDevices = false;
    CVantisAutoDlg main(o);
    meridan::dialogs::Install(main);
    main.Doc().m_nLayout = 1;
    main.OnOthers();
    main.OnOthers();
    main.OnOthers();
    QCoreApplication::processEvents();
    const auto open = main.findChildren<CBlendSettingsDlg*>();
    ASSERT_EQ(open.size(), 1);
    QPointer<CBlendSettingsDlg> dialog(open.front());
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_NE(dialog->CloseButton(), nullptr);
    EXPECT_TRUE(dialog->CloseButton()->isVisible());
    QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull()) << "closed and gone";
    main.OnOthers();  // and a new one after that
    EXPECT_EQ(main.findChildren<CBlendSettingsDlg*>().size(), 1);
}

}  // namespace
