#pragma once

#include <string>

#include "module/model/invoice_enums.h"
#include "module/print/pdf_document.h"
#include "module/print/qr_bill.h"

// The QR-bill's payment slip as the Swiss Implementation Guidelines lay it
// out: 210 x 105 mm at the bottom of an A4 page, the receipt on the left
// (62 mm) and the payment part on the right (148 mm) with the QR code of
// 46 x 46 mm at 67 mm from the left and 17 mm below the slip's top edge,
// error correction M, the Swiss cross of 7 x 7 mm in its centre. Headings
// are in the invoice language; the slip is cut off along the printed lines.
// A bill without amount leaves the amount blank, framed by corner marks for
// the payer: 30 x 10 mm on the receipt, 40 x 15 mm on the payment part.

namespace invoice {

constexpr double kSlipHeightMm = 105.0;
constexpr double kQrCodeSizeMm = 46.0;

// Draws the slip of `bill`, whose checked payload is `payload`
// (BuildQrPayload), with its top edge at `top` mm from the top of the page.
// Returns false, with *error set, when the QR code cannot be encoded.
// REQUIRES: pdf and error not null.
bool DrawPaymentSlip(PdfDocument* pdf, double top, const QrBill& bill, const std::string& payload,
                     Language language, std::string* error);

}  // namespace invoice
