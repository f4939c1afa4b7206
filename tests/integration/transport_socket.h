#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

// A deliberately plain HTTP/1.1 client over loopback sockets: it sends
// exactly the bytes it is given (no normalisation of paths or bodies), so
// tests can send what a careless or hostile client would.
struct HttpResponse {
    int status = 0;                              // 0 when no response arrived
    std::map<std::string, std::string> headers;  // names lower-cased
    std::string body;
};

// A socket on the loopback interface, connected to `port` or, when `port`
// is 0, bound to a free port; -1 on failure.
inline int LoopbackSocket(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    auto* any = reinterpret_cast<sockaddr*>(&address);
    if ((port == 0 ? bind(fd, any, sizeof address) : connect(fd, any, sizeof address)) == 0) {
        return fd;
    }
    close(fd);
    return -1;
}

// A port on 127.0.0.1 that nothing listens on right now.
inline int FreeLoopbackPort() {
    int fd = LoopbackSocket(0);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// The status, headers and body of the raw response `raw` (status 0 when it
// is none).
inline HttpResponse ParseResponse(const std::string& raw) {
    HttpResponse response;
    size_t headerEnd = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || headerEnd == std::string::npos) return response;
    response.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
    // Each header line after the status line, up to its \r.
    for (size_t at = raw.find("\r\n") + 2, end; at < headerEnd; at = end + 2) {
        end = raw.find("\r\n", at);
        size_t colon = raw.find(':', at);
        if (colon > end) continue;
        std::string name = raw.substr(at, colon - at);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t value = raw.find_first_not_of(' ', colon + 1);
        response.headers[name] = raw.substr(value, end - value);
    }
    response.body = raw.substr(headerEnd + 4);
    return response;
}

// A request as its bytes: `headers` as given, and the length of the body
// when there is one (and for any POST or PUT) unless `headers` frame it.
inline std::string RequestText(const std::string& method, const std::string& target,
                               const std::string& body = std::string(),
                               const std::map<std::string, std::string>& headers = {}) {
    std::string text = method + " " + target + " HTTP/1.1\r\nHost: localhost\r\n";
    for (const auto& header : headers) text += header.first + ": " + header.second + "\r\n";
    if ((!body.empty() || method == "POST" || method == "PUT") &&
        !headers.count("Transfer-Encoding") && !headers.count("Content-Length")) {
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

// A raw loopback connection: bytes go out exactly as given, and what comes
// back is read with a deadline.
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
    // closes or nothing comes for `timeoutMs`. `closed` tells which of the
    // last two happened.
    std::string Receive(int timeoutMs, const std::function<bool(const std::string&)>& enough = {},
                        bool* closed = nullptr) {
        timeval limit{timeoutMs / 1000, timeoutMs % 1000 * 1000};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        std::string data;
        char buffer[65536];
        ssize_t n = 1;
        while ((!enough || !enough(data)) && (n = recv(fd_, buffer, sizeof buffer, 0)) > 0) {
            data.append(buffer, static_cast<size_t>(n));
        }
        if (closed != nullptr) *closed = n == 0 || (n < 0 && errno != EAGAIN);
        return data;
    }

  private:
    int fd_;
};

// Requests on fresh connections ("Connection: close"), each response read
// whole; a request gives up after `timeoutMs`.
class HttpClient {
  public:
    explicit HttpClient(int port) : port_(port) {}

    HttpResponse Send(const std::string& method, const std::string& target,
                      const std::string& body = std::string(),
                      std::map<std::string, std::string> headers = {},
                      int timeoutMs = 30000) const {
        headers["Connection"] = "close";
        RawConnection connection(port_);
        bool sent = connection.ok() && connection.Send(RequestText(method, target, body, headers));
        return ParseResponse(sent ? connection.Receive(timeoutMs) : std::string());
    }
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

// A call on a target that names nothing: answered at once with an error
// reply.
inline const std::string kGetModus = "/tarvosServer450/ITarvos/GetModus?pITarvos=3";

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
    std::map<std::string, std::string> headers{{"Connection", "close"}, {"Content-Type", type}};
    headers[chunked ? "Transfer-Encoding" : "Content-Length"] =
        chunked ? "chunked" : std::to_string(size);
    bool ok = connection.Send(RequestText("POST", target, "", headers)) && send(head);
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
    return ParseResponse(connection.Receive(60000));
}
