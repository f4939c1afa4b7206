#include "module/objects/result_object.h"

#include "module/objects/result_values.h"

// The reads of the case: treatment, hospital stay, law and insurance card.

using namespace result_values;

HRESULT CGeneralInvoiceResult::GetTreatment(BSTR* pbstrAPID, BSTR* pbstrACID, DATE* pdDateBegin,
                                            DATE* pdDateEnd, long* peTreatmentCanton,
                                            long* peTreatmentType, long* peTreatmentReason,
                                            DATE* pdGestationWeek13, VARIANT_BOOL* pbStatus) {
    if (!pbstrAPID || !pbstrACID || !pdDateBegin || !pdDateEnd || !peTreatmentCanton ||
        !peTreatmentType || !peTreatmentReason || !pdGestationWeek13 || !pbStatus) {
        return NullOut("GetTreatment");
    }
    const invoice::Treatment& treatment = OrBlank(invoice_->treatment, BlankTreatment());
    *pbstrAPID = treatment.apid;
    *pbstrACID = treatment.acid;
    *pdDateBegin = treatment.date_begin;
    *pdDateEnd = treatment.date_end;
    *peTreatmentCanton = Number(treatment.canton);
    *peTreatmentType = Number(treatment.type);
    *peTreatmentReason = Number(treatment.reason);
    *pdGestationWeek13 = DateOf(treatment.gestation_week13);
    *pbStatus = StatusOf(invoice_->treatment.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetXtraHospital(long* peTreatmentType, DATE* pdDateHospitalization,
                                               long* plTreatmentDays, long* peHospitalizationType,
                                               long* peHospitalizationMode,
                                               long* peHospitalizationClass,
                                               BSTR* pbstrSectionMajor, long* peHasExpenseLoading,
                                               VARIANT_BOOL* pbStatus) {
    if (!peTreatmentType || !pdDateHospitalization || !plTreatmentDays || !peHospitalizationType ||
        !peHospitalizationMode || !peHospitalizationClass || !pbstrSectionMajor ||
        !peHasExpenseLoading || !pbStatus) {
        return NullOut("GetXtraHospital");
    }
    const invoice::XtraHospital& hospital = OrBlank(invoice_->xtra_hospital, BlankXtraHospital());
    *peTreatmentType = Number(hospital.treatment_type);
    *pdDateHospitalization = DateOf(hospital.hospitalization_date);
    *plTreatmentDays = hospital.treatment_days;
    *peHospitalizationType = Number(hospital.hospitalization_type);
    *peHospitalizationMode = Number(hospital.hospitalization_mode);
    *peHospitalizationClass = Number(hospital.hospitalization_class);
    *pbstrSectionMajor = hospital.section_major;
    *peHasExpenseLoading = YesNo(hospital.has_expense_loading);
    *pbStatus = StatusOf(invoice_->xtra_hospital.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetLaw(long* peLawType, DATE* pdCaseDate, BSTR* pbstrCaseID,
                                      BSTR* pbstrInsuredID, VARIANT_BOOL* pbStatus) {
    if (!peLawType || !pdCaseDate || !pbstrCaseID || !pbstrInsuredID || !pbStatus) {
        return NullOut("GetLaw");
    }
    const invoice::Law& law = OrBlank(invoice_->law, BlankLaw());
    *peLawType = Number(law.type);
    *pdCaseDate = DateOf(law.case_date);
    *pbstrCaseID = law.case_id;
    *pbstrInsuredID = law.insured_id;
    *pbStatus = StatusOf(invoice_->law.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetCard(BSTR* pbstrCardID, DATE* pdExpiryDate,
                                       DATE* pdValidationDate, BSTR* pbstrValidationID,
                                       BSTR* pbstrValidationServer, VARIANT_BOOL* pbStatus) {
    if (!pbstrCardID || !pdExpiryDate || !pdValidationDate || !pbstrValidationID ||
        !pbstrValidationServer || !pbStatus) {
        return NullOut("GetCard");
    }
    const invoice::InsuranceCard& card = OrBlank(invoice_->card, BlankCard());
    *pbstrCardID = card.card_id;
    *pdExpiryDate = DateOf(card.expiry_date);
    *pdValidationDate = DateOf(card.validation_date);
    *pbstrValidationID = card.validation_id;
    *pbstrValidationServer = card.validation_server;
    *pbStatus = StatusOf(invoice_->card.has_value());
    return S_OK;
}
