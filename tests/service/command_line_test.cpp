#include "service/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The run mode and port of each command line (the switch words that the
// integration tests give the executable: -?, -status, -install, /uninstall,
// -remove, -setport). Switch words ignore case and the switch
// character; words without a switch character and unknown switches change
// nothing; the last switch wins; setport takes the next argument as atol
// reads it, never as a switch.
TEST(CommandLineTest, SwitchesAndThePortOfSetport) {
    const std::pair<std::vector<std::string>, const char*> lines[] = {
        {{"install"}, "0 0"},
        {{"-INSTALL"}, "1 0"},
        {{"/REMOVE"}, "2 0"},
        {{"-debug"}, "3 0"},
        {{"-status", "-bogus", "plain"}, "5 0"},
        {{"-setport", "40000abc"}, "6 40000"},
        {{"-setport", "-install"}, "6 0"},
    };
    for (const auto& line : lines) {
        std::vector<std::string> args{"tarvosserver450"};
        args.insert(args.end(), line.first.begin(), line.first.end());
        CBaseServiceCommandLineInfo info;
        info.RunMode = -1;  // ParseCommandLine must reset it
        long port = -1;
        ParseCommandLine(args, info, port);
        EXPECT_EQ(line.second, std::to_string(info.RunMode) + " " + std::to_string(port))
            << testing::PrintToString(line.first);
    }
}

}  // namespace
