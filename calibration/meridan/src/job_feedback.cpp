#include "meridan/job_feedback.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "meridan/main_logic.h"
#include "vantis/messages/error_report.h"

namespace meridan {

using vantis::calibration::AutoTuneResult;
using vantis::calibration::Outcome;

namespace {

std::string Seconds(double s) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f s", s);
    return buffer;
}

std::string Projectors(int n) {
    return std::to_string(n) + (n == 1 ? " projector" : " projectors");
}

}  // namespace

int CalibrationStepCount(int channels) {
    return 1 + 3 * channels + 1;
}

JobStep CalibrationPhotoStep(int number, int channels, int octet) {
    JobStep step;
    step.range = CalibrationStepCount(channels);
    step.position = number < 0 ? 0 : std::min(number, step.range - 1);
    if (number <= 0) {
        step.text = "Photographing the blank wall";
        return step;
    }
    static const char* kinds[] = {"white field", "centre pattern", "grid pattern"};
    step.text = "Projector " + std::to_string(octet) + ": photographing the " + kinds[(number - 1) % 3] +
                " (" + std::to_string((number - 1) / 3 + 1) + " of " + std::to_string(channels) + ")";
    return step;
}

JobStep CalibrationComputeStep(int channels) {
    JobStep step;
    step.range = CalibrationStepCount(channels);
    step.position = step.range - 1;
    step.text = "Computing and downloading the warps";
    return step;
}

JobStep AutoTuneStep(int number, const vantis::calibration::AutoTuneOptions& options, int channels) {
    const int perPass = 1 + std::max(channels, 0);
    const int taken = std::max(number - options.firstPhoto, 0);
    JobStep step;
    step.range = perPass * std::max(options.maxPasses, 1);
    step.position = std::min(taken, step.range);
    step.text = "Auto Tune: pass " + std::to_string(taken / perPass + 1) + " of at most " +
                std::to_string(options.maxPasses);
    return step;
}

JobStep AutoBoundaryStep(int number, int channels, int octet) {
    JobStep step;
    step.range = std::max(channels, 0) + 2;
    if (number < 0) {
        step.position = step.range - 1;
        step.text = "Finding the boundary";
        return step;
    }
    step.text = CalibrationPhotoStep(number, channels, octet).text;
    step.position = number == 0 ? 0 : std::min((number - 1) / 3 + 1, step.range - 2);
    return step;
}

std::string AutoBoundaryFoundText(double aspectRatio, const JobFigures& f) {
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.2f", aspectRatio);
    return "Automatic boundary found in " + Seconds(f.seconds) + " (" + Projectors(f.channels) +
           ", aspect ratio " + ratio + " on the wall): move its points if needed; Reset Boundary undoes it.";
}

std::string AutoBoundaryStoppedText(const JobFigures& f) {
    return "Automatic boundary stopped after " + Seconds(f.seconds) + ": the boundary is unchanged.";
}

std::string AutoBoundaryFailedText(const std::string& reason) {
    return "No automatic boundary: " + reason + ". The boundary is unchanged.";
}

void StopWhenProjectorLost(VantisAuto::CDoc& doc, int number, vantis::calibration::Reporter& reporter,
                           vantis::calibration::StopRequest& stop, bool* lost) {
    if (number <= 0 || *lost) return;
    const VantisAuto::CChannel* dead = FirstDeadChannel(doc);
    if (!dead) return;
    *lost = true;
    reporter.Error(
        vantis::messages::ErrorReporter::ReportText(vantis::messages::ConnectFailureReport(dead->m_dwIp)));
    stop.Request();
}

int OctetOfPhoto(int number, const std::vector<int>& octets) {
    const int channel = number <= 0 ? -1 : (number - 1) / 3;
    return channel >= 0 && channel < static_cast<int>(octets.size())
               ? octets[static_cast<std::size_t>(channel)]
               : 0;
}

int ChannelsPhotographed(int saved) {
    return saved <= 1 ? 0 : (saved - 1) / 3;
}

std::string CalibrationEndText(Outcome outcome, const JobFigures& f) {
    const std::string of = std::to_string(f.channelsDone) + " of " + std::to_string(f.channels);
    switch (outcome) {
        case Outcome::Done:
            return "Calibration completed: " + Projectors(f.channels) + " calibrated in " +
                   Seconds(f.seconds) + ".";
        case Outcome::Stopped:
            return "Calibration stopped after " + Seconds(f.seconds) + ": " + of +
                   " projectors photographed; the projectors keep their identity warps.";
        case Outcome::Failed:
            break;
    }
    return "Calibration failed after " + Seconds(f.seconds) + ": " + of +
           " projectors photographed; nothing was saved in the projectors.";
}

std::string RecalibrationEndText(Outcome outcome, const JobFigures& f) {
    switch (outcome) {
        case Outcome::Done:
            return "Re-calibration completed: " + Projectors(f.channels) + " in " + Seconds(f.seconds) + ".";
        case Outcome::Stopped:
            return "Re-calibration cancelled: the projectors keep their warps.";
        case Outcome::Failed:
            break;
    }
    return "Re-calibration failed after " + Seconds(f.seconds) + ": the projectors keep their warps.";
}

std::string AutoTuneEndText(const AutoTuneResult& r, const JobFigures& f, long exposure, long gain) {
    const std::string passes = std::to_string(r.passes) + (r.passes == 1 ? " pass" : " passes");
    const std::string settings = "exposure " + std::to_string(exposure) + ", gain " + std::to_string(gain);
    switch (r.end) {
        case AutoTuneResult::End::Accepted:
            return "Auto Tune completed after " + passes + " (" + Seconds(f.seconds) + "): " + settings + ".";
        case AutoTuneResult::End::Stopped:
            return "Auto Tune stopped after " + passes + " (" + Seconds(f.seconds) + "): " + settings + ".";
        case AutoTuneResult::End::PassLimit:
            return "Auto Tune ended after " + passes + " without an acceptable picture (" +
                   Seconds(f.seconds) + "): " + settings + ".";
        case AutoTuneResult::End::NegativeGain:
            return "Auto Tune ended after " + passes + ": the picture stays too bright at the lowest gain (" +
                   settings + ").";
        case AutoTuneResult::End::NeverSettled:
            return "Auto Tune ended: the camera picture kept changing after a pattern (" + settings + ").";
        case AutoTuneResult::End::CameraLost:
            return "Auto Tune ended: the camera took no photograph, it is gone (" + settings + ").";
        case AutoTuneResult::End::CombineFailed:
            break;
    }
    return "Auto Tune failed after " + passes + ": the projectors' pictures disagree (" + settings + ").";
}

vantis::calibration::EngineCalls AnnouncingWarps(vantis::calibration::EngineCalls calls,
                                                 std::function<void()> beforeWarps) {
    if (vantis::calibration::UsesLibraryWarping(calls)) {
        // The library's computation runs through its variant with figures.
        auto warp = std::move(calls.doImageWarpingWithFigures);
        calls.doImageWarpingWithFigures = [warp, beforeWarps](auto&&... args) {
            if (beforeWarps) beforeWarps();
            return warp(std::forward<decltype(args)>(args)...);
        };
        return calls;
    }
    auto warp = std::move(calls.doImageWarping);
    calls.doImageWarping = [warp, beforeWarps](auto&&... args) {
        if (beforeWarps) beforeWarps();
        return warp(std::forward<decltype(args)>(args)...);
    };
    return calls;
}

}  // namespace meridan
