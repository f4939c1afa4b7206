// The printed form read back as a clerk reads it (pdftotext -layout): every
// header block with its value in the invoice's language, what the form says
// about paying and whether a QR-bill payment part goes with it, and figures
// that reconcile with what is printed beside them: each service row's amount
// recomputes from its printed quantity and factors, the rows add up to the
// total and per tariff to the tariff totals, and the total with the lines
// below it (prepaid amount, reminder fee, rounding difference) to the amount
// due; every page has its heading, and each page's subtotal is carried to
// the next.

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
    Decimal rows_total;
    std::map<std::string, Decimal> per_tariff;
};

// Reads the service rows of a page ("date tariff code [reference] session
// quantity factors... [billed] providers obligation VAT amount") and returns
// how many: each row's amount must recompute from its quantity and the
// factors of each billed part (four, or three for a plain service; a part not
// billed shows none).
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
        reading->rows_total += print_test::D(words.back().c_str());
        reading->per_tariff[words[1]] += print_test::D(words.back().c_str());
        ++rows;
    }
    return rows;
}

// What a case changes in the rich invoice, by the case's name.
void Change(const std::string& name, invoice::InvoiceRequest* r) {
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
    if (name == "insured_open_amount_ivg_it") {
        r->guarantor = {print_test::Party("Max", "Müller", "Weg 3")};
        r->insured = {invoice::SexType::kMale, 30000, "7569217076985",
                      print_test::Party("Ugo", "Rossi", "Via Motta 2")};
        r->diagnoses = {{invoice::DiagnosisType::kBirthDefect, "494", ""}};
        r->esr->type = invoice::EsrType::kEsrQRPlus;
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
    if (name == "copy_of_1000_services_org_de") {
        r->request->is_copy = true;
        r->request->role = invoice::RoleType::kPhysiotherapist;
        for (size_t i = 6; i < 1000; ++i) r->services.push_back(r->services[i % 6]);
    }
}

// An invoice, its slip and the texts its form shows (the title first).
struct FormCase {
    struct {
        const char* name;
        L language;
        Law law;
        TiersMode tiers;
        const char* slip;        // the amount on the slip, "" for none; nullptr: no slip
        const char* parameters;  // of the print template
    } invoice;
    std::vector<std::string> shown;
};

const FormCase kCases[] = {
    {{"kvg_de", L::kGerman, Law::kKVG, TiersMode::kGarant, "124.75", ""},
     {"Rechnung", "UID CHE-108.954.312 MWST", "Vergütungsart Tiers garant (TG)",
      "Diagnose ICD-10 J06.9; Tessiner Code A1", "Gesetz KVG", "Rolle / Ort Arzt / Praxis",
      "Behandlungsart ambulant", "AHV-Nr. 756.1234.5678.97", "2.00 nicht verrechnet 8.19",
      "Fällig am 10.02.2024 (30 Tage)", "\nCHF 124.75\nCHF 124.75\n"}},
    {{"payant_uvg_fr", L::kFrench, Law::kUVG, TiersMode::kPayant, nullptr, ""},
     {"Facture TP", "IDE CHE-108.954.312 TVA", "Remboursement Tiers payant (TP)",
      "Employeur Bau AG", "N° d'enreg. REG-5", "Loi LAA", "N° de cas CASE-44",
      "Date du cas 29.12.2023", "Traitement stationnaire", "Admission 01.01.2024",
      "Classe Demi-privée", "Motif du traitement Accident"}},
    {{"insured_open_amount_ivg_it", L::kItalian, Law::kIVG, TiersMode::kGarant, "", ""},
     {"Fattura", "Persona assicurata Ugo Rossi", "Garante Max Müller", "N. AVS 756.9217.0769.85",
      "Legge LAI", "Diagnosi Infermità congenita 494", "Periodo 01.01.2024 – 06.01.2024",
      "Cantone FR", "\nCHF\nCHF\n"}},
    {{"storno_copy_mvg_de", L::kGerman, Law::kMVG, TiersMode::kGarant, nullptr, "Copy=1"},
     {"Rechnung", "Kopie – nicht zur Zahlung", "Storno zu RG-2024-0815 vom 11.01.2024",
      "Gutschrift GS-17 vom 20.01.2024", "Storno – nicht zur Zahlung", "Gesetz MVG",
      "Versicherung Kasse Muster", "GLN 7601003000016", "Versicherten-Nr. INS-991",
      "Leistungserbringer Praxis Rüegg"}},
    {{"credit_reminder_vvg_fr", L::kFrench, Law::kVVG, TiersMode::kGarant, nullptr, ""},
     {"2e rappel", "Niveau de rappel 2", "N° de facture RG-2024-0815", "Date de facture 11.01.2024",
      "N° de rappel MA-7", "Merci de régler la facture.", "Date du rappel 20.02.2024",
      "Échéance 21.03.2024", "Loi LCA", "Médecin mandant Anna Keller", "N° RCC B654321",
      "Crédit en votre faveur 45.25"}},
    {{"nothing_to_pay", L::kGerman, Law::kKVG, TiersMode::kGarant, nullptr, ""},
     {"Rechnung", "Nichts zu bezahlen"}},
    {{"copy_of_1000_services_org_de", L::kGerman, Law::kORG, TiersMode::kGarant, nullptr, ""},
     {"Rechnung", "Kopie – nicht zur Zahlung", "Gesetz Andere",
      "Rolle / Ort Physiotherapie / Praxis", "Geschlecht weiblich"}},
};

class PrintFormContentTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(PrintFormContentTest, ShowsEveryBlockAndReconciles) {
    if (!readback::HaveReadbackTools()) GTEST_SKIP() << "poppler-utils or ZXingReader missing";
    const auto& [kind, shown] = GetParam();
    invoice::InvoiceRequest request = print_test::RichInvoice(kind.language, kind.law, kind.tiers);
    Change(kind.name, &request);
    print_test::Finalize(&request);
    TempFolder folder;
    std::string pdf = folder.Path() + "form.pdf";
    invoice::PrintOptions options;
    options.print_template = "(PDF_NOPRINT=" + pdf + ";" + std::string(kind.parameters) + ")";
    invoice::PrintOutcome outcome;
    std::string error;
    ASSERT_EQ(S_OK, invoice::PrintInvoice(request, options, &outcome, &error)) << error;
    auto label = [&kind](LabelId id) { return std::string(Label(kind.language, id)); };

    // Page by page: the heading, the table header over rows, the amount
    // carried from the page before and the subtotal at the foot.
    std::vector<std::string> pages = Pages(pdf);
    std::string text;
    Reading reading;
    for (size_t page = 1; page <= pages.size(); ++page) {
        const std::string& at = pages[page - 1];
        std::string number = std::to_string(page) + "/" + std::to_string(pages.size());
        std::string heading = "\n" + shown[0] + " RG-2024-0815 Lea Müller .*" + number + "\n";
        EXPECT_TRUE(std::regex_search(at, std::regex(heading))) << heading << " in\n" << at;
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

    // The summary: tariff totals and the lines from the total to the amount due.
    EXPECT_EQ(reading.rows_total.ToFixed(2), Figure(text, label(LabelId::kTotal)));
    for (const auto& tariff : reading.per_tariff)
        EXPECT_EQ(tariff.second.ToFixed(2),
                  Figure(text, label(LabelId::kTariff) + " " + tariff.first));
    Decimal due = reading.rows_total;
    for (LabelId line : {LabelId::kPrepaid, LabelId::kReminderFee, LabelId::kRounding})
        if (!Figure(text, label(line)).empty())
            due += print_test::D(Figure(text, label(line)).c_str());
    EXPECT_EQ(due.ToFixed(2), Figure(text, label(LabelId::kAmountDue)));

    // A slip only where one must be, with a code that decodes and the amount
    // in the code (the slip shows it in both parts: a text of the case).
    bool has_slip = kind.slip != nullptr;
    EXPECT_EQ(has_slip, outcome.has_slip);
    EXPECT_EQ(has_slip, text.find(label(LabelId::kPaymentPart)) != std::string::npos);
    if (!has_slip) return;
    std::string payload = readback::DecodeQr(pdf, outcome.pages, folder.Path());
    EXPECT_EQ(outcome.qr_payload, payload);
    EXPECT_NE(std::string::npos, payload.find(std::string("\n") + kind.slip + "\nCHF\n"))
        << payload;
}

INSTANTIATE_TEST_SUITE_P(Invoices, PrintFormContentTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.invoice.name); });

}  // namespace
