#include "service/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct Lines {
    int mode;
    long port;
    std::vector<Args> lines;  // each gets `mode` and `port`
};

TEST(CommandLineTest, SwitchesAndThePortOfSetport) {
    const Lines cases[] = {
        // Switch words ignore case and the switch character; words without a
        // switch character and unknown switches change nothing.
        {kRunService, 0, {{}, {"install"}, {"--install"}, {""}}},
        {kRunInstall, 0, {{"-INSTALL"}}},
        {kRunUninstall, 0, {{"/REMOVE"}, {"-uninstall"}}},
        {kRunDebug, 0, {{"-debug"}}},
        {kRunHelp, 0, {{"-help"}, {"/?"}}},
        // The last switch wins.
        {kRunStatus, 0, {{"-status", "-bogus", "plain"}, {"-install", "-status"}}},
        // setport takes the next argument as atol reads it, never as a switch.
        {kRunSetPort, 15001, {{"/SetPort", "15001"}}},
        {kRunSetPort, 40000, {{"-setport", "40000abc"}}},
        {kRunSetPort, 0, {{"-setport", "-install"}, {"-status", "-setport"}}},
        {kRunService, 40000, {{"setport", "40000"}}},
    };
    for (const Lines& c : cases) {
        for (const Args& line : c.lines) {
            Args args{"tarvosserver450"};
            args.insert(args.end(), line.begin(), line.end());
            CBaseServiceCommandLineInfo info;
            info.RunMode = -1;  // ParseCommandLine must reset it
            long port = -1;
            ParseCommandLine(args, info, port);
            EXPECT_EQ(c.mode, info.RunMode) << testing::PrintToString(line);
            EXPECT_EQ(c.port, port) << testing::PrintToString(line);
        }
    }
}

}  // namespace
