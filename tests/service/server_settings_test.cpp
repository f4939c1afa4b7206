#include "service/server_settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/ini_file.h"
#include "tests/engine/temp_folder.h"

namespace {

class ServerSettingsTest : public ::testing::Test {
  protected:
    void WriteIni(const std::string& text) {
        std::ofstream(folder_.Path() + "TarvosServer450.ini") << "[Settings]\n" << text << "\n";
    }
    std::string Read(const std::string& key) {
        return platform::GetProfileString(settings_.iniPath(), "Settings", key, "<missing>");
    }

    TempFolder folder_;
    CServerSettings settings_{folder_.Path()};
};

TEST_F(ServerSettingsTest, ValuesAreReadWithTheirLimits) {
    // Key, value in the file (none for nullptr), what the getter gives, what
    // the file holds then: the defaults the service relies on are written.
    const char* const cases[][4] = {
        {"Interface_Max_Inactivity_Sec", nullptr, "3600", "3600"},
        {"logLevel", nullptr, "1", "1"},
        {"Endpoint", nullptr, "http://localhost:35340/tarvosServer450",
         "http://localhost:35340/tarvosServer450"},
        {"WorkerThreads", nullptr, "32", nullptr},
        {"MaxBodyBytes", nullptr, "104857600", nullptr},
        {"Interface_Max_Inactivity_Sec", "300", "300", "300"},
        {"Interface_Max_Inactivity_Sec", "-5", "300", "-5"},
        {"Interface_Max_Inactivity_Sec", "-10", "3600", "3600"},  // -10 stands for missing
        {"logLevel", "-1", "1", "1"},                             // -1 never survives a read
        {"WorkerThreads", "1000", "256", "1000"},
        {"Endpoint", "http://localhost:40000/svc///   ", "http://localhost:40000/svc", nullptr},
    };
    for (const auto& c : cases) {
        std::string line = c[1] != nullptr ? std::string(c[0]) + "=" + c[1] : "";
        SCOPED_TRACE(c[0] + (" " + line));
        WriteIni(line);
        std::string key = c[0];
        std::string got = key == "Endpoint"        ? settings_.GetEndpoint()
                          : key == "logLevel"      ? std::to_string(settings_.GetLogLevel())
                          : key == "WorkerThreads" ? std::to_string(settings_.GetWorkerThreads())
                          : key == "MaxBodyBytes"  ? std::to_string(settings_.GetMaxBodyBytes())
                                                  : std::to_string(settings_.GetMaxInactivitySec());
        EXPECT_EQ(c[2], got);
        if (c[3] != nullptr) {
            EXPECT_EQ(c[3], Read(c[0])) << "the file";
        }
    }
}

// At the ends of the range and one past; the same port is no change.
TEST_F(ServerSettingsTest, SetPortAcceptsOnlyItsRangeAndWritesLocalhost) {
    std::string changed;
    for (long port : {15000, 65500, 65499, 65499}) changed += settings_.SetPort(port) ? "1" : "0";
    EXPECT_EQ("0010", changed);
    WriteIni("Endpoint=http://myhost.example:40000/a/b");
    EXPECT_TRUE(settings_.SetPort(15001));
    EXPECT_EQ("http://localhost:15001/a/b", settings_.GetEndpoint());
}

}  // namespace
