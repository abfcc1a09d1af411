// The camera library's capture graph as the workflows' camera.
//
// A photo must show what the projectors show after the last command. Frames
// are delivered one after another; the first new frame after a command may
// have been requested before it, the second one was not. So TakePhoto waits
// for two new frames (bounded) before the graph's own settling wait and grab.
// TakeSettledPhoto instead watches the frames after MarkPicture and saves the
// first one of a run that shows the changed picture holding still.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "calibration/camera_port.h"
#include "oculet/CDShowGridOverlay.h"
#include "oculet/Settle.h"

namespace vantis::calibration {

class OculetCamera : public CameraDevice {
  public:
    explicit OculetCamera(CDShowGridOverlay& graph) : graph_(graph) {}

    void SetFilePrefixName(const std::string& prefix) override { graph_.SetFilePrefixName(prefix); }
    std::string GetImagePath() const override { return graph_.GetImagePath(); }
    int TakePhoto(int number) override;
    std::string LastPhotoPath() const override { return graph_.GetLastPhotoPath(); }
    // Remembers the picture before a command; a camera just opened that has not
    // delivered a frame yet is waited for, so the change can still be seen.
    void MarkPicture() override;
    PhotoResult TakeSettledPhoto(int number, std::chrono::milliseconds ceiling) override;
    bool WaitForStillPicture(std::chrono::milliseconds ceiling) override;
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

    // What the last TakeSettledPhoto saw.
    struct SettleReport {
        int frames = 0;                      // frames watched
        std::chrono::milliseconds waited{};  // from the call to the photo (or the give-up)
        bool changed = false;                // the picture changed from the marked one
        double noise = 0;                    // noise of the last frame, grey levels
    };
    const SettleReport& LastSettle() const { return lastSettle_; }
    void SetSettleRule(const oculet::SettleRule& rule) { rule_ = rule; }

    // However short the ceiling, this many frames are watched before giving up
    // (scaled-down delays must not end a watch before the camera delivered anything).
    static constexpr int kMinimumWatchedFrames = 10;

  protected:
    CDShowGridOverlay& graph_;

  private:
    // Watches the frames after the mark (or from now on) until the picture
    // settled or the ceiling; the last frame watched in *last. False when the
    // camera stopped delivering frames (closed, or gone from the bus).
    bool Watch(oculet::SettleWatch& watch, std::chrono::milliseconds ceiling,
               std::shared_ptr<const oculet::Frame>* last);

    std::shared_ptr<const oculet::Frame> marked_;
    oculet::SettleRule rule_;
    SettleReport lastSettle_;
};

}  // namespace vantis::calibration
