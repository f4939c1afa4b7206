#include "module/print/pdf_invoice_form.h"

#include <cassert>

#include "module/print/pdf_form_summary.h"
#include "module/print/pdf_form_text.h"
#include "module/print/pdf_qr_section.h"
#include "module/print/pdf_services_table.h"
#include "module/print/print_labels.h"

namespace invoice {

namespace {

constexpr double kContinuationTop = 14.0;
constexpr double kTableBottom = 280.0;
constexpr double kCarriedHeight = 5.0;
constexpr double kSlipTop = kPageHeightMm - kSlipHeightMm;
constexpr double kSlipClearance = 6.0;  // room for the note above the slip

const TextStyle kSumBold{8, FontFace::kBold, TextAlign::kRight};

// A line with a label left of the amount column and the amount.
void AmountLine(PdfDocument* pdf, double y, const std::string& label, const std::string& amount) {
    pdf->Text(105, y, 63, label, kSumBold);
    pdf->Text(169, y, 26, amount, kSumBold);
}

}  // namespace

std::vector<PagePlan> PlanPages(double first_table_top, size_t rows, double summary_height,
                                bool slip) {
    std::vector<PagePlan> pages;
    PagePlan page;
    double y = first_table_top + kServiceHeaderHeightMm;
    const double continued = kContinuationTop + kCarriedHeight + kServiceHeaderHeightMm;
    for (size_t i = 0; i < rows; ++i) {
        if (y + kServiceRowHeightMm > kTableBottom && page.row_count > 0) {
            pages.push_back(page);
            page = PagePlan{i, 0, false, false};
            y = continued;
        }
        ++page.row_count;
        y += kServiceRowHeightMm;
    }
    if (y + summary_height > kTableBottom) {
        pages.push_back(page);
        page = PagePlan{rows, 0, false, false};
        y = kContinuationTop + kCarriedHeight;
    }
    page.summary = true;
    y += summary_height;
    if (slip) {
        if (y > kSlipTop - kSlipClearance) {
            pages.push_back(page);
            page = PagePlan{rows, 0, false, false};
        }
        page.slip = true;
    }
    pages.push_back(page);
    return pages;
}

bool DrawInvoiceForm(PdfDocument* pdf, const InvoiceRequest& invoice, const FormContent& content,
                     int* pages, std::string* error) {
    assert(pdf != nullptr && pages != nullptr && error != nullptr);
    const Language lang = invoice.language;
    std::vector<const ServiceRecord*> rows = SortedServices(invoice, content.sort_by_tariff);
    std::vector<std::string> glns = ServiceGlns(invoice);
    double table_top = DrawFirstPageHeader(pdf, invoice, content.heading, false);
    double summary_height = DrawSummary(pdf, invoice, content.note, 0, false);
    std::vector<PagePlan> plan =
        PlanPages(table_top, rows.size(), summary_height, content.bill != nullptr);
    *pages = static_cast<int>(plan.size());
    Decimal subtotal;
    for (size_t k = 0; k < plan.size(); ++k) {
        const PagePlan& page = plan[k];
        if (k > 0) pdf->NextPage();
        DrawPageHeading(pdf, invoice, content.heading, static_cast<int>(k + 1), *pages);
        double y = kContinuationTop;
        if (k == 0) {
            y = DrawFirstPageHeader(pdf, invoice, content.heading, true);
        } else if (page.row_count > 0 || page.summary) {
            AmountLine(pdf, y, Label(lang, LabelId::kCarried), MoneyText(subtotal));
            y += kCarriedHeight;
        }
        if (k == 0 || page.row_count > 0) y = DrawServicesHeader(pdf, y, lang);
        for (size_t i = page.first_row; i < page.first_row + page.row_count; ++i) {
            DrawServiceRow(pdf, y, *rows[i], invoice, glns);
            subtotal += rows[i]->amount;
            y += kServiceRowHeightMm;
        }
        if (!page.summary && page.row_count > 0) {
            AmountLine(pdf, kTableBottom + 1, Label(lang, LabelId::kSubtotal), MoneyText(subtotal));
        }
        if (page.summary) DrawSummary(pdf, invoice, content.note, y, true);
        if (page.slip &&
            !DrawPaymentSlip(pdf, kSlipTop, *content.bill, content.payload, lang, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace invoice
