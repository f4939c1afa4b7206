#include "module/objects/result_values.h"

#include "module/objects/address_object.h"

namespace result_values {

namespace {

// The value 0 of an enumeration: "not given" in what the result hands out.
template <typename E>
E None() {
    return static_cast<E>(0);
}

invoice::TariffPart BlankTariffPart() {
    invoice::TariffPart part;
    part.unit_factor = invoice::Decimal();
    part.scale_factor = invoice::Decimal();
    part.external_factor = invoice::Decimal();
    return part;
}

invoice::ServiceRecord MakeBlankServiceRecord() {
    invoice::ServiceRecord record;
    record.kind = None<invoice::ServiceKind>();
    record.session = 0;
    record.obligation = false;
    record.unit_factor = invoice::Decimal();
    record.external_factor = invoice::Decimal();
    record.mt = BlankTariffPart();
    record.tt = BlankTariffPart();
    record.side = None<invoice::BodySide>();
    record.treatment = None<invoice::TreatmentType>();
    record.billing_role = None<invoice::BillingRole>();
    record.medical_role = None<invoice::MedicalRole>();
    record.group_size = 0;
    return record;
}

invoice::XtraHospital MakeBlankXtraHospital() {
    invoice::XtraHospital hospital;
    hospital.treatment_type = None<invoice::TreatmentType>();
    hospital.has_expense_loading = false;
    return hospital;
}

invoice::Treatment MakeBlankTreatment() {
    invoice::Treatment treatment;
    treatment.canton = None<invoice::Canton>();
    treatment.type = None<invoice::TreatmentType>();
    treatment.reason = None<invoice::TreatmentReason>();
    return treatment;
}

}  // namespace

long CodeNumber(const std::string& text) {
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

void HandOutAddress(const std::optional<invoice::Address>& address, IAddress** out) {
    *out = address ? MakeComObject<CAddress>(*address).Detach() : nullptr;
}

const invoice::RequestSection& BlankRequest() {
    static const invoice::RequestSection blank{
        None<invoice::RoleType>(), None<invoice::PlaceType>(), "", false, false, ""};
    return blank;
}

const invoice::Transport& BlankTransport() {
    static const invoice::Transport blank;
    return blank;
}

const invoice::Software& BlankSoftware() {
    static const invoice::Software blank;
    return blank;
}

const invoice::RequestReference& BlankReference() {
    static const invoice::RequestReference blank;
    return blank;
}

const invoice::Reminder& BlankReminder() {
    static const invoice::Reminder blank{{}, None<invoice::ReminderLevel>(), "", {}};
    return blank;
}

const invoice::Tiers& BlankTiers() {
    static const invoice::Tiers blank{None<invoice::TiersMode>(), "", {}};
    return blank;
}

const invoice::Esr& BlankEsr() {
    static const invoice::Esr blank = [] {
        invoice::Esr esr;
        esr.type = None<invoice::EsrType>();
        return esr;
    }();
    return blank;
}

const invoice::Biller& BlankBiller() {
    static const invoice::Biller blank;
    return blank;
}

const invoice::Provider& BlankProvider() {
    static const invoice::Provider blank;
    return blank;
}

const invoice::Referrer& BlankReferrer() {
    static const invoice::Referrer blank;
    return blank;
}

const invoice::Insurance& BlankInsurance() {
    static const invoice::Insurance blank;
    return blank;
}

const invoice::Debitor& BlankDebitor() {
    static const invoice::Debitor blank;
    return blank;
}

const invoice::Guarantor& BlankGuarantor() {
    static const invoice::Guarantor blank;
    return blank;
}

const invoice::Employer& BlankEmployer() {
    static const invoice::Employer blank;
    return blank;
}

const invoice::Patient& BlankPatient() {
    static const invoice::Patient blank{None<invoice::SexType>(), 0.0, "", std::nullopt};
    return blank;
}

const invoice::InsuranceCard& BlankCard() {
    static const invoice::InsuranceCard blank;
    return blank;
}

const invoice::Treatment& BlankTreatment() {
    static const invoice::Treatment blank = MakeBlankTreatment();
    return blank;
}

const invoice::XtraHospital& BlankXtraHospital() {
    static const invoice::XtraHospital blank = MakeBlankXtraHospital();
    return blank;
}

const invoice::Law& BlankLaw() {
    static const invoice::Law blank = [] {
        invoice::Law law;
        law.type = None<invoice::LawType>();
        return law;
    }();
    return blank;
}

const invoice::VatRateLine& BlankVatLine() {
    static const invoice::VatRateLine blank;
    return blank;
}

const invoice::GrouperRecord& BlankGrouperRecord() {
    static const invoice::GrouperRecord blank{None<invoice::GrouperRecordType>(), "", ""};
    return blank;
}

const invoice::BfsRecord& BlankBfsRecord() {
    static const invoice::BfsRecord blank{None<invoice::BfsRecordType>(), "", ""};
    return blank;
}

const invoice::CaseDetail& BlankCaseDetail() {
    static const invoice::CaseDetail blank;
    return blank;
}

const invoice::Diagnosis& BlankDiagnosis() {
    static const invoice::Diagnosis blank{None<invoice::DiagnosisType>(), "", ""};
    return blank;
}

const invoice::TokenValue& BlankInstruction() {
    static const invoice::TokenValue blank;
    return blank;
}

const invoice::Document& BlankDocument() {
    static const invoice::Document blank;
    return blank;
}

const invoice::ServiceRecord& BlankServiceRecord() {
    static const invoice::ServiceRecord blank = MakeBlankServiceRecord();
    return blank;
}

const invoice::XtraDrug& BlankXtraDrug() {
    static const invoice::XtraDrug blank{false, "", None<invoice::Delivery>(), 0, false};
    return blank;
}

const invoice::XtraDrg& BlankXtraDrg() {
    static const invoice::XtraDrg blank{invoice::Decimal(), invoice::Decimal()};
    return blank;
}

}  // namespace result_values
