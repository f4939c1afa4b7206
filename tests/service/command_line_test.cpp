#include "service/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    int mode;
    long port;
};

// Parses "program <args...>" the way the process does.
Parsed Parse(const std::vector<std::string>& args) {
    std::vector<std::string> line{"tarvosserver450"};
    line.insert(line.end(), args.begin(), args.end());
    CBaseServiceCommandLineInfo info;
    info.RunMode = -1;  // ParseCommandLine must reset it
    long port = -1;
    ParseCommandLine(line, info, port);
    return {info.RunMode, port};
}

int Mode(const std::vector<std::string>& args) {
    return Parse(args).mode;
}

TEST(CommandLineTest, NoArgumentsRunsTheService) {
    Parsed parsed = Parse({});
    EXPECT_EQ(kRunService, parsed.mode);
    EXPECT_EQ(0, parsed.port);
}

TEST(CommandLineTest, SwitchWordsIgnoreCaseAndSwitchCharacter) {
    EXPECT_EQ(kRunInstall, Mode({"-INSTALL"}));
    EXPECT_EQ(kRunInstall, Mode({"/install"}));
    EXPECT_EQ(kRunInstall, Mode({"-Install"}));
    EXPECT_EQ(kRunUninstall, Mode({"-remove"}));
    EXPECT_EQ(kRunUninstall, Mode({"-uninstall"}));
    EXPECT_EQ(kRunUninstall, Mode({"/REMOVE"}));
    EXPECT_EQ(kRunDebug, Mode({"-debug"}));
    EXPECT_EQ(kRunHelp, Mode({"-help"}));
    EXPECT_EQ(kRunHelp, Mode({"-?"}));
    EXPECT_EQ(kRunHelp, Mode({"/?"}));
    EXPECT_EQ(kRunStatus, Mode({"-Status"}));
}

TEST(CommandLineTest, WordsWithoutSwitchCharacterAreNoSwitches) {
    EXPECT_EQ(kRunService, Mode({"install"}));
    EXPECT_EQ(kRunService, Mode({"status"}));
    EXPECT_EQ(kRunService, Mode({"?"}));
}

TEST(CommandLineTest, UnknownSwitchesChangeNothing) {
    EXPECT_EQ(kRunService, Mode({"-start"}));
    EXPECT_EQ(kRunService, Mode({"-"}));
    EXPECT_EQ(kRunService, Mode({""}));
    EXPECT_EQ(kRunService, Mode({"--install"}));
    EXPECT_EQ(kRunStatus, Mode({"-status", "-bogus", "plain"}));
}

TEST(CommandLineTest, LastSwitchWins) {
    EXPECT_EQ(kRunInstall, Mode({"-status", "-install"}));
    EXPECT_EQ(kRunStatus, Mode({"-install", "-status"}));
}

TEST(CommandLineTest, SetportTakesTheNextArgument) {
    Parsed parsed = Parse({"-setport", "40000"});
    EXPECT_EQ(kRunSetPort, parsed.mode);
    EXPECT_EQ(40000, parsed.port);

    parsed = Parse({"/SetPort", "15001"});
    EXPECT_EQ(kRunSetPort, parsed.mode);
    EXPECT_EQ(15001, parsed.port);
}

TEST(CommandLineTest, SetportWithoutDashGivesThePortButNoMode) {
    Parsed parsed = Parse({"setport", "40000"});
    EXPECT_EQ(kRunService, parsed.mode);
    EXPECT_EQ(40000, parsed.port);
}

TEST(CommandLineTest, ThePortIsNotReadAsASwitch) {
    // The argument after setport is skipped, even when it looks like a switch.
    Parsed parsed = Parse({"-setport", "-install"});
    EXPECT_EQ(kRunSetPort, parsed.mode);
    EXPECT_EQ(0, parsed.port);
}

TEST(CommandLineTest, PortFollowsAtolRules) {
    EXPECT_EQ(40000, Parse({"-setport", "40000abc"}).port);
    EXPECT_EQ(0, Parse({"-setport", "abc"}).port);
    EXPECT_EQ(-5, Parse({"-setport", "-5"}).port);
}

TEST(CommandLineTest, SetportAsLastArgumentGivesPortZero) {
    Parsed parsed = Parse({"-setport"});
    EXPECT_EQ(kRunSetPort, parsed.mode);
    EXPECT_EQ(0, parsed.port);

    parsed = Parse({"-status", "-setport"});
    EXPECT_EQ(kRunSetPort, parsed.mode);
    EXPECT_EQ(0, parsed.port);
}

TEST(CommandLineTest, ParseParamSeesTheLastFlag) {
    struct Recorder : CBaseServiceCommandLineInfo {
        void ParseParam(const std::string& text, bool isSwitch, bool isLast) override {
            seen.push_back(text + (isSwitch ? "/switch" : "") + (isLast ? "/last" : ""));
            CBaseServiceCommandLineInfo::ParseParam(text, isSwitch, isLast);
        }
        std::vector<std::string> seen;
    };
    Recorder info;
    long port = 0;
    ParseCommandLine({"program", "-status", "plain", "/help"}, info, port);
    EXPECT_EQ((std::vector<std::string>{"status/switch", "plain", "help/switch/last"}), info.seen);
    EXPECT_EQ(kRunHelp, info.RunMode);
}

}  // namespace
