// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/operation_table.h"
#include "endpoint/endpoint_handler.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/log_capture.h"

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
                          {Out("pIGeneralInvoiceRequest", 'h')}, create, "IGeneralInvoiceRequest"),
                ReleaseRow("ITarvos", "PutDestructGeneralInvoiceRequest", "IGeneralInvoiceRequest",
                           "pIGeneralInvoiceRequest")};
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
    static int Code(const Reply& reply) {
        EXPECT_EQ(400, reply.status) << reply.body.serialize();
        return reply.body.has_field("abortCode") ? reply.body.at("abortCode").as_integer() : -1;
    }
    static std::string Text(const Reply& reply) {
        return reply.body.has_field("pbstrAbort") ? reply.body.at("pbstrAbort").as_string() : "";
    }

    TempFolder folder_;
    CEndpointHandler handler_;
    TableDispatcher table_;
    int manager_ = 0;
    HRESULT result_ = S_OK;
    ComPtr<IGeneralInvoiceRequest> request_;
};

// Only S_OK succeeds: S_FALSE is the abort reply with code 1 and the
// object's own text, a failure its signed result; the log has both.
TEST_F(OperationTableTest, ModuleResultsOtherThanSOkAreAbortReplies) {
    const std::string modus = R"({"eModusType":9})";
    EXPECT_EQ(value::parse(R"({"plSeen":9})"), Dispatch("ITarvos", "putmodus", modus).body);
    result_ = S_FALSE;
    LogCapture log;
    Reply reply = Dispatch("ITarvos", "putModus", modus);
    EXPECT_EQ(1, Code(reply));
    EXPECT_EQ(1, reply.result);
    EXPECT_EQ("modus refused", Text(reply));
    EXPECT_EQ(1u, log.Lines("putModus(err=1 - modus refused)").size()) << log.Text();
    result_ = E_INVALIDARG;
    EXPECT_EQ(static_cast<int>(0x80070057u), Code(Dispatch("ITarvos", "PutModus", modus)));
}

TEST_F(OperationTableTest, UnknownNamesAre403AndLogged) {
    LogCapture log;
    EXPECT_EQ(403, Code(Dispatch("IGeneralInvoiceResult", "Anything")));
    EXPECT_EQ(403, Code(Dispatch("IAddress", "PutModus"))) << "a method of another interface";
    EXPECT_EQ("The given interface method [IFoo::Bar] does not exist",
              Text(Dispatch("IFoo", "Bar")));
    EXPECT_EQ(1u, log.Lines("Anything(err=403 - ").size());
    EXPECT_EQ(1u, log.Lines("err=403 - The given interface method [IFoo::Bar]").size());
    EXPECT_EQ(0u, log.Lines("Bar(err=403").size()) << "no method prefix for an unknown interface";
}

TEST_F(OperationTableTest, CreatedObjectIsRegisteredUnderItsParentOnce) {
    LogCapture log;
    Reply none = Dispatch("ITarvos", "GetGeneralInvoiceRequest");
    EXPECT_EQ(404, Code(none));
    EXPECT_EQ("The main interface instance [IGeneralInvoiceRequest] could not be created",
              Text(none));
    EXPECT_EQ(1u, log.Lines("GetGeneralInvoiceRequest(err=404 - The main").size());

    ASSERT_EQ(S_OK, NewManager()->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
    result_ = S_FALSE;
    EXPECT_EQ(404, Code(Dispatch("ITarvos", "GetGeneralInvoiceRequest")));
    result_ = S_OK;
    for (int again = 0; again < 2; ++again) {
        Reply reply = Dispatch("ITarvos", "GetGeneralInvoiceRequest");
        ASSERT_EQ(200, reply.status) << reply.body.serialize();
        int request = reply.body.at("pIGeneralInvoiceRequest").as_integer();
        EXPECT_EQ(handler_.Registry().LockFor(manager_), handler_.Registry().LockFor(request));
        EXPECT_EQ(request_, handler_.Tables().Lookup<IGeneralInvoiceRequest>(request));
    }
    std::vector<int> handles = handler_.Tables().Handles("IGeneralInvoiceRequest");
    ASSERT_EQ(1u, handles.size()) << "the same object keeps its handle";

    // Its release names it by a member, which must be a number.
    const std::string member = R"({"pIGeneralInvoiceRequest":)";
    EXPECT_THROW(Dispatch("ITarvos", "PutDestructGeneralInvoiceRequest", member + "\"12\"}"),
                 std::exception);
    Reply released = Dispatch("ITarvos", "PutDestructGeneralInvoiceRequest",
                              member + std::to_string(handles[0]) + "}");
    EXPECT_TRUE(released.body.is_null());
    EXPECT_TRUE(handler_.Tables().Handles("IGeneralInvoiceRequest").empty());
    EXPECT_NE(nullptr, handler_.Registry().LockFor(manager_)) << "the manager stays";
}

TEST(HandlerTablesTest, HandlesFollowObjectIdentityAndHoldOneReference) {
    CHandlerTables tables;
    ComPtr<ITarvos> one = NewManager();
    int first = tables.Add(one);
    int second = tables.Add(NewManager());
    EXPECT_GE(first, 1);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, tables.Add(one)) << "the same object, the same handle";
    EXPECT_EQ(0, tables.Add(ComPtr<ITarvos>()));
    EXPECT_EQ(2u, one->AddRef() - 1) << "the caller's and the table's reference";
    one->Release();
    EXPECT_TRUE(tables.Release("itarvos", first));
    EXPECT_EQ(1u, one->AddRef() - 1) << "only the test's own reference is left";
    one->Release();
    EXPECT_NE(first, tables.Add(one)) << "a released object comes back anew";
    // A lookup of a handle without object leaves an empty slot.
    EXPECT_FALSE(static_cast<bool>(tables.Lookup<IAddress>(17)));
    EXPECT_EQ(std::vector<int>{17}, tables.Handles("IAddress"));
    EXPECT_TRUE(tables.Release("IAddress", 17));
    EXPECT_FALSE(tables.Release("IAddress", 17));
    EXPECT_FALSE(tables.Release("IOther", 1));
    EXPECT_EQ(2u, tables.Size());
}

}  // namespace
