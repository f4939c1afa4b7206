// Finalize of the invoice request: the sample invoice, hand-checked
// balances, refused amounts, every missing required part, and many
// managers building invoices at once.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "module/objects/request_object.h"
#include "tests/engine/request_sample_invoice.h"

namespace request_test {
namespace {

using invoice::Decimal;

Decimal D(const char* text) {
    Decimal value;
    EXPECT_TRUE(Decimal::Parse(text, &value)) << text;
    return value;
}

class FinalizeTest : public RequestTest {
  protected:
    // Finalizes; on success answers the snapshot, otherwise null.
    std::shared_ptr<const invoice::InvoiceRequest> Finalize(double* round_difference = nullptr) {
        double difference = -1;
        HRESULT hr = request_->Finalize(&difference, &status_);
        if (round_difference != nullptr) *round_difference = difference;
        if (hr != S_OK) return nullptr;
        return AsRequestImpl(request_.Get())->FinalizedSnapshot();
    }

    // The sections of the sample with a record set of the test's own.
    void SetSections() { build_.SetSampleSections(); }
};

TEST_F(FinalizeTest, SampleInvoiceBalance) {
    build_.SetSampleSections();
    build_.AddSampleServices();
    double difference = 0;
    auto invoice = Finalize(&difference);
    ASSERT_TRUE(invoice) << Abort();
    ASSERT_TRUE(invoice->finalized);
    const invoice::Balance& balance = invoice->balance;
    EXPECT_EQ(D("5232.99"), balance.amount);
    EXPECT_EQ(D("17.76"), balance.amount_obligations);
    // The sample writes 5232.99; this module rounds the amount due to 0.05.
    EXPECT_EQ(D("5233.00"), balance.amount_due);
    EXPECT_DOUBLE_EQ(0.01, difference);
    EXPECT_EQ(D("254.02"), balance.vat);
    ASSERT_EQ(3u, balance.vat_rates.size());
    EXPECT_EQ(D("0"), balance.vat_rates[0].vat_rate);
    EXPECT_EQ(D("32.99"), balance.vat_rates[0].amount);
    EXPECT_EQ(D("0"), balance.vat_rates[0].vat);
    EXPECT_EQ(D("2.5"), balance.vat_rates[1].vat_rate);
    EXPECT_EQ(D("60.98"), balance.vat_rates[1].vat);
    EXPECT_EQ(D("7.7"), balance.vat_rates[2].vat_rate);
    EXPECT_EQ(D("193.04"), balance.vat_rates[2].vat);

    ASSERT_EQ(5u, invoice->services.size());
    EXPECT_EQ(invoice::ServiceKind::kServiceEx, invoice->services[0].kind);
    EXPECT_EQ(D("9.57"), invoice->services[0].mt.amount);
    EXPECT_EQ(D("8.19"), invoice->services[0].tt.amount);
    EXPECT_EQ(D("17.76"), invoice->services[0].amount);
    EXPECT_EQ(D("5.08"), invoice->services[4].amount);
    for (size_t i = 0; i < invoice->services.size(); ++i) {
        EXPECT_EQ(static_cast<int32_t>(i + 1), invoice->services[i].record_id);
    }
    EXPECT_TRUE(AsRequestImpl(request_.Get())->IsFinalized());
}

TEST_F(FinalizeTest, SeveralVatRatesWithPrepaidAmount) {
    SetSections();
    ASSERT_EQ(S_OK, request_->SetTiers(1, "CHE-123.456.788", 50.0, &status_)) << Abort();
    build_.AddArticle("A", 1, 100.00, 7.7, 1);  // the rates of 2020
    build_.AddArticle("B", 2, 45.55, 2.5, 0);
    build_.AddArticle("C", 1, 12.35, 0, 1);
    build_.AddArticle("D", 3, 19.95, 7.7, 0);
    double difference = -1;
    auto invoice = Finalize(&difference);
    ASSERT_TRUE(invoice) << Abort();
    const invoice::Balance& balance = invoice->balance;
    EXPECT_EQ(D("263.30"), balance.amount);
    EXPECT_EQ(D("112.35"), balance.amount_obligations);
    EXPECT_EQ(D("50"), balance.amount_prepaid);
    EXPECT_EQ(D("213.30"), balance.amount_due);
    EXPECT_DOUBLE_EQ(0.0, difference);
    ASSERT_EQ(3u, balance.vat_rates.size());
    EXPECT_EQ(D("0"), balance.vat_rates[0].vat);
    EXPECT_EQ(D("2.22"), balance.vat_rates[1].vat);  // 91.10 x 2.5 / 102.5
    EXPECT_EQ(D("159.85"), balance.vat_rates[2].amount);
    EXPECT_EQ(D("11.43"), balance.vat_rates[2].vat);  // 159.85 x 7.7 / 107.7
    EXPECT_EQ(D("13.65"), balance.vat);
    EXPECT_EQ("CHE-123.456.788", balance.vat_number);
}

TEST_F(FinalizeTest, AmountDueRoundsUpAndDownToFiveCents) {
    struct Case {
        double unit;
        const char* due;
        double difference;
    } cases[] = {{10.03, "10.05", 0.02},
                 {10.02, "10.00", -0.02},
                 {10.07, "10.05", -0.02},
                 {10.08, "10.10", 0.02},
                 {10.05, "10.05", 0.0}};
    for (const Case& c : cases) {
        TestModule module;
        InvoiceBuilder build(module.request.Get());
        build.SetSampleSections();
        build.AddArticle("X", 1, c.unit, 0, 1);
        double difference = 99;
        VARIANT_BOOL status = 0;
        ASSERT_EQ(S_OK, module.request->Finalize(&difference, &status)) << build.Abort();
        auto invoice = AsRequestImpl(module.request.Get())->FinalizedSnapshot();
        EXPECT_EQ(D(c.due), invoice->balance.amount_due) << c.unit;
        EXPECT_NEAR(c.difference, difference, 1e-9) << c.unit;
    }
}

TEST_F(FinalizeTest, ReminderAmountIsAddedToTheAmountDue) {
    SetSections();
    ASSERT_EQ(S_OK, request_->SetReminder("R-1", Day(2020, 7, 3), 1593777600, 2, "Bitte zahlen",
                                          5.0, &status_))
        << Abort();
    build_.AddArticle("X", 1, 100.01, 0, 1);
    double difference = 0;
    auto invoice = Finalize(&difference);
    ASSERT_TRUE(invoice) << Abort();
    EXPECT_EQ(D("5"), invoice->balance.amount_reminder);
    EXPECT_EQ(D("105.00"), invoice->balance.amount_due);
    EXPECT_NEAR(-0.01, difference, 1e-9);
    EXPECT_EQ(invoice::PayloadType::kReminder, invoice->payload_type());
}

TEST_F(FinalizeTest, TiersPayantIgnoresThePrepaidAmount) {
    SetSections();
    ASSERT_EQ(S_OK, request_->SetTiers(2, "", 40.0, &status_)) << Abort();
    ComPtr<IAddress> insurer = build_.Company("Kasse");
    ASSERT_EQ(S_OK, request_->SetInsurance(kRecipientGln, insurer.Get(), &status_)) << Abort();
    build_.AddArticle("X", 1, 80.0, 0, 1);
    auto invoice = Finalize();
    ASSERT_TRUE(invoice) << Abort();
    EXPECT_EQ(D("0"), invoice->balance.amount_prepaid);
    EXPECT_EQ(D("80"), invoice->balance.amount_due);
}

TEST_F(FinalizeTest, ServiceExBillsThePartsOfItsBillingRole) {
    SetSections();
    ComPtr<IServiceExInput> input = build_.Physician("001", 1);  // MT only
    ASSERT_EQ(S_OK, input->PutExternalFactor_MT(0.9));
    long id = 0;
    ASSERT_EQ(S_OK,
              request_->AddServiceEx(input.Get(), "001", "00.0010", "", 2.0, 1, Day(2020, 6, 3), 0,
                                     1, "Konsultation", 9.57, 0.89, 1.0, 0, 8.19, 0.89, 1.0, 0, 0,
                                     0, 1, "", 1, "", 0, 0, &id, &status_))
        << Abort();
    auto invoice = Finalize();
    ASSERT_TRUE(invoice) << Abort();
    const invoice::ServiceRecord& record = invoice->services[0];
    EXPECT_EQ(D("15.33"), record.mt.amount);  // 2 x 9.57 x 0.89 x 0.9 = 15.33114
    EXPECT_EQ(D("14.58"), record.tt.amount);  // 2 x 8.19 x 0.89 = 14.5782
    EXPECT_EQ(D("15.33"), record.amount);
    EXPECT_EQ(D("0.9"), record.mt.external_factor);
}

TEST_F(FinalizeTest, ClientAmountWithinACentIsKept) {
    SetSections();
    build_.AddArticle("X", 3, 3.33, 0, 1, 10.00);  // computed 9.99
    auto invoice = Finalize();
    ASSERT_TRUE(invoice) << Abort();
    EXPECT_EQ(D("10"), invoice->services[0].amount);
}

// ---------------------------------------------------------------------------
// Refusals

TEST_F(FinalizeTest, ClientAmountFurtherOffIsRefused) {
    SetSections();
    build_.AddArticle("X", 1, 5.0, 0, 1);
    build_.AddArticle("GA", 2, 6.15, 0, 1, 12.50);  // computed 12.30
    double difference = 7;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("service record 2 (tariff 999, code GA)")) << Abort();
    EXPECT_NE(std::string::npos, Abort().find("12.50")) << Abort();
    EXPECT_NE(std::string::npos, Abort().find("12.30")) << Abort();
    EXPECT_FALSE(AsRequestImpl(request_.Get())->IsFinalized());
}

TEST_F(FinalizeTest, EmptyRequestListsEveryRequiredPart) {
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    const std::string text = Abort();
    for (const char* part : {"transport (SetTransport)", "invoice id and date (SetInvoice)",
                             "biller (SetBiller)", "patient (SetPatient)", "law (SetLaw)",
                             "treatment (SetTreatment)", "at least one service"}) {
        EXPECT_NE(std::string::npos, text.find(part)) << part;
    }
}

struct MissingCase {
    const char* skipped;
    const char* expected;
};

class FinalizeMissingTest : public FinalizeTest,
                            public ::testing::WithParamInterface<MissingCase> {};

TEST_P(FinalizeMissingTest, NamesTheMissingPart) {
    build_.SetSampleSections(GetParam().skipped);
    build_.AddArticle("X", 1, 5.0, 0, 1);
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    const std::string text = Abort();
    EXPECT_EQ(0u, text.find("Finalize: the request is incomplete, missing: ")) << text;
    EXPECT_NE(std::string::npos, text.find(GetParam().expected)) << text;
    EXPECT_FALSE(AsRequestImpl(request_.Get())->IsFinalized());
}

INSTANTIATE_TEST_SUITE_P(
    EachSetter, FinalizeMissingTest,
    ::testing::Values(MissingCase{"SetRequest", "role and place (SetRequest)"},
                      MissingCase{"SetTransport", "transport (SetTransport)"},
                      MissingCase{"SetInvoice", "invoice id and date (SetInvoice)"},
                      MissingCase{"SetTiers", "tiers mode (SetTiers)"},
                      MissingCase{"SetBiller", "biller (SetBiller)"},
                      MissingCase{"SetDebitor", "debitor (SetDebitor)"},
                      MissingCase{"SetProvider", "provider (SetProvider)"},
                      MissingCase{"SetPatient", "patient (SetPatient)"},
                      MissingCase{"SetGuarantor", "guarantor (SetGuarantor)"},
                      MissingCase{"SetEsrQR", "payment slip (SetEsr, SetEsrRed"},
                      MissingCase{"SetLaw", "law (SetLaw)"},
                      MissingCase{"SetTreatment", "treatment (SetTreatment)"}));

TEST_F(FinalizeTest, NoServiceIsMissing) {
    SetSections();
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("at least one service")) << Abort();
}

