// The printed form read back as a clerk reads it (pdftotext): every header
// block with its value in the invoice's language, and figures that
// reconcile with what is printed beside them: each service row's amount
// recomputes from its printed quantity and factors, the rows add up to the
// total and per tariff to the tariff totals, and the total with the lines
// below it (prepaid amount, reminder fee, rounding difference) to the amount
// due; on a long invoice each page's subtotal is carried to the next.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "module/print/invoice_print.h"
#include "module/print/pdf_services_table.h"
#include "module/print/print_labels.h"
#include "pdf_readback.h"
#include "print_test_invoice.h"
#include "temp_folder.h"

namespace {

using invoice::Decimal;
using invoice::InvoiceRequest;
using invoice::LabelId;
using invoice::ServiceColumn;
using print_test::D;
using Line = std::vector<const readback::Word*>;  // left to right

// The words of `page` as lines (tops within 1 mm), top to bottom.
std::vector<Line> Lines(const std::vector<readback::Word>& words, int page) {
    std::vector<Line> lines;
    for (const readback::Word& word : words) {
        if (word.page != page) continue;
        auto line = std::find_if(lines.begin(), lines.end(), [&word](const Line& l) {
            return std::fabs(l.front()->top - word.top) < 1.0;
        });
        if (line == lines.end()) line = lines.insert(lines.end(), Line());
        line->push_back(&word);
    }
    for (Line& line : lines) {
        std::sort(line.begin(), line.end(), [](auto a, auto b) { return a->left < b->left; });
    }
    std::sort(lines.begin(), lines.end(), [](auto& a, auto& b) { return a[0]->top < b[0]->top; });
    return lines;
}

std::string Joined(const Line& line) {
    std::string text;
    for (const readback::Word* word : line) text += (text.empty() ? "" : " ") + word->text;
    return text;
}

// The words of a table row whose middle lies in `column`'s box.
std::string Cell(const Line& row, int column) {
    invoice::ColumnBox box = invoice::ServiceColumnBox(static_cast<ServiceColumn>(column));
    std::string text;
    for (const readback::Word* word : row) {
        double middle = (word->left + word->right) / 2;
        if (middle >= box.x && middle < box.x + box.width) text += word->text;
    }
    return text;
}

bool IsNumber(const std::string& text) {
    Decimal ignored;
    return !text.empty() && Decimal::Parse(text, &ignored);
}

// A part's amount from its four printed factors (an empty scale factor
// counts as 1); 0 for a part that shows no numbers (not billed).
Decimal PartAmount(const Line& row, Decimal amount, ServiceColumn first) {
    for (int i = 0; i < 4; ++i) {
        std::string cell = Cell(row, static_cast<int>(first) + i);
        if (cell.empty() && i == 2) continue;
        if (!IsNumber(cell)) return Decimal();
        amount = amount * D(cell.c_str());
    }
    return amount.RoundToCents();
}

struct Reading {
    int rows = 0;
    Decimal rows_total;
    std::map<std::string, Decimal> per_tariff;
    std::map<std::string, std::string> figures;  // a summary line's label -> its figure
};

void ReadFigure(Line words, Reading* reading) {
    if (words.size() < 2 || !IsNumber(words.back()->text)) return;
    std::string figure = words.back()->text;
    words.pop_back();
    reading->figures[Joined(words)] = figure;
}

// Reads the table rows and summary figures of a page's lines into *reading,
// checking each row's amount against its printed factors on the way.
void Read(const std::vector<Line>& lines, Reading* reading) {
    for (const Line& line : lines) {
        const std::string& start = line[0]->text;
        bool row = line[0]->left < 20 && start.size() == 10 && start[2] == '.';
        if (!row) {  // a summary line: tariff totals on the left, figures on the right
            auto right = std::find_if(line.begin(), line.end(),
                                      [](const readback::Word* word) { return word->left > 100; });
            ReadFigure(Line(line.begin(), right), reading);
            ReadFigure(Line(right, line.end()), reading);
            continue;
        }
        Decimal quantity = D(Cell(line, static_cast<int>(ServiceColumn::kQuantity)).c_str());
        Decimal computed = PartAmount(line, quantity, ServiceColumn::kMtUnit) +
                           PartAmount(line, quantity, ServiceColumn::kTtUnit);
        std::string amount = Cell(line, static_cast<int>(ServiceColumn::kAmount));
        EXPECT_EQ(computed.ToFixed(2), amount) << Joined(line);
        reading->rows_total += D(amount.c_str());
        reading->per_tariff[Cell(line, static_cast<int>(ServiceColumn::kTariff))] +=
            D(amount.c_str());
        ++reading->rows;
    }
}

struct Printed {
    invoice::PrintOutcome outcome;
    std::vector<readback::Word> words;
};

Printed Print(InvoiceRequest* request, const std::string& folder) {
    print_test::Finalize(request);
    invoice::PrintOptions options;
    options.print_template = "(PDF_NOPRINT=" + folder + "form.pdf;)";
    Printed printed;
    std::string error;
    EXPECT_EQ(S_OK, invoice::PrintInvoice(*request, options, &printed.outcome, &error)) << error;
    printed.words = readback::Words(folder + "form.pdf");
    return printed;
}

struct FormCase {
    const char* name;
    struct {
        invoice::Language language;
        invoice::LawType law;
        invoice::TiersMode tiers;
    } kind;
    std::vector<std::string> expected;  // label and value as a line of the form shows them
    std::function<void(InvoiceRequest*)> change;
};

const std::vector<FormCase>& Cases() {
    using invoice::LawType;
    using invoice::TiersMode;
    using L = invoice::Language;
    static const std::vector<FormCase> cases = {
        {"garant_kvg_de",
         {L::kGerman, LawType::kKVG, TiersMode::kGarant},
         {"Rechnung", "UID CHE-108.954.312 MWST", "Vergütungsart Tiers garant (TG)",
          "Garant Max Müller", "Diagnose ICD-10 J06.9; Tessiner Code A1",
          "Rolle / Ort Arzt / Praxis", "Behandlungsart ambulant", "Gesetz KVG",
          "Fällig am 10.02.2024", "AHV-Nr. 756.1234.5678.97", "nicht verrechnet",
          "Fällig am 10.02.2024 (30 Tage)"},
         [](InvoiceRequest* r) {
             r->guarantor = invoice::Guarantor{print_test::Party("Max", "Müller", "Weg 3")};
         }},
        {"payant_uvg_fr",
         {L::kFrench, LawType::kUVG, TiersMode::kPayant},
         {"Facture TP", "IDE CHE-108.954.312 TVA", "Remboursement Tiers payant (TP)",
          "Employeur Bau AG", "N° d'enreg. REG-5", "Loi LAA", "N° de cas CASE-44",
          "Date du cas 29.12.2023", "Traitement stationnaire", "Admission 01.01.2024",
          "Classe Demi-privée", "Motif du traitement Accident",
          "Diagnostic CIM-10 J06.9; Code tessinois A1", "non facturée", "Échéance 10.02.2024"},
         [](InvoiceRequest* r) {
             r->biller->uid_number.clear();
             r->tiers->vat_number = "CHE-108.954.312";
             r->employer = invoice::Employer{"7601000000033", "REG-5",
                                             print_test::Party("Bau AG", "", "Hafen 2")};
             r->treatment->type = invoice::TreatmentType::kStationary;
             r->treatment->reason = invoice::TreatmentReason::kAccident;
             r->xtra_hospital = invoice::XtraHospital{};
             r->xtra_hospital->hospitalization_date = print_test::kDay;
             r->xtra_hospital->hospitalization_class = invoice::HospitalizationClass::kSemiPrivate;
         }},
        {"garant_ivg_it",
         {L::kItalian, LawType::kIVG, TiersMode::kGarant},
         {"Fattura", "IDI CHE-108.954.312 IVA", "Rimborso Terzo garante (TG)",
          "Persona assicurata Ugo Rossi", "N. AVS 756.9217.0769.85", "Legge LAI",
          "Diagnosi Infermità congenita 494", "Trattamento ambulatoriale",
          "Periodo 01.01.2024 – 06.01.2024", "Cantone FR", "non fatturata", "Scadenza 10.02.2024"},
         [](InvoiceRequest* r) {
             r->insured = invoice::Patient{invoice::SexType::kMale, 30000, "7569217076985",
                                           print_test::Party("Ugo", "Rossi", "Via Motta 2")};
             r->diagnoses = {{invoice::DiagnosisType::kBirthDefect, "494", ""}};
         }},
        {"storno_payant_mvg_de",
         {L::kGerman, LawType::kMVG, TiersMode::kPayant},
         {"TP-Rechnung", "Storno", "Storno zu RG-2024-0815 vom 11.01.2024",
          "Gutschrift GS-17 vom 20.01.2024", "Storno – nicht zur Zahlung",
          "Vergütungsart Tiers payant (TP)", "Gesetz MVG", "Versicherung Kasse Muster",
          "GLN 7601003000016", "Versicherten-Nr. INS-991", "Leistungserbringer Praxis Rüegg"},
         [](InvoiceRequest* r) {
             r->request->is_storno = true;
             r->credit = invoice::RequestReference{"GS-17", print_test::kDay + 19, 1705700000};
         }},
        {"reminder_garant_vvg_fr",
         {L::kFrench, LawType::kVVG, TiersMode::kGarant},
         {"2e rappel", "Niveau de rappel 2", "N° de facture RG-2024-0815",
          "Date de facture 11.01.2024", "N° de rappel MA-7", "Date du rappel 20.02.2024",
          "Échéance 21.03.2024", "Loi LCA", "Médecin mandant Anna Keller", "N° RCC B654321"},
         [](InvoiceRequest* r) {
             r->reminder = invoice::Reminder{{"MA-7", print_test::kDay + 50, 1708400000},
                                             invoice::ReminderLevel::kSecond,
                                             "",
                                             D("10")};
         }},
        {"garant_org_it",
         {L::kItalian, LawType::kORG, TiersMode::kGarant},
         {"Fattura", "Legge Altro", "Ruolo / luogo Fisioterapia / Studio", "Sesso femminile"},
         [](InvoiceRequest* r) { r->request->role = invoice::RoleType::kPhysiotherapist; }},
    };
    return cases;
}

class PrintFormContentTest : public ::testing::TestWithParam<FormCase> {
  protected:
    void SetUp() override {
        if (!readback::HaveReadbackTools()) GTEST_SKIP() << "poppler-utils or ZXingReader missing";
    }
    TempFolder folder_;
};

TEST_P(PrintFormContentTest, ShowsEveryBlockAndReconciles) {
    const FormCase& form = GetParam();
    InvoiceRequest request =
        print_test::RichInvoice(form.kind.language, form.kind.law, form.kind.tiers);
    form.change(&request);
    Printed printed = Print(&request, folder_.Path());
    std::string text;
    for (const Line& line : Lines(printed.words, 1)) text += Joined(line) + "\n";
    for (const std::string& expected : form.expected) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << " in\n" << text;
    }

