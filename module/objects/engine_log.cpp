#include "module/objects/engine_log.h"

#include <filesystem>

#include "common/log_file.h"
#include "common/utf8_text.h"
#include "platform/paths.h"

namespace {

// Serialises the writers of the one file; CLogFile coordinates only itself.
std::mutex& FileLock() {
    static std::mutex lock;
    return lock;
}

// Without archiving a full file is cut down to half its limit (at least 1 KB;
// 0 keeps the default sizes).
int ReorganisedKB(long maxKB) {
    if (maxKB <= 0) return 0;
    return maxKB >= 2 ? static_cast<int>(maxKB / 2) : 1;
}

}  // namespace

std::string EngineLogPath() {
    return platform::TempDirectory() + "tarvos-engine/engine.log.txt";
}

void EngineLog::Configure(const ModuleLogSettings& settings) {
    std::lock_guard<std::mutex> guard(mutex_);
    settings_ = settings;
}

ModuleLogSettings EngineLog::Settings() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return settings_;
}

void EngineLog::Record(const std::string& operation, HRESULT hr, const std::string& abort,
                       const std::string& details) const {
    const ModuleLogSettings settings = Settings();
    if (settings.level < 1) return;
    std::string line = operation + (SUCCEEDED(hr) ? "\tok" : "\tfailed\t" + abort);
    if (!details.empty() && (FAILED(hr) || settings.level >= 2)) line += "\t" + details;
    line = WithoutLineBreaks(line);
    const std::string path = EngineLogPath();
    std::error_code ignored;
    std::filesystem::create_directories(path.substr(0, path.rfind('/')), ignored);
    if (settings.archive && !settings.archive_dir.empty()) {
        std::filesystem::create_directories(settings.archive_dir, ignored);
    }
    std::lock_guard<std::mutex> guard(FileLock());
    CLogFile file(path, static_cast<int>(settings.max_size_kb), ReorganisedKB(settings.max_size_kb),
                  settings.archive, settings.archive_dir);
    file.WriteEvent(static_cast<int>(hr), line);
}
