#include "tests/integration/http_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <sstream>

HttpResponse ParseResponse(const std::string& raw) {
    HttpResponse response;
    size_t headerEnd = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || headerEnd == std::string::npos) return response;
    response.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
    std::istringstream lines(raw.substr(0, headerEnd + 2));
    std::string line;
    std::getline(lines, line);  // the status line
    while (std::getline(lines, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t value = line.find_first_not_of(' ', colon + 1);
        response.headers[name] = line.substr(value, line.size() - 1 - value);  // without the \r
    }
    response.body = raw.substr(headerEnd + 4);
    return response;
}

std::string RequestText(const std::string& method, const std::string& target,
                        const std::string& body,
                        const std::map<std::string, std::string>& headers) {
    std::string text = method + " " + target + " HTTP/1.1\r\nHost: localhost\r\n";
    for (const auto& header : headers) text += header.first + ": " + header.second + "\r\n";
    if (!body.empty() || method == "POST" || method == "PUT") {
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

HttpResponse HttpClient::Send(const std::string& method, const std::string& target,
                              const std::string& body, std::map<std::string, std::string> headers,
                              int timeoutMs) const {
    headers["Connection"] = "close";
    RawConnection connection(port_);
    bool sent = connection.ok() && connection.Send(RequestText(method, target, body, headers));
    return ParseResponse(sent ? connection.Receive(timeoutMs) : std::string());
}

int LoopbackSocket(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto* any = reinterpret_cast<sockaddr*>(&address);
    if (fd >= 0 &&
        (port == 0 ? bind(fd, any, sizeof address) : connect(fd, any, sizeof address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int FreeLoopbackPort() {
    int fd = LoopbackSocket(0);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}
