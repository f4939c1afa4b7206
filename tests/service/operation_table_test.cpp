// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include "bridge/module_factory.h"
#include "bridge/operation_table.h"
#include "endpoint/endpoint_handler.h"
#include "tests/engine/temp_folder.h"

namespace {

ComPtr<ITarvos> NewManager() {
    ComPtr<ITarvos> manager;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                     reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf())));
    return manager;
}

// A creation the module refuses (a tariff type it does not know) is the
// abort reply 404 with the row's interface; the module's refusals of other
// calls and methods that no row has: the integration tests.
TEST(OperationTableTest, ACreationTheModuleRefusesIs404) {
    TempFolder folder;
    HandlerOptions options;
    options.workerThreads = 1;
    CEndpointHandler handler("http://127.0.0.1:1/ops", folder.Path() + "none.ini", options);
    ComPtr<IGeneralInvoiceRequest> request;
    ASSERT_EQ(S_OK, NewManager()->GetGeneralInvoiceRequest(request.ReleaseAndGetAddressOf()));
    Call call;
    call.interfaceName = "IGeneralInvoiceRequest";
    call.methodName = "GetCreateServiceExInput";
    call.address = handler.Tables().Add(request);
    call.args = web::json::value::parse(R"({"bstrTariffType":"none"})");
    Reply reply = TableDispatcher(handler, GetOperations()).Dispatch(call);
    EXPECT_EQ(400, reply.status);
    EXPECT_EQ(R"({"abortCode":404,"pbstrAbort":"The main interface instance )"
              R"([IGeneralInvoiceRequest] could not be created"})",
              reply.body.serialize());
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
