// Keeps exceptions inside the library: every operation runs its body through
// Guarded(), which turns an exception (an OpenCV error, a failed allocation)
// into the operation's failure result.
#pragma once

#include <utility>

namespace vantiscore {

template <typename Result, typename Body>
Result Guarded(Result onFailure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return onFailure;
    }
}

template <typename Body>
void GuardedVoid(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

}  // namespace vantiscore
