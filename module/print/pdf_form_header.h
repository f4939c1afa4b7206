#pragma once

#include <cairo.h>

#include <string>

#include "module/model/invoice_model.h"
#include "module/print/pdf_document.h"

// The top of the printed form: the heading line of every page, and on the
// first page the logo, the title with the storno and copy marks, the address
// window, the biller and the header blocks (pdf_form_rows.h), the diagnoses,
// the remark, the reminder's text and the GLN list of the services table.

namespace invoice {

constexpr double kFormLeftMm = 15.0;
constexpr double kFormRightMm = 195.0;

struct FormHeading {
    std::string title;  // "Rückforderungsbeleg", "2. Mahnung", ...
    bool copy = false;
    bool storno = false;
    bool address_right = true;        // the address window on the right
    std::string sender_id;            // printed when not empty
    cairo_surface_t* logo = nullptr;  // not owned; may be null
    double logo_width_mm = 0;
    double logo_height_mm = 0;
};

// The line at the top of every page: invoice number and patient, the copy
// mark, "Seite page/pages". Returns the y below it.
double DrawPageHeading(PdfDocument* pdf, const InvoiceRequest& invoice, const FormHeading& heading,
                       int page, int pages);

// The first page's header below the heading line. With `draw` false only
// measures. Returns the y (mm) where the services table may begin.
double DrawFirstPageHeader(PdfDocument* pdf, const InvoiceRequest& invoice,
                           const FormHeading& heading, bool draw);

}  // namespace invoice
