// Printing invoices to PDF, checked from the outside: qpdf checks the file,
// pdffonts the fonts, pdftotext the text a reader sees, and ZXingReader the
// QR code on the rendered last page. Expected payloads are written out from
// the invoice data by hand.

#include "module/invoice_print.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "module/balance.h"
#include "module/logo_image.h"
#include "module/pdf_invoice_form.h"
#include "temp_folder.h"

namespace {

using invoice::Decimal;
using invoice::InvoiceRequest;

Decimal D(const char* text) {
    Decimal value;
    EXPECT_TRUE(Decimal::Parse(text, &value)) << text;
    return value;
}

// --- running the checkers ---------------------------------------------------

struct Run {
    int status = -1;
    std::string out;
};

Run Command(const std::string& command) {
    Run run;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool HaveCheckers() {
    return Command(
               "command -v qpdf && command -v pdftotext && command -v pdffonts && "
               "command -v pdftoppm && command -v ZXingReader")
               .status == 0;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// The text of every page, as pdftotext extracts it (pages split at \f).
std::vector<std::string> PageTexts(const std::string& pdf) {
    std::string text = Command("pdftotext -enc UTF-8 " + Quoted(pdf) + " -").out;
    std::vector<std::string> pages;
    size_t at = 0;
    for (size_t ff = text.find('\f'); ff != std::string::npos; ff = text.find('\f', at)) {
        pages.push_back(text.substr(at, ff - at));
        at = ff + 1;
    }
    return pages;
}

std::string AllText(const std::string& pdf) {
    return Command("pdftotext -enc UTF-8 " + Quoted(pdf) + " -").out;
}

// Every font line of pdffonts says emb "yes".
void ExpectFontsEmbedded(const std::string& pdf) {
    Run fonts = Command("pdffonts " + Quoted(pdf));
    ASSERT_EQ(0, fonts.status);
    size_t lines = 0;
    size_t at = fonts.out.find('\n', fonts.out.find("-----"));
    while (at != std::string::npos && at + 1 < fonts.out.size()) {
        size_t end = fonts.out.find('\n', at + 1);
        std::string line = fonts.out.substr(at + 1, end - at - 1);
        if (!line.empty()) {
            ++lines;
            EXPECT_NE(std::string::npos, line.find(" yes ")) << line;
        }
        at = end;
    }
    EXPECT_GT(lines, 0u) << fonts.out;
}

// The QR code on page `page`, rendered at 300 dpi.
std::string DecodeQr(const std::string& pdf, int page, const std::string& folder) {
    std::string png = folder + "page";
    std::string n = std::to_string(page);
    Command("pdftoppm -r 300 -gray -png -f " + n + " -l " + n + " -singlefile " + Quoted(pdf) +
            " " + Quoted(png));
    return Command("ZXingReader -bytes -format QRCode " + Quoted(png + ".png")).out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (true) {
        size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end == std::string::npos ? end : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

// --- invoices ----------------------------------------------------------------

invoice::Address Company(const char* name, const char* street, const char* zip, const char* city) {
    invoice::Address address;
    address.type = invoice::AddressType::kCompany;
    address.company.companyname = name;
    address.postal = {street, "", zip, city, "", "CH"};
    return address;
}

invoice::Address Person(const char* given, const char* family, const char* street, const char* zip,
                        const char* city) {
    invoice::Address address;
    address.type = invoice::AddressType::kPerson;
    address.person.givenname = given;
    address.person.familyname = family;
    address.person.salutation = "Frau";
    address.postal = {street, "", zip, city, "", "CH"};
    return address;
}

invoice::ServiceRecord Service(int id, const char* code, const char* name, const char* unit,
                               double day) {
    invoice::ServiceRecord record;
    record.kind = invoice::ServiceKind::kService;
    record.record_id = id;
    record.tariff_type = "590";
    record.code = code;
    record.name = name;
    record.quantity = D("1");
    record.date_begin = day;
    record.provider_ean = "7601000000002";
    record.responsible_ean = "7601000000002";
    record.unit = D(unit);
    record.vat_rate = D("0");
    return record;
}

constexpr double kDay = 45292.0;  // 2024-01-01

// A finalized patient invoice in `language` with `services` services and a
// QR-bill slip with `iban` and `reference`.
InvoiceRequest Invoice(invoice::Language language, int services = 3) {
    InvoiceRequest request;
    request.language = language;
    request.request = invoice::RequestSection{};
    request.invoice = invoice::RequestReference{"RG-2024-0815", kDay + 10, 1704931200};
    request.tiers = invoice::Tiers{invoice::TiersMode::kGarant, "", D("0")};
    request.biller =
        invoice::Biller{"7601000000002",
                        "A123456",
                        "",
                        "",
                        "",
                        Company("Praxis Dr. Rüegg", "Bahnhofstrasse 12a", "8001", "Zürich")};
    request.provider =
        invoice::Provider{"7601000000002", "A123456", "", "", request.biller->address};
    request.patient =
        invoice::Patient{invoice::SexType::kFemale, 30000, "7561234567897",
                         Person("Zoë", "Müller-Lüthi", "Rue de l'Hôpital 5", "1700", "Fribourg")};
    request.law = invoice::Law{invoice::LawType::kKVG, std::nullopt, "", "", "", ""};
    request.treatment = invoice::Treatment{"",
                                           "",
                                           kDay,
                                           kDay + 5,
                                           invoice::Canton::kFR,
                                           invoice::TreatmentType::kAmbulatory,
                                           invoice::TreatmentReason::kDisease,
                                           std::nullopt};
    for (int i = 1; i <= services; ++i) {
        std::string code = "C" + std::to_string(i);
        request.services.push_back(
            Service(i, code.c_str(), "Physiothérapie, séance", i % 2 ? "48.00" : "25.50", kDay));
    }
    invoice::Esr esr;
    esr.type = invoice::EsrType::kEsrQR;
    esr.iban = "CH4431999123000889012";
    esr.reference_number = "210000000003139471430009017";
    esr.customer_note = "Rechnung RG-2024-0815";
    esr.creditor = request.biller->address;
    request.esr = esr;
    std::string error;
    EXPECT_TRUE(invoice::FinalizeBalance(&request, &error)) << error;
    return request;
}

class InvoicePrintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveCheckers()) GTEST_SKIP() << "qpdf, poppler-utils or ZXingReader missing";
    }

    // Prints with `layout`; returns "OK" or the abort text.
    std::string Print(const InvoiceRequest& request, const std::string& layout = "PatientInvoice",
                      long attributes = 0) {
        invoice::PrintOptions options;
        options.print_template = layout + "(PDF_NOPRINT=" + Pdf() + ";)";
        options.generation_attributes = attributes;
        options.address_right = 1;
        options.logo_file = logo_;
        options.logo_width_mm = 40;
        options.logo_height_mm = 15;
        std::string error;
        HRESULT hr = invoice::PrintInvoice(request, options, &outcome_, &error);
        return hr == S_OK ? "OK" : error;
    }

    std::string Pdf() const { return folder_.Path() + "out.pdf"; }

    TempFolder folder_;
    invoice::PrintOutcome outcome_;
    std::string logo_;
};

// --- normal use ----------------------------------------------------------------

TEST_F(InvoicePrintTest, QrIbanWithQrReferenceDecodesToThePayload) {
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman)));
    EXPECT_EQ(0, Command("qpdf --check " + Quoted(Pdf())).status);
    ExpectFontsEmbedded(Pdf());
    std::string text = AllText(Pdf());
    for (const char* expected :
         {"Zoë Müller-Lüthi", "RG-2024-0815", "Rechnung", "Fälliger Betrag", "121.50", "Zahlteil",
          "Empfangsschein", "Konto / Zahlbar an", "Zahlbar durch", "Währung", "Annahmestelle",
          "21 00000 00003 13947 14300 09017", "CH44 3199 9123 0008 8901 2",
          "Physiothérapie, séance", "Tarifziffer"}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected;
    }
    const std::vector<std::string> expected = {"SPC",
                                               "0200",
                                               "1",
                                               "CH4431999123000889012",
                                               "S",
                                               "Praxis Dr. Rüegg",
                                               "Bahnhofstrasse",
                                               "12a",
                                               "8001",
                                               "Zürich",
                                               "CH",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "121.50",
                                               "CHF",
                                               "S",
                                               "Zoë Müller-Lüthi",
                                               "Rue de l'Hôpital",
                                               "5",
                                               "1700",
                                               "Fribourg",
                                               "CH",
                                               "QRR",
                                               "210000000003139471430009017",
                                               "Rechnung RG-2024-0815",
                                               "EPD"};
    EXPECT_EQ(expected, Lines(DecodeQr(Pdf(), outcome_.pages, folder_.Path())));
}

