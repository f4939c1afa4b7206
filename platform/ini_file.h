#pragma once

#include <string>

namespace platform {

// Profile (INI) files with the semantics of the classic private profile
// functions:
//  - sections and keys are matched without regard to case, the first match wins;
//  - values are trimmed, a value wrapped in matching quotes loses them;
//  - lines starting with ';' are comments;
//  - a missing file, section or key gives the caller's default.
// Writing keeps every other line of the file, creates the file and the section
// when missing, and replaces the file atomically (temporary file + rename), so
// a crash never leaves a half-written file. Writers in one process are
// serialised.

std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& defaultValue);

// Reads the value like GetPrivateProfileInt: optional sign, then decimal
// digits; a value without digits gives 0, a missing key the default.
int GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                  int defaultValue);

// Returns false when the file cannot be written; nothing is changed then.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

}  // namespace platform
