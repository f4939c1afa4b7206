#pragma once

#include <string>

namespace platform {

// The folder that stands for one of the six special-folder names of the
// settings file on this platform:
//   CSIDL_LOCAL_APPDATA    $XDG_DATA_HOME, else ~/.local/share
//   CSIDL_APPDATA          $XDG_CONFIG_HOME, else ~/.config
//   CSIDL_COMMON_APPDATA   /var/lib
//   CSIDL_COMMON_DOCUMENTS /srv
//   CSIDL_COMMON_TEMPLATES /usr/share/templates
//   CSIDL_TEMPLATES        $XDG_TEMPLATES_DIR, else ~/Templates
// (~ is $HOME, else the home folder of the user database). Names are
// matched exactly. Returns false for any other name; *path is empty when
// the name is known but the folder cannot be told (no home folder).
bool SpecialFolderPath(const std::string& name, std::string* path);

}  // namespace platform
