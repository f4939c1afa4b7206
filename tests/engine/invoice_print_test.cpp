// Printing invoices to PDF, checked from the outside: qpdf checks the file,
// pdffonts the fonts, pdftotext the text a reader sees, and ZXingReader the
// QR code of the payment slip. Expected payloads are written out by hand.
// What the form shows and how its figures add up is print_form_content_test.

#include "module/print/invoice_print.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "module/model/balance.h"
#include "module/print/logo_image.h"
#include "pdf_readback.h"
#include "print_test_invoice.h"
#include "temp_folder.h"

namespace {

using invoice::InvoiceRequest;
using print_test::D;
using print_test::kDay;
using readback::Run;

std::string Text(const std::string& pdf) {
    return Run("pdftotext -enc UTF-8 '" + pdf + "' -");
}

int Status(const std::string& command) {
    int status = -1;
    Run(command, &status);
    return status;
}

bool FontsEmbedded(const std::string& pdf) {
    std::string fonts = Run("pdffonts '" + pdf + "' | tail -n +3");
    return !fonts.empty() && fonts.find(" no ") == std::string::npos;
}

bool HasImage(const std::string& pdf) {
    return Run("pdfimages -list '" + pdf + "'").find(" image ") != std::string::npos;
}

invoice::Address Address(invoice::AddressType type, const char* name, const char* street,
                         const char* zip, const char* city) {
    invoice::Address address;
    address.type = type;
    address.company.companyname = name;
    address.person = {"Müller-Lüthi", "Zoë", "Frau", "", ""};
    address.postal = {street, "", zip, city, "", "CH"};
    return address;
}

invoice::ServiceRecord Service(int id, const char* code, const char* name, const char* unit,
                               double day) {
    invoice::ServiceRecord record = print_test::Service(code, invoice::BillingRole::kBoth, unit);
    record.record_id = id;
    record.name = name;
    record.quantity = D("1");
    record.unit_factor = D("1");
    record.external_factor = D("1");
    record.date_begin = day;
    return record;
}

// A finalized patient invoice of `services` services at 48.00 and 25.50 in
// turn (three: 121.50) with a QR-bill slip.
InvoiceRequest Invoice(invoice::Language language, int services = 3) {
    InvoiceRequest r;
    r.language = language;
    r.request = invoice::RequestSection{};
    r.invoice = invoice::RequestReference{"RG-2024-0815", kDay + 10, 1704931200};
    r.tiers = invoice::Tiers{invoice::TiersMode::kGarant, "", D("0")};
    invoice::Address practice = Address(invoice::AddressType::kCompany, "Praxis Dr. Rüegg",
                                        "Bahnhofstrasse 12a", "8001", "Zürich");
    r.biller = invoice::Biller{"7601000000002", "A123456", "", "", "", practice};
    r.provider = invoice::Provider{"7601000000002", "A123456", "", "", practice};
    r.patient = invoice::Patient{
        invoice::SexType::kFemale, 30000, "7561234567897",
        Address(invoice::AddressType::kPerson, "", "Rue de l'Hôpital 5", "1700", "Fribourg")};
    r.law = invoice::Law{invoice::LawType::kKVG, std::nullopt, "", "", "", ""};
    r.treatment = invoice::Treatment{};
    r.treatment->date_begin = kDay;
    r.treatment->date_end = kDay + 5;
    r.treatment->canton = invoice::Canton::kFR;
    for (int i = 1; i <= services; ++i) {
        r.services.push_back(Service(i, ("C" + std::to_string(i)).c_str(), "Physiothérapie, séance",
                                     i % 2 ? "48.00" : "25.50", kDay));
    }
    r.esr = invoice::Esr{};
    r.esr->iban = "CH4431999123000889012";
    r.esr->reference_number = "210000000003139471430009017";
    r.esr->customer_note = "Rechnung RG-2024-0815";
    r.esr->creditor = practice;
    print_test::Finalize(&r);
    return r;
}

class InvoicePrintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!readback::HaveReadbackTools() || Status("command -v qpdf && command -v pdffonts"))
            GTEST_SKIP() << "qpdf, poppler-utils or ZXingReader missing";
    }

    // Prints with `layout`; returns "OK" or the abort text.
    std::string Print(const InvoiceRequest& request, const std::string& layout = "PatientInvoice",
                      long attributes = 0) {
        options_.print_template = layout + "(PDF_NOPRINT=" + Pdf() + ";)";
        options_.generation_attributes = attributes;
        std::string error;
        HRESULT hr = invoice::PrintInvoice(request, options_, &outcome_, &error);
        return hr == S_OK ? "OK" : error;
    }

    std::string Pdf() const { return folder_.Path() + "out.pdf"; }

    TempFolder folder_;
    invoice::PrintOptions options_{"", 0, 1, 0, "", "", 40, 15, 0};
    invoice::PrintOutcome outcome_;
};

