// The calibration and re-calibration sequences: identity warps, corrections
// off, capture, thresholds, corrections back on, warps computed and downloaded
// (with blend maps where the solution blends) and saved in every projector.
// Re-calibration skips the capture: the threshold review decides first.
#pragma once

#include <functional>

#include "calibration/boundary_check.h"
#include "calibration/camera_port.h"
#include "calibration/capture.h"
#include "calibration/engine_port.h"
#include "calibration/report_run.h"
#include "calibration/reporter.h"
#include "calibration/warp_compute.h"
#include "vantis/model/document.h"

namespace vantis::calibration {

struct SequenceResult {
    Outcome outcome = Outcome::Done;
    WarpOutcome warp;                              // the engine's answer (status, failed channel, figures)
    bool captured = false;                         // the capture completed
    StepTimes times;                               // seconds spent capturing, computing and downloading
    BoundaryFault boundary = BoundaryFault::None;  // why the boundary was refused
};

// The calibration sequence: every projector's test picture cleared, then as
// above. A boundary that cannot be calibrated to is refused with its message:
// by its shape before any projector command, by the
// share of the lit wall it covers once the photos show what is lit (then
// before any warp is computed). Engine failures are reported with messages
// 201, 203 or 205; a missing photo with 201.
SequenceResult RunCalibration(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter,
                              const StopRequest& stop, const EngineCalls& engine,
                              const CaptureOptions& options);

// Where the calibration program's threshold review plugs in: it lets the
// operator look at the stored photos and change the channels' thresholds, and
// returns true for Done, false for Cancel.
using ThresholdReview = std::function<bool(VantisAuto::CDoc& doc)>;

// The re-calibration sequence: review, then compute, download and save.
// Cancel ends it with Outcome::Stopped and no projector command.
SequenceResult RunRecalibration(VantisAuto::CDoc& doc, Reporter& reporter, const ThresholdReview& review,
                                const EngineCalls& engine);

// What the report of a calibration or re-calibration run needs of it, the
// run having started at `start` and ended now.
RunFacts SequenceFacts(const SequenceResult& result, RunKind kind, std::time_t start);

// The message of an engine status: 201 for 1, 203 for 4, 205 otherwise.
int EngineErrorMessage(WarpStatus status);

}  // namespace vantis::calibration
