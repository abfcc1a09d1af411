#include "calibration/camera_port.h"

namespace vantis::calibration {

bool IsSupportedCameraModel(const std::wstring& name) {
    return name == kSupportedCameraModel || name == L"HD Pro Webcam C920";
}

}  // namespace vantis::calibration
