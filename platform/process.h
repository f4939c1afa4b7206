#pragma once

#include <string>

namespace platform {

// The counterpart of an elevated process token: effective user id 0.
bool IsElevated();

// True when systemd started the process (INVOCATION_ID is set) or the process
// has no controlling terminal.
bool IsServiceProcess();

// A message box has no place in a service: caption and text go to standard
// output, the way an operator at a terminal reads them.
void ShowMessageBox(const std::string& caption, const std::string& text);

}  // namespace platform
