// The main window's decisions and the start-up checks, without a window.
#include <gtest/gtest.h>

#include <vector>

#include "meridan/main_logic.h"
#include "meridan/startup.h"
#include "test_env.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"

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
    // Re-calibration computes from the calibration's photos: a channel whose
    // centre and grid photos were replaced (by the automatic boundary's) has none.
    auto* c = doc.AddChannel(0x7F000001);
    c->m_strCenterPhoto = "centre.png";
    c->m_strGridPhoto = "grid.png";
    EXPECT_TRUE(meridan::ButtonsAfterJob(doc, 1).recalibration);
    c->m_strGridPhoto.clear();
    EXPECT_FALSE(meridan::ButtonsAfterJob(doc, 1).recalibration);
    EXPECT_FALSE(meridan::CanRecalibrate(doc));
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

TEST(Startup, ADataFolderWithASemicolonIsRefused) {
    meridan::test::TempHome home;
    const auto ini = home.WriteIni("Wall", "Acme");
    const std::string data = (home.root() / "da;ta").string();
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    const auto s = meridan::RunStartup(ini, "ENU");
    EXPECT_EQ(s.outcome, meridan::Startup::Outcome::DataFolderRefused);
    EXPECT_NE(s.message.find(data), std::string::npos) << s.message;
    EXPECT_EQ(s.lock, nullptr);
}

TEST(Startup, TranslationFileFollowsTheLanguageSuffix) {
    EXPECT_EQ(meridan::TranslationFile("/opt/m", "CHT"), "/opt/m/translations/VantisAutoCHT.qm");
    EXPECT_EQ(meridan::TranslationFile("/opt/m", vantis::model::LanguageSuffixForLocale("zh_CN.UTF-8")),
              "/opt/m/translations/VantisAutoCHS.qm");
    EXPECT_EQ(vantis::model::LanguageSuffixForLocale("de_DE.UTF-8"), "ENU");
}

}  // namespace
