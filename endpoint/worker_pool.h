#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of threads that run queued tasks in order of arrival.
//
// The transport's threads must never block (a wait there stalls every
// connection), so they hand whole requests to this pool; lock waits, module
// calls and file I/O happen here.
class WorkerPool {
  public:
    // A task is called once: with true to run, with false when the pool
    // stopped before it began (it should then answer without doing its work).
    using Task = std::function<void(bool run)>;

    explicit WorkerPool(int threads);
    ~WorkerPool();  // Stop()

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues a task. Returns false (and drops the task) once Stop() has begun.
    bool Post(Task task);

    // Lets the running tasks end, calls every queued one with false, then
    // joins every thread. Idempotent.
    void Stop();

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> queue_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};
