#include "vantis/delays.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace vantis::delays {
namespace {

double ScaleFromEnvironment() {
    const char* text = std::getenv("VANTIS_DELAY_SCALE");
    if (text == nullptr || *text == '\0') return 1.0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || !std::isfinite(value) || value <= 0.0) return 1.0;
    return value;
}

std::atomic<double>& Override() {
    static std::atomic<double> value{0.0};
    return value;
}

}  // namespace

double DelayScale() {
    const double forced = Override().load();
    if (forced > 0.0) return forced;
    static const double fromEnvironment = ScaleFromEnvironment();
    return fromEnvironment;
}

void SetDelayScale(double scale) { Override().store(scale > 0.0 && std::isfinite(scale) ? scale : 0.0); }

milliseconds Scaled(milliseconds nominal) {
    if (nominal.count() <= 0) return milliseconds{0};
    const double scaled = static_cast<double>(nominal.count()) * DelayScale();
    const auto rounded = static_cast<long long>(std::llround(scaled));
    return milliseconds{rounded < 1 ? 1 : rounded};
}

void Sleep(milliseconds nominal) { std::this_thread::sleep_for(Scaled(nominal)); }

}  // namespace vantis::delays
