#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "module/model/invoice_model.h"
#include "module/print/print_template.h"
#include "platform/com.h"

// Printing an invoice to PDF: the engine side of ITarvos::Print.
//
// The template (module/print/print_template.h) names the layout and, in
// PDF_NOPRINT, the file to write. The invoice must be finalized. The form is
// drawn in the invoice's language with the manager's logo; the patient
// invoice and the reminder carry the QR-bill's payment slip when the invoice
// has QR payment data (SetEsrQR, SetEsrRedQR) and something to pay: a
// storno and a copy print none (the form says they are not for payment), nor
// does an invoice whose amount due is zero ("nothing to pay") or negative
// (a credit). An esrQRplus slip leaves the amount to the payer. Invoices
// with a legacy slip (esr9, esrRed) print without a slip: Swiss banks no
// longer accept those.

namespace invoice {

// Bits of lGenerationAttributes that printing reads; other bits are ignored.
constexpr long kPrintAsCopy = 0x1;       // a copy, not for payment (as Copy=1)
constexpr long kPrintWithoutSlip = 0x2;  // leave out the QR-bill's payment slip
constexpr long kPrintWithoutLogo = 0x4;  // leave out the logo of SetLogo

struct PrintOptions {
    std::string print_template;  // Layout(PDF_NOPRINT=...;...)
    long generation_attributes = 0;
    long address_right = 0;     // eAddressRight: 0 address window left, 1 right
    long sort_time_tariff = 0;  // eSortTimeTariff: 0 by date, 1 by tariff and code
    std::string sender_id;      // printed on the form when not empty
    std::string logo_file;      // SetLogo; empty for none
    long logo_width_mm = 0;
    long logo_height_mm = 0;
    int64_t timestamp = 0;  // plTimestamp in: 0 = the invoice's own, else now
};

struct PrintOutcome {
    std::string pdf_path;   // the file written
    int64_t timestamp = 0;  // plTimestamp out: the invoice's timestamp as printed
    PrintLayout layout = PrintLayout::kAutomatic;  // the layout printed
    int pages = 0;
    bool has_slip = false;
    std::string qr_payload;  // the QR-bill's payload, empty without a slip
    // The invoice as printed (with its timestamp), for the result object
    // that Print hands out.
    std::shared_ptr<const InvoiceRequest> printed;
};

// Prints `request` as `options` say. On success returns S_OK and fills
// *outcome. On failure nothing is left at the output path, *outcome is
// unchanged and *errorText names what failed, beginning with "Print: ":
//   E_INVALIDARG  an unknown layout, a template without PDF_NOPRINT, an
//                 eAddressRight or eSortTimeTariff outside 0 and 1, the
//                 Reminder layout for an invoice that is no reminder, a QR-bill
//                 that breaks a rule (no creditor postcode or town, an amount
//                 above 999999999.99, a payload over 997 bytes, ...);
//   E_FAIL        the request is not finalized, the logo cannot be read, the
//                 file cannot be written.
// REQUIRES: outcome and errorText not null.
HRESULT PrintInvoice(const InvoiceRequest& request, const PrintOptions& options,
                     PrintOutcome* outcome, std::string* errorText);

}  // namespace invoice
