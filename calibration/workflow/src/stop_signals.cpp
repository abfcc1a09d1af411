#include "calibration/stop_signals.h"

#include <signal.h>

#include <atomic>

namespace vantis::calibration {
namespace {

std::atomic<StopRequest*> g_stop{nullptr};
std::atomic<int> g_received{0};
static_assert(std::atomic<StopRequest*>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
                  std::atomic<bool>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

// Only lock-free atomic stores: safe inside a signal handler.
void OnSignal(int number) {
    int none = 0;
    g_received.compare_exchange_strong(none, number);
    if (StopRequest* stop = g_stop.load()) stop->Request();
}

void Handle(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

}  // namespace

void StopSignals::Install(StopRequest& stop) {
    g_stop.store(&stop);
    Handle(SIGINT, OnSignal);
    Handle(SIGTERM, OnSignal);
}

void StopSignals::Uninstall() {
    Handle(SIGINT, SIG_DFL);
    Handle(SIGTERM, SIG_DFL);
    g_stop.store(nullptr);
}

int StopSignals::Received() {
    return g_received.load();
}

int StopSignals::ExitStatus() {
    const int number = Received();
    return number == 0 ? 0 : 128 + number;
}

void StopSignals::Reset() {
    g_received.store(0);
}

}  // namespace vantis::calibration
