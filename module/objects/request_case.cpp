// The case of the invoice: SetTreatment, SetXtraHospital, SetLaw, and the
// records that go with them (grouper and BfS records, case details,
// diagnoses), the processing instructions and the attached documents.

#include <mutex>
#include <utility>

#include "module/checks/check_dates.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/value_checks.h"
#include "module/objects/request_arguments.h"
#include "module/objects/request_object.h"

using checks::CheckOptionalText;
using checks::CheckText;

namespace {

constexpr long kMaxTreatmentDays = 99999;

// The file name of a document: the part after the last '/' or '\' of a path
// or URL (without a query); the title when that part is empty.
std::string DocumentFileName(const std::string& source, bool is_url, const std::string& title) {
    std::string path = source;
    if (is_url) path = path.substr(0, path.find_first_of("?#"));
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) name = title;
    return name;
}

}  // namespace

HRESULT CGeneralInvoiceRequest::SetTreatment(const BSTR& bstrAPID, const BSTR& bstrACID,
                                             DATE dDateBegin, DATE dDateEnd, long eTreatmentCanton,
                                             long eTreatmentType, long eTreatmentReason,
                                             DATE dGestationWeek13, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetTreatment: pbStatus is null");
    ArgumentCheck check("SetTreatment");
    invoice::Treatment treatment;
    check.Field("bstrAPID", CheckOptionalText(bstrAPID, 35));
    check.Field("bstrACID", CheckOptionalText(bstrACID, 35));
    check.Field("dDateBegin", checks::CheckDate(dDateBegin));
    check.Field("dDateEnd", checks::CheckDate(dDateEnd));
    check.Field("dDateEnd", checks::CheckDateOrder(dDateBegin, dDateEnd));
    check.Enum("eTreatmentCanton", eTreatmentCanton, &treatment.canton);
    check.Enum("eTreatmentType", eTreatmentType, &treatment.type);
    check.Enum("eTreatmentReason", eTreatmentReason, &treatment.reason);
    check.Field("dGestationWeek13", checks::CheckOptionalDate(dGestationWeek13));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    treatment.apid = bstrAPID;
    treatment.acid = bstrACID;
    treatment.date_begin = dDateBegin;
    treatment.date_end = dDateEnd;
    treatment.gestation_week13 = invoice::OptionalDate(dGestationWeek13);

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.treatment = std::move(treatment);
    Changed();
    return Done(pbStatus);
}

// A stationary stay needs its admission date (the format requires it).
HRESULT CGeneralInvoiceRequest::SetXtraHospital(long eTreatmentType, DATE dDateHospitalization,
                                                long lTreatmentDays, long eHospitalizationType,
                                                long eHospitalizationMode,
                                                long eHospitalizationClass,
                                                const BSTR& bstrSectionMajor,
                                                long eHasExpenseLoading, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetXtraHospital: pbStatus is null");
    ArgumentCheck check("SetXtraHospital");
    invoice::XtraHospital hospital;
    check.Enum("eTreatmentType", eTreatmentType, &hospital.treatment_type);
    if (check.ok() && hospital.treatment_type == invoice::TreatmentType::kStationary) {
        check.Field("dDateHospitalization", checks::CheckDate(dDateHospitalization));
    } else {
        check.Field("dDateHospitalization", checks::CheckOptionalDate(dDateHospitalization));
    }
    check.Whole("lTreatmentDays", lTreatmentDays, 0, kMaxTreatmentDays);
    invoice::HospitalizationType type = invoice::HospitalizationType::kRegular;
    invoice::HospitalizationMode mode = invoice::HospitalizationMode::kCantonal;
    invoice::HospitalizationClass ward = invoice::HospitalizationClass::kGeneral;
    check.Enum("eHospitalizationType", eHospitalizationType, &type);
    check.Enum("eHospitalizationMode", eHospitalizationMode, &mode);
    check.Enum("eHospitalizationClass", eHospitalizationClass, &ward);
    check.Field("bstrSectionMajor", CheckOptionalText(bstrSectionMajor, 6));
    check.YesNo("eHasExpenseLoading", eHasExpenseLoading, &hospital.has_expense_loading);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    hospital.hospitalization_type = type;
    hospital.hospitalization_mode = mode;
    hospital.hospitalization_class = ward;
    hospital.hospitalization_date = invoice::OptionalDate(dDateHospitalization);
    hospital.treatment_days = static_cast<int32_t>(lTreatmentDays);
    hospital.section_major = bstrSectionMajor;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.xtra_hospital = std::move(hospital);
    Changed();
    return Done(pbStatus);
}

// IV (ivg) cases need a case id of 6, 9, 10 or 14 digits.
HRESULT CGeneralInvoiceRequest::SetLaw(long eLawType, DATE dCaseDate, const BSTR& bstrCaseID,
                                       const BSTR& bstrInsuredID, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetLaw: pbStatus is null");
    ArgumentCheck check("SetLaw");
    invoice::Law law;
    check.Enum("eLawType", eLawType, &law.type);
    check.Field("dCaseDate", checks::CheckOptionalDate(dCaseDate));
    if (check.ok() && law.type == invoice::LawType::kIVG) {
        check.Field("bstrCaseID", checks::CheckIvgCaseId(bstrCaseID));
    } else {
        check.Field("bstrCaseID", CheckOptionalText(bstrCaseID, 35));
    }
    check.Field("bstrInsuredID", CheckOptionalText(bstrInsuredID, 35));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    law.case_date = invoice::OptionalDate(dCaseDate);
    law.case_id = bstrCaseID;
    law.insured_id = bstrInsuredID;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.law = std::move(law);
    Changed();
    return Done(pbStatus);
}

