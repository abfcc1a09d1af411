#include "oculet/CDShowGridOverlay.h"

#include <cstdio>
#include <cstdlib>

#include <opencv2/imgcodecs.hpp>

#include "camera_device.h"
#include "grid_plugin.h"
#include "vantis/delays.h"

namespace {

gridveil::FrameOrientation Orientation(const oculet::Frame& frame) {
    return frame.bottomUp ? gridveil::FrameOrientation::BottomUp : gridveil::FrameOrientation::TopDown;
}

std::string DataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') return data;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

}  // namespace

CDShowGridOverlay::CDShowGridOverlay() : plugin_(std::make_unique<oculet::GridPlugin>()) {}

CDShowGridOverlay::~CDShowGridOverlay() {
    Close();
}

int CDShowGridOverlay::Open(int device, int width, int height, const std::function<void()>& beforeConnect) {
    Close();
    oculet::DeviceEntry entry;
    if (!BindDevice(device, &entry)) return 0;
    // The stream is made after the plug-in has its tables, as the frames then reach it drawn on.
    plugin_->Load();
    if (beforeConnect) beforeConnect();
    auto source = device_->OpenStream(width, height);
    if (!source) return 0;
    return ConnectStream(std::move(source), {}) ? 1 : 0;
}

int CDShowGridOverlay::OpenSource(std::unique_ptr<oculet::IFrameSource> source,
                                  const std::function<void()>& beforeConnect) {
    Close();
    if (!source) return 0;
    plugin_->Load();
    return ConnectStream(std::move(source), beforeConnect) ? 1 : 0;
}

bool CDShowGridOverlay::ConnectStream(std::unique_ptr<oculet::IFrameSource> source,
                                      const std::function<void()>& beforeConnect) {
    if (beforeConnect) beforeConnect();
    const cv::Size size = source->FrameSize();
    if (auto* editor = plugin_->Editor(); editor != nullptr && size.width > 0 && size.height > 0) {
        editor->SetMediaType(size.width, size.height, 24, gridveil::FrameOrientation::TopDown);
    }
    source_ = std::move(source);
    rendered_.store(true);
    return true;
}

void CDShowGridOverlay::JoinCapture() {
    if (!capture_.joinable()) return;
    stopRequested_.store(true);
    if (source_) source_->Interrupt();
    capture_.join();
    stopRequested_.store(false);
    if (source_) source_->Resume();
}

void CDShowGridOverlay::Run() {
    if (!stopped_.load()) return;
    JoinCapture();  // a thread that ended on its own (device lost)
    if (!source_ || !rendered_.load()) return;
    {
        std::lock_guard lock(frameMutex_);
        latest_.reset();
        sequence_ = 0;
    }
    stopped_.store(false);
    capture_ = std::thread(&CDShowGridOverlay::CaptureLoop, this);
}

void CDShowGridOverlay::Stop() {
    JoinCapture();
    stopped_.store(true);
    frameArrived_.notify_all();
}

void CDShowGridOverlay::Close() {
    Stop();
    source_.reset();
    plugin_->Unload();
    CloseCamera();
    rendered_.store(false);
    std::lock_guard lock(frameMutex_);
    latest_.reset();
}

void CDShowGridOverlay::CaptureLoop() {
    while (!stopRequested_.load()) {
        auto frame = std::make_shared<oculet::Frame>();
        if (!source_->Next(*frame)) {
            if (stopRequested_.load()) break;
            // The device is gone: the graph stops and must be opened again. The listener hears
            // of it as a frame that is no more (nullptr).
            rendered_.store(false);
            stopped_.store(true);
            frameArrived_.notify_all();
            FrameListener listener;
            {
                std::lock_guard lock(frameMutex_);
                listener = listener_;
            }
            if (listener) listener(nullptr);
            return;
        }
        cv::Mat& image = frame->image;
        if (image.empty() || image.depth() != CV_8U) continue;
        if (!image.isContinuous()) image = image.clone();
        if (auto* editor = plugin_->Editor(); editor != nullptr) {
            editor->Transform(image.data, image.cols, image.rows, static_cast<int>(image.step[0]),
                              image.channels() * 8, Orientation(*frame));
        }
        FrameListener listener;
        std::shared_ptr<const oculet::Frame> shown;
        {
            std::lock_guard lock(frameMutex_);
            frame->sequence = ++sequence_;
            latest_ = frame;
            shown = latest_;
            listener = listener_;
        }
        frameArrived_.notify_all();
        if (listener) listener(shown);
    }
}

