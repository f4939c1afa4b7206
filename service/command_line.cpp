#include "service/command_line.h"

#include <strings.h>

#include <cstdlib>

namespace {

struct SwitchWord {
    const char* word;
    int mode;
};

const SwitchWord kSwitchWords[] = {
    {"install", kRunInstall}, {"remove", kRunUninstall}, {"uninstall", kRunUninstall},
    {"debug", kRunDebug},     {"help", kRunHelp},        {"?", kRunHelp},
    {"status", kRunStatus},   {"setport", kRunSetPort},
};

}  // namespace

void CBaseServiceCommandLineInfo::ParseParam(const std::string& text, bool isSwitch,
                                             bool /*isLast*/) {
    if (!isSwitch) return;
    for (const SwitchWord& entry : kSwitchWords) {
        if (strcasecmp(text.c_str(), entry.word) == 0) {
            RunMode = entry.mode;
            return;
        }
    }
}

void ParseCommandLine(const std::vector<std::string>& args, CBaseServiceCommandLineInfo& info,
                      long& port) {
    info.RunMode = kRunService;
    port = 0;
    // args[0] is the program name.
    for (size_t i = 1; i < args.size(); ++i) {
        std::string text = args[i];
        bool isSwitch = !text.empty() && (text[0] == '-' || text[0] == '/');
        if (isSwitch) text.erase(0, 1);
        info.ParseParam(text, isSwitch, i + 1 == args.size());
        if (strcasecmp(text.c_str(), "setport") == 0) {
            port = i + 1 < args.size() ? std::atol(args[i + 1].c_str()) : 0;
            ++i;
        }
    }
}
