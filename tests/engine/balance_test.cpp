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
    ServiceRecord record;
    record.tariff_type = "999";
    record.code = "X";
    record.quantity = D(quantity);
    record.unit = D(unit);
    record.vat_rate = D(vat_rate);
    record.obligation = obligation;
    return record;
}

ServiceRecord Extended(const char* quantity, const char* unit_mt, const char* unit_tt) {
    ServiceRecord record;
    record.kind = ServiceKind::kServiceEx;
    record.tariff_type = "001";
    record.code = "00.0010";
    record.quantity = D(quantity);
    record.mt.unit = D(unit_mt);
    record.tt.unit = D(unit_tt);
    return record;
}

class BalanceTest : public ::testing::Test {
  protected:
    // The balance, the test failing when it is refused.
    Balance Compute() {
        result_ = ComputeFinalBalance(services_, input_);
        EXPECT_TRUE(result_.ok) << result_.error;
        return result_.balance;
    }

    // The refusal ("" on success).
    std::string ErrorOf() {
        result_ = ComputeFinalBalance(services_, input_);
        return result_.ok ? "" : result_.error;
    }

    std::vector<ServiceRecord> services_;
    BalanceInput input_;
    FinalizeResult result_;
};

TEST_F(BalanceTest, RecordAmountsMultiplyEveryFactorAndRoundEachPart) {
    ServiceRecord simple = Simple("3", "10.15", "0");
    simple.unit_factor = D("0.89");
    simple.external_factor = D("1.1");
    EXPECT_EQ(D("29.81"), ComputeServiceAmounts(simple).amount);  // 29.80545
    simple.quantity = D("-3");
    EXPECT_EQ(D("-29.81"), ComputeServiceAmounts(simple).amount);
    EXPECT_EQ(D("5.08"), ComputeServiceAmounts(Simple("0.5", "10.15", "0")).amount);  // 5.075

    ServiceRecord record = Extended("2", "9.57", "8.19");
    record.mt.unit_factor = D("0.93");
    record.mt.scale_factor = D("0.5");
    record.tt.external_factor = D("1.1");
    record.tt.unit_factor = D("0.89");
    ServiceAmounts amounts = ComputeServiceAmounts(record);
    EXPECT_EQ(D("8.90"), amounts.amount_mt);   // 8.9001
    EXPECT_EQ(D("16.04"), amounts.amount_tt);  // 16.03602
    EXPECT_EQ(D("24.94"), amounts.amount);
    record.billing_role = BillingRole::kMT;
    EXPECT_EQ(D("8.90"), ComputeServiceAmounts(record).amount);
    record.billing_role = BillingRole::kTT;
    EXPECT_EQ(D("16.04"), ComputeServiceAmounts(record).amount);
    record.billing_role = BillingRole::kNone;
    EXPECT_EQ(D("0"), ComputeServiceAmounts(record).amount);
    EXPECT_EQ(D("8.90"), ComputeServiceAmounts(record).amount_mt);  // the parts stay
}

TEST_F(BalanceTest, VatPerRateOverTheSummedAmountsPrepaidAndReminder) {
    services_ = {Simple("1", "100", "8.1"), Simple("2", "45.55", "2.6", false),
                 Simple("1", "12.345", "0"), Simple("3", "19.95", "8.1", false)};
    input_.amount_prepaid = D("50");
    input_.amount_reminder = D("10.02");
    input_.vat_number = "CHE-123.456.789";
    // 263.30 = 100 + 91.10 + 12.35 + 59.85, due 263.30 + 10.02 - 50 = 223.32;
    // VAT 91.10 x 2.6 / 102.6 and 159.85 x 8.1 / 108.1 = 11.9777 (per record
    // it would be 7.49 + 4.48).
    EXPECT_EQ(
        "263.3 112.35 50 10.02 223.3 -0.02 14.29 | 0: 12.35 0 | 2.6: 91.1 2.31 | 8.1: 159.85 11.98 "
        "CHE-123.456.789",
        BalanceText(Compute()));
    input_.tiers_mode = TiersMode::kPayant;  // pays nothing in advance
    EXPECT_TRUE(Compute().amount_prepaid.IsZero());
    services_.clear();
    EXPECT_EQ("0 0 0 10.02 10 -0.02 0 CHE-123.456.789", BalanceText(Compute()));
}

