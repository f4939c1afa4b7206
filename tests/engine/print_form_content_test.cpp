// Printing invoices to PDF, read back as a clerk reads it (pdftotext
// -layout), for invoices of every kind printed at the same time: every header
// block with its value in the invoice's language, what the form says about
// paying, whether a QR-bill payment part goes with it (on the last page, with
// a code that decodes to the payload written out by hand), and figures that
// reconcile with what is printed beside them: each service row's amount
// recomputes from its printed quantity and factors, the rows add up to the
// total and per tariff to the tariff totals, and the total with the lines
// below it (prepaid amount, reminder fee, rounding difference) to the amount
// due; every page has its heading (with the copy mark on each page of a
// copy), and each page's subtotal is carried to the next. The print options
// show too: the rows in the order asked for, the timestamp asked for, a logo
// only where one is asked for, with its pixels as drawn. qpdf checks the file,
// pdffonts its fonts; the refusals among the cases say why and leave no file
// (the missing output folder: ManagerOutputTest). The reading needs qpdf,
// poppler-utils and ZXingReader, and is skipped without them.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "module/model/balance.h"
#include "module/model/invoice_model.h"
#include "module/print/invoice_print.h"
#include "module/print/print_labels.h"
#include "temp_folder.h"
#include "tests/engine/result_sample_invoice.h"

