#pragma once

#include <string>
#include <vector>

#include "module/model/invoice_model.h"
#include "module/print/pdf_document.h"

// The services table of the printed form. Each record takes two lines: its
// figures, then its text. The figures are what its amount is made of, so
// that a reader can recompute it: the quantity and, for the medical (AL)
// and the technical (TL) part each, the tax points or price, the tax point
// value (unit factor), the scale factor and the external factor; the part
// a record's billing role does not bill says so instead ("nicht
// verrechnet"). The amount of a part is
//   quantity x tax points x tax point value x scale factor x external factor
// rounded to 0.01, and the record's amount is the sum of its billed parts.
// A plain record (AddService) fills the medical part's columns with its
// price, unit factor and external factor and leaves the scale factor empty.

namespace invoice {

enum class ServiceColumn {
    kDate,
    kTariff,
    kCode,
    kRefCode,
    kSession,
    kSide,
    kQuantity,
    kMtUnit,
    kMtUnitFactor,
    kMtScale,
    kMtExternal,
    kTtUnit,
    kTtUnitFactor,
    kTtScale,
    kTtExternal,
    kBilled,     // the billing role: AL+TL, AL, TL or "–"
    kProviders,  // provider/responsible: indexes into the form's GLN list
    kObligation,
    kVat,  // the line of the VAT summary
    kAmount,
    kCount  // not a column
};

// Where a column's cells go: from x (mm from the left edge) over width mm.
struct ColumnBox {
    double x;
    double width;
};
ColumnBox ServiceColumnBox(ServiceColumn column);

constexpr double kServiceRowHeightMm = 6.0;
constexpr double kServiceHeaderHeightMm = 8.0;

// The services in print order: by date (then record id), or by tariff type
// and code (then date, then record id).
std::vector<const ServiceRecord*> SortedServices(const InvoiceRequest& invoice, bool by_tariff);

// The GLNs of the services' providers and responsible persons in order of
// first appearance; the providers column prints their 1-based index.
std::vector<std::string> ServiceGlns(const InvoiceRequest& invoice);

// Draws the two header lines of the table from y; returns the y below.
double DrawServicesHeader(PdfDocument* pdf, double y, Language language);

// Draws `record` from y (one row of kServiceRowHeightMm).
void DrawServiceRow(PdfDocument* pdf, double y, const ServiceRecord& record,
                    const InvoiceRequest& invoice, const std::vector<std::string>& glns);

}  // namespace invoice
