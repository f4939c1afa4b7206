#include "common/module_log_queue.h"

#include <chrono>
#include <iterator>
#include <utility>

namespace {

// After a write-out the thread waits this long for more lines before it
// sleeps until woken: under load the lines of many requests then go out in
// one write, and adding a line seldom has to wake the thread.
constexpr auto kLinger = std::chrono::microseconds(500);

}  // namespace

ModuleLogQueue::ModuleLogQueue(CModuleLogFile& log, size_t capacity)
    : log_(log), capacity_(capacity), thread_([this] { Run(); }) {}

ModuleLogQueue::~ModuleLogQueue() {
    Stop();
}

void ModuleLogQueue::Add(CModuleLogFile::Line line) {
    std::unique_lock<std::mutex> lock(mutex_);
    space_.wait(lock, [this] { return queue_.size() < capacity_ || stopped_; });
    if (stopped_) {
        lock.unlock();
        log_.WriteLines({std::move(line)});
        return;
    }
    queue_.push_back(std::move(line));
    ++added_;
    if (sleeping_) work_.notify_one();
}

void ModuleLogQueue::Flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    unsigned long long target = added_;
    space_.wait(lock, [&] { return written_ >= target || stopped_; });
}

void ModuleLogQueue::Stop() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
    }
    work_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void ModuleLogQueue::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (queue_.empty() && !stopping_) {
            lock.unlock();
            std::this_thread::sleep_for(kLinger);
            lock.lock();
        }
        sleeping_ = true;
        work_.wait(lock, [this] { return !queue_.empty() || stopping_; });
        sleeping_ = false;
        if (queue_.empty()) break;
        std::vector<CModuleLogFile::Line> batch(std::make_move_iterator(queue_.begin()),
                                                std::make_move_iterator(queue_.end()));
        queue_.clear();
        lock.unlock();
        log_.WriteLines(batch);
        lock.lock();
        written_ += batch.size();
        space_.notify_all();
    }
    stopped_ = true;
    space_.notify_all();
}
