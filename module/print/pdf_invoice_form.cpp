#include "module/print/pdf_invoice_form.h"

#include <algorithm>
#include <array>
#include <cassert>

#include "module/print/pdf_form_text.h"
#include "module/print/pdf_qr_section.h"
#include "module/print/print_labels.h"

namespace invoice {

namespace {

constexpr double kContinuationTop = 14.0;
constexpr double kTableBottom = 280.0;
constexpr double kHeaderRowHeight = 5.0;
constexpr double kRowHeight = 6.0;
constexpr double kCarriedHeight = 5.0;
constexpr double kSlipTop = kPageHeightMm - kSlipHeightMm;
constexpr double kSlipClearance = 6.0;  // room for the note above the slip

const TextStyle kCell{7, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kServiceText{6.5, FontFace::kItalic, TextAlign::kLeft};
const TextStyle kHeadCell{6.5, FontFace::kBold, TextAlign::kLeft};
const TextStyle kSum{8, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kSumBold{8, FontFace::kBold, TextAlign::kLeft};

struct Column {
    LabelId label;
    double x;
    double width;
    TextAlign align;
};

constexpr size_t kColumns = 15;
constexpr std::array<Column, kColumns> kTable = {{
    {LabelId::kColDate, 15, 15, TextAlign::kLeft},
    {LabelId::kColTariff, 30, 8, TextAlign::kLeft},
    {LabelId::kColCode, 38, 20, TextAlign::kLeft},
    {LabelId::kColRefCode, 58, 16, TextAlign::kLeft},
    {LabelId::kColSession, 74, 8, TextAlign::kRight},
    {LabelId::kColSide, 82, 8, TextAlign::kCenter},
    {LabelId::kColQuantity, 90, 10, TextAlign::kRight},
    {LabelId::kColUnitMt, 100, 15, TextAlign::kRight},
    {LabelId::kColFactorMt, 115, 9, TextAlign::kRight},
    {LabelId::kColUnitTt, 124, 13, TextAlign::kRight},
    {LabelId::kColFactorTt, 137, 9, TextAlign::kRight},
    {LabelId::kColProvider, 146, 10, TextAlign::kCenter},
    {LabelId::kColObligation, 156, 5, TextAlign::kCenter},
    {LabelId::kColVat, 161, 10, TextAlign::kCenter},
    {LabelId::kColAmount, 171, 24, TextAlign::kRight},
}};

using Cells = std::array<std::string, kColumns>;

std::string SideText(Language lang, BodySide side) {
    if (side == BodySide::kLeft)
        return lang == Language::kGerman ? "L" : lang == Language::kFrench ? "G" : "S";
    if (side == BodySide::kRight) return lang == Language::kGerman ? "R" : "D";
    return std::string();
}

std::string IndexOf(const std::vector<std::string>& glns, const std::string& gln) {
    auto found = std::find(glns.begin(), glns.end(), gln);
    if (found == glns.end()) return "-";
    return std::to_string(found - glns.begin() + 1);
}

// The VAT code of a rate: its place in the balance's rates (0, 1, ...).
std::string VatCode(const Balance& balance, const Decimal& rate) {
    for (size_t i = 0; i < balance.vat_rates.size(); ++i) {
        if (balance.vat_rates[i].vat_rate == rate) return std::to_string(i);
    }
    return rate.ToString() + "%";
}

Cells CellsOf(const ServiceRecord& record, const InvoiceRequest& invoice,
              const std::vector<std::string>& glns) {
    bool extended = record.kind == ServiceKind::kServiceEx;
    Cells cells;
    cells[0] = DateText(record.date_begin);
    cells[1] = record.tariff_type;
    cells[2] = record.code;
    cells[3] = record.ref_code;
    cells[4] = std::to_string(record.session);
    cells[5] = SideText(invoice.language, record.side);
    cells[6] = record.quantity.ToString();
    cells[7] = FactorText(extended ? record.mt.unit : record.unit);
    cells[8] = FactorText(extended ? record.mt.unit_factor : record.unit_factor);
    cells[9] = extended ? FactorText(record.tt.unit) : std::string();
    cells[10] = extended ? FactorText(record.tt.unit_factor) : std::string();
    cells[11] = IndexOf(glns, record.provider_ean) + "/" + IndexOf(glns, record.responsible_ean);
    cells[12] = record.obligation ? "1" : "0";
    cells[13] = VatCode(invoice.balance, record.vat_rate);
    cells[14] = MoneyText(record.amount);
    return cells;
}

void DrawCells(PdfDocument* pdf, double y, const Cells& cells, TextStyle style) {
    for (size_t i = 0; i < kColumns; ++i) {
        if (cells[i].empty()) continue;
        style.align = kTable[i].align;
        pdf->Text(kTable[i].x, y, kTable[i].width - 1, cells[i], style);
    }
}

double DrawTableHeader(PdfDocument* pdf, double y, Language lang) {
    pdf->FillRect(kFormLeftMm, y, kFormRightMm - kFormLeftMm, kHeaderRowHeight - 0.5, 0.88);
    Cells heads;
    for (size_t i = 0; i < kColumns; ++i) heads[i] = Label(lang, kTable[i].label);
    DrawCells(pdf, y + 1, heads, kHeadCell);
    return y + kHeaderRowHeight;
}

// A line with a label on the left of the amount column and the amount.
void AmountLine(PdfDocument* pdf, double y, const std::string& label, const std::string& amount,
                const TextStyle& style) {
    TextStyle right = style;
    right.align = TextAlign::kRight;
    pdf->Text(105, y, 63, label, right);
    pdf->Text(169, y, 25, amount, right);
}

void DrawRow(PdfDocument* pdf, double y, const ServiceRecord& record, const InvoiceRequest& invoice,
             const std::vector<std::string>& glns) {
    DrawCells(pdf, y, CellsOf(record, invoice, glns), kCell);
    pdf->Text(30, y + 2.8, kFormRightMm - 30, record.name, kServiceText);
    pdf->Line(kFormLeftMm, y + kRowHeight - 0.3, kFormRightMm, y + kRowHeight - 0.3, 0.2);
}

// The summary of the last page; with `draw` false only measures. Returns
// its height.
double DrawSummary(PdfDocument* pdf, const InvoiceRequest& invoice, double top, bool draw) {
    Language lang = invoice.language;
    const Balance& balance = invoice.balance;
    const double line = pdf->LineHeight(kSum.size_pt) + 0.6;
    double y = top + 2;
    auto amount_line = [&](LabelId label, const std::string& value, const TextStyle& style) {
        if (draw) AmountLine(pdf, y, Label(lang, label), value, style);
        y += line;
    };
    if (draw) pdf->Line(105, top + 1, kFormRightMm, top + 1, 0.6);
    amount_line(LabelId::kTotal, MoneyText(balance.amount), kSumBold);
    amount_line(LabelId::kObligations, MoneyText(balance.amount_obligations), kSum);
    if (!balance.vat_rates.empty()) {
        y += 1;
        if (draw) {
            TextStyle head = kSumBold;
            head.align = TextAlign::kRight;
            pdf->Text(105, y, 12, Label(lang, LabelId::kVat), head);
            pdf->Text(117, y, 20, Label(lang, LabelId::kVatRate), head);
            pdf->Text(137, y, 31, Label(lang, LabelId::kVatBase), head);
            pdf->Text(169, y, 25, Label(lang, LabelId::kVat), head);
        }
        y += line;
        for (size_t i = 0; i < balance.vat_rates.size(); ++i) {
            const VatRateLine& rate = balance.vat_rates[i];
            if (draw) {
                TextStyle cell = kSum;
                cell.align = TextAlign::kRight;
                pdf->Text(105, y, 12, std::to_string(i), cell);
                pdf->Text(117, y, 20, rate.vat_rate.ToString() + "%", cell);
                pdf->Text(137, y, 31, MoneyText(rate.amount), cell);
                pdf->Text(169, y, 25, MoneyText(rate.vat), cell);
            }
            y += line;
        }
        if (!balance.vat_number.empty()) amount_line(LabelId::kVatNumber, balance.vat_number, kSum);
        y += 1;
    }
    bool garant = !invoice.tiers || invoice.tiers->mode == TiersMode::kGarant;
    if (garant && !balance.amount_prepaid.IsZero()) {
        amount_line(LabelId::kPrepaid, MoneyText(-balance.amount_prepaid), kSum);
    }
    if (!balance.amount_reminder.IsZero()) {
        amount_line(LabelId::kReminderFee, MoneyText(balance.amount_reminder), kSum);
    }
    if (draw) pdf->Line(105, y, kFormRightMm, y, 0.6);
    y += 0.8;
    amount_line(LabelId::kAmountDue, MoneyText(balance.amount_due), kSumBold);
    if (invoice.esr && invoice.esr->payment_period_days > 0) {
        std::string text = std::string(Label(lang, LabelId::kPaymentPeriod)) + " " +
                           std::to_string(invoice.esr->payment_period_days) + " " +
                           Label(lang, LabelId::kDays);
        if (draw) pdf->Text(105, y, 90, text, kSum);
        y += line;
    }
    return y - top;
}

}  // namespace

std::vector<PagePlan> PlanPages(double first_table_top, size_t rows, double summary_height,
                                bool slip) {
    std::vector<PagePlan> pages;
    PagePlan page;
    double y = first_table_top + kHeaderRowHeight;
    const double continued = kContinuationTop + kCarriedHeight + kHeaderRowHeight;
    for (size_t i = 0; i < rows; ++i) {
        if (y + kRowHeight > kTableBottom && page.row_count > 0) {
            pages.push_back(page);
            page = PagePlan{i, 0, false, false};
            y = continued;
        }
        ++page.row_count;
        y += kRowHeight;
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

std::vector<const ServiceRecord*> SortedServices(const InvoiceRequest& invoice, bool by_tariff) {
    std::vector<const ServiceRecord*> sorted;
    for (const ServiceRecord& record : invoice.services) sorted.push_back(&record);
    auto by_date = [](const ServiceRecord* a, const ServiceRecord* b) {
        if (a->date_begin != b->date_begin) return a->date_begin < b->date_begin;
        return a->record_id < b->record_id;
    };
    auto by_code = [&by_date](const ServiceRecord* a, const ServiceRecord* b) {
        if (a->tariff_type != b->tariff_type) return a->tariff_type < b->tariff_type;
        if (a->code != b->code) return a->code < b->code;
        return by_date(a, b);
    };
    if (by_tariff) {
        std::stable_sort(sorted.begin(), sorted.end(), by_code);
    } else {
        std::stable_sort(sorted.begin(), sorted.end(), by_date);
    }
    return sorted;
}

bool DrawInvoiceForm(PdfDocument* pdf, const InvoiceRequest& invoice, const FormContent& content,
                     int* pages, std::string* error) {
    assert(pdf != nullptr && pages != nullptr && error != nullptr);
    const Language lang = invoice.language;
    std::vector<const ServiceRecord*> rows = SortedServices(invoice, content.sort_by_tariff);
    std::vector<std::string> glns = ServiceGlns(invoice);
    double table_top = DrawFirstPageHeader(pdf, invoice, content.heading, false);
    double summary_height = DrawSummary(pdf, invoice, 0, false);
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
            AmountLine(pdf, y, Label(lang, LabelId::kCarried), MoneyText(subtotal), kSumBold);
            y += kCarriedHeight;
        }
        if (k == 0 || page.row_count > 0) y = DrawTableHeader(pdf, y, lang);
        for (size_t i = page.first_row; i < page.first_row + page.row_count; ++i) {
            DrawRow(pdf, y, *rows[i], invoice, glns);
            subtotal += rows[i]->amount;
            y += kRowHeight;
        }
        if (!page.summary && page.row_count > 0) {
            AmountLine(pdf, kTableBottom + 1, Label(lang, LabelId::kSubtotal), MoneyText(subtotal),
                       kSumBold);
        }
        if (page.summary) DrawSummary(pdf, invoice, y, true);
        if (page.slip &&
            !DrawPaymentSlip(pdf, kSlipTop, *content.bill, content.payload, lang, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace invoice
