// A bound camera as the property and capture code see it: V4L2 device or virtual camera.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "oculet/CameraProperty.h"
#include "oculet/Frame.h"

namespace oculet {

class ICameraDevice {
  public:
    virtual ~ICameraDevice() = default;
    // Range of a property; false when the device lacks it.
    virtual bool QueryRange(CameraProperty property, PropertyRange& range) = 0;
    // Current value and its mode (kPropertyFlagAuto or kPropertyFlagManual).
    virtual bool Read(CameraProperty property, int& value, int& flags) = 0;
    // Writes the value with the mode; kPropertyFlagAuto hands the property to the camera.
    virtual bool Write(CameraProperty property, int value, int flags) = 0;
    // Starts a stream, asking for width x height and taking what the camera gives otherwise.
    virtual std::unique_ptr<IFrameSource> OpenStream(int width, int height) = 0;
    // Picture sizes offered uncompressed (compressed = false) or as MJPEG, one entry per
    // offered frame rate, in the order the device lists them.
    virtual std::vector<cv::Size> Resolutions(bool compressed) = 0;
};

struct DeviceEntry {
    enum class Kind { V4l2, Virtual };
    Kind kind = Kind::V4l2;
    std::string path;  // /dev/videoN, or the virtual camera's socket
    std::string name;  // card name (UTF-8)
};

// The V4L2 capture devices in the order of their node numbers, then the virtual camera
// when its socket answers.
std::vector<DeviceEntry> ListDevices();
std::vector<DeviceEntry> ListV4l2Devices();

std::unique_ptr<ICameraDevice> OpenV4l2Device(const std::string& path);
std::unique_ptr<ICameraDevice> OpenVirtualDevice(const std::string& socketPath);
std::unique_ptr<ICameraDevice> OpenDevice(const DeviceEntry& entry);

}  // namespace oculet
