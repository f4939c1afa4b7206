// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bridge/module_factory.h"
#include "bridge/operation_table.h"
#include "endpoint/endpoint_handler.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/log_capture.h"

namespace {

using web::json::value;

// A manager whose results the test sets.
class FakeTarvos : public ComObject<ITarvos> {
  public:
    HRESULT result = S_OK;                   // of every programmed method
    ComPtr<IGeneralInvoiceRequest> request;  // what GetGeneralInvoiceRequest hands out
    long lastPut = -1;

    HRESULT GetModus(long* peModusType) override {
        *peModusType = 2;
        return result;
    }
    HRESULT PutModus(long eModusType) override {
        lastPut = eModusType;
        return result;
    }
    HRESULT GetGeneralInvoiceRequest(IGeneralInvoiceRequest** out) override {
        request.CopyTo(out);
        return result;
    }
    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        *pbstrAbort = "modus refused";
        *pbStatus = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT GetModuleVersion(BSTR*) override { return E_NOTIMPL; }

    // Not used here.
    HRESULT SetLogSettings(long, long, long, const BSTR&, VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT GetLogSettings(long*, long*, long*, BSTR*, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT SetLogo(const BSTR&, long, long, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT Print(const BSTR&, long, long, long, long, const BSTR&, long*, IGeneralInvoiceResult**,
                  VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT LoadXML(const BSTR&, BSTR*, IGeneralInvoiceRequest**, IGeneralInvoiceResult**,
                    VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT GetXML(long, BSTR*, long*, long*, BSTR*, IGeneralInvoiceResult**,
                   VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT GetModuleLanguage(long*) override { return E_NOTIMPL; }
    HRESULT PutModuleLanguage(long) override { return E_NOTIMPL; }
    HRESULT GetModuleVersionText(BSTR*) override { return E_NOTIMPL; }
};

// The GET and PUT dispatchers over a handler whose tables hold a fake
// manager (and whatever a test adds).
class OperationTableTest : public ::testing::Test {
  protected:
    OperationTableTest()
        : handler_("http://127.0.0.1:1/ops", folder_.Path() + "none.ini", Options()),
          get_(handler_, GetOperations()),
          put_(handler_, PutOperations()) {
        fake_ = MakeComObject<FakeTarvos>();
        manager_ = handler_.Tables().Add(ComPtr<ITarvos>(fake_));
        handler_.Registry().Register("ITarvos", 0, manager_);
    }
    static HandlerOptions Options() {
        HandlerOptions options;
        options.workerThreads = 1;
        return options;
    }

    static Call MakeCall(const std::string& interfaceName, const std::string& method, int address,
                         const std::string& json = "{}") {
        Call call;
        call.interfaceName = interfaceName;
        call.methodName = method;
        call.address = address;
        call.args = value::parse(json);
        return call;
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
    TableDispatcher get_, put_;
    ComPtr<FakeTarvos> fake_;
    int manager_ = 0;
};

// Only S_OK succeeds: S_FALSE is the abort reply with code 1 and the
// object's own text, a failure its signed result; the log has both.
TEST_F(OperationTableTest, ModuleResultsOtherThanSOkAreAbortReplies) {
    fake_->result = S_FALSE;
    LogCapture log;
    Reply reply = get_.Dispatch(MakeCall("ITarvos", "getModus", manager_));
    EXPECT_EQ(1, Code(reply));
    EXPECT_EQ(1, reply.result);
    EXPECT_EQ("modus refused", Text(reply));
    EXPECT_EQ(1u, log.Lines("getModus(err=1 - modus refused)").size()) << log.Text();
    fake_->result = E_INVALIDARG;
    reply = put_.Dispatch(MakeCall("ITarvos", "PutModus", manager_, R"({"eModusType":9})"));
    EXPECT_EQ(static_cast<int>(0x80070057u), Code(reply));
    EXPECT_EQ(9, fake_->lastPut);
}

TEST_F(OperationTableTest, UnknownNamesAre403AndLogged) {
    LogCapture log;
    for (const char* method : {"GetType", "GetAbortInfo", "Anything"}) {
        EXPECT_EQ(403, Code(get_.Dispatch(MakeCall("IGeneralInvoiceResult", method, 5))));
    }
    EXPECT_EQ(403, Code(put_.Dispatch(MakeCall("IAddress", "GetType", 5))));
    EXPECT_EQ("The given interface method [IFoo::Bar] does not exist",
              Text(get_.Dispatch(MakeCall("IFoo", "Bar", 5))));
    EXPECT_EQ(1u, log.Lines("Anything(err=403 - ").size());
    EXPECT_EQ(1u, log.Lines("err=403 - The given interface method [IFoo::Bar]").size());
    EXPECT_EQ(0u, log.Lines("Bar(err=403").size()) << "no method prefix for an unknown interface";
}

TEST_F(OperationTableTest, CreatedObjectIsRegisteredUnderItsParentOnce) {
    LogCapture log;
    Reply none = get_.Dispatch(MakeCall("ITarvos", "GetGeneralInvoiceRequest", manager_));
    EXPECT_EQ(404, Code(none));
    EXPECT_EQ("The main interface instance [IGeneralInvoiceRequest] could not be created",
              Text(none));
    EXPECT_EQ(1u, log.Lines("GetGeneralInvoiceRequest(err=404 - The main").size());

    ComPtr<ITarvos> real;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                     reinterpret_cast<void**>(real.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, real->GetGeneralInvoiceRequest(fake_->request.ReleaseAndGetAddressOf()));
    for (int again = 0; again < 2; ++again) {
        Reply reply = get_.Dispatch(MakeCall("ITarvos", "GetGeneralInvoiceRequest", manager_));
        ASSERT_EQ(200, reply.status) << reply.body.serialize();
        int request = reply.body.at("pIGeneralInvoiceRequest").as_integer();
        EXPECT_EQ(handler_.Registry().LockFor(manager_), handler_.Registry().LockFor(request));
        EXPECT_EQ(fake_->request, handler_.Tables().Lookup<IGeneralInvoiceRequest>(request));
    }
    EXPECT_EQ(1u, handler_.Tables().Handles("IGeneralInvoiceRequest").size())
        << "the same object keeps its handle";
}

TEST_F(OperationTableTest, ReleaseOfAMemberHandle) {
    Reply unknown = put_.Dispatch(MakeCall("ITarvos", "PutDestructGeneralInvoiceRequest", manager_,
                                           R"({"pIGeneralInvoiceRequest":424242})"));
    EXPECT_EQ(200, unknown.status);
    EXPECT_TRUE(unknown.body.is_null());
    EXPECT_THROW(put_.Dispatch(MakeCall("ITarvos", "PutDestructGeneralInvoiceResult", manager_,
                                        R"({"pIGeneralInvoiceResult":"12"})")),
                 std::exception)
        << "the member must be a number";
}

TEST(HandlerTablesTest, HandlesFollowObjectIdentityAndHoldOneReference) {
    CHandlerTables tables;
    ComPtr<FakeTarvos> one = MakeComObject<FakeTarvos>();
    int first = tables.Add(ComPtr<ITarvos>(one));
    int second = tables.Add(ComPtr<ITarvos>(MakeComObject<FakeTarvos>()));
    EXPECT_GE(first, 1);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, tables.Add(ComPtr<ITarvos>(one))) << "the same object, the same handle";
    EXPECT_EQ(0, tables.Add(ComPtr<ITarvos>()));
    EXPECT_EQ(2u, one->AddRef() - 1) << "the caller's and the table's reference";
    one->Release();
    EXPECT_TRUE(tables.Release("itarvos", first));
    EXPECT_EQ(1u, one->AddRef() - 1) << "only the test's own reference is left";
    one->Release();
    EXPECT_NE(first, tables.Add(ComPtr<ITarvos>(one))) << "a released object comes back anew";
    // A lookup of a handle without object leaves an empty slot.
    EXPECT_FALSE(static_cast<bool>(tables.Lookup<IAddress>(17)));
    EXPECT_EQ(std::vector<int>{17}, tables.Handles("IAddress"));
    EXPECT_TRUE(tables.Release("IAddress", 17));
    EXPECT_FALSE(tables.Release("IAddress", 17));
    EXPECT_FALSE(tables.Release("IOther", 1));
    EXPECT_EQ(2u, tables.Size());
}

}  // namespace
