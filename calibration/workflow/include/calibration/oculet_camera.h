// The camera library's capture graph as the workflows' camera.
//
// A photo must show what the projectors show after the last command. Frames
// are delivered one after another; the first new frame after a command may
// have been requested before it, the second one was not. So TakePhoto waits
// for two new frames (bounded) before the graph's own settling wait and grab.
#pragma once

#include <functional>

#include "calibration/camera_port.h"
#include "oculet/CDShowGridOverlay.h"

namespace vantis::calibration {

class OculetCamera : public CameraDevice {
public:
    explicit OculetCamera(CDShowGridOverlay& graph) : graph_(graph) {}

    void SetFilePrefixName(const std::string& prefix) override { graph_.SetFilePrefixName(prefix); }
    std::string GetImagePath() const override { return graph_.GetImagePath(); }
    int TakePhoto(int number) override;
    std::string LastPhotoPath() const override { return graph_.GetLastPhotoPath(); }
    CDShowCameraData& Properties() override { return graph_; }
    void ApplyProperties() override { graph_.SetAll(); }
    void SetExposure(long value) override { graph_.SetExposure(value); }
    void SetGain(long value) override { graph_.SetGain(value); }
    cv::Size PictureSize() const override {
        const oculet::CSize size = graph_.FrameSize();
        return {size.cx, size.cy};
    }

    int Count() override;
    std::wstring Name(int index) override;
    bool Open(int index, const CameraSetup& setup) override;
    void TakeConfig(const CDShowCameraData& stored) override;
    // Without a view there is no grid to edit.
    void StartGrid() override {}

    // Waits until two frames newer than the current one arrived; false after
    // the time-out or when the graph is not running.
    bool WaitForFreshFrames();

protected:
    CDShowGridOverlay& graph_;
};

}  // namespace vantis::calibration
