#include "endpoint/worker_pool.h"

WorkerPool::WorkerPool(int threads) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

WorkerPool::~WorkerPool() {
    Stop();
}

bool WorkerPool::Post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (stopping_) return false;
        queue_.push_back(std::move(task));
    }
    wake_.notify_one();
    return true;
}

void WorkerPool::Stop() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (stopping_ && threads_.empty()) return;
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
    threads_.clear();
}

void WorkerPool::Run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;  // stopping and nothing left
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
    }
}
