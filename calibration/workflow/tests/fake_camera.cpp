#include "fake_camera.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

namespace vantis::calibration::testing {

int FakeCamera::TakePhoto(int number) {
    photos.push_back(number);
    char name[32];
    std::snprintf(name, sizeof name, "CameraImage%03d.bmp", number);
    last_ = (std::filesystem::path(GetImagePath()) / name).string();
    if (!writePhotos) return 0;
    return cv::imwrite(last_, cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(number % 256))) ? 1 : 0;
}

}  // namespace vantis::calibration::testing
