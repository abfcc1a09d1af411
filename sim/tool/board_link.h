// The simulated engine boards of a scene, as the optics see them: one board
// server per projector and, at any moment, the panel state each board shows.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wallsim/panel.h"
#include "wallsim/scene.h"

namespace wallsim::tool {

class BoardSet {
  public:
    virtual ~BoardSet() = default;
    // One state per projector of the scene, in scene order.
    virtual std::vector<PanelState> States() = 0;
    // Where each board listens ("127.0.0.N:1688").
    virtual std::vector<std::string> Endpoints() const = 0;
    // From now on, tells `listener` of every change of a board (from a thread of its own).
    using ChangeListener =
        std::function<void(int board, PanelState state, std::chrono::steady_clock::time_point when)>;
    virtual void Watch(ChangeListener listener) = 0;
    // Stops telling of changes.
    virtual void StopWatching() = 0;
};

// Starts a board server on every projector's address; nothing and a reason on failure.
std::unique_ptr<BoardSet> StartBoards(const Scene& scene, std::string* error);

}  // namespace wallsim::tool
