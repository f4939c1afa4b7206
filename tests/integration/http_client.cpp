#include "tests/integration/http_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace {

bool SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string ReceiveAll(int fd, int timeoutMs) {
    std::string data;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    return data;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

HttpResponse Parse(const std::string& raw) {
    HttpResponse response;
    size_t headerEnd = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || headerEnd == std::string::npos) return response;
    response.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
    size_t line = raw.find("\r\n") + 2;
    while (line < headerEnd) {
        size_t next = raw.find("\r\n", line);
        std::string header = raw.substr(line, next - line);
        size_t colon = header.find(':');
        if (colon != std::string::npos) {
            std::string value = header.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            response.headers[Lower(header.substr(0, colon))] = value;
        }
        line = next + 2;
    }
    response.body = raw.substr(headerEnd + 4);
    return response;
}

}  // namespace

std::string HttpClient::SendRaw(const std::string& bytes, int timeoutMs) const {
    int fd = ConnectLoopback(port_);
    if (fd < 0) return std::string();
    std::string data;
    if (SendAll(fd, bytes)) data = ReceiveAll(fd, timeoutMs);
    close(fd);
    return data;
}

HttpResponse HttpClient::Send(const std::string& method, const std::string& target,
                              const std::string& body,
                              const std::map<std::string, std::string>& headers,
                              int timeoutMs) const {
    std::string request = method + " " + target +
                          " HTTP/1.1\r\nHost: localhost:" + std::to_string(port_) +
                          "\r\nConnection: close\r\n";
    for (const auto& header : headers) request += header.first + ": " + header.second + "\r\n";
    if (!body.empty() || method == "POST" || method == "PUT") {
        request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    request += "\r\n" + body;
    return Parse(SendRaw(request, timeoutMs));
}

int ConnectLoopback(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    int port = ntohs(address.sin_port);
    close(fd);
    return port;
}
