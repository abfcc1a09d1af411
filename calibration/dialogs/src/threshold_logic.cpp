#include "dialogs/threshold_logic.h"

#include <cstdio>

namespace meridan::dialogs {

std::string SharpnessText(int threshold) {
    char text[48];
    std::snprintf(text, sizeof text, "Image Sharpness : %d", threshold);
    return text;
}

}  // namespace meridan::dialogs
