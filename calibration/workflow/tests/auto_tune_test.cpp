// The auto-tune's verdict arithmetic and its run with a scripted verdict source.
#include <gtest/gtest.h>

#include <deque>

#include "calibration/auto_tune.h"
#include "fake_camera.h"
#include "test_support.h"
#include "vantis/messages/calibration_messages.h"

namespace vantis::calibration {
namespace {

using testing::FakeCamera;
using testing::RecordingReporter;
using testing::TempFolder;

TEST(CombineVerdicts, OneVerdictForAPass) {
    int v = -1;
    EXPECT_TRUE(CombineVerdicts({}, &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(CombineVerdicts({0, 0, 2}, &v));  // some acceptable: the pass is acceptable
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(CombineVerdicts({2, 1, 2}, &v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(CombineVerdicts({3, 4}, &v));
    EXPECT_EQ(v, 4);
    EXPECT_TRUE(CombineVerdicts({1, 3}, &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(CombineVerdicts({2, 1, 3, 4}, &v));  // a slight one of each side is there
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(CombineVerdicts({2, 3}, &v));
    EXPECT_FALSE(CombineVerdicts({1, 4}, &v));
}

TEST(AdjustForVerdict, StepsExposureAndGain) {
    TuneState s{-5, 50, 1, {}};
    AdjustForVerdict(s, 2);  // dark: a longer exposure
    EXPECT_EQ(s.exposure, -4);
    EXPECT_EQ(s.gain, 50);
    AdjustForVerdict(s, 4);  // dark then bright: exposure back down, a little gain
    EXPECT_EQ(s.exposure, -5);
    EXPECT_EQ(s.gain, 75);
    AdjustForVerdict(s, 4);
    EXPECT_EQ(s.exposure, -6);
    EXPECT_EQ(s.gain, 75);
    EXPECT_EQ(s.history, std::vector<int>{4});

    TuneState flip{-5, 50, 1, {}};
    AdjustForVerdict(flip, 1);
    EXPECT_EQ(flip.gain, 75);
    AdjustForVerdict(flip, 3);  // slightly dark then slightly bright: smaller steps
    EXPECT_EQ(flip.divisor, 2);
    EXPECT_EQ(flip.gain, 75 - 12);
}

// A document whose channels have no link: every projector command fails at
// once and the run goes on, as it does with a dead projector.
void AddChannels(VantisAuto::CDoc& doc, int n) {
    for (int i = 0; i < n; ++i) doc.AddChannel(testing::Loopback(140 + i));
}

struct Scripted {
    std::deque<int> verdicts;
    EngineCalls Calls() {
        EngineCalls calls;
        calls.autoTune = [this](const std::string&, const std::string&, ExposureVerdict* v) {
            if (verdicts.empty()) return 1;  // unreadable: the verdict stays as it was
            *v = verdicts.front();
            verdicts.pop_front();
            return 0;
        };
        return calls;
    }
};

struct TuneRun {
    AutoTuneResult result;
    FakeCamera camera;
    RecordingReporter reporter;
    explicit TuneRun(const std::filesystem::path& home) : camera(home) {}
};

void Tune(TuneRun& run, int channels, std::deque<int> verdicts) {
    VantisAuto::CDoc doc;
    AddChannels(doc, channels);
    Scripted script{std::move(verdicts)};
    StopRequest stop;
    run.result = RunAutoTune(doc, run.camera, run.reporter, stop, script.Calls(), {});
}

TEST(AutoTuneRun, AcceptableAfterOnePassChangesNothing) {
    TempFolder home("tune-accept");
    TuneRun run(home.path());
    Tune(run, 3, {0, 0, 2});
    EXPECT_EQ(run.result.end, AutoTuneResult::End::Accepted);
    EXPECT_EQ(run.result.passes, 1);
    EXPECT_EQ(run.camera.exposures, std::vector<long>{-5});
    EXPECT_EQ(run.camera.gains, std::vector<long>{0});  // gain starts at its minimum
    EXPECT_EQ(run.camera.Properties().State(CameraProperty::Exposure).value, -5);
    EXPECT_EQ(run.camera.Properties().State(CameraProperty::Contrast).value, 128);  // defaults applied first
    EXPECT_TRUE(run.reporter.errors.empty());
}

TEST(AutoTuneRun, DarkChangesExposureByOneAndPhotoNumbersContinue) {
    TempFolder home("tune-dark");
    TuneRun run(home.path());
    Tune(run, 2, {2, 2, 0, 0});
    EXPECT_EQ(run.result.end, AutoTuneResult::End::Accepted);
    EXPECT_EQ(run.result.passes, 2);
    EXPECT_EQ(run.camera.exposures, (std::vector<long>{-5, -4}));  // the second pass applies the change
    EXPECT_EQ(run.camera.photos, (std::vector<int>{500, 501, 502, 503, 504, 505}));
    EXPECT_EQ(run.result.nextPhoto, 506);
}

TEST(AutoTuneRun, SlightlyDarkAndSlightlyBrightAccept) {
    TempFolder home("tune-slight");
    TuneRun run(home.path());
    Tune(run, 2, {1, 3});
    EXPECT_EQ(run.result.end, AutoTuneResult::End::Accepted);
    EXPECT_EQ(run.result.passes, 1);
    EXPECT_TRUE(run.reporter.errors.empty());
}

TEST(AutoTuneRun, DarkAndSlightlyBrightFailWithMessage204) {
    TempFolder home("tune-fail");
    TuneRun run(home.path());
    Tune(run, 2, {2, 3});
    EXPECT_EQ(run.result.end, AutoTuneResult::End::CombineFailed);
    EXPECT_EQ(run.result.passes, 1);
    ASSERT_EQ(run.reporter.errors.size(), 1u);
    EXPECT_EQ(run.reporter.errors[0], meridan::Messages().Text(meridan::msg::kAutoTuneFailed));
}

TEST(AutoTuneRun, FailedJudgementRepeatsThePreviousVerdict) {
    TempFolder home("tune-repeat");
    TuneRun run(home.path());
    // Channel 2's judgement fails: it counts as channel 1's dark verdict, so
    // the pass is dark (not "some acceptable"). In the next pass both fail and
    // count as 0, the verdict every pass starts from.
    Tune(run, 2, {2});
    EXPECT_EQ(run.camera.exposures, (std::vector<long>{-5, -4}));
    EXPECT_EQ(run.result.passes, 2);
    EXPECT_EQ(run.result.end, AutoTuneResult::End::Accepted);
}

TEST(AutoTuneRun, SlightlyBrightAtLowestGainShortensTheExposure) {
    TempFolder home("tune-gain");
    TuneRun run(home.path());
    Tune(run, 1, {3});
    EXPECT_EQ(run.camera.exposures, (std::vector<long>{-5, -6}));
    EXPECT_EQ(run.camera.gains, (std::vector<long>{0, 0}));
    EXPECT_EQ(run.result.end, AutoTuneResult::End::Accepted);
}

TEST(AutoTuneRun, GainBelowZeroAtTheShortestExposureEndsTheRunAtZero) {
    TempFolder home("tune-gain-end");
    TuneRun run(home.path());
    run.camera.Properties().State(CameraProperty::Exposure).value = -11;
    Tune(run, 1, {3});
    EXPECT_EQ(run.result.end, AutoTuneResult::End::NegativeGain);
    EXPECT_EQ(run.result.passes, 1);
    EXPECT_EQ(run.camera.Properties().State(CameraProperty::Gain).value, 0);
}

TEST(AutoTuneRun, CameraGoneEndsTheRunAsACameraFault) {
    for (const PhotoWait wait : {PhotoWait::Settled, PhotoWait::Fixed}) {
        TempFolder home("tune-camera-gone");
        TuneRun run(home.path());
        run.camera.writePhotos = false;  // unplugged: no photo is saved
        VantisAuto::CDoc doc;
        AddChannels(doc, 2);
        Scripted script{{0, 0}};
        StopRequest stop;
        AutoTuneOptions options;
        options.photoWait = wait;
        run.result = RunAutoTune(doc, run.camera, run.reporter, stop, script.Calls(), options);
        EXPECT_EQ(run.result.end, AutoTuneResult::End::CameraLost);
        EXPECT_EQ(run.camera.photos.size(), 1u);  // nothing judged after the black photo was lost
        ASSERT_EQ(run.reporter.errors.size(), 1u);
        EXPECT_EQ(run.reporter.errors[0], meridan::Messages().Text(meridan::msg::kCaptureFailed));
    }
}

TEST(AutoTuneRun, StopRequestEndsBeforeThePass) {
    TempFolder home("tune-stop");
    TuneRun run(home.path());
    VantisAuto::CDoc doc;
    AddChannels(doc, 2);
    StopRequest stop;
    stop.Request();
    run.result = RunAutoTune(doc, run.camera, run.reporter, stop, EngineCalls{}, {});
    EXPECT_EQ(run.result.end, AutoTuneResult::End::Stopped);
    EXPECT_TRUE(run.camera.photos.empty());
}

}  // namespace
}  // namespace vantis::calibration
