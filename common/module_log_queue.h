#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "common/module_log.h"

// Lines for the module log, handed over by threads that must not wait for
// the file (the transport's threads) and written by one thread of its own.
// Lines are written in the order they were added; whatever has queued up
// while a write-out ran goes out in the next one, as one write.
//
// A line is in the file shortly after Add() returns, not when it returns;
// Flush() waits for everything added before it. Add() waits while
// `capacity` lines are queued, so a slow disk slows the callers down
// instead of growing the queue. After Stop() lines are written at once.
//
// Thread-safe.
class ModuleLogQueue {
  public:
    explicit ModuleLogQueue(CModuleLogFile& log, size_t capacity = 4096);
    ~ModuleLogQueue();  // Stop()

    ModuleLogQueue(const ModuleLogQueue&) = delete;
    ModuleLogQueue& operator=(const ModuleLogQueue&) = delete;

    void Add(CModuleLogFile::Line line);

    // Returns once every line added before the call is written.
    void Flush();

    // Writes what is queued and ends the thread. Idempotent.
    void Stop();

  private:
    void Run();

    CModuleLogFile& log_;
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable work_;   // lines queued, or stopping
    std::condition_variable space_;  // a write-out ended
    std::deque<CModuleLogFile::Line> queue_;
    unsigned long long added_ = 0;    // lines added so far
    unsigned long long written_ = 0;  // lines written so far
    bool stopping_ = false;
    bool sleeping_ = false;  // the thread waits to be woken
    bool stopped_ = false;
    std::thread thread_;
};
