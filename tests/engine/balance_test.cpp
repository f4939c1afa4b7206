#include "module/model/balance.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace invoice {
namespace {

Decimal D(const char* text) {
    Decimal value = Decimal::Invalid();
    EXPECT_TRUE(Decimal::Parse(text, &value)) << text;
    return value;
}

// A simple record: quantity x unit, VAT rate, obligation; amount not given.
ServiceRecord Simple(const char* quantity, const char* unit, const char* vat_rate,
                     bool obligation = true) {
    ServiceRecord record;
    record.kind = ServiceKind::kService;
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
    // Runs the computation and expects it to succeed.
    Balance Compute() {
        result_ = ComputeFinalBalance(services_, input_);
        EXPECT_TRUE(result_.ok) << result_.error;
        return result_.balance;
    }

    // Runs the computation and gives its error text ("" on success).
    std::string ErrorOf() {
        result_ = ComputeFinalBalance(services_, input_);
        return result_.ok ? "" : result_.error;
    }

    std::vector<ServiceRecord> services_;
    BalanceInput input_;
    FinalizeResult result_;
};

// ---------------------------------------------------------------------------
// Record amounts

TEST_F(BalanceTest, SimpleRecordIsQuantityTimesUnitAndFactors) {
    ServiceRecord record = Simple("0.5", "10.15", "0");
    EXPECT_EQ(D("5.08"), ComputeServiceAmounts(record).amount);  // 5.075 rounds up
    record.unit_factor = D("0.89");
    record.external_factor = D("1.1");
    record.quantity = D("3");
    // 3 x 10.15 x 0.89 x 1.1 = 29.80545
    EXPECT_EQ(D("29.81"), ComputeServiceAmounts(record).amount);
    record.quantity = D("-3");
    EXPECT_EQ(D("-29.81"), ComputeServiceAmounts(record).amount);
}

TEST_F(BalanceTest, ExtendedRecordRoundsEachPartAndAddsThem) {
    ServiceRecord record = Extended("2", "9.57", "8.19");
    record.mt.unit_factor = D("0.93");
    record.mt.scale_factor = D("0.5");
    record.tt.external_factor = D("1.1");
    record.tt.unit_factor = D("0.89");
    const ServiceAmounts amounts = ComputeServiceAmounts(record);
    EXPECT_EQ(D("8.90"), amounts.amount_mt);   // 2 x 9.57 x 0.93 x 0.5 = 8.9001
    EXPECT_EQ(D("16.04"), amounts.amount_tt);  // 2 x 8.19 x 0.89 x 1.1 = 16.03602
    EXPECT_EQ(D("24.94"), amounts.amount);
}

TEST_F(BalanceTest, BillingRoleChoosesTheBilledParts) {
    ServiceRecord record = Extended("1", "9.57", "8.19");
    record.billing_role = BillingRole::kMT;
    EXPECT_EQ(D("9.57"), ComputeServiceAmounts(record).amount);
    record.billing_role = BillingRole::kTT;
    EXPECT_EQ(D("8.19"), ComputeServiceAmounts(record).amount);
    record.billing_role = BillingRole::kNone;
    EXPECT_EQ(D("0"), ComputeServiceAmounts(record).amount);
    EXPECT_EQ(D("9.57"), ComputeServiceAmounts(record).amount_mt);  // parts stay
}

TEST_F(BalanceTest, RecordIdsAreAssignedInOrderAndAmountsFilledIn) {
    services_ = {Simple("1", "10", "0"), Extended("1", "9.57", "8.19"), Simple("2", "1.5", "0")};
    services_[0].record_id = 7;
    services_[2].record_id = 7;
    Compute();
    ASSERT_EQ(3u, result_.services.size());
    EXPECT_EQ(1, result_.services[0].record_id);
    EXPECT_EQ(2, result_.services[1].record_id);
    EXPECT_EQ(3, result_.services[2].record_id);
    EXPECT_EQ(D("17.76"), result_.services[1].amount);
    EXPECT_EQ(D("9.57"), result_.services[1].mt.amount);
    EXPECT_EQ(D("8.19"), result_.services[1].tt.amount);
    EXPECT_EQ(D("3"), result_.services[2].amount);
    EXPECT_EQ(7, services_[0].record_id);  // the input is not touched
}

// ---------------------------------------------------------------------------
// Totals, VAT and amount due

// The figures of the 4.50 sample invoice (tiers garant, esrQR, MVG).
TEST_F(BalanceTest, SampleInvoiceFigures) {
    services_ = {Extended("1", "9.57", "8.19"), Simple("1", "2700", "8.0", false),
                 Simple("1", "2500", "2.5", false), Simple("1", "10.15", "0", false),
                 Simple("0.5", "10.15", "0", false)};
    const Balance balance = Compute();
    EXPECT_EQ(D("5232.99"), balance.amount);
    EXPECT_EQ(D("17.76"), balance.amount_obligations);
    EXPECT_EQ(D("260.98"), balance.vat);
    ASSERT_EQ(3u, balance.vat_rates.size());
    EXPECT_EQ(D("0"), balance.vat_rates[0].vat_rate);
    EXPECT_EQ(D("32.99"), balance.vat_rates[0].amount);
    EXPECT_EQ(D("0"), balance.vat_rates[0].vat);
    EXPECT_EQ(D("2.5"), balance.vat_rates[1].vat_rate);
    EXPECT_EQ(D("60.98"), balance.vat_rates[1].vat);
    EXPECT_EQ(D("8"), balance.vat_rates[2].vat_rate);
    EXPECT_EQ(D("200"), balance.vat_rates[2].vat);
    EXPECT_EQ(D("5233.00"), balance.amount_due);
    EXPECT_EQ(D("0.01"), balance.round_difference);
}

TEST_F(BalanceTest, VatIsComputedPerRateOverTheSummedAmounts) {
    services_ = {Simple("1", "100", "8.1"), Simple("2", "45.55", "2.6", false),
                 Simple("1", "12.345", "0"), Simple("3", "19.95", "8.1", false)};
    input_.amount_prepaid = D("50");
    input_.vat_number = "CHE-123.456.789";
    const Balance balance = Compute();
    EXPECT_EQ(D("263.30"), balance.amount);  // 100 + 91.10 + 12.35 + 59.85
    EXPECT_EQ(D("112.35"), balance.amount_obligations);
    ASSERT_EQ(3u, balance.vat_rates.size());
    EXPECT_EQ(D("0"), balance.vat_rates[0].vat_rate);
    EXPECT_EQ(D("12.35"), balance.vat_rates[0].amount);
    EXPECT_EQ(D("2.6"), balance.vat_rates[1].vat_rate);
    EXPECT_EQ(D("91.10"), balance.vat_rates[1].amount);
    EXPECT_EQ(D("2.31"), balance.vat_rates[1].vat);  // 91.10 x 2.6 / 102.6 = 2.3086
    EXPECT_EQ(D("8.1"), balance.vat_rates[2].vat_rate);
    EXPECT_EQ(D("159.85"), balance.vat_rates[2].amount);
    // 159.85 x 8.1 / 108.1 = 11.9777; per record it would be 7.49 + 4.48.
    EXPECT_EQ(D("11.98"), balance.vat_rates[2].vat);
    EXPECT_EQ(D("14.29"), balance.vat);
    EXPECT_EQ("CHE-123.456.789", balance.vat_number);
    EXPECT_EQ(D("50"), balance.amount_prepaid);
    EXPECT_EQ(D("213.30"), balance.amount_due);
    EXPECT_TRUE(balance.round_difference.IsZero());
}

TEST_F(BalanceTest, AmountDueRoundsToFiveCentsBothWays) {
    struct Case {
        const char* unit;
        const char* due;
        const char* difference;
    };
    for (const Case& c : {Case{"10.02", "10.00", "-0.02"}, Case{"10.03", "10.05", "0.02"},
                          Case{"10.07", "10.05", "-0.02"}, Case{"10.08", "10.10", "0.02"},
                          Case{"10.05", "10.05", "0"}}) {
        services_ = {Simple("1", c.unit, "0")};
        const Balance balance = Compute();
        EXPECT_EQ(D(c.due), balance.amount_due) << c.unit;
        EXPECT_EQ(D(c.difference), balance.round_difference) << c.unit;
    }
}

TEST_F(BalanceTest, ReminderFeeIsAddedAndPrepaidSubtracted) {
    services_ = {Simple("1", "100", "0")};
    input_.amount_reminder = D("10");
    input_.amount_prepaid = D("20.02");
    const Balance balance = Compute();
    EXPECT_EQ(D("100"), balance.amount);
    EXPECT_EQ(D("10"), balance.amount_reminder);
    EXPECT_EQ(D("89.98"), balance.amount_due - balance.round_difference);
    EXPECT_EQ(D("90.00"), balance.amount_due);
    EXPECT_EQ(D("0.02"), balance.round_difference);
}

TEST_F(BalanceTest, TiersPayantHasNoPrepaidAmount) {
    services_ = {Simple("1", "100", "0")};
    input_.tiers_mode = TiersMode::kPayant;
    input_.amount_prepaid = D("30");
    const Balance balance = Compute();
    EXPECT_TRUE(balance.amount_prepaid.IsZero());
    EXPECT_EQ(D("100"), balance.amount_due);
}

TEST_F(BalanceTest, EmptyInvoiceBalancesToZero) {
    const Balance balance = Compute();
    EXPECT_TRUE(balance.amount.IsZero());
    EXPECT_TRUE(balance.amount_due.IsZero());
    EXPECT_TRUE(balance.vat_rates.empty());
}

// ---------------------------------------------------------------------------
// Amounts given by the client

TEST_F(BalanceTest, ClientAmountOffByOneCentIsAcceptedAndKept) {
    services_ = {Extended("1", "9.57", "8.19")};
    services_[0].amount = D("17.77");
    services_[0].mt.amount = D("9.56");
    const Balance balance = Compute();
    EXPECT_EQ(D("17.77"), result_.services[0].amount);
    EXPECT_EQ(D("9.56"), result_.services[0].mt.amount);
    EXPECT_EQ(D("8.19"), result_.services[0].tt.amount);  // not given: computed
    EXPECT_EQ(D("17.77"), balance.amount);
}

TEST_F(BalanceTest, ClientAmountOffByTwoCentsIsRefused) {
    services_ = {Simple("1", "10", "0"), Extended("1", "9.57", "8.19")};
    services_[1].amount = D("17.78");
    EXPECT_EQ(
        "service record 2 (tariff 001, code 00.0010): amount 17.78 differs from the computed "
        "amount 17.76 by more than 0.01",
        ErrorOf());
}

TEST_F(BalanceTest, ClientPartAmountOffIsRefused) {
    services_ = {Extended("1", "9.57", "8.19")};
    services_[0].tt.amount = D("8.17");
    EXPECT_EQ(
        "service record 1 (tariff 001, code 00.0010): amount_tt 8.17 differs from the computed "
        "amount_tt 8.19 by more than 0.01",
        ErrorOf());
}

TEST_F(BalanceTest, ClientAmountIsComparedAfterRoundingToCents) {
    services_ = {Simple("1", "10", "0")};
    services_[0].amount = D("10.014");  // 10.01: accepted
    EXPECT_EQ("", ErrorOf());
    EXPECT_EQ(D("10.01"), result_.services[0].amount);
    services_[0].amount = D("10.015");  // 10.02: refused
    EXPECT_NE("", ErrorOf());
}

// ---------------------------------------------------------------------------
// Errors

TEST_F(BalanceTest, VatRateOutsideZeroToHundredIsRefused) {
    services_ = {Simple("1", "10", "100.5")};
    EXPECT_EQ("service record 1 (tariff 999, code X): vat rate 100.5 is not between 0 and 100",
              ErrorOf());
    services_ = {Simple("1", "10", "-1")};
    EXPECT_NE("", ErrorOf());
}

TEST_F(BalanceTest, OverflowIsReportedNotComputed) {
    services_ = {Simple("1", "10", "0"), Simple("1e20", "1e19", "0")};
    EXPECT_EQ(
        "service record 2 (tariff 999, code X): amount cannot be computed (number out of range)",
        ErrorOf());
    services_ = {Simple("1", "10", "0")};
    input_.amount_prepaid = Decimal::Invalid();
    EXPECT_NE("", ErrorOf());
}

// ---------------------------------------------------------------------------
// On the request

TEST_F(BalanceTest, FinalizeBalanceStoresFiguresInTheRequest) {
    InvoiceRequest request;
    request.services = {Simple("1", "100", "8.1"), Simple("1", "2.02", "0", false)};
    request.tiers = Tiers{TiersMode::kGarant, "CHE-1", D("10")};
    request.reminder = Reminder();
    request.reminder->amount_reminder = D("5");
    std::string error;
    ASSERT_TRUE(FinalizeBalance(&request, &error)) << error;
    EXPECT_TRUE(request.finalized);
    EXPECT_EQ(D("102.02"), request.balance.amount);
    EXPECT_EQ(D("97.00"), request.balance.amount_due);  // 102.02 + 5 - 10 = 97.02
    EXPECT_EQ(D("-0.02"), request.balance.round_difference);
    EXPECT_EQ(D("7.49"), request.balance.vat);
    EXPECT_EQ(2, request.services[1].record_id);
    EXPECT_EQ(D("2.02"), request.services[1].amount);
}

TEST_F(BalanceTest, RefusedFinalizeLeavesTheRequestAlone) {
    InvoiceRequest request;
    request.services = {Simple("1", "100", "0")};
    request.services[0].amount = D("99");
    std::string error;
    EXPECT_FALSE(FinalizeBalance(&request, &error));
    EXPECT_NE(std::string::npos, error.find("amount 99.00 differs"));
    EXPECT_FALSE(request.finalized);
    EXPECT_EQ(D("99"), request.services[0].amount);
    EXPECT_EQ(0, request.services[0].record_id);
}

}  // namespace
}  // namespace invoice
