// Watches the attached cameras and calls back when the list of their names
// changes (a camera arrived or left). It polls the camera library's device
// list at a fixed interval; the first poll only records the list.
#pragma once

#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace meridan {

// The names of the attached cameras, in the camera library's order.
std::vector<std::wstring> AttachedCameraNames();

class DeviceWatcher {
  public:
    using Lister = std::function<std::vector<std::wstring>()>;

    DeviceWatcher(std::function<void()> changed, Lister lister = AttachedCameraNames);
    void Start();
    void Stop() { timer_.stop(); }
    // One poll (the timer calls it); true when the list changed.
    bool Poll();

  private:
    std::function<void()> changed_;
    Lister lister_;
    std::vector<std::wstring> last_;
    bool first_ = true;
    QTimer timer_;
};

}  // namespace meridan
