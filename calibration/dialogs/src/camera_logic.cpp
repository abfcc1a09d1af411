#include "dialogs/camera_logic.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "calibration/camera_port.h"

namespace meridan::dialogs {

SliderSpec PropertySlider(const CameraPropertyState& p) {
    SliderSpec s;
    s.enabled = p.supported != 0;
    if (s.enabled) {
        s.minimum = p.minimum;
        s.maximum = p.maximum;
        s.position = p.value;
    }
    return s;
}

SliderSpec ExposureSlider(const CameraPropertyState& p) {
    SliderSpec s;
    s.enabled = p.supported != 0;
    s.page = 1;
    if (s.enabled) {
        s.minimum = std::min(p.minimum, p.maximum);
        s.maximum = std::max(p.minimum, p.maximum);
        s.position = std::clamp(p.value, s.minimum, s.maximum);
    }
    return s;
}

std::string SliderValueText(CameraProperty property, long value) {
    char text[48];
    if (property != CameraProperty::Exposure) {
        std::snprintf(text, sizeof text, "%ld", value);
    } else if (value <= 0 && value > -31) {
        std::snprintf(text, sizeof text, "%ld (1/%ld s)", value, 1L << -value);
    } else if (value > 0 && value < 31) {
        std::snprintf(text, sizeof text, "%ld (%ld s)", value, 1L << value);
    } else {
        std::snprintf(text, sizeof text, "%ld", value);
    }
    return text;
}

long StepValue(const CameraPropertyState& p, bool raise) {
    const long v = raise ? static_cast<long>(p.value) + p.step : static_cast<long>(p.value) - p.step;
    if (p.minimum > p.maximum) return v;
    return std::clamp(v, static_cast<long>(p.minimum), static_cast<long>(p.maximum));
}

bool AutoTuneAllowed(const CDShowCameraData& camera, bool running) {
    for (auto p : {CameraProperty::Exposure, CameraProperty::Gain, CameraProperty::Brightness,
                   CameraProperty::Contrast})
        if (!camera.State(p).supported) return false;
    return running;
}

bool IsListedCamera(const std::wstring& name) {
    return vantis::calibration::IsSupportedCameraModel(name);
}

}  // namespace meridan::dialogs
