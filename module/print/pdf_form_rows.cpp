#include "module/print/pdf_form_rows.h"

#include "module/print/pdf_form_text.h"
#include "module/print/print_labels.h"
#include "module/print/print_value_labels.h"
#include "module/print/qr_bill.h"

namespace invoice {

namespace {

class Rows {
  public:
    explicit Rows(Language language) : language_(language) {}

    // A row, left out when `value` is empty.
    void Add(LabelId label, const std::string& value) {
        if (!value.empty()) rows_.push_back({Label(language_, label), value});
    }

    // A party's name under `label` and its street and place below it.
    void AddParty(LabelId label, const std::optional<Address>& address) {
        if (!address) {
            rows_.push_back({Label(language_, label), ""});
            return;
        }
        rows_.push_back({Label(language_, label), AddressName(*address)});
        std::string place = StreetAndPlace(*address);
        if (!place.empty()) rows_.push_back({"", place});
    }

    // "RG-2024-0815 vom 11.01.2024".
    std::string Reference(const RequestReference& reference) const {
        std::string date = DateText(reference.date);
        if (date.empty()) return reference.id;
        return reference.id + " " + Label(language_, LabelId::kOfDate) + " " + date;
    }

    Language language() const { return language_; }
    std::vector<FormRow> Take() { return std::move(rows_); }

