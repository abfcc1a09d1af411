// The fourteen camera properties, in the order the settings record holds them.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "oculet/CDShowCameraData.h"

namespace oculet {

// The property enumeration and the record's field order come with the settings record.
using ::CameraProperty;
using ::kCameraPropertyCount;

inline constexpr std::array<CameraProperty, kCameraPropertyCount> kAllCameraProperties = {
    CameraProperty::Pan,        CameraProperty::Tilt,         CameraProperty::Roll,
    CameraProperty::Zoom,       CameraProperty::Exposure,     CameraProperty::Iris,
    CameraProperty::Focus,      CameraProperty::Brightness,   CameraProperty::Contrast,
    CameraProperty::Saturation, CameraProperty::Hue,          CameraProperty::Gain,
    CameraProperty::Sharpness,  CameraProperty::WhiteBalance,
};

// Flags of a range query and of a read: bit 0 = automatic, bit 1 = manual.
inline constexpr int kPropertyFlagAuto = 1;
inline constexpr int kPropertyFlagManual = 2;

// The name the property goes by on the virtual camera's protocol ("Exposure", "WhiteBalance", ...).
std::string_view PropertyName(CameraProperty property);
std::optional<CameraProperty> PropertyFromName(std::string_view name);

// The seven lens and exposure properties; the other seven are picture properties.
bool IsLensProperty(CameraProperty property);

// Range of a property as the device reports it, in the units the settings record uses.
struct PropertyRange {
    int minimum = 0;
    int maximum = 0;
    int step = 0;
    int defaultValue = 0;
    int flags = 0;
};

}  // namespace oculet
