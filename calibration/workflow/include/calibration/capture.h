// The calibration capture: photo 0 with every projector blanked, then for each
// channel its full white, centre blocks and full block grid, each photographed
// a fixed settling time after the pattern went up. A document of N channels
// takes photos 0 to 3N; the paths go into the channels.
#pragma once

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
};

// Holds the document lock from the first blank to the end. On failure the
// reason was reported (message 201); on a stop every projector is unblanked
// and cleared.
Outcome RunCapture(VantisAuto::CDoc& doc, PhotoCamera& camera, Reporter& reporter, const StopRequest& stop,
                   const EngineCalls& engine, const CaptureOptions& options);

}  // namespace vantis::calibration
