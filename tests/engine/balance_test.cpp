// The arithmetic of Finalize: the balance, and client amounts kept or
// refused. Each record's amount from its factors and billing role is
// recomputed from the printed rows by print_form_content_test; storing the
// figures in the request (FinalizeBalance) is pinned through the request
// object by finalize_test, and the stored amounts by the printed rows.

#include "module/model/balance.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/result_sample_invoice.h"

namespace invoice {
namespace {

using result_test::BalanceText;
using result_test::D;

// A `service` record: quantity x unit at a VAT rate.
ServiceRecord Simple(const char* quantity, const char* unit, const char* vat_rate,
                     bool obligation = true) {
    ServiceRecord record = result_test::Article(1, "X", "", quantity, unit, "0", vat_rate);
    record.obligation = obligation;
    return record;
}

// The balance (BalanceText) and each record's accepted "amount/mt/tt", or
// "refused: " and why.
std::string Outcome(const std::vector<ServiceRecord>& services, const BalanceInput& input) {
    FinalizeResult result = ComputeFinalBalance(services, input);
    if (!result.ok) return "refused: " + result.error;
    std::string text = BalanceText(result.balance);
    for (const ServiceRecord& r : result.services) {
        text +=
            " " + r.amount.ToString() + "/" + r.mt.amount.ToString() + "/" + r.tt.amount.ToString();
    }
    return text;
}

TEST(BalanceTest, RecordsAndTheBalanceOrTheRefusal) {
    // Client amounts: kept within a cent (after rounding to cents), else refused.
    const ServiceRecord ten = Simple("1", "10", "0");
    ServiceRecord given = result_test::Consultation(), near = ten, off = ten, far = given;
    given.amount = D("17.77");
    given.mt.amount = D("9.56");
    near.amount = D("10.014");
    off.amount = D("10.015");
    far.amount = D("17.78");
    const std::vector<ServiceRecord> vat_rates = {
        Simple("1", "100", "8.1"), Simple("2", "45.55", "2.6", false), Simple("1", "12.345", "0"),
        Simple("3", "19.95", "8.1", false)};
    const BalanceInput garant{TiersMode::kGarant, D("50"), D("10.02"), "CHE-123.456.789"};
    BalanceInput payant = garant, bad_prepaid;
    payant.tiers_mode = TiersMode::kPayant;  // pays nothing in advance
    bad_prepaid.amount_prepaid = Decimal::Invalid();
    const std::string record1 = "refused: service record 1 (tariff 999, code X): ";
    const struct {
        std::vector<ServiceRecord> services;
        BalanceInput input;
        std::string outcome;
    } cases[] = {
        // 263.30 = 100 + 91.10 + 12.35 + 59.85, due 263.30 + 10.02 - 50 =
        // 223.32; VAT 91.10 x 2.6 / 102.6 and 159.85 x 8.1 / 108.1 = 11.9777
        // (per record it would be 7.49 + 4.48).
        {vat_rates, garant,
         "263.3 112.35 50 10.02 223.3 -0.02 14.29 | 0: 12.35 0 | 2.6: 91.1 2.31 | 8.1: 159.85 "
         "11.98 CHE-123.456.789 100/0/0 91.1/0/0 12.35/0/0 59.85/0/0"},
        {{ten}, payant, "10 10 0 10.02 20 -0.02 0 | 0: 10 0 CHE-123.456.789 10/0/0"},
        {{given, near}, {}, "27.78 27.78 0 0 27.8 0.02 0 | 0: 27.78 0  17.77/9.56/8.19 10.01/0/0"},
        {{off},
         {},
         record1 + "amount 10.02 differs from the computed amount 10.00 by more than 0.01"},
        {{ten, far},
         {},
         "refused: service record 2 (tariff 001, code 00.0010): amount 17.78 differs from the "
         "computed amount 17.76 by more than 0.01"},
        {{Simple("1", "10", "100")}, {}, "10 10 0 0 10 0 5 | 100: 10 5  10/0/0"},
        {{Simple("1", "10", "100.5")}, {}, record1 + "vat rate 100.5 is not between 0 and 100"},
        {{Simple("1", "10", "-1")}, {}, record1 + "vat rate -1 is not between 0 and 100"},
        {{Simple("1e20", "1e19", "0")},
         {},
         record1 + "amount cannot be computed (number out of range)"},
        {{ten}, bad_prepaid, "refused: the prepaid or reminder amount is out of range"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.outcome, Outcome(c.services, c.input));
}

}  // namespace
}  // namespace invoice
