#pragma once

#include <memory>

#include "bridge/igeneral_invoice_result.h"
#include "module/model/invoice_model.h"
#include "platform/com.h"

// Creates the read-only view of an invoice: an IGeneralInvoiceResult over
// `invoice`, which is shared with the caller and must not change afterwards
// (the request hands out its finalized snapshot, the loader the invoice it
// read). The result object keeps `invoice` alive as long as it lives.
//
// On success *out holds the new object with one reference for the caller.
// `out` null: E_POINTER. `invoice` null: E_INVALIDARG and *out null.
HRESULT CreateInvoiceResult(std::shared_ptr<const invoice::InvoiceRequest> invoice,
                            IGeneralInvoiceResult** out);
