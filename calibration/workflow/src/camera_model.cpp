#include "calibration/camera_port.h"

#include <mutex>
#include <optional>

#include "vantis/model/config.h"

namespace vantis::calibration {

namespace {
std::mutex photoWaitMutex;
std::optional<PhotoWait> photoWait;
}  // namespace

// Both programs read default.ini at start (and end on a broken one); the
// setting is read from the same file when a workflow first asks.
PhotoWait DefaultPhotoWait() {
    std::lock_guard lock(photoWaitMutex);
    if (!photoWait) {
        vantis::model::Defaults defaults;
        const bool read = vantis::model::ReadDefaults(vantis::model::DefaultIniPath(), &defaults, nullptr);
        photoWait = read && defaults.fixedPhotoWaits ? PhotoWait::Fixed : PhotoWait::Settled;
    }
    return *photoWait;
}

void SetDefaultPhotoWait(PhotoWait wait) {
    std::lock_guard lock(photoWaitMutex);
    photoWait = wait;
}

bool IsSupportedCameraModel(const std::wstring& name) {
    return name == kSupportedCameraModel || name == L"HD Pro Webcam C920";
}

}  // namespace vantis::calibration
