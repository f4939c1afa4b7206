// Printing invoices to PDF, checked from the outside: qpdf checks the file,
// pdffonts the fonts, pdftotext the text a reader sees, and ZXingReader the
// QR code on the rendered last page. Expected payloads are written out from
// the invoice data by hand.

#include "module/print/invoice_print.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "module/model/balance.h"
#include "module/print/logo_image.h"
#include "module/print/pdf_invoice_form.h"
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

struct CommandRun {
    int status = -1;
    std::string out;
};

CommandRun Command(const std::string& command) {
    CommandRun run;
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
    CommandRun fonts = Command("pdffonts " + Quoted(pdf));
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

// The QR-bill payload of the test invoice, line by line: the creditor and
// debtor of Invoice(), 121.50 CHF, and the given account and reference.
std::vector<std::string> SlipPayload(const std::string& iban, const std::string& referenceType,
                                     const std::string& reference, const std::string& message) {
    std::vector<std::string> lines = {"SPC", "0200", "1", iban};
    for (const char* line :
         {"S", "Praxis Dr. Rüegg", "Bahnhofstrasse", "12a", "8001", "Zürich", "CH"}) {
        lines.push_back(line);
    }
    lines.insert(lines.end(), 7, "");  // no ultimate creditor
    for (const char* line : {"121.50", "CHF", "S", "Zoë Müller-Lüthi", "Rue de l'Hôpital", "5",
                             "1700", "Fribourg", "CH"}) {
        lines.push_back(line);
    }
    for (const std::string& line : {referenceType, reference, message, std::string("EPD")}) {
        lines.push_back(line);
    }
    return lines;
}

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
    EXPECT_EQ(SlipPayload("CH4431999123000889012", "QRR", "210000000003139471430009017",
                          "Rechnung RG-2024-0815"),
              Lines(DecodeQr(Pdf(), outcome_.pages, folder_.Path())));
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
    EXPECT_EQ(SlipPayload("CH9300762011623852957", "SCOR", "RF18539007547034", ""),
              Lines(DecodeQr(Pdf(), outcome_.pages, folder_.Path())));
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
    EXPECT_EQ(SlipPayload("CH9300762011623852957", "NON", "", "Fattura RG-2024-0815"),
              Lines(DecodeQr(Pdf(), outcome_.pages, folder_.Path())));
}

TEST_F(InvoicePrintTest, ThousandServicesBreakPagesAndCarrySubtotals) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman, 1000);
    ASSERT_EQ("OK", Print(request));
    std::vector<std::string> pages = PageTexts(Pdf());
    ASSERT_EQ(static_cast<size_t>(outcome_.pages), pages.size());
    ASSERT_GT(pages.size(), 20u);
    EXPECT_EQ(0, Command("qpdf --check " + Quoted(Pdf())).status);
    // Services 1, 3, 5, ... cost 48.00, the others 25.50; the subtotal at
    // the foot of a page is the sum of the rows printed so far and comes
    // back as the carried amount at the top of the next page.
    size_t printed = 0;
    Decimal subtotal;
    for (size_t k = 0; k < pages.size(); ++k) {
        const std::string& page = pages[k];
        std::string number = "Seite " + std::to_string(k + 1) + "/" + std::to_string(pages.size());
        EXPECT_NE(std::string::npos, page.find(number)) << number;
        if (k > 0 && printed < 1000) {
            EXPECT_NE(std::string::npos, page.find("Übertrag")) << number;
            EXPECT_NE(std::string::npos, page.find(subtotal.ToFixed(2))) << number;
        }
        size_t rows = 0;
        for (size_t at = page.find("Physiothérapie"); at != std::string::npos;
             at = page.find("Physiothérapie", at + 1)) {
            ++rows;
        }
        if (rows > 0) {
            EXPECT_NE(std::string::npos, page.find("Tarifziffer")) << number;
        }
        for (size_t i = 0; i < rows; ++i) {
            subtotal += D(((printed + i) % 2 == 0) ? "48" : "25.5");
        }
        printed += rows;
        if (k + 1 < pages.size() && printed < 1000) {
            EXPECT_NE(std::string::npos, page.find("Zwischentotal")) << number;
            EXPECT_NE(std::string::npos, page.find(subtotal.ToFixed(2))) << number;
        }
    }
    EXPECT_EQ(1000u, printed);
    EXPECT_EQ("36750.00", subtotal.ToFixed(2));
    EXPECT_NE(std::string::npos, pages.back().find("Zahlteil"));
    EXPECT_NE(std::string::npos, pages.back().find("36750.00"));
    std::string payload = DecodeQr(Pdf(), outcome_.pages, folder_.Path());
    EXPECT_NE(std::string::npos, payload.find("\n36750.00\nCHF\n")) << payload;
}

