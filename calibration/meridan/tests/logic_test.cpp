// The main window's decisions, the start-up checks and the connection job,
// without a window. The connection job runs against simulated boards on
// 127.0.0.180-189.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "meridan/connection_job.h"
#include "meridan/main_logic.h"
#include "meridan/startup.h"
#include "test_env.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"
#include "wallsim/board_server.h"

using VantisAuto::CDoc;

namespace {

TEST(MainLogic, ChannelImagesFollowStateAndSelection) {
    EXPECT_EQ(meridan::ChannelImageIndex(0, false), 0);
    EXPECT_EQ(meridan::ChannelImageIndex(0, true), 1);
    EXPECT_EQ(meridan::ChannelImageIndex(2, false), 2);
    EXPECT_EQ(meridan::ChannelImageIndex(2, true), 3);
    EXPECT_EQ(meridan::ChannelImageIndex(4, false), 4);
    EXPECT_EQ(meridan::ChannelImageIndex(4, true), 5);
}

TEST(MainLogic, ButtonsAfterJobFollowTheDocument) {
    CDoc doc;
    doc.m_nSolution = 0;
    auto b = meridan::ButtonsAfterJob(doc, 1);
    EXPECT_TRUE(b.camera && b.reset);
    EXPECT_FALSE(b.resync || b.recalibration || b.others);
    doc.m_bSyncReady = 1;
    doc.m_bCalibrated = true;
    doc.m_nSolution = 2;
    b = meridan::ButtonsAfterJob(doc, 1);
    EXPECT_TRUE(b.resync && b.recalibration && b.others);
    b = meridan::ButtonsAfterJob(doc, 0);
    EXPECT_FALSE(b.camera || b.reset || b.resync || b.recalibration || b.others);
}

TEST(MainLogic, TypedLabelReplacesTheLastOctet) {
    EXPECT_EQ(meridan::AddressFromLabel("12", 0xC0A8000Bu), 0xC0A8000Cu);
    EXPECT_EQ(meridan::AddressFromLabel(" 7 ", 0x7F0000B4u), 0x7F000007u);
    // Text that is not an address octet never reaches the network part.
    EXPECT_FALSE(meridan::AddressFromLabel("300", 0xC0A8000Bu));
    EXPECT_FALSE(meridan::AddressFromLabel("0", 0xC0A8000Bu));
    EXPECT_FALSE(meridan::AddressFromLabel("12a", 0xC0A8000Bu));
    EXPECT_FALSE(meridan::AddressFromLabel("", 0xC0A8000Bu));
    EXPECT_FALSE(meridan::AddressFromLabel("-5", 0xC0A8000Bu));
}

TEST(MainLogic, AddressRepeatIncludesTheEditedChannel) {
    CDoc doc;
    doc.AddChannel(0xC0A8000Bu);
    doc.AddChannel(0xC0A8000Cu);
    EXPECT_TRUE(meridan::IsAddressRepeat(doc, 0xC0A8000Bu));
    EXPECT_TRUE(meridan::IsAddressRepeat(doc, 0xC0A8000Cu));
    EXPECT_FALSE(meridan::IsAddressRepeat(doc, 0xC0A8000Du));
}

TEST(MainLogic, DeleteNeedsMoreThanTwoChannels) {
    CDoc doc;
    doc.AddChannel(0xC0A8000Bu);
    doc.AddChannel(0xC0A8000Cu);
    EXPECT_EQ(meridan::DeleteChannelAt(doc, 0), -1);
    EXPECT_EQ(doc.m_channels.size(), 2u);
    doc.AddChannel(0xC0A8000Du);
    EXPECT_EQ(meridan::DeleteChannelAt(doc, 5), -1);
    EXPECT_EQ(meridan::DeleteChannelAt(doc, 1), 2);
    ASSERT_EQ(doc.m_channels.size(), 2u);
    EXPECT_EQ(doc.m_channels[0]->m_dwIp, 0xC0A8000Bu);
    EXPECT_EQ(doc.m_channels[1]->m_dwIp, 0xC0A8000Du);
}

TEST(MainLogic, CameraCheck) {
    const std::wstring c920 = L"HD Pro Webcam C920";
    // The stored camera is still there: nothing happens.
    auto c = meridan::DecideCameraCheck(c920, {L"other", c920}, true);
    EXPECT_FALSE(c.stopView || c.clearName);
    // It went away while the view was open.
    c = meridan::DecideCameraCheck(c920, {L"other"}, true);
    EXPECT_TRUE(c.stopView && c.clearName);
    c = meridan::DecideCameraCheck(c920, {}, true);
    EXPECT_TRUE(c.stopView && c.clearName);
    // No open view: nothing to stop.
    c = meridan::DecideCameraCheck(c920, {}, false);
    EXPECT_FALSE(c.stopView);
}

TEST(Startup, MissingIniGivesMessage506) {
    meridan::test::TempHome home;
    const auto s = meridan::RunStartup(home.root() / "absent.ini", "ENU");
    EXPECT_EQ(s.outcome, meridan::Startup::Outcome::IniFailed);
    EXPECT_EQ(s.message, "An error occurred when load default.ini. Please re-install software again.");
}

TEST(Startup, SecondInstanceIsRefusedWithMessage110) {
    meridan::test::TempHome home;
    const auto ini = home.WriteIni("Wall", "Acme");
    auto first = meridan::RunStartup(ini, "ENU");
    ASSERT_EQ(first.outcome, meridan::Startup::Outcome::Ready);
    EXPECT_EQ(first.defaults.appTitle, "Warp Tools");
    auto second = meridan::RunStartup(ini, "ENU");
    EXPECT_EQ(second.outcome, meridan::Startup::Outcome::AlreadyRunning);
    EXPECT_EQ(second.message, "The Wall is already exist.");
    // Once the first ends, a new start succeeds.
    first.lock.reset();
    EXPECT_EQ(meridan::RunStartup(ini, "ENU").outcome, meridan::Startup::Outcome::Ready);
}

TEST(Startup, TranslationFileFollowsTheLanguageSuffix) {
    EXPECT_EQ(meridan::TranslationFile("/opt/m", "CHT"), "/opt/m/translations/VantisAutoCHT.qm");
    EXPECT_EQ(meridan::TranslationFile("/opt/m", vantis::model::LanguageSuffixForLocale("zh_CN.UTF-8")),
              "/opt/m/translations/VantisAutoCHS.qm");
    EXPECT_EQ(vantis::model::LanguageSuffixForLocale("de_DE.UTF-8"), "ENU");
}

// --- connection job --------------------------------------------------------------

class AlwaysAnswers : public vantis::model::EchoProber {
public:
    bool Echo(std::uint32_t, std::chrono::milliseconds) override { return true; }
};

struct Recorder : meridan::ConnectionReporter {
    bool answer = true;
    bool asked = false;
    int high = -1;
    std::vector<int> steps;
    std::vector<int> messages;
    std::vector<vantis::messages::ErrorReport> errors;
    std::vector<bool> busy;
    int ended = -1;
    bool closed = false;
    std::atomic<bool>* stopAfterFirst = nullptr;