TEST_F(FinalizeTest, TiersPayantNeedsTheInsurance) {
    SetSections();
    ASSERT_EQ(S_OK, request_->SetTiers(2, "", 0, &status_));
    build_.AddArticle("X", 1, 5.0, 0, 1);
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("insurance (SetInsurance)")) << Abort();
}

TEST_F(FinalizeTest, PartyWithoutAddressOrNameIsIncomplete) {
    SetSections();
    ComPtr<IAddress> nameless;
    ASSERT_EQ(S_OK, request_->GetCreateAddress(nameless.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, request_->SetBiller(kBillerGln, "", "", "", nullptr, &status_));
    ASSERT_EQ(S_OK, request_->SetGuarantor(nameless.Get(), &status_));
    build_.AddArticle("X", 1, 5.0, 0, 1);
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    const std::string text = Abort();
    EXPECT_NE(std::string::npos, text.find("address of the biller (SetBiller)")) << text;
    EXPECT_NE(std::string::npos,
              text.find("address of the guarantor: name of a person or company (SetGuarantor)"))
        << text;
    EXPECT_NE(std::string::npos, text.find("address of the guarantor: zip (SetGuarantor)")) << text;
}

TEST_F(FinalizeTest, QrBillNeedsBankAndCreditor) {
    SetSections();
    ASSERT_EQ(S_OK,
              request_->SetEsrQR(4, kQrIban, kQrReference, "", nullptr, nullptr, 30, &status_));
    build_.AddArticle("X", 1, 5.0, 0, 1);
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("address of the bank (SetEsrQR)")) << Abort();
    EXPECT_NE(std::string::npos, Abort().find("address of the creditor (SetEsrQR)")) << Abort();
}

