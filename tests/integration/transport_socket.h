#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

    // True when the peer has sent something (or closed) that is not read yet.
    bool Readable() const {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, 0) > 0;
    }

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

// The status and body of the raw response `raw` (status 0 when it is none).
inline HttpResponse ParseResponse(const std::string& raw) {
    HttpResponse response;
    size_t end = raw.find("\r\n\r\n");
    if (raw.compare(0, 9, "HTTP/1.1 ") != 0 || end == std::string::npos) return response;
    response.status = std::atoi(raw.c_str() + 9);
    response.body = raw.substr(end + 4);
    return response;
}

// POSTs a body of `size` bytes: `head`, `filler` repeated, then `tail`, sent
// in pieces of 1 MB so that the client never holds the whole body; in
// chunks without a length when `chunked`. Stops sending as soon as the
// service answers. With `sendOnly` >= 0 it hangs up after that many bytes
// and answers nothing.
inline HttpResponse StreamBody(int port, const std::string& target, const std::string& type,
                               int64_t size, const std::string& head,
                               const std::string& filler = "x", const std::string& tail = "",
                               bool chunked = false, int64_t sendOnly = -1) {
    RawConnection connection(port);
    auto send = [&](const std::string& bytes) {
        if (!chunked || bytes.empty()) return connection.Send(bytes);
        char length[32];
        std::snprintf(length, sizeof length, "%zx\r\n", bytes.size());
        return connection.Send(length + bytes + "\r\n");
    };
    bool ok = connection.Send("POST " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n" +
                              "Content-Type: " + type + "\r\n" +
                              (chunked ? "Transfer-Encoding: chunked\r\n"
                                       : "Content-Length: " + std::to_string(size) + "\r\n") +
                              "\r\n") &&
              send(head);
    std::string piece;
    while (piece.size() < (1u << 20)) piece += filler;  // whole fillers only
    int64_t left =
        (sendOnly >= 0 ? sendOnly : size) - static_cast<int64_t>(head.size() + tail.size());
    while (ok && left > 0 && !connection.Readable()) {
        size_t count = static_cast<size_t>(std::min<int64_t>(left, piece.size()));
        ok = send(piece.substr(0, count));
        left -= static_cast<int64_t>(count);
    }
    if (sendOnly >= 0) return HttpResponse();
    if (ok && send(tail) && chunked) connection.Send("0\r\n\r\n");
    return ParseResponse(connection.ReceiveUntilClosed(60000));
}

// A request as its bytes: a body goes with its type and length.
inline std::string RequestText(const std::string& method, const std::string& target,
                               const std::string& body = std::string(),
                               const std::string& type = "application/json") {
    std::string text = method + " " + target + " HTTP/1.1\r\nHost: localhost\r\n";
    if (!body.empty()) {
        text +=
            "Content-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

// The status of the first response in `data`; 0 when there is none.
inline int Status(const std::string& data) {
    return ParseResponse(data).status;
}
