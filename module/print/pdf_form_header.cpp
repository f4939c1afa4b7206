#include "module/print/pdf_form_header.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "module/print/pdf_form_text.h"
#include "module/print/print_labels.h"
#include "module/print/qr_bill.h"

namespace invoice {

namespace {

const TextStyle kSmall{7, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kLabel{7.5, FontFace::kBold, TextAlign::kLeft};
const TextStyle kValue{7.5, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kAddress{10, FontFace::kRegular, TextAlign::kLeft};
const TextStyle kTitle{14, FontFace::kBold, TextAlign::kRight};
const TextStyle kMark{10, FontFace::kBold, TextAlign::kRight};

constexpr double kWindowTop = 48.0;
constexpr double kLabelWidth = 30.0;

using Row = std::pair<std::string, std::string>;  // label, value

// Draws rows of label and value from y and returns the y below them.
double DrawRows(PdfDocument* pdf, double x, double y, double width, const std::vector<Row>& rows,
                bool draw) {
    double line = pdf->LineHeight(kValue.size_pt);
    for (const Row& row : rows) {
        if (draw) {
            pdf->Text(x, y, kLabelWidth - 1, row.first, kLabel);
            pdf->Text(x + kLabelWidth, y, width - kLabelWidth, row.second, kValue);
        }
        y += line;
    }
    return y;
}

void AddRow(std::vector<Row>* rows, Language lang, LabelId label, const std::string& value) {
    if (!value.empty()) rows->push_back({Label(lang, label), value});
}

// A party's name and its address on one line each, under `label`.
void AddParty(std::vector<Row>* rows, Language lang, LabelId label,
              const std::optional<Address>& address) {
    if (!address) return;
    rows->push_back({Label(lang, label), AddressName(*address)});
    std::string place = StreetAndPlace(*address);
    if (!place.empty()) rows->push_back({"", place});
}

const char* ReasonLabel(Language lang, TreatmentReason reason) {
    switch (reason) {
        case TreatmentReason::kDisease:
            return Label(lang, LabelId::kReasonDisease);
        case TreatmentReason::kAccident:
            return Label(lang, LabelId::kReasonAccident);
        case TreatmentReason::kMaternity:
            return Label(lang, LabelId::kReasonMaternity);
        case TreatmentReason::kPrevention:
            return Label(lang, LabelId::kReasonPrevention);
        case TreatmentReason::kBirthDefect:
            return Label(lang, LabelId::kReasonBirthDefect);
        case TreatmentReason::kUnknown:
            break;
    }
    return Label(lang, LabelId::kReasonUnknown);
}

std::vector<Row> LeftRows(const InvoiceRequest& invoice, const FormHeading& heading) {
    Language lang = invoice.language;
    std::vector<Row> rows;
    if (invoice.invoice) {
        AddRow(&rows, lang, LabelId::kInvoiceNumber, invoice.invoice->id);
        AddRow(&rows, lang, LabelId::kInvoiceDate, DateText(invoice.invoice->date));
        AddRow(&rows, lang, LabelId::kTimestamp, std::to_string(invoice.invoice->timestamp));
    }
    if (invoice.reminder) {
        AddRow(&rows, lang, LabelId::kReminderNumber, invoice.reminder->reference.id);
        AddRow(&rows, lang, LabelId::kReminderDate, DateText(invoice.reminder->reference.date));
    }
    AddRow(&rows, lang, LabelId::kSender, heading.sender_id);
    if (invoice.patient) {
        const Patient& patient = *invoice.patient;
        AddParty(&rows, lang, LabelId::kPatient, patient.address);
        AddRow(&rows, lang, LabelId::kBirthdate, DateText(patient.birthdate));
        AddRow(&rows, lang, LabelId::kSex,
               Label(lang, patient.sex == SexType::kFemale ? LabelId::kFemale : LabelId::kMale));
        AddRow(&rows, lang, LabelId::kSsn, patient.ssn);
    }
    if (invoice.insurance) {
        AddParty(&rows, lang, LabelId::kInsurance, invoice.insurance->address);
        AddRow(&rows, lang, LabelId::kGln, invoice.insurance->ean);
    }
    if (invoice.law) AddRow(&rows, lang, LabelId::kInsuredId, invoice.law->insured_id);
    if (invoice.card) AddRow(&rows, lang, LabelId::kCardId, invoice.card->card_id);
    return rows;
}

template <typename Party>
void AddProfessional(std::vector<Row>* rows, Language lang, LabelId label, const Party& party) {
    if (party.address) {
        rows->push_back({Label(lang, label), AddressName(*party.address)});
    } else {
        rows->push_back({Label(lang, label), ""});
    }
    AddRow(rows, lang, LabelId::kGln, party.ean);
    AddRow(rows, lang, LabelId::kZsr, party.zsr);
}

std::vector<Row> RightRows(const InvoiceRequest& invoice) {
    Language lang = invoice.language;
    std::vector<Row> rows;
    if (invoice.provider) AddProfessional(&rows, lang, LabelId::kProvider, *invoice.provider);
    if (invoice.referrer) AddProfessional(&rows, lang, LabelId::kReferrer, *invoice.referrer);
    if (invoice.law) {
        const Law& law = *invoice.law;
        AddRow(&rows, lang, LabelId::kLaw, LawLabel(lang, law.type));
        AddRow(&rows, lang, LabelId::kCaseId, law.case_id);
        if (law.case_date) AddRow(&rows, lang, LabelId::kCaseDate, DateText(*law.case_date));
    }
    if (invoice.treatment) {
        const Treatment& treatment = *invoice.treatment;
        AddRow(&rows, lang, LabelId::kTreatment,
               DateText(treatment.date_begin) + " – " + DateText(treatment.date_end));
        AddRow(&rows, lang, LabelId::kReason, ReasonLabel(lang, treatment.reason));
        AddRow(&rows, lang, LabelId::kCanton, SchemaText(treatment.canton));
    }
    return rows;
}

std::string DiagnosesText(const InvoiceRequest& invoice) {
    std::string text;
    for (const Diagnosis& diagnosis : invoice.diagnoses) {
        if (!text.empty()) text += "; ";
        text += std::string(SchemaText(diagnosis.type)) + " " + diagnosis.code;
        if (!diagnosis.text.empty()) text += " " + diagnosis.text;
    }
    return text;
}

std::string GlnListText(const InvoiceRequest& invoice) {
    std::vector<std::string> glns = ServiceGlns(invoice);
    std::string text;
    for (size_t i = 0; i < glns.size(); ++i) {
        if (!text.empty()) text += ", ";
        text += std::to_string(i + 1) + " = " + glns[i];
    }
    return text;
}

// A full-width row whose value may wrap. Returns the y below it.
double WideRow(PdfDocument* pdf, double y, const std::string& label, const std::string& value,
               bool draw) {
    if (value.empty()) return y;
    double width = kFormRightMm - kFormLeftMm - kLabelWidth;
    if (draw) pdf->Text(kFormLeftMm, y, kLabelWidth - 1, label, kLabel);
    return y + pdf->Paragraph(kFormLeftMm + kLabelWidth, y, width, value, kValue, draw);
}

// The recipient: the debitor, else the insurer for tiers payant, else the
// guarantor, else the patient.
const Address* Recipient(const InvoiceRequest& invoice) {
    if (invoice.debitor && invoice.debitor->address) return &*invoice.debitor->address;
    bool payant = invoice.tiers && invoice.tiers->mode == TiersMode::kPayant;
    if (payant && invoice.insurance && invoice.insurance->address) {
        return &*invoice.insurance->address;
    }
    if (invoice.guarantor && invoice.guarantor->address) return &*invoice.guarantor->address;
    if (invoice.patient && invoice.patient->address) return &*invoice.patient->address;
    return nullptr;
}

// Address window and the biller beside it. Returns the y below both.
double DrawAddresses(PdfDocument* pdf, const InvoiceRequest& invoice, const FormHeading& heading,
                     bool draw) {
    Language lang = invoice.language;
    double window_x = heading.address_right ? 118.0 : 20.0;
    double biller_x = heading.address_right ? kFormLeftMm : 118.0;
    double y_window = kWindowTop;
    if (const Address* recipient = Recipient(invoice)) {
        for (const std::string& line : PostalLines(*recipient)) {
            if (draw) pdf->Text(window_x, y_window, 77, line, kAddress);
            y_window += pdf->LineHeight(kAddress.size_pt);
        }
    }
    double y_biller = kWindowTop;
    if (invoice.biller) {
        const Biller& biller = *invoice.biller;
        if (draw) pdf->Text(biller_x, y_biller, 77, Label(lang, LabelId::kBiller), kLabel);
        y_biller += pdf->LineHeight(kLabel.size_pt);
        std::vector<std::string> lines;
        if (biller.address) lines = PostalLines(*biller.address);
        if (!biller.ean.empty()) lines.push_back(Label(lang, LabelId::kGln) + (" " + biller.ean));
        if (!biller.zsr.empty()) lines.push_back(Label(lang, LabelId::kZsr) + (" " + biller.zsr));
        for (const std::string& line : lines) {
            if (draw) pdf->Text(biller_x, y_biller, 77, line, kValue);
            y_biller += pdf->LineHeight(kValue.size_pt);
        }
    }
    return std::max({y_window, y_biller, kWindowTop + 30});
}

void DrawTitle(PdfDocument* pdf, const InvoiceRequest& invoice, const FormHeading& heading) {
    const double top = 14;
    if (heading.logo != nullptr) {
        pdf->Image(heading.logo, kFormLeftMm, top, heading.logo_width_mm, heading.logo_height_mm);
    }
    double y = top + pdf->Text(100, top, kFormRightMm - 100, heading.title, kTitle);
    Language lang = invoice.language;
    if (heading.storno)
        y += pdf->Text(100, y, kFormRightMm - 100, Label(lang, LabelId::kStorno), kMark);
    if (heading.copy) pdf->Text(100, y, kFormRightMm - 100, Label(lang, LabelId::kCopy), kMark);
}

}  // namespace

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

double DrawPageHeading(PdfDocument* pdf, const InvoiceRequest& invoice, const FormHeading& heading,
                       int page, int pages) {
    const double y = 8;
    Language lang = invoice.language;
    std::string left = heading.title;
    if (invoice.invoice) left += "  " + invoice.invoice->id;
    if (invoice.patient && invoice.patient->address) {
        left += "  " + AddressName(*invoice.patient->address);
    }
    pdf->Text(kFormLeftMm, y, 120, left, kSmall);
    TextStyle right = kSmall;
    right.align = TextAlign::kRight;
    std::string number = std::string(Label(lang, LabelId::kPage)) + " " + std::to_string(page) +
                         "/" + std::to_string(pages);
    pdf->Text(150, y, kFormRightMm - 150, number, right);
    if (heading.copy) {
        TextStyle mark = kLabel;
        mark.align = TextAlign::kCenter;
        pdf->Text(135, y, 20, Label(lang, LabelId::kCopy), mark);
    }
    return y + pdf->LineHeight(kSmall.size_pt);
}

double DrawFirstPageHeader(PdfDocument* pdf, const InvoiceRequest& invoice,
                           const FormHeading& heading, bool draw) {
    if (draw) DrawTitle(pdf, invoice, heading);
    double y = DrawAddresses(pdf, invoice, heading, draw) + 6;
    const double column = (kFormRightMm - kFormLeftMm - 4) / 2;
    double left = DrawRows(pdf, kFormLeftMm, y, column, LeftRows(invoice, heading), draw);
    double right = DrawRows(pdf, kFormLeftMm + column + 4, y, column, RightRows(invoice), draw);
    y = std::max(left, right) + 1.5;
    Language lang = invoice.language;
    y = WideRow(pdf, y, Label(lang, LabelId::kDiagnoses), DiagnosesText(invoice), draw);
    if (invoice.request) {
        y = WideRow(pdf, y, Label(lang, LabelId::kRemark), invoice.request->remark, draw);
    }
    if (invoice.reminder) y = WideRow(pdf, y, heading.title, invoice.reminder->text, draw);
    y = WideRow(pdf, y, Label(lang, LabelId::kProviderList), GlnListText(invoice), draw);
    return y + 3;
}

}  // namespace invoice
