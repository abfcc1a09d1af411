// The camera settings record: the fourteen image and lens properties of the
// camera in use (range, default, capability flags, whether supported, current
// value) and the camera's device name.
//
// The project keeps one record and writes it to the project file with
// Serialize; only the name and the fourteen values are stored, the ranges come
// from the camera at run time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "vantis/archive.h"

struct CameraPropertyState {
    std::int32_t minimum = 0;       // lower bound of the driver's range
    std::int32_t maximum = 0;       // upper bound of the driver's range
    std::int32_t step = 0;          // stepping delta (stored, never applied)
    std::int32_t defaultValue = 0;  // driver default
    std::int32_t flags = 0;         // bit 0 can be automatic, bit 1 can be set by hand;
                                    // for Exposure the current control flags (1 auto, 2 manual)
    std::int32_t supported = 0;     // 1 if the last range query succeeded
    std::int32_t value = 0;         // last value read from or written to the camera

    bool operator==(const CameraPropertyState&) const = default;
};

// The fourteen properties, in the record's field order.
enum class CameraProperty : int {
    Pan,
    Tilt,
    Roll,
    Zoom,
    Exposure,
    Iris,
    Focus,
    Brightness,
    Contrast,
    Saturation,
    Hue,
    Gain,
    Sharpness,
    WhiteBalance,
};
inline constexpr int kCameraPropertyCount = 14;

// Order of the values in the stored record: Focus comes before Exposure.
inline constexpr std::array<CameraProperty, kCameraPropertyCount> kCameraPropertyFileOrder = {
    CameraProperty::Pan,       CameraProperty::Tilt,         CameraProperty::Roll, CameraProperty::Zoom,
    CameraProperty::Focus,     CameraProperty::Exposure,     CameraProperty::Iris, CameraProperty::Brightness,
    CameraProperty::Contrast,  CameraProperty::Saturation,   CameraProperty::Hue,  CameraProperty::Gain,
    CameraProperty::Sharpness, CameraProperty::WhiteBalance,
};

// Short lower-case names of the properties ("pan", "whiteBalance"), for tools.
const char* CameraPropertyName(CameraProperty p);

class CDShowCameraData : public vantis::Serializable {
  public:
    CDShowCameraData() = default;
    // Copying a record copies the fourteen property states, never the name.
    CDShowCameraData(const CDShowCameraData& other) : m_props(other.m_props) {}
    CDShowCameraData& operator=(const CDShowCameraData& other) {
        m_props = other.m_props;
        return *this;
    }
    ~CDShowCameraData() override = default;

    // Stored form: the name as an archive string, then the fourteen values in
    // kCameraPropertyFileOrder as 32-bit ints.
    void Serialize(vantis::Archive& ar) override;

    CameraPropertyState& State(CameraProperty p) { return m_props[static_cast<int>(p)]; }
    const CameraPropertyState& State(CameraProperty p) const { return m_props[static_cast<int>(p)]; }

    // Whether the camera reported automatic focus as possible at the last range query.
    int IsAutoFocus() const { return State(CameraProperty::Focus).flags & 1; }

    operator CDShowCameraData*() { return this; }

    std::array<CameraPropertyState, kCameraPropertyCount> m_props{};
    std::wstring m_name;  // device name of the camera in use
};
