#include "endpoint/http_listener.h"

#include <boost/asio/post.hpp>

#include <algorithm>

#include "common/module_log.h"
#include "endpoint/http_session.h"

namespace net = boost::asio;
using tcp = net::ip::tcp;

HttpListener::HttpListener(IRequestFrame& frame, WorkerPool& workers, const TransportLimits& limits)
    : frame_(frame), workers_(workers), limits_(limits) {}

HttpListener::~HttpListener() {
    Stop(std::chrono::milliseconds(0));
}

void HttpListener::Open(const std::string& host, uint16_t port, int threads) {
    for (int i = 0; i < std::max(threads, 1); ++i) {
        contexts_.push_back(std::make_unique<net::io_context>(1));
    }
    net::io_context& first = *contexts_.front();
    tcp::resolver resolver(first);
    tcp::endpoint endpoint = *resolver.resolve(host, std::to_string(port)).begin();
    acceptor_.emplace(first);
    acceptor_->open(endpoint.protocol());
    acceptor_->set_option(net::socket_base::reuse_address(true));
    acceptor_->bind(endpoint);
    acceptor_->listen(net::socket_base::max_listen_connections);
    Accept();
    for (auto& context : contexts_) {
        work_.push_back(net::make_work_guard(*context));
        threads_.emplace_back([&context] { context->run(); });
    }
}

void HttpListener::Accept() {
    net::io_context& next = *contexts_[nextContext_++ % contexts_.size()];
    acceptor_->async_accept(next, [this](boost::system::error_code error, tcp::socket socket) {
        if (error == net::error::operation_aborted) return;
        if (!error) Admit(std::move(socket));
        if (acceptor_->is_open()) Accept();
    });
}

void HttpListener::Admit(tcp::socket socket) {
    boost::system::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    std::shared_ptr<HttpSession> session;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (static_cast<int>(sessions_.size()) >= limits_.maxConnections) {
            ++refusedUnlogged_;
        } else {
            session = std::make_shared<HttpSession>(std::move(socket), *this);
            sessions_[session.get()] = session;
        }
    }
    if (!session) {
        socket.close(ignored);
        LogRefusals();
        return;
    }
    session->Start();
}

// One line at most every second, with the refusals since the last line.
void HttpListener::LogRefusals() {
    int count = 0;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto now = std::chrono::steady_clock::now();
        if (refusedUnlogged_ == 0 ||
            (now - lastRefusalLine_ < std::chrono::seconds(1) && !stopped_)) {
            return;
        }
        count = refusedUnlogged_;
        refusedUnlogged_ = 0;
        lastRefusalLine_ = now;
    }
    ModuleLog().WriteComment(0, "HTTP: " + std::to_string(count) + " connections closed at once: " +
                                    std::to_string(limits_.maxConnections) +
                                    " were open (MaxConnections)");
}

void HttpListener::Leave(HttpSession* session) {
    std::lock_guard<std::mutex> guard(mutex_);
    sessions_.erase(session);
    left_.notify_all();
}

size_t HttpListener::OpenConnections() {
    std::lock_guard<std::mutex> guard(mutex_);
    return sessions_.size();
}

void HttpListener::StopAccepting() {
    if (!acceptor_) return;
    net::post(*contexts_.front(), [this] {
        boost::system::error_code ignored;
        acceptor_->close(ignored);
    });
}

bool HttpListener::Stop(std::chrono::milliseconds timeout) {
    std::vector<std::shared_ptr<HttpSession>> open;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (stopped_) return true;
        stopped_ = true;
        for (auto& entry : sessions_) {
            if (auto session = entry.second.lock()) open.push_back(session);
        }
    }
    StopAccepting();
    for (auto& session : open) session->Shutdown();
    open.clear();
    bool inTime = true;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        inTime = left_.wait_for(lock, timeout, [this] { return sessions_.empty(); });
    }
    work_.clear();
    for (auto& context : contexts_) context->stop();
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
    LogRefusals();
    return inTime;
}
