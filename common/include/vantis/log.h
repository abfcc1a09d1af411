// The one log of failures for every library of the project.
//
// A library reports a failure where it happens, with the operating system's
// reason when there is one (errno, dlerror()), and goes on returning its
// result code as before: the log only says why. Lines go to standard error
// unless the program gives a sink of its own (SetSink); VANTIS_LOG=0 turns
// them off, which the test programs do by default.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vantis::log {

enum class Level { Error, Warning, Info };

// Receives every line: the level, the reporting component ("oculet",
// "model", ...) and the message.
using Sink = std::function<void(Level, std::string_view component, std::string_view message)>;

// Replaces where lines go; an empty sink restores standard error.
void SetSink(Sink sink);
// Turns the log on or off (on unless VANTIS_LOG=0 at the first line).
void SetEnabled(bool enabled);
bool Enabled();

void Write(Level level, std::string_view component, std::string_view message);
inline void Error(std::string_view component, std::string_view message) {
    Write(Level::Error, component, message);
}
inline void Warning(std::string_view component, std::string_view message) {
    Write(Level::Warning, component, message);
}

// The text of an errno value: "No such file or directory (errno 2)".
std::string ErrnoText(int error);
// An error line "what: <errno text>". Pass errno as it was right after the
// failing call (anything in between may change it).
void SystemError(std::string_view component, std::string_view what, int error);

}  // namespace vantis::log
