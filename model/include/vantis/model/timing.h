// Lookups from the project's settings: output timing index to panel size,
// refresh rate and pattern type; layout index to columns and rows; and the
// choices the new-project wizard offers.
#pragma once

#include <array>
#include <cstdint>

namespace vantis::model {

struct TimingInfo {
    int width = 0;
    int height = 0;
    float refresh = 0.0f;
    int patternType = 5;  // argument of AutoWarpGetPatternInfo / AutoWarpInitWarping
};

// Timing indexes 0..13; any other index gives 0 x 0 at 0 Hz and pattern type 5.
TimingInfo TimingOf(std::int32_t timing);
inline int PatternTypeOfTiming(std::int32_t timing) {
    return TimingOf(timing).patternType;
}

struct LayoutInfo {
    int columns = 1;
    int rows = 1;
};

// Layout indexes 0..13; any other index gives 1 x 1.
LayoutInfo LayoutOf(std::int32_t layout);

struct TimingChoice {
    const char* label;
    int timing;
};
// The wizard's resolution list, in its order (each label ends in one blank).
extern const std::array<TimingChoice, 7> kWizardTimings;
// The wizard's layout labels, by layout index.
extern const std::array<const char*, 14> kLayoutLabels;

}  // namespace vantis::model
