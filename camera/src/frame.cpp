#include "oculet/Frame.h"

namespace oculet {

cv::Mat UprightImage(const Frame& frame) {
    if (!frame.bottomUp || frame.image.empty()) return frame.image;
    cv::Mat upright;
    cv::flip(frame.image, upright, 0);
    return upright;
}

}  // namespace oculet