TEST_F(FinalizeTest, MilitaryLawNeedsTheSocialSecurityNumber) {
    SetSections();
    ComPtr<IAddress> patient = build_.Person("Muster", "Anna");
    ASSERT_EQ(S_OK, request_->SetPatient(2, Day(1957, 4, 14), "", patient.Get(), &status_));
    build_.AddArticle("X", 1, 5.0, 0, 1);
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("required by the mvg law")) << Abort();
    // The same without a number is complete under KVG.
    ASSERT_EQ(S_OK, request_->SetLaw(1, 0, "", "", &status_));
    EXPECT_EQ(S_OK, request_->Finalize(&difference, &status_)) << Abort();
}

TEST_F(FinalizeTest, StationaryStayNeedsGrouperAndBfsRecords) {
    SetSections();
    ASSERT_EQ(S_OK, request_->SetXtraHospital(2, Day(2020, 6, 1), 3, 1, 1, 3, "", 1, &status_));
    ASSERT_EQ(S_OK, request_->AddGrouperRecord(1, 1, "Notfall", &status_));
    build_.AddArticle("X", 1, 5.0, 0, 1);
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    const std::string text = Abort();
    EXPECT_EQ(std::string::npos, text.find("grouper record admission_type")) << text;
    EXPECT_NE(std::string::npos, text.find("grouper record discharge_type")) << text;
    EXPECT_NE(std::string::npos, text.find("BfS record bfs_residence_after_discharge")) << text;
}

