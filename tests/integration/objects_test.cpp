// The GET and PUT operations against the real service: module objects made,
// read, changed and released; the names and replies of what is refused.

#include <gtest/gtest.h>

#include <string>

#include "tests/integration/invoice_over_http.h"
#include "tests/integration/suite_server.h"

namespace {

using namespace invoice_http;

class ObjectsTest : public SuiteServer<ObjectsTest> {
  protected:
    Answer OnManager(const char* method, int manager) {
        return client_.Get(kManager, method, "pITarvos=" + std::to_string(manager));
    }

    Client client_{*server_};
};

TEST_F(ObjectsTest, ReadsAndWritesOfProperties) {
    int manager = client_.Manager();
    int address = client_.Address(client_.Request(manager));
    int input = client_.ServiceInput(client_.Request(manager));
    ASSERT_GT(input, 0);
    EXPECT_EQ(Json(R"({"peAddressType":0})"),
              client_.Get(kAddress, "GetType", "pIAddress=" + std::to_string(address)).body);
    EXPECT_FALSE(
        OnManager("GetModuleVersion", manager).body["pbstrModuleVersion"].as_string().empty());
    EXPECT_EQ(Json(R"({"peModusType":1})"), OnManager("GetModus", manager).body);

    // A write answers null; method names in any case; a number as text.
    const std::string target = R"({"pITarvos":)" + std::to_string(manager);
    EXPECT_EQ("null", client_.Put(kManager, "PutModus", target + R"(,"eModusType":2})").text);
    EXPECT_EQ(Json(R"({"peModusType":2})"), OnManager("getmodus", manager).body);
    EXPECT_EQ("null", client_
                          .Put(kInput, "PutExternalFactor_MT",
                               R"({"pIServiceExInput":)" + std::to_string(input) +
                                   R"(,"dExternalFactor_MT":"1.25"})")
                          .text);
    EXPECT_EQ(
        Json(R"({"pdExternalFactor_MT":1.25})"),
        client_.Get(kInput, "GetExternalFactor_MT", "pIServiceExInput=" + std::to_string(input))
            .body);

    EXPECT_EQ(
        "The variable [eModusType] could not be extracted from the JSON of [ITarvos::PutModus]",
        ExpectEnvelope(client_.Put(kManager, "PutModus", target + R"(,"eModus":2})"), 408));
    // A read is no PUT operation; the result interface has no GET operations.
    ExpectEnvelope(
        client_.Put(kAddress, "GetType", R"({"pIAddress":)" + std::to_string(address) + "}"), 403);
    for (const char* method : {"GetAbortInfo", "GetInvoice", "GetType", "x"}) {
        // Any live handle of the group passes the frame's instance check.
        EXPECT_EQ(std::string("The given interface method [IGeneralInvoiceResult::") + method +
                      "] does not exist",
                  ExpectEnvelope(client_.Get(kResult, method,
                                             "pIGeneralInvoiceResult=" + std::to_string(address)),
                                 403));
    }
}

TEST_F(ObjectsTest, ReleasesTakeTheGroupButNotTheServiceInputsOwn) {
    int manager = client_.Manager();
    int request = client_.Request(manager);
    int address = client_.Address(request);
    int input = client_.ServiceInput(request);
    int other = client_.Request(manager);
    const std::string target = R"({"pITarvos":)" + std::to_string(manager);
    EXPECT_EQ("null",
              client_
                  .Put(kManager, "PutDestructGeneralInvoiceRequest",
                       target + R"(,"pIGeneralInvoiceRequest":)" + std::to_string(other) + "}")
                  .text);
    ExpectEnvelope(client_.Get(kRequest, "GetCreateAddress",
                               "pIGeneralInvoiceRequest=" + std::to_string(other)),
                   402);
    EXPECT_EQ(200, OnManager("GetModus", manager).status) << "the manager stays";

    EXPECT_EQ("null", client_.Put(kManager, "PutDestructTarvos", target + "}").text);
    ExpectEnvelope(OnManager("GetModus", manager), 402);
    ExpectEnvelope(client_.Get(kAddress, "GetType", "pIAddress=" + std::to_string(address)), 402);
    ExpectEnvelope(client_.Get(kRequest, "GetCreateAddress",
                               "pIGeneralInvoiceRequest=" + std::to_string(request)),
                   402);
    EXPECT_EQ(
        200,
        client_.Get(kInput, "GetExternalFactor_MT", "pIServiceExInput=" + std::to_string(input))
            .status)
        << "the service input lives in a group of its own";
    EXPECT_EQ(
        "The given interface instance [ITarvos::" + std::to_string(manager) + "] does not exist",
        ExpectEnvelope(client_.Put(kManager, "PutDestructTarvos", target + "}"), 402));
    EXPECT_NE(std::string::npos,
              server_->ReadLog().find("COMInstanceDel: interface=[ITarvos] address=[" +
                                      std::to_string(manager) + "] location=[destruct]"));
}

// What passes out of a dispatcher is answered 500 without a body; the
// service stays healthy.
TEST_F(ObjectsTest, ExceptionOutOfADispatcherIs500) {
    int manager = client_.Manager();
    int request = client_.Request(manager);
    Answer noTariff = client_.Get(kRequest, "GetCreateServiceExInput",
                                  "pIGeneralInvoiceRequest=" + std::to_string(request));
    EXPECT_EQ(500, noTariff.status);
    EXPECT_EQ("", noTariff.text);
    EXPECT_EQ(500, client_
                       .Put(kManager, "PutDestructGeneralInvoiceRequest",
                            R"({"pITarvos":)" + std::to_string(manager) + "}")
                       .status);
    EXPECT_EQ(200, OnManager("GetModus", manager).status);
    EXPECT_GE(client_.ServiceInput(request), 1);
}

}  // namespace
