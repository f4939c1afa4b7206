#pragma once

#include <string>
#include <vector>

#include "module/model/invoice_model.h"
#include "module/print/pdf_document.h"
#include "module/print/pdf_form_header.h"
#include "module/print/pdf_form_summary.h"
#include "module/print/qr_bill.h"

// The whole printed form: the header of the first page, the services table
// (pdf_services_table.h) over as many pages as it needs (the heading line
// with the page number and the table header on every page, the subtotal at
// the foot of a page carried to the top of the next), the summary on the
// last page (pdf_form_summary.h) and, when given, the QR-bill's payment slip
// at the foot of the last page, or on a page of its own when the summary
// leaves no room.

namespace invoice {

struct FormContent {
    FormHeading heading;
    PaymentNote note = PaymentNote::kDueDate;
    bool sort_by_tariff = false;   // services by tariff and code, else by date
    const QrBill* bill = nullptr;  // the payment slip, or null for none
    std::string payload;           // the bill's checked payload
};

// Which rows go on which page.
struct PagePlan {
    size_t first_row = 0;
    size_t row_count = 0;
    bool summary = false;  // the summary goes on this page
    bool slip = false;     // the payment slip goes on this page
};

// The pages of a form whose table starts at `first_table_top` on the first
// page, for `rows` services and a summary of `summary_height` mm.
std::vector<PagePlan> PlanPages(double first_table_top, size_t rows, double summary_height,
                                bool slip);

// Draws the form of `invoice` into `pdf`, which has its first page open.
// Returns false with *error when the slip cannot be drawn; the number of
// pages goes to *pages. REQUIRES: pdf, error and pages not null.
bool DrawInvoiceForm(PdfDocument* pdf, const InvoiceRequest& invoice, const FormContent& content,
                     int* pages, std::string* error);

}  // namespace invoice
