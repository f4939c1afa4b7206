#pragma once

#include "bridge/igeneral_invoice_request.h"
#include "platform/com.h"

// Creates a new, empty invoice request and returns it in *out with one
// reference for the caller. The manager (ITarvos::GetGeneralInvoiceRequest)
// calls it once per request it hands out.
//  - out null: E_POINTER.
//  - on failure *out (when not null) is set to null.
//
// Defined with the request class in module/objects/request_object.cpp.
HRESULT CreateGeneralInvoiceRequest(IGeneralInvoiceRequest** out);
