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

// A manager whose answers the test sets; counts the calls it gets.
class FakeTarvos : public ComObject<ITarvos> {
  public:
    FakeTarvos() = default;

    HRESULT result = S_OK;  // of every programmed method
    long modus = 2;
    std::string abortText = "modus refused";
    ComPtr<IGeneralInvoiceRequest> request;  // what GetGeneralInvoiceRequest hands out
    int calls = 0;
    long lastPut = -1;

    HRESULT GetModus(long* peModusType) override {
        ++calls;
        *peModusType = modus;
        return result;
    }
    HRESULT PutModus(long eModusType) override {
        ++calls;
        lastPut = eModusType;
        return result;
    }
    HRESULT GetGeneralInvoiceRequest(IGeneralInvoiceRequest** out) override {
        ++calls;
        request.CopyTo(out);
        return result;
    }
    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        *pbstrAbort = abortText;
        *pbStatus = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT GetModuleVersion(BSTR* text) override {
        *text = "4.50.001";
        return S_OK;
    }

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

TEST_F(OperationTableTest, PropertyReadAnswersItsOutMember) {
    Reply reply = get_.Dispatch(MakeCall("ITarvos", "GetModus", manager_));
    EXPECT_EQ(200, reply.status);
    EXPECT_EQ(0, reply.result);
    EXPECT_EQ(2, reply.body.at("peModusType").as_integer());
    EXPECT_EQ(1u, reply.body.size());
    Reply lower = get_.Dispatch(MakeCall("itarvos", "getmodus", manager_));
    EXPECT_EQ(200, lower.status) << "names are matched without regard to case";
    EXPECT_EQ("4.50.001", get_.Dispatch(MakeCall("ITarvos", "GetModuleVersion", manager_))
                              .body.at("pbstrModuleVersion")
                              .as_string());
}

TEST_F(OperationTableTest, PropertyWriteAnswersNull) {
    Reply reply = put_.Dispatch(MakeCall("ITarvos", "PutModus", manager_, R"({"eModusType":"3"})"));
    EXPECT_EQ(200, reply.status);
    EXPECT_TRUE(reply.body.is_null());
    EXPECT_EQ(3, fake_->lastPut);
}

TEST_F(OperationTableTest, SFalseIsAnAbortWithCode1AndTheObjectsText) {
    fake_->result = S_FALSE;
    LogCapture log;
    Reply reply = get_.Dispatch(MakeCall("ITarvos", "getModus", manager_));
    EXPECT_EQ(1, Code(reply));
    EXPECT_EQ(1, reply.result);
    EXPECT_EQ("modus refused", Text(reply));
    EXPECT_EQ(1u, log.Lines("getModus(err=1 - modus refused)").size()) << log.Text();
}

TEST_F(OperationTableTest, FailedHresultIsTheSignedAbortCode) {
    fake_->result = E_INVALIDARG;
    Reply reply = put_.Dispatch(MakeCall("ITarvos", "PutModus", manager_, R"({"eModusType":9})"));
    EXPECT_EQ(static_cast<int>(0x80070057u), Code(reply));
}

TEST_F(OperationTableTest, MissingMemberIs408AndCallsNothing) {
    LogCapture log;
    Reply reply = put_.Dispatch(MakeCall("ITarvos", "PutModus", manager_));
    EXPECT_EQ(408, Code(reply));
    EXPECT_EQ(
        "The variable [eModusType] could not be extracted from the JSON of "
        "[ITarvos::PutModus]",
        Text(reply));
    EXPECT_EQ(0, fake_->calls);
    EXPECT_EQ(1u, log.Lines("PutModus(err=408 - The variable [eModusType]").size());
}

TEST_F(OperationTableTest, UnreadableNumberIsCode0OutOfRangeIs407) {
    Reply text = put_.Dispatch(MakeCall("ITarvos", "PutModus", manager_, R"({"eModusType":"x"})"));
    EXPECT_EQ(0, Code(text));
    EXPECT_EQ("Error description not found in the string table!\n\n(resourceID = '0')", Text(text));
    Reply big =
        put_.Dispatch(MakeCall("ITarvos", "PutModus", manager_, R"({"eModusType":"99999999999"})"));
    EXPECT_EQ(407, Code(big));
    EXPECT_EQ(0, fake_->calls);
}

TEST_F(OperationTableTest, HandleWithoutObjectIs407) {
    Reply reply = get_.Dispatch(MakeCall("ITarvos", "GetModus", manager_ + 77));
    EXPECT_EQ(407, Code(reply));
    EXPECT_EQ("The given interface method [ITarvos::GetModus] produced a fatal, undefined error",
              Text(reply));
}

TEST_F(OperationTableTest, UnknownNamesAre403) {
    LogCapture log;
    for (const char* method : {"GetType", "GetAbortInfo", "Anything"}) {
        EXPECT_EQ(403, Code(get_.Dispatch(MakeCall("IGeneralInvoiceResult", method, 5))));
    }
    EXPECT_EQ(403, Code(put_.Dispatch(MakeCall("IAddress", "GetType", 5))));
    Reply unknown = get_.Dispatch(MakeCall("IFoo", "Bar", 5));
    EXPECT_EQ("The given interface method [IFoo::Bar] does not exist", Text(unknown));
    EXPECT_EQ(1u, log.Lines("Anything(err=403 - ").size());
    EXPECT_EQ(1u, log.Lines("err=403 - The given interface method [IFoo::Bar]").size());
    EXPECT_EQ(0u, log.Lines("Bar(err=403").size()) << "no method prefix for an unknown interface";
}

TEST_F(OperationTableTest, CreatingOperationRegistersTheNewObjectUnderItsParent) {
    ComPtr<ITarvos> real;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                     reinterpret_cast<void**>(real.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, real->GetGeneralInvoiceRequest(fake_->request.ReleaseAndGetAddressOf()));
    Reply reply = get_.Dispatch(MakeCall("ITarvos", "GetGeneralInvoiceRequest", manager_));
    ASSERT_EQ(200, reply.status) << reply.body.serialize();
    int request = reply.body.at("pIGeneralInvoiceRequest").as_integer();
    EXPECT_GE(request, 1);
    EXPECT_EQ(handler_.Registry().LockFor(manager_), handler_.Registry().LockFor(request));
    EXPECT_EQ(fake_->request, handler_.Tables().Lookup<IGeneralInvoiceRequest>(request));

    Reply again = get_.Dispatch(MakeCall("ITarvos", "GetGeneralInvoiceRequest", manager_));
    EXPECT_EQ(request, again.body.at("pIGeneralInvoiceRequest").as_integer())
        << "the same object keeps its handle";
    EXPECT_EQ(1u, handler_.Tables().Handles("IGeneralInvoiceRequest").size());
}

TEST_F(OperationTableTest, CreatingOperationWithoutObjectIs404) {
    LogCapture log;
    Reply none = get_.Dispatch(MakeCall("ITarvos", "GetGeneralInvoiceRequest", manager_));
    EXPECT_EQ(404, Code(none));
    EXPECT_EQ("The main interface instance [IGeneralInvoiceRequest] could not be created",
              Text(none));
    EXPECT_EQ(1u, log.Lines("GetGeneralInvoiceRequest(err=404 - The main").size());
}

TEST_F(OperationTableTest, CreatingOperationsLetExceptionsPassOut) {
    EXPECT_THROW(get_.Dispatch(MakeCall("ITarvos", "GetGeneralInvoiceRequest", manager_ + 77)),
                 std::exception)
        << "no object under the handle";
    EXPECT_THROW(get_.Dispatch(MakeCall("IGeneralInvoiceRequest", "GetCreateServiceExInput", 5)),
                 std::invalid_argument)
        << "bstrTariffType is missing";
}

TEST_F(OperationTableTest, CreateTarvosMakesARealManager) {
    Reply reply = get_.Dispatch(MakeCall("ITarvos", "GetCreateTarvos", 0));
    ASSERT_EQ(200, reply.status);
    int handle = reply.body.at("pITarvos").as_integer();
    EXPECT_NE(manager_, handle);
    EXPECT_EQ(0, handler_.Registry().Touch("ITarvos", "GetModus", handle));
    EXPECT_TRUE(static_cast<bool>(handler_.Tables().Lookup<ITarvos>(handle)));
}

TEST_F(OperationTableTest, ReleaseOperations) {
    Reply unknown = put_.Dispatch(MakeCall("ITarvos", "PutDestructGeneralInvoiceRequest", manager_,
                                           R"({"pIGeneralInvoiceRequest":424242})"));
    EXPECT_EQ(200, unknown.status);
    EXPECT_TRUE(unknown.body.is_null());
    EXPECT_THROW(put_.Dispatch(MakeCall("ITarvos", "PutDestructGeneralInvoiceRequest", manager_)),
                 std::exception)
        << "the member is required";
    EXPECT_THROW(put_.Dispatch(MakeCall("ITarvos", "PutDestructGeneralInvoiceResult", manager_,
                                        R"({"pIGeneralInvoiceResult":"12"})")),
                 std::exception)
        << "and must be a number";

    Reply destroyed = put_.Dispatch(MakeCall("ITarvos", "PutDestructTarvos", manager_));
    EXPECT_EQ(200, destroyed.status);
    EXPECT_EQ(0u, handler_.Tables().Size());
    EXPECT_EQ(402, handler_.Registry().Touch("ITarvos", "GetModus", manager_));
}

TEST(HandlerTablesTest, HandlesFollowObjectIdentity) {
    CHandlerTables tables;
    ComPtr<FakeTarvos> one = MakeComObject<FakeTarvos>();
    ComPtr<FakeTarvos> two = MakeComObject<FakeTarvos>();
    int first = tables.Add(ComPtr<ITarvos>(one));
    int second = tables.Add(ComPtr<ITarvos>(two));
    EXPECT_GE(first, 1);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, tables.Add(ComPtr<ITarvos>(one))) << "the same object, the same handle";
    EXPECT_EQ(0, tables.Add(ComPtr<ITarvos>()));
    EXPECT_EQ(2u, tables.Size());
    EXPECT_EQ(2u, one->AddRef() - 1) << "the caller's and the table's reference";
    one->Release();
}

TEST(HandlerTablesTest, LookupLeavesAnEmptySlotReleaseErasesIt) {
    CHandlerTables tables;
    EXPECT_FALSE(static_cast<bool>(tables.Lookup<IAddress>(17)));
    EXPECT_EQ(std::vector<int>{17}, tables.Handles("IAddress"));
    EXPECT_TRUE(tables.Release("iaddress", 17));
    EXPECT_FALSE(tables.Release("IAddress", 17));
    EXPECT_FALSE(tables.Release("IOther", 1));
    EXPECT_EQ(0u, tables.Size());
}

TEST(HandlerTablesTest, ReleaseDropsTheReferenceAndFreesTheHandle) {
    CHandlerTables tables;
    ComPtr<FakeTarvos> one = MakeComObject<FakeTarvos>();
    int handle = tables.Add(ComPtr<ITarvos>(one));
    EXPECT_TRUE(tables.Release("ITarvos", handle));
    EXPECT_EQ(1u, one->AddRef() - 1) << "only the test's own reference is left";
    one->Release();
    int again = tables.Add(ComPtr<ITarvos>(one));
    EXPECT_NE(handle, again) << "a released object comes back under a new handle";
}

}  // namespace
