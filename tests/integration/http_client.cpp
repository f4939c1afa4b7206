#include "tests/integration/http_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

HttpResponse ParseResponse(const std::string& raw) {
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
    RawConnection connection(port_);
    bool sent = connection.ok() && connection.Send(request);
    return ParseResponse(sent ? connection.ReceiveUntilClosed(timeoutMs) : std::string());
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
