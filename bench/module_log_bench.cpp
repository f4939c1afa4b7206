// Lines per second that the module log writes with WriteEntry, from one thread
// and from eight threads at once, into a temporary folder. Every line opens,
// appends to and closes the file, as in the service; full files move into the
// archive folder with the service's sizes (4000 KB).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/module_log.h"

namespace {

constexpr int kLinesPerRun = 40000;

// Writes kLinesPerRun entries split over `threads` threads; returns lines/s.
double Run(const std::string& folder, int threads) {
    CModuleLogFile log;
    log.StartLog(1, folder + "TarvosServer450.log.txt");
    const std::string reply = "{'pbStatus':true,'pbstrModuleVersion':'4.50.001'}";
    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&log, &reply, threads] {
            for (int i = 0; i < kLinesPerRun / threads; ++i) {
                log.WriteEntry(0, "handle_post", "ITarvos", "GetModuleVersion", reply,
                               std::to_string(i + 1));
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    log.CloseLog();
    return kLinesPerRun / elapsed.count();
}

}  // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string folder = pattern + "/";
    for (int threads : {1, 8}) {
        std::string runFolder = folder + std::to_string(threads) + "/";
        std::filesystem::create_directories(runFolder);
        double rate = Run(runFolder, threads);
        std::printf("WriteEntry, %d thread%s: %.0f lines/s (%d lines)\n", threads,
                    threads == 1 ? "" : "s", rate, kLinesPerRun);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