// The QR-bill payload of Invoice(): its creditor and debtor, 121.50 CHF.
std::string SlipPayload(const std::string& iban, const std::string& reference) {
    return "SPC\n0200\n1\n" + iban +
           "\nS\nPraxis Dr. Rüegg\nBahnhofstrasse\n12a\n8001\nZürich\nCH\n\n\n\n\n\n\n\n"
           "121.50\nCHF\nS\nZoë Müller-Lüthi\nRue de l'Hôpital\n5\n1700\nFribourg\nCH\n" +
           reference + "\nEPD";
}

struct SlipCase {
    const char* name;
    invoice::Language language;
    invoice::EsrType type;
    const char* iban;
    const char* reference;
    const char* note;
    long attributes;
    std::vector<const char*> shown;  // the first: the account as printed
    const char* payload;             // after the debtor; nullptr: no slip
};

const std::string kQrIban = "CH4431999123000889012", kIban = "CH9300762011623852957";
const SlipCase kSlips[] = {
    {"qr_reference_de",
     invoice::Language::kGerman,
     invoice::EsrType::kEsrQR,
     kQrIban.c_str(),
     "210000000003139471430009017",
     "Rechnung RG-2024-0815",
     0,
     {"CH44 3199 9123 0008 8901 2", "Fälliger Betrag", "Zahlteil", "Empfangsschein",
      "Konto / Zahlbar an", "Zahlbar durch", "Währung", "Annahmestelle",
      "21 00000 00003 13947 14300 09017", "Physiothérapie, séance", "Tarifziffer"},
     "QRR\n210000000003139471430009017\nRechnung RG-2024-0815"},
    {"creditor_reference_fr",
     invoice::Language::kFrench,
     invoice::EsrType::kEsrQR,
     kIban.c_str(),
     "RF18 5390 0754 7034",
     "",
     0,
     {"CH93 0076 2011 6238 5295 7", "Montant dû", "Section paiement", "Récépissé",
      "Compte / Payable à", "Payable par", "Monnaie", "Point de dépôt", "RF18 5390 0754 7034",
      "Code tarifaire"},
     "SCOR\nRF18539007547034\n"},
    {"no_reference_it",
     invoice::Language::kItalian,
     invoice::EsrType::kRedPayinSlipQR,
     kIban.c_str(),
     "",
     "Fattura RG-2024-0815",
     0,
     {"CH93 0076 2011 6238 5295 7", "Importo dovuto", "Sezione pagamento", "Ricevuta",
      "Conto / Pagabile a", "Pagabile da", "Valuta", "Punto di accettazione",
      "Informazioni supplementari", "Cifra tariffale"},
     "NON\n\nFattura RG-2024-0815"},
    {"legacy_slip",
     invoice::Language::kGerman,
     invoice::EsrType::kEsr16or27,
     kQrIban.c_str(),
     "210000000003139471430009017",
     "",
     0,
     {"Fälliger Betrag"},
     nullptr},
    {"slip_left_out",
     invoice::Language::kGerman,
     invoice::EsrType::kEsrQR,
     kQrIban.c_str(),
     "210000000003139471430009017",
     "",
     invoice::kPrintWithoutSlip,
     {"Fälliger Betrag"},
     nullptr},
};

class SlipTest : public InvoicePrintTest, public ::testing::WithParamInterface<SlipCase> {};

TEST_P(SlipTest, PrintsTheFormAndTheCodeDecodesToThePayload) {
    const SlipCase& c = GetParam();
    InvoiceRequest request = Invoice(c.language);
    request.esr->type = c.type;
    request.esr->iban = c.iban;
    request.esr->reference_number = c.reference;
    request.esr->customer_note = c.note;
    ASSERT_EQ("OK", Print(request, "PatientInvoice", c.attributes));
    EXPECT_EQ(0, Status("qpdf --check '" + Pdf() + "'"));
    EXPECT_TRUE(FontsEmbedded(Pdf()));
    std::string text = Text(Pdf());
    for (const char* shown : c.shown) EXPECT_NE(std::string::npos, text.find(shown)) << shown;
    EXPECT_NE(std::string::npos, text.find("Zoë Müller-Lüthi"));
    EXPECT_EQ(c.payload != nullptr, outcome_.has_slip);
    if (c.payload == nullptr) {
        EXPECT_EQ(std::string::npos, text.find("Zahlteil"));
        return;
    }
    EXPECT_NE(std::string::npos, text.find(c.shown[2]));  // the payment part's title
    EXPECT_EQ(SlipPayload(c.iban, c.payload), outcome_.qr_payload);
    EXPECT_EQ(outcome_.qr_payload, readback::DecodeQr(Pdf(), outcome_.pages, folder_.Path()));
}

