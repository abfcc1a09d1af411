#include "calibration/camera_port.h"

#include "vantis/model/config.h"

namespace vantis::calibration {

namespace {
vantis::model::SettingOfDefaults<PhotoWait> photoWait([](const vantis::model::Defaults& d) {
    return d.fixedPhotoWaits ? PhotoWait::Fixed : PhotoWait::Settled;
});
}  // namespace

PhotoWait DefaultPhotoWait() {
    return photoWait.Get();
}

void SetDefaultPhotoWait(PhotoWait wait) {
    photoWait.Set(wait);
}

bool IsSupportedCameraModel(const std::wstring& name) {
    return name == kSupportedCameraModel || name == L"HD Pro Webcam C920";
}

}  // namespace vantis::calibration
