#include "oculet/CDShowCameraData.h"

const char* CameraPropertyName(CameraProperty p) {
    static constexpr const char* kNames[kCameraPropertyCount] = {
        "pan",        "tilt",     "roll",       "zoom", "exposure", "iris",      "focus",
        "brightness", "contrast", "saturation", "hue",  "gain",     "sharpness", "whiteBalance",
    };
    const int i = static_cast<int>(p);
    return i >= 0 && i < kCameraPropertyCount ? kNames[i] : "";
}

void CDShowCameraData::Serialize(vantis::Archive& ar) {
    ar.SetContext("camera name");
    ar.WideString(m_name);
    ar.SetContext("camera property value");
    for (CameraProperty p : kCameraPropertyFileOrder) ar.Int(State(p).value);
}
