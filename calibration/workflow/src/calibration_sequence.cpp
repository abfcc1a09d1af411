#include "calibration/calibration_sequence.h"

#include "calibration/photo_file.h"
#include "calibration/warp_compute.h"
#include "dvOrvelAuto.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"

#include <opencv2/imgcodecs.hpp>

namespace vantis::calibration {

using VantisAuto::DocLock;
using VantisAuto::DocumentLock;

int EngineErrorMessage(WarpStatus status) {
    if (status == kWarpPhotoUnreadable) return meridan::msg::kCaptureFailed;
    if (status == kWarpCentreBlobs) return meridan::msg::kCentrePatternMissing;
    return meridan::msg::kCommunicationFailed;
}

namespace {

bool Blends(const VantisAuto::CDoc& doc) {
    return doc.m_nSolution == 1 || doc.m_nSolution == 2;
}

// Switches the corrections that were on (by the channels' flags) off (0) or on again (1).
void SwitchCorrections(VantisAuto::CDoc& doc, int on) {
    DocLock lock(DocumentLock());
    for (auto& c : doc.m_channels) {
        if (c->m_bBlackLevel) dvOrvelAutoEnableBlackLevel(c->m_hLink, on);
        if (c->m_bUniformity) dvOrvelAutoEnableUniformity(c->m_hLink, on);
        if (c->m_bGlobalContrast) dvOrvelAutoEnableGlobalContrast(c->m_hLink, on);
    }
}

// The wall as the camera saw it lit: every pixel where some channel's white
// photo is brighter than the black one by more than that channel's threshold.
// Empty when a photo cannot be read.
cv::Mat LitArea(VantisAuto::CDoc& doc) {
    // A threshold the engine left at 0 stands for this difference.
    constexpr double kDefaultLevel = 32.0;
    DocLock lock(DocumentLock());
    cv::Mat lit;
    for (auto& c : doc.m_channels) {
        const cv::Mat black = ReadPhotoFile(c->m_strBlackPhoto, cv::IMREAD_GRAYSCALE);
        const cv::Mat white = ReadPhotoFile(c->m_strWhitePhoto, cv::IMREAD_GRAYSCALE);
        if (black.empty() || white.empty() || black.size() != white.size()) return {};
        if (lit.empty()) lit = cv::Mat::zeros(white.size(), CV_8UC1);
        if (lit.size() != white.size()) return {};
        cv::Mat difference;
        cv::subtract(white, black, difference);
        const double level = c->m_threshold > 0.0 ? c->m_threshold : kDefaultLevel;
        lit.setTo(255, difference > level);
    }
    return lit;
}

void RefuseBoundary(Reporter& reporter, SequenceResult& result, BoundaryFault fault) {
    reporter.Error(BoundaryFaultText(fault));
    result.boundary = fault;
    result.outcome = Outcome::Failed;
}

void ReportEngineFailure(Reporter& reporter, const WarpOutcome& warp) {
    reporter.Error(meridan::Messages().Text(EngineErrorMessage(warp.status)));
}

}  // namespace

SequenceResult RunCalibration(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter,
                              const StopRequest& stop, const EngineCalls& engine,
                              const CaptureOptions& options) {
    SequenceResult result;
    BoundaryGrid boundary;
    {
        DocLock lock(DocumentLock());
        boundary = BoundaryGridOf(doc.m_boundary);
    }
    if (const BoundaryFault fault = CheckBoundaryShape(boundary, camera.PictureSize());
        fault != BoundaryFault::None) {
        RefuseBoundary(reporter, result, fault);
        return result;
    }
    // The first projector command: test pictures (the boundary dialog's) off.
    doc.ClearAll();
    doc.ResetBlendGamma();
    doc.DownloadIdentityWarps();
    doc.ClearThresholds();
    doc.ReadCorrections();
    SwitchCorrections(doc, 0);
    doc.DisableBlackLevel();

    {
        StepTimer timer(&result.times.capture);
        result.outcome = RunCapture(doc, camera, reporter, stop, engine, options);
    }
    if (result.outcome != Outcome::Done) return result;  // corrections stay off, as after a failed capture
    result.captured = true;

    {
        StepTimer timer(&result.times.compute);
        ComputeThresholds(doc, engine);
    }
    reporter.Busy(true);
    SwitchCorrections(doc, 1);
    if (stop.Requested()) {
        result.outcome = Outcome::Stopped;
        return result;
    }
    if (const BoundaryFault fault = CheckBoundary(boundary, LitArea(doc)); fault != BoundaryFault::None) {
        RefuseBoundary(reporter, result, fault);
        return result;
    }

    {
        StepTimer timer(&result.times.compute);
        result.warp = ComputeWarps(doc, engine);
    }
    if (result.warp.status != kWarpOk) {
        ReportEngineFailure(reporter, result.warp);
        result.outcome = Outcome::Failed;
        return result;
    }
    const auto downloadStart = std::chrono::steady_clock::now();
    doc.m_bWarped = true;
    doc.m_bCalibrated = true;
    if (Blends(doc)) {
        doc.DownloadBlends(doc.m_gamma.m_gamma);
        doc.m_bBlended = true;
    }
    doc.DownloadWarps();
    {
        DocLock lock(DocumentLock());
        for (auto& c : doc.m_channels) dvOrvelAutoSaveSys(c->m_hLink);
    }
    doc.m_bSyncReady = 1;
    result.times.download = SecondsSince(downloadStart);
    return result;
}

RunFacts SequenceFacts(const SequenceResult& result, RunKind kind, std::time_t start) {
    RunFacts facts;
    facts.kind = kind;
    facts.start = start;
    facts.end = std::time(nullptr);
    facts.times = result.times;
    if (result.outcome == Outcome::Done) {
        facts.outcome = RunOutcome::Ok;
    } else if (result.outcome == Outcome::Failed && result.warp.status != kWarpOk) {
        facts.outcome = RunOutcome::Refused;  // the engine refused the photos
        facts.message = EngineErrorMessage(result.warp.status);
    } else {
        facts.outcome = RunOutcome::Failed;
    }
    facts.engineStatus = result.warp.status;
    facts.failedChannel = result.warp.channel;
    facts.figures = result.warp.figures;
    // A calibration photographs; a re-calibration computes from the calibration's photos.
    facts.photographed = result.captured || kind == RunKind::Recalibration;
    return facts;
}

SequenceResult RunRecalibration(VantisAuto::CDoc& doc, Reporter& reporter, const ThresholdReview& review,
                                const EngineCalls& engine) {
    SequenceResult result;
    reporter.Busy(false);
    if (!review || !review(doc)) {
        result.outcome = Outcome::Stopped;
        return result;
    }
    reporter.Busy(true);
    {
        StepTimer timer(&result.times.compute);
        result.warp = ComputeWarps(doc, engine);
    }
    if (result.warp.status != kWarpOk) {
        ReportEngineFailure(reporter, result.warp);
        result.outcome = Outcome::Failed;
        return result;
    }
    const auto downloadStart = std::chrono::steady_clock::now();
    doc.DownloadWarps();
    if (Blends(doc)) doc.DownloadBlends(doc.m_gamma.m_gamma);
    doc.SaveAll();
    doc.m_bSyncReady = 1;
    result.times.download = SecondsSince(downloadStart);
    return result;
}

}  // namespace vantis::calibration