TEST_F(InvoicePrintTest, TheSlipTakesAPageOfItsOwnWhenTheSummaryLeavesNoRoom) {
    // 15 rows end low on the first page: the summary fits, the slip does not.
    InvoiceRequest request = Invoice(invoice::Language::kGerman, 15);
    ASSERT_EQ("OK", Print(request));
    std::vector<std::string> pages = PageTexts(Pdf());
    ASSERT_EQ(2u, pages.size());
    EXPECT_NE(std::string::npos, pages[0].find("Fälliger Betrag"));
    EXPECT_EQ(std::string::npos, pages[0].find("Zahlteil"));
    EXPECT_NE(std::string::npos, pages[1].find("Zahlteil"));
    EXPECT_NE(std::string::npos, DecodeQr(Pdf(), 2, folder_.Path()).find("QRR"));
}

TEST_F(InvoicePrintTest, ReclaimTitlesFollowTheTiersMode) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    ASSERT_EQ("OK", Print(request, "reclaim"));
    std::string text = AllText(Pdf());
    EXPECT_NE(std::string::npos, text.find("Rückforderungsbeleg"));
    EXPECT_EQ(std::string::npos, text.find("Zahlteil"));
    request.tiers->mode = invoice::TiersMode::kPayant;
    ASSERT_EQ("OK", Print(request, "Reclaim"));
    EXPECT_NE(std::string::npos, AllText(Pdf()).find("TP-Rechnung"));
    ASSERT_EQ("OK", Print(request, ""));
    EXPECT_EQ(invoice::PrintLayout::kReclaim, outcome_.layout);
}

TEST_F(InvoicePrintTest, ReminderCarriesLevelFeeAndSlip) {
    InvoiceRequest request = Invoice(invoice::Language::kFrench);
    request.reminder = invoice::Reminder{{"MA-7", kDay + 40, 1708000000},
                                         invoice::ReminderLevel::kSecond,
                                         "Nous vous prions de régler la facture.",
                                         D("10")};
    std::string error;
    ASSERT_TRUE(invoice::FinalizeBalance(&request, &error)) << error;
    ASSERT_EQ("OK", Print(request, ""));
    EXPECT_EQ(invoice::PrintLayout::kReminder, outcome_.layout);
    std::string text = AllText(Pdf());
    for (const char* expected : {"2e rappel", "MA-7", "Frais de rappel", "131.50",
                                 "Nous vous prions de régler la facture.", "Section paiement"}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected;
    }
}

TEST_F(InvoicePrintTest, LegacySlipsPrintWithoutPaymentPart) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    request.esr->type = invoice::EsrType::kEsr16or27;
    ASSERT_EQ("OK", Print(request));
    EXPECT_FALSE(outcome_.has_slip);
    std::string text = AllText(Pdf());
    EXPECT_NE(std::string::npos, text.find("Fälliger Betrag"));
    EXPECT_EQ(std::string::npos, text.find("Zahlteil"));
}

TEST_F(InvoicePrintTest, CopyMarksEveryPage) {
    InvoiceRequest request = Invoice(invoice::Language::kItalian, 80);
    invoice::PrintOptions options;
    options.print_template = "PatientInvoice(PDF_NOPRINT=" + Pdf() + ";Copy=1)";
    std::string error;
    ASSERT_EQ(S_OK, invoice::PrintInvoice(request, options, &outcome_, &error)) << error;
    std::vector<std::string> pages = PageTexts(Pdf());
    ASSERT_GE(pages.size(), 3u);
    for (const std::string& page : pages) EXPECT_NE(std::string::npos, page.find("Copia"));
    ASSERT_EQ("OK", Print(request));
    EXPECT_EQ(std::string::npos, AllText(Pdf()).find("Copia"));
    ASSERT_EQ("OK", Print(request, "PatientInvoice", invoice::kPrintAsCopy));
    EXPECT_NE(std::string::npos, AllText(Pdf()).find("Copia"));
}

