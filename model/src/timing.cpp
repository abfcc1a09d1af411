#include "vantis/model/timing.h"

namespace vantis::model {

namespace {
constexpr TimingInfo kTimings[14] = {
    {1024, 768, 60.0f, 0},  {1280, 720, 120.0f, 4}, {1280, 800, 60.0f, 1},  {0, 0, 0.0f, 1},
    {1920, 1200, 60.0f, 2}, {0, 0, 0.0f, 2},        {1280, 720, 60.0f, 5},  {0, 0, 0.0f, 5},
    {1920, 1080, 60.0f, 3}, {0, 0, 0.0f, 3},        {1920, 1080, 30.0f, 3}, {1024, 768, 120.0f, 0},
    {1280, 800, 120.0f, 1}, {1024, 768, 50.0f, 0},
};
constexpr LayoutInfo kLayouts[14] = {
    {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {1, 2},
    {1, 3}, {1, 4}, {1, 5}, {1, 6}, {2, 2}, {3, 2}, {2, 3},
};
}  // namespace

const std::array<TimingChoice, 7> kWizardTimings = {{
    {"XGA (1024x768) ", 0},
    {"3D-WXGA (1280x800) ", 2},
    {"1080p (1920x1080) ", 8},
    {"WUXGA (1920x1200) ", 4},
    {"XGA (1024x768) ", 11},
    {"WXGA (1280x800) ", 12},
    {"720p (1280x720) ", 1},
}};

const std::array<const char*, 14> kLayoutLabels = {
    " 1 Row x 1 Column", " 1 Row x 2 Column", " 1 Row x 3 Column", " 1 Row x 4 Column", " 1 Row x 5 Column",
    " 1 Row x 6 Column", " 2 Row x 1 Column", " 3 Row x 1 Column", " 4 Row x 1 Column", " 5 Row x 1 Column",
    " 6 Row x 1 Column", " 2 Row x 2 Column", " 2 Row x 3 Column", " 3 Row x 2 Column",
};

TimingInfo TimingOf(std::int32_t timing) {
    if (timing >= 0 && timing < 14) return kTimings[timing];
    return TimingInfo{0, 0, 0.0f, 5};
}

LayoutInfo LayoutOf(std::int32_t layout) {
    if (layout >= 0 && layout < 14) return kLayouts[layout];
    return LayoutInfo{1, 1};
}

}  // namespace vantis::model
