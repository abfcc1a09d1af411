// Opens the simulated wall's virtual camera (listed under the supported
// model's name) for the wall tests.
#pragma once

#include "calibration/camera_port.h"
#include "calibration/oculet_camera.h"

namespace vantis::calibration::testing {

// The index of the camera opened, or -1 when none of the supported model is
// listed or it does not open.
inline int OpenVirtualCamera(OculetCamera& camera) {
    for (int i = 0; i < camera.Count(); ++i)
        if (IsSupportedCameraModel(camera.Name(i))) return camera.Open(i, {}) ? i : -1;
    return -1;
}

}  // namespace vantis::calibration::testing
