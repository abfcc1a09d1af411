// The simulated wall's virtual camera as a bound camera.
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "camera_device.h"
#include "vantis/delays.h"
#include "vcam_client.h"

namespace oculet {
namespace {

int IntField(const nlohmann::json& object, const char* key, int fallback = 0) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer()) return fallback;
    return it->get<int>();
}

class VirtualStream final : public IFrameSource {
  public:
    VirtualStream(std::unique_ptr<VirtualCameraClient> client, cv::Size size)
        : client_(std::move(client)), size_(size) {}

    bool Next(Frame& frame) override {
        for (;;) {
            if (interrupted_.load()) return false;
            cv::Mat picture;
            std::uint64_t sequence = 0;
            if (!client_->Grab(picture, sequence) || interrupted_.load()) return false;
            // The server numbers its pictures; the same number again is the same picture.
            if (sequence == 0 || !delivered_ || sequence != lastSequence_) {
                delivered_ = true;
                lastSequence_ = sequence;
                frame.image = picture;
                frame.bottomUp = false;
                frame.captured = std::chrono::steady_clock::now();
                return true;
            }
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, vantis::delays::Scaled(vantis::delays::kCameraFramePoll),
                           [this] { return interrupted_.load(); });
        }
    }

    void Interrupt() override {
        {
            std::lock_guard lock(mutex_);
            interrupted_.store(true);
        }
        wake_.notify_all();
    }

    void Resume() override { interrupted_.store(false); }

    cv::Size FrameSize() const override { return size_; }

  private:
    std::unique_ptr<VirtualCameraClient> client_;
    cv::Size size_;
    std::atomic<bool> interrupted_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool delivered_ = false;
    std::uint64_t lastSequence_ = 0;
};

class VirtualDevice final : public ICameraDevice {
  public:
    explicit VirtualDevice(std::string socketPath) : socketPath_(std::move(socketPath)) {}

    bool Connect() { return control_.Connect(socketPath_); }

    bool QueryRange(CameraProperty property, PropertyRange& range) override {
        nlohmann::json entry;
        if (!FindProperty(property, entry)) return false;
        range.minimum = IntField(entry, "min");
        range.maximum = IntField(entry, "max");
        range.step = IntField(entry, "step");
        range.defaultValue = IntField(entry, "default");
        range.flags = IntField(entry, "flags");
        return true;
    }

    bool Read(CameraProperty property, int& value, int& flags) override {
        nlohmann::json entry;
        if (!FindProperty(property, entry)) return false;
        const auto it = entry.find("value");
        if (it == entry.end() || !it->is_number_integer()) return false;
        value = it->get<int>();
        const auto automatic = entry.find("auto");
        flags = (automatic != entry.end() && automatic->is_boolean() && automatic->get<bool>())
                    ? kPropertyFlagAuto
                    : kPropertyFlagManual;
        return true;
    }

    bool Write(CameraProperty property, int value, int flags) override {
        const std::string request = "SET " + std::string(PropertyName(property)) + " " +
                                    std::to_string(value) +
                                    ((flags & kPropertyFlagAuto) ? " auto" : " manual");
        nlohmann::json reply;
        if (!CallControl(request, reply)) return false;
        const auto ok = reply.find("ok");
        return ok != reply.end() && ok->is_boolean() && ok->get<bool>();
    }

    std::unique_ptr<IFrameSource> OpenStream(int width, int height) override {
        auto client = std::make_unique<VirtualCameraClient>();
        if (!client->Connect(socketPath_)) return nullptr;
        nlohmann::json reply;
        cv::Size size;
        if (!client->Call("SIZE " + std::to_string(width) + " " + std::to_string(height), reply))
            return nullptr;
        const auto ok = reply.find("ok");
        if (ok != reply.end() && ok->is_boolean() && ok->get<bool>()) {
            size = {IntField(reply, "width", width), IntField(reply, "height", height)};
        } else {
            // Not offered: the camera keeps the size it has.
            if (!client->Call("INFO", reply)) return nullptr;
            size = {IntField(reply, "width"), IntField(reply, "height")};
        }
        return std::make_unique<VirtualStream>(std::move(client), size);
    }

    std::vector<cv::Size> Resolutions(bool compressed) override {
        std::vector<cv::Size> sizes;
        nlohmann::json reply;
        if (compressed || !CallControl("INFO", reply)) return sizes;  // the virtual camera sends BGR only
        const auto list = reply.find("resolutions");
        if (list == reply.end() || !list->is_array()) return sizes;
        for (const auto& item : *list) {
            if (item.is_array() && item.size() == 2 && item[0].is_number_integer() &&
                item[1].is_number_integer()) {
                sizes.emplace_back(item[0].get<int>(), item[1].get<int>());
            }
        }
        return sizes;
    }

  private:
    // One reconnect on a dropped connection, so that a restarted simulator is picked up again.
    bool CallControl(const std::string& request, nlohmann::json& reply) {
        std::lock_guard lock(mutex_);
        if (control_.IsConnected() && control_.Call(request, reply)) return true;
        return control_.Connect(socketPath_) && control_.Call(request, reply);
    }

    bool FindProperty(CameraProperty property, nlohmann::json& entry) {
        nlohmann::json reply;
        if (!CallControl("PROPS", reply)) return false;
        const auto list = reply.find("properties");
        if (list == reply.end() || !list->is_array()) return false;
        for (const auto& item : *list) {
            if (!item.is_object()) continue;
            const auto name = item.find("name");
            if (name == item.end() || !name->is_string() ||
                name->get<std::string>() != PropertyName(property))
                continue;
            const auto supported = item.find("supported");
            if (supported == item.end() || !supported->is_boolean() || !supported->get<bool>()) return false;
            entry = item;
            return true;
        }
        return false;
    }

    std::string socketPath_;
    std::mutex mutex_;
    VirtualCameraClient control_;
};

}  // namespace

std::unique_ptr<ICameraDevice> OpenVirtualDevice(const std::string& socketPath) {
    auto device = std::make_unique<VirtualDevice>(socketPath);
    if (!device->Connect()) return nullptr;
    return device;
}

std::vector<DeviceEntry> ListDevices() {
    auto devices = ListV4l2Devices();
    const std::string socketPath = VirtualCameraClient::DefaultSocketPath();
    VirtualCameraClient client;
    nlohmann::json info;
    if (client.Connect(socketPath) && client.Call("INFO", info)) {
        const auto name = info.find("name");
        devices.push_back(
            {DeviceEntry::Kind::Virtual, socketPath,
             name != info.end() && name->is_string() ? name->get<std::string>() : std::string()});
    }
    return devices;
}

std::unique_ptr<ICameraDevice> OpenDevice(const DeviceEntry& entry) {
    return entry.kind == DeviceEntry::Kind::Virtual ? OpenVirtualDevice(entry.path)
                                                    : OpenV4l2Device(entry.path);
}

}  // namespace oculet