INSTANTIATE_TEST_SUITE_P(Slips, SlipTest, ::testing::ValuesIn(kSlips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InvoicePrintTest, TheSlipTakesAPageOfItsOwnWhenTheSummaryLeavesNoRoom) {
    // 15 rows end low on the first page: the summary fits, the slip does not.
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman, 15)));
    std::string text = Text(Pdf());
    ASSERT_EQ(2, outcome_.pages);
    std::string first = text.substr(0, text.find('\f'));
    EXPECT_NE(std::string::npos, first.find("Fälliger Betrag"));
    EXPECT_EQ(std::string::npos, first.find("Zahlteil"));
    EXPECT_NE(std::string::npos, readback::DecodeQr(Pdf(), 2, folder_.Path()).find("QRR"));
}

TEST_F(InvoicePrintTest, LayoutsReclaimByTiersModeCopyAndSortOrder) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    ASSERT_EQ("OK", Print(request, "reclaim"));
    EXPECT_NE(std::string::npos, Text(Pdf()).find("Rückforderungsbeleg"));
    EXPECT_EQ(std::string::npos, Text(Pdf()).find("Zahlteil"));
    request.tiers->mode = invoice::TiersMode::kPayant;
    ASSERT_EQ("OK", Print(request, "Reclaim"));
    EXPECT_NE(std::string::npos, Text(Pdf()).find("TP-Rechnung"));
    ASSERT_EQ("OK", Print(request, ""));
    EXPECT_EQ(invoice::PrintLayout::kReclaim, outcome_.layout);

    // The copy attribute marks every page.
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kItalian, 80), "", invoice::kPrintAsCopy));
    std::string copy = Text(Pdf());
    ASSERT_GE(outcome_.pages, 3);
    for (size_t at = 0, end; (end = copy.find('\f', at)) != std::string::npos; at = end + 1)
        EXPECT_NE(std::string::npos, copy.substr(at, end - at).find("Copia")) << at;
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kItalian, 80)));
    EXPECT_EQ(std::string::npos, Text(Pdf()).find("Copia"));

    // By date, else by tariff and code.
    request = Invoice(invoice::Language::kGerman, 0);
    request.services = {Service(1, "ZZ9", "Zuletzt nach Code", "1", kDay),
                        Service(2, "AA1", "Zuerst nach Code", "1", kDay + 2)};
    print_test::Finalize(&request);
    for (long by_code : {0, 1}) {
        options_.sort_time_tariff = by_code;
        ASSERT_EQ("OK", Print(request));
        std::string text = Text(Pdf());
        EXPECT_EQ(by_code == 1, text.find("Zuletzt") > text.find("Zuerst")) << by_code;
    }
}

TEST_F(InvoicePrintTest, TimestampInAndOut) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    ASSERT_EQ("OK", Print(request));
    EXPECT_EQ(1704931200, outcome_.timestamp);
    options_.timestamp = 1710000000;
    ASSERT_EQ("OK", Print(request, ""));
    EXPECT_EQ(1710000000, outcome_.timestamp);
    ASSERT_NE(nullptr, outcome_.printed);
    EXPECT_EQ(1710000000, outcome_.printed->invoice->timestamp);
    EXPECT_NE(std::string::npos, Text(Pdf()).find("1710000000"));
}

// A 2 x 2 BMP of 24 bits, bottom-up: red, green / blue, white (top row).
std::string WriteBmp(const std::string& path) {
    const unsigned char bytes[] = {
        'B', 'M', 70,  0,   0,   0,   0, 0, 0, 0, 54, 0, 0, 0,  // file header
        40,  0,   0,   0,   2,   0,   0, 0, 2, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
        16,  0,   0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,  // info header
        0,   0,   255, 0,   255, 0,   0, 0,   // bottom row: red, green, pad
        255, 0,   0,   255, 255, 255, 0, 0};  // top row: blue, white, pad
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    return path;
}

