#pragma once

// The five interfaces of the invoice module, as the service calls them:
//   ITarvos                 the manager (bridge/itarvos.h)
//   IGeneralInvoiceRequest  one request under construction
//   IGeneralInvoiceResult   a loaded or produced invoice, read section by section
//   IAddress                an address handed to a request
//   IServiceExInput         the extra input of an extended service line
//
// Conventions shared by every method:
//  - The result is an HRESULT. Only S_OK is success; S_FALSE and
//    DB_S_ENDOFROWSET end a first/next walk; any other value is a failure,
//    whose text GetAbortInfo of the same object gives afterwards.
//  - In-parameters come first, in the module's order, then the
//    out-parameters as pointers, the status flag pbStatus last (the
//    exceptions are in the method comments).
//  - Every out-pointer must be non-null; a method given a null out-pointer
//    returns E_POINTER. Out texts are assigned (BSTR is std::string).
//  - Enumerations travel as long; long is wide here, so a method range-checks
//    the values it takes in (E_INVALIDARG).
//  - An interface pointer handed out carries one reference for the caller;
//    an interface pointer handed in is borrowed for the call, and the module
//    AddRefs what it keeps. In-pointers may be null.
//  - Objects are used by one thread at a time (the service serialises the
//    calls into one manager's objects); reference counting is thread-safe.

#include "bridge/iaddress.h"
#include "bridge/igeneral_invoice_request.h"
#include "bridge/igeneral_invoice_result.h"
#include "bridge/iservice_ex_input.h"
#include "bridge/itarvos.h"
#include "platform/com.h"
