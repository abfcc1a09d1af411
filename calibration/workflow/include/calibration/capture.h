// The calibration capture: photo 0 with every projector blanked, then for each
// channel its full white, centre blocks and full block grid, each photographed
// once the camera's picture has settled after the command (or, with fixed
// waits, a fixed time after it). A document of N channels takes photos 0 to
// 3N; the paths go into the channels.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "calibration/camera_port.h"
#include "calibration/engine_port.h"
#include "calibration/reporter.h"
#include "vantis/model/document.h"

namespace vantis::calibration {

struct CaptureOptions {
    std::string vendorWord = "Vendor";  // the image folder's word
    std::filesystem::path dataHome;     // empty: the application-data folder
    bool checkPhotos = true;            // a photo file that was not written ends the capture (message 201)
    PhotoWait photoWait = DefaultPhotoWait();
};

// Why a capture failed.
enum class CaptureFailure {
    None,
    ImageFolder,   // the image folder could not be emptied safely
    PhotoMissing,  // a photo file was not written
    NeverSettled,  // the picture kept changing after a command until the ceiling
};

// The most a settled photograph waits: the fixed waits it replaces (the
// pattern's and the camera's own), scaled like them.
std::chrono::milliseconds SettleCeiling();

// One photograph after a command that changed the picture (the caller marked
// the picture before the command): settled or after the fixed wait. Fixed
// waits are cut so that a stop is seen; *stopped tells of one.
PhotoResult PhotographAfterCommand(PhotoCamera& camera, int number, PhotoWait wait, const StopRequest& stop,
                                   bool* stopped);

// Holds the document lock from the first blank to the end. On failure the
// reason was reported (message 201 when photos are checked; 206, always, for
// a picture that never settled) and is given in *failure; on a stop or a picture
// that never settled every projector is unblanked and cleared.
Outcome RunCapture(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter, const StopRequest& stop,
                   const EngineCalls& engine, const CaptureOptions& options,
                   CaptureFailure* failure = nullptr);

// The photos the automatic boundary needs, taken like RunCapture's: photo 0
// with every projector blanked, then each channel's full white. The centre and
// grid photo paths are left empty: a calibration must photograph anew.
Outcome CaptureBoundaryPhotos(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter,
                              const StopRequest& stop, const EngineCalls& engine,
                              const CaptureOptions& options, CaptureFailure* failure = nullptr);

}  // namespace vantis::calibration
