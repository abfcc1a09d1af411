#include "meridan/DeviceWatcher.h"

#include <algorithm>
#include <chrono>

#include "oculet/CDShowCamera.h"
#include "vantis/delays.h"

namespace meridan {

std::vector<std::wstring> AttachedCameraNames() {
    std::vector<std::wstring> names;
    const int count = CDShowCamera::GetCount();
    for (int i = 0; i < count; ++i) {
        std::wstring name;
        if (CDShowCamera::GetName(i, &name)) names.push_back(name);
    }
    return names;
}

DeviceWatcher::DeviceWatcher(std::function<void()> changed, Lister lister)
    : changed_(std::move(changed)), lister_(std::move(lister)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
}

void DeviceWatcher::Start() {
    Poll();
    // Shrunk delays (tests) still poll no faster than twenty times a second:
    // each poll asks every camera for its name.
    const auto interval =
        std::max(vantis::delays::Scaled(vantis::delays::kCameraWatchInterval), std::chrono::milliseconds(50));
    timer_.start(static_cast<int>(interval.count()));
}

bool DeviceWatcher::Poll() {
    std::vector<std::wstring> now = lister_();
    const bool changed = !first_ && now != last_;
    first_ = false;
    last_ = std::move(now);
    if (changed && changed_) changed_();
    return changed;
}

}  // namespace meridan
