#include "meridan/job_runner.h"

#include <utility>

namespace meridan {

JobRunner::JobRunner(std::function<void()> wake)
    : owner_(std::this_thread::get_id()), wake_(std::move(wake)) {}

JobRunner::~JobRunner() {
    RequestStopAll();
    JoinAll();
}

JobRunner::Id JobRunner::Start(Work work, Message ended) {
    std::lock_guard lock(mutex_);
    const Id id = next_++;
    auto job = std::make_unique<Job>();
    job->ended = std::move(ended);
    Job* raw = job.get();
    jobs_.emplace(id, std::move(job));
    raw->thread = std::thread([this, id, raw, work = std::move(work)] {
        work(raw->stop);
        {
            std::lock_guard lock(mutex_);
            raw->returned = true;
            // The end comes after every message the job left.
            mailbox_.push_back([this, id] { Finish(id); });
        }
        changed_.notify_all();
        if (wake_) wake_();
    });
    return id;
}

int JobRunner::Running() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(jobs_.size());
}

bool JobRunner::IsRunning(Id id) const {
    std::lock_guard lock(mutex_);
    return jobs_.count(id) != 0;
}

std::uint64_t JobRunner::Started() const {
    std::lock_guard lock(mutex_);
    return next_ - 1;
}

void JobRunner::RequestStop(Id id) {
    std::lock_guard lock(mutex_);
    if (auto it = jobs_.find(id); it != jobs_.end()) it->second->stop.Request();
}

void JobRunner::RequestStopAll() {
    std::lock_guard lock(mutex_);
    for (auto& [id, job] : jobs_) job->stop.Request();
}

void JobRunner::Finish(Id id) {
    std::unique_ptr<Job> job;
    {
        std::lock_guard lock(mutex_);
        auto it = jobs_.find(id);
        if (it == jobs_.end()) return;
        job = std::move(it->second);
        jobs_.erase(it);
    }
    job->thread.join();
    if (job->ended) job->ended();
}

bool JobRunner::ServeOne() {
    Message message;
    {
        std::lock_guard lock(mutex_);
        if (mailbox_.empty()) return false;
        message = std::move(mailbox_.front());
        mailbox_.pop_front();
    }
    message();
    return true;
}

void JobRunner::Serve() {
    while (ServeOne()) {
    }
}

void JobRunner::Join(Id id) {
    for (;;) {
        if (ServeOne()) continue;
        std::unique_lock lock(mutex_);
        if (jobs_.count(id) == 0) return;
        changed_.wait(lock, [&] { return !mailbox_.empty() || jobs_.count(id) == 0; });
    }
}

void JobRunner::JoinAll() {
    for (;;) {
        if (ServeOne()) continue;
        std::unique_lock lock(mutex_);
        if (jobs_.empty()) return;
        changed_.wait(lock, [&] { return !mailbox_.empty() || jobs_.empty(); });
    }
}

void JobRunner::Post(Message message) {
    {
        std::lock_guard lock(mutex_);
        mailbox_.push_back(std::move(message));
    }
    changed_.notify_all();
    if (wake_) wake_();
}

void JobRunner::Call(Message message) {
    if (OnOwnerThread()) {
        message();
        return;
    }
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard lock(mutex_);
        mailbox_.push_back([this, done, message = std::move(message)] {
            message();
            {
                std::lock_guard lock(mutex_);
                *done = true;
            }
            changed_.notify_all();
        });
    }
    changed_.notify_all();
    if (wake_) wake_();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return *done; });
}

}  // namespace meridan
