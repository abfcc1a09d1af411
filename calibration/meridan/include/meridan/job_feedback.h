// What the operator sees of a running Calibration, Re-calibration or Auto
// Tune: a step line and a position for the wait window's progress bar while it
// runs, and one sentence saying how it ended. No window here: the main window
// shows these texts.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "calibration/auto_tune.h"
#include "calibration/camera_port.h"
#include "calibration/engine_port.h"
#include "calibration/reporter.h"
#include "vantis/model/document.h"

namespace meridan {

// One step of a running job: the text and the position within 0..range.
struct JobStep {
    std::string text;
    int position = 0;
    int range = 0;
};

// Steps of the calibration of `channels` projectors: the black photo, three
// photos per projector, then computing the warps and downloading them.
int CalibrationStepCount(int channels);
// The step of photo `number` (0 black, then white, centre and grid of each
// projector in turn); octet is the projector's last address octet.
JobStep CalibrationPhotoStep(int number, int channels, int octet);
JobStep CalibrationComputeStep(int channels);

// The step of Auto Tune photo `number`: each pass photographs the blank wall
// and then each projector's white field.
JobStep AutoTuneStep(int number, const vantis::calibration::AutoTuneOptions& options, int channels);

// Steps of the automatic boundary: the blank wall, each projector's white
// field (photo `number` as the capture numbers it), then the calculation
// (number -1).
JobStep AutoBoundaryStep(int number, int channels, int octet);

// Before photo `number` of a capture: the first time a projector no longer
// answers (from photo 1 on), it is reported (its connection failure), the job
// is asked to stop and *lost is set, rather than photograph a dark wall to
// the end.
void StopWhenProjectorLost(VantisAuto::CDoc& doc, int number, vantis::calibration::Reporter& reporter,
                           vantis::calibration::StopRequest& stop, bool* lost);
// The last address octet of the projector of capture photo `number` (three
// photos a projector after the blank wall's), 0 for the blank wall.
int OctetOfPhoto(int number, const std::vector<int>& octets);

// The figures a job has when it ends.
struct JobFigures {
    int channels = 0;      // projectors of the project
    int channelsDone = 0;  // projectors photographed completely (calibration)
    double seconds = 0;    // time from start to end
};

std::string CalibrationEndText(vantis::calibration::Outcome outcome, const JobFigures& f);
std::string RecalibrationEndText(vantis::calibration::Outcome outcome, const JobFigures& f);
// How the automatic boundary ended: found (with the aspect ratio the picture
// will have on the wall), stopped, or failed for `reason`.
std::string AutoBoundaryFoundText(double aspectRatio, const JobFigures& f);
std::string AutoBoundaryStoppedText(const JobFigures& f);
std::string AutoBoundaryFailedText(const std::string& reason);
std::string AutoTuneEndText(const vantis::calibration::AutoTuneResult& result, const JobFigures& f,
                            long exposure, long gain);

// A camera that tells each photograph to a callback before taking it, so that
// the window can follow a workflow's progress photo by photo.
class ProgressCamera : public vantis::calibration::PhotoCamera {
  public:
    ProgressCamera(vantis::calibration::PhotoCamera& camera, std::function<void(int number)> onPhoto)
        : camera_(camera), onPhoto_(std::move(onPhoto)) {}
    void SetFilePrefixName(const std::string& prefix) override { camera_.SetFilePrefixName(prefix); }
    std::string GetImagePath() const override { return camera_.GetImagePath(); }
    int TakePhoto(int number) override {
        if (onPhoto_) onPhoto_(number);
        const int saved = camera_.TakePhoto(number);
        if (saved) ++saved_;
        return saved;
    }
    std::string LastPhotoPath() const override { return camera_.LastPhotoPath(); }
    void MarkPicture() override { camera_.MarkPicture(); }
    vantis::calibration::PhotoResult TakeSettledPhoto(int number,
                                                      std::chrono::milliseconds ceiling) override {
        if (onPhoto_) onPhoto_(number);
        const auto result = camera_.TakeSettledPhoto(number, ceiling);
        if (result == vantis::calibration::PhotoResult::Saved) ++saved_;
        return result;
    }
    cv::Size PictureSize() const override { return camera_.PictureSize(); }
    CDShowCameraData& Properties() override { return camera_.Properties(); }
    void ApplyProperties() override { camera_.ApplyProperties(); }
    void SetExposure(long value) override { camera_.SetExposure(value); }
    void SetGain(long value) override { camera_.SetGain(value); }
    int PhotosSaved() const { return saved_.load(); }

  private:
    vantis::calibration::PhotoCamera& camera_;
    std::function<void(int)> onPhoto_;
    std::atomic<int> saved_{0};
};

// The projectors photographed completely when `saved` photos of a
// calibration were saved: the black one, then three per projector.
int ChannelsPhotographed(int saved);

// The engine calls with the warp computation announced to a callback first.
vantis::calibration::EngineCalls AnnouncingWarps(vantis::calibration::EngineCalls calls,
                                                 std::function<void()> beforeWarps);

}  // namespace meridan
