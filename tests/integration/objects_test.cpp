#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <string>

#include "tests/integration/envelope.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"

namespace {

// Module objects over HTTP against the real service: made, used, released.
class ObjectsTest : public SuiteServer<ObjectsTest> {
  protected:
    static HttpClient client() { return server_->client(); }
    static std::string Path(const std::string& i, const std::string& m) {
        return ServerProcess::Path(i, m);
    }

    // The JSON body of a 200 reply (null when it is something else).
    static web::json::value Ok(const HttpResponse& response) {
        EXPECT_EQ(200, response.status) << response.body;
        if (response.status != 200) return web::json::value::null();
        return web::json::value::parse(response.body);
    }
    static int Handle(const HttpResponse& response, const std::string& key) {
        web::json::value body = Ok(response);
        if (!body.has_integer_field(key)) {
            ADD_FAILURE() << "no " << key << " in " << response.body;
            return 0;
        }
        return body.at(key).as_integer();
    }

    static int NewManager() {
        return Handle(client().Get(Path("ITarvos", "GetCreateTarvos")), "pITarvos");
    }
    static int NewRequest(int manager) {
        return Handle(client().Get(Path("ITarvos", "GetGeneralInvoiceRequest") +
                                   "?pITarvos=" + std::to_string(manager)),
                      "pIGeneralInvoiceRequest");
    }
    static int NewAddress(int request) {
        return Handle(client().Get(Path("IGeneralInvoiceRequest", "GetCreateAddress") +
                                   "?pIGeneralInvoiceRequest=" + std::to_string(request)),
                      "pIAddress");
    }
    static int NewServiceInput(int request) {
        return Handle(
            client().Get(Path("IGeneralInvoiceRequest", "GetCreateServiceExInput") +
                         "?bstrTariffType=001&pIGeneralInvoiceRequest=" + std::to_string(request)),
            "pIServiceExInput");
    }
    static HttpResponse GetModus(int manager, const std::string& method = "GetModus") {
        return client().Get(Path("ITarvos", method) + "?pITarvos=" + std::to_string(manager));
    }
};

TEST_F(ObjectsTest, ManagerRequestAddressAndServiceInputAreMade) {
    int manager = NewManager();
    int request = NewRequest(manager);
    int address = NewAddress(request);
    int input = NewServiceInput(request);
    EXPECT_GE(manager, 1);
    EXPECT_GE(request, 1);
    EXPECT_GE(address, 1);
    EXPECT_GE(input, 1);
    EXPECT_NE(address, request);
    web::json::value type =
        Ok(client().Get(Path("IAddress", "GetType") + "?pIAddress=" + std::to_string(address)));
    EXPECT_TRUE(type.has_integer_field("peAddressType")) << type.serialize();
    web::json::value version = Ok(
        client().Get(Path("ITarvos", "GetModuleVersion") + "?pITarvos=" + std::to_string(manager)));
    EXPECT_FALSE(version.at("pbstrModuleVersion").as_string().empty());
}

TEST_F(ObjectsTest, ModusRoundTripWithMethodNamesInAnyCase) {
    int manager = NewManager();
    EXPECT_EQ(1, Ok(GetModus(manager)).at("peModusType").as_integer());
    HttpResponse put =
        client().PutJson(Path("ITarvos", "PutModus"),
                         "{\"pITarvos\":" + std::to_string(manager) + ",\"eModusType\":2}");
    EXPECT_EQ(200, put.status);
    EXPECT_EQ("null", put.body);
    EXPECT_EQ(2, Ok(GetModus(manager, "getmodus")).at("peModusType").as_integer());
}

TEST_F(ObjectsTest, FactorGivenAsTextIsReadAsANumber) {
    int input = NewServiceInput(NewRequest(NewManager()));
    std::string handle = std::to_string(input);
    HttpResponse put =
        client().PutJson(Path("IServiceExInput", "PutExternalFactor_MT"),
                         "{\"pIServiceExInput\":" + handle + ",\"dExternalFactor_MT\":\"1.25\"}");
    EXPECT_EQ(200, put.status) << put.body;
    web::json::value got = Ok(client().Get(Path("IServiceExInput", "GetExternalFactor_MT") +
                                           "?pIServiceExInput=" + handle));
    EXPECT_DOUBLE_EQ(1.25, got.at("pdExternalFactor_MT").as_double());
}

TEST_F(ObjectsTest, MissingMemberNamesTheKey) {
    int manager = NewManager();
    std::string text = ExpectEnvelope(
        client().PutJson(Path("ITarvos", "PutModus"),
                         "{\"pITarvos\":" + std::to_string(manager) + ",\"eModus\":2}"),
        408);
    EXPECT_EQ(
        "The variable [eModusType] could not be extracted from the JSON of "
        "[ITarvos::PutModus]",
        text);
}

TEST_F(ObjectsTest, DestroyingAManagerReleasesItsGroupButNotTheServiceInputsOwn) {
    int manager = NewManager();
    int request = NewRequest(manager);
    int address = NewAddress(request);
    int input = NewServiceInput(request);
    std::string body = "{\"pITarvos\":" + std::to_string(manager) + "}";
    HttpResponse destroyed = client().PutJson(Path("ITarvos", "PutDestructTarvos"), body);
    EXPECT_EQ(200, destroyed.status);
    EXPECT_EQ("null", destroyed.body);

    ExpectEnvelope(GetModus(manager), 402);
    ExpectEnvelope(
        client().Get(Path("IAddress", "GetType") + "?pIAddress=" + std::to_string(address)), 402);
    ExpectEnvelope(client().Get(Path("IGeneralInvoiceRequest", "GetCreateAddress") +
                                "?pIGeneralInvoiceRequest=" + std::to_string(request)),
                   402);
    EXPECT_EQ(200, client()
                       .Get(Path("IServiceExInput", "GetExternalFactor_MT") +
                            "?pIServiceExInput=" + std::to_string(input))
                       .status)
        << "the service input lives in a group of its own";
    std::string again =
        ExpectEnvelope(client().PutJson(Path("ITarvos", "PutDestructTarvos"), body), 402);
    EXPECT_EQ(
        "The given interface instance [ITarvos::" + std::to_string(manager) + "] does not exist",
        again);
    std::string log = server_->ReadLog();
    EXPECT_NE(std::string::npos, log.find("COMInstanceDel: interface=[ITarvos] address=[" +
                                          std::to_string(manager) + "] location=[destruct]"));
}

TEST_F(ObjectsTest, DestroyingARequestByMemberOnTheManager) {
    int manager = NewManager();
    int request = NewRequest(manager);
    std::string body = "{\"pITarvos\":" + std::to_string(manager) +
                       ",\"pIGeneralInvoiceRequest\":" + std::to_string(request) + "}";
    EXPECT_EQ(200,
              client().PutJson(Path("ITarvos", "PutDestructGeneralInvoiceRequest"), body).status);
    ExpectEnvelope(client().Get(Path("IGeneralInvoiceRequest", "GetCreateAddress") +
                                "?pIGeneralInvoiceRequest=" + std::to_string(request)),
                   402);
    EXPECT_EQ(200, GetModus(manager).status) << "the manager stays";
}

TEST_F(ObjectsTest, EveryGetOnTheResultInterfaceIs403) {
    int manager = NewManager();
    // Any live handle of the group passes the frame's instance check.
    int request = NewRequest(manager);
    for (const char* method : {"GetAbortInfo", "GetInvoice", "GetType", "x"}) {
        std::string text =
            ExpectEnvelope(client().Get(Path("IGeneralInvoiceResult", method) +
                                        "?pIGeneralInvoiceResult=" + std::to_string(request)),
                           403);
        EXPECT_EQ(std::string("The given interface method [IGeneralInvoiceResult::") + method +
                      "] does not exist",
                  text);
    }
}

TEST_F(ObjectsTest, PutOfAReadIs403) {
    int address = NewAddress(NewRequest(NewManager()));
    ExpectEnvelope(client().PutJson(Path("IAddress", "GetType"),
                                    "{\"pIAddress\":" + std::to_string(address) + "}"),
                   403);
}

TEST_F(ObjectsTest, ExceptionOutOfADispatcherIs500AndTheServiceStaysHealthy) {
    int manager = NewManager();
    int request = NewRequest(manager);
    HttpResponse noTariff = client().Get(Path("IGeneralInvoiceRequest", "GetCreateServiceExInput") +
                                         "?pIGeneralInvoiceRequest=" + std::to_string(request));
    EXPECT_EQ(500, noTariff.status);
    EXPECT_EQ("", noTariff.body);
    HttpResponse noMember = client().PutJson(Path("ITarvos", "PutDestructGeneralInvoiceRequest"),
                                             "{\"pITarvos\":" + std::to_string(manager) + "}");
    EXPECT_EQ(500, noMember.status);
    EXPECT_EQ(200, GetModus(manager).status);
    EXPECT_GE(NewServiceInput(request), 1);
}

}  // namespace
