// The printed form read back as a clerk reads it (pdftotext -layout), for
// invoices of every kind: every header block with its value in the invoice's
// language, what the form says about paying, whether a QR-bill payment part
// goes with it (on the last page, with a code that decodes to the payload
// written out by hand), and figures that reconcile with what is printed
// beside them: each service row's amount recomputes from its printed
// quantity and factors, the rows add up to the total and per tariff to the
// tariff totals, and the total with the lines below it (prepaid amount,
// reminder fee, rounding difference) to the amount due; every page has its
// heading (with the copy mark on each page of a copy), and each page's
// subtotal is carried to the next. The print options show too: the rows in
// the order asked for, the timestamp printed and handed back, a logo only
// where one is asked for. qpdf checks the file, pdffonts its fonts.

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "module/print/invoice_print.h"
#include "module/print/print_labels.h"
#include "pdf_readback.h"
#include "print_test_invoice.h"
#include "temp_folder.h"

namespace {

using invoice::Decimal;
using invoice::LabelId;
using invoice::TiersMode;
using L = invoice::Language;
using Law = invoice::LawType;

// The text of each page, every line after a "\n" and runs of spaces as one.
std::vector<std::string> Pages(const std::string& pdf) {
    std::istringstream in(readback::Run("pdftotext -enc UTF-8 -layout '" + pdf +
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
        Decimal quantity = print_test::D(words[at].c_str()), computed, part, factor;
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
        reading->rows_total += print_test::D(words.back().c_str());
        reading->per_tariff[words[1]] += print_test::D(words.back().c_str());
        ++rows;
    }
    return rows;
}

// What a case changes in the rich invoice and the options, by the case's
// name; `logos` holds logo.bmp and logo.png.
void Change(const std::string& name, const std::string& logos, invoice::InvoiceRequest* r,
            invoice::PrintOptions* options) {
    if (name == "kvg_de") {  // given with spaces, in lower case and without a country
        r->esr->iban = "ch44 3199 9123 0008 8901 2";
        r->biller->address->postal.countrycode.clear();
        options->logo_file = logos + "logo.bmp";
        options->timestamp = 1710000000;
    }
    if (name == "red_slip_qr_no_debtor_town_it") {
        r->esr->type = invoice::EsrType::kRedPayinSlipQR;  // no reference
        r->esr->iban = "CH9300762011623852957";
        r->patient->address->postal.city.clear();
        options->logo_file = logos + "logo.png";
    }
    if (name == "payant_uvg_fr") {
        r->biller->uid_number.clear();
        r->tiers->vat_number = "CHE-108.954.312";
        r->employer = {"7601000000033", "REG-5", print_test::Party("Bau AG", "", "Hafen 2")};
        r->treatment->type = invoice::TreatmentType::kStationary;
        r->treatment->reason = invoice::TreatmentReason::kAccident;
        r->xtra_hospital = invoice::XtraHospital{};
        r->xtra_hospital->hospitalization_date = print_test::kDay;
        r->xtra_hospital->hospitalization_class = invoice::HospitalizationClass::kSemiPrivate;
    }
    if (name == "insured_open_amount_no_reference_ivg_it") {
        r->guarantor = {print_test::Party("Max", "Müller", "Weg 3")};
        r->insured = {invoice::SexType::kMale, 30000, "7569217076985",
                      print_test::Party("Ugo", "Rossi", "Via Motta 2")};
        r->diagnoses = {{invoice::DiagnosisType::kBirthDefect, "494", ""}};
        r->esr->type = invoice::EsrType::kEsrQRPlus;
        r->esr->iban = "CH9300762011623852957";
        r->esr->reference_number.clear();
        r->esr->customer_note = "Fattura RG-2024-0815";
    }
    if (name == "storno_copy_mvg_de") {
        r->request->is_storno = true;
        r->credit = {"GS-17", print_test::kDay + 19, 1705700000};
    }
    if (name == "credit_reminder_vvg_fr") {
        r->reminder = {{"MA-7", print_test::kDay + 50, 1708400000},
                       invoice::ReminderLevel::kSecond,
                       "Merci de régler la facture.",
                       print_test::D("10")};
        r->tiers->amount_prepaid = print_test::D("200");
    }
    if (name == "nothing_to_pay") r->tiers->amount_prepaid = print_test::D("144.77");
    if (name == "slip_left_out_de") options->logo_file = logos + "logo.png";
    if (name == "copy_of_1000_services_org_de") {
        options->sort_time_tariff = 1;
        r->request->is_copy = true;
        r->request->role = invoice::RoleType::kPhysiotherapist;
        for (size_t i = 6; i < 1000; ++i) r->services.push_back(r->services[i % 6]);
    }
    if (name == "creditor_reference_one_page_fr") {  // the slip fits below the summary
        r->referrer.reset();
        r->insurance.reset();
        r->diagnoses.clear();
        r->law = invoice::Law{};
        r->services.resize(3);
        r->esr->iban = "CH9300762011623852957";
        r->esr->reference_number = "RF18 5390 0754 7034";
    }
    if (name == "legacy_slip_de") r->esr->type = invoice::EsrType::kEsr16or27;
}

// The payload of every slip of the rich invoice from the IBAN to the
// amount: the creditor is the biller.
const char kCreditor[] =
    "\nS\nPraxis Rüegg\nBahnhofstrasse\n12a\n1700\nFribourg\nCH\n\n\n\n\n\n\n\n";
const std::string kQrIban = "CH4431999123000889012", kIban = "CH9300762011623852957";
const char kDebtor[] = "\nCHF\nS\nLea Müller\nRue du Lac\n5\n1700\nFribourg\nCH\n";

// An invoice, how it is printed and the texts its form shows (the title first).
struct FormCase {
    struct {
        const char* name;
        L language;
        Law law;
        TiersMode tiers;
        const char* layout;      // of the print template, "" to choose
        const char* parameters;  // of the print template
        long attributes;
        std::string payload;  // after "SPC\n0200\n1\n"; "": no slip
    } invoice;
    std::vector<std::string> shown;
};

const FormCase kCases[] = {
    {{"kvg_de", L::kGerman, Law::kKVG, TiersMode::kGarant, "", "", 0,
      kQrIban + kCreditor + "124.75" + kDebtor + "QRR\n210000000003139471430009017\n\nEPD"},
     {"Rechnung", "Seite 2/2", "UID CHE-108.954.312 MWST", "Vergütungsart Tiers garant (TG)",
      "Diagnose ICD-10 J06.9; Tessiner Code A1", "Gesetz KVG", "Rolle / Ort Arzt / Praxis",
      "Behandlungsart ambulant", "AHV-Nr. 756.1234.5678.97", "2.00 nicht verrechnet 8.19",
      "Fällig am 10.02.2024 (30 Tage)", "\nCHF 124.75\nCHF 124.75\n", "Empfangsschein Zahlteil",
      "Identifikation 1710000000", "Konto / Zahlbar an\nCH44 3199 9123 0008 8901 2",
      "Zahlbar durch", "Währung", "Annahmestelle", "21 00000 00003 13947 14300 09017"}},
    {{"creditor_reference_one_page_fr", L::kFrench, Law::kKVG, TiersMode::kGarant, "", "", 0,
      kIban + kCreditor + "44.00" + kDebtor + "SCOR\nRF18539007547034\n\nEPD"},
     {"Facture", "Page 1/1", "Montant dû", "Récépissé Section paiement",
      "Compte / Payable à\nCH93 0076 2011 6238 5295 7", "Payable par", "Monnaie", "Point de dépôt",
      "RF18 5390 0754 7034"}},
    {{"insured_open_amount_no_reference_ivg_it", L::kItalian, Law::kIVG, TiersMode::kGarant, "", "",
      0,
      kIban + kCreditor +
          "\nCHF\nS\nMax Müller\nWeg\n3\n1700\nFribourg\nCH\nNON\n\nFattura RG-2024-0815\nEPD"},
     {"Fattura", "Persona assicurata Ugo Rossi", "Garante Max Müller", "N. AVS 756.9217.0769.85",
      "Legge LAI", "Diagnosi Infermità congenita 494", "Periodo 01.01.2024 – 06.01.2024",
      "Cantone FR", "\nCHF\nCHF\n", "Ricevuta Sezione pagamento", "Conto / Pagabile a",
      "Pagabile da", "Valuta", "Punto di accettazione", "Informazioni supplementari"}},
    {{"red_slip_qr_no_debtor_town_it", L::kItalian, Law::kKVG, TiersMode::kGarant, "", "", 0,
      kIban + kCreditor + "124.75\nCHF\n\n\n\n\n\n\n\nNON\n\n\nEPD"},
     {"Fattura"}},
    {{"payant_uvg_fr", L::kFrench, Law::kUVG, TiersMode::kPayant, "", "", 0, ""},
     {"Facture TP", "IDE CHE-108.954.312 TVA", "Remboursement Tiers payant (TP)",
      "Employeur Bau AG", "N° d'enreg. REG-5", "Loi LAA", "N° de cas CASE-44",
      "Date du cas 29.12.2023", "Traitement stationnaire", "Admission 01.01.2024",
      "Classe Demi-privée", "Motif du traitement Accident"}},
    {{"reclaim_garant_copy_de", L::kGerman, Law::kKVG, TiersMode::kGarant, "Reclaim", "",
      invoice::kPrintAsCopy, ""},
     {"Rückforderungsbeleg", "Kopie – nicht zur Zahlung"}},
    {{"storno_copy_mvg_de", L::kGerman, Law::kMVG, TiersMode::kGarant, "", "Copy=1", 0, ""},
     {"Rechnung", "Kopie – nicht zur Zahlung", "Storno zu RG-2024-0815 vom 11.01.2024",
      "Gutschrift GS-17 vom 20.01.2024", "Storno – nicht zur Zahlung", "Gesetz MVG",
      "Versicherung Kasse Muster", "GLN 7601003000016", "Versicherten-Nr. INS-991",
      "Leistungserbringer Praxis Rüegg"}},
    {{"credit_reminder_vvg_fr", L::kFrench, Law::kVVG, TiersMode::kGarant, "", "", 0, ""},
     {"2e rappel", "Niveau de rappel 2", "N° de facture RG-2024-0815", "Date de facture 11.01.2024",
      "N° de rappel MA-7", "Merci de régler la facture.", "Date du rappel 20.02.2024",
      "Échéance 21.03.2024", "Loi LCA", "Médecin mandant Anna Keller", "N° RCC B654321",
      "Crédit en votre faveur 45.25"}},
    {{"nothing_to_pay", L::kGerman, Law::kKVG, TiersMode::kGarant, "", "", 0, ""},
     {"Rechnung", "Nichts zu bezahlen"}},
    {{"legacy_slip_de", L::kGerman, Law::kKVG, TiersMode::kGarant, "", "", 0, ""},
     {"Rechnung", "Fällig am 10.02.2024 (30 Tage)"}},
    {{"slip_left_out_de", L::kGerman, Law::kKVG, TiersMode::kGarant, "", "",
      invoice::kPrintWithoutSlip | invoice::kPrintWithoutLogo, ""},
     {"Rechnung", "Fällig am 10.02.2024 (30 Tage)"}},
    {{"copy_of_1000_services_org_de", L::kGerman, Law::kORG, TiersMode::kGarant, "", "", 0, ""},
     {"Rechnung", "Kopie – nicht zur Zahlung", "Gesetz Andere",
      "Rolle / Ort Physiotherapie / Praxis", "Geschlecht weiblich"}},
};

class PrintFormContentTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(PrintFormContentTest, ShowsEveryBlockAndReconciles) {
    if (!readback::HaveReadbackTools())
        GTEST_SKIP() << "qpdf, poppler-utils or ZXingReader missing";
    const auto& [kind, shown] = GetParam();
    invoice::InvoiceRequest request = print_test::RichInvoice(kind.language, kind.law, kind.tiers);
    TempFolder folder;
    print_test::WriteLogos(folder.Path());
    invoice::PrintOptions options;
    options.logo_width_mm = 40;
    options.logo_height_mm = 15;
    Change(kind.name, folder.Path(), &request, &options);
    print_test::Finalize(&request);
    std::string pdf = folder.Path() + "form.pdf";
    options.print_template =
        kind.layout + ("(PDF_NOPRINT=" + pdf + ";" + std::string(kind.parameters) + ")");
    options.generation_attributes = kind.attributes;
    invoice::PrintOutcome outcome;
    std::string error;
    ASSERT_EQ(S_OK, invoice::PrintInvoice(request, options, &outcome, &error)) << error;
    EXPECT_TRUE(readback::ChecksOut(pdf));
    auto label = [&kind](LabelId id) { return std::string(Label(kind.language, id)); };

    // Page by page: the heading, the table header over rows, the amount
    // carried from the page before and the subtotal at the foot; the payment
    // part on the last page only.
    std::vector<std::string> pages = Pages(pdf);
    ASSERT_EQ(static_cast<size_t>(outcome.pages), pages.size());
    bool copy = pages[0].find(label(LabelId::kCopyNotForPayment)) != std::string::npos;
    std::string text;
    Reading reading{options.sort_time_tariff == 1, "", {}, {}};
    for (size_t page = 1; page <= pages.size(); ++page) {
        const std::string& at = pages[page - 1];
        std::string heading = "\n" + shown[0] + " RG-2024-0815 Lea Müller " +
                              (copy ? label(LabelId::kCopy) + " " : "") + label(LabelId::kPage) +
                              " " + std::to_string(page) + "/" + std::to_string(pages.size()) +
                              "\n";
        EXPECT_NE(std::string::npos, at.find(heading)) << heading << " in\n" << at;
        bool slip = at.find(label(LabelId::kPaymentPart)) != std::string::npos;
        EXPECT_EQ(outcome.has_slip && page == pages.size(), slip) << page;
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
    for (const std::string& expected : shown) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << " in\n" << text;
    }
    EXPECT_EQ(outcome.timestamp, outcome.printed->invoice->timestamp);
    EXPECT_NE(std::string::npos,
              text.find(label(LabelId::kTimestamp) + " " + std::to_string(outcome.timestamp)));
    bool logo = !options.logo_file.empty() && (kind.attributes & invoice::kPrintWithoutLogo) == 0;
    EXPECT_EQ(logo,
              readback::Run("pdfimages -list '" + pdf + "'").find(" image ") != std::string::npos);

    // The summary: tariff totals and the lines from the total to the amount due.
    EXPECT_EQ(reading.rows_total.ToFixed(2), Figure(text, label(LabelId::kTotal)));
    for (const auto& tariff : reading.per_tariff)
        EXPECT_EQ(tariff.second.ToFixed(2),
                  Figure(text, label(LabelId::kTariff) + " " + tariff.first));
    Decimal due = reading.rows_total;
    for (LabelId line : {LabelId::kPrepaid, LabelId::kReminderFee, LabelId::kRounding}) {
        if (!Figure(text, label(line)).empty())
            due += print_test::D(Figure(text, label(line)).c_str());
    }
    EXPECT_EQ(due.ToFixed(2), Figure(text, label(LabelId::kAmountDue)));

    // A slip only where one must be, with the payload in a code that decodes.
    EXPECT_EQ(!kind.payload.empty(), outcome.has_slip);
    if (!outcome.has_slip) return;
    EXPECT_EQ("SPC\n0200\n1\n" + kind.payload, outcome.qr_payload);
    EXPECT_EQ(outcome.qr_payload, readback::DecodeQr(pdf, outcome.pages, folder.Path()));
}

INSTANTIATE_TEST_SUITE_P(Invoices, PrintFormContentTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.invoice.name); });

}  // namespace