  private:
    Language language_;
    std::vector<FormRow> rows_;
};

bool SamePerson(const std::optional<Address>& a, const std::optional<Address>& b) {
    if (!a || !b) return !a && !b;
    return AddressName(*a) == AddressName(*b) && StreetAndPlace(*a) == StreetAndPlace(*b);
}

void AddDocument(const InvoiceRequest& invoice, Rows* rows) {
    if (invoice.invoice) {
        rows->Add(LabelId::kInvoiceNumber, invoice.invoice->id);
        rows->Add(LabelId::kInvoiceDate, DateText(invoice.invoice->date));
        rows->Add(LabelId::kTimestamp, std::to_string(invoice.invoice->timestamp));
        if (invoice.request && invoice.request->is_storno) {
            rows->Add(LabelId::kStornoOf, rows->Reference(*invoice.invoice));
        }
    }
    if (invoice.credit) rows->Add(LabelId::kCredit, rows->Reference(*invoice.credit));
    if (invoice.reminder) {
        rows->Add(LabelId::kReminderLevel,
                  std::to_string(static_cast<int>(invoice.reminder->level)));
        rows->Add(LabelId::kReminderNumber, invoice.reminder->reference.id);
        rows->Add(LabelId::kReminderDate, DateText(invoice.reminder->reference.date));
    }
    rows->Add(LabelId::kDueDate, DateText(DueDate(invoice)));
}

void AddPatient(const InvoiceRequest& invoice, Rows* rows) {
    Language lang = rows->language();
    if (invoice.patient) {
        const Patient& patient = *invoice.patient;
        rows->AddParty(LabelId::kPatient, patient.address);
        rows->Add(LabelId::kBirthdate, DateText(patient.birthdate));
        rows->Add(LabelId::kSex,
                  Label(lang, patient.sex == SexType::kFemale ? LabelId::kFemale : LabelId::kMale));
        rows->Add(LabelId::kSsn, AhvText(patient.ssn));
    }
    std::optional<Address> patient_address;
    if (invoice.patient) patient_address = invoice.patient->address;
    if (invoice.insured && !SamePerson(invoice.insured->address, patient_address)) {
        rows->AddParty(LabelId::kInsured, invoice.insured->address);
        rows->Add(LabelId::kBirthdate, DateText(invoice.insured->birthdate));
        rows->Add(LabelId::kSsn, AhvText(invoice.insured->ssn));
    }
    if (invoice.guarantor && !SamePerson(invoice.guarantor->address, patient_address)) {
        rows->AddParty(LabelId::kGuarantor, invoice.guarantor->address);
    }
}

void AddInsurance(const InvoiceRequest& invoice, Rows* rows) {
    if (invoice.insurance) {
        rows->AddParty(LabelId::kInsurance, invoice.insurance->address);
        rows->Add(LabelId::kGln, invoice.insurance->ean);
    }
    if (invoice.law) rows->Add(LabelId::kInsuredId, invoice.law->insured_id);
    if (invoice.card) rows->Add(LabelId::kCardId, invoice.card->card_id);
    if (invoice.employer) {
        rows->AddParty(LabelId::kEmployer, invoice.employer->address);
        rows->Add(LabelId::kGln, invoice.employer->ean);
        rows->Add(LabelId::kRegNumber, invoice.employer->reg_number);
    }
}

template <typename Party>
void AddProfessional(LabelId label, const Party& party, Rows* rows) {
    rows->AddParty(label, party.address);
    rows->Add(LabelId::kGln, party.ean);
    rows->Add(LabelId::kZsr, party.zsr);
}

void AddHospitalStay(const XtraHospital& stay, Rows* rows) {
    Language lang = rows->language();
    if (stay.hospitalization_date) {
        rows->Add(LabelId::kAdmission, DateText(*stay.hospitalization_date));
    }
    if (stay.treatment_days > 0) {
        rows->Add(LabelId::kTreatmentDays, std::to_string(stay.treatment_days));
    }
    std::string admission;
    if (stay.hospitalization_type) {
        admission = HospitalizationTypeName(lang, *stay.hospitalization_type);
    }
    if (stay.hospitalization_mode) {
        if (!admission.empty()) admission += ", ";
        admission += HospitalizationModeName(lang, *stay.hospitalization_mode);
    }
    rows->Add(LabelId::kAdmissionType, admission);
    if (stay.hospitalization_class) {
        rows->Add(LabelId::kWardClass, HospitalizationClassName(lang, *stay.hospitalization_class));
    }
    rows->Add(LabelId::kSection, stay.section_major);
}

void AddTreatment(const InvoiceRequest& invoice, Rows* rows) {
    Language lang = rows->language();
    if (invoice.law) {
        const Law& law = *invoice.law;
        rows->Add(LabelId::kLaw, LawLabel(lang, law.type));
        rows->Add(LabelId::kCaseId, law.case_id);
        if (law.case_date) rows->Add(LabelId::kCaseDate, DateText(*law.case_date));
    }
    if (!invoice.treatment) return;
    const Treatment& treatment = *invoice.treatment;
    rows->Add(LabelId::kTreatmentType, TreatmentTypeName(lang, treatment.type));
    if (invoice.xtra_hospital &&
        invoice.xtra_hospital->treatment_type == TreatmentType::kStationary) {
        AddHospitalStay(*invoice.xtra_hospital, rows);
    }
    rows->Add(LabelId::kTreatment,
              DateText(treatment.date_begin) + " – " + DateText(treatment.date_end));
    rows->Add(LabelId::kReason, TreatmentReasonName(lang, treatment.reason));
    rows->Add(LabelId::kCanton, SchemaText(treatment.canton));
}

}  // namespace

std::vector<FormRow> DocumentRows(const InvoiceRequest& invoice, const std::string& sender_id) {
    Rows rows(invoice.language);
    AddDocument(invoice, &rows);
    rows.Add(LabelId::kSender, sender_id);
    if (invoice.tiers) rows.Add(LabelId::kTiers, TiersName(invoice.language, invoice.tiers->mode));
    AddPatient(invoice, &rows);
    AddInsurance(invoice, &rows);
    return rows.Take();
}

std::vector<FormRow> CaseRows(const InvoiceRequest& invoice) {
    Language lang = invoice.language;
    Rows rows(lang);
    if (invoice.request) {
        rows.Add(LabelId::kRolePlace, std::string(RoleName(lang, invoice.request->role)) + " / " +
                                          PlaceName(lang, invoice.request->place));
    }
    if (invoice.provider) AddProfessional(LabelId::kProvider, *invoice.provider, &rows);
    if (invoice.referrer) AddProfessional(LabelId::kReferrer, *invoice.referrer, &rows);
    AddTreatment(invoice, &rows);
    return rows.Take();
}

std::vector<std::string> BillerLines(const InvoiceRequest& invoice) {
    std::vector<std::string> lines;
    if (!invoice.biller) return lines;
    const Biller& biller = *invoice.biller;
    Language lang = invoice.language;
    if (biller.address) lines = PostalLines(*biller.address);
    if (!biller.ean.empty()) lines.push_back(Label(lang, LabelId::kGln) + (" " + biller.ean));
    if (!biller.zsr.empty()) lines.push_back(Label(lang, LabelId::kZsr) + (" " + biller.zsr));
    std::string uid = biller.uid_number;
    if (uid.empty()) uid = invoice.balance.vat_number;
    if (uid.empty() && invoice.tiers) uid = invoice.tiers->vat_number;
    if (!uid.empty()) lines.push_back(Label(lang, LabelId::kUid) + (" " + UidText(uid, lang)));
    return lines;
}

std::string DiagnosesText(const InvoiceRequest& invoice) {
    std::string text;
    for (const Diagnosis& diagnosis : invoice.diagnoses) {
        if (!text.empty()) text += "; ";
        text += DiagnosisCatalogueName(invoice.language, diagnosis.type);
        if (!diagnosis.code.empty()) text += " " + diagnosis.code;
        if (!diagnosis.text.empty()) text += " " + diagnosis.text;
    }
    return text;
}

OleDate DueDate(const InvoiceRequest& invoice) {
    if (!invoice.esr || invoice.esr->payment_period_days <= 0) return 0;
    OleDate requested = 0;
    if (invoice.reminder) {
        requested = invoice.reminder->reference.date;
    } else if (invoice.invoice) {
        requested = invoice.invoice->date;
    }
    if (IsNoDate(requested)) return 0;
    return static_cast<OleDate>(static_cast<int64_t>(requested) + invoice.esr->payment_period_days);
}

}  // namespace invoice
