// Cameras reached through V4L2: listing, controls, picture sizes and the stream.
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <opencv2/videoio.hpp>

#include "camera_device.h"
#include "v4l2_mapping.h"
#include "vantis/log.h"

namespace oculet {
namespace {

int Ioctl(int fd, unsigned long request, void* argument) {
    int result;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

// A control request the device refused, with the driver's reason.
int ControlIoctl(int fd, unsigned long request, v4l2_control* control, const char* what) {
    const int result = Ioctl(fd, request, control);
    if (result < 0) {
        const int error = errno;
        vantis::log::SystemError("oculet", std::string(what) + " of control " + std::to_string(control->id),
                                 error);
    }
    return result;
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// A capture device node: it captures video (metadata nodes of the same camera do not).
bool QueryCaptureCard(int fd, std::string& card) {
    v4l2_capability caps{};
    if (Ioctl(fd, VIDIOC_QUERYCAP, &caps) < 0) return false;
    const std::uint32_t nodeCaps =
        (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if ((nodeCaps & V4L2_CAP_VIDEO_CAPTURE) == 0) return false;
    card.assign(reinterpret_cast<const char*>(caps.card),
                strnlen(reinterpret_cast<const char*>(caps.card), sizeof caps.card));
    return true;
}

int NodeNumber(const std::string& path) {
    const auto name = std::filesystem::path(path).filename().string();
    try {
        return std::stoi(name.substr(5));
    } catch (...) {
        return -1;
    }
}

class OpenCvStream final : public IFrameSource {
  public:
    explicit OpenCvStream(std::unique_ptr<cv::VideoCapture> capture) : capture_(std::move(capture)) {
        size_ = {static_cast<int>(capture_->get(cv::CAP_PROP_FRAME_WIDTH)),
                 static_cast<int>(capture_->get(cv::CAP_PROP_FRAME_HEIGHT))};
    }
    bool Next(Frame& frame) override {
        if (interrupted_.load()) return false;
        cv::Mat image;
        if (!capture_->read(image) || image.empty() || interrupted_.load()) return false;
        frame.image = image;
        frame.bottomUp = false;
        frame.captured = std::chrono::steady_clock::now();
        return true;
    }
    // A blocked read ends at the next frame (a few tens of milliseconds) or when the device goes.
    void Interrupt() override { interrupted_.store(true); }
    void Resume() override { interrupted_.store(false); }
    cv::Size FrameSize() const override { return size_; }

  private:
    std::unique_ptr<cv::VideoCapture> capture_;
    std::atomic<bool> interrupted_{false};
    cv::Size size_;
};

class V4l2Device final : public ICameraDevice {
  public:
    V4l2Device(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

    bool QueryRange(CameraProperty property, PropertyRange& range) override {
        const auto ids = v4l2::ControlsFor(property);
        if (!ids) return false;
        v4l2_queryctrl query{};
        query.id = ids->value;
        if (Ioctl(fd_.get(), VIDIOC_QUERYCTRL, &query) < 0 || (query.flags & V4L2_CTRL_FLAG_DISABLED))
            return false;
        range =
            v4l2::RangeFromDriver(property, {query.minimum, query.maximum, query.step, query.default_value},
                                  HasControl(ids->automatic));
        return true;
    }

    bool Read(CameraProperty property, int& value, int& flags) override {
        const auto ids = v4l2::ControlsFor(property);
        if (!ids) return false;
        v4l2_control control{ids->value, 0};
        if (ControlIoctl(fd_.get(), VIDIOC_G_CTRL, &control, "reading") < 0) return false;
        value = v4l2::ValueFromDriver(property, control.value);
        flags = kPropertyFlagManual;
        v4l2_control automatic{ids->automatic, 0};
        if (ids->automatic != 0 && Ioctl(fd_.get(), VIDIOC_G_CTRL, &automatic) == 0 &&
            v4l2::AutoControlIsOn(property, automatic.value)) {
            flags = kPropertyFlagAuto;
        }
        return true;
    }

    bool Write(CameraProperty property, int value, int flags) override {
        const auto ids = v4l2::ControlsFor(property);
        if (!ids) return false;
        const bool automatic = (flags & kPropertyFlagAuto) != 0;
        if (ids->automatic != 0 && HasControl(ids->automatic)) {
            v4l2_control mode{ids->automatic,
                              v4l2::AutoControlValue(property, automatic, OffersAperturePriority())};
            if (ControlIoctl(fd_.get(), VIDIOC_S_CTRL, &mode, "setting the automatic mode") < 0) return false;
        } else if (automatic) {
            return false;
        }
        if (automatic) return true;
        v4l2_control control{ids->value, static_cast<std::int32_t>(v4l2::ValueToDriver(property, value))};
        return ControlIoctl(fd_.get(), VIDIOC_S_CTRL, &control, "setting") == 0;
    }

    std::unique_ptr<IFrameSource> OpenStream(int width, int height) override {
        auto capture = std::make_unique<cv::VideoCapture>();
        if (!capture->open(NodeNumber(path_), cv::CAP_V4L2)) {
            vantis::log::Error("oculet", "cannot start capturing from " + path_);
            return nullptr;
        }
        // Full HD from a USB camera needs MJPEG; the camera falls back to a size it offers.
        capture->set(cv::CAP_PROP_FOURCC, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'));
        capture->set(cv::CAP_PROP_FRAME_WIDTH, width);
        capture->set(cv::CAP_PROP_FRAME_HEIGHT, height);
        return std::make_unique<OpenCvStream>(std::move(capture));
    }

    std::vector<cv::Size> Resolutions(bool compressed) override {
        std::vector<cv::Size> sizes;
        for (std::uint32_t index = 0;; ++index) {
            v4l2_fmtdesc format{};
            format.index = index;
            format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            if (Ioctl(fd_.get(), VIDIOC_ENUM_FMT, &format) < 0) break;
            const bool isCompressed = (format.flags & V4L2_FMT_FLAG_COMPRESSED) != 0;
            if (isCompressed != compressed) continue;
            if (compressed && format.pixelformat != V4L2_PIX_FMT_MJPEG) continue;
            AppendFrameSizes(format.pixelformat, sizes);
        }
        return sizes;
    }

  private:
    bool HasControl(std::uint32_t id) {
        if (id == 0) return false;
        v4l2_queryctrl query{};
        query.id = id;
        return Ioctl(fd_.get(), VIDIOC_QUERYCTRL, &query) == 0 && !(query.flags & V4L2_CTRL_FLAG_DISABLED);
    }

    bool OffersAperturePriority() {
        v4l2_querymenu item{};
        item.id = V4L2_CID_EXPOSURE_AUTO;
        item.index = V4L2_EXPOSURE_APERTURE_PRIORITY;
        return Ioctl(fd_.get(), VIDIOC_QUERYMENU, &item) == 0;
    }

    // One entry per discrete frame interval, like a camera listing each size per frame rate.
    void AppendFrameSizes(std::uint32_t pixelFormat, std::vector<cv::Size>& sizes) {
        for (std::uint32_t index = 0;; ++index) {
            v4l2_frmsizeenum frameSize{};
            frameSize.index = index;
            frameSize.pixel_format = pixelFormat;
            if (Ioctl(fd_.get(), VIDIOC_ENUM_FRAMESIZES, &frameSize) < 0) break;
            if (frameSize.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
                sizes.emplace_back(static_cast<int>(frameSize.stepwise.max_width),
                                   static_cast<int>(frameSize.stepwise.max_height));
                break;
            }
            const cv::Size size(static_cast<int>(frameSize.discrete.width),
                                static_cast<int>(frameSize.discrete.height));
            int rates = 0;
            for (std::uint32_t rate = 0;; ++rate) {
                v4l2_frmivalenum interval{};
                interval.index = rate;
                interval.pixel_format = pixelFormat;
                interval.width = frameSize.discrete.width;
                interval.height = frameSize.discrete.height;
                if (Ioctl(fd_.get(), VIDIOC_ENUM_FRAMEINTERVALS, &interval) < 0) break;
                if (interval.type != V4L2_FRMIVAL_TYPE_DISCRETE) {
                    ++rates;
                    break;
                }
                ++rates;
            }
            for (int i = 0; i < std::max(rates, 1); ++i) sizes.push_back(size);
        }
    }

    std::string path_;
    FileDescriptor fd_;
};

}  // namespace

std::vector<DeviceEntry> ListV4l2Devices() {
    std::vector<std::pair<int, DeviceEntry>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const auto name = entry.path().filename().string();
        if (name.rfind("video", 0) != 0) continue;
        const int number = NodeNumber(entry.path().string());
        if (number < 0) continue;
        FileDescriptor fd(::open(entry.path().c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        std::string card;
        if (fd.get() < 0 || !QueryCaptureCard(fd.get(), card)) continue;
        found.emplace_back(number, DeviceEntry{DeviceEntry::Kind::V4l2, entry.path().string(), card});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DeviceEntry> devices;
    devices.reserve(found.size());
    for (auto& item : found) devices.push_back(std::move(item.second));
    return devices;
}

std::unique_ptr<ICameraDevice> OpenV4l2Device(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        vantis::log::SystemError("oculet", "cannot open " + path, error);
        return nullptr;
    }
    std::string card;
    if (!QueryCaptureCard(fd, card)) {
        vantis::log::Error("oculet", path + " is no video capture device");
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<V4l2Device>(path, fd);
}

}  // namespace oculet
