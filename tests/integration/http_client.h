#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>

// A deliberately plain HTTP/1.1 client over a loopback socket: it sends
// exactly the bytes it is given (no normalisation of paths or bodies), so
// tests can send what a careless or hostile client would.
struct HttpResponse {
    int status = 0;                              // 0 when no response arrived
    std::map<std::string, std::string> headers;  // names lower-cased
    std::string body;
};

class HttpClient {
  public:
    explicit HttpClient(int port) : port_(port) {}

    // Sends one request on a fresh connection ("Connection: close") and reads
    // the whole response; gives up after `timeoutMs`.
    HttpResponse Send(const std::string& method, const std::string& target,
                      const std::string& body = std::string(),
                      std::map<std::string, std::string> headers = {}, int timeoutMs = 30000) const;

    HttpResponse Get(const std::string& target) const { return Send("GET", target); }
    HttpResponse PostJson(const std::string& target, const std::string& json) const {
        return Send("POST", target, json, {{"Content-Type", "application/json"}});
    }
    HttpResponse PutJson(const std::string& target, const std::string& json) const {
        return Send("PUT", target, json, {{"Content-Type", "application/json"}});
    }

  private:
    int port_;
};

// A request as its bytes: `headers` as given, and the length of the body
// when there is one (and for any POST or PUT).
std::string RequestText(const std::string& method, const std::string& target,
                        const std::string& body = std::string(),
                        const std::map<std::string, std::string>& headers = {});

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();

// A socket connected to `port` on the loopback interface (bound to a free
// port when `port` is 0); -1 on failure.
int LoopbackSocket(int port);

// The status, headers and body of the raw response `raw` (status 0 when it
// is none).
HttpResponse ParseResponse(const std::string& raw);

// A raw loopback connection for the transport tests: bytes go out exactly as
// given, and what comes back is read with a deadline.
class RawConnection {
  public:
    explicit RawConnection(int port) : fd_(LoopbackSocket(port)) {}
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

    // Reads until `enough` (when given) says the data is complete, the peer
    // closes or `timeoutMs` passes. `closed` tells which of the last two
    // happened.
    std::string Receive(int timeoutMs, const std::function<bool(const std::string&)>& enough = {},
                        bool* closed = nullptr) {
        std::string data;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (closed != nullptr) *closed = false;
        char buffer[65536];
        while (!enough || !enough(data)) {
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

  private:
    int fd_;
};
