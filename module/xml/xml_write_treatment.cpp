// The law, the treatment, the service records and the attached documents of
// the request document.

#include <fstream>
#include <iterator>

#include "module/xml/xml_common.h"
#include "module/xml/xml_writer.h"

namespace invoice_xml {
namespace write_detail {

using invoice::InvoiceRequest;
using invoice::ServiceRecord;

namespace {

const char* LawElementName(invoice::LawType type) {
    switch (type) {
        case invoice::LawType::kKVG:
            return "kvg";
        case invoice::LawType::kUVG:
            return "uvg";
        case invoice::LawType::kIVG:
            return "ivg";
        case invoice::LawType::kMVG:
            return "mvg";
        case invoice::LawType::kVVG:
            return "vvg";
        case invoice::LawType::kORG:
            return "org";
    }
    return "kvg";
}

void WriteGrouper(Element* stationary, const Context& context, const InvoiceRequest& request,
                  invoice::GrouperRecordType type, const char* name) {
    for (const invoice::GrouperRecord& record : request.grouper_records) {
        if (record.type != type) continue;
        Element* node = AddElement(stationary, context, name);
        SetAttr(node, "number", record.number);
        SetAttr(node, "name", record.name);
        return;
    }
}

void WriteBfs(Element* stationary, const Context& context, const InvoiceRequest& request,
              invoice::BfsRecordType type, const char* name) {
    for (const invoice::BfsRecord& record : request.bfs_records) {
        if (record.type != type) continue;
        Element* node = AddElement(stationary, context, name);
        SetAttr(node, "code", record.number);
        SetAttr(node, "name", record.name);
        return;
    }
}

// An optional enumerated attribute.
template <typename E>
void SetEnum(Element* node, const char* name, const std::optional<E>& value) {
    if (value) SetAttr(node, name, invoice::SchemaText(*value));
}

void SetHospitalization(Element* node, const invoice::XtraHospital& hospital) {
    SetEnum(node, "hospitalization_type", hospital.hospitalization_type);
    SetEnum(node, "hospitalization_mode", hospital.hospitalization_mode);
    SetEnum(node, "class", hospital.hospitalization_class);
    SetAttr(node, "section_major", hospital.section_major);
}

void WriteStationary(Element* xtra, const Context& context, const InvoiceRequest& request) {
    const invoice::XtraHospital& hospital = *request.xtra_hospital;
    Element* node = AddElement(xtra, context, "stationary");
    if (hospital.hospitalization_date) {
        SetDate(node, "hospitalization_date", *hospital.hospitalization_date);
    }
    SetAttr(node, "treatment_days",
            hospital.treatment_days_text.empty() ? FormatDays(hospital.treatment_days)
                                                 : hospital.treatment_days_text);
    SetHospitalization(node, hospital);
    SetBool(node, "has_expense_loading", hospital.has_expense_loading);
    using G = invoice::GrouperRecordType;
    WriteGrouper(node, context, request, G::kAdmissionType, "admission_type");
    WriteGrouper(node, context, request, G::kDischargeType, "discharge_type");
    WriteGrouper(node, context, request, G::kProviderType, "provider_type");
    using B = invoice::BfsRecordType;
    WriteBfs(node, context, request, B::kResidenceBeforeAdmission,
             "bfs_residence_before_admission");
    WriteBfs(node, context, request, B::kAdmissionType, "bfs_admission_type");
    WriteBfs(node, context, request, B::kDecisionForDischarge, "bfs_decision_for_discharge");
    WriteBfs(node, context, request, B::kResidenceAfterDischarge, "bfs_residence_after_discharge");
    for (const invoice::CaseDetail& detail : request.case_details) {
        Element* element = AddElement(node, context, "case_detail");
        SetAttr(element, "record_id", std::to_string(detail.record_id));
        SetAttr(element, "tariff_type", detail.tariff_type);
        SetAttr(element, "code", detail.code);
        SetDate(element, "date_begin", detail.date_begin);
        SetDate(element, "date_end", detail.date_end);
        SetAttr(element, "acid", detail.acid);
    }
}

// The attributes both record kinds share, in the schema's order up to the
// dates and parties.
void SetRecordHead(Element* node, const ServiceRecord& record) {
    SetAttr(node, "record_id", std::to_string(record.record_id));
    SetAttr(node, "tariff_type", record.tariff_type);
    SetAttr(node, "code", record.code);
    SetAttr(node, "ref_code", record.ref_code);
    SetAttr(node, "name", record.name);
    SetAttr(node, "session", std::to_string(record.session));
    SetAttr(node, "quantity", FormatNumber(record.quantity));
    SetDate(node, "date_begin", record.date_begin);
    if (record.date_end) SetDate(node, "date_end", *record.date_end);
    SetAttr(node, "provider_id", record.provider_ean);
    SetAttr(node, "responsible_id", record.responsible_ean);
}

void SetRecordTail(Element* node, const ServiceRecord& record) {
    SetAttr(node, "amount", FormatAmount(record.amount));
    SetAttr(node, "vat_rate", FormatNumber(record.vat_rate));
    SetBool(node, "obligation", record.obligation);
    SetAttr(node, "section_code", record.section_code);
    SetAttr(node, "remark", record.remark);
    SetAttr(node, "service_attributes", std::to_string(record.service_attributes));
}

void SetTariffPart(Element* node, const invoice::TariffPart& part, const char* suffix) {
    std::string tail = suffix;
    SetAttr(node, ("unit" + tail).c_str(), FormatNumber(part.unit));
    SetAttr(node, ("unit_factor" + tail).c_str(), FormatNumber(part.unit_factor));
    SetAttr(node, ("scale_factor" + tail).c_str(), FormatNumber(part.scale_factor));
    SetAttr(node, ("external_factor" + tail).c_str(), FormatNumber(part.external_factor));
    SetAttr(node, ("amount" + tail).c_str(), FormatAmount(part.amount));
}

void WriteServiceEx(Element* services, const Context& context, const ServiceRecord& record) {
    Element* node = AddElement(services, context, "service_ex");
    SetRecordHead(node, record);
    SetAttr(node, "billing_role", invoice::SchemaText(record.billing_role));
    SetAttr(node, "medical_role", invoice::SchemaText(record.medical_role));
    SetAttr(node, "body_location", invoice::SchemaText(record.side));
    SetAttr(node, "treatment", invoice::SchemaText(record.treatment));
    SetTariffPart(node, record.mt, "_mt");
    SetTariffPart(node, record.tt, "_tt");
    SetRecordTail(node, record);
    if (record.group_size != 1 || record.has_xtra_service_ex) {
        Element* xtra = AddElement(node, context, "xtra_service_ex");
        SetAttr(xtra, "group_size", std::to_string(record.group_size));
    }
}

void WriteService(Element* services, const Context& context, const ServiceRecord& record) {
    Element* node = AddElement(services, context, "service");
    SetRecordHead(node, record);
    SetAttr(node, "unit", FormatNumber(record.unit));
    SetAttr(node, "unit_factor", FormatNumber(record.unit_factor));
    SetAttr(node, "external_factor", FormatNumber(record.external_factor));
    SetRecordTail(node, record);
    if (record.xtra_drg) {
        Element* xtra = AddElement(node, context, "xtra_drg");
        SetAttr(xtra, "cost_fraction", FormatNumber(record.xtra_drg->split_factor1));
    } else if (record.xtra_drug) {
        const invoice::XtraDrug& drug = *record.xtra_drug;
        Element* xtra = AddElement(node, context, "xtra_drug");
        if (drug.indicated) SetBool(xtra, "indicated", *drug.indicated);
        SetAttr(xtra, "iocm_category", drug.iocm_category);
        SetAttr(xtra, "delivery", invoice::SchemaText(drug.delivery));
        SetAttr(xtra, "regulation_attributes", std::to_string(drug.regulation_attributes));
        if (drug.limitation) SetBool(xtra, "limitation", *drug.limitation);
    }
}

// The file's content as Base64; false when it cannot be read.
bool FileAsBase64(const std::string& path, std::string* base64) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    *base64 = EncodeBase64(bytes);
    return true;
}

}  // namespace

void WriteLaw(Element* body, const Context& context, const InvoiceRequest& request) {
    if (!request.law) return;
    const invoice::Law& law = *request.law;
    Element* node = AddElement(body, context, LawElementName(law.type));
    bool ivg = law.type == invoice::LawType::kIVG;
    if (!ivg) SetAttr(node, "insured_id", law.insured_id);
    SetAttr(node, "case_id", law.case_id);
    if (law.case_date) SetDate(node, "case_date", *law.case_date);
    // ivg and mvg require the social security number: the patient's when
    // the law names none. The uvg one is optional and written as held
    // (Finalize fills it from the patient). A biller's NIF is known only
    // through SetBiller (the format's biller has none).
    bool required_ssn = ivg || law.type == invoice::LawType::kMVG;
    if (required_ssn || law.type == invoice::LawType::kUVG) {
        std::string ssn = law.ssn;
        if (ssn.empty() && required_ssn && request.patient) ssn = request.patient->ssn;
        SetAttr(node, "ssn", ssn);
    }
    if (ivg) {
        std::string nif = law.nif;
        if (nif.empty() && request.biller) nif = request.biller->nif;
        SetAttr(node, "nif", nif);
    }
}

void WriteTreatment(Element* body, const Context& context, const InvoiceRequest& request) {
    if (!request.treatment) return;
    const invoice::Treatment& treatment = *request.treatment;
    Element* node = AddElement(body, context, "treatment");
    SetDate(node, "date_begin", treatment.date_begin);
    SetDate(node, "date_end", treatment.date_end);
    if (treatment.gestation_week13) SetDate(node, "gestation_week13", *treatment.gestation_week13);
    SetAttr(node, "canton", invoice::SchemaText(treatment.canton));
    SetAttr(node, "treatment", invoice::SchemaText(treatment.type));
    SetAttr(node, "reason", invoice::SchemaText(treatment.reason));
    SetAttr(node, "apid", treatment.apid);
    SetAttr(node, "acid", treatment.acid);
    for (const invoice::Diagnosis& diagnosis : request.diagnoses) {
        Element* element = AddTextElement(node, context, "diagnosis", diagnosis.text);
        SetAttr(element, "type", invoice::SchemaText(diagnosis.type));
        SetAttr(element, "code", diagnosis.code);
    }
    if (!request.xtra_hospital) return;
    Element* xtra = AddElement(node, context, "xtra_hospital");
    if (request.xtra_hospital->treatment_type == invoice::TreatmentType::kStationary) {
        WriteStationary(xtra, context, request);
    } else {
        SetHospitalization(AddElement(xtra, context, "ambulatory"), *request.xtra_hospital);
    }
}

void WriteServices(Element* body, const Context& context, const InvoiceRequest& request) {
    Element* node = AddElement(body, context, "services");
    for (const ServiceRecord& record : request.services) {
        if (record.kind == invoice::ServiceKind::kServiceEx) {
            WriteServiceEx(node, context, record);
        } else {
            WriteService(node, context, record);
        }
    }
}

void WriteDocuments(Element* body, Context* context, const InvoiceRequest& request) {
    if (request.documents.empty()) return;
    Element* node = AddElement(body, *context, "documents");
    SetAttr(node, "number",
            std::to_string(request.filed_document_count.value_or(request.documents.size())));
    for (const invoice::Document& document : request.documents) {
        Element* element = AddElement(node, *context, "document");
        SetAttr(element, "title", document.title);
        SetAttr(element, "filename", document.filename);
        SetAttr(element, "mimeType", document.mime_type);
        if (document.is_url) {
            AddTextElement(element, *context, "url", document.source);
            continue;
        }
        std::string base64 = document.content_base64;
        if (base64.empty() && !FileAsBase64(document.source, &base64)) {
            context->error = "the document file " + document.source + " cannot be read";
            return;
        }
        AddTextElement(element, *context, "base64", base64);
    }
}

}  // namespace write_detail
}  // namespace invoice_xml
