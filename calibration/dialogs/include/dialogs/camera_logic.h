// The camera dialog's rules over a camera record: which devices are listed,
// each property slider's range, position and enabling, the exposure slider's
// mapping (exposure values are log2 seconds, so the slider runs over them
// directly and further right is a longer exposure), the value each slider
// shows, the pan and tilt buttons' steps, and when Auto Tune may start.
#pragma once

#include <string>

#include "oculet/CDShowCameraData.h"

namespace meridan::dialogs {

// The capture size the dialog always opens the camera with.
inline constexpr int kCaptureWidth = 1920;
inline constexpr int kCaptureHeight = 1080;

struct SliderSpec {
    bool enabled = false;
    int minimum = 0;
    int maximum = 0;
    int position = 0;
    int page = 10;
};

// Zoom, focus, gain, brightness and contrast: minimum..maximum, page size 10.
SliderSpec PropertySlider(const CameraPropertyState& p);
// Exposure: the shorter end on the left, the longer on the right (minimum..maximum of the
// exposure values), position the value, page size 1.
SliderSpec ExposureSlider(const CameraPropertyState& p);
// The exposure a slider position stands for.
inline long ExposureOfPosition(int position) {
    return static_cast<long>(position);
}

// The text beside a slider: the value, for exposure also the time it stands
// for ("-5 (1/32 s)", "1 (2 s)").
std::string SliderValueText(CameraProperty property, long value);

// "P-" and "T-" raise the value by the step, "P+" and "T+" lower it; the
// result stays inside the camera's range.
long StepValue(const CameraPropertyState& p, bool raise);

// Exposure, gain, brightness and contrast all supported, and the graph running.
bool AutoTuneAllowed(const CDShowCameraData& camera, bool running);

// Whether a device of this name is listed.
bool IsListedCamera(const std::wstring& name);

}  // namespace meridan::dialogs