TEST_F(InvoicePrintTest, NormalIbanWithCreditorReferenceInFrench) {
    InvoiceRequest request = Invoice(invoice::Language::kFrench);
    request.esr->iban = "CH9300762011623852957";
    request.esr->reference_number = "RF18 5390 0754 7034";
    request.esr->customer_note = "";
    ASSERT_EQ("OK", Print(request));
    std::string text = AllText(Pdf());
    for (const char* expected :
         {"Zoë Müller-Lüthi", "RG-2024-0815", "Facture", "Montant dû", "Section paiement",
          "Récépissé", "Compte / Payable à", "Payable par", "Monnaie", "Point de dépôt",
          "RF18 5390 0754 7034", "Code tarifaire"}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected;
    }
    const std::vector<std::string> expected = {"SPC",
                                               "0200",
                                               "1",
                                               "CH9300762011623852957",
                                               "S",
                                               "Praxis Dr. Rüegg",
                                               "Bahnhofstrasse",
                                               "12a",
                                               "8001",
                                               "Zürich",
                                               "CH",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "121.50",
                                               "CHF",
                                               "S",
                                               "Zoë Müller-Lüthi",
                                               "Rue de l'Hôpital",
                                               "5",
                                               "1700",
                                               "Fribourg",
                                               "CH",
                                               "SCOR",
                                               "RF18539007547034",
                                               "",
                                               "EPD"};
    EXPECT_EQ(expected, Lines(DecodeQr(Pdf(), outcome_.pages, folder_.Path())));
    EXPECT_EQ(0, Command("qpdf --check " + Quoted(Pdf())).status);
}

