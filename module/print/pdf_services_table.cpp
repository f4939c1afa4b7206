#include "module/print/pdf_services_table.h"

#include <algorithm>
#include <array>

#include "module/print/pdf_form_text.h"
#include "module/print/print_labels.h"
#include "module/print/print_value_labels.h"

namespace invoice {

namespace {

constexpr size_t kColumns = static_cast<size_t>(ServiceColumn::kCount);

struct Column {
    LabelId label;
    double x;
    double width;
    TextAlign align;
};

// In the order of ServiceColumn; the table runs from 15 to 195 mm.
constexpr std::array<Column, kColumns> kTable = {{
    {LabelId::kColDate, 15, 13.5, TextAlign::kLeft},
    {LabelId::kColTariff, 28.5, 6, TextAlign::kLeft},
    {LabelId::kColCode, 34.5, 16.5, TextAlign::kLeft},
    {LabelId::kColRefCode, 51, 11, TextAlign::kLeft},
    {LabelId::kColSession, 62, 5, TextAlign::kRight},
    {LabelId::kColSide, 67, 5.5, TextAlign::kCenter},
    {LabelId::kColQuantity, 72.5, 7, TextAlign::kRight},
    {LabelId::kColUnit, 79.5, 11.5, TextAlign::kRight},
    {LabelId::kColUnitFactor, 91, 8, TextAlign::kRight},
    {LabelId::kColScale, 99, 8, TextAlign::kRight},
    {LabelId::kColExternal, 107, 8, TextAlign::kRight},
    {LabelId::kColUnit, 115, 11.5, TextAlign::kRight},
    {LabelId::kColUnitFactor, 126.5, 8, TextAlign::kRight},
    {LabelId::kColScale, 134.5, 8, TextAlign::kRight},
    {LabelId::kColExternal, 142.5, 8, TextAlign::kRight},
    {LabelId::kColBilled, 150.5, 10, TextAlign::kCenter},
    {LabelId::kColProvider, 160.5, 8, TextAlign::kCenter},
    {LabelId::kColObligation, 168.5, 4, TextAlign::kCenter},
    {LabelId::kColVat, 172.5, 7.5, TextAlign::kCenter},
    {LabelId::kColAmount, 180, 15, TextAlign::kRight},
}};

constexpr double kTableLeft = 15;
constexpr double kTableRight = 195;

const TextStyle kCell{6.5, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kServiceText{6, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kHeadCell{6, FontFace::kBold, TextAlign::kLeft};

using Cells = std::array<std::string, kColumns>;

const Column& ColumnOf(ServiceColumn column) {
    return kTable[static_cast<size_t>(column)];
}

std::string& Cell(Cells* cells, ServiceColumn column) {
    return (*cells)[static_cast<size_t>(column)];
}

std::string SideText(Language lang, BodySide side) {
    if (side == BodySide::kLeft)
        return lang == Language::kGerman ? "L" : lang == Language::kFrench ? "G" : "S";
    if (side == BodySide::kRight) return lang == Language::kGerman ? "R" : "D";
    return std::string();
}

std::string IndexOf(const std::vector<std::string>& glns, const std::string& gln) {
    auto found = std::find(glns.begin(), glns.end(), gln);
    if (found == glns.end()) return "-";
    return std::to_string(found - glns.begin() + 1);
}

// The VAT code of a rate: its place in the balance's rates (0, 1, ...).
std::string VatCode(const Balance& balance, const Decimal& rate) {
    for (size_t i = 0; i < balance.vat_rates.size(); ++i) {
        if (balance.vat_rates[i].vat_rate == rate) return std::to_string(i);
    }
    return rate.ToString() + "%";
}

bool BillsMedicalPart(BillingRole role) {
    return role == BillingRole::kMT || role == BillingRole::kBoth;
}

bool BillsTechnicalPart(BillingRole role) {
    return role == BillingRole::kTT || role == BillingRole::kBoth;
}

// The four factor cells of a part, from `first` on.
void PartCells(Cells* cells, ServiceColumn first, const TariffPart& part) {
    size_t at = static_cast<size_t>(first);
    (*cells)[at] = FactorText(part.unit);
    (*cells)[at + 1] = FactorText(part.unit_factor);
    (*cells)[at + 2] = FactorText(part.scale_factor);
    (*cells)[at + 3] = FactorText(part.external_factor);
}

Cells CellsOf(const ServiceRecord& record, const InvoiceRequest& invoice,
              const std::vector<std::string>& glns) {
    Language lang = invoice.language;
    Cells cells;
    Cell(&cells, ServiceColumn::kDate) = DateText(record.date_begin);
    Cell(&cells, ServiceColumn::kTariff) = record.tariff_type;
    Cell(&cells, ServiceColumn::kCode) = record.code;
    Cell(&cells, ServiceColumn::kRefCode) = record.ref_code;
    Cell(&cells, ServiceColumn::kSession) = std::to_string(record.session);
    Cell(&cells, ServiceColumn::kSide) = SideText(lang, record.side);
    Cell(&cells, ServiceColumn::kQuantity) = FactorText(record.quantity);
    if (record.kind == ServiceKind::kServiceEx) {
        if (BillsMedicalPart(record.billing_role)) {
            PartCells(&cells, ServiceColumn::kMtUnit, record.mt);
        }
        if (BillsTechnicalPart(record.billing_role)) {
            PartCells(&cells, ServiceColumn::kTtUnit, record.tt);
        }
        Cell(&cells, ServiceColumn::kBilled) = BillingRoleName(lang, record.billing_role);
    } else {
        Cell(&cells, ServiceColumn::kMtUnit) = FactorText(record.unit);
        Cell(&cells, ServiceColumn::kMtUnitFactor) = FactorText(record.unit_factor);
        Cell(&cells, ServiceColumn::kMtExternal) = FactorText(record.external_factor);
    }
    Cell(&cells, ServiceColumn::kProviders) =
        IndexOf(glns, record.provider_ean) + "/" + IndexOf(glns, record.responsible_ean);
    Cell(&cells, ServiceColumn::kObligation) = record.obligation ? "1" : "0";
    Cell(&cells, ServiceColumn::kVat) = VatCode(invoice.balance, record.vat_rate);
    Cell(&cells, ServiceColumn::kAmount) = MoneyText(record.amount);
    return cells;
}

void DrawCells(PdfDocument* pdf, double y, const Cells& cells, TextStyle style) {
    for (size_t i = 0; i < kColumns; ++i) {
        if (cells[i].empty()) continue;
        style.align = kTable[i].align;
        pdf->Text(kTable[i].x, y, kTable[i].width - 0.8, cells[i], style);
    }
}

// A text over the four columns of a part, from `first` on.
void PartSpan(PdfDocument* pdf, double y, ServiceColumn first, const char* text, TextStyle style) {
    const Column& left = ColumnOf(first);
    const Column& right = kTable[static_cast<size_t>(first) + 3];
    style.align = TextAlign::kCenter;
    pdf->Text(left.x, y, right.x + right.width - left.x, text, style);
}

}  // namespace

ColumnBox ServiceColumnBox(ServiceColumn column) {
    const Column& found = ColumnOf(column);
    return ColumnBox{found.x, found.width};
}

std::vector<const ServiceRecord*> SortedServices(const InvoiceRequest& invoice, bool by_tariff) {
    std::vector<const ServiceRecord*> sorted;
    for (const ServiceRecord& record : invoice.services) sorted.push_back(&record);
    auto by_date = [](const ServiceRecord* a, const ServiceRecord* b) {
        if (a->date_begin != b->date_begin) return a->date_begin < b->date_begin;
        return a->record_id < b->record_id;
    };
    auto by_code = [&by_date](const ServiceRecord* a, const ServiceRecord* b) {
        if (a->tariff_type != b->tariff_type) return a->tariff_type < b->tariff_type;
        if (a->code != b->code) return a->code < b->code;
        return by_date(a, b);
    };
    if (by_tariff) {
        std::stable_sort(sorted.begin(), sorted.end(), by_code);
    } else {
        std::stable_sort(sorted.begin(), sorted.end(), by_date);
    }
    return sorted;
}

std::vector<std::string> ServiceGlns(const InvoiceRequest& invoice) {
    std::vector<std::string> glns;
    auto add = [&glns](const std::string& gln) {
        if (!gln.empty() && std::find(glns.begin(), glns.end(), gln) == glns.end()) {
            glns.push_back(gln);
        }
    };
    for (const ServiceRecord& record : invoice.services) {
        add(record.provider_ean);
        add(record.responsible_ean);
    }
    return glns;
}

double DrawServicesHeader(PdfDocument* pdf, double y, Language language) {
    pdf->FillRect(kTableLeft, y, kTableRight - kTableLeft, kServiceHeaderHeightMm - 0.5, 0.88);
    PartSpan(pdf, y + 0.8, ServiceColumn::kMtUnit, Label(language, LabelId::kColPartMt), kHeadCell);
    PartSpan(pdf, y + 0.8, ServiceColumn::kTtUnit, Label(language, LabelId::kColPartTt), kHeadCell);
    const double below = y + 3.6;
    for (ServiceColumn part : {ServiceColumn::kMtUnit, ServiceColumn::kTtUnit}) {
        const Column& left = ColumnOf(part);
        const Column& right = kTable[static_cast<size_t>(part) + 3];
        pdf->Line(left.x + 0.5, below - 0.3, right.x + right.width - 0.5, below - 0.3, 0.3);
    }
    Cells heads;
    for (size_t i = 0; i < kColumns; ++i) heads[i] = Label(language, kTable[i].label);
    DrawCells(pdf, below, heads, kHeadCell);
    return y + kServiceHeaderHeightMm;
}

void DrawServiceRow(PdfDocument* pdf, double y, const ServiceRecord& record,
                    const InvoiceRequest& invoice, const std::vector<std::string>& glns) {
    DrawCells(pdf, y, CellsOf(record, invoice, glns), kCell);
    if (record.kind == ServiceKind::kServiceEx) {
        const char* not_billed = Label(invoice.language, LabelId::kNotBilled);
        if (!BillsMedicalPart(record.billing_role)) {
            PartSpan(pdf, y, ServiceColumn::kMtUnit, not_billed, kCell);
        }
        if (!BillsTechnicalPart(record.billing_role)) {
            PartSpan(pdf, y, ServiceColumn::kTtUnit, not_billed, kCell);
        }
    }
    const double text_x = ColumnOf(ServiceColumn::kTariff).x;
    pdf->Text(text_x, y + 2.8, kTableRight - text_x, record.name, kServiceText);
    pdf->Line(kTableLeft, y + kServiceRowHeightMm - 0.3, kTableRight, y + kServiceRowHeightMm - 0.3,
              0.2);
}

}  // namespace invoice
