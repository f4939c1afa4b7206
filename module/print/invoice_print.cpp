#include "module/print/invoice_print.h"

#include <unistd.h>

#include <cassert>
#include <cstdio>
#include <ctime>

#include "module/print/logo_image.h"
#include "module/print/pdf_document.h"
#include "module/print/pdf_invoice_form.h"
#include "module/print/print_labels.h"
#include "module/print/qr_bill.h"

namespace invoice {

namespace {

HRESULT Fail(HRESULT code, const std::string& text, std::string* errorText) {
    *errorText = "Print: " + text;
    return code;
}

PrintLayout ChosenLayout(PrintLayout asked, const InvoiceRequest& request) {
    if (asked != PrintLayout::kAutomatic) return asked;
    if (request.reminder) return PrintLayout::kReminder;
    if (request.tiers && request.tiers->mode == TiersMode::kPayant) return PrintLayout::kReclaim;
    return PrintLayout::kPatientInvoice;
}

std::string ReminderTitle(const InvoiceRequest& request) {
    int level = static_cast<int>(request.reminder->level);
    std::string number = std::to_string(level);
    switch (request.language) {
        case Language::kFrench:
            number += level == 1 ? "er" : "e";
            break;
        case Language::kItalian:
            number += "°";
            break;
        case Language::kGerman:
            number += ".";
            break;
    }
    return number + " " + Label(request.language, LabelId::kTitleReminder);
}

std::string TitleOf(PrintLayout layout, const InvoiceRequest& request) {
    Language lang = request.language;
    switch (layout) {
        case PrintLayout::kReclaim: {
            bool payant = request.tiers && request.tiers->mode == TiersMode::kPayant;
            return Label(lang,
                         payant ? LabelId::kTitleReclaimPayant : LabelId::kTitleReclaimGarant);
        }
        case PrintLayout::kReminder:
            return ReminderTitle(request);
        case PrintLayout::kPatientInvoice:
        case PrintLayout::kAutomatic:
            break;
    }
    return Label(lang, LabelId::kTitleInvoice);
}

bool IsCopy(const InvoiceRequest& request, const PrintTemplate& parsed, long attributes) {
    return (attributes & kPrintAsCopy) != 0 || parsed.Value("Copy") == "1" ||
           (request.request && request.request->is_copy);
}

// What the form says about paying; only kDueDate allows a payment slip.
PaymentNote NoteOf(const InvoiceRequest& request, bool copy) {
    if (request.request && request.request->is_storno) return PaymentNote::kStorno;
    if (copy) return PaymentNote::kCopy;
    if (request.balance.amount_due.IsZero()) return PaymentNote::kNothingToPay;
    if (request.balance.amount_due.IsNegative()) return PaymentNote::kCredit;
    return PaymentNote::kDueDate;
}

bool WantsSlip(PrintLayout layout, const InvoiceRequest& request, PaymentNote note,
               long attributes) {
    if (layout == PrintLayout::kReclaim || (attributes & kPrintWithoutSlip) != 0) return false;
    return HasQrPayment(request) && note == PaymentNote::kDueDate;
}

int64_t TimestampOf(const InvoiceRequest& request, int64_t asked) {
    if (asked != 0) return asked;
    if (request.invoice && request.invoice->timestamp != 0) return request.invoice->timestamp;
    return static_cast<int64_t>(std::time(nullptr));
}

// Everything that can be refused before a file is touched.
HRESULT Prepare(const InvoiceRequest& request, const PrintOptions& options, PrintTemplate* parsed,
                PrintOutcome* outcome, std::string* errorText) {
    checks::CheckResult grammar = ParsePrintTemplate(options.print_template, parsed);
    if (!grammar.ok) return Fail(E_INVALIDARG, "bstrPrintTemplate: " + grammar.rule, errorText);
    outcome->pdf_path = parsed->Value("PDF_NOPRINT");
    if (outcome->pdf_path.empty()) {
        return Fail(E_INVALIDARG, "bstrPrintTemplate names no output file (PDF_NOPRINT)",
                    errorText);
    }
    if (options.address_right != 0 && options.address_right != 1) {
        return Fail(E_INVALIDARG,
                    "eAddressRight " + std::to_string(options.address_right) +
                        " is neither 0 (left) nor 1 (right)",
                    errorText);
    }
    if (options.sort_time_tariff != 0 && options.sort_time_tariff != 1) {
        return Fail(E_INVALIDARG,
                    "eSortTimeTariff " + std::to_string(options.sort_time_tariff) +
                        " is neither 0 (by date) nor 1 (by tariff)",
                    errorText);
    }
    if (!request.finalized) {
        return Fail(E_FAIL, "the request is not finalized (Finalize must succeed first)",
                    errorText);
    }
    outcome->layout = ChosenLayout(parsed->layout, request);
    if (outcome->layout == PrintLayout::kReminder && !request.reminder) {
        return Fail(E_INVALIDARG, "the Reminder layout needs a reminder (SetReminder)", errorText);
    }
    return S_OK;
}

// The slip's bill and payload, when the print carries one.
HRESULT PrepareSlip(const InvoiceRequest& request, PaymentNote note, long attributes, QrBill* bill,
                    PrintOutcome* outcome, std::string* errorText) {
    outcome->has_slip = WantsSlip(outcome->layout, request, note, attributes);
    if (!outcome->has_slip) return S_OK;
    *bill = QrBillOf(request);
    checks::CheckResult rules = BuildQrPayload(*bill, &outcome->qr_payload);
    if (!rules.ok) return Fail(E_INVALIDARG, "QR-bill: " + rules.rule, errorText);
    return S_OK;
}

HRESULT Render(const InvoiceRequest& printed, const FormContent& content, PrintOutcome* outcome,
               std::string* errorText) {
    std::string part = outcome->pdf_path + ".part";
    std::string error;
    {
        PdfDocument pdf(part, outcome->timestamp, content.heading.title);
        if (pdf.ok() && DrawInvoiceForm(&pdf, printed, content, &outcome->pages, &error)) {
            pdf.Finish();
        }
        if (error.empty() && !pdf.ok()) error = pdf.error();
    }
    if (error.empty() && std::rename(part.c_str(), outcome->pdf_path.c_str()) != 0) {
        error = "the PDF file cannot be moved into place";
    }
    if (!error.empty()) {
        unlink(part.c_str());
        return Fail(E_FAIL, outcome->pdf_path + ": " + error, errorText);
    }
    return S_OK;
}

}  // namespace

HRESULT PrintInvoice(const InvoiceRequest& request, const PrintOptions& options,
                     PrintOutcome* outcome, std::string* errorText) {
    assert(outcome != nullptr && errorText != nullptr);
    PrintTemplate parsed;
    PrintOutcome result;
    HRESULT hr = Prepare(request, options, &parsed, &result, errorText);
    if (FAILED(hr)) return hr;
    FormContent content;
    content.heading.copy = IsCopy(request, parsed, options.generation_attributes);
    content.heading.storno = request.request && request.request->is_storno;
    content.note = NoteOf(request, content.heading.copy);
    QrBill bill;
    hr = PrepareSlip(request, content.note, options.generation_attributes, &bill, &result,
                     errorText);
    if (FAILED(hr)) return hr;

    ImageSurface logo;
    if (!options.logo_file.empty() && (options.generation_attributes & kPrintWithoutLogo) == 0) {
        std::string error;
        logo = ReadLogoImage(options.logo_file, &error);
        if (!logo) return Fail(E_FAIL, error, errorText);
        content.heading.logo = logo.get();
        content.heading.logo_width_mm = static_cast<double>(options.logo_width_mm);
        content.heading.logo_height_mm = static_cast<double>(options.logo_height_mm);
    }
    content.heading.title = TitleOf(result.layout, request);
    content.heading.address_right = options.address_right == 1;
    content.heading.sender_id = options.sender_id;
    content.sort_by_tariff = options.sort_time_tariff == 1;
    content.bill = result.has_slip ? &bill : nullptr;
    content.payload = result.qr_payload;

    result.timestamp = TimestampOf(request, options.timestamp);
    auto printed = std::make_shared<InvoiceRequest>(request);
    if (printed->invoice) printed->invoice->timestamp = result.timestamp;
    hr = Render(*printed, content, &result, errorText);
    if (FAILED(hr)) return hr;
    result.printed = std::move(printed);
    *outcome = std::move(result);
    return S_OK;
}

}  // namespace invoice