TEST_F(InvoicePrintTest, WithoutReferenceInItalian) {
    InvoiceRequest request = Invoice(invoice::Language::kItalian);
    request.esr->type = invoice::EsrType::kRedPayinSlipQR;
    request.esr->iban = "CH9300762011623852957";
    request.esr->reference_number = "";
    request.esr->customer_note = "Fattura RG-2024-0815";
    ASSERT_EQ("OK", Print(request));
    std::string text = AllText(Pdf());
    for (const char* expected :
         {"Zoë Müller-Lüthi", "Fattura", "Importo dovuto", "Sezione pagamento", "Ricevuta",
          "Conto / Pagabile a", "Pagabile da", "Valuta", "Punto di accettazione",
          "Informazioni supplementari", "Cifra tariffale"}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected;
    }
    const std::vector<std::string> expected = {"SPC",
                                               "0200",
                                               "1",
                                               "CH9300762011623852957",
                                               "S",
                                               "Praxis Dr. Rüegg",
                                               "Bahnhofstrasse",
                                               "12a",
                                               "8001",
                                               "Zürich",
                                               "CH",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "121.50",
                                               "CHF",
                                               "S",
                                               "Zoë Müller-Lüthi",
                                               "Rue de l'Hôpital",
                                               "5",
                                               "1700",
                                               "Fribourg",
                                               "CH",
                                               "NON",
                                               "",
                                               "Fattura RG-2024-0815",
                                               "EPD"};
    EXPECT_EQ(expected, Lines(DecodeQr(Pdf(), outcome_.pages, folder_.Path())));
}

}  // namespace
