#include "meridan/job_queue.h"

namespace meridan {

std::shared_ptr<JobQueue> JobQueue::Make(Starter start) {
    return std::shared_ptr<JobQueue>(new JobQueue(std::move(start)));
}

void JobQueue::Add(Work work, Ended ended) {
    waiting_.emplace_back(std::move(work), std::move(ended));
    if (!running_) StartNext();
}

void JobQueue::StartNext() {
    if (waiting_.empty()) return;
    auto [work, ended] = std::move(waiting_.front());
    waiting_.pop_front();
    running_ = true;
    start_(std::move(work), [self = shared_from_this(), ended = std::move(ended)] {
        // The next job starts only after this one's end ran, so an end that
        // gives more work puts it behind what was already waiting.
        if (ended) ended();
        self->running_ = false;
        self->StartNext();
    });
}

}  // namespace meridan
