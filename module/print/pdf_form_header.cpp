#include "module/print/pdf_form_header.h"

#include <algorithm>
#include <vector>

#include "module/print/pdf_form_rows.h"
#include "module/print/pdf_form_text.h"
#include "module/print/pdf_services_table.h"
#include "module/print/print_labels.h"
#include "module/print/qr_bill.h"

namespace invoice {

namespace {

const TextStyle kSmall{7, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kLabel{7.5, FontFace::kBold, TextAlign::kLeft};
const TextStyle kValue{7.5, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kAddress{10, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kTitle{14, FontFace::kBold, TextAlign::kRight};
const TextStyle kMark{10, FontFace::kBold, TextAlign::kRight};

constexpr double kWindowTop = 48.0;
constexpr double kLabelWidth = 31.0;

// Draws rows of label and value from y and returns the y below them.
double DrawRows(PdfDocument* pdf, double x, double y, double width,
                const std::vector<FormRow>& rows, bool draw) {
    double line = pdf->LineHeight(kValue.size_pt);
    for (const FormRow& row : rows) {
        if (draw) {
            pdf->Text(x, y, kLabelWidth - 1, row.label, kLabel);
            pdf->Text(x + kLabelWidth, y, width - kLabelWidth, row.value, kValue);
        }
        y += line;
    }
    return y;
}

std::string GlnListText(const InvoiceRequest& invoice) {
    std::vector<std::string> glns = ServiceGlns(invoice);
    std::string text;
    for (size_t i = 0; i < glns.size(); ++i) {
        if (!text.empty()) text += ", ";
        text += std::to_string(i + 1) + " = " + glns[i];
    }
    return text;
}

// A full-width row whose value may wrap. Returns the y below it.
double WideRow(PdfDocument* pdf, double y, const std::string& label, const std::string& value,
               bool draw) {
    if (value.empty()) return y;
    double width = kFormRightMm - kFormLeftMm - kLabelWidth;
    if (draw) pdf->Text(kFormLeftMm, y, kLabelWidth - 1, label, kLabel);
    return y + pdf->Paragraph(kFormLeftMm + kLabelWidth, y, width, value, kValue, draw);
}

// The recipient: the debitor, else the insurer for tiers payant, else the
// guarantor, else the patient.
const Address* Recipient(const InvoiceRequest& invoice) {
    if (invoice.debitor && invoice.debitor->address) return &*invoice.debitor->address;
    bool payant = invoice.tiers && invoice.tiers->mode == TiersMode::kPayant;
    if (payant && invoice.insurance && invoice.insurance->address) {
        return &*invoice.insurance->address;
    }
    if (invoice.guarantor && invoice.guarantor->address) return &*invoice.guarantor->address;
    if (invoice.patient && invoice.patient->address) return &*invoice.patient->address;
    return nullptr;
}

// Address window and the biller beside it. Returns the y below both.
double DrawAddresses(PdfDocument* pdf, const InvoiceRequest& invoice, const FormHeading& heading,
                     bool draw) {
    Language lang = invoice.language;
    double window_x = heading.address_right ? 118.0 : 20.0;
    double biller_x = heading.address_right ? kFormLeftMm : 118.0;
    double y_window = kWindowTop;
    if (const Address* recipient = Recipient(invoice)) {
        for (const std::string& line : PostalLines(*recipient)) {
            if (draw) pdf->Text(window_x, y_window, 77, line, kAddress);
            y_window += pdf->LineHeight(kAddress.size_pt);
        }
    }
    double y_biller = kWindowTop;
    if (invoice.biller) {
        if (draw) pdf->Text(biller_x, y_biller, 77, Label(lang, LabelId::kBiller), kLabel);
        y_biller += pdf->LineHeight(kLabel.size_pt);
        for (const std::string& line : BillerLines(invoice)) {
            if (draw) pdf->Text(biller_x, y_biller, 77, line, kValue);
            y_biller += pdf->LineHeight(kValue.size_pt);
        }
    }
    return std::max({y_window, y_biller, kWindowTop + 30});
}

void DrawTitle(PdfDocument* pdf, const InvoiceRequest& invoice, const FormHeading& heading) {
    const double top = 14;
    if (heading.logo != nullptr) {
        pdf->Image(heading.logo, kFormLeftMm, top, heading.logo_width_mm, heading.logo_height_mm);
    }
    double y = top + pdf->Text(100, top, kFormRightMm - 100, heading.title, kTitle);
    Language lang = invoice.language;
    if (heading.storno)
        y += pdf->Text(100, y, kFormRightMm - 100, Label(lang, LabelId::kStorno), kMark);
    if (heading.copy) {
        pdf->Text(100, y, kFormRightMm - 100, Label(lang, LabelId::kCopyNotForPayment), kMark);
    }
}

}  // namespace

double DrawPageHeading(PdfDocument* pdf, const InvoiceRequest& invoice, const FormHeading& heading,
                       int page, int pages) {
    const double y = 8;
    Language lang = invoice.language;
    std::string left = heading.title;
    if (invoice.invoice) left += "  " + invoice.invoice->id;
    if (invoice.patient && invoice.patient->address) {
        left += "  " + AddressName(*invoice.patient->address);
    }
    pdf->Text(kFormLeftMm, y, 120, left, kSmall);
    TextStyle right = kSmall;
    right.align = TextAlign::kRight;
    std::string number = std::string(Label(lang, LabelId::kPage)) + " " + std::to_string(page) +
                         "/" + std::to_string(pages);
    pdf->Text(150, y, kFormRightMm - 150, number, right);
    if (heading.copy) {
        TextStyle mark = kLabel;
        mark.align = TextAlign::kCenter;
        pdf->Text(135, y, 20, Label(lang, LabelId::kCopy), mark);
    }
    return y + pdf->LineHeight(kSmall.size_pt);
}

double DrawFirstPageHeader(PdfDocument* pdf, const InvoiceRequest& invoice,
                           const FormHeading& heading, bool draw) {
    if (draw) DrawTitle(pdf, invoice, heading);
    double y = DrawAddresses(pdf, invoice, heading, draw) + 6;
    const double column = (kFormRightMm - kFormLeftMm - 4) / 2;
    double left =
        DrawRows(pdf, kFormLeftMm, y, column, DocumentRows(invoice, heading.sender_id), draw);
    double right = DrawRows(pdf, kFormLeftMm + column + 4, y, column, CaseRows(invoice), draw);
    y = std::max(left, right) + 1.5;
    Language lang = invoice.language;
    y = WideRow(pdf, y, Label(lang, LabelId::kDiagnoses), DiagnosesText(invoice), draw);
    if (invoice.request) {
        y = WideRow(pdf, y, Label(lang, LabelId::kRemark), invoice.request->remark, draw);
    }
    if (invoice.reminder) y = WideRow(pdf, y, heading.title, invoice.reminder->text, draw);
    y = WideRow(pdf, y, Label(lang, LabelId::kProviderList), GlnListText(invoice), draw);
    return y + 3;
}

}  // namespace invoice