    bool AskResetAll() override { return asked = true, answer; }
    void Busy(bool b) override { busy.push_back(b); }
    void SetProgressRange(int h) override { high = h; }
    void Progress(int id, int, int step) override {
        messages.push_back(id);
        steps.push_back(step);
        if (stopAfterFirst) *stopAfterFirst = true;
    }
    bool ProgressSuppressed() override { return false; }
    void ChannelsChanged() override {}
    void ReportError(const vantis::messages::ErrorReport& r) override { errors.push_back(r); }
    void CloseWaitWindow() override { closed = true; }
    void JobEnded(int e) override { ended = e; }
};

struct Wall {
    std::vector<std::unique_ptr<wallsim::BoardServer>> boards;
    CDoc doc;
    Wall(int count, int first, int last) {
        for (int i = 0; i < count; ++i) {
            boards.push_back(wallsim::BoardServer::StartInRange(first, last));
            if (!boards.back()) throw std::runtime_error("no free board address");
            doc.AddChannel(boards.back()->address_value());
        }
    }
};

TEST(ConnectionJob, YesResetsEveryProjectorOverSixSteps) {
    Wall wall(3, 180, 184);
    Recorder r;
    AlwaysAnswers echo;
    std::atomic<bool> stop{false};
    const auto result = meridan::RunConnectionJob(wall.doc, r, false, stop, &echo);
    EXPECT_TRUE(r.asked);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(r.high, 17);
    ASSERT_EQ(r.steps.size(), 18u);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(r.steps[static_cast<std::size_t>(i)], i);
    EXPECT_EQ((std::vector<int>(r.messages.begin(), r.messages.begin() + 6)),
              (std::vector<int>{109, 500, 501, 502, 503, 504}));
    EXPECT_EQ(r.ended, 1);
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(wall.doc.m_bConnected);
    for (auto& c : wall.doc.m_channels) {
        EXPECT_EQ(c->m_nState, 0);
        EXPECT_NE(c->m_hLink, 0);
    }
    for (auto& b : wall.boards) EXPECT_EQ(b->Snapshot().savesPerformed, 1);
    // The lock is free again.
    EXPECT_TRUE(VantisAuto::DocumentLock().try_lock());
    VantisAuto::DocumentLock().unlock();
}

TEST(ConnectionJob, NoConnectsWithoutResetOverFourSteps) {
    Wall wall(3, 185, 189);
    Recorder r;
    r.answer = false;
    AlwaysAnswers echo;
    std::atomic<bool> stop{false};
    EXPECT_TRUE(meridan::RunConnectionJob(wall.doc, r, false, stop, &echo).completed);
    EXPECT_EQ(r.high, 11);
    EXPECT_EQ(r.steps.back(), 11);
    for (auto& b : wall.boards) EXPECT_EQ(b->Snapshot().savesPerformed, 0);
}

TEST(ConnectionJob, SilentBoardGivesErrorTenAndStops) {
    Wall wall(1, 180, 184);
    auto quiet = wallsim::QuietAddress::InRange(185, 189);
    ASSERT_TRUE(quiet);
    wall.doc.AddChannel(quiet->address_value());
    auto after = wallsim::BoardServer::StartInRange(180, 189);
    ASSERT_TRUE(after);
    wall.doc.AddChannel(after->address_value());
    Recorder r;
    AlwaysAnswers echo;
    std::atomic<bool> stop{false};
    const auto result = meridan::RunConnectionJob(wall.doc, r, true, stop, &echo);
    EXPECT_FALSE(r.asked);  // a new project counts as Yes without asking
    EXPECT_FALSE(result.completed);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].kind, 1);
    EXPECT_EQ(r.errors[0].code, 10);
    const int octet = static_cast<int>(quiet->address_value() & 0xFF);
    EXPECT_EQ(r.errors[0].text, std::to_string(octet));
    EXPECT_EQ(vantis::messages::ErrorReporter::ReportText(r.errors[0]),
              "[SYSTEM ERROR 0001]:\r\nThe system connecting to projector fail(IP address: " + std::to_string(octet) +
                  "). Please make sure the ethernet cable is attached to the projector.");
    EXPECT_EQ(r.ended, 0);
    EXPECT_TRUE(wall.doc.m_bConnected);  // set also after an error
    EXPECT_EQ(wall.doc.m_channels[0]->m_nState, 0);
    EXPECT_EQ(wall.doc.m_channels[1]->m_nState, 2);
    EXPECT_EQ(wall.doc.m_channels[2]->m_nState, 2);  // the rest are not connected
}

TEST(ConnectionJob, StopRequestEndsBetweenChannelsAndFreesTheLock) {
    Wall wall(2, 186, 189);
    Recorder r;
    AlwaysAnswers echo;
    std::atomic<bool> stop{false};
    r.stopAfterFirst = &stop;
    const auto result = meridan::RunConnectionJob(wall.doc, r, false, stop, &echo);
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(wall.doc.m_channels[1]->m_nState, 2);
    EXPECT_TRUE(VantisAuto::DocumentLock().try_lock());
    VantisAuto::DocumentLock().unlock();
}

}  // namespace
