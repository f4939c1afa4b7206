// Finalize of the invoice request through the module's interface: the sample
// invoice, what the setters hand on to the balance, every missing required
// part, the snapshot, and many managers building invoices at once. The
// arithmetic itself is balance_test's.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "module/objects/request_object.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/result_sample_invoice.h"

namespace request_test {
namespace {

using invoice::Decimal;
using result_test::BalanceText;
using result_test::D;

class FinalizeTest : public RequestTest {
  protected:
    // Finalizes; on success answers the snapshot, otherwise null.
    std::shared_ptr<const invoice::InvoiceRequest> Finalize(double* round_difference = nullptr) {
        double difference = -1;
        HRESULT hr = request_->Finalize(&difference, &status_);
        if (round_difference != nullptr) *round_difference = difference;
        return hr == S_OK ? AsRequestImpl(request_.Get())->FinalizedSnapshot() : nullptr;
    }
};

TEST_F(FinalizeTest, SampleInvoiceBalance) {
    build_.SetSampleSections();
    build_.AddSampleServices();
    double difference = 0;
    auto invoice = Finalize(&difference);
    ASSERT_TRUE(invoice) << Abort();
    ASSERT_TRUE(invoice->finalized);
    EXPECT_TRUE(AsRequestImpl(request_.Get())->IsFinalized());
    // The sample writes 5232.99 due; this module rounds the amount due to 0.05.
    EXPECT_EQ(
        "5232.99 17.76 0 0 5233 0.01 254.02 | 0: 32.99 0 | 2.5: 2500 60.98 | 7.7: 2700 193.04 ",
        BalanceText(invoice->balance));
    EXPECT_DOUBLE_EQ(0.01, difference);
    ASSERT_EQ(5u, invoice->services.size());
    EXPECT_EQ(invoice::ServiceKind::kServiceEx, invoice->services[0].kind);
    EXPECT_EQ(D("9.57"), invoice->services[0].mt.amount);
    EXPECT_EQ(D("8.19"), invoice->services[0].tt.amount);
    EXPECT_EQ(D("5.08"), invoice->services[4].amount);
    for (size_t i = 0; i < invoice->services.size(); ++i) {
        EXPECT_EQ(static_cast<int32_t>(i + 1), invoice->services[i].record_id);
    }
}

TEST_F(FinalizeTest, PrepaidReminderAndVatNumberReachTheBalance) {
    build_.SetSampleSections();
    ASSERT_EQ(S_OK, request_->SetTiers(1, "CHE-123.456.788", 50.0, &status_)) << Abort();
    ASSERT_EQ(S_OK, request_->SetReminder("R-1", Day(2020, 7, 3), 1593777600, 2, "Bitte zahlen",
                                          5.0, &status_))
        << Abort();
    build_.AddArticle("X", 1, 100.01, 0, 1);
    double difference = 0;
    auto invoice = Finalize(&difference);
    ASSERT_TRUE(invoice) << Abort();
    // 100.01 + 5 - 50 = 55.01
    EXPECT_EQ("100.01 100.01 50 5 55 -0.01 0 | 0: 100.01 0 CHE-123.456.788",
              BalanceText(invoice->balance));
    EXPECT_NEAR(-0.01, difference, 1e-9);
    EXPECT_EQ(invoice::PayloadType::kReminder, invoice->payload_type());
}

TEST_F(FinalizeTest, ServiceExBillsThePartsOfItsBillingRole) {
    build_.SetSampleSections();
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

TEST_F(FinalizeTest, ClientAmountFurtherOffThanACentIsRefused) {
    build_.SetSampleSections();
    build_.AddArticle("X", 1, 5.0, 0, 1);
    build_.AddArticle("GA", 2, 6.15, 0, 1, 12.50);  // computed 12.30
    EXPECT_FALSE(Finalize());
    EXPECT_EQ(0u, Abort().find("Finalize: service record 2 (tariff 999, code GA): amount 12.50 "
                               "differs from the computed amount 12.30"))
        << Abort();
    EXPECT_FALSE(AsRequestImpl(request_.Get())->IsFinalized());
}

struct MissingCase {
    const char* skipped;  // the setter SetSampleSections leaves out; "all": no sections at all
    std::function<void(IGeneralInvoiceRequest*, InvoiceBuilder&)> change;
    std::vector<const char*> found;  // in the refusal
    std::vector<const char*> not_found = {};
};

TEST(FinalizeMissingTest, TheRefusalNamesEachMissingPart) {
    using Request = IGeneralInvoiceRequest*;
    VARIANT_BOOL s = 0;
    auto none = [](Request, InvoiceBuilder&) {};
    std::vector<MissingCase> cases = {
        {"all",
         none,
         {"transport (SetTransport)", "invoice id and date (SetInvoice)", "biller (SetBiller)",
          "patient (SetPatient)", "law (SetLaw)", "treatment (SetTreatment)",
          "at least one service"}},
        {"",
         [&](Request r, InvoiceBuilder&) { r->SetTiers(2, "", 0, &s); },
         {"insurance (SetInsurance)"}},
        {"",
         [&](Request r, InvoiceBuilder&) {
             ComPtr<IAddress> nameless;
             r->GetCreateAddress(nameless.ReleaseAndGetAddressOf());
             r->SetBiller(kBillerGln, "", "", "", nullptr, &s);
             r->SetGuarantor(nameless.Get(), &s);
         },
         {"address of the biller (SetBiller)",
          "address of the guarantor: name of a person or company (SetGuarantor)",
          "address of the guarantor: zip (SetGuarantor)"}},
        {"",
         [&](Request r, InvoiceBuilder&) {
             r->SetEsrQR(4, kQrIban, kQrReference, "", nullptr, nullptr, 30, &s);
         },
         {"address of the bank (SetEsrQR)", "address of the creditor (SetEsrQR)"}},
        {"",
         [&](Request r, InvoiceBuilder& b) {
             r->SetPatient(2, Day(1957, 4, 14), "", b.Person("Muster", "Anna").Get(), &s);
         },
         {"required by the mvg law"}},
        {"",
         [&](Request r, InvoiceBuilder&) {
             r->SetXtraHospital(2, Day(2020, 6, 1), 3, 1, 1, 3, "", 1, &s);
             r->AddGrouperRecord(1, 1, "Notfall", &s);
         },
         {"grouper record discharge_type", "BfS record bfs_residence_after_discharge"},
         {"grouper record admission_type"}},
    };
    const std::pair<const char*, const char*> setters[] = {
        {"SetRequest", "role and place (SetRequest)"},
        {"SetTransport", "transport (SetTransport)"},
        {"SetInvoice", "invoice id and date (SetInvoice)"},
        {"SetTiers", "tiers mode (SetTiers)"},
        {"SetBiller", "biller (SetBiller)"},
        {"SetDebitor", "debitor (SetDebitor)"},
        {"SetProvider", "provider (SetProvider)"},
        {"SetPatient", "patient (SetPatient)"},
        {"SetGuarantor", "guarantor (SetGuarantor)"},
        {"SetEsrQR", "payment slip (SetEsr, SetEsrRed"},
        {"SetLaw", "law (SetLaw)"},
        {"SetTreatment", "treatment (SetTreatment)"},
    };
    for (const auto& [setter, text] : setters) cases.push_back({setter, none, {text}});
    for (const MissingCase& c : cases) {
        TestModule module;
        InvoiceBuilder build(module.request.Get());
        if (std::string(c.skipped) != "all") {
            build.SetSampleSections(c.skipped);
            c.change(module.request.Get(), build);
            build.AddArticle("X", 1, 5.0, 0, 1);
        }
        double difference = 0;
        EXPECT_EQ(E_FAIL, module.request->Finalize(&difference, &s));
        const std::string text = build.Abort();
        EXPECT_EQ(0u, text.find("Finalize: the request is incomplete, missing: ")) << text;
        for (const char* part : c.found) EXPECT_NE(std::string::npos, text.find(part)) << text;
        for (const char* part : c.not_found) EXPECT_EQ(std::string::npos, text.find(part)) << text;
        EXPECT_FALSE(AsRequestImpl(module.request.Get())->IsFinalized());
    }
}

TEST_F(FinalizeTest, MilitaryLawNeedsTheSocialSecurityNumberAndKvgDoesNot) {
    build_.SetSampleSections();
    ComPtr<IAddress> patient = build_.Person("Muster", "Anna");
    ASSERT_EQ(S_OK, request_->SetPatient(2, Day(1957, 4, 14), "", patient.Get(), &status_));
    build_.AddArticle("X", 1, 5.0, 0, 1);
    EXPECT_FALSE(Finalize());
    ASSERT_EQ(S_OK, request_->SetLaw(1, 0, "", "", &status_));
    EXPECT_TRUE(Finalize()) << Abort();
}

TEST_F(FinalizeTest, NullOutPointersAreRefused) {
    double difference = 0;
    EXPECT_EQ(E_POINTER, request_->Finalize(nullptr, &status_));
    EXPECT_EQ(E_POINTER, request_->Finalize(&difference, nullptr));
}

TEST_F(FinalizeTest, ChangeDropsTheSnapshotAndARejectedCallKeepsIt) {
    build_.SetSampleSections();
    build_.AddArticle("X", 1, 5.0, 0, 1);
    auto first = Finalize();
    ASSERT_TRUE(first) << Abort();
    EXPECT_EQ(E_INVALIDARG, request_->SetTiers(9, "", 0, &status_));
    EXPECT_TRUE(AsRequestImpl(request_.Get())->IsFinalized());
    build_.AddArticle("Y", 1, 7.0, 0, 1);
    EXPECT_FALSE(AsRequestImpl(request_.Get())->IsFinalized());
    EXPECT_EQ(nullptr, AsRequestImpl(request_.Get())->FinalizedSnapshot());
    EXPECT_EQ(D("5"), first->balance.amount);  // the old snapshot stays as it was
    auto second = Finalize();
    ASSERT_TRUE(second) << Abort();
    EXPECT_EQ(D("12"), second->balance.amount);
}

// Every thread has its own manager and builds its own invoices.
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
                module.manager->GetGeneralInvoiceRequest(request.ReleaseAndGetAddressOf());
                if (!request) return;
                InvoiceBuilder build(request.Get());
                build.SetSampleSections();
                build.AddSampleServices();
                // A record of its own per invoice: 0.01 x (t * 1000 + i).
                build.AddArticle("T", t * 1000 + i, 0.01, 0, 1);
                double difference = 0;
                VARIANT_BOOL status = 0;
                if (request->Finalize(&difference, &status) != S_OK) return;
                auto invoice = AsRequestImpl(request.Get())->FinalizedSnapshot();
                const Decimal amount = D("5232.99") + Decimal::FromInt(t * 1000 + i) * D("0.01");
                exact[t] += invoice->balance.amount == amount &&
                            invoice->balance.amount_due == amount.RoundToFiveCents() &&
                            invoice->services.size() == 6u;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(kInvoices, exact[t]) << "thread " << t;
}

}  // namespace
}  // namespace request_test
