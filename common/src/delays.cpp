#include "vantis/delays.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace vantis::delays {
namespace {

double ScaleFromEnvironment(const char* variable) {
    const char* text = std::getenv(variable);
    if (text == nullptr || *text == '\0') return 1.0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || !std::isfinite(value) || value <= 0.0) return 1.0;
    return value;
}

std::atomic<double>& DelayOverride() {
    static std::atomic<double> value{0.0};
    return value;
}

std::atomic<double>& TimeoutOverride() {
    static std::atomic<double> value{0.0};
    return value;
}

double Sanitised(double scale) {
    return scale > 0.0 && std::isfinite(scale) ? scale : 0.0;
}

milliseconds Apply(milliseconds nominal, double scale) {
    if (nominal.count() <= 0) return milliseconds{0};
    const double scaled = static_cast<double>(nominal.count()) * scale;
    const auto rounded = static_cast<long long>(std::llround(scaled));
    return milliseconds{rounded < 1 ? 1 : rounded};
}

}  // namespace

double DelayScale() {
    const double forced = DelayOverride().load();
    if (forced > 0.0) return forced;
    static const double fromEnvironment = ScaleFromEnvironment("VANTIS_DELAY_SCALE");
    return fromEnvironment;
}

void SetDelayScale(double scale) {
    DelayOverride().store(Sanitised(scale));
}

milliseconds Scaled(milliseconds nominal) {
    return Apply(nominal, DelayScale());
}

double TimeoutScale() {
    const double forced = TimeoutOverride().load();
    if (forced > 0.0) return forced;
    static const double fromEnvironment = ScaleFromEnvironment("VANTIS_TIMEOUT_SCALE");
    return fromEnvironment;
}

void SetTimeoutScale(double scale) {
    TimeoutOverride().store(Sanitised(scale));
}

milliseconds ScaledTimeout(milliseconds nominal) {
    return Apply(nominal, TimeoutScale());
}

void Sleep(milliseconds nominal) {
    std::this_thread::sleep_for(Scaled(nominal));
}

}  // namespace vantis::delays
