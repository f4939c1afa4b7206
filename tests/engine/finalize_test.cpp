// Finalize of the invoice request through the module's interface: one table
// of invoices (the sample's sections with one left out or one changed) and
// the figures each gets or the parts its refusal names. The arithmetic
// itself is balance_test's.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "module/objects/request_object.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/result_sample_invoice.h"

namespace request_test {
namespace {

using result_test::BalanceText;
using Q = IGeneralInvoiceRequest*;
using B = InvoiceBuilder;

struct FinalizeRow {
    const char* skipped;  // the setter SetSampleSections leaves out; "all": no sections at all
    std::function<void(Q, B&)> change;  // then an article of 5.00 follows
    std::string balance;                // of the snapshot; "" when refused
    std::vector<const char*> found;     // in the refusal
};

std::vector<FinalizeRow> FinalizeRows() {
    static VARIANT_BOOL s = 0;
    auto none = [](Q, B&) {};
    const char* missing = "Finalize: the request is incomplete, missing: ";
    std::vector<FinalizeRow> rows = {
        // The sample writes 5232.99 due for its five records; this module
        // rounds the amount due to 0.05.
        {"",
         [](Q, B& b) { b.AddSampleServices(); },
         "invoice 5237.99 22.76 0 0 5238 0.01 254.02 | 0: 37.99 0 | 2.5: 2500 60.98 | 7.7: 2700 "
         "193.04 ",
         {}},
        // 100.01 + 5 + 5 - 50 = 60.01
        {"",
         [](Q r, B& b) {
             r->SetTiers(1, "CHE-123.456.788", 50.0, &s);
             r->SetReminder("R-1", Day(2020, 7, 3), 1593777600, 2, "Bitte zahlen", 5.0, &s);
             b.AddArticle("Y", 1, 100.01, 0, 1);
         },
         "reminder 105.01 105.01 50 5 60 -0.01 0 | 0: 105.01 0 CHE-123.456.788",
         {}},
        // MT only, with the input's external factor: 2 x 9.57 x 0.89 x 0.9 =
        // 15.33114 (the TT part, 2 x 8.19 x 0.89, is not billed).
        {"",
         [](Q r, B& b) {
             ComPtr<IServiceExInput> input = b.Physician("001", 1);
             input->PutExternalFactor_MT(0.9);
             long id = 0;
             r->AddServiceEx(input.Get(), "001", "00.0010", "", 2.0, 1, Day(2020, 6, 3), 0, 1,
                             "Konsultation", 9.57, 0.89, 1.0, 0, 8.19, 0.89, 1.0, 0, 0, 0, 1, "", 1,
                             "", 0, 0, &id, &s);
         },
         "invoice 20.33 20.33 0 0 20.35 0.02 0 | 0: 20.33 0 ",
         {}},
        // Not required by the KVG.
        {"",
         [](Q r, B& b) {
             r->SetPatient(2, Day(1957, 4, 14), "", b.Person("Muster", "Anna").Get(), &s);
             r->SetLaw(1, 0, "", "", &s);
         },
         "invoice 5 5 0 0 5 0 0 | 0: 5 0 ",
         {}},
        // 8.1 applies from 2024 on, the sample is dated 2020-06-03.
        {"",
         [](Q, B& b) { b.AddArticle("GA", 1.0, 100.0, 8.1, 0); },
         "",
         {"Finalize: service record 1 (tariff 999, code GA): VAT rate 8.1 is not a Swiss VAT "
          "rate on 2020-06-03 (0, 2.5, 3.7 or 7.7)"}},
        {"",
         [](Q, B& b) { b.AddArticle("GA", 2, 6.15, 0, 1, 12.50); },
         "",
         {"Finalize: service record 1 (tariff 999, code GA): amount 12.50 differs from the "
          "computed amount 12.30"}},
        {"all",
         none,
         "",
         {missing, "transport (SetTransport)", "invoice id and date (SetInvoice)",
          "biller (SetBiller)", "patient (SetPatient)", "law (SetLaw)", "treatment (SetTreatment)",
          "at least one service"}},
        {"", [](Q r, B&) { r->SetTiers(2, "", 0, &s); }, "", {missing, "insurance (SetInsurance)"}},
        {"",
         [](Q r, B&) {
             ComPtr<IAddress> nameless;
             r->GetCreateAddress(nameless.ReleaseAndGetAddressOf());
             r->SetBiller(kBillerGln, "", "", "", nullptr, &s);
             r->SetGuarantor(nameless.Get(), &s);
         },
         "",
         {missing, "address of the biller (SetBiller)",
          "address of the guarantor: name of a person or company (SetGuarantor)",
          "address of the guarantor: zip (SetGuarantor)"}},
        {"",
         [](Q r, B& b) {
             r->SetPatient(2, Day(1957, 4, 14), "", b.Person("Muster", "Anna").Get(), &s);
         },
         "",
         {missing, "required by the mvg law"}},
        {"SetTiers", none, "", {missing, "tiers mode (SetTiers)"}},
        {"SetEsrQR", none, "", {missing, "payment slip (SetEsr, SetEsrRed"}},
    };
    return rows;
}

TEST(FinalizeTableTest, FiguresOfEachInvoiceOrThePartsItsRefusalNames) {
    for (const FinalizeRow& row : FinalizeRows()) {
        TestModule module;
        InvoiceBuilder build(module.request.Get());
        if (std::string(row.skipped) != "all") {
            build.SetSampleSections(row.skipped);
            row.change(module.request.Get(), build);
            build.AddArticle("X", 1, 5.0, 0, 1);
        }
        double difference = -1;
        VARIANT_BOOL status = 0;
        const HRESULT hr = module.request->Finalize(&difference, &status);
        const std::string text = build.Abort();
        CGeneralInvoiceRequest* impl = AsRequestImpl(module.request.Get());
        EXPECT_EQ(!row.balance.empty(), impl->IsFinalized()) << text;
        if (!row.balance.empty()) {
            EXPECT_EQ(S_OK, hr) << text;
            auto invoice = impl->FinalizedSnapshot();
            if (!invoice || !invoice->finalized) continue;
            EXPECT_EQ(row.balance, std::string(invoice::SchemaText(invoice->payload_type())) + " " +
                                       BalanceText(invoice->balance));
            EXPECT_NEAR(std::stod(invoice->balance.round_difference.ToString()), difference, 1e-9);
            continue;
        }
        EXPECT_EQ(E_FAIL, hr);
        EXPECT_EQ(0u, text.find(row.found[0])) << text;
        for (const char* part : row.found) EXPECT_NE(std::string::npos, text.find(part)) << text;
    }
}

}  // namespace
}  // namespace request_test
