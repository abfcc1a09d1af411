// The capture graph: a bound camera, a capture thread that reads its frames, the grid-overlay
// plug-in every frame passes through, the latest shown picture, and photos of that picture.
//
// One object stands for the camera, the grabber and the overlay stage. It does not need Qt:
// the view control (CDShowCameraCtrl) owns one and paints what it delivers, and programs
// without a window may use it directly.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Gridveil/IGridEditor.h"
#include "oculet/CDShowCamera.h"
#include "oculet/Frame.h"
#include "oculet/Types.h"

namespace oculet {
class GridPlugin;
}

class CDShowGridOverlay : public CDShowCamera {
  public:
    // Picture formats for ListResolution: uncompressed (RGB24 and the raw formats a camera
    // streams) or MJPEG.
    enum eMediaSubType { MEDIASUBTYPE_RGB24 = 0, MEDIASUBTYPE_MJPG = 1 };

    // Called on the capture thread with each frame after the plug-in has drawn on it, and once
    // with nullptr when the device is lost.
    using FrameListener = std::function<void(const std::shared_ptr<const oculet::Frame>&)>;

    CDShowGridOverlay();
    ~CDShowGridOverlay() override;
    CDShowGridOverlay(const CDShowGridOverlay&) = delete;
    CDShowGridOverlay& operator=(const CDShowGridOverlay&) = delete;

    // Binds camera `device`, loads the plug-in, calls beforeConnect (the view control hands the
    // plug-in its tables and view size there) and starts the stream at width x height, or at
    // what the camera gives if it does not offer that size. 1 on success. Not running afterwards.
    int Open(int device, int width, int height, const std::function<void()>& beforeConnect = {});
    // The same with a stream the caller made (a source other than a camera device).
    int OpenSource(std::unique_ptr<oculet::IFrameSource> source,
                   const std::function<void()>& beforeConnect = {});
    void Run();
    void Stop();
    // Stops the capture thread and releases plug-in, stream and camera; the object can be opened again.
    void Close();
    // 1 while frames are being delivered.
    int IsOpened() const { return stopped_.load() ? 0 : 1; }
    // 1 after a successful Open until Close or the loss of the device.
    int IsRendered() const { return rendered_.load() ? 1 : 0; }
    // Appends the picture sizes the camera offers in that format, once per offered frame rate.
    void ListResolution(std::vector<oculet::CSize>& sizes, int type);
    // Size of the frames of the open stream, (0, 0) before Open.
    oculet::CSize FrameSize() const;

    // Reads the properties, then switches focus, white balance, exposure and gain to manual.
    void GetProperty();

    // The grid editor of the loaded plug-in, or nullptr (no plug-in, or not open).
    gridveil::IGridEditor* Editor() const;

    void SetFrameListener(FrameListener listener);
    // The latest delivered frame, or nullptr.
    std::shared_ptr<const oculet::Frame> LatestFrame() const;
    // The first frame delivered after frame `sequence` (0: any frame), waiting for it at most
    // `timeout`; nullptr after the time-out or when the graph stops.
    std::shared_ptr<const oculet::Frame> WaitForFrameAfter(std::uint64_t sequence,
                                                           std::chrono::milliseconds timeout);

    // Photos. The image folder is <data home>/<prefix>/ImageData, data home being
    // $XDG_DATA_HOME or ~/.local/share; this library never creates it.
    void SetFilePrefixName(const std::string& prefix);
    std::string GetImagePath() const { return imageFolder_; }
    // Settling wait, then the current picture as CameraImage<number %03d>.bmp in the image
    // folder. 1 if it was saved; 0 if there is no current picture or it cannot be written.
    int TakePhoto(int number);
    int TakePhoto(const std::string& path);
    // The same without the settling wait.
    int SaveCurrentPicture(const std::string& path);
    // A frame the caller chose (a settled one) as CameraImage<number %03d>.bmp; the path becomes
    // the last photo path whether or not it is saved. 1 if it was saved.
    int SavePhoto(const oculet::Frame& frame, int number);
    // Path of the last TakePhoto(int), set before the grab whether or not it succeeds.
    std::string GetLastPhotoPath() const { return lastPhotoPath_; }

    static std::string PhotoFileName(int number);

  private:
    void CaptureLoop();
    void JoinCapture();
    bool ConnectStream(std::unique_ptr<oculet::IFrameSource> source,
                       const std::function<void()>& beforeConnect);
    std::shared_ptr<const oculet::Frame> WaitForPicture();

    std::unique_ptr<oculet::GridPlugin> plugin_;
    std::unique_ptr<oculet::IFrameSource> source_;
    std::thread capture_;
    std::atomic<bool> stopped_{true};
    std::atomic<bool> rendered_{false};
    std::atomic<bool> stopRequested_{false};

    mutable std::mutex frameMutex_;
    std::condition_variable frameArrived_;
    std::shared_ptr<const oculet::Frame> latest_;
    std::uint64_t sequence_ = 0;
    FrameListener listener_;

    std::string imageFolder_;
    std::string lastPhotoPath_;
};
