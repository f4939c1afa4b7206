#include "bridge/module_factory.h"

#include "module/objects/manager_object.h"

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, unsigned long /*context*/,
                         const IID& iid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_Tarvos) return REGDB_E_CLASSNOTREG;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ComPtr<CTarvos> manager = MakeComObject<CTarvos>();
    return manager->QueryInterface(iid, ppv);
}
