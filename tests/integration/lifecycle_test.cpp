#include <gtest/gtest.h>

#include <string>

#include "platform/ini_file.h"
#include "tests/integration/envelope.h"
#include "tests/integration/server_process.h"

namespace {

std::string Setting(const ServerProcess& server, const std::string& key) {
    return platform::GetProfileString(server.IniPath(), "Settings", key, "<missing>");
}

TEST(LifecycleTest, ForegroundRunStartsAndStopsInOrder) {
    ServerProcess server;
    ASSERT_TRUE(server.Start());
    EXPECT_NE("0", Setting(server, "ProcStartTime"));
    EXPECT_EQ("1", Setting(server, "logLevel"));
    EXPECT_EQ("3600", Setting(server, "Interface_Max_Inactivity_Sec"));
    EXPECT_EQ(0, server.Stop());
    EXPECT_EQ("0", Setting(server, "ProcStartTime"));
    std::string log = server.ReadLog();
    std::string endpoint = "http://localhost:" + std::to_string(server.port()) + "/tarvosServer450";
    size_t start = log.find("<!-- start session ");
    size_t listening = log.find("<!-- Start listening on endpoint <" + endpoint + ">... ");
    size_t end = log.find("<!-- End listening on endpoint <" + endpoint + ">... ");
    EXPECT_NE(std::string::npos, start) << log;
    EXPECT_LT(start, listening);
    EXPECT_LT(listening, end);
    EXPECT_NE(std::string::npos, server.Output().find("start listening on [GET],[PUT],[POST]"));
}

TEST(LifecycleTest, PortInUseEndsWithAClearMessage) {
    ServerProcess first;
    ASSERT_TRUE(first.Start());
    ServerProcess second;
    // Point the second service at the first one's port.
    platform::WriteProfileString(
        second.IniPath(), "Settings", "Endpoint",
        "http://localhost:" + std::to_string(first.port()) + "/tarvosServer450");
    std::string output;
    int code = second.RunToEnd({"-debug"}, &output);
    EXPECT_NE(0, code);
    EXPECT_NE(std::string::npos, output.find("Cannot listen on endpoint")) << output;
    EXPECT_EQ("0", Setting(second, "ProcStartTime"));
    EXPECT_TRUE(first.Running());
}

TEST(LifecycleTest, NotInstalledRefusesToRun) {
    ServerProcess server;
    platform::WriteProfileString(server.IniPath(), "Settings", "isInstalled", "0");
    std::string output;
    EXPECT_NE(0, server.RunToEnd({"-debug"}, &output));
    EXPECT_NE(std::string::npos,
              output.find("RestWebservice <zidavurAzivaziRezadad450.exe> is not yet installed!\n\n"
                          "Install the Restserver with Admin Priviledges by the command\n"
                          "\tzidavurAzivaziRezadad450.exe -install\n"))
        << output;
}

TEST(LifecycleTest, TrailingSlashesOfTheEndpointAreIgnored) {
    ServerProcess server;
    platform::WriteProfileString(
        server.IniPath(), "Settings", "Endpoint",
        "http://localhost:" + std::to_string(server.port()) + "/tarvosServer450//  ");
    ASSERT_TRUE(server.Start());
    ExpectEnvelope(server.client().Get("/tarvosServer450/ITarvos/GetModus?pITarvos=1"), 402);
}

}  // namespace
