#include "calibration/calibration_sequence.h"

#include "calibration/warp_compute.h"
#include "dvOrvelAuto.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"

namespace vantis::calibration {

using VantisAuto::DocLock;
using VantisAuto::DocumentLock;

int EngineErrorMessage(WarpStatus status) {
    if (status == kWarpPhotoUnreadable) return meridan::msg::kCaptureFailed;
    if (status == kWarpCentreBlobs) return meridan::msg::kCentrePatternMissing;
    return meridan::msg::kCommunicationFailed;
}

namespace {

bool Blends(const VantisAuto::CDoc& doc) { return doc.m_nSolution == 1 || doc.m_nSolution == 2; }

// Switches the corrections that were on (by the channels' flags) off (0) or on again (1).
void SwitchCorrections(VantisAuto::CDoc& doc, int on) {
    DocLock lock(DocumentLock());
    for (auto& c : doc.m_channels) {
        if (c->m_bBlackLevel) dvOrvelAutoEnableBlackLevel(c->m_hLink, on);
        if (c->m_bUniformity) dvOrvelAutoEnableUniformity(c->m_hLink, on);
        if (c->m_bGlobalContrast) dvOrvelAutoEnableGlobalContrast(c->m_hLink, on);
    }
}

void ReportEngineFailure(Reporter& reporter, const WarpOutcome& warp) {
    reporter.Error(meridan::Messages().Text(EngineErrorMessage(warp.status)));
}

}  // namespace

SequenceResult RunCalibration(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter,
                              const StopRequest& stop, const EngineCalls& engine, const CaptureOptions& options) {
    SequenceResult result;
    doc.ResetBlendGamma();
    doc.DownloadIdentityWarps();
    doc.ClearThresholds();
    doc.ReadCorrections();
    SwitchCorrections(doc, 0);
    doc.DisableBlackLevel();

    result.outcome = RunCapture(doc, camera, reporter, stop, engine, options);
    if (result.outcome != Outcome::Done) return result;  // corrections stay off, as after a failed capture
    result.captured = true;

    ComputeThresholds(doc, engine);
    reporter.Busy(true);
    SwitchCorrections(doc, 1);
    if (stop.Requested()) {
        result.outcome = Outcome::Stopped;
        return result;
    }

    result.warp = ComputeWarps(doc, engine);
    if (result.warp.status != kWarpOk) {
        ReportEngineFailure(reporter, result.warp);
        result.outcome = Outcome::Failed;
        return result;
    }
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
    return result;
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
    result.warp = ComputeWarps(doc, engine);
    if (result.warp.status != kWarpOk) {
        ReportEngineFailure(reporter, result.warp);
        result.outcome = Outcome::Failed;
        return result;
    }
    doc.DownloadWarps();
    if (Blends(doc)) doc.DownloadBlends(doc.m_gamma.m_gamma);
    doc.SaveAll();
    doc.m_bSyncReady = 1;
    return result;
}

}  // namespace vantis::calibration
