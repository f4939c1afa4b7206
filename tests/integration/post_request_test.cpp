// The POST operations of IGeneralInvoiceRequest over HTTP against the real
// service: the sample invoice built call by call, members read by their
// type letters, handle members, missing members and bad target handles.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"

namespace {

using invoice_http::Answer;
using invoice_http::Handle;
using invoice_http::kRequest;
using invoice_http::Object;
using invoice_http::Text;

constexpr int kInvalidArg = static_cast<int>(0x80070057);  // the module's E_INVALIDARG

class PostRequestTest : public SuiteServer<PostRequestTest> {
  protected:
    void SetUp() override {
        SuiteServer::SetUp();
        manager_ = client_.Manager();
        ASSERT_GT(manager_, 0);
        request_ = client_.Request(manager_);
        ASSERT_GT(request_, 0);
    }

    Answer Post(const std::string& method, web::json::value args = web::json::value::object()) {
        return client_.Post(kRequest, method, request_, std::move(args));
    }

    invoice_http::Client client_{*server_};
    int manager_ = 0;
    int request_ = 0;
};

TEST_F(PostRequestTest, SampleInvoiceIsBuiltAndFinalized) {
    invoice_http::SampleBuilder build(client_, request_);
    build.SetSections();
    build.AddServices();
    Answer finalized = Post("Finalize");
    ASSERT_EQ(200, finalized.status) << finalized.text;
    ASSERT_TRUE(finalized.body.is_object());
    EXPECT_EQ(2u, finalized.body.size()) << finalized.text;
    EXPECT_TRUE(finalized.body.at("pdRoundDifference").is_number()) << finalized.text;
    EXPECT_NEAR(0.0, finalized.body.at("pdRoundDifference").as_double(), 0.025);
    EXPECT_TRUE(finalized.body.at("pbStatus").as_bool());
}

TEST_F(PostRequestTest, MethodNamesIgnoreCase) {
    Answer answer = Post("iNITIALIZE", Object({{"eDataLanguage", Handle(1)}}));
    EXPECT_EQ(200, answer.status) << answer.text;
    EXPECT_EQ("{\"pbStatus\":true}", answer.text);
}

TEST_F(PostRequestTest, ModuleRefusalIsTheAbortReplyWithTheModulesText) {
    ASSERT_EQ(200, Post("Initialize", Object({{"eDataLanguage", Handle(1)}})).status);
    // A GLN whose check digit is wrong.
    Answer refused = Post("SetInsurance",
                          Object({{"bstrEAN", Text("7601000000003")}, {"pIAddress", Handle(0)}}));
    std::string text = ExpectEnvelope(HttpResponse{refused.status, {}, refused.text}, kInvalidArg);
    EXPECT_NE(std::string::npos, text.find("bstrEAN")) << text;

    // The abort information of the request tells the same.
    Answer info = Post("GetAbortInfo");
    ASSERT_EQ(200, info.status) << info.text;
    EXPECT_EQ(text, info.body.at("pbstrAbort").as_string());
    EXPECT_TRUE(info.body.at("pbStatus").is_boolean());
}

TEST_F(PostRequestTest, AddressHandleZeroPassesNoAddress) {
    ASSERT_EQ(200, Post("Initialize", Object({{"eDataLanguage", Handle(1)}})).status);
    // The module is called, without an address, and answers for itself.
    Answer answer = Post("SetPatient", Object({{"eSexType", Handle(2)},
                                               {"dBirthdate", Text("1957-04-14")},
                                               {"bstrSSN", Text("")},
                                               {"pIAddress", Handle(0)}}));
    EXPECT_EQ(200, answer.status) << answer.text;
    EXPECT_EQ("{\"pbStatus\":true}", answer.text);

    // An address handle that names nothing counts as none as well.
    Answer unknown = Post("SetGuarantor", Object({{"pIAddress", Handle(987654)}}));
    EXPECT_EQ(200, unknown.status) << unknown.text;
}

TEST_F(PostRequestTest, AddressHandlesOfSetEsrQRAreReadIndependently) {
    ASSERT_EQ(200, Post("Initialize", Object({{"eDataLanguage", Handle(1)}})).status);
    invoice_http::SampleBuilder build(client_, request_);
    int creditor = build.Person("Mandant.tarmed", "Mandant.tarmed");
    Answer answer =
        Post("SetEsrQR", Object({{"eEsrType", Handle(4)},
                                 {"bstrIBAN", Text(invoice_http::kQrIban)},
                                 {"bstrReferenceNumber", Text(invoice_http::kQrReference)},
                                 {"bstrCustomerNote", Text("")},
                                 {"pIBankAddress", Handle(0)},
                                 {"pICreditorAddress", Handle(creditor)},
                                 {"lPaymentPeriod", Handle(30)}}));
    EXPECT_EQ(200, answer.status) << answer.text;
    EXPECT_TRUE(answer.body.at("pbStatus").as_bool());
}

// Each operation with its members, the first one named by error 408 when
// the body holds nothing but the target.
struct Operation {
    const char* method;
    const char* firstKey;  // nullptr: the operation reads no member
};

const std::vector<Operation>& RequestOperations() {
    static const std::vector<Operation> operations = {
        {"Initialize", "eDataLanguage"},
        {"SetRequest", "eRoleType"},
        {"SetProcessing", "ePrintAtIntermediate"},
        {"SetTransport", "bstrFromEAN"},
        {"SetPackage", "bstrSoftwarePackage"},
        {"SetCredit", "bstrRequestCreditID"},
        {"SetInvoice", "bstrRequestInvoiceID"},
        {"SetReminder", "bstrRequestReminderID"},
        {"SetTiers", "eTiersMode"},
        {"SetEsr", "eEsrType"},
        {"SetEsrRed", "bstrPostAccount"},
        {"SetEsrQR", "eEsrType"},
        {"SetEsrRedQR", "bstrIBAN"},
        {"SetBiller", "bstrEAN"},
        {"SetProvider", "bstrEAN"},
        {"SetInsurance", "bstrEAN"},
        {"SetPatient", "eSexType"},
        {"SetInsured", "eSexType"},
        {"SetGuarantor", "pIAddress"},
        {"SetDebitor", "bstrEAN"},
        {"SetReferrer", "bstrEAN"},
        {"SetEmployer", "bstrEAN"},
        {"SetTreatment", "bstrAPID"},
        {"SetXtraHospital", "eTreatmentType"},
        {"SetLaw", "eLawType"},
        {"SetCard", "bstrCardID"},
        {"GetAbortInfo", nullptr},
        {"AddGrouperRecord", "eGrouperRecordType"},
        {"AddBfSRecord", "eBfSRecordType"},
        {"AddCaseDetail", "bstrTariffType"},
        {"AddDiagnosis", "eDiagnosisType"},
        {"AddInstruction", "bstrToken"},
        {"AddDocument", "eIsURL"},
        {"AddServiceEx", "pIServiceExInput"},
        {"AddService", "bstrTariffType"},
        {"SetXtraDrug", "lID"},
        {"SetXtraDRG", "lID"},
        {"Finalize", nullptr},
    };
    return operations;
}

TEST_F(PostRequestTest, EmptyBodiesNameTheFirstMissingMember) {
    for (const Operation& operation : RequestOperations()) {
        SCOPED_TRACE(operation.method);
        Answer answer = Post(operation.method);
        if (operation.firstKey == nullptr) {
            // Called; the module answers (the empty request cannot be
            // finalized), never an error of the service.
            ASSERT_TRUE(answer.body.is_object()) << answer.text;
            if (answer.status == 400) {
                int code = answer.body.at("abortCode").as_integer();
                EXPECT_TRUE(code < 0) << answer.text;
            } else {
                EXPECT_EQ(200, answer.status) << answer.text;
            }
            continue;
        }
        std::string text = ExpectEnvelope(HttpResponse{answer.status, {}, answer.text}, 408);
        EXPECT_EQ(std::string("The variable [") + operation.firstKey +
                      "] could not be extracted from the JSON of [IGeneralInvoiceRequest::" +
                      operation.method + "]",
                  text);
    }
}

TEST_F(PostRequestTest, MissingLastMemberCallsNothing) {
    ASSERT_EQ(200, Post("Initialize", Object({{"eDataLanguage", Handle(1)}})).status);
    int input = client_.ServiceInput(request_, "001");
    web::json::value consultation = invoice_http::Consultation(input);
    consultation.erase("lServiceAttributes");
    Answer answer = Post("AddServiceEx", consultation);
    EXPECT_EQ(
        "The variable [lServiceAttributes] could not be extracted from the JSON of "
        "[IGeneralInvoiceRequest::AddServiceEx]",
        ExpectEnvelope(HttpResponse{answer.status, {}, answer.text}, 408));

    // Nothing was added: the next article is record 1.
    Answer added =
        Post("AddService", invoice_http::Article("GA", "Gutachten A", 1.0, 2700.0, 2700.0, 8.0));
    ASSERT_EQ(200, added.status) << added.text;
    EXPECT_EQ(1, added.body.at("plID").as_integer());
}

TEST_F(PostRequestTest, NumbersGivenAsTextOrBooleans) {
    // Integers may come as decimal text or booleans, reals as text.
    ASSERT_EQ(200, Post("Initialize", Object({{"eDataLanguage", Text("1")}})).status);
    Answer tiers = Post("SetTiers", Object({{"eTiersMode", Text("1")},
                                            {"bstrVatNumber", Text("")},
                                            {"dAmountPrepaid", Text("12.5")}}));
    EXPECT_EQ(200, tiers.status) << tiers.text;
    Answer text = Post("SetTiers", Object({{"eTiersMode", Text("one")},
                                           {"bstrVatNumber", Text("")},
                                           {"dAmountPrepaid", Text("0")}}));
    ExpectEnvelope(HttpResponse{text.status, {}, text.text}, 0);
}

TEST_F(PostRequestTest, TargetsThatAreNoLiveRequestAreRefused) {
    int address = client_.Address(request_);
    ASSERT_GT(address, 0);
    const std::string init = "\"eDataLanguage\":1";
    // Another interface's handle, negative, beyond 32 bits, garbage text.
    for (const std::string& handle :
         {std::to_string(address), std::string("-5"), std::string("99999999999"),
          std::string("\"x1!\""), std::string("0"), std::string("\"\"")}) {
        SCOPED_TRACE(handle);
        Answer answer = client_.Post(kRequest, "Initialize",
                                     "{\"pIGeneralInvoiceRequest\":" + handle + "," + init + "}");
        EXPECT_EQ(400, answer.status) << answer.text;
        ASSERT_TRUE(answer.body.is_object()) << answer.text;
        EXPECT_EQ(2u, answer.body.size()) << answer.text;
        int code = answer.body.at("abortCode").as_integer();
        // 402/410 from the frame; 407 when the handle is live but no request.
        EXPECT_TRUE(code == 402 || code == 407 || code == 410) << answer.text;
    }

    // A released request.
    Answer released =
        client_.Post(kRequest, "Initialize", request_, Object({{"eDataLanguage", Handle(1)}}));
    ASSERT_EQ(200, released.status);
    HttpResponse destruct =
        server_->client().PutJson(ServerProcess::Path("ITarvos", "PutDestructTarvos"),
                                  "{\"pITarvos\":" + std::to_string(manager_) + "}");
    ASSERT_EQ(200, destruct.status) << destruct.body;
    Answer gone = Post("Initialize", Object({{"eDataLanguage", Handle(1)}}));
    ExpectEnvelope(HttpResponse{gone.status, {}, gone.text}, 402);
}

}  // namespace
