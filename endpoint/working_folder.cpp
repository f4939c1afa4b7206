#include "endpoint/working_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "common/module_log.h"
#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace {

constexpr size_t kMaxSettingLength = 261;

bool Exists(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

// Creates `path` when missing (one level, mode 0700); true when it exists
// afterwards.
bool MakeFolder(const std::string& path) {
    if (!Exists(path)) mkdir(path.c_str(), 0700);
    return Exists(path);
}

// True when `path` is a folder of this user and no link; its mode is made
// 0700 when it grants others anything.
bool IsOwnFolder(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return false;
    }
    return (info.st_mode & 077) == 0 || chmod(path.c_str(), 0700) == 0;
}

// "<base>/tolvan/Halvo450Rest/" made and checked level by level; empty when
// a level cannot be made or is not ours.
std::string OwnFolderBelow(const std::string& base) {
    std::string folder = base + "/tolvan";
    if (!MakeFolder(folder) || !IsOwnFolder(folder)) return std::string();
    folder += "/Halvo450Rest";
    if (!MakeFolder(folder) || !IsOwnFolder(folder)) return std::string();
    return folder + "/";
}

// A fresh folder of our own below `base` for the two levels, when the usual
// ones belong to someone else or are links.
std::string FreshFolderBelow(const std::string& base) {
    std::string pattern = base + "/tarvos-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return std::string();
    return OwnFolderBelow(pattern);
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
    std::string folder = OwnFolderBelow(base);
    struct stat info;
    if (!folder.empty() || lstat((base + "/tolvan").c_str(), &info) != 0) return folder;
    folder = FreshFolderBelow(base);
    ModuleLog().WriteComment(0, "**** workingDir below [" + base +
                                    "] is not the service's own (owner, link or kind); using [" +
                                    folder + "]");
    return folder;
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
