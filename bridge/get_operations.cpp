// The GET operations: the module's property reads and the operations that
// create objects (a manager, a request, an address, a service input).

#include "bridge/module_factory.h"
#include "bridge/operation_table.h"

namespace {

// CoCreateInstance of the module's manager, put into its running state and
// asked for ITarvos.
HRESULT CreateTarvos(Args& args) {
    IUnknown* unknown = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, IID_IUnknown,
                                  reinterpret_cast<void**>(&unknown));
    if (hr != S_OK || unknown == nullptr) return hr == S_OK ? E_POINTER : hr;
    hr = OleRun(unknown);
    if (hr == S_OK) {
        hr = unknown->QueryInterface(InterfaceId<ITarvos>(),
                                     reinterpret_cast<void**>(args.NewObject<ITarvos>(0)));
    }
    unknown->Release();
    return hr;
}

}  // namespace

std::vector<Operation> GetOperations() {
    return {
        CreateRow("ITarvos", "GetCreateTarvos", {Out("pITarvos", 'h')}, Unbound(CreateTarvos),
                  "Tarvos"),
        CreateRow("ITarvos", "GetGeneralInvoiceRequest", {Out("pIGeneralInvoiceRequest", 'h')},
                  On<ITarvos>([](ITarvos& t, Args& a) {
                      return t.GetGeneralInvoiceRequest(a.NewObject<IGeneralInvoiceRequest>(0));
                  }),
                  "IGeneralInvoiceRequest"),
        CallRow("ITarvos", "GetModus", {Out("peModusType", 'i')},
                On<ITarvos>([](ITarvos& t, Args& a) { return t.GetModus(&a.I(0)); })),
        CallRow("ITarvos", "GetModuleLanguage", {Out("peLanguage", 'i')},
                On<ITarvos>([](ITarvos& t, Args& a) { return t.GetModuleLanguage(&a.I(0)); })),
        CallRow("ITarvos", "GetModuleVersion", {Out("pbstrModuleVersion", 't')},
                On<ITarvos>([](ITarvos& t, Args& a) { return t.GetModuleVersion(&a.T(0)); })),
        CallRow("ITarvos", "GetModuleVersionText", {Out("pbstrModuleVersionText", 't')},
                On<ITarvos>([](ITarvos& t, Args& a) { return t.GetModuleVersionText(&a.T(0)); })),
        CreateRow("IGeneralInvoiceRequest", "GetCreateAddress", {Out("pIAddress", 'h')},
                  On<IGeneralInvoiceRequest>([](IGeneralInvoiceRequest& r, Args& a) {
                      return r.GetCreateAddress(a.NewObject<IAddress>(0));
                  }),
                  "IGeneralInvoiceRequest"),
        CreateRow("IGeneralInvoiceRequest", "GetCreateServiceExInput",
                  {In("bstrTariffType", 't'), Out("pIServiceExInput", 'h')},
                  On<IGeneralInvoiceRequest>([](IGeneralInvoiceRequest& r, Args& a) {
                      return r.GetCreateServiceExInput(a.T(0), a.NewObject<IServiceExInput>(1));
                  }),
                  "IGeneralInvoiceRequest"),
        CallRow("IAddress", "GetType", {Out("peAddressType", 'i')},
                On<IAddress>([](IAddress& o, Args& a) { return o.GetType(&a.I(0)); })),
        CallRow("IServiceExInput", "GetExternalFactor_MT", {Out("pdExternalFactor_MT", 'n')},
                On<IServiceExInput>(
                    [](IServiceExInput& o, Args& a) { return o.GetExternalFactor_MT(&a.N(0)); })),
        CallRow("IServiceExInput", "GetExternalFactor_TT", {Out("pdExternalFactor_TT", 'n')},
                On<IServiceExInput>(
                    [](IServiceExInput& o, Args& a) { return o.GetExternalFactor_TT(&a.N(0)); })),
    };
}
