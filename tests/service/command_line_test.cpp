#include "service/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Line {
    std::vector<std::string> args;
    int mode;
    long port;
};

TEST(CommandLineTest, SwitchesAndThePortOfSetport) {
    const Line lines[] = {
        {{}, kRunService, 0},
        // Switch words ignore case and the switch character.
        {{"-INSTALL"}, kRunInstall, 0},
        {{"/REMOVE"}, kRunUninstall, 0},
        {{"-uninstall"}, kRunUninstall, 0},
        {{"-debug"}, kRunDebug, 0},
        {{"-help"}, kRunHelp, 0},
        {{"/?"}, kRunHelp, 0},
        {{"-Status"}, kRunStatus, 0},
        // Words without a switch character and unknown switches change nothing.
        {{"install"}, kRunService, 0},
        {{"--install"}, kRunService, 0},
        {{"-"}, kRunService, 0},
        {{""}, kRunService, 0},
        {{"-status", "-bogus", "plain"}, kRunStatus, 0},
        {{"-install", "-status"}, kRunStatus, 0},  // the last switch wins
        // setport takes the next argument as atol reads it, never as a switch.
        {{"/SetPort", "15001"}, kRunSetPort, 15001},
        {{"-setport", "40000abc"}, kRunSetPort, 40000},
        {{"-setport", "-5"}, kRunSetPort, -5},
        {{"-setport", "-install"}, kRunSetPort, 0},
        {{"-status", "-setport"}, kRunSetPort, 0},
        {{"setport", "40000"}, kRunService, 40000},
    };
    for (const Line& line : lines) {
        std::vector<std::string> args{"tarvosserver450"};
        args.insert(args.end(), line.args.begin(), line.args.end());
        CBaseServiceCommandLineInfo info;
        info.RunMode = -1;  // ParseCommandLine must reset it
        long port = -1;
        ParseCommandLine(args, info, port);
        EXPECT_EQ(line.mode, info.RunMode) << testing::PrintToString(line.args);
        EXPECT_EQ(line.port, port) << testing::PrintToString(line.args);
    }
}

}  // namespace
