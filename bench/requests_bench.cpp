// Requests per second of GET ITarvos/GetModuleVersion through the whole
// service path (transport, worker pool, frame, registry, group lock, GET
// table, module, module log) on one manager and spread over 64 managers.
// Every request is its own connection ("Connection: close"), from 16 client
// threads. Kept-alive connections and the ceiling of a bare server are
// measured by bench_http_bench.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bridge/verb_dispatchers.h"
#include "common/module_log.h"
#include "endpoint/endpoint_handler.h"

namespace {

constexpr int kClients = 16;
constexpr int kRequestsPerClient = 1500;

// Sends one GET on a fresh connection; returns the status (0 on failure).
int Get(int port, const std::string& target) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int status = 0;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string request =
            "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            std::string response;
            char buffer[4096];
            for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
                response.append(buffer, static_cast<size_t>(n));
            }
            if (response.compare(0, 9, "HTTP/1.1 ") == 0) status = std::atoi(response.c_str() + 9);
        }
    }
    close(fd);
    return status;
}

// A port on 127.0.0.1 that nothing listens on right now.
int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// Requests per second for kClients threads sending the targets round-robin.
double Load(int port, const std::vector<std::string>& targets, int* failures) {
    std::atomic<int> failed{0};
    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (int i = 0; i < kRequestsPerClient; ++i) {
                const std::string& target = targets[(c + i * kClients) % targets.size()];
                if (Get(port, target) != 200) ++failed;
            }
        });
    }
    for (std::thread& client : clients) client.join();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    *failures = failed;
    return kClients * kRequestsPerClient / elapsed.count();
}

int HandleOf(int port, const std::string& target, const std::string& key) {
    // A tiny reader for {"key":123}: the digits after the key.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string request =
            "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            response.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    size_t at = response.find("\"" + key + "\":");
    return at == std::string::npos ? 0 : std::atoi(response.c_str() + at + key.size() + 3);
}

}  // namespace

int main() {
    std::string folder =
        (std::filesystem::temp_directory_path() / ("tarvos-bench-" + std::to_string(getpid())))
            .string() +
        "/";
    std::filesystem::create_directories(folder);
    ModuleLog().StartLog(1, folder + "TarvosServer450.log.txt");

    int port = FreePort();
    CEndpointHandler handler("http://127.0.0.1:" + std::to_string(port) + "/tarvosServer450",
                             folder + "none.ini");
    InstallDispatchers(handler);
    handler.Open();
    std::vector<std::string> one, spread;
    for (int m = 0; m < 64; ++m) {
        int manager = HandleOf(port, "/tarvosServer450/ITarvos/GetCreateTarvos", "pITarvos");
        std::string target =
            "/tarvosServer450/ITarvos/GetModuleVersion?pITarvos=" + std::to_string(manager);
        if (m == 0) one.push_back(target);
        spread.push_back(target);
    }
    int failedOne = 0, failedSpread = 0;
    double rateOne = Load(port, one, &failedOne);
    double rateSpread = Load(port, spread, &failedSpread);
    handler.Close();
    handler.ReleaseAll();

    std::printf("clients: %d threads x %d requests, one connection per request\n", kClients,
                kRequestsPerClient);
    std::printf("service, one manager:      %8.0f requests/s (%d failed)\n", rateOne, failedOne);
    std::printf("service, 64 managers:      %8.0f requests/s (%d failed)\n", rateSpread,
                failedSpread);
    ModuleLog().CloseLog();
    std::filesystem::remove_all(folder);
    return 0;
}