TEST_F(FinalizeTest, NullOutPointersAreRefused) {
    double difference = 0;
    EXPECT_EQ(E_POINTER, request_->Finalize(nullptr, &status_));
    EXPECT_EQ(E_POINTER, request_->Finalize(&difference, nullptr));
}

// ---------------------------------------------------------------------------
// State after Finalize

TEST_F(FinalizeTest, ChangeAfterFinalizeDropsTheSnapshot) {
    SetSections();
    build_.AddArticle("X", 1, 5.0, 0, 1);
    auto first = Finalize();
    ASSERT_TRUE(first) << Abort();
    build_.AddArticle("Y", 1, 7.0, 0, 1);
    EXPECT_FALSE(AsRequestImpl(request_.Get())->IsFinalized());
    EXPECT_EQ(nullptr, AsRequestImpl(request_.Get())->FinalizedSnapshot());
    EXPECT_EQ(D("5"), first->balance.amount);  // the old snapshot stays as it was
    auto second = Finalize();
    ASSERT_TRUE(second) << Abort();
    EXPECT_EQ(D("12"), second->balance.amount);
}

TEST_F(FinalizeTest, RejectedCallKeepsTheSnapshot) {
    SetSections();
    build_.AddArticle("X", 1, 5.0, 0, 1);
    ASSERT_TRUE(Finalize()) << Abort();
    EXPECT_EQ(E_INVALIDARG, request_->SetTiers(9, "", 0, &status_));
    EXPECT_TRUE(AsRequestImpl(request_.Get())->IsFinalized());
}

// ---------------------------------------------------------------------------
// Concurrency: every thread has its own manager and builds its own invoices.

TEST(FinalizeConcurrencyTest, EightManagersBuildInvoicesAtOnce) {
    constexpr int kThreads = 8;
    constexpr int kInvoices = 200;
    std::vector<int> exact(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &exact] {
            TestModule module;
            for (int i = 0; i < kInvoices; ++i) {
                ComPtr<IGeneralInvoiceRequest> request;
                if (module.manager->GetGeneralInvoiceRequest(request.ReleaseAndGetAddressOf()) !=
                    S_OK) {
                    return;
                }
                InvoiceBuilder build(request.Get());
                build.SetSampleSections();
                build.AddSampleServices();
                // A record of its own per invoice: 0.01 x (t * 1000 + i).
                build.AddArticle("T", t * 1000 + i, 0.01, 0, 1);
                double difference = 0;
                VARIANT_BOOL status = 0;
                if (request->Finalize(&difference, &status) != S_OK) return;
                auto invoice = AsRequestImpl(request.Get())->FinalizedSnapshot();
                const Decimal own = Decimal::FromInt(t * 1000 + i) * D("0.01");
                const Decimal amount = D("5232.99") + own;
                if (invoice->balance.amount == amount &&
                    invoice->balance.amount_due == amount.RoundToFiveCents() &&
                    invoice->services.size() == 6u) {
                    ++exact[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(kInvoices, exact[t]) << "thread " << t;
}

}  // namespace
}  // namespace request_test