    Reading reading;
    for (int page = 1; page <= printed.outcome.pages; ++page) {
        Read(Lines(printed.words, page), &reading);
    }
    EXPECT_EQ(static_cast<int>(request.services.size()), reading.rows);
    auto figure = [&](LabelId label) { return reading.figures[Label(form.kind.language, label)]; };
    EXPECT_EQ(reading.rows_total.ToFixed(2), figure(LabelId::kTotal));
    for (const auto& tariff : reading.per_tariff) {
        std::string label = Label(form.kind.language, LabelId::kTariff) + (" " + tariff.first);
        EXPECT_EQ(tariff.second.ToFixed(2), reading.figures[label]) << label;
    }
    const invoice::Balance& balance = request.balance;
    Decimal due = reading.rows_total;
    for (auto line : {std::make_pair(LabelId::kPrepaid, -balance.amount_prepaid),
                      std::make_pair(LabelId::kReminderFee, balance.amount_reminder),
                      std::make_pair(LabelId::kRounding, balance.round_difference)}) {
        if (line.second.IsZero()) continue;
        EXPECT_EQ(line.second.ToFixed(2), figure(line.first));
        due += D(figure(line.first).c_str());
    }
    EXPECT_EQ(due.ToFixed(2), figure(LabelId::kAmountDue));
    EXPECT_EQ(balance.amount_due.ToFixed(2), due.ToFixed(2));
}

