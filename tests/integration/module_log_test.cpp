#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <string>

#include "tests/integration/envelope.h"
#include "tests/integration/server_process.h"

namespace {

int CreateManager(const HttpClient& client) {
    HttpResponse created = client.Get(ServerProcess::Path("ITarvos", "GetCreateTarvos"));
    EXPECT_EQ(200, created.status) << created.body;
    return web::json::value::parse(created.body).at("pITarvos").as_integer();
}

TEST(ModuleLogOverHttpTest, RequestsLeaveEntryLines) {
    ServerProcess server;
    ASSERT_TRUE(server.Start());
    HttpClient client = server.client();
    int manager = CreateManager(client);
    std::string handle = std::to_string(manager);
    HttpResponse modus =
        client.Get(ServerProcess::Path("ITarvos", "GetModus") + "?pITarvos=" + handle);
    EXPECT_EQ(200, modus.status) << modus.body;
    ExpectEnvelope(client.Get(ServerProcess::Path("IAddress", "GetType") + "?pIAddress=5"), 402);
    ASSERT_EQ(0, server.Stop());

    std::string log = server.ReadLog();
    EXPECT_NE(std::string::npos,
              log.find("status=\"0\" method=\"handle_get\" argv1=\"ITarvos\" "
                       "argv2=\"GetCreateTarvos\" argv3=\"{}\" argv4=\"0\" argn=\"4\"/>"))
        << log;
    EXPECT_NE(std::string::npos,
              log.find("status=\"0\" method=\"handle_get\" argv1=\"ITarvos\" argv2=\"GetModus\" "
                       "argv3=\"{'pITarvos':'" +
                       handle + "'}\" argv4=\"" + handle + "\" argn=\"4\"/>"))
        << log;
    EXPECT_NE(std::string::npos,
              log.find("<!-- handle_get01:{'abortCode':402,'pbstrAbort':'The given interface "
                       "instance [IAddress::5] does not exist'} "))
        << log;
    EXPECT_NE(std::string::npos, log.find("<!-- start session "));
    EXPECT_NE(std::string::npos, log.find("<!-- End listening on endpoint <"));
}

TEST(ModuleLogOverHttpTest, PasswordsNeverReachTheLog) {
    ServerProcess server;
    ASSERT_TRUE(server.Start());
    HttpClient client = server.client();
    int manager = CreateManager(client);
    const std::string secret = "Geheim-4711";
    client.PutJson(ServerProcess::Path("ITarvos", "PutModus"),
                   "{\"pITarvos\":" + std::to_string(manager) +
                       ",\"eModusType\":1,\"bstrFromPFXPassword\":\"" + secret + "\"}");
    client.PostJson(ServerProcess::Path("ITarvos", "SetLogo"),
                    "[{\"bstrFromPFXPassword\":\"" + secret + "\"}]");
    client.PostJson(ServerProcess::Path("IGeneralInvoiceRequest", "SetTransport"),
                    "{\"pIGeneralInvoiceRequest\":99,\"bstrFromPFXPassword\":\"" + secret + "\"}");
    ASSERT_EQ(0, server.Stop());
    std::string log = server.ReadLog();
    EXPECT_EQ(std::string::npos, log.find(secret)) << log;
    EXPECT_NE(std::string::npos, log.find("'bstrFromPFXPassword':'***'")) << log;
}

TEST(ModuleLogOverHttpTest, LevelZeroWritesNoEntries) {
    ServerProcess server({"logLevel=0"});
    ASSERT_TRUE(server.Start());
    CreateManager(server.client());
    ExpectEnvelope(server.client().Get(ServerProcess::Path("IAddress", "GetType") + "?addr=5"),
                   402);
    ASSERT_EQ(0, server.Stop());
    std::string log = server.ReadLog();
    EXPECT_EQ(std::string::npos, log.find(":entry ")) << log;
    EXPECT_EQ(std::string::npos, log.find("start session")) << log;
    EXPECT_NE(std::string::npos, log.find("handle_get01:")) << log;
}

}  // namespace
