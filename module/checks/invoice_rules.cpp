// Finalize's rules of dates and rates across the sections of an invoice.

#include "module/checks/check_dates.h"
#include "module/checks/invoice_checks.h"
#include "module/checks/vat_rates.h"
#include "module/model/balance.h"

namespace checks {

namespace {

constexpr int kMaxAgeYears = 130;

void CheckTreatmentPeriod(const invoice::InvoiceRequest& invoice,
                          std::vector<std::string>* findings) {
    const invoice::Treatment& treatment = *invoice.treatment;
    if (DayOf(treatment.date_begin) > DayOf(treatment.date_end)) {
        findings->push_back("treatment: the begin " + DateText(treatment.date_begin) +
                            " is after the end " + DateText(treatment.date_end));
        return;
    }
    for (const invoice::ServiceRecord& record : invoice.services) {
        for (double date : {static_cast<double>(record.date_begin),
                            record.date_end ? static_cast<double>(*record.date_end) : 0.0}) {
            if (date == 0) continue;
            if (DayOf(date) < DayOf(treatment.date_begin) ||
                DayOf(date) > DayOf(treatment.date_end)) {
                findings->push_back(invoice::RecordName(record) + ": the date " + DateText(date) +
                                    " lies outside the treatment " +
                                    DateText(treatment.date_begin) + " to " +
                                    DateText(treatment.date_end));
            }
        }
    }
}

void CheckBirthDate(const invoice::InvoiceRequest& invoice, std::vector<std::string>* findings) {
    const double birth = invoice.patient->birthdate;
    const double begin = invoice.treatment->date_begin;
    if (DayOf(birth) > DayOf(begin)) {
        findings->push_back("patient: the birth date " + DateText(birth) +
                            " is after the treatment begin " + DateText(begin));
    } else if (YearsLater(birth, kMaxAgeYears) < DayOf(begin)) {
        findings->push_back("patient: the birth date " + DateText(birth) + " lies more than " +
                            std::to_string(kMaxAgeYears) + " years before the treatment begin " +
                            DateText(begin));
    }
}

void CheckAccidentDate(const invoice::InvoiceRequest& invoice, std::vector<std::string>* findings) {
    const invoice::Law& law = *invoice.law;
    const bool accident = invoice.treatment->reason == invoice::TreatmentReason::kAccident ||
                          law.type == invoice::LawType::kUVG;
    if (!accident || !law.case_date) return;
    const double begin = invoice.treatment->date_begin;
    if (DayOf(*law.case_date) > DayOf(begin)) {
        findings->push_back("law: the accident date " + DateText(*law.case_date) +
                            " is after the treatment begin " + DateText(begin));
    }
}

void CheckVatRates(const invoice::InvoiceRequest& invoice, std::vector<std::string>* findings) {
    for (const invoice::ServiceRecord& record : invoice.services) {
        CheckResult rate = CheckVatRate(record.vat_rate, record.date_begin);
        if (!rate.ok) {
            findings->push_back(invoice::RecordName(record) + ": VAT rate " +
                                record.vat_rate.ToString() + " " + rate.rule);
        }
    }
}

}  // namespace

std::vector<std::string> CheckInvoiceRules(const invoice::InvoiceRequest& invoice) {
    std::vector<std::string> findings;
    if (invoice.treatment) {
        CheckTreatmentPeriod(invoice, &findings);
        if (invoice.patient) CheckBirthDate(invoice, &findings);
        if (invoice.law) CheckAccidentDate(invoice, &findings);
    }
    if (invoice.reminder && invoice.invoice &&
        DayOf(invoice.reminder->reference.date) < DayOf(invoice.invoice->date)) {
        findings.push_back("reminder: the date " + DateText(invoice.reminder->reference.date) +
                           " is before the date " + DateText(invoice.invoice->date) +
                           " of the invoice it reminds of");
    }
    CheckVatRates(invoice, &findings);
    return findings;
}

std::vector<std::string> CheckLoadedInvoice(const invoice::InvoiceRequest& invoice) {
    std::vector<std::string> findings = CheckInvoiceRules(invoice);
    for (std::vector<std::string> more :
         {CheckInvoiceIdentifiers(invoice), CheckFiledBalance(invoice)}) {
        findings.insert(findings.end(), more.begin(), more.end());
    }
    return findings;
}

}  // namespace checks
