// Jobs that must run one after another, in the order they were given: the
// boundary dialog's test pictures and the clear when it closes, where a later
// command must never overtake an earlier one on the projectors. Each job is
// started (as the window starts its document jobs) once the one before it
// ended. Owner's thread only; no Qt here.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <utility>

namespace meridan {

class JobQueue : public std::enable_shared_from_this<JobQueue> {
  public:
    using Work = std::function<void()>;
    using Ended = std::function<void()>;
    // Runs work off the owner's thread and calls ended on it afterwards.
    using Starter = std::function<void(Work work, Ended ended)>;

    // Made only as a shared object: a job's end keeps its queue.
    static std::shared_ptr<JobQueue> Make(Starter start);

    // Starts work at once when nothing runs, else after everything given before it.
    void Add(Work work, Ended ended = {});
    // Nothing runs and nothing waits.
    bool Idle() const { return !running_ && waiting_.empty(); }
    int Waiting() const { return static_cast<int>(waiting_.size()); }

  private:
    explicit JobQueue(Starter start) : start_(std::move(start)) {}
    void StartNext();

    Starter start_;
    std::deque<std::pair<Work, Ended>> waiting_;
    bool running_ = false;
};

}  // namespace meridan
