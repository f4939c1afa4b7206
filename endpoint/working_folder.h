#pragma once

#include <string>

// The service's working folder: uploads, module output and downloads live
// there, and the sweep deletes day-old files from it. It is always
// "<base>/tolvan/Halvo450Rest/"; the base comes from the settings file,
// section "PARAMS", key "TMPDIR_CSIDL" (a folder path or one of the six
// special-folder names of platform/known_folders.h).

// The working folder for one base value, created when missing (two levels
// at most, mode 0700); empty when it cannot be had. Each level must be a
// folder of this user and no link (a mode that grants others anything is
// made 0700); when one is not, a fresh "<base>/tarvos-XXXXXX/tolvan/
// Halvo450Rest/" is made instead and the module log says so. The base is `value` when that path
// exists, else the special folder it names, else `value` itself; trailing
// white space and then trailing '/' are removed before the suffix is added.
std::string ResolveWorkingFolder(const std::string& value);

// The working folder for the settings file `iniPath`: its "TMPDIR_CSIDL"
// (at most 261 characters), or when absent the temporary folder for a
// service process and "CSIDL_LOCAL_APPDATA" otherwise. When that gives no
// existing folder, the temporary folder is the base. Writes
// "**** workingDir=[…]" (or "**** CAUTION workingDir is empty!!!!") to the
// module log at level 0. Empty when no folder could be made.
std::string ComputeWorkingFolder(const std::string& iniPath, bool isServiceProcess);

// The same, with platform::IsServiceProcess().
std::string ComputeWorkingFolder(const std::string& iniPath);
