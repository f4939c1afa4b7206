#include "platform/process.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

bool IsElevated() {
    return geteuid() == 0;
}

bool IsServiceProcess() {
    const char* invocation = std::getenv("INVOCATION_ID");
    if (invocation != nullptr && *invocation != '\0') return true;
    int tty = open("/dev/tty", O_RDONLY | O_NOCTTY);
    if (tty < 0) return true;
    close(tty);
    return false;
}

void ShowMessageBox(const std::string& caption, const std::string& text) {
    std::printf("%s\n\n%s", caption.c_str(), text.c_str());
    if (text.empty() || text.back() != '\n') std::printf("\n");
    std::fflush(stdout);
}

}  // namespace platform