TEST_F(InvoicePrintTest, LogosPrintAsBmpReadRowByRowAndAsPng) {
    std::string error;
    invoice::ImageSurface image = invoice::ReadLogoImage(WriteBmp(Pdf() + ".bmp"), &error);
    ASSERT_NE(nullptr, image) << error;
    EXPECT_EQ(2, cairo_image_surface_get_width(image.get()));
    auto pixel = [&image](int x, int y) {
        const unsigned char* row = cairo_image_surface_get_data(image.get()) +
                                   y * cairo_image_surface_get_stride(image.get());
        return reinterpret_cast<const uint32_t*>(row)[x];
    };
    EXPECT_EQ(0xFF0000FFu, pixel(0, 0));  // blue, top left
    EXPECT_EQ(0xFFFFFFFFu, pixel(1, 0));
    EXPECT_EQ(0xFFFF0000u, pixel(0, 1));  // red, bottom left
    EXPECT_EQ(0xFF00FF00u, pixel(1, 1));

    options_.logo_file = WriteBmp(folder_.Path() + "logo.bmp");
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman)));
    EXPECT_TRUE(HasImage(Pdf()));
    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
    options_.logo_file = folder_.Path() + "logo.png";
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_write_to_png(png, options_.logo_file.c_str()));
    cairo_surface_destroy(png);
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman)));
    EXPECT_TRUE(HasImage(Pdf()));
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman), "", invoice::kPrintWithoutLogo));
    EXPECT_FALSE(HasImage(Pdf()));
}

TEST_F(InvoicePrintTest, ThreadsPrintAtTheSameTime) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman, 40);
    std::vector<std::string> errors(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < errors.size(); ++t) {
        threads.emplace_back([&, t] {
            invoice::PrintOptions options;
            options.print_template =
                "(PDF_NOPRINT=" + folder_.Path() + std::to_string(t) + ".pdf;)";
            invoice::PrintOutcome outcome;
            for (int i = 0; i < 3 && errors[t].empty(); ++i) {
                invoice::PrintInvoice(request, options, &outcome, &errors[t]);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t t = 0; t < errors.size(); ++t) {
        EXPECT_EQ("", errors[t]);
        EXPECT_EQ(0, Status("qpdf --check '" + folder_.Path() + std::to_string(t) + ".pdf'"));
    }
}

// --- refusals: a clear text, no file and no partial file ---------------------

struct Refusal {
    const char* layout;
    void (*change)(InvoiceRequest*, invoice::PrintOptions*);
    const char* text;  // after "Print: "
};

const Refusal kRefusals[] = {
    {"PatientInvoice", [](InvoiceRequest* r, auto*) { r->esr->creditor->postal.city.clear(); },
     "QR-bill: the creditor has no town"},
    {"Invoice", [](auto*, auto*) {},
     "bstrPrintTemplate: unknown layout \"Invoice\" (Reclaim, PatientInvoice or Reminder)"},
    {"Reminder", [](auto*, auto*) {}, "the Reminder layout needs a reminder (SetReminder)"},
    {"", [](InvoiceRequest* r, auto*) { r->finalized = false; },
     "the request is not finalized (Finalize must succeed first)"},
    {"", [](auto*, invoice::PrintOptions* o) { o->print_template = "Reclaim(Copy=1)"; },
     "bstrPrintTemplate names no output file (PDF_NOPRINT)"},
    {"", [](auto*, invoice::PrintOptions* o) { o->address_right = 2; },
     "eAddressRight 2 is neither 0 (left) nor 1 (right)"},
    {"", [](auto*, invoice::PrintOptions* o) { o->logo_file = "/nonexistent/logo.png"; },
     "the logo file /nonexistent/logo.png cannot be read"},
};

TEST_F(InvoicePrintTest, RefusalsSayWhyAndLeaveNoFile) {
    for (const Refusal& refusal : kRefusals) {
        InvoiceRequest request = Invoice(invoice::Language::kGerman);
        options_ = invoice::PrintOptions();
        options_.print_template = std::string(refusal.layout) + "(PDF_NOPRINT=" + Pdf() + ";)";
        options_.address_right = 1;
        refusal.change(&request, &options_);
        std::string error;
        EXPECT_NE(S_OK, invoice::PrintInvoice(request, options_, &outcome_, &error));
        EXPECT_EQ(std::string("Print: ") + refusal.text, error);
        EXPECT_FALSE(std::filesystem::exists(Pdf()));
        EXPECT_FALSE(std::filesystem::exists(Pdf() + ".part"));
    }
    options_ = invoice::PrintOptions();
    options_.print_template = "Reclaim(PDF_NOPRINT=" + folder_.Path() + "missing/out.pdf)";
    std::string error;
    EXPECT_EQ(E_FAIL, invoice::PrintInvoice(Invoice(invoice::Language::kGerman), options_,
                                            &outcome_, &error));
    EXPECT_EQ(0u, error.find("Print: " + folder_.Path() + "missing/out.pdf: ")) << error;
}

}  // namespace
