// A document flag that more than one thread reads and writes without the
// document lock: the window thread sets it from the operator's actions while a
// calibration or connection job sets it from its worker. Every read and write
// is atomic, so no caller has to remember which lock (if any) guards it.
#pragma once

#include <atomic>

namespace vantis::model {

template <typename T>
class SharedFlag {
  public:
    constexpr SharedFlag(T value = T{}) noexcept : value_(value) {}  // NOLINT(google-explicit-constructor)
    SharedFlag(const SharedFlag& other) noexcept : value_(other.Get()) {}
    SharedFlag& operator=(const SharedFlag& other) noexcept {
        Set(other.Get());
        return *this;
    }
    SharedFlag& operator=(T value) noexcept {
        Set(value);
        return *this;
    }
    operator T() const noexcept { return Get(); }  // NOLINT(google-explicit-constructor)

    T Get() const noexcept { return value_.load(); }
    void Set(T value) noexcept { value_.store(value); }

  private:
    std::atomic<T> value_;
};

}  // namespace vantis::model
