#include "vantis/log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vantis::log {
namespace {

struct State {
    std::mutex mutex;
    Sink sink;
};

State& TheState() {
    static State state;
    return state;
}

bool EnabledFromEnvironment() {
    const char* text = std::getenv("VANTIS_LOG");
    return text == nullptr || std::strcmp(text, "0") != 0;
}

std::atomic<bool>& EnabledFlag() {
    static std::atomic<bool> enabled{EnabledFromEnvironment()};
    return enabled;
}

const char* LevelName(Level level) {
    switch (level) {
        case Level::Error:
            return "error";
        case Level::Warning:
            return "warning";
        case Level::Info:
            return "info";
    }
    return "error";
}

}  // namespace

void SetSink(Sink sink) {
    State& state = TheState();
    const std::lock_guard lock(state.mutex);
    state.sink = std::move(sink);
}

void SetEnabled(bool enabled) {
    EnabledFlag() = enabled;
}

bool Enabled() {
    return EnabledFlag();
}

void Write(Level level, std::string_view component, std::string_view message) {
    if (!Enabled()) return;
    State& state = TheState();
    const std::lock_guard lock(state.mutex);
    if (state.sink) {
        state.sink(level, component, message);
        return;
    }
    std::fprintf(stderr, "%.*s %s: %.*s\n", static_cast<int>(component.size()), component.data(),
                 LevelName(level), static_cast<int>(message.size()), message.data());
}

std::string ErrnoText(int error) {
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return std::string(text != nullptr ? text : "unknown error") + " (errno " + std::to_string(error) + ")";
}

void SystemError(std::string_view component, std::string_view what, int error) {
    if (!Enabled()) return;
    std::string message(what);
    message += ": ";
    message += ErrnoText(error);
    Write(Level::Error, component, message);
}

}  // namespace vantis::log
