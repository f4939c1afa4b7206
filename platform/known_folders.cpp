#include "platform/known_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    struct passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? std::string(entry->pw_dir) : "";
}

// $variable when set and not empty, else `homeRelative` below the home
// folder (empty without a home folder).
std::string UserFolder(const char* variable, const char* homeRelative) {
    std::string value = Environment(variable);
    if (!value.empty()) return value;
    std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/" + homeRelative;
}

}  // namespace

bool SpecialFolderPath(const std::string& name, std::string* path) {
    if (name == "CSIDL_LOCAL_APPDATA") {
        *path = UserFolder("XDG_DATA_HOME", ".local/share");
    } else if (name == "CSIDL_APPDATA") {
        *path = UserFolder("XDG_CONFIG_HOME", ".config");
    } else if (name == "CSIDL_COMMON_APPDATA") {
        *path = "/var/lib";
    } else if (name == "CSIDL_COMMON_DOCUMENTS") {
        *path = "/srv";
    } else if (name == "CSIDL_COMMON_TEMPLATES") {
        *path = "/usr/share/templates";
    } else if (name == "CSIDL_TEMPLATES") {
        *path = UserFolder("XDG_TEMPLATES_DIR", "Templates");
    } else {
        path->clear();
        return false;
    }
    return true;
}

}  // namespace platform
