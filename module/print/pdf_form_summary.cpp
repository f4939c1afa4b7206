#include "module/print/pdf_form_summary.h"

#include <algorithm>
#include <map>
#include <string>

#include "module/print/pdf_form_rows.h"
#include "module/print/pdf_form_text.h"
#include "module/print/print_labels.h"

namespace invoice {

namespace {

constexpr double kLeft = 15;
constexpr double kRight = 195;
constexpr double kRightBlock = 105;

const TextStyle kSum{8, FontFace::kRegular, TextAlign::kRight};
const TextStyle kSumBold{8, FontFace::kBold, TextAlign::kRight};
const TextStyle kNote{7, FontFace::kRegular, TextAlign::kLeft};

class Block {
  public:
    Block(PdfDocument* pdf, Language language, double top, bool draw)
        : pdf_(pdf), language_(language), y_(top), draw_(draw) {
        line_ = pdf->LineHeight(kSum.size_pt) + 0.6;
    }

    // A figure at the right edge with its label left of it.
    void Figure(LabelId label, const Decimal& amount, const TextStyle& style) {
        Figure(Label(language_, label), MoneyText(amount), style);
    }
    void Figure(const std::string& label, const std::string& amount, const TextStyle& style) {
        if (draw_) {
            pdf_->Text(kRightBlock, y_, 63, label, style);
            pdf_->Text(169, y_, kRight - 169, amount, style);
        }
        y_ += line_;
    }
    void Rule(double width_pt) {
        if (draw_) pdf_->Line(kRightBlock, y_, kRight, y_, width_pt);
        y_ += 0.8;
    }
    void Skip(double mm) { y_ += mm; }
    double y() const { return y_; }
    double line() const { return line_; }
    bool draw() const { return draw_; }
    PdfDocument* pdf() const { return pdf_; }
    Language language() const { return language_; }

  private:
    PdfDocument* pdf_;
    Language language_;
    double y_;
    bool draw_;
    double line_ = 0;
};

void VatLines(const Balance& balance, Block* block) {
    if (balance.vat_rates.empty()) return;
    block->Skip(1);
    if (block->draw()) {
        PdfDocument* pdf = block->pdf();
        Language lang = block->language();
        double y = block->y();
        pdf->Text(kRightBlock, y, 12, Label(lang, LabelId::kVat), kSumBold);
        pdf->Text(117, y, 20, Label(lang, LabelId::kVatRate), kSumBold);
        pdf->Text(137, y, 31, Label(lang, LabelId::kVatBase), kSumBold);
        pdf->Text(169, y, kRight - 169, Label(lang, LabelId::kVat), kSumBold);
        for (size_t i = 0; i < balance.vat_rates.size(); ++i) {
            const VatRateLine& rate = balance.vat_rates[i];
            y += block->line();
            pdf->Text(kRightBlock, y, 12, std::to_string(i), kSum);
            pdf->Text(117, y, 20, rate.vat_rate.ToString() + "%", kSum);
            pdf->Text(137, y, 31, MoneyText(rate.amount), kSum);
            pdf->Text(169, y, kRight - 169, MoneyText(rate.vat), kSum);
        }
    }
    block->Skip(block->line() * static_cast<double>(balance.vat_rates.size() + 1) + 1);
}

std::string NoteText(const InvoiceRequest& invoice, PaymentNote note) {
    Language lang = invoice.language;
    switch (note) {
        case PaymentNote::kStorno:
            return Label(lang, LabelId::kStornoNotForPayment);
        case PaymentNote::kCopy:
            return Label(lang, LabelId::kCopyNotForPayment);
        case PaymentNote::kNothingToPay:
            return Label(lang, LabelId::kNothingToPay);
        case PaymentNote::kCredit:
            return std::string(Label(lang, LabelId::kCreditBalance)) + " " +
                   MoneyText(-invoice.balance.amount_due);
        case PaymentNote::kDueDate:
            break;
    }
    std::string due = DateText(DueDate(invoice));
    if (due.empty()) return due;
    return std::string(Label(lang, LabelId::kDueDate)) + " " + due + " (" +
           std::to_string(invoice.esr->payment_period_days) + " " + Label(lang, LabelId::kDays) +
           ")";
}

// The right half: the figures from the total to the amount due. Returns
// the y below them.
double DrawFigures(const InvoiceRequest& invoice, PaymentNote note, Block* block) {
    const Balance& balance = invoice.balance;
    block->Rule(0.6);
    block->Skip(0.6);
    block->Figure(LabelId::kTotal, balance.amount, kSumBold);
    block->Figure(LabelId::kObligations, balance.amount_obligations, kSum);
    VatLines(balance, block);
    if (!balance.amount_prepaid.IsZero()) {
        block->Figure(LabelId::kPrepaid, -balance.amount_prepaid, kSum);
    }
    if (!balance.amount_reminder.IsZero()) {
        block->Figure(LabelId::kReminderFee, balance.amount_reminder, kSum);
    }
    if (!balance.round_difference.IsZero()) {
        block->Figure(LabelId::kRounding, balance.round_difference, kSum);
    }
    block->Rule(0.6);
    block->Figure(LabelId::kAmountDue, balance.amount_due, kSumBold);
    std::string text = NoteText(invoice, note);
    if (!text.empty()) {
        TextStyle style = note == PaymentNote::kDueDate ? kSum : kSumBold;
        block->Figure(text, "", style);
    }
    return block->y();
}

// The left half: the total per tariff type, then how an amount is made.
double DrawTariffTotals(const InvoiceRequest& invoice, double top, bool draw, PdfDocument* pdf) {
    std::map<std::string, Decimal> totals;
    for (const ServiceRecord& record : invoice.services)
        totals[record.tariff_type] += record.amount;
    Language lang = invoice.language;
    const double line = pdf->LineHeight(kSum.size_pt) + 0.6;
    double y = top + 2;
    TextStyle head = kSumBold;
    head.align = TextAlign::kLeft;
    if (draw) pdf->Text(kLeft, y, 60, Label(lang, LabelId::kTariffTotals), head);
    y += line;
    for (const auto& total : totals) {
        if (draw) {
            TextStyle name = kSum;
            name.align = TextAlign::kLeft;
            pdf->Text(kLeft, y, 40, Label(lang, LabelId::kTariff) + (" " + total.first), name);
            pdf->Text(kLeft + 40, y, 35, MoneyText(total.second), kSum);
        }
        y += line;
    }
    y += 1;
    double width = kRightBlock - 5 - kLeft;
    return y + pdf->Paragraph(kLeft, y, width, Label(lang, LabelId::kAmountFormula), kNote, draw);
}

}  // namespace

double DrawSummary(PdfDocument* pdf, const InvoiceRequest& invoice, PaymentNote note, double top,
                   bool draw) {
    Block block(pdf, invoice.language, top + 1, draw);
    double right = DrawFigures(invoice, note, &block);
    double left = DrawTariffTotals(invoice, top, draw, pdf);
    return std::max(left, right) - top;
}

}  // namespace invoice
