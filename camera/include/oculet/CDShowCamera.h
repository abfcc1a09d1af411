// One camera chosen by index, with its fourteen image and lens properties.
//
// Devices are the V4L2 capture devices, in the order of their node numbers, followed by the
// simulated wall's virtual camera whenever its socket answers. The record part
// (CDShowCameraData) holds the ranges and values the last reads found; sets clamp into a fresh
// range query and always switch the property to manual.
#pragma once

#include <memory>
#include <string>

#include "oculet/CDShowCameraData.h"
#include "oculet/CameraProperty.h"

namespace oculet {
class ICameraDevice;
struct DeviceEntry;
}  // namespace oculet

class CDShowCamera : public CDShowCameraData {
  public:
    CDShowCamera();
    ~CDShowCamera() override;
    // Copies the property states (not the name) and shares the bound device.
    CDShowCamera(const CDShowCamera& other);
    CDShowCamera& operator=(const CDShowCamera& other);

    // Number of cameras.
    static int GetCount();
    // Name of camera `index` into *name: 0 when there is no camera at all, else 1 (also when
    // index is past the last camera; *name is then unchanged).
    static int GetName(int index, std::wstring* name);

    bool OpenCamera(int index);
    virtual void CloseCamera();
    bool IsBound() const { return device_ != nullptr; }

    // Lens and exposure properties.
    void SetPan(long value) { Set(CameraProperty::Pan, value); }
    void SetTilt(long value) { Set(CameraProperty::Tilt, value); }
    void SetRoll(long value) { Set(CameraProperty::Roll, value); }
    void SetZoom(long value) { Set(CameraProperty::Zoom, value); }
    void SetExposure(long value) { Set(CameraProperty::Exposure, value); }
    void SetIris(long value) { Set(CameraProperty::Iris, value); }
    void SetFocus(long value) { Set(CameraProperty::Focus, value); }
    int GetPan() { return Get(CameraProperty::Pan); }
    int GetTilt() { return Get(CameraProperty::Tilt); }
    int GetRoll() { return Get(CameraProperty::Roll); }
    int GetZoom() { return Get(CameraProperty::Zoom); }
    int GetExposure() { return Get(CameraProperty::Exposure); }
    int GetIris() { return Get(CameraProperty::Iris); }
    int GetFocus() { return Get(CameraProperty::Focus); }
    // Picture properties.
    void SetBrightness(long value) { Set(CameraProperty::Brightness, value); }
    void SetContrast(long value) { Set(CameraProperty::Contrast, value); }
    void SetSaturation(long value) { Set(CameraProperty::Saturation, value); }
    void SetHue(long value) { Set(CameraProperty::Hue, value); }
    void SetGain(long value) { Set(CameraProperty::Gain, value); }
    void SetSharpness(long value) { Set(CameraProperty::Sharpness, value); }
    void SetWhitebalance(long value) { Set(CameraProperty::WhiteBalance, value); }
    int GetBrightness() { return Get(CameraProperty::Brightness); }
    int GetContrast() { return Get(CameraProperty::Contrast); }
    int GetSaturation() { return Get(CameraProperty::Saturation); }
    int GetHue() { return Get(CameraProperty::Hue); }
    int GetGain() { return Get(CameraProperty::Gain); }
    int GetSharpness() { return Get(CameraProperty::Sharpness); }
    int GetWhitebalance() { return Get(CameraProperty::WhiteBalance); }

    void EnableAutoExposure(int on) { EnableAuto(CameraProperty::Exposure, on); }
    void EnableAutoFocus(int on) { EnableAuto(CameraProperty::Focus, on); }
    void EnableAutoGain(int on) { EnableAuto(CameraProperty::Gain, on); }
    void EnableAutoWhitebalance(int on) { EnableAuto(CameraProperty::WhiteBalance, on); }

    // Reads all fourteen properties.
    void GetAll();
    // Writes the stored value of every property the last read found supported.
    void SetAll();
    // Writes every supported property's default.
    void ResetAll();
    // Takes every value of `data` except Iris; writes nothing to the device (SetAll does).
    void GetCameraConfig(const CDShowCameraData& data);

    // The same operations by property.
    // Clamps into a fresh range query and writes as manual; the value is kept on success.
    void Set(CameraProperty property, long value);
    // Range query into the state, then the current value; 1 if both succeeded.
    int Get(CameraProperty property);
    // Range query into the state; if supported and (on == 0 or automatic is possible) writes the
    // stored value as automatic (on) or manual (off).
    void EnableAuto(CameraProperty property, int on);
    // Range query into the state and, if supported, the stored value written as manual.
    void SwitchToManual(CameraProperty property);

  protected:
    // Binds camera `index`; false for a negative index, one past the last camera, or a device
    // that cannot be opened. On success *entry describes the device.
    bool BindDevice(int index, oculet::DeviceEntry* entry);
    // Range query into the state; sets supported and returns it.
    bool QueryRangeInto(CameraProperty property);

    std::shared_ptr<oculet::ICameraDevice> device_;
};
