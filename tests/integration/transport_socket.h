#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "tests/integration/http_client.h"

// A raw loopback connection for the transport tests: bytes go out exactly as
// given, and what comes back is read with a deadline.
class RawConnection {
  public:
    explicit RawConnection(int port) : fd_(ConnectLoopback(port)) {}
    ~RawConnection() {
        if (fd_ >= 0) close(fd_);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool ok() const { return fd_ >= 0; }

    bool Send(const std::string& bytes) {
        for (size_t sent = 0; sent < bytes.size();) {
            ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads until `enough` says the data is complete, the peer closes or
    // `timeoutMs` passes. `closed` tells which of the last two happened.
    template <class Enough>
    std::string Receive(int timeoutMs, Enough enough, bool* closed = nullptr) {
        std::string data;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (closed != nullptr) *closed = false;
        char buffer[65536];
        while (!enough(data)) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
            pollfd p{fd_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
            ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                if (closed != nullptr) *closed = true;
                break;
            }
            data.append(buffer, static_cast<size_t>(n));
        }
        return data;
    }

    // Everything until the peer closes (or `timeoutMs` passes).
    std::string ReceiveUntilClosed(int timeoutMs, bool* closed = nullptr) {
        return Receive(
            timeoutMs, [](const std::string&) { return false; }, closed);
    }

  private:
    int fd_;
};
