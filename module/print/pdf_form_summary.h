#pragma once

#include "module/model/invoice_model.h"
#include "module/print/pdf_document.h"

// The summary at the end of the services table. On the right, each figure on
// a line of its own so that the amount due can be added up on paper: the
// total, its obligatory part, the VAT per rate (code, rate, amount, VAT),
// then the prepaid amount (subtracted), the reminder fee and the rounding
// difference when they are not zero, the amount due and what to do with it.
// On the left, the total per tariff type and how a record's amount is made.

namespace invoice {

// What the line below the amount due says.
enum class PaymentNote {
    kDueDate,       // "Fällig am 10.02.2024 (30 Tage)", or nothing without a period
    kStorno,        // the invoice is cancelled: not for payment
    kCopy,          // a copy: not for payment
    kNothingToPay,  // the amount due is zero
    kCredit,        // the amount due is negative: a credit for the recipient
};

// Draws the summary from `top` (with `draw` false only measures); returns
// its height in mm.
double DrawSummary(PdfDocument* pdf, const InvoiceRequest& invoice, PaymentNote note, double top,
                   bool draw);

}  // namespace invoice