TEST_F(BalanceTest, ClientAmountsWithinOneCentAreKept) {
    services_ = {Extended("1", "9.57", "8.19"), Simple("1", "10", "0")};
    services_[0].amount = D("17.77");
    services_[0].mt.amount = D("9.56");
    services_[1].amount = D("10.014");  // 10.01 after rounding
    EXPECT_EQ(D("27.78"), Compute().amount);
    EXPECT_EQ(D("17.77"), result_.services[0].amount);
    EXPECT_EQ(D("9.56"), result_.services[0].mt.amount);
    EXPECT_EQ(D("8.19"), result_.services[0].tt.amount);  // not given: computed
    EXPECT_EQ(D("10.01"), result_.services[1].amount);
}

TEST_F(BalanceTest, RefusalsNameTheRecord) {
    ServiceRecord extended = Extended("1", "9.57", "8.19"), tt = extended;
    extended.amount = D("17.78");
    tt.tt.amount = D("8.17");
    ServiceRecord off = Simple("1", "10", "0");
    off.amount = D("10.015");  // 10.02 after rounding
    const std::string record2 = "service record 2 (tariff 001, code 00.0010): ";
    const struct {
        std::vector<ServiceRecord> services;
        std::string error;  // "*": any refusal
    } cases[] = {
        {{Simple("1", "10", "0"), extended},
         record2 + "amount 17.78 differs from the computed amount 17.76 by more than 0.01"},
        {{Simple("1", "10", "0"), tt},
         record2 + "amount_tt 8.17 differs from the computed amount_tt 8.19 by more than 0.01"},
        {{off}, "*"},
        {{Simple("1", "10", "100")}, ""},
        {{Simple("1", "10", "100.5")},
         "service record 1 (tariff 999, code X): vat rate 100.5 is not between 0 and 100"},
        {{Simple("1", "10", "-1")}, "*"},
        {{Simple("1", "10", "0"), Simple("1e20", "1e19", "0")},
         "service record 2 (tariff 999, code X): amount cannot be computed (number out of range)"},
    };
    for (const auto& c : cases) {
        services_ = c.services;
        const std::string error = ErrorOf();
        EXPECT_EQ(c.error, c.error == "*" && !error.empty() ? "*" : error);
    }
    services_ = {Simple("1", "10", "0")};
    input_.amount_prepaid = Decimal::Invalid();
    EXPECT_NE("", ErrorOf());
}

TEST_F(BalanceTest, FinalizeStoresTheFiguresOrLeavesTheRequestAlone) {
    InvoiceRequest request;
    request.services = {Simple("1", "100", "8.1"), Simple("1", "2.02", "0", false)};
    request.tiers = Tiers{TiersMode::kGarant, "CHE-1", D("10")};
    request.reminder = Reminder();
    request.reminder->amount_reminder = D("5");
    std::string error;
    ASSERT_TRUE(FinalizeBalance(&request, &error)) << error;
    EXPECT_TRUE(request.finalized);
    // 102.02 + 5 - 10 = 97.02
    EXPECT_EQ("102.02 100 10 5 97 -0.02 7.49 | 0: 2.02 0 | 8.1: 100 7.49 CHE-1",
              BalanceText(request.balance));
    EXPECT_EQ(2, request.services[1].record_id);

    InvoiceRequest refused;
    refused.services = {Simple("1", "100", "0")};
    refused.services[0].amount = D("99");
    EXPECT_FALSE(FinalizeBalance(&refused, &error));
    EXPECT_NE(std::string::npos, error.find("amount 99.00 differs"));
    EXPECT_FALSE(refused.finalized);
    EXPECT_EQ(0, refused.services[0].record_id);
}

}  // namespace
}  // namespace invoice
