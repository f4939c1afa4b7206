#include "endpoint/stored_file_name.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/uuid_text.h"

namespace {

long long TickCount() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string CounterName(const std::string& folder, const std::string& extension, long number) {
    std::string name;
    for (int attempt = 1; attempt <= 10; ++attempt) {
        name = folder + std::to_string(std::llabs(TickCount())) + "_" + std::to_string(number) +
               "_" + std::to_string(attempt) + extension;
        if (access(name.c_str(), F_OK) != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return name;
}

}  // namespace

std::string MakeStoredFileName(const std::string& folder, const std::string& extension,
                               long number) {
    if (folder.empty() || access(folder.c_str(), F_OK) != 0) return std::string();
    try {
        std::string uuid = platform::NewUuidText();
        if (!uuid.empty()) return folder + uuid + extension;
        return CounterName(folder, extension, number);
    } catch (...) {
        return std::string();
    }
}
