// The executable run in the foreground: start and stop in order, the module
// log entry of each call, and the runs that must not start (on a port in
// use, not installed).

#include <gtest/gtest.h>

#include <string>

#include "tests/integration/invoice_over_http.h"

namespace {

using namespace invoice_http;

TEST(LifecycleTest, ForegroundRunLogsEachCall) {
    ServerProcess server;
    ASSERT_TRUE(server.Start());
    Client client(server);
    std::string manager = std::to_string(client.Manager());
    EXPECT_EQ(200, client.Get(kManager, "GetModus", "pITarvos=" + manager).status);
    ExpectEnvelope(client.Get(kAddress, "GetType", "pIAddress=5"), 402);
    {
        // A second run on the same port ends with a clear message.
        ServerProcess second;
        second.SetSetting("Endpoint", server.Endpoint());
        std::string output;
        EXPECT_NE(0, second.RunToEnd({"-debug"}, &output));
        EXPECT_TRUE(Contains(output, "Cannot listen on endpoint")) << output;
        EXPECT_EQ("0", second.Setting("ProcStartTime"));
        EXPECT_TRUE(server.Running());
    }
    EXPECT_EQ(0, server.Stop());
    EXPECT_TRUE(Contains(server.Output(), "start listening on [GET],[PUT],[POST]"));

    std::string log = server.ReadLog();
    // Each call's entry (what the log leaves out of them, and its session lines:
    // the service and module log tests).
    const std::string entries[] = {
        "status=\"0\" method=\"handle_get\" argv1=\"ITarvos\" argv2=\"GetModus\" "
        "argv3=\"{'pITarvos':'" +
            manager + "'}\" argv4=\"" + manager + "\" argn=\"4\"/>",
        "<!-- handle_get01:{'abortCode':402,'pbstrAbort':'The given interface instance "
        "[IAddress::5] does not exist'} "};
    for (const std::string& entry : entries)
        EXPECT_TRUE(Contains(log, entry)) << entry << "\n" << log;
}

TEST(LifecycleTest, NotInstalledRefusesToRun) {
    ServerProcess server;
    server.SetSetting("isInstalled", "0");
    std::string output;
    EXPECT_NE(0, server.RunToEnd({"-debug"}, &output));
    EXPECT_TRUE(Contains(output, "<zidavurAzivaziRezadad450.exe> is not yet installed!")) << output;
}

}  // namespace
