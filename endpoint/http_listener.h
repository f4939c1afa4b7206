#pragma once

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "endpoint/frame_request.h"
#include "endpoint/transport_limits.h"
#include "endpoint/worker_pool.h"

class HttpSession;

// The HTTP transport's front: one listening socket, the I/O threads that run
// every connection (endpoint/http_session.h) and the count of open
// connections. Requests reach `frame` whole, on `workers`. Each I/O thread
// runs a context of its own, and connections are dealt to them in turn: a
// connection stays on one thread, which never has to wake another.
//
// Connections beyond TransportLimits::maxConnections are closed as soon as
// they are accepted; the module log counts them (a line at most once a
// second, and one at stop).
//
// `frame` and `workers` must outlive the listener.
class HttpListener {
  public:
    HttpListener(IRequestFrame& frame, WorkerPool& workers, const TransportLimits& limits);
    ~HttpListener();  // Stop(0)

    HttpListener(const HttpListener&) = delete;
    HttpListener& operator=(const HttpListener&) = delete;

    // Listens on the first address `host` resolves to and serves on
    // `threads` I/O threads (at least one). Throws std::exception when it cannot listen
    // (for example when the port is in use).
    void Open(const std::string& host, uint16_t port, int threads = 2);

    // No new connections from now on. Idempotent.
    void StopAccepting();

    // Ends every connection (one whose reply is under way once the reply is
    // written), waits at most `timeout` for them, then stops the I/O
    // threads. True when every connection ended in time. Call after the
    // worker pool has stopped, so that every reply has been handed over.
    bool Stop(std::chrono::milliseconds timeout);

    // Connections open now.
    size_t OpenConnections();

    IRequestFrame& frame() { return frame_; }
    WorkerPool& workers() { return workers_; }
    const TransportLimits& limits() const { return limits_; }

  private:
    friend class HttpSession;
    void Accept();
    void Admit(boost::asio::ip::tcp::socket socket);
    void CountRefusal();
    void LogRefusals();
    void Leave(HttpSession* session);  // from the session's destructor

    IRequestFrame& frame_;
    WorkerPool& workers_;
    TransportLimits limits_;

    std::mutex mutex_;
    std::condition_variable left_;
    std::unordered_map<HttpSession*, std::weak_ptr<HttpSession>> sessions_;
    int refusedUnlogged_ = 0;
    std::chrono::steady_clock::time_point lastRefusalLine_{};

    // After the session registry: pending handlers that own sessions are
    // destroyed with the contexts, and their sessions leave the registry.
    // The first context also runs the acceptor.
    std::vector<std::unique_ptr<boost::asio::io_context>> contexts_;
    size_t nextContext_ = 0;
    // Keep the I/O threads running while every connection waits for a
    // worker (no operation pending on a context).
    std::vector<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work_;
    std::optional<boost::asio::ip::tcp::acceptor> acceptor_;
    std::vector<std::thread> threads_;
    bool stopped_ = false;
};