void CDShowGridOverlay::ListResolution(std::vector<oculet::CSize>& sizes, int type) {
    if (!device_) return;
    for (const auto& size : device_->Resolutions(type != MEDIASUBTYPE_RGB24))
        sizes.push_back({size.width, size.height});
}

oculet::CSize CDShowGridOverlay::FrameSize() const {
    if (!source_) return {};
    const cv::Size size = source_->FrameSize();
    return {size.width, size.height};
}

void CDShowGridOverlay::GetProperty() {
    for (const auto property :
         {CameraProperty::Pan, CameraProperty::Tilt, CameraProperty::Zoom, CameraProperty::Focus,
          CameraProperty::Gain, CameraProperty::Exposure, CameraProperty::Brightness,
          CameraProperty::Contrast, CameraProperty::Hue, CameraProperty::Saturation,
          CameraProperty::Sharpness, CameraProperty::WhiteBalance}) {
        Get(property);
    }
    vantis::delays::Sleep(vantis::delays::kCameraManualSwitchWait);
    for (const auto property : {CameraProperty::Focus, CameraProperty::WhiteBalance, CameraProperty::Exposure,
                                CameraProperty::Gain}) {
        SwitchToManual(property);
    }
}

gridveil::IGridEditor* CDShowGridOverlay::Editor() const {
    return plugin_->Editor();
}

void CDShowGridOverlay::SetFrameListener(FrameListener listener) {
    std::lock_guard lock(frameMutex_);
    listener_ = std::move(listener);
}

std::shared_ptr<const oculet::Frame> CDShowGridOverlay::LatestFrame() const {
    std::lock_guard lock(frameMutex_);
    return latest_;
}

void CDShowGridOverlay::SetFilePrefixName(const std::string& prefix) {
    imageFolder_ = DataHome() + "/" + prefix + "/ImageData";
}

std::string CDShowGridOverlay::PhotoFileName(int number) {
    char name[64];
    std::snprintf(name, sizeof name, "CameraImage%03d.bmp", number);
    return name;
}

int CDShowGridOverlay::TakePhoto(int number) {
    lastPhotoPath_ = imageFolder_ + "/" + PhotoFileName(number);
    return TakePhoto(lastPhotoPath_);
}

int CDShowGridOverlay::TakePhoto(const std::string& path) {
    vantis::delays::Sleep(vantis::delays::kPhotoSettle);
    return SaveCurrentPicture(path);
}

// The current picture of a running graph; right after Run it waits for the first frame. No
// picture (stopped, device lost, nothing delivered) gives nullptr, never an older photo.
std::shared_ptr<const oculet::Frame> CDShowGridOverlay::WaitForPicture() {
    std::unique_lock lock(frameMutex_);
    frameArrived_.wait_for(lock, vantis::delays::kCameraFirstFrameTimeout,
                           [this] { return latest_ != nullptr || stopped_.load(); });
    if (stopped_.load()) return nullptr;
    return latest_;
}

std::shared_ptr<const oculet::Frame> CDShowGridOverlay::WaitForFrameAfter(std::uint64_t sequence,
                                                                          std::chrono::milliseconds timeout) {
    std::unique_lock lock(frameMutex_);
    const bool arrived = frameArrived_.wait_for(lock, timeout, [&] {
        return (latest_ != nullptr && latest_->sequence > sequence) || stopped_.load();
    });
    if (!arrived || stopped_.load()) return nullptr;
    return latest_;
}

int CDShowGridOverlay::SavePhoto(const oculet::Frame& frame, int number) {
    lastPhotoPath_ = imageFolder_ + "/" + PhotoFileName(number);
    if (frame.image.empty()) return 0;
    try {
        return cv::imwrite(lastPhotoPath_, oculet::UprightImage(frame)) ? 1 : 0;
    } catch (const cv::Exception&) {
        return 0;
    }
}

int CDShowGridOverlay::SaveCurrentPicture(const std::string& path) {
    const auto frame = WaitForPicture();
    if (!frame || frame->image.empty()) return 0;
    try {
        return cv::imwrite(path, oculet::UprightImage(*frame)) ? 1 : 0;
    } catch (const cv::Exception&) {
        return 0;
    }
}
