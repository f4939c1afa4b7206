#include "service/server_settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/ini_file.h"
#include "tests/engine/temp_folder.h"

namespace {

class ServerSettingsTest : public ::testing::Test {
  protected:
    void WriteIni(const std::string& text) {
        std::ofstream out(folder_.Path() + "TarvosServer450.ini");
        out << text;
    }
    std::string Read(const std::string& key) {
        return platform::GetProfileString(settings_.iniPath(), "Settings", key, "<missing>");
    }

    TempFolder folder_;
    CServerSettings settings_{folder_.Path()};
};

TEST_F(ServerSettingsTest, PathsAreBesideTheExecutableFolder) {
    settings_.ComputePaths();
    EXPECT_EQ(folder_.Path() + "TarvosServer450.ini", settings_.iniPath());
    EXPECT_EQ(folder_.Path() + "TarvosServer450.log.txt", settings_.logPath());
}

TEST_F(ServerSettingsTest, FirstRunWritesTheDefaults) {
    EXPECT_EQ(1, settings_.GetLogLevel());
    EXPECT_EQ("1", Read("logLevel"));
    EXPECT_EQ("http://localhost:35340/tarvosServer450", settings_.GetEndpoint());
    EXPECT_EQ("http://localhost:35340/tarvosServer450", Read("Endpoint"));
    EXPECT_EQ(3600, settings_.GetMaxInactivitySec());
    EXPECT_EQ("3600", Read("Interface_Max_Inactivity_Sec"));
    EXPECT_EQ(0u, settings_.GetProcStartTime());
    EXPECT_FALSE(settings_.IsInstalled());
    EXPECT_EQ("<missing>", Read("isInstalled"));
}

TEST_F(ServerSettingsTest, EndpointLosesTrailingBlanksAndSlashes) {
    WriteIni("[Settings]\nEndpoint=http://localhost:40000/svc///   \n");
    EXPECT_EQ("http://localhost:40000/svc", settings_.GetEndpoint());
}

TEST_F(ServerSettingsTest, InactivityLimitHasAFloorOf300) {
    const std::pair<const char*, int> cases[] = {{"10", 300},  {"-5", 300},  {"299", 300},
                                                 {"300", 300}, {"301", 301}, {"7200", 7200}};
    for (const auto& c : cases) {
        WriteIni(std::string("[Settings]\nInterface_Max_Inactivity_Sec=") + c.first + "\n");
        EXPECT_EQ(c.second, settings_.GetMaxInactivitySec()) << c.first;
        EXPECT_EQ(c.first, Read("Interface_Max_Inactivity_Sec")) << "never written back";
    }
    WriteIni("[Settings]\nInterface_Max_Inactivity_Sec=-10\n");
    EXPECT_EQ(3600, settings_.GetMaxInactivitySec());
    EXPECT_EQ("3600", Read("Interface_Max_Inactivity_Sec"));
}

TEST_F(ServerSettingsTest, LogLevelMinusOneNeverSurvivesARead) {
    WriteIni("[Settings]\nlogLevel=-1\n");
    EXPECT_EQ(1, settings_.GetLogLevel());
    EXPECT_EQ("1", Read("logLevel"));
    WriteIni("[Settings]\nlogLevel=2\n");
    EXPECT_EQ(2, settings_.GetLogLevel());
}

TEST_F(ServerSettingsTest, InstalledOnlyAboveZero) {
    WriteIni("[Settings]\nisInstalled=0\n");
    EXPECT_FALSE(settings_.IsInstalled());
    settings_.SetInstalled(true);
    EXPECT_TRUE(settings_.IsInstalled());
    EXPECT_EQ("1", Read("isInstalled"));
}

TEST_F(ServerSettingsTest, ProcStartTimeRoundTrip) {
    settings_.SetProcStartTime(4000000000u);
    EXPECT_EQ(4000000000u, settings_.GetProcStartTime());
    settings_.SetProcStartTime(0);
    EXPECT_EQ("0", Read("ProcStartTime"));
}

TEST_F(ServerSettingsTest, SetPortAcceptsOnlyItsRange) {
    EXPECT_FALSE(settings_.SetPort(15000));
    EXPECT_FALSE(settings_.SetPort(65500));
    EXPECT_EQ("http://localhost:35340/tarvosServer450", settings_.GetEndpoint());
    EXPECT_TRUE(settings_.SetPort(15001));
    EXPECT_EQ("http://localhost:15001/tarvosServer450", settings_.GetEndpoint());
    EXPECT_TRUE(settings_.SetPort(65499));
    EXPECT_EQ("http://localhost:65499/tarvosServer450", settings_.GetEndpoint());
    EXPECT_FALSE(settings_.SetPort(65499)) << "the same port is no change";
}

TEST_F(ServerSettingsTest, SetPortRewritesTheHostToLocalhost) {
    WriteIni("[Settings]\nEndpoint=http://myhost.example:40000/a/b\n");
    EXPECT_TRUE(settings_.SetPort(40001));
    EXPECT_EQ("http://localhost:40001/a/b", settings_.GetEndpoint());
}

TEST_F(ServerSettingsTest, CheckInstalledAcceptsTheInstallSwitch) {
    EXPECT_TRUE(settings_.CheckInstalled("tarvosserver450 -install"));
    EXPECT_TRUE(settings_.CheckInstalled("tarvosserver450   -Install  "));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(settings_.CheckInstalled("tarvosserver450 -debug"));
    std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos,
              shown.find("RestWebservice <zidavurAzivaziRezadad450.exe> is not yet installed!"));
    settings_.SetInstalled(true);
    EXPECT_TRUE(settings_.CheckInstalled("tarvosserver450 -debug"));
}

TEST_F(ServerSettingsTest, LimitsOfOurOwn) {
    EXPECT_EQ(100LL * 1024 * 1024, settings_.GetMaxBodyBytes());
    EXPECT_EQ(32, settings_.GetWorkerThreads());
    WriteIni("[Settings]\nMaxBodyBytes=5000\nWorkerThreads=1000\n");
    EXPECT_EQ(5000, settings_.GetMaxBodyBytes());
    EXPECT_EQ(256, settings_.GetWorkerThreads());
}

}  // namespace