namespace invoice {
namespace {

using result_test::D;
using L = Language;

// --- reading a PDF back with the tools, and the invoice printed ---------------

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// The QR code in the bottom 105 mm of `page` (where the payment slip goes),
// rendered at 300 dpi; "" when none decodes.
std::string DecodeQr(const std::string& pdf, int page) {
    std::string n = std::to_string(page);
    Shell("pdftoppm -r 300 -gray -png -x 0 -y 2268 -W 2480 -H 1240 -f " + n + " -l " + n +
          " -singlefile '" + pdf + "' '" + pdf + "'");
    return Shell("ZXingReader -bytes -format QRCode '" + pdf + ".png'");
}

// A hand-made invoice with every header block a clerk looks for and services
// whose figures exercise every factor: plain and extended records, quantities
// above one, factors other than one, each billing role, two tariffs, two VAT
// rates, a prepaid amount and a total that needs rounding to 0.05 (144.77 -
// 20.00 = 124.77, due 124.75). The rows by date and by tariff and code come
// in different orders.
constexpr double kDay = 45292.0;  // 2024-01-01

Address Party(const char* name, const char* family, const char* street) {
    Address address;
    address.type = family[0] ? AddressType::kPerson : AddressType::kCompany;
    address.person = {family, name, "", "", ""};
    address.company.companyname = name;
    address.postal = {street, "", "1700", "Fribourg", "", "CH"};
    return address;
}

// Without a unit an extended record of tariff 001: 2 x 9.57 x 0.89 x 0.93 x
// 1.1 = 17.43 (AL) and 2 x 8.19 x 0.89 = 14.58 (TL); with a unit a plain
// record of tariff 590: quantity x unit x 1.05 x 0.9.
ServiceRecord Service(const char* code, BillingRole role, const char* unit = nullptr,
                      const char* quantity = "2", const char* vat_rate = "0") {
    ServiceRecord record;
    bool extended = unit == nullptr;
    record.kind = extended ? ServiceKind::kServiceEx : ServiceKind::kService;
    record.tariff_type = extended ? "001" : "590";
    record.code = code;
    record.name = std::string("Leistung ") + code;
    record.quantity = D(quantity);
    record.date_begin = kDay + 2;
    record.provider_ean = "7601000000002";
    record.responsible_ean = "7601000000019";
    record.unit = D(extended ? "0" : unit);
    record.unit_factor = D("1.05");
    record.external_factor = D("0.9");
    record.vat_rate = D(vat_rate);
    record.mt = {D("9.57"), D("0.89"), D("0.93"), D("1.1"), {}};
    record.tt = {D("8.19"), D("0.89"), D("1"), D("1"), {}};
    record.billing_role = role;
    return record;
}

InvoiceRequest RichInvoice(Language language, LawType law, TiersMode tiers) {
    InvoiceRequest r;
    r.language = language;
    r.request = RequestSection{};
    r.invoice = RequestReference{"RG-2024-0815", kDay + 10, 1704931200};
    r.tiers = Tiers{tiers, "", D("20")};
    Address practice = Party("Praxis Rüegg", "", "Bahnhofstrasse 12a");
    r.biller = Biller{"7601000000002", "A123456", "", "", "CHE108954312", practice};
    r.provider = Provider{"7601000000002", "A123456", "", "", practice};
    r.referrer =
        Referrer{"7601000000019", "B654321", "", "", Party("Anna", "Keller", "Seestrasse 1")};
    r.insurance = Insurance{"7601003000016", Party("Kasse Muster", "", "Postfach 9")};
    r.patient =
        Patient{SexType::kFemale, 42000, "7561234567897", Party("Lea", "Müller", "Rue du Lac 5")};
    r.law = Law{law, kDay - 3, "CASE-44", "INS-991", "", ""};
    r.treatment = Treatment{};
    r.treatment->date_begin = kDay;
    r.treatment->date_end = kDay + 5;
    r.treatment->canton = Canton::kFR;
    r.diagnoses = {{DiagnosisType::kICD, "J06.9", ""}, {DiagnosisType::kByContract, "A1", ""}};
    r.services = {Service("00.0020", BillingRole::kBoth),
                  Service("00.0030", BillingRole::kMT),
                  Service("00.0040", BillingRole::kTT),
                  Service("00.0050", BillingRole::kNone),
                  Service("7301", BillingRole::kBoth, "48.25", "1"),
                  Service("7302", BillingRole::kBoth, "12.40", "3", "8.1")};
    r.services[4].date_begin = kDay + 1;
    r.esr = Esr{};
    r.esr->iban = "CH4431999123000889012";
    r.esr->reference_number = "210000000003139471430009017";
    r.esr->payment_period_days = 30;
    return r;
}

// Writes `folder`logo.bmp, 2 x 2 pixels of 24 bits stored bottom-up: red,
// green / blue, white (the top row).
void WriteLogo(const std::string& folder) {
    const unsigned char bytes[] = {
        'B', 'M', 70,  0,   0,   0,   0, 0, 0, 0, 54, 0, 0, 0,  // file header
        40,  0,   0,   0,   2,   0,   0, 0, 2, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
        16,  0,   0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,  // info header
        0,   0,   255, 0,   255, 0,   0, 0,   // bottom row: red, green, pad
        255, 0,   0,   255, 255, 255, 0, 0};  // top row: blue, white, pad
    std::ofstream(folder + "logo.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// The text of each page, every line after a "\n" and runs of spaces as one.
std::vector<std::string> Pages(const std::string& pdf) {
    std::istringstream in(Shell("pdftotext -enc UTF-8 -layout '" + pdf +
                                "' - | tr -s ' ' | sed -E 's/^(\f?) /\\1/; s/ $//'"));
    std::vector<std::string> pages;
    for (std::string page; std::getline(in, page, '\f');) pages.push_back("\n" + page + "\n");
    return pages;
}

// The figure right after `label` at the start of a line or after a space; "" if none.
std::string Figure(const std::string& text, const std::string& label) {
    std::smatch match;
    std::regex_search(text, match, std::regex("[ \n]" + label + " (-?[0-9]+\\.[0-9]{2})\\s"));
    return match.empty() ? "" : match.str(1);
}

struct Reading {
    bool by_tariff;
    std::string last;  // the sort key of the row before
    Decimal rows_total;
    std::map<std::string, Decimal> per_tariff;
};

// Reads the service rows of a page ("date tariff code [reference] session
// quantity factors... [billed] providers obligation VAT amount") and returns
// how many: each row's amount must recompute from its quantity and the
// factors of each billed part (four, or three for a plain service; a part not
// billed shows none); the rows come by date, or by tariff and code.
int Read(const std::string& page, Reading* reading) {
    int rows = 0;
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 11 || line[2] != '.' || line[5] != '.' || line[10] != ' ') continue;
        std::istringstream in(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
        size_t at = words[3].find('.') == std::string::npos ? 4 : 5;  // after the session
        Decimal quantity = D(words[at].c_str()), computed, part, factor;
        int factors = 0;
        for (++at; at <= words.size() - 4; ++at) {
            bool number = at < words.size() - 4 && Decimal::Parse(words[at], &factor);
            if (number) part = (factors++ == 0 ? quantity : part) * factor;
            if (factors > 0 && (!number || factors == 4)) computed += part.RoundToCents();
            if (!number || factors == 4) factors = 0;
        }
        EXPECT_EQ(computed.ToFixed(2), words.back()) << line;
        const std::string& date = words[0];  // dd.mm.yyyy
        std::string key = reading->by_tariff
                              ? words[1] + " " + words[2]
                              : date.substr(6) + date.substr(2, 4) + date.substr(0, 2);
        EXPECT_LE(reading->last, key) << line;
        reading->last = key;
        reading->rows_total += D(words.back().c_str());
        reading->per_tariff[words[1]] += D(words.back().c_str());
        ++rows;
    }
    return rows;
}

// What a case changes in the rich invoice and the options, by the case's
// name; `logos` holds logo.bmp.
void Change(const std::string& name, const std::string& logos, InvoiceRequest* r,
            PrintOptions* options) {
    if (name == "kvg_de") {  // given with spaces, in lower case and without a country
        r->esr->iban = "ch44 3199 9123 0008 8901 2";
        r->biller->address->postal.countrycode.clear();
        options->logo_file = logos + "logo.bmp";
        options->timestamp = 1710000000;
    }
    if (name == "payant_uvg_fr") {
        r->request->is_copy = true;
        r->biller->uid_number.clear();
        r->tiers->vat_number = "CHE-108.954.312";
        r->employer = {"7601000000033", "REG-5", Party("Bau AG", "", "Hafen 2")};
        r->treatment->type = TreatmentType::kStationary;
        r->treatment->reason = TreatmentReason::kAccident;
        r->xtra_hospital = XtraHospital{};
        r->xtra_hospital->hospitalization_date = kDay;
        r->xtra_hospital->hospitalization_class = HospitalizationClass::kSemiPrivate;
    }
    if (name == "open_amount_no_reference_it") {  // the debtor is the guarantor
        r->guarantor = {Party("Max", "Müller", "Weg 3")};
        r->insured = {SexType::kMale, 30000, "7569217076985", Party("Ugo", "Rossi", "Via Motta 2")};
        r->esr->type = EsrType::kEsrQRPlus;
        r->esr->iban = "CH9300762011623852957";
        r->esr->reference_number.clear();
        r->esr->customer_note = "Fattura RG-2024-0815";
    }
    if (name == "storno_copy_mvg_de") {
        r->request->is_storno = true;
        r->credit = {"GS-17", kDay + 19, 1705700000};
    }
    if (name == "credit_reminder_vvg_fr") {
        r->reminder = {{"MA-7", kDay + 50, 1708400000},
                       ReminderLevel::kSecond,
                       "Merci de régler la facture.",
                       D("10")};
        r->tiers->amount_prepaid = D("200");
    }
    if (name == "reclaim_copy_of_1000_services_org_de") {
        options->sort_time_tariff = 1;
        r->request->role = RoleType::kPhysiotherapist;
        for (size_t i = 6; i < 1000; ++i) r->services.push_back(r->services[i % 6]);
    }
    if (name == "creditor_reference_one_page_fr") {  // the slip fits below the summary
        r->patient->address->postal.city.clear();    // no debtor on the slip
        r->referrer.reset();
        r->insurance.reset();
        r->diagnoses.clear();
        r->law = Law{};
        r->services.resize(3);
        r->esr->iban = "CH9300762011623852957";
        r->esr->reference_number = "RF18 5390 0754 7034";
    }
    if (name == "address_right_2") options->address_right = 2;
    if (name == "unreadable_logo") options->logo_file = "/nonexistent/logo.png";
}

// The payload of every slip of the rich invoice from the IBAN to the
// amount: the creditor is the biller.
const char kCreditor[] =
    "\nS\nPraxis Rüegg\nBahnhofstrasse\n12a\n1700\nFribourg\nCH\n\n\n\n\n\n\n\n";
const std::string kQrIban = "CH4431999123000889012", kIban = "CH9300762011623852957";
const char kDebtor[] = "\nCHF\nS\nLea Müller\nRue du Lac\n5\n1700\nFribourg\nCH\n";

// An invoice, how it is printed and the texts its form shows (the title
// first), or the text of its refusal ("Print: ...").
struct FormCase {
    struct {
        const char* name;
        L language;
        LawType law;
        TiersMode tiers;
        const char* layout;      // of the print template, "" to choose
        const char* parameters;  // of the print template
        long attributes;
        std::string payload;  // after "SPC\n0200\n1\n"; "": no slip
    } kind;
    std::vector<std::string> shown;
};

const FormCase kCases[] = {
    {{"kvg_de", L::kGerman, LawType::kKVG, TiersMode::kGarant, "", "", 0,
      kQrIban + kCreditor + "124.75" + kDebtor + "QRR\n210000000003139471430009017\n\nEPD"},
     {"Rechnung", "Seite 2/2", "UID CHE-108.954.312 MWST", "Gesetz KVG",
      "Diagnose ICD-10 J06.9; Tessiner Code A1", "AHV-Nr. 756.1234.5678.97",
      "2.00 nicht verrechnet 8.19", "Fällig am 10.02.2024 (30 Tage)", "\nCHF 124.75\nCHF 124.75\n",
      "Empfangsschein Zahlteil", "Identifikation 1710000000",
      "Konto / Zahlbar an\nCH44 3199 9123 0008 8901 2", "Zahlbar durch",
      "21 00000 00003 13947 14300 09017"}},
    {{"creditor_reference_one_page_fr", L::kFrench, LawType::kKVG, TiersMode::kGarant, "", "", 0,
      kIban + kCreditor + "44.00\nCHF\n\n\n\n\n\n\n\nSCOR\nRF18539007547034\n\nEPD"},
     {"Facture", "Page 1/1", "RF18 5390 0754 7034"}},
    {{"open_amount_no_reference_it", L::kItalian, LawType::kIVG, TiersMode::kGarant, "", "", 0,
      kIban + kCreditor +
          "\nCHF\nS\nMax Müller\nWeg\n3\n1700\nFribourg\nCH\nNON\n\nFattura RG-2024-0815\nEPD"},
     {"Fattura", "Persona assicurata Ugo Rossi", "N. AVS 756.9217.0769.85", "Garante Max Müller",
      "Periodo 01.01.2024 – 06.01.2024", "Cantone FR", "\nCHF\nCHF\n",
      "Informazioni supplementari"}},
    {{"payant_uvg_fr", L::kFrench, LawType::kUVG, TiersMode::kPayant, "", "", 0, ""},
     {"Facture TP", "Copie – ne pas payer", "IDE CHE-108.954.312 TVA",
      "Remboursement Tiers payant (TP)", "Employeur Bau AG", "N° d'enreg. REG-5",
      "N° de cas CASE-44", "Date du cas 29.12.2023", "Traitement stationnaire",
      "Admission 01.01.2024", "Classe Demi-privée", "Motif du traitement Accident"}},
    {{"storno_copy_mvg_de", L::kGerman, LawType::kMVG, TiersMode::kGarant, "", "Copy=1", 0, ""},
     {"Rechnung", "Kopie – nicht zur Zahlung", "Storno zu RG-2024-0815 vom 11.01.2024",
      "Gutschrift GS-17 vom 20.01.2024", "Storno – nicht zur Zahlung", "Versicherung Kasse Muster",
      "GLN 7601003000016", "Versicherten-Nr. INS-991", "Leistungserbringer Praxis Rüegg"}},
    {{"credit_reminder_vvg_fr", L::kFrench, LawType::kVVG, TiersMode::kGarant, "", "", 0, ""},
     {"2e rappel", "Niveau de rappel 2", "Date de facture 11.01.2024", "N° de rappel MA-7",
      "Merci de régler la facture.", "Date du rappel 20.02.2024", "Échéance 21.03.2024",
      "Médecin mandant Anna Keller", "N° RCC B654321", "Crédit en votre faveur 45.25"}},
    {{"reclaim_copy_of_1000_services_org_de", L::kGerman, LawType::kORG, TiersMode::kGarant,
      "Reclaim", "", kPrintAsCopy, ""},
     {"Rückforderungsbeleg", "Kopie – nicht zur Zahlung", "Rolle / Ort Physiotherapie / Praxis",
      "Geschlecht weiblich"}},
    {{"no_reminder", L::kGerman, LawType::kKVG, TiersMode::kGarant, "Reminder", "", 0, ""},
     {"Print: the Reminder layout needs a reminder (SetReminder)"}},
    {{"address_right_2", L::kGerman, LawType::kKVG, TiersMode::kGarant, "", "", 0, ""},
     {"Print: eAddressRight 2 is neither 0 (left) nor 1 (right)"}},
    {{"unreadable_logo", L::kGerman, LawType::kKVG, TiersMode::kGarant, "", "", 0, ""},
     {"Print: the logo file /nonexistent/logo.png cannot be read"}},
};

// --- the forms, printed at the same time and read back ------------------------

struct Printed {
    PrintOptions options;
    PrintOutcome outcome;
    HRESULT hr = E_FAIL;
    std::string pdf, error;
};

Printed Print(const FormCase& c, const std::string& folder) {
    InvoiceRequest request = RichInvoice(c.kind.language, c.kind.law, c.kind.tiers);
    Printed p;
    p.pdf = folder + c.kind.name + ".pdf";
    p.options.logo_width_mm = 40;
    p.options.logo_height_mm = 15;
    Change(c.kind.name, folder, &request, &p.options);
    EXPECT_TRUE(FinalizeBalance(&request, &p.error)) << p.error;
    p.options.print_template =
        c.kind.layout + ("(PDF_NOPRINT=" + p.pdf + ";" + c.kind.parameters + ")");
    p.options.generation_attributes = c.kind.attributes;
    p.hr = PrintInvoice(request, p.options, &p.outcome, &p.error);
    return p;
}

// The refusals, then the form page by page (the heading, the table header
// over rows, the amount carried from the page before and the subtotal at the
// foot; the payment part on the last page only), the texts shown, the logo,
// the summary and the slip.
void ExpectForm(const FormCase& c, const Printed& p) {
    SCOPED_TRACE(c.kind.name);
    if (c.shown[0].rfind("Print: ", 0) == 0) {
        EXPECT_EQ(0u, p.error.find(c.shown[0])) << p.error;
        EXPECT_FALSE(std::filesystem::exists(p.pdf) || std::filesystem::exists(p.pdf + ".part"));
        return;
    }
    ASSERT_EQ(S_OK, p.hr) << p.error;
    EXPECT_EQ("", Shell("qpdf --check '" + p.pdf + "' >/dev/null || echo unsound; pdffonts '" +
                        p.pdf + "' | grep ' no '"));  // sound, every font embedded
    std::vector<std::string> pages = Pages(p.pdf);
    ASSERT_EQ(static_cast<size_t>(p.outcome.pages), pages.size());
    Reading reading{p.options.sort_time_tariff == 1, "", {}, {}};
    auto label = [&c](LabelId id) { return std::string(Label(c.kind.language, id)); };
    bool copy = pages[0].find(label(LabelId::kCopyNotForPayment)) != std::string::npos;
    std::string text;
    for (size_t page = 1; page <= pages.size(); ++page) {
        const std::string& at = pages[page - 1];
        std::string heading = "\n" + c.shown[0] + " RG-2024-0815 Lea Müller " +
                              (copy ? label(LabelId::kCopy) + " " : "") + label(LabelId::kPage) +
                              " " + std::to_string(page) + "/" + std::to_string(pages.size()) +
                              "\n";
        EXPECT_NE(std::string::npos, at.find(heading)) << heading << " in\n" << at;
        bool slip = at.find(label(LabelId::kPaymentPart)) != std::string::npos;
        EXPECT_EQ(p.outcome.has_slip && page == pages.size(), slip) << page;
        text += at;
        Decimal carried = reading.rows_total;
        if (Read(at, &reading) == 0) continue;
        std::string head = "\n" + label(LabelId::kColDate) + " " + label(LabelId::kColTariff) + " ";
        EXPECT_NE(std::string::npos, at.find(head)) << page;
        EXPECT_EQ(page > 1 ? carried.ToFixed(2) : "", Figure(at, label(LabelId::kCarried))) << page;
        bool summary = !Figure(at, label(LabelId::kAmountDue)).empty();
        std::string subtotal = summary ? "" : reading.rows_total.ToFixed(2);
        EXPECT_EQ(subtotal, Figure(at, label(LabelId::kSubtotal))) << page;
    }
    for (const std::string& expected : c.shown) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << " in\n" << text;
    }
    // The logo as pdfimages writes it out: the bitmap's rows top first (blue,
    // white / red, green); none where none is asked for.
    std::string logo =
        p.options.logo_file.empty() ? "" : "50360a3220320a3235350a0000ffffffffff000000ff00";
    EXPECT_EQ(logo, Shell("pdfimages '" + p.pdf + "' '" + p.pdf + "' && od -An -v -tx1 '" + p.pdf +
                          "'-000.p?m | tr -d ' \\n'"));

    // The summary: tariff totals and the lines from the total to the amount due.
    EXPECT_EQ(reading.rows_total.ToFixed(2), Figure(text, label(LabelId::kTotal)));
    for (const auto& tariff : reading.per_tariff)
        EXPECT_EQ(tariff.second.ToFixed(2),
                  Figure(text, label(LabelId::kTariff) + " " + tariff.first));
    Decimal due = reading.rows_total;
    for (LabelId line : {LabelId::kPrepaid, LabelId::kReminderFee, LabelId::kRounding}) {
        if (!Figure(text, label(line)).empty()) due += D(Figure(text, label(line)).c_str());
    }
    EXPECT_EQ(due.ToFixed(2), Figure(text, label(LabelId::kAmountDue)));

    // A slip only where one must be, with the payload in a code that decodes.
    EXPECT_EQ(!c.kind.payload.empty(), p.outcome.has_slip);
    if (!p.outcome.has_slip) return;
    EXPECT_EQ("SPC\n0200\n1\n" + c.kind.payload, p.outcome.qr_payload);
    EXPECT_EQ(p.outcome.qr_payload, DecodeQr(p.pdf, p.outcome.pages));
}

// Every case in a thread of its own, all at once, each printed and read back.
TEST(PrintFormContentTest, InvoicesPrintedAtTheSameTimeShowEveryBlockAndReconcile) {
    if (Shell("for t in pdftotext pdftoppm pdfimages pdffonts qpdf ZXingReader; do "
              "command -v $t >/dev/null || echo missing; done") != "") {
        GTEST_SKIP() << "qpdf, poppler-utils or ZXingReader missing";
    }
    TempFolder folder;
    WriteLogo(folder.Path());
    std::vector<std::thread> threads;
    for (const FormCase& c : kCases)
        threads.emplace_back([&] { ExpectForm(c, Print(c, folder.Path())); });
    for (std::thread& thread : threads) thread.join();
}

}  // namespace
}  // namespace invoice
