// The window's job runner without a window: messages served in order, a
// worker's question answered while the owner joins it, stop requests and
// joining; the queue of jobs that keep their order; and the progress steps
// and end sentences of the workflows.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "meridan/job_feedback.h"
#include "meridan/job_queue.h"
#include "meridan/job_runner.h"
#include "vantis/model/doc_lock.h"

namespace meridan {
namespace {

using vantis::calibration::AutoTuneResult;
using vantis::calibration::Outcome;
using vantis::calibration::StopRequest;

TEST(JobRunner, JoinServesTheJobsMessagesInOrderThenItsEnd) {
    std::atomic<int> wakes{0};
    JobRunner runner([&] { ++wakes; });
    std::vector<std::string> seen;  // touched on this thread only
    int answer = 0;
    const auto id = runner.Start(
        [&](const StopRequest&) {
            runner.Post([&] { seen.push_back("status"); });
            int got = 0;
            runner.Call([&] {
                got = 42;
                seen.push_back("question");
            });
            answer = got;  // the call returned with its answer
            runner.Post([&] { seen.push_back("error"); });
        },
        [&] { seen.push_back("end"); });
    EXPECT_TRUE(runner.IsRunning(id));
    runner.Join(id);  // serves the mailbox: the worker's Call cannot wait forever
    EXPECT_EQ(seen, (std::vector<std::string>{"status", "question", "error", "end"}));
    EXPECT_EQ(answer, 42);
    EXPECT_FALSE(runner.IsRunning(id));
    EXPECT_EQ(runner.Running(), 0);
    EXPECT_GE(wakes.load(), 3);
    runner.Join(id);  // an ended job returns at once
}

TEST(JobRunner, StopReachesOnlyTheJobItNames) {
    JobRunner runner([] {});
    std::atomic<bool> secondStopped{false};
    const auto first = runner.Start([](const StopRequest& stop) {
        while (!stop.Requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    const auto second = runner.Start([&](const StopRequest& stop) {
        while (!stop.Requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        secondStopped = true;
    });
    EXPECT_EQ(runner.Running(), 2);
    EXPECT_EQ(runner.Started(), 2u);
    runner.RequestStop(first);
    runner.Join(first);
    EXPECT_FALSE(runner.IsRunning(first));
    EXPECT_TRUE(runner.IsRunning(second));
    EXPECT_FALSE(secondStopped.load());
    runner.RequestStopAll();
    runner.JoinAll();
    EXPECT_TRUE(secondStopped.load());
    EXPECT_EQ(runner.Running(), 0);
}

TEST(JobRunner, WorkerReportingUnderTheDocumentLockNeverWaitsForTheOwner) {
    // The owner thread is busy elsewhere (it serves nothing) while a worker
    // that holds the document lock reports: the report is left, the worker
    // goes on and gives the lock up, and the owner can then take it.
    JobRunner runner([] {});
    std::atomic<bool> reported{false};
    const auto id = runner.Start([&](const StopRequest&) {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        runner.Post([] {});
        reported = true;
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!reported && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(reported.load());
    std::unique_lock<std::recursive_mutex> lock(VantisAuto::DocumentLock(), std::defer_lock);
    while (!lock.try_lock() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(lock.owns_lock());
    if (lock.owns_lock()) lock.unlock();
    runner.Join(id);
}

TEST(JobRunner, GoingAwayStopsAndJoinsItsJobs) {
    std::atomic<bool> ended{false};
    {
        JobRunner runner([] {});
        runner.Start([&](const StopRequest& stop) {
            while (!stop.Requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ended = true;
        });
    }
    EXPECT_TRUE(ended.load());
}

// Jobs of very different lengths given at once, the first the slowest: each
// starts only after the one before it ended, so they reach the projectors in
// the order given; an end that gives more work puts it last.
TEST(JobQueue, JobsRunOneAfterAnotherInTheOrderGiven) {
    JobRunner runner([] {});
    auto queue = JobQueue::Make([&runner](JobQueue::Work work, JobQueue::Ended ended) {
        runner.Start([work = std::move(work)](const StopRequest&) { work(); }, std::move(ended));
    });
    std::mutex mutex;
    std::vector<std::string> done;  // in the order the work finished
    std::atomic<int> atOnce{0}, most{0};
    auto job = [&](std::string name, int ms) {
        return [&, name, ms] {
            most = std::max(most.load(), ++atOnce);
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            {
                std::lock_guard lock(mutex);
                done.push_back(name);
            }
            --atOnce;
        };
    };
    std::vector<std::string> ends;
    queue->Add(job("clear", 60), [&] {
        ends.push_back("clear");
        queue->Add(job("late", 0), [&] { ends.push_back("late"); });
    });
    queue->Add(job("white", 20), [&] { ends.push_back("white"); });
    queue->Add(job("exit clear", 0), [&] { ends.push_back("exit clear"); });
    EXPECT_FALSE(queue->Idle());
    EXPECT_EQ(queue->Waiting(), 2);
    runner.JoinAll();
    EXPECT_EQ(done, (std::vector<std::string>{"clear", "white", "exit clear", "late"}));
    EXPECT_EQ(ends, done);
    EXPECT_EQ(most.load(), 1) << "two jobs ran at the same time";
    EXPECT_TRUE(queue->Idle());
}

TEST(JobFeedback, CalibrationStepsCountPhotosThenTheWarps) {
    EXPECT_EQ(CalibrationStepCount(2), 8);
    const JobStep black = CalibrationPhotoStep(0, 2, 11);
    EXPECT_EQ(black.position, 0);
    EXPECT_EQ(black.range, 8);
    const JobStep centre = CalibrationPhotoStep(5, 2, 12);  // second projector's centre pattern
    EXPECT_EQ(centre.position, 5);
    EXPECT_EQ(centre.text, "Projector 12: photographing the centre pattern (2 of 2)");
    const JobStep warps = CalibrationComputeStep(2);
    EXPECT_EQ(warps.position, 7);
    EXPECT_LT(CalibrationPhotoStep(6, 2, 12).position, warps.position);
    // Photos saved: black, then three per projector.
    EXPECT_EQ(ChannelsPhotographed(0), 0);
    EXPECT_EQ(ChannelsPhotographed(3), 0);
    EXPECT_EQ(ChannelsPhotographed(4), 1);
    EXPECT_EQ(ChannelsPhotographed(7), 2);
}

TEST(JobFeedback, EndSentencesCarryTheFigures) {
    JobFigures f;
    f.channels = 2;
    f.channelsDone = 1;
    f.seconds = 12.34;
    EXPECT_EQ(CalibrationEndText(Outcome::Done, f),
              "Calibration completed: 2 projectors calibrated in 12.3 s.");
    EXPECT_EQ(
        CalibrationEndText(Outcome::Failed, f).rfind("Calibration failed after 12.3 s: 1 of 2 projectors", 0),
        0u);
    EXPECT_EQ(CalibrationEndText(Outcome::Stopped, f).rfind("Calibration stopped after 12.3 s: 1 of 2", 0),
              0u);
    EXPECT_EQ(RecalibrationEndText(Outcome::Done, f), "Re-calibration completed: 2 projectors in 12.3 s.");
    EXPECT_NE(RecalibrationEndText(Outcome::Stopped, f).find("cancelled"), std::string::npos);

    AutoTuneResult r;
    r.passes = 3;
    r.end = AutoTuneResult::End::Accepted;
    EXPECT_EQ(AutoTuneEndText(r, f, -6, 25),
              "Auto Tune completed after 3 passes (12.3 s): exposure -6, gain 25.");
    r.end = AutoTuneResult::End::Stopped;
    r.passes = 1;
    EXPECT_EQ(AutoTuneEndText(r, f, -5, 0).rfind("Auto Tune stopped after 1 pass ", 0), 0u);
    for (auto end : {AutoTuneResult::End::PassLimit, AutoTuneResult::End::NegativeGain,
                     AutoTuneResult::End::CombineFailed}) {
        r.end = end;
        EXPECT_EQ(AutoTuneEndText(r, f, -5, 0).find("completed"), std::string::npos);
    }
    // The end says what happened, not that the projectors disagree.
    r.end = AutoTuneResult::End::NeverSettled;
    EXPECT_NE(AutoTuneEndText(r, f, -5, 0).find("kept changing"), std::string::npos);
    r.end = AutoTuneResult::End::CameraLost;
    EXPECT_NE(AutoTuneEndText(r, f, -5, 0).find("camera"), std::string::npos);
    EXPECT_EQ(AutoTuneEndText(r, f, -5, 0).find("disagree"), std::string::npos);
}

TEST(JobFeedback, AutoTuneStepsFollowThePasses) {
    vantis::calibration::AutoTuneOptions o;
    o.firstPhoto = 500;
    o.maxPasses = 10;
    const JobStep first = AutoTuneStep(500, o, 2);
    EXPECT_EQ(first.position, 0);
    EXPECT_EQ(first.range, 30);
    EXPECT_EQ(first.text, "Auto Tune: pass 1 of at most 10");
    EXPECT_EQ(AutoTuneStep(503, o, 2).text, "Auto Tune: pass 2 of at most 10");
    EXPECT_EQ(AutoTuneStep(600, o, 2).position, 30);  // never past the end
}

// The capture numbers the white photos 1, 4, 7, ...: one step each, then the calculation.
TEST(JobFeedback, AutomaticBoundaryStepsAreTheBlankWallEachWhiteThenTheCalculation) {
    EXPECT_EQ(AutoBoundaryStep(0, 3, 0).position, 0);
    EXPECT_EQ(AutoBoundaryStep(0, 3, 0).range, 5);
    const JobStep second = AutoBoundaryStep(4, 3, 12);
    EXPECT_EQ(second.position, 2);
    EXPECT_EQ(second.text, "Projector 12: photographing the white field (2 of 3)");
    EXPECT_EQ(AutoBoundaryStep(7, 3, 13).position, 3);
    EXPECT_EQ(AutoBoundaryStep(-1, 3, 0).position, 4);
    EXPECT_EQ(AutoBoundaryStep(-1, 3, 0).text, "Finding the boundary");
    JobFigures f;
    f.channels = 2;
    f.seconds = 3.31;
    EXPECT_EQ(
        AutoBoundaryFoundText(1.7777, f).rfind("Automatic boundary found in 3.3 s (2 projectors, aspect "
                                               "ratio 1.78 on the wall)",
                                               0),
        0u);
    EXPECT_NE(AutoBoundaryStoppedText(f).find("unchanged"), std::string::npos);
    EXPECT_NE(AutoBoundaryFailedText("why").find("why"), std::string::npos);
}

}  // namespace
}  // namespace meridan
