#pragma once

#include <string>
#include <vector>

// What the command line asks the program to do.
enum RunModeValue {
    kRunService = 0,
    kRunInstall = 1,
    kRunUninstall = 2,
    kRunDebug = 3,
    kRunHelp = 4,
    kRunStatus = 5,
    kRunSetPort = 6,
};

class CBaseServiceCommandLineInfo {
  public:
    virtual ~CBaseServiceCommandLineInfo() = default;

    // Only switches count: the text is compared without regard to case with
    // the switch words and sets RunMode; anything else leaves it unchanged.
    virtual void ParseParam(const std::string& text, bool isSwitch, bool isLast);

    int RunMode = kRunService;
};

// Reads the arguments after the program name: a leading '-' or '/' marks a
// switch; "setport" (with or without the switch character) takes the next
// argument as the port (atol rules; 0 when there is none).
void ParseCommandLine(const std::vector<std::string>& args, CBaseServiceCommandLineInfo& info,
                      long& port);