TEST_F(InvoicePrintTest, ServicesSortByDateOrByTariffAndCode) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman, 0);
    request.services.push_back(Service(1, "ZZ9", "Zuletzt nach Code", "1", kDay));
    request.services.push_back(Service(2, "AA1", "Zuerst nach Code", "1", kDay + 2));
    std::string error;
    ASSERT_TRUE(invoice::FinalizeBalance(&request, &error)) << error;
    invoice::PrintOptions options;
    options.print_template = "PatientInvoice(PDF_NOPRINT=" + Pdf() + ";)";
    ASSERT_EQ(S_OK, invoice::PrintInvoice(request, options, &outcome_, &error)) << error;
    std::string by_date = AllText(Pdf());
    EXPECT_LT(by_date.find("Zuletzt nach Code"), by_date.find("Zuerst nach Code"));
    options.sort_time_tariff = 1;
    ASSERT_EQ(S_OK, invoice::PrintInvoice(request, options, &outcome_, &error)) << error;
    std::string by_code = AllText(Pdf());
    EXPECT_GT(by_code.find("Zuletzt nach Code"), by_code.find("Zuerst nach Code"));
}

TEST_F(InvoicePrintTest, TimestampInAndOut) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    ASSERT_EQ("OK", Print(request));
    EXPECT_EQ(1704931200, outcome_.timestamp);
    invoice::PrintOptions options;
    options.print_template = "(PDF_NOPRINT=" + Pdf() + ";)";
    options.timestamp = 1710000000;
    std::string error;
    ASSERT_EQ(S_OK, invoice::PrintInvoice(request, options, &outcome_, &error)) << error;
    EXPECT_EQ(1710000000, outcome_.timestamp);
    ASSERT_NE(nullptr, outcome_.printed);
    EXPECT_EQ(1710000000, outcome_.printed->invoice->timestamp);
    EXPECT_NE(std::string::npos, AllText(Pdf()).find("1710000000"));
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

uint32_t PixelAt(cairo_surface_t* image, int x, int y) {
    const unsigned char* data = cairo_image_surface_get_data(image);
    return reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(image))[x];
}

TEST_F(InvoicePrintTest, BmpLogoIsReadRowByRow) {
    std::string error;
    invoice::ImageSurface image = invoice::ReadLogoImage(WriteBmp(Pdf() + ".bmp"), &error);
    ASSERT_NE(nullptr, image) << error;
    EXPECT_EQ(2, cairo_image_surface_get_width(image.get()));
    EXPECT_EQ(0xFF0000FFu, PixelAt(image.get(), 0, 0));  // blue, top left
    EXPECT_EQ(0xFFFFFFFFu, PixelAt(image.get(), 1, 0));
    EXPECT_EQ(0xFFFF0000u, PixelAt(image.get(), 0, 1));  // red, bottom left
    EXPECT_EQ(0xFF00FF00u, PixelAt(image.get(), 1, 1));
}

TEST_F(InvoicePrintTest, LogosPrintAsPngAndBmp) {
    logo_ = WriteBmp(folder_.Path() + "logo.bmp");
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman)));
    CommandRun images = Command("pdfimages -list " + Quoted(Pdf()));
    EXPECT_NE(std::string::npos, images.out.find(" image ")) << images.out;
    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
    logo_ = folder_.Path() + "logo.png";
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_write_to_png(png, logo_.c_str()));
    cairo_surface_destroy(png);
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman)));
    EXPECT_NE(std::string::npos, Command("pdfimages -list " + Quoted(Pdf())).out.find(" image "));
    ASSERT_EQ("OK", Print(Invoice(invoice::Language::kGerman), "PatientInvoice",
                          invoice::kPrintWithoutLogo));
    EXPECT_EQ(std::string::npos, Command("pdfimages -list " + Quoted(Pdf())).out.find(" image "));
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
        std::string pdf = folder_.Path() + std::to_string(t) + ".pdf";
        EXPECT_EQ(0, Command("qpdf --check " + Quoted(pdf)).status) << pdf;
    }
}

