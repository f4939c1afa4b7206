// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/operation_table.h"
#include "endpoint/endpoint_handler.h"
#include "tests/engine/temp_folder.h"

namespace {

using web::json::value;

ComPtr<ITarvos> NewManager() {
    ComPtr<ITarvos> manager;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                     reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf())));
    return manager;
}

// A dispatcher over rows of the test's own, whose module calls answer
// `result_` (and hand out `request_`), on a handler whose tables hold a
// registered manager, the target of every call.
class OperationTableTest : public ::testing::Test {
  protected:
    OperationTableTest()
        : handler_("http://127.0.0.1:1/ops", folder_.Path() + "none.ini", Options()),
          table_(handler_, Rows()) {
        manager_ = handler_.Tables().Add(NewManager());
        handler_.Registry().Register("ITarvos", 0, manager_);
    }
    static HandlerOptions Options() {
        HandlerOptions options;
        options.workerThreads = 1;
        return options;
    }
    std::vector<Operation> Rows() {
        auto echo = [this](Invocation& call) {
            call.abortText = [] { return std::string("modus refused"); };
            call.args.I(1) = call.args.I(0);
            return result_;
        };
        auto create = [this](Invocation& call) {
            request_.CopyTo(call.args.NewObject<IGeneralInvoiceRequest>(0));
            return result_;
        };
        return {CallRow("ITarvos", "PutModus", {In("eModusType", 'i'), Out("plSeen", 'i')}, echo),
                CreateRow("ITarvos", "GetGeneralInvoiceRequest",
                          {Out("pIGeneralInvoiceRequest", 'h')}, create, "IGeneralInvoiceRequest")};
    }

    Reply Dispatch(const std::string& interfaceName, const std::string& method,
                   const std::string& json = "{}") {
        Call call;
        call.interfaceName = interfaceName;
        call.methodName = method;
        call.address = manager_;
        call.args = value::parse(json);
        return table_.Dispatch(call);
    }
    // The status and, for an abort reply, its code and text, else the body.
    static std::string Outcome(const Reply& reply) {
        const web::json::value& body = reply.body;
        return std::to_string(reply.status) + " " +
               (body.has_field("abortCode") ? std::to_string(body.at("abortCode").as_integer()) +
                                                  " " + body.at("pbstrAbort").as_string()
                                            : body.serialize());
    }

    TempFolder folder_;
    CEndpointHandler handler_;
    TableDispatcher table_;
    int manager_ = 0;
    HRESULT result_ = S_OK;
    ComPtr<IGeneralInvoiceRequest> request_;
};

// Only S_OK succeeds: S_FALSE is the abort reply with code 1 and the
// object's own text, and a new object that comes with it is 404 (other
// failures, methods that no row has, the registration and release of new
// objects: the integration tests); an interface that the module does not
// have is 403.
TEST_F(OperationTableTest, ResultsAsReplies) {
    const std::pair<HRESULT, const char*> cases[] = {{S_OK, R"(200 {"plSeen":9})"},
                                                     {S_FALSE, "400 1 modus refused"}};
    ASSERT_EQ(S_OK, NewManager()->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
    for (const auto& c : cases) {
        result_ = c.first;
        EXPECT_EQ(c.second, Outcome(Dispatch("ITarvos", "putModus", R"({"eModusType":9})")));
    }
    EXPECT_EQ("400 404 The main interface instance [IGeneralInvoiceRequest] could not be created",
              Outcome(Dispatch("ITarvos", "GetGeneralInvoiceRequest")));
    EXPECT_EQ("400 403 The given interface method [IFoo::Bar] does not exist",
              Outcome(Dispatch("IFoo", "Bar")));
}

TEST(HandlerTablesTest, HandlesFollowObjectIdentityAndHoldOneReference) {
    CHandlerTables tables;
    ComPtr<ITarvos> one = NewManager();
    auto references = [&one] { return one->AddRef(), one->Release(); };
    int first = tables.Add(one);
    EXPECT_NE(first, tables.Add(NewManager()));
    EXPECT_EQ(first, tables.Add(one)) << "the same object, the same handle";
    EXPECT_EQ(2u, references()) << "the caller's and the table's reference";
    EXPECT_TRUE(tables.Release("itarvos", first));
    EXPECT_EQ(1u, references());
    EXPECT_NE(first, tables.Add(one)) << "a released object comes back anew";
    EXPECT_FALSE(tables.Release("itarvos", first));
    EXPECT_EQ(2u, tables.Size());
}

}  // namespace
