#include "oculet/CDShowCamera.h"

#include <algorithm>

#include "camera_device.h"
#include "vantis/utf8.h"

CDShowCamera::CDShowCamera() = default;
CDShowCamera::~CDShowCamera() = default;

CDShowCamera::CDShowCamera(const CDShowCamera& other) = default;
CDShowCamera& CDShowCamera::operator=(const CDShowCamera& other) = default;

int CDShowCamera::GetCount() {
    return static_cast<int>(oculet::ListDevices().size());
}

int CDShowCamera::GetName(int index, std::wstring* name) {
    const auto devices = oculet::ListDevices();
    if (devices.empty()) return 0;
    if (index >= 0 && index < static_cast<int>(devices.size()) && name != nullptr) {
        *name = vantis::Utf8ToWide(devices[static_cast<std::size_t>(index)].name);
    }
    return 1;
}

bool CDShowCamera::BindDevice(int index, oculet::DeviceEntry* entry) {
    if (index < 0) return false;
    const auto devices = oculet::ListDevices();
    if (index >= static_cast<int>(devices.size())) return false;
    const auto& chosen = devices[static_cast<std::size_t>(index)];
    auto device = oculet::OpenDevice(chosen);
    if (!device) return false;
    device_ = std::move(device);
    if (entry != nullptr) *entry = chosen;
    return true;
}

bool CDShowCamera::OpenCamera(int index) {
    return BindDevice(index, nullptr);
}

void CDShowCamera::CloseCamera() {
    device_.reset();
}

bool CDShowCamera::QueryRangeInto(CameraProperty property) {
    auto& state = State(property);
    oculet::PropertyRange range;
    if (!device_ || !device_->QueryRange(property, range)) {
        state.supported = 0;
        return false;
    }
    state.minimum = range.minimum;
    state.maximum = range.maximum;
    state.step = range.step;
    state.defaultValue = range.defaultValue;
    state.flags = range.flags;
    state.supported = 1;
    return true;
}

void CDShowCamera::Set(CameraProperty property, long value) {
    oculet::PropertyRange range;
    if (!device_ || !device_->QueryRange(property, range)) return;
    const long low = std::min(range.minimum, range.maximum);
    const long high = std::max(range.minimum, range.maximum);
    const int clamped = static_cast<int>(std::clamp(value, low, high));
    if (device_->Write(property, clamped, oculet::kPropertyFlagManual)) State(property).value = clamped;
}

int CDShowCamera::Get(CameraProperty property) {
    if (!device_) {
        State(property).supported = 0;
        return 0;
    }
    if (!QueryRangeInto(property)) return 0;
    int value = 0;
    int flags = 0;
    if (!device_->Read(property, value, flags)) return 0;
    auto& state = State(property);
    state.value = value;
    if (property == CameraProperty::Exposure) state.flags = flags;
    return 1;
}

void CDShowCamera::EnableAuto(CameraProperty property, int on) {
    if (!device_ || !QueryRangeInto(property)) return;
    const auto& state = State(property);
    if (on != 0 && (state.flags & oculet::kPropertyFlagAuto) == 0) return;
    device_->Write(property, state.value, on != 0 ? oculet::kPropertyFlagAuto : oculet::kPropertyFlagManual);
}

void CDShowCamera::SwitchToManual(CameraProperty property) {
    if (!device_ || !QueryRangeInto(property)) return;
    device_->Write(property, State(property).value, oculet::kPropertyFlagManual);
}

void CDShowCamera::GetAll() {
    for (const auto property : oculet::kAllCameraProperties) Get(property);
}

void CDShowCamera::SetAll() {
    for (const auto property : oculet::kAllCameraProperties) {
        if (State(property).supported == 1) Set(property, State(property).value);
    }
}

void CDShowCamera::ResetAll() {
    // The stored record's order: Focus before Exposure.
    for (const auto property : kCameraPropertyFileOrder) {
        if (State(property).supported == 1) Set(property, State(property).defaultValue);
    }
}

void CDShowCamera::GetCameraConfig(const CDShowCameraData& data) {
    for (const auto property : oculet::kAllCameraProperties) {
        if (property == CameraProperty::Iris) continue;
        State(property).value = data.State(property).value;
    }
}