INSTANTIATE_TEST_SUITE_P(Invoices, PrintFormContentTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// 1,000 services over some 30 pages: every page has the heading line with the
// invoice and the page number and, when it holds rows, the table header; the
// subtotal at its foot is the sum of the rows so far and comes back as the
// carried amount at the top of the next page.
TEST(PrintLongInvoiceTest, SubtotalsCarryAndEveryPageHasItsHeading) {
    if (!readback::HaveReadbackTools()) GTEST_SKIP() << "poppler-utils or ZXingReader missing";
    InvoiceRequest request = print_test::RichInvoice(
        invoice::Language::kGerman, invoice::LawType::kKVG, invoice::TiersMode::kGarant);
    std::vector<invoice::ServiceRecord> six = request.services;
    request.services.clear();
    for (int i = 0; i < 1000; ++i) request.services.push_back(six[i % six.size()]);
    TempFolder folder;
    Printed printed = Print(&request, folder.Path());
    const int pages = printed.outcome.pages;
    ASSERT_GT(pages, 20);
    Decimal carried;
    int rows = 0;
    for (int page = 1; page <= pages; ++page) {
        std::vector<Line> lines = Lines(printed.words, page);
        std::string heading = Joined(lines[0]);
        std::string number = "Seite " + std::to_string(page) + "/" + std::to_string(pages);
        EXPECT_EQ(0u, heading.find("Rechnung RG-2024-0815 Lea Müller")) << heading;
        EXPECT_NE(std::string::npos, heading.find(number)) << heading;
        Reading reading;
        Read(lines, &reading);
        if (reading.rows == 0) continue;
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const Line& line) {
            return Joined(line).find("Datum Tarif Tarifziffer") == 0;
        })) << number;
        if (page > 1) {
            EXPECT_EQ(carried.ToFixed(2), reading.figures["Übertrag"]) << number;
        }
        carried += reading.rows_total;
        rows += reading.rows;
        if (rows < 1000) {
            EXPECT_EQ(carried.ToFixed(2), reading.figures["Zwischentotal"]) << number;
        }
    }
    EXPECT_EQ(1000, rows);
    EXPECT_EQ(request.balance.amount.ToFixed(2), carried.ToFixed(2));
}

}  // namespace
