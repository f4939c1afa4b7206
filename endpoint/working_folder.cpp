#include "endpoint/working_folder.h"

#include <sys/stat.h>

#include <cctype>

#include "common/module_log.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/known_folders.h"

namespace {

constexpr size_t kMaxSettingLength = 261;

bool Exists(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

// Creates `path` when missing (one level); true when it exists afterwards.
bool MakeFolder(const std::string& path) {
    if (!Exists(path)) mkdir(path.c_str(), 0755);
    return Exists(path);
}

std::string Trimmed(std::string base) {
    while (!base.empty() && std::isspace(static_cast<unsigned char>(base.back()))) base.pop_back();
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

}  // namespace

std::string ResolveWorkingFolder(const std::string& value) {
    std::string base = value;
    if (!Exists(value)) {
        std::string special;
        if (platform::SpecialFolderPath(value, &special)) {
            if (special.empty()) return std::string();
            base = special;
        }
    }
    base = Trimmed(base);
    if (!Exists(base)) return std::string();
    std::string folder = base + "/tolvan";
    if (!MakeFolder(folder)) return std::string();
    folder += "/Halvo450Rest/";
    return MakeFolder(folder) ? folder : std::string();
}

std::string ComputeWorkingFolder(const std::string& iniPath, bool isServiceProcess) {
    std::string fallback = isServiceProcess ? platform::TempDirectory() : "CSIDL_LOCAL_APPDATA";
    std::string value = platform::GetProfileString(iniPath, "PARAMS", "TMPDIR_CSIDL", fallback);
    if (value.size() > kMaxSettingLength) value.resize(kMaxSettingLength);
    std::string folder = ResolveWorkingFolder(value);
    if (!Exists(folder)) folder = ResolveWorkingFolder(platform::TempDirectory());
    ModuleLog().WriteComment(0, folder.empty() ? "**** CAUTION workingDir is empty!!!!"
                                               : "**** workingDir=[" + folder + "]");
    return folder;
}

std::string ComputeWorkingFolder(const std::string& iniPath) {
    return ComputeWorkingFolder(iniPath, platform::IsServiceProcess());
}
