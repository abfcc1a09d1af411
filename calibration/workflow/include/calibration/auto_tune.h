// The camera auto-tune: a black reference and each projector's full white are
// photographed, the engine judges each white photo, the verdicts are combined
// into one, and the exposure or gain is stepped until the verdict is
// acceptable, for at most ten passes.
#pragma once

#include <string>
#include <vector>

#include "calibration/camera_port.h"
#include "calibration/engine_port.h"
#include "calibration/reporter.h"
#include "vantis/model/document.h"

namespace vantis::calibration {

// Combines one pass's verdicts (0 acceptable, 1 slightly dark, 2 dark,
// 3 slightly bright, 4 bright). False when dark and bright verdicts meet and
// are not exactly a slight one of each side.
bool CombineVerdicts(const std::vector<int>& verdicts, int* combined);

// The values one adjustment changes.
struct TuneState {
    long exposure = 0;
    long gain = 0;
    int divisor = 1;
    std::vector<int> history;  // combined verdicts of the adjusting passes, oldest first (at most two)
};

// Appends v (not 0) to the history, steps exposure or gain, and keeps only v.
// Exposure values are log2 seconds: dark verdicts lengthen the exposure
// (value + 1), bright ones shorten it (value - 1).
void AdjustForVerdict(TuneState& state, int v);

struct AutoTuneOptions {
    std::string vendorWord = "Vendor";
    int firstPhoto = 500;
    int maxPasses = 10;
    // The calibration program resets brightness, contrast, saturation and
    // white balance to their defaults first; the maintenance run keeps the
    // record's values.
    bool resetPictureProperties = true;
    // Photos once the picture settled (at most the camera's fixed settling
    // wait), or at once with the camera's own fixed wait.
    PhotoWait photoWait = DefaultPhotoWait();
};

struct AutoTuneResult {
    // NeverSettled: a picture kept changing after its command (message 206).
    // CameraLost: a photograph was not saved, the camera is gone (message 201).
    enum class End { Accepted, CombineFailed, NegativeGain, PassLimit, Stopped, NeverSettled, CameraLost };
    End end = End::Accepted;
    int passes = 0;     // passes made
    int nextPhoto = 0;  // number the next photo would have had
};

// Runs on the caller's thread. A combining failure is reported with message
// 204. Every projector is unblanked at the end, whatever ended the run.
AutoTuneResult RunAutoTune(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter,
                           const StopRequest& stop, const EngineCalls& engine,
                           const AutoTuneOptions& options);

}  // namespace vantis::calibration
