#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of threads that run queued tasks in order of arrival.
//
// The REST library's own threads must never block (a wait there starves the
// library and stalls every connection), so the listener only hands requests
// to this pool; lock waits, module calls and file I/O happen here.
class WorkerPool {
  public:
    explicit WorkerPool(int threads);
    ~WorkerPool();  // Stop()

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues a task. Returns false (and drops the task) once Stop() has begun.
    bool Post(std::function<void()> task);

    // Runs what is queued, then joins every thread. Idempotent.
    void Stop();

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};
