// Finalize's rules across the sections of an invoice (dates, VAT rates by the
// Swiss rate table): for each rule a case exactly at its limit that passes
// and one just past it that fails, with the text naming the record and the
// rule.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "module/checks/check_dates.h"
#include "module/checks/invoice_checks.h"
#include "tests/engine/result_sample_invoice.h"

namespace {

using checks::DateSerial;
using invoice::InvoiceRequest;
using result_test::D;

// Treatment in March 2024 (for a disease), two services inside it, patient
// born 1980, invoice of 2024-04-02, KVG.
InvoiceRequest BaseInvoice() {
    InvoiceRequest invoice;
    invoice.treatment.emplace();
    invoice.treatment->date_begin = DateSerial(2024, 3, 1);
    invoice.treatment->date_end = DateSerial(2024, 3, 31);
    invoice.patient.emplace().birthdate = DateSerial(1980, 5, 1);
    invoice.invoice.emplace().date = DateSerial(2024, 4, 2);
    invoice.law.emplace().type = invoice::LawType::kKVG;
    invoice.services = {result_test::Article(1, "GA", "A", "1", "1", "1", "8.1"),
                        result_test::Article(2, "GB", "B", "1", "1", "1", "0")};
    for (invoice::ServiceRecord& record : invoice.services)
        record.date_begin = DateSerial(2024, 3, 10);
    return invoice;
}

using Change = std::function<void(InvoiceRequest*, double day)>;

// The first service at the VAT rate `rate`, everything on the same day.
Change Vat(const char* rate) {
    return [rate](InvoiceRequest* r, double d) {
        r->treatment->date_begin = r->treatment->date_end = r->invoice->date = d;
        for (invoice::ServiceRecord& record : r->services) record.date_begin = d;
        r->services[0].vat_rate = D(rate);
    };
}

// Each row sets one date of the base invoice: to `limit`, where the rules
// find nothing, and to `past`, a day beyond it, where they find exactly one
// finding that holds `finding` (none when it is "").
TEST(FinalizeRulesTest, EachRulePassesAtItsLimitAndFailsOnePast) {
    const double kBegin = DateSerial(2024, 3, 1);
    const double kEnd = DateSerial(2024, 3, 31);
    const struct {
        Change change;
        double limit, past;
        std::string finding;
    } cases[] = {
        {[](auto* r, double d) {  // a treatment of one day, times within it
             r->treatment->date_end = d + 0.2;
             for (invoice::ServiceRecord& record : r->services) record.date_begin = d + 0.5;
         },
         kBegin, kBegin - 1, "treatment: the begin 2024-03-01 is after the end 2024-02-29"},
        {[](auto* r, double d) { r->services[0].date_end = invoice::DateTime(d); }, kEnd, kEnd + 1,
         "service record 1 (tariff 999, code GA): the date 2024-04-01 lies outside"},
        {[](auto* r, double d) { r->services[1].date_begin = d; }, kBegin, kBegin - 1,
         "service record 2 (tariff 999, code GB): the date 2024-02-29 lies outside the "
         "treatment 2024-03-01 to 2024-03-31"},
        {[](auto* r, double d) { r->patient->birthdate = d; }, kBegin, kBegin + 1,
         "patient: the birth date 2024-03-02 is after the treatment begin 2024-03-01"},
        {[](auto* r, double d) { r->patient->birthdate = d; }, DateSerial(1894, 3, 1),
         DateSerial(1894, 2, 28), "patient: the birth date 1894-02-28 lies more than 130 years"},
        {[](auto* r, double d) { r->reminder.emplace().reference.date = d; },
         DateSerial(2024, 4, 2), DateSerial(2024, 4, 1),
         "reminder: the date 2024-04-01 is before the date 2024-04-02 of the invoice"},
        {[](auto* r, double d) {
             r->treatment->reason = invoice::TreatmentReason::kAccident;
             r->law->case_date = invoice::DateTime(d);
         },
         kBegin, kBegin + 1,
         "law: the accident date 2024-03-02 is after the treatment begin 2024-03-01"},
        // Under KVG for a disease the case date is no accident date.
        {[](auto* r, double d) { r->law->case_date = invoice::DateTime(d); }, kBegin, kBegin + 1,
         ""},
        // The rates on the last day they are allowed and the first they are not.
        {Vat("7.6"), DateSerial(2010, 12, 31), DateSerial(2011, 1, 1),
         "service record 1 (tariff 999, code GA): VAT rate 7.6 is not a Swiss VAT rate on "
         "2011-01-01 (0, 2.5, 3.8 or 8.0)"},
        {Vat("8"), DateSerial(2017, 12, 31), DateSerial(2018, 1, 1),
         "VAT rate 8 is not a Swiss VAT rate on 2018-01-01 (0, 2.5, 3.7 or 7.7)"},
        {Vat("7.7"), DateSerial(2023, 12, 31), DateSerial(2024, 1, 1),
         "VAT rate 7.7 is not a Swiss VAT rate on 2024-01-01 (0, 2.6, 3.8 or 8.1)"},
    };
    for (const auto& c : cases) {
        for (double d : {c.limit, c.past}) {
            InvoiceRequest invoice = BaseInvoice();
            c.change(&invoice, d);
            const std::vector<std::string> findings = checks::CheckInvoiceRules(invoice);
            const std::string expected = d == c.limit ? "" : c.finding;
            ASSERT_EQ(expected.empty() ? 0u : 1u, findings.size())
                << checks::DateText(d) << " " << c.finding << ": "
                << ::testing::PrintToString(findings);
            for (const std::string& f : findings)
                EXPECT_NE(std::string::npos, f.find(expected)) << f;
        }
    }
}

}  // namespace
