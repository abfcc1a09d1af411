#include "v4l2_mapping.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cmath>

namespace oculet::v4l2 {

std::optional<ControlIds> ControlsFor(CameraProperty property) {
    switch (property) {
        case CameraProperty::Pan:
            return ControlIds{V4L2_CID_PAN_ABSOLUTE, 0};
        case CameraProperty::Tilt:
            return ControlIds{V4L2_CID_TILT_ABSOLUTE, 0};
        case CameraProperty::Roll:
            return std::nullopt;
        case CameraProperty::Zoom:
            return ControlIds{V4L2_CID_ZOOM_ABSOLUTE, 0};
        case CameraProperty::Exposure:
            return ControlIds{V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO};
        case CameraProperty::Iris:
            return ControlIds{V4L2_CID_IRIS_ABSOLUTE, 0};
        case CameraProperty::Focus:
            return ControlIds{V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO};
        case CameraProperty::Brightness:
            return ControlIds{V4L2_CID_BRIGHTNESS, 0};
        case CameraProperty::Contrast:
            return ControlIds{V4L2_CID_CONTRAST, 0};
        case CameraProperty::Saturation:
            return ControlIds{V4L2_CID_SATURATION, 0};
        case CameraProperty::Hue:
            return ControlIds{V4L2_CID_HUE, 0};
        case CameraProperty::Gain:
            return ControlIds{V4L2_CID_GAIN, V4L2_CID_AUTOGAIN};
        case CameraProperty::Sharpness:
            return ControlIds{V4L2_CID_SHARPNESS, 0};
        case CameraProperty::WhiteBalance:
            return ControlIds{V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE};
    }
    return std::nullopt;
}

namespace {
constexpr double kUnitsPerSecond = 10000.0;  // 100 microseconds
}

int ExposureToDriver(int log2Seconds) {
    const int clamped = std::clamp(log2Seconds, -30, 0);
    return static_cast<int>(std::lround(std::ldexp(kUnitsPerSecond, clamped)));
}

int ExposureFromDriver(std::int64_t units) {
    if (units <= 0) return -30;
    const double log2Seconds = std::log2(static_cast<double>(units) / kUnitsPerSecond);
    return static_cast<int>(std::clamp<long>(std::lround(log2Seconds), -30L, 0L));
}

namespace {
int Narrow(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}
}  // namespace

PropertyRange RangeFromDriver(CameraProperty property, const DriverRange& driver, bool hasAuto) {
    PropertyRange range;
    range.flags = kPropertyFlagManual | (hasAuto ? kPropertyFlagAuto : 0);
    if (property == CameraProperty::Exposure) {
        range.minimum = ExposureFromDriver(driver.minimum);
        range.maximum = ExposureFromDriver(driver.maximum);
        range.step = 1;
        range.defaultValue =
            std::clamp(ExposureFromDriver(driver.defaultValue), range.minimum, range.maximum);
        return range;
    }
    range.minimum = Narrow(driver.minimum);
    range.maximum = Narrow(driver.maximum);
    range.step = Narrow(driver.step);
    range.defaultValue = Narrow(driver.defaultValue);
    return range;
}

std::int32_t AutoControlValue(CameraProperty property, bool on, bool aperturePriorityOffered) {
    if (property == CameraProperty::Exposure) {
        if (!on) return V4L2_EXPOSURE_MANUAL;
        return aperturePriorityOffered ? V4L2_EXPOSURE_APERTURE_PRIORITY : V4L2_EXPOSURE_AUTO;
    }
    return on ? 1 : 0;
}

bool AutoControlIsOn(CameraProperty property, std::int32_t value) {
    if (property == CameraProperty::Exposure) return value != V4L2_EXPOSURE_MANUAL;
    return value != 0;
}

std::int64_t ValueToDriver(CameraProperty property, int value) {
    return property == CameraProperty::Exposure ? ExposureToDriver(value) : value;
}

int ValueFromDriver(CameraProperty property, std::int64_t value) {
    return property == CameraProperty::Exposure ? ExposureFromDriver(value) : Narrow(value);
}

}  // namespace oculet::v4l2
