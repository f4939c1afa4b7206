// When the printed form carries a QR-bill payment part, and what it says
// instead when it may not: a storno and a copy are not for payment, an
// amount due of zero or below is nothing to pay or a credit. The slip's
// region is rendered and scanned with ZXingReader: no code may decode where
// no slip may be, and an esrQRplus slip decodes with an empty amount and
// shows no amount.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "module/print/invoice_print.h"
#include "pdf_readback.h"
#include "print_test_invoice.h"
#include "temp_folder.h"

namespace {

using invoice::InvoiceRequest;
using print_test::D;

struct SlipCase {
    const char* name;
    std::function<void(InvoiceRequest*)> change;
    std::string template_parameters;  // after PDF_NOPRINT
    bool slip;
    std::string amount_line;  // the payload's amount ("" for none) when there is a slip
    std::string says;         // what the form says about paying
};

const std::vector<SlipCase>& Cases() {
    static const std::vector<SlipCase> cases = {
        {"payable", nullptr, "", true, "124.75", "Fällig am 10.02.2024 (30 Tage)"},
        {"storno", [](InvoiceRequest* r) { r->request->is_storno = true; }, "", false, "",
         "Storno – nicht zur Zahlung"},
        {"copy_of_the_request", [](InvoiceRequest* r) { r->request->is_copy = true; }, "", false,
         "", "Kopie – nicht zur Zahlung"},
        {"copy_by_template", nullptr, "Copy=1;", false, "", "Kopie – nicht zur Zahlung"},
        {"without_amount", [](InvoiceRequest* r) { r->esr->type = invoice::EsrType::kEsrQRPlus; },
         "", true, "", "Fällig am 10.02.2024 (30 Tage)"},
        {"nothing_to_pay", [](InvoiceRequest* r) { r->tiers->amount_prepaid = D("144.77"); }, "",
         false, "", "Nichts zu bezahlen"},
        {"credit_reminder",
         [](InvoiceRequest* r) {
             r->tiers->amount_prepaid = D("200");
             r->reminder = invoice::Reminder{{"MA-7", print_test::kDay + 50, 1708400000},
                                             invoice::ReminderLevel::kSecond,
                                             "",
                                             D("10")};
         },
         "", false, "", "Guthaben zu Ihren Gunsten 45.25"},
    };
    return cases;
}

class PrintPaymentPartTest : public ::testing::TestWithParam<SlipCase> {
  protected:
    void SetUp() override {
        if (!readback::HaveReadbackTools()) GTEST_SKIP() << "poppler-utils or ZXingReader missing";
    }
    TempFolder folder_;
};

TEST_P(PrintPaymentPartTest, SlipOnlyWhereThereIsSomethingToPay) {
    const SlipCase& slip = GetParam();
    InvoiceRequest request = print_test::RichInvoice(
        invoice::Language::kGerman, invoice::LawType::kKVG, invoice::TiersMode::kGarant);
    if (slip.change) slip.change(&request);
    print_test::Finalize(&request);
    std::string pdf = folder_.Path() + "slip.pdf";
    invoice::PrintOptions options;
    options.print_template = "(PDF_NOPRINT=" + pdf + ";" + slip.template_parameters + ")";
    invoice::PrintOutcome outcome;
    std::string error;
    ASSERT_EQ(S_OK, invoice::PrintInvoice(request, options, &outcome, &error)) << error;
    EXPECT_EQ(slip.slip, outcome.has_slip);

    std::string text = readback::Run("pdftotext -enc UTF-8 '" + pdf + "' -");
    EXPECT_NE(std::string::npos, text.find(slip.says)) << text;
    EXPECT_EQ(slip.slip, text.find("Zahlteil") != std::string::npos);
    std::string payload = readback::DecodeQr(pdf, outcome.pages, folder_.Path());
    if (!slip.slip) {
        EXPECT_EQ("", payload);
        return;
    }
    EXPECT_EQ(outcome.qr_payload, payload);
    // The amount is the payload's 19th line, after the creditor and the
    // ultimate creditor; the slip prints it in both parts, or nothing.
    size_t at = 0;
    for (int line = 0; line < 18; ++line) at = payload.find('\n', at) + 1;
    EXPECT_EQ(slip.amount_line + "\nCHF\n", payload.substr(at, slip.amount_line.size() + 5));
    int shown = 0;
    for (const readback::Word& word : readback::Words(pdf)) {
        bool in_slip = word.page == outcome.pages && word.top > 297 - 105;
        if (in_slip && word.text == "124.75") ++shown;
    }
    EXPECT_EQ(slip.amount_line.empty() ? 0 : 2, shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintPaymentPartTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
