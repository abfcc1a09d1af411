// AutoTune: the exposure verdict of a white-field photo.
#include <opencv2/imgproc.hpp>

#include "VantisCore.h"
#include "detection.h"
#include "guard.h"
#include "photo_io.h"

namespace vantiscore {

ExposureVerdict JudgeExposure(const cv::Mat& grey) {
    // 256 bins over [0, 256): every grey level counts, 255 included. A camera
    // that clips the whole field to 255 is over-exposed, not acceptable.
    const int channels[] = {0};
    const int bins[] = {256};
    const float range[] = {0.0f, 256.0f};
    const float* ranges[] = {range};
    cv::Mat histogram;
    cv::calcHist(&grey, 1, channels, cv::noArray(), histogram, 1, bins, ranges, true, false);

    int first = 0;
    int last = 0;
    bool seen = false;
    float total = 0;
    float weighted = 0;
    for (int i = 0; i < 256; ++i) {
        const float count = histogram.at<float>(i);
        if (count == 0) continue;
        if (!seen) first = i;
        seen = true;
        last = i;
        total += count;
        weighted += static_cast<float>(i) * count;
    }
    if (!seen) return kExposureAcceptable;  // an empty picture has no exposure to judge

    const float balance = static_cast<float>(first + 1) / static_cast<float>((first + 1) + (255 - last));
    const float mean = weighted / total;
    if (balance >= 0.5f) {
        if (mean >= 166.4f) return kExposureBright;
        if (mean >= 128.0f) return kExposureSlightlyBright;
        return kExposureAcceptable;
    }
    if (mean <= 89.6f) return kExposureDark;
    if (mean <= 128.0f) return kExposureSlightlyDark;
    return kExposureAcceptable;
}

}  // namespace vantiscore

std::int32_t AutoTune(const std::string& photoA, const std::string& photoB, ExposureVerdict* verdict) {
    using namespace vantiscore;
    if (verdict == nullptr) return 1;
    return Guarded<std::int32_t>(1, [&]() -> std::int32_t {
        const cv::Mat a = ReadPhoto(photoA, PhotoColour::kGrey);
        if (a.empty()) return 1;
        const cv::Mat b = ReadPhoto(photoB, PhotoColour::kGrey);
        if (b.empty()) return 1;
        *verdict = JudgeExposure(b);
        return 0;
    });
}
