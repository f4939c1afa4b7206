// Finalize's rules across the sections of an invoice (dates, VAT rates by the
// Swiss rate table) and the setters' rule for units and factors: for each
// rule a case exactly at its limit that passes and one just past it that
// fails, with the text naming the record and the rule.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "module/checks/check_dates.h"
#include "module/checks/invoice_checks.h"
#include "tests/engine/request_sample_invoice.h"

namespace {

using checks::DateSerial;
using invoice::InvoiceRequest;

invoice::Decimal Rate(const char* text) {
    invoice::Decimal value;
    invoice::Decimal::Parse(text, &value);
    return value;
}

// Treatment in March 2024, two services inside it, patient born 1980, invoice
// of 2024-04-02, kvg for a disease.
InvoiceRequest BaseInvoice() {
    InvoiceRequest invoice;
    invoice.treatment.emplace();
    invoice.treatment->date_begin = DateSerial(2024, 3, 1);
    invoice.treatment->date_end = DateSerial(2024, 3, 31);
    invoice.treatment->reason = invoice::TreatmentReason::kDisease;
    invoice.patient.emplace().birthdate = DateSerial(1980, 5, 1);
    invoice.invoice.emplace().date = DateSerial(2024, 4, 2);
    invoice.law.emplace().type = invoice::LawType::kKVG;
    for (int i = 0; i < 2; ++i) {
        invoice::ServiceRecord record;
        record.record_id = i + 1;
        record.tariff_type = "999";
        record.code = i == 0 ? "GA" : "GB";
        record.date_begin = DateSerial(2024, 3, 10);
        record.vat_rate = Rate(i == 0 ? "8.1" : "0");
        invoice.services.push_back(record);
    }
    return invoice;
}

// Puts both services, the treatment and the invoice on `day`.
void AllOn(InvoiceRequest* invoice, double day) {
    invoice->treatment->date_begin = day;
    invoice->treatment->date_end = day;
    invoice->invoice->date = day;
    for (invoice::ServiceRecord& record : invoice->services) record.date_begin = day;
}

// The rules find nothing when `finding` is "", else exactly one finding
// that holds it.
void ExpectFinding(const InvoiceRequest& invoice, const char* finding, const char* name) {
    std::vector<std::string> findings = checks::CheckInvoiceRules(invoice);
    if (*finding == '\0') {
        EXPECT_TRUE(findings.empty()) << name << ": " << findings[0];
    } else {
        ASSERT_EQ(1u, findings.size()) << name;
        EXPECT_NE(std::string::npos, findings[0].find(finding)) << name << ": " << findings[0];
    }
}

struct RuleCase {
    const char* name;
    std::function<void(InvoiceRequest*)> change;
    const char* finding;  // "" when the invoice passes
};

TEST(FinalizeRulesTest, EachRulePassesAtItsLimitAndFailsOnePast) {
    const double kBegin = DateSerial(2024, 3, 1);
    const double kEnd = DateSerial(2024, 3, 31);
    const std::vector<RuleCase> cases = {
        {"the base invoice", [](InvoiceRequest*) {}, ""},
        {"treatment of one day",
         [&](InvoiceRequest* r) {
             r->treatment->date_end = kBegin + 0.2;
             for (invoice::ServiceRecord& record : r->services) record.date_begin = kBegin + 0.5;
         },
         ""},
        {"treatment ending before its begin",
         [&](InvoiceRequest* r) { r->treatment->date_end = kBegin - 1; },
         "treatment: the begin 2024-03-01 is after the end 2024-02-29"},
        {"service on the last day", [&](InvoiceRequest* r) { r->services[1].date_begin = kEnd; },
         ""},
        {"service the day after", [&](InvoiceRequest* r) { r->services[1].date_begin = kEnd + 1; },
         "service record 2 (tariff 999, code GB): the date 2024-04-01 lies outside the "
         "treatment 2024-03-01 to 2024-03-31"},
        {"service ending the day after",
         [&](InvoiceRequest* r) { r->services[0].date_end = invoice::DateTime(kEnd + 1); },
         "service record 1 (tariff 999, code GA): the date 2024-04-01 lies outside"},
        {"service the day before",
         [&](InvoiceRequest* r) { r->services[0].date_begin = kBegin - 1; },
         "service record 1 (tariff 999, code GA): the date 2024-02-29"},
        {"born on the treatment begin", [&](InvoiceRequest* r) { r->patient->birthdate = kBegin; },
         ""},
        {"born the day after", [&](InvoiceRequest* r) { r->patient->birthdate = kBegin + 1; },
         "patient: the birth date 2024-03-02 is after the treatment begin 2024-03-01"},
        {"born 130 years before",
         [](InvoiceRequest* r) { r->patient->birthdate = DateSerial(1894, 3, 1); }, ""},
        {"born 130 years and a day before",
         [](InvoiceRequest* r) { r->patient->birthdate = DateSerial(1894, 2, 28); },
         "patient: the birth date 1894-02-28 lies more than 130 years before"},
        {"reminder on the invoice date",
         [](InvoiceRequest* r) { r->reminder.emplace().reference.date = DateSerial(2024, 4, 2); },
         ""},
        {"reminder the day before",
         [](InvoiceRequest* r) { r->reminder.emplace().reference.date = DateSerial(2024, 4, 1); },
         "reminder: the date 2024-04-01 is before the date 2024-04-02 of the invoice"},
        {"accident on the treatment begin",
         [&](InvoiceRequest* r) {
             r->treatment->reason = invoice::TreatmentReason::kAccident;
             r->law->case_date = invoice::DateTime(kBegin);
         },
         ""},
        {"accident the day after the begin",
         [&](InvoiceRequest* r) {
             r->treatment->reason = invoice::TreatmentReason::kAccident;
             r->law->case_date = invoice::DateTime(kBegin + 1);
         },
         "law: the accident date 2024-03-02 is after the treatment begin 2024-03-01"},
        {"uvg case date after the begin",
         [&](InvoiceRequest* r) {
             r->law->type = invoice::LawType::kUVG;
             r->law->case_date = invoice::DateTime(kBegin + 1);
         },
         "law: the accident date 2024-03-02"},
        {"kvg disease case date after the begin (no accident)",
         [&](InvoiceRequest* r) { r->law->case_date = invoice::DateTime(kBegin + 1); }, ""},
    };
    for (const RuleCase& c : cases) {
        InvoiceRequest invoice = BaseInvoice();
        c.change(&invoice);
        ExpectFinding(invoice, c.finding, c.name);
    }
}

// The first service's VAT rate on a day when everything happens on that day.
TEST(FinalizeRulesTest, VatRatesFollowTheSwissRateTableByDate) {
    const struct {
        int y, m, d;
        const char* rate;
        const char* finding;
    } cases[] = {
        {1999, 6, 1, "0", ""},
        {2010, 12, 31, "7.6", ""},
        {2011, 1, 1, "7.6",
         "service record 1 (tariff 999, code GA): VAT rate 7.6 is not a Swiss VAT rate on "
         "2011-01-01 (0, 2.5, 3.8 or 8.0)"},
        {2017, 12, 31, "8", ""},
        {2018, 1, 1, "8", "VAT rate 8 is not a Swiss VAT rate on 2018-01-01 (0, 2.5, 3.7 or 7.7)"},
        {2023, 12, 31, "3.7", ""},
        {2024, 1, 1, "7.7",
         "VAT rate 7.7 is not a Swiss VAT rate on 2024-01-01 (0, 2.6, 3.8 or 8.1)"},
        {2024, 3, 10, "2.6", ""},
        {2024, 3, 10, "50", "VAT rate 50 is not a Swiss VAT rate on 2024-03-10"},
    };
    for (const auto& c : cases) {
        InvoiceRequest invoice = BaseInvoice();
        AllOn(&invoice, DateSerial(c.y, c.m, c.d));
        invoice.services[0].vat_rate = Rate(c.rate);
        ExpectFinding(invoice, c.finding, c.rate);
    }
}

class FinalizeRulesApiTest : public request_test::RequestTest {};

// Finalize refuses what the rules find, naming the record and the rule.
TEST_F(FinalizeRulesApiTest, FinalizeRefusesAVatRateTheDateDoesNotAllow) {
    build_.SetSampleSections();
    build_.AddArticle("GA", 1.0, 100.0, 8.1, 0);  // dated 2020-06-03: 7.7 applies
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_EQ(
        "Finalize: service record 1 (tariff 999, code GA): VAT rate 8.1 is not a Swiss VAT "
        "rate on 2020-06-03 (0, 2.5, 3.7 or 7.7)",
        Abort());
}

// AddServiceEx takes units of 0 but refuses negative ones, and refuses unit
// and scale factors of 0.
TEST_F(FinalizeRulesApiTest, ServiceSettersRefuseZeroFactorsAndNegativeUnits) {
    struct PartCase {
        double unit, unit_factor, scale_factor;
        const char* refused;  // the parameter named, "" when taken
    };
    const PartCase cases[] = {
        {0, 0.01, 0.01, ""},
        {-0.01, 1, 1, "dUnitMT"},
        {1, 0, 1, "dUnitFactorMT"},
        {1, 1, 0, "dUnitInternalScalingFactorMT"},
    };
    ComPtr<IServiceExInput> input = build_.Physician("001");
    for (const PartCase& c : cases) {
        long id = 0;
        HRESULT hr = request_->AddServiceEx(input.Get(), "001", "00.0010", "", 1, 1,
                                            request_test::Day(2020, 6, 3), 0, 1, "Konsultation",
                                            c.unit, c.unit_factor, c.scale_factor, 0, 1, 1, 1, 0, 0,
                                            0, 1, "", 1, "", 0, 0, &id, &status_);
        if (*c.refused == '\0') {
            EXPECT_EQ(S_OK, hr) << Abort();
        } else {
            EXPECT_EQ(E_INVALIDARG, hr);
            EXPECT_EQ(0u, Abort().find(std::string("AddServiceEx: ") + c.refused + " ")) << Abort();
        }
    }
    long id = 0;
    EXPECT_EQ(E_INVALIDARG,
              request_->AddService("999", "GA", "", 1, 1, request_test::Day(2020, 6, 3), 0,
                                   request_test::kBillerGln, request_test::kBillerGln, "Artikel",
                                   -1, 1, 1, 0, 0, 0, "", "", 0, 0, &id, &status_));
    EXPECT_EQ(0u, Abort().find("AddService: dUnit ")) << Abort();
}

}  // namespace
