// Hears every change of the simulated boards as it happens: one thread per
// board wakes on each frame the board received and hands the board's new
// panel state, with the time of the command, to a listener (the paced
// camera, which turns it into light after the projector's latency).
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "wallsim/board_server.h"
#include "wallsim/panel.h"

namespace wallsim {

class BoardWatch {
  public:
    using Listener =
        std::function<void(int board, PanelState state, std::chrono::steady_clock::time_point when)>;
    struct Watched {
        const BoardServer* board;
        int width, height;  // the projector's panel
    };

    BoardWatch(std::vector<Watched> boards, Listener listener);
    ~BoardWatch();
    BoardWatch(const BoardWatch&) = delete;
    BoardWatch& operator=(const BoardWatch&) = delete;

    // Stops and joins the threads (before the boards go away).
    void Stop();

  private:
    void Watch(int index);

    std::vector<Watched> boards_;
    Listener listener_;
    std::atomic<bool> stopping_{false};
    std::vector<std::thread> threads_;
};

}  // namespace wallsim
