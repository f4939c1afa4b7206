#pragma once

#include "platform/com.h"

// Class id of the invoice module's manager object.
// {3f0fe18a-7951-4897-b5d1-234d3d4dec2d}
constexpr CLSID CLSID_Tarvos = {
    0x3f0fe18a, 0x7951, 0x4897, {0xb5, 0xd1, 0x23, 0x4d, 0x3d, 0x4d, 0xec, 0x2d}};

// Creates a new manager object of the invoice module (ITarvos) in this
// process and returns it as the interface `iid` in *ppv, with one reference
// for the caller.
//  - clsid other than CLSID_Tarvos: REGDB_E_CLASSNOTREG.
//  - outer not null (aggregation): CLASS_E_NOAGGREGATION.
//  - ppv null: E_POINTER.
//  - iid other than IID_IUnknown and InterfaceId<ITarvos>(): E_NOINTERFACE.
//  - context is accepted as given (CLSCTX_ALL and its parts).
// On every failure *ppv (when not null) is set to null.
//
// Defined by the invoice module in module/objects/module_factory.cpp.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, unsigned long context, const IID& iid,
                         void** ppv);
