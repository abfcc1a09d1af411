// How the fourteen properties map onto V4L2 controls, and the unit conversions.
// Pure functions, so that they can be checked without a device.
#pragma once

#include <cstdint>
#include <optional>

#include "oculet/CameraProperty.h"

namespace oculet::v4l2 {

struct ControlIds {
    std::uint32_t value = 0;      // the control holding the property's value
    std::uint32_t automatic = 0;  // the control switching it to automatic, 0 if there is none
};

// The controls of a property; nullopt for a property V4L2 has no control for (Roll).
std::optional<ControlIds> ControlsFor(CameraProperty property);

// Exposure: the settings record keeps log2 seconds (0 = 1 s, -5 = 1/32 s, never above 0);
// V4L2_CID_EXPOSURE_ABSOLUTE counts units of 100 microseconds.
int ExposureToDriver(int log2Seconds);
int ExposureFromDriver(std::int64_t units);

struct DriverRange {
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;
    std::int64_t step = 0;
    std::int64_t defaultValue = 0;
};

// The record's range for a property from the driver's range. hasAuto sets flag bit 0; every
// mapped property can be set by hand (bit 1). Exposure is converted (step 1).
PropertyRange RangeFromDriver(CameraProperty property, const DriverRange& driver, bool hasAuto);

// The value written to the property's automatic control. For exposure (a menu) "on" takes
// aperture priority when the driver offers it, else full auto; "off" is manual.
std::int32_t AutoControlValue(CameraProperty property, bool on, bool aperturePriorityOffered);
// Whether a read of the automatic control means automatic.
bool AutoControlIsOn(CameraProperty property, std::int32_t value);

// Driver value for a record value (exposure converted, others as they are) and back.
std::int64_t ValueToDriver(CameraProperty property, int value);
int ValueFromDriver(CameraProperty property, std::int64_t value);

}  // namespace oculet::v4l2
