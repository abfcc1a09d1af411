#include <gtest/gtest.h>

#include <thread>

#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

using VantisAuto::CDoc;
namespace vm = vantis::model;

TEST(Document, ChannelLabelIsTheLastOctetInThreeDigits) {
    CDoc doc;
    EXPECT_EQ(doc.AddChannel(0xC0A8000B)->Label(), "011");
    EXPECT_EQ(doc.AddChannel(0xC0A800E7)->Label(), "231");
    EXPECT_EQ(doc.AddChannel(0x0A000000)->Label(), "000");
    EXPECT_EQ(doc.m_channels[1]->LastOctet(), 231);
}

TEST(Document, RemoveDeletesEveryChannelWithTheAddressAndKeepsOrder) {
    CDoc doc;
    for (std::uint32_t a : {11u, 12u, 11u, 13u, 11u}) doc.AddChannel(0xC0A80000 | a);
    doc.RemoveChannel(0xC0A8000B);
    ASSERT_EQ(doc.m_channels.size(), 2u);
    EXPECT_EQ(doc.m_channels[0]->LastOctet(), 12);
    EXPECT_EQ(doc.m_channels[1]->LastOctet(), 13);
    doc.m_channels[0]->m_threshold = 40.0;
    doc.ClearThresholds();
    EXPECT_EQ(doc.m_channels[0]->m_threshold, 0.0);
    doc.DeleteAllChannels();
    EXPECT_TRUE(doc.m_channels.empty());
}

TEST(Document, TimingAndLayoutTables) {
    CDoc doc;
    int w = -1, h = -1;
    for (int t : {3, 5, 7, 9, 14, 100, -1}) {
        doc.m_nTiming = t;
        doc.GetTimingSize(&w, &h);
        EXPECT_EQ(w, 0) << t;
        EXPECT_EQ(h, 0) << t;
        EXPECT_EQ(doc.m_fRefresh, 0.0f) << t;
    }
    doc.m_nTiming = 1;
    doc.GetTimingSize(&w, &h);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
    EXPECT_EQ(doc.m_fRefresh, 120.0f);
    EXPECT_EQ(doc.PatternType(), 4);
    EXPECT_EQ(vm::PatternTypeOfTiming(6), 5);
    EXPECT_EQ(vm::PatternTypeOfTiming(14), 5);
    EXPECT_EQ(vm::PatternTypeOfTiming(8), 3);
    EXPECT_EQ(vm::TimingOf(13).refresh, 50.0f);
    EXPECT_EQ(vm::LayoutOf(12).columns, 3);
    EXPECT_EQ(vm::LayoutOf(12).rows, 2);
    EXPECT_EQ(vm::LayoutOf(10).rows, 6);
    EXPECT_EQ(vm::LayoutOf(14).columns, 1);
    EXPECT_STREQ(vm::kLayoutLabels[13], " 3 Row x 2 Column");
    EXPECT_STREQ(vm::kWizardTimings[2].label, "1080p (1920x1080) ");
    EXPECT_EQ(vm::kWizardTimings[6].timing, 1);
}

TEST(Document, LockIsReentrantAndSerialisesThreads) {
    CDoc doc;
    VantisAuto::DocLock outer(VantisAuto::DocumentLock());
    doc.Start();  // takes the lock again on the same thread
    doc.SetCameraName(L"cam");
    EXPECT_EQ(doc.m_bRunning, 1);
    bool otherGotIt = false;
    std::thread other([&] {
        otherGotIt = VantisAuto::DocumentLock().try_lock();
        if (otherGotIt) VantisAuto::DocumentLock().unlock();
    });
    other.join();
    EXPECT_FALSE(otherGotIt);
    doc.Stop();
    EXPECT_EQ(doc.m_bRunning, 0);
    EXPECT_EQ(doc.GetCameraName(), L"cam");
    doc.ClearCameraName();
    EXPECT_TRUE(doc.GetCameraName().empty());
}
