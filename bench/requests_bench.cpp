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

#include "bench/loopback_get.h"
#include "bridge/verb_dispatchers.h"
#include "common/module_log.h"
#include "endpoint/endpoint_handler.h"

namespace {

constexpr int kClients = 16;
constexpr int kRequestsPerClient = 1500;

// Sends one GET on a fresh connection; returns the status (0 on failure).
int Get(int port, const std::string& target) {
    std::string response = LoopbackGet(port, target);
    return response.compare(0, 9, "HTTP/1.1 ") == 0 ? std::atoi(response.c_str() + 9) : 0;
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
    std::string response = LoopbackGet(port, target);
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