// --- refusals ------------------------------------------------------------------

class PrintRefusalTest : public InvoicePrintTest {
  protected:
    void ExpectRefused(const InvoiceRequest& request, const std::string& text,
                       const std::string& layout = "PatientInvoice") {
        EXPECT_EQ(text, Print(request, layout));
        EXPECT_FALSE(std::filesystem::exists(Pdf()));
        EXPECT_FALSE(std::filesystem::exists(Pdf() + ".part"));
    }
};

TEST_F(PrintRefusalTest, CreditorWithoutPostcodeOrTown) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    request.esr->creditor->postal.zip.clear();
    ExpectRefused(request, "Print: QR-bill: the creditor has no postcode");
    request = Invoice(invoice::Language::kGerman);
    request.esr->creditor->postal.city.clear();
    ExpectRefused(request, "Print: QR-bill: the creditor has no town");
}

TEST_F(PrintRefusalTest, AmountAboveTheQrBillMaximum) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman, 0);
    invoice::ServiceRecord big = Service(1, "X", "Gross", "1000000000", kDay);
    request.services.push_back(big);
    std::string error;
    ASSERT_TRUE(invoice::FinalizeBalance(&request, &error)) << error;
    ExpectRefused(request, "Print: QR-bill: the amount 1000000000.00 is above 999999999.99");
}

TEST_F(PrintRefusalTest, PayloadOver997Bytes) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    std::string seventy;
    for (int i = 0; i < 70; ++i) seventy += "ü";
    std::string thirtyfive;
    for (int i = 0; i < 35; ++i) thirtyfive += "ö";
    std::string note;
    for (int i = 0; i < 140; ++i) note += "ä";
    request.esr->creditor =
        Company(seventy.c_str(), (seventy + " 1").c_str(), "8000", thirtyfive.c_str());
    request.patient->address =
        Company(seventy.c_str(), (seventy + " 2").c_str(), "8000", thirtyfive.c_str());
    request.esr->customer_note = note;
    ExpectRefused(request, "Print: QR-bill: the QR-bill payload has 1097 bytes, more than 997");
}

TEST_F(PrintRefusalTest, TemplateAndStateProblems) {
    InvoiceRequest request = Invoice(invoice::Language::kGerman);
    ExpectRefused(request,
                  "Print: bstrPrintTemplate: unknown layout \"Invoice\" (Reclaim, "
                  "PatientInvoice or Reminder)",
                  "Invoice");
    ExpectRefused(request, "Print: the Reminder layout needs a reminder (SetReminder)", "Reminder");
    request.finalized = false;
    ExpectRefused(request, "Print: the request is not finalized (Finalize must succeed first)");

    invoice::PrintOptions options;
    options.print_template = "Reclaim(Copy=1)";
    std::string error;
    EXPECT_EQ(E_INVALIDARG, invoice::PrintInvoice(Invoice(invoice::Language::kGerman), options,
                                                  &outcome_, &error));
    EXPECT_EQ("Print: bstrPrintTemplate names no output file (PDF_NOPRINT)", error);
    options.print_template = "Reclaim(PDF_NOPRINT=" + Pdf() + ")";
    options.address_right = 2;
    EXPECT_EQ(E_INVALIDARG, invoice::PrintInvoice(Invoice(invoice::Language::kGerman), options,
                                                  &outcome_, &error));
    EXPECT_EQ("Print: eAddressRight 2 is neither 0 (left) nor 1 (right)", error);
}

TEST_F(PrintRefusalTest, UnwritablePathAndUnreadableLogo) {
    invoice::PrintOptions options;
    options.print_template = "Reclaim(PDF_NOPRINT=" + folder_.Path() + "missing/out.pdf)";
    std::string error;
    EXPECT_EQ(E_FAIL, invoice::PrintInvoice(Invoice(invoice::Language::kGerman), options, &outcome_,
                                            &error));
    EXPECT_EQ(0u, error.find("Print: " + folder_.Path() + "missing/out.pdf: ")) << error;
    logo_ = folder_.Path() + "no-logo.png";
    ExpectRefused(Invoice(invoice::Language::kGerman),
                  "Print: the logo file " + logo_ + " cannot be read");
}

}  // namespace
