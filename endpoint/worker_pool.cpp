#include "endpoint/worker_pool.h"

WorkerPool::WorkerPool(int threads) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

WorkerPool::~WorkerPool() {
    Stop();
}

bool WorkerPool::Post(Task task) {
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
        Task task;
        bool run = true;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;  // stopping and nothing left
            task = std::move(queue_.front());
            queue_.pop_front();
            run = !stopping_;
        }
        task(run);
    }
}
