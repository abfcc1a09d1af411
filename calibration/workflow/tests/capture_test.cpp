// The capture's photo numbering, paths and photo checks, with a recording camera.
#include <gtest/gtest.h>

#include <future>

#include "calibration/capture.h"
#include "fake_camera.h"
#include "test_support.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"

namespace vantis::calibration {
namespace {

using testing::FakeCamera;
using testing::RecordingReporter;
using testing::TempFolder;

CaptureOptions OptionsFor(const TempFolder& t) {
    CaptureOptions o;
    o.vendorWord = "Vendor";
    o.dataHome = t.path();
    return o;
}

TEST(Capture, NChannelsTakePhotosZeroToThreeN) {
    TempFolder t("capture-numbers");
    for (int n : {1, 3}) {
        VantisAuto::CDoc doc;
        for (int i = 0; i < n; ++i) doc.AddChannel(testing::Loopback(141 + i));
        FakeCamera camera(t.path());
        RecordingReporter reporter;
        StopRequest stop;
        ASSERT_EQ(RunCapture(doc, camera, reporter, stop, EngineCalls{}, OptionsFor(t)), Outcome::Done);
        std::vector<int> expected;
        for (int i = 0; i <= 3 * n; ++i) expected.push_back(i);
        EXPECT_EQ(camera.photos, expected);
        const auto& last = *doc.m_channels.back();
        EXPECT_EQ(last.m_strBlackPhoto, doc.m_channels.front()->m_strBlackPhoto);
        EXPECT_NE(last.m_strGridPhoto.find(n == 1 ? "CameraImage003.bmp" : "CameraImage009.bmp"),
                  std::string::npos);
        EXPECT_TRUE(reporter.errors.empty());
    }
}

TEST(Capture, EarlierPhotosAreDeletedFirst) {
    TempFolder t("capture-empty");
    VantisAuto::CDoc doc;
    doc.AddChannel(testing::Loopback(144));
    FakeCamera camera(t.path());
    RecordingReporter reporter;
    StopRequest stop;
    ASSERT_EQ(RunCapture(doc, camera, reporter, stop, EngineCalls{}, OptionsFor(t)), Outcome::Done);
    // The second capture's camera loses its photos: the first capture's files must not stand in.
    camera.writePhotos = false;
    EXPECT_EQ(RunCapture(doc, camera, reporter, stop, EngineCalls{}, OptionsFor(t)), Outcome::Failed);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], meridan::Messages().Text(meridan::msg::kCaptureFailed));
    EXPECT_EQ(camera.photos.size(), 4u + 1u);  // the black photo was missing: nothing after it

    // Without checks (the maintenance run) the capture goes on and the engine finds out.
    CaptureOptions unchecked = OptionsFor(t);
    unchecked.checkPhotos = false;
    EXPECT_EQ(RunCapture(doc, camera, reporter, stop, EngineCalls{}, unchecked), Outcome::Done);
}

TEST(Capture, UnsafeVendorWordTakesNoPhoto) {
    TempFolder t("capture-unsafe");
    VantisAuto::CDoc doc;
    doc.AddChannel(testing::Loopback(145));
    FakeCamera camera(t.path());
    RecordingReporter reporter;
    StopRequest stop;
    CaptureOptions o = OptionsFor(t);
    o.vendorWord = "..";
    EXPECT_EQ(RunCapture(doc, camera, reporter, stop, EngineCalls{}, o), Outcome::Failed);
    EXPECT_TRUE(camera.photos.empty());
}

TEST(Capture, StopBetweenPhotos) {
    TempFolder t("capture-stop");
    VantisAuto::CDoc doc;
    doc.AddChannel(testing::Loopback(146));
    doc.AddChannel(testing::Loopback(147));
    FakeCamera camera(t.path());
    RecordingReporter reporter;
    StopRequest stop;
    stop.Request();
    EXPECT_EQ(RunCapture(doc, camera, reporter, stop, EngineCalls{}, OptionsFor(t)), Outcome::Stopped);
    EXPECT_EQ(camera.photos, std::vector<int>{0});
    // The lock was given up on the way out.
    auto other = std::async(std::launch::async, [] {
        if (!VantisAuto::DocumentLock().try_lock()) return false;
        VantisAuto::DocumentLock().unlock();
        return true;
    });
    EXPECT_TRUE(other.get());
}

}  // namespace
}  // namespace vantis::calibration
