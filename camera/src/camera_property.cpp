#include "oculet/CameraProperty.h"

namespace oculet {
namespace {

constexpr std::array<std::string_view, kCameraPropertyCount> kNames = {
    "Pan",        "Tilt",     "Roll",       "Zoom", "Exposure", "Iris",      "Focus",
    "Brightness", "Contrast", "Saturation", "Hue",  "Gain",     "Sharpness", "WhiteBalance",
};

}  // namespace

std::string_view PropertyName(CameraProperty property) {
    return kNames[static_cast<int>(property)];
}

std::optional<CameraProperty> PropertyFromName(std::string_view name) {
    for (int i = 0; i < kCameraPropertyCount; ++i) {
        if (kNames[i] == name) return static_cast<CameraProperty>(i);
    }
    return std::nullopt;
}

bool IsLensProperty(CameraProperty property) {
    return static_cast<int>(property) <= static_cast<int>(CameraProperty::Focus);
}

}  // namespace oculet
