// AutoWarpCalThreshold: the binarisation threshold of a channel.
#include <opencv2/imgproc.hpp>

#include "VantisCore.h"
#include "detection.h"
#include "guard.h"
#include "photo_io.h"

namespace vantiscore {

cv::Mat ThresholdDifference(const cv::Mat& workA, const cv::Mat& workB, double* threshold,
                            std::int32_t mode) {
    cv::Mat difference;
    cv::absdiff(ToGrey(workA), ToGrey(workB), difference);
    cv::Mat binary;
    if (mode == 0) {
        *threshold = cv::threshold(difference, binary, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    } else {
        cv::threshold(difference, binary, *threshold, 255, cv::THRESH_BINARY);
    }
    return binary;
}

}  // namespace vantiscore

std::int32_t AutoWarpCalThreshold(const std::string& photoA, const std::string& photoB, cv::Mat* difference,
                                  double* threshold, std::int32_t mode) {
    using namespace vantiscore;
    // Only the two modes exist; anything else is refused like an unusable call.
    if (difference == nullptr || threshold == nullptr || (mode != 0 && mode != 1)) return 1;
    return Guarded<std::int32_t>(1, [&]() -> std::int32_t {
        const cv::Mat a = ReadPhoto(photoA, PhotoColour::kColour);
        if (a.empty()) return 1;
        const cv::Mat b = ReadPhoto(photoB, PhotoColour::kColour);
        if (b.empty()) return 1;
        double chosen = *threshold;
        const cv::Mat binary = ThresholdDifference(ToWorkSize(a), ToWorkSize(b), &chosen, mode);
        cv::Mat resized;
        cv::resize(binary, resized, a.size(), 0, 0, cv::INTER_LINEAR);
        *difference = resized;
        *threshold = chosen;
        return 0;
    });
}
