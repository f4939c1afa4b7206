// The PUT operations: single property writes, and the releases of objects a
// client no longer needs.

#include "bridge/operation_table.h"

std::vector<Operation> PutOperations() {
    return {
        CallRow("ITarvos", "PutModus", {In("eModusType", 'i')},
                On<ITarvos>([](ITarvos& t, Args& a) { return t.PutModus(a.I(0)); })),
        CallRow("ITarvos", "PutModuleLanguage", {In("eLanguage", 'i')},
                On<ITarvos>([](ITarvos& t, Args& a) { return t.PutModuleLanguage(a.I(0)); })),
        CallRow("IServiceExInput", "PutExternalFactor_MT", {In("dExternalFactor_MT", 'n')},
                On<IServiceExInput>(
                    [](IServiceExInput& o, Args& a) { return o.PutExternalFactor_MT(a.N(0)); })),
        CallRow("IServiceExInput", "PutExternalFactor_TT", {In("dExternalFactor_TT", 'n')},
                On<IServiceExInput>(
                    [](IServiceExInput& o, Args& a) { return o.PutExternalFactor_TT(a.N(0)); })),
        ReleaseRow("ITarvos", "PutDestructTarvos", "ITarvos"),
        ReleaseRow("ITarvos", "PutDestructGeneralInvoiceRequest", "IGeneralInvoiceRequest",
                   "pIGeneralInvoiceRequest"),
        ReleaseRow("ITarvos", "PutDestructGeneralInvoiceResult", "IGeneralInvoiceResult",
                   "pIGeneralInvoiceResult"),
        ReleaseRow("IGeneralInvoiceRequest", "PutDestructGeneralInvoiceRequest",
                   "IGeneralInvoiceRequest"),
        ReleaseRow("IGeneralInvoiceRequest", "PutDestructAddress", "IAddress"),
        ReleaseRow("IGeneralInvoiceRequest", "PutDestructServiceExInput", "IServiceExInput"),
        ReleaseRow("IAddress", "PutDestructAddress", "IAddress"),
        ReleaseRow("IServiceExInput", "PutDestructServiceExInput", "IServiceExInput"),
        ReleaseRow("IGeneralInvoiceResult", "PutDestructGeneralInvoiceResult",
                   "IGeneralInvoiceResult"),
    };
}
