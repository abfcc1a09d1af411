// A camera for the workflow tests: records the photo numbers, property writes
// and calls, and writes a small picture per photo (or none, to stand for a
// camera whose photos are lost).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "calibration/camera_port.h"
#include "calibration/image_folder.h"

namespace vantis::calibration::testing {

class FakeCamera : public CameraDevice {
  public:
    explicit FakeCamera(std::filesystem::path dataHome) : dataHome_(std::move(dataHome)) {
        auto& exposure = record_.State(CameraProperty::Exposure);
        exposure = {-11, -2, 1, -5, 3, 1, -5};
        auto& gain = record_.State(CameraProperty::Gain);
        gain = {0, 255, 1, 0, 2, 1, 40};
        for (CameraProperty p : {CameraProperty::Brightness, CameraProperty::Contrast,
                                 CameraProperty::Saturation, CameraProperty::WhiteBalance})
            record_.State(p) = {0, 255, 1, 128, 2, 1, 7};
    }

    void SetFilePrefixName(const std::string& prefix) override { prefix_ = prefix; }
    std::string GetImagePath() const override { return ImageFolderOf(dataHome_, prefix_).string(); }
    int TakePhoto(int number) override;
    std::string LastPhotoPath() const override { return last_; }
    CDShowCameraData& Properties() override { return record_; }
    void ApplyProperties() override { ++applied; }
    void SetExposure(long value) override { exposures.push_back(value); }
    void SetGain(long value) override { gains.push_back(value); }

    int Count() override {
        ++countCalls;
        return static_cast<int>(names.size());
    }
    std::wstring Name(int index) override { return names.at(static_cast<std::size_t>(index)); }
    bool Open(int index, const CameraSetup& setup) override {
        opened = index;
        setupSeen = setup;
        return true;
    }
    void TakeConfig(const CDShowCameraData& stored) override { record_ = stored; }
    void StartGrid() override { ++gridStarts; }

    std::vector<int> photos;
    std::vector<long> exposures;
    std::vector<long> gains;
    std::vector<std::wstring> names;
    bool writePhotos = true;
    int applied = 0;
    int countCalls = 0;
    int opened = -1;
    int gridStarts = 0;
    CameraSetup setupSeen;

  private:
    std::filesystem::path dataHome_;
    std::string prefix_;
    std::string last_;
    CDShowCameraData record_;
};

}  // namespace vantis::calibration::testing
