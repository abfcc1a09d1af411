#include "wallsim/board_watch.h"

#include "wallsim/board_view.h"

namespace wallsim {

BoardWatch::BoardWatch(std::vector<Watched> boards, Listener listener)
    : boards_(std::move(boards)), listener_(std::move(listener)) {
    for (std::size_t i = 0; i < boards_.size(); ++i)
        threads_.emplace_back([this, i] { Watch(static_cast<int>(i)); });
}

BoardWatch::~BoardWatch() {
    Stop();
}

void BoardWatch::Stop() {
    stopping_.store(true);
    for (auto& t : threads_)
        if (t.joinable()) t.join();
    threads_.clear();
}

void BoardWatch::Watch(int index) {
    const Watched& w = boards_[static_cast<std::size_t>(index)];
    std::size_t seen = 0;
    w.board->Inspect([&](const BoardState& b) { seen = b.framesReceived; });
    // The wait is bounded so that Stop is noticed; a change wakes it at once.
    constexpr std::chrono::milliseconds kPoll{50};
    while (!stopping_.load()) {
        if (!w.board->WaitUntil([&](const BoardState& b) { return b.framesReceived != seen; }, kPoll))
            continue;
        const auto when = std::chrono::steady_clock::now();
        PanelState state;
        w.board->Inspect([&](const BoardState& b) {
            seen = b.framesReceived;
            state = PanelStateFromBoard(b, w.width, w.height);
        });
        listener_(index, std::move(state), when);
    }
}

}  // namespace wallsim