// Grouper and BfS numbers are the format's codes of one to three digits.
HRESULT CGeneralInvoiceRequest::AddGrouperRecord(long eGrouperRecordType, long lNumber,
                                                 const BSTR& bstrName, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "AddGrouperRecord: pbStatus is null");
    ArgumentCheck check("AddGrouperRecord");
    invoice::GrouperRecord record;
    check.Enum("eGrouperRecordType", eGrouperRecordType, &record.type);
    check.Whole("lNumber", lNumber, 0, 999);
    check.Field("bstrName", CheckText(bstrName, 1, 64));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    record.number = std::to_string(lNumber);
    record.name = bstrName;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.grouper_records.push_back(std::move(record));
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::AddBfSRecord(long eBfSRecordType, long lNumber,
                                             const BSTR& bstrName, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "AddBfSRecord: pbStatus is null");
    ArgumentCheck check("AddBfSRecord");
    invoice::BfsRecord record;
    check.Enum("eBfSRecordType", eBfSRecordType, &record.type);
    check.Whole("lNumber", lNumber, 0, 999);
    check.Field("bstrName", CheckText(bstrName, 1, 64));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    record.number = std::to_string(lNumber);
    record.name = bstrName;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.bfs_records.push_back(std::move(record));
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::AddCaseDetail(const BSTR& bstrTariffType, const BSTR& bstrCode,
                                              DATE dDateBegin, DATE dDateEnd, const BSTR& bstrACID,
                                              VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "AddCaseDetail: pbStatus is null");
    ArgumentCheck check("AddCaseDetail");
    check.Field("bstrTariffType", request_rules::Optional(bstrTariffType, checks::CheckTariffType));
    check.Field("bstrCode", CheckOptionalText(bstrCode, 30));
    check.Field("dDateBegin", checks::CheckDate(dDateBegin));
    check.Field("dDateEnd", checks::CheckDate(dDateEnd));
    check.Field("dDateEnd", checks::CheckDateOrder(dDateBegin, dDateEnd));
    check.Field("bstrACID", CheckText(bstrACID, 1, 35));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    invoice::CaseDetail detail;
    detail.tariff_type = bstrTariffType;
    detail.code = bstrCode;
    detail.date_begin = dDateBegin;
    detail.date_end = dDateEnd;
    detail.acid = bstrACID;

    std::lock_guard<std::mutex> guard(mutex_);
    detail.record_id = static_cast<int32_t>(invoice_.case_details.size()) + 1;
    invoice_.case_details.push_back(std::move(detail));
    Changed();
    return Done(pbStatus);
}

// A free-text diagnosis needs its text; every other kind needs its code.
HRESULT CGeneralInvoiceRequest::AddDiagnosis(long eDiagnosisType, const BSTR& bstrCode,
                                             const BSTR& bstrText, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "AddDiagnosis: pbStatus is null");
    ArgumentCheck check("AddDiagnosis");
    invoice::Diagnosis diagnosis;
    check.Enum("eDiagnosisType", eDiagnosisType, &diagnosis.type);
    const bool free_text = diagnosis.type == invoice::DiagnosisType::kFreetext;
    check.Field("bstrCode",
                free_text ? CheckOptionalText(bstrCode, 12) : CheckText(bstrCode, 1, 12));
    check.Field("bstrText",
                free_text ? CheckText(bstrText, 1, 350) : CheckOptionalText(bstrText, 350));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    diagnosis.code = bstrCode;
    diagnosis.text = bstrText;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.diagnoses.push_back(std::move(diagnosis));
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::AddInstruction(const BSTR& bstrToken, const BSTR& bstrValue,
                                               VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "AddInstruction: pbStatus is null");
    ArgumentCheck check("AddInstruction");
    check.Field("bstrToken", CheckText(bstrToken, 1, 255));
    check.Field("bstrValue", CheckText(bstrValue, 1, 255));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.processing.instructions.push_back({bstrToken, bstrValue});
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::AddDocument(long eIsURL, const BSTR& bstrSource,
                                            const BSTR& bstrTitle, const BSTR& bstrMimeType,
                                            VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "AddDocument: pbStatus is null");
    ArgumentCheck check("AddDocument");
    invoice::Document document;
    check.YesNo("eIsURL", eIsURL, &document.is_url);
    if (check.ok() && document.is_url) {
        check.Field("bstrSource", checks::CheckUrl(bstrSource));
    } else if (check.ok()) {
        check.Field("bstrSource", request_rules::ReadableFile(bstrSource));
    }
    check.Field("bstrTitle", CheckText(bstrTitle, 1, 35));
    check.Field("bstrMimeType", checks::CheckMimeType(bstrMimeType));
    document.filename = DocumentFileName(bstrSource, document.is_url, bstrTitle);
    check.Field("bstrSource", CheckText(document.filename, 1, 255));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    document.source = bstrSource;
    document.title = bstrTitle;
    document.mime_type = bstrMimeType;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.documents.push_back(std::move(document));
    invoice_.filed_document_count.reset();
    Changed();
    return Done(pbStatus);
}
