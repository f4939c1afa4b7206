// The law, the treatment, the service records and the attached documents of
// a loaded request.

#include <libxml/tree.h>

#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"

namespace invoice_xml {
namespace read_detail {

using invoice::Decimal;
using invoice::InvoiceRequest;
using invoice::ServiceRecord;

namespace {

constexpr int64_t kInt32Max = 2147483647;

void ReadStationary(const xmlNode* node, InvoiceRequest* request) {
    invoice::XtraHospital& hospital = *request->xtra_hospital;
    hospital.hospitalization_date = DateAttr(node, "hospitalization_date");
    hospital.treatment_days_text = DurationAttr(node, "treatment_days", &hospital.treatment_days);
    hospital.has_expense_loading = BoolAttr(node, "has_expense_loading", true);
    using G = invoice::GrouperRecordType;
    using B = invoice::BfsRecordType;
    for (const xmlNode* child = FirstElement(node); child; child = NextElement(child)) {
        std::string name = NameOf(child);
        if (name == "admission_type" || name == "discharge_type" || name == "provider_type") {
            G type = name == "admission_type"   ? G::kAdmissionType
                     : name == "discharge_type" ? G::kDischargeType
                                                : G::kProviderType;
            request->grouper_records.push_back({type, Attr(child, "number"), Attr(child, "name")});
        } else if (name.rfind("bfs_", 0) == 0) {
            B type = name == "bfs_residence_before_admission" ? B::kResidenceBeforeAdmission
                     : name == "bfs_admission_type"           ? B::kAdmissionType
                     : name == "bfs_decision_for_discharge"   ? B::kDecisionForDischarge
                                                              : B::kResidenceAfterDischarge;
            request->bfs_records.push_back({type, Attr(child, "code"), Attr(child, "name")});
        } else if (name == "case_detail") {
            invoice::CaseDetail detail;
            detail.record_id =
                static_cast<int32_t>(IntegerAttr(child, "record_id", 1, kInt32Max, 1));
            detail.tariff_type = Attr(child, "tariff_type");
            detail.code = Attr(child, "code");
            detail.date_begin = DateAttr(child, "date_begin");
            detail.date_end = DateAttr(child, "date_end");
            detail.acid = Attr(child, "acid");
            request->case_details.push_back(detail);
        }
    }
}

void ReadXtraHospital(const xmlNode* xtra, InvoiceRequest* request) {
    invoice::XtraHospital& hospital = request->xtra_hospital.emplace();
    const xmlNode* node = FirstElement(xtra);
    hospital.treatment_type = NameOf(node) == "stationary" ? invoice::TreatmentType::kStationary
                                                           : invoice::TreatmentType::kAmbulatory;
    hospital.hospitalization_type =
        OptionalEnumAttr<invoice::HospitalizationType>(node, "hospitalization_type");
    hospital.hospitalization_mode =
        OptionalEnumAttr<invoice::HospitalizationMode>(node, "hospitalization_mode");
    hospital.hospitalization_class = OptionalEnumAttr<invoice::HospitalizationClass>(node, "class");
    hospital.section_major = Attr(node, "section_major");
    if (hospital.treatment_type == invoice::TreatmentType::kStationary) {
        // The format's defaults of a stationary stay.
        if (!hospital.hospitalization_type) {
            hospital.hospitalization_type = invoice::HospitalizationType::kRegular;
        }
        if (!hospital.hospitalization_mode) {
            hospital.hospitalization_mode = invoice::HospitalizationMode::kCantonal;
        }
        if (!hospital.hospitalization_class) {
            hospital.hospitalization_class = invoice::HospitalizationClass::kGeneral;
        }
        ReadStationary(node, request);
    }
}

// The attributes both record kinds share.
void ReadRecordCommon(const xmlNode* node, ServiceRecord* record) {
    record->record_id = static_cast<int32_t>(IntegerAttr(node, "record_id", 1, kInt32Max, 1));
    record->tariff_type = Attr(node, "tariff_type");
    record->code = Attr(node, "code");
    record->ref_code = Attr(node, "ref_code");
    record->name = Attr(node, "name");
    record->session = static_cast<int32_t>(IntegerAttr(node, "session", 1, kInt32Max, 1));
    record->quantity = NumberAttr(node, "quantity", Decimal());
    record->date_begin = DateAttr(node, "date_begin");
    record->date_end = OptionalDateAttr(node, "date_end");
    record->provider_ean = Attr(node, "provider_id");
    record->responsible_ean = Attr(node, "responsible_id");
    record->amount = NumberAttr(node, "amount", Decimal());
    record->vat_rate = NumberAttr(node, "vat_rate", Decimal());
    record->obligation = BoolAttr(node, "obligation", true);
    record->section_code = Attr(node, "section_code");
    record->remark = Attr(node, "remark");
    record->service_attributes =
        static_cast<uint32_t>(IntegerAttr(node, "service_attributes", 0, UINT32_MAX, 0));
}

invoice::TariffPart ReadTariffPart(const xmlNode* node, const std::string& suffix) {
    invoice::TariffPart part;
    part.unit = NumberAttr(node, ("unit" + suffix).c_str(), Decimal());
    part.unit_factor = NumberAttr(node, ("unit_factor" + suffix).c_str(), part.unit_factor);
    part.scale_factor = NumberAttr(node, ("scale_factor" + suffix).c_str(), part.scale_factor);
    part.external_factor =
        NumberAttr(node, ("external_factor" + suffix).c_str(), part.external_factor);
    part.amount = NumberAttr(node, ("amount" + suffix).c_str(), Decimal());
    return part;
}

ServiceRecord ReadServiceEx(const xmlNode* node) {
    ServiceRecord record;
    record.kind = invoice::ServiceKind::kServiceEx;
    ReadRecordCommon(node, &record);
    record.billing_role = EnumAttr(node, "billing_role", invoice::BillingRole::kBoth);
    record.medical_role = EnumAttr(node, "medical_role", invoice::MedicalRole::kSelfEmployed);
    record.side = EnumAttr(node, "body_location", invoice::BodySide::kNone);
    record.treatment = EnumAttr(node, "treatment", invoice::TreatmentType::kAmbulatory);
    record.mt = ReadTariffPart(node, "_mt");
    record.tt = ReadTariffPart(node, "_tt");
    if (const xmlNode* xtra = Child(node, "xtra_service_ex")) {
        record.has_xtra_service_ex = true;
        record.group_size =
            static_cast<uint32_t>(IntegerAttr(xtra, "group_size", 0, UINT32_MAX, 1));
    }
    return record;
}

ServiceRecord ReadService(const xmlNode* node) {
    ServiceRecord record;
    record.kind = invoice::ServiceKind::kService;
    ReadRecordCommon(node, &record);
    record.unit = NumberAttr(node, "unit", Decimal());
    record.unit_factor = NumberAttr(node, "unit_factor", record.unit_factor);
    record.external_factor = NumberAttr(node, "external_factor", record.external_factor);
    if (const xmlNode* drg = Child(node, "xtra_drg")) {
        record.xtra_drg.emplace().split_factor1 =
            NumberAttr(drg, "cost_fraction", Decimal::FromInt(1));
    }
    if (const xmlNode* drug = Child(node, "xtra_drug")) {
        invoice::XtraDrug& xtra = record.xtra_drug.emplace();
        xtra.indicated = OptionalBoolAttr(drug, "indicated");
        xtra.iocm_category = Attr(drug, "iocm_category");
        xtra.delivery = EnumAttr(drug, "delivery", invoice::Delivery::kFirst);
        xtra.regulation_attributes =
            static_cast<uint32_t>(IntegerAttr(drug, "regulation_attributes", 0, UINT32_MAX, 0));
        xtra.limitation = OptionalBoolAttr(drug, "limitation");
    }
    return record;
}

// Base64 text without the white space a writer may have put in.
std::string WithoutBlanks(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') result += c;
    }
    return result;
}

}  // namespace

void ReadLaw(const xmlNode* node, InvoiceRequest* request) {
    invoice::Law& law = request->law.emplace();
    std::string name = NameOf(node);
    using L = invoice::LawType;
    law.type = name == "kvg"   ? L::kKVG
               : name == "uvg" ? L::kUVG
               : name == "ivg" ? L::kIVG
               : name == "mvg" ? L::kMVG
               : name == "vvg" ? L::kVVG
                               : L::kORG;
    law.insured_id = Attr(node, "insured_id");
    law.case_id = Attr(node, "case_id");
    law.case_date = OptionalDateAttr(node, "case_date");
    law.ssn = Attr(node, "ssn");
    law.nif = Attr(node, "nif");
}

void ReadTreatment(const xmlNode* node, InvoiceRequest* request) {
    invoice::Treatment& treatment = request->treatment.emplace();
    treatment.date_begin = DateAttr(node, "date_begin");
    treatment.date_end = DateAttr(node, "date_end");
    treatment.gestation_week13 = OptionalDateAttr(node, "gestation_week13");
    treatment.canton = EnumAttr(node, "canton", invoice::Canton::kAG);
    treatment.type = EnumAttr(node, "treatment", invoice::TreatmentType::kAmbulatory);
    treatment.reason = EnumAttr(node, "reason", invoice::TreatmentReason::kDisease);
    treatment.apid = Attr(node, "apid");
    treatment.acid = Attr(node, "acid");
    for (const xmlNode* child = FirstElement(node); child; child = NextElement(child)) {
        if (NameOf(child) == "diagnosis") {
            invoice::Diagnosis diagnosis;
            diagnosis.type = EnumAttr(child, "type", invoice::DiagnosisType::kByContract);
            diagnosis.code = Attr(child, "code");
            diagnosis.text = Text(child);
            request->diagnoses.push_back(diagnosis);
        } else if (NameOf(child) == "xtra_hospital") {
            ReadXtraHospital(child, request);
        }
    }
}

void ReadServices(const xmlNode* node, InvoiceRequest* request) {
    size_t count = 0;
    for (const xmlNode* child = FirstElement(node); child; child = NextElement(child)) ++count;
    request->services.reserve(request->services.size() + count);
    for (const xmlNode* child = FirstElement(node); child; child = NextElement(child)) {
        request->services.push_back(NameOf(child) == "service_ex" ? ReadServiceEx(child)
                                                                  : ReadService(child));
    }
}

void ReadDocuments(const xmlNode* node, InvoiceRequest* request) {
    request->filed_document_count =
        static_cast<uint64_t>(IntegerAttr(node, "number", 0, INT64_MAX, 0));
    for (const xmlNode* child = FirstElement(node); child; child = NextElement(child)) {
        invoice::Document document;
        document.title = Attr(child, "title");
        document.filename = Attr(child, "filename");
        document.mime_type = Attr(child, "mimeType");
        if (const xmlNode* url = Child(child, "url")) {
            document.is_url = true;
            document.source = std::string(Trim(Text(url)));
        } else if (const xmlNode* base64 = Child(child, "base64")) {
            document.content_base64 = WithoutBlanks(Text(base64));
        }
        request->documents.push_back(document);
    }
}

}  // namespace read_detail
}  // namespace invoice_xml
