#include <algorithm>
#include <cctype>

#include "wallsim/vcam.h"

namespace wallsim {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

CameraControls::CameraControls() {
    // Ranges as the webcam reports them through the platform's camera and
    // picture controls; Roll, Iris and Hue it does not have.
    auto p = [](const char* n, int lo, int hi, int step, int def, int flags, bool autoOn = false) {
        VcamProperty v;
        v.name = n;
        v.supported = true;
        v.minimum = lo;
        v.maximum = hi;
        v.step = step;
        v.defaultValue = def;
        v.flags = flags;
        v.value = def;
        v.automatic = autoOn;
        return v;
    };
    auto none = [](const char* n) {
        VcamProperty v;
        v.name = n;
        return v;
    };
    props_ = {p("Pan", -10, 10, 1, 0, 2),
              p("Tilt", -10, 10, 1, 0, 2),
              none("Roll"),
              p("Zoom", 100, 500, 1, 100, 2),
              p("Exposure", -11, -2, 1, -5, 3),
              none("Iris"),
              p("Focus", 0, 250, 5, 0, 3, true),
              p("Brightness", 0, 255, 1, 128, 2),
              p("Contrast", 0, 255, 1, 128, 2),
              p("Saturation", 0, 255, 1, 128, 2),
              none("Hue"),
              p("Gain", 0, 255, 1, 0, 2),
              p("Sharpness", 0, 255, 1, 128, 2),
              p("WhiteBalance", 2000, 6500, 10, 4000, 3, true)};
}

std::vector<VcamProperty> CameraControls::Properties() const {
    std::lock_guard lock(mutex_);
    return props_;
}

bool CameraControls::Set(const std::string& name, long long value, std::optional<bool> automatic, int* stored,
                         std::string* error) {
    std::lock_guard lock(mutex_);
    for (auto& p : props_) {
        if (!SameName(p.name, name)) continue;
        if (!p.supported) {
            *error = p.name + " is not supported";
            return false;
        }
        if (automatic.value_or(false) && !(p.flags & 1)) {
            *error = p.name + " cannot be automatic";
            return false;
        }
        p.value = static_cast<int>(std::clamp<long long>(value, p.minimum, p.maximum));
        p.automatic = automatic.value_or(false);
        *stored = p.value;
        return true;
    }
    *error = "unknown property " + name;
    return false;
}

const std::vector<std::pair<int, int>>& CameraControls::Resolutions() {
    static const std::vector<std::pair<int, int>> kList = {{1920, 1080}, {1280, 720}, {640, 480}};
    return kList;
}

bool CameraControls::SetSize(int width, int height) {
    for (const auto& r : Resolutions())
        if (r.first == width && r.second == height) {
            std::lock_guard lock(mutex_);
            width_ = width;
            height_ = height;
            return true;
        }
    return false;
}

bool CameraControls::ExposureAutomatic() const {
    std::lock_guard lock(mutex_);
    for (const auto& p : props_)
        if (p.name == "Exposure") return p.automatic;
    return false;
}

CameraSettings CameraControls::Settings() const {
    std::lock_guard lock(mutex_);
    CameraSettings s;
    auto value = [&](const char* n) {
        for (const auto& p : props_)
            if (p.name == n) return p.value;
        return 0;
    };
    s.exposure = value("Exposure");
    s.gain = value("Gain");
    s.brightness = value("Brightness");
    s.contrast = value("Contrast");
    s.saturation = value("Saturation");
    s.width = width_;
    s.height = height_;
    return s;
}

}  // namespace wallsim
