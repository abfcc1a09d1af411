// The jobs of the main window: each job runs on a thread of its own, the runner
// counts them, can ask any of them to stop and joins them. Workers reach the
// window only through the runner's mailbox: Post leaves a message, Call leaves
// one and waits for its answer. The window serves the mailbox from its event
// loop (the wake-up callback asks it to) and also while it joins a job, so a
// worker waiting for an answer can never deadlock a window that waits for the
// worker. No Qt here: the window supplies the wake-up.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "calibration/reporter.h"

namespace meridan {

class JobRunner {
  public:
    using Id = std::uint64_t;
    // The work gets its job's stop request; it may request it itself (a job
    // that sees it cannot go on ends the way a stopped one does).
    using Work = std::function<void(vantis::calibration::StopRequest& stop)>;
    using Message = std::function<void()>;

    // wake is called from any thread after a message was left; the owner's
    // thread must then call Serve() soon.
    explicit JobRunner(std::function<void()> wake);
    // Asks every job to stop and joins it.
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Starts work on a new thread. ended runs on the owner's thread after the
    // work returned and every message it left was served.
    Id Start(Work work, Message ended = {});
    // Jobs started whose end has not been handled yet.
    int Running() const;
    bool IsRunning(Id id) const;
    // Jobs started since the runner was made.
    std::uint64_t Started() const;

    void RequestStop(Id id);
    void RequestStopAll();

    // On the owner's thread: waits until the job's work returned, serving the
    // mailbox meanwhile, joins its thread and runs its end. Unknown or already
    // ended jobs return at once.
    void Join(Id id);
    void JoinAll();

    // From any thread: leaves a message for the owner's thread.
    void Post(Message message);
    // From a worker: leaves a message and waits until it ran. On the owner's
    // thread it runs at once.
    void Call(Message message);
    // Runs the waiting messages and the ends of finished jobs, in order.
    void Serve();

    bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

  private:
    struct Job {
        std::thread thread;
        vantis::calibration::StopRequest stop;
        Message ended;
        bool returned = false;
    };
    // Joins a job whose work returned and runs its end (owner's thread).
    void Finish(Id id);
    // Runs one waiting message; false when there was none.
    bool ServeOne();

    const std::thread::id owner_;
    std::function<void()> wake_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<Id, std::unique_ptr<Job>> jobs_;
    std::deque<Message> mailbox_;
    Id next_ = 1;
};

}  // namespace meridan
