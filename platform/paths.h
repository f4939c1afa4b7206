#pragma once

#include <string>

namespace platform {

// Folder of the running executable, with a trailing '/'.
std::string ExecutableDirectory();

// Full path of the running executable.
std::string ExecutablePath();

// $TMPDIR when set and not empty, else "/tmp"; with a trailing '/'.
std::string TempDirectory();

// Appends '/' unless the text already ends in one.
std::string WithTrailingSlash(const std::string& path);

}  // namespace platform
