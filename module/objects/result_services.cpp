#include "module/objects/result_object.h"

#include <string>

#include "module/objects/result_values.h"

// The service reads: the first/next walks over the records of AddService and
// of AddServiceEx, and the drug and DRG details of one record.

using namespace result_values;

struct CGeneralInvoiceResult::ServiceOut {
    BSTR* tariff_type;
    BSTR* code;
    BSTR* reference_code;
    double* quantity;
    long* session_number;
    DATE* date_begin;
    DATE* date_end;
    BSTR* provider_ean;
    BSTR* responsible_ean;
    BSTR* text;
    double* unit;
    double* unit_factor;
    double* external_factor;
    double* amount;
    double* vat_rate;
    long* is_obligatory;
    BSTR* remark;
    BSTR* section_code;
    long* ignore_validate;
    long* service_attributes;
    long* id;
    VARIANT_BOOL* status;

    bool HasNull() const {
        return !tariff_type || !code || !reference_code || !quantity || !session_number ||
               !date_begin || !date_end || !provider_ean || !responsible_ean || !text || !unit ||
               !unit_factor || !external_factor || !amount || !vat_rate || !is_obligatory ||
               !remark || !section_code || !ignore_validate || !service_attributes || !id ||
               !status;
    }

    void Write(const invoice::ServiceRecord& record) const {
        *tariff_type = record.tariff_type;
        *code = record.code;
        *reference_code = record.ref_code;
        *quantity = Amount(record.quantity);
        *session_number = record.session;
        *date_begin = record.date_begin;
        *date_end = DateOf(record.date_end);
        *provider_ean = record.provider_ean;
        *responsible_ean = record.responsible_ean;
        *text = record.name;
        *unit = Amount(record.unit);
        *unit_factor = Amount(record.unit_factor);
        *external_factor = Amount(record.external_factor);
        *amount = Amount(record.amount);
        *vat_rate = Amount(record.vat_rate);
        *is_obligatory = YesNo(record.obligation);
        *remark = record.remark;
        *section_code = record.section_code;
        *ignore_validate = YesNo(record.ignore_validate);
        *service_attributes = static_cast<long>(record.service_attributes);
        *id = record.record_id;
    }
};

struct CGeneralInvoiceResult::ServiceExOut {
    BSTR* tariff_type;
    BSTR* code;
    BSTR* reference_code;
    double* quantity;
    long* session_number;
    DATE* date_begin;
    DATE* date_end;
    long* side;
    BSTR* text;
    double* unit_mt;
    double* unit_factor_mt;
    double* scale_factor_mt;
    double* amount_mt;
    double* unit_tt;
    double* unit_factor_tt;
    double* scale_factor_tt;
    double* amount_tt;
    double* amount;
    double* vat_rate;
    long* is_obligatory;
    BSTR* remark;
    long* group_size;
    BSTR* section_code;
    long* ignore_validate;
    long* service_attributes;
    long* treatment_type;
    double* external_factor_mt;
    double* external_factor_tt;
    BSTR* provider_ean;
    BSTR* responsible_ean;
    long* billing_role;
    long* medical_role;
    long* id;
    VARIANT_BOOL* status;

    bool HasNull() const {
        return !tariff_type || !code || !reference_code || !quantity || !session_number ||
               !date_begin || !date_end || !side || !text || !unit_mt || !unit_factor_mt ||
               !scale_factor_mt || !amount_mt || !unit_tt || !unit_factor_tt || !scale_factor_tt ||
               !amount_tt || !amount || !vat_rate || !is_obligatory || !remark || !group_size ||
               !section_code || !ignore_validate || !service_attributes || !treatment_type ||
               !external_factor_mt || !external_factor_tt || !provider_ean || !responsible_ean ||
               !billing_role || !medical_role || !id || !status;
    }

    void Write(const invoice::ServiceRecord& record) const {
        *tariff_type = record.tariff_type;
        *code = record.code;
        *reference_code = record.ref_code;
        *quantity = Amount(record.quantity);
        *session_number = record.session;
        *date_begin = record.date_begin;
        *date_end = DateOf(record.date_end);
        *side = Number(record.side);
        *text = record.name;
        WriteParts(record);
        *amount = Amount(record.amount);
        *vat_rate = Amount(record.vat_rate);
        *is_obligatory = YesNo(record.obligation);
        *remark = record.remark;
        *group_size = static_cast<long>(record.group_size);
        *section_code = record.section_code;
        *ignore_validate = YesNo(record.ignore_validate);
        *service_attributes = static_cast<long>(record.service_attributes);
        *treatment_type = Number(record.treatment);
        *provider_ean = record.provider_ean;
        *responsible_ean = record.responsible_ean;
        *billing_role = Number(record.billing_role);
        *medical_role = Number(record.medical_role);
        *id = record.record_id;
    }

    // The medical and the technical part.
    void WriteParts(const invoice::ServiceRecord& record) const {
        *unit_mt = Amount(record.mt.unit);
        *unit_factor_mt = Amount(record.mt.unit_factor);
        *scale_factor_mt = Amount(record.mt.scale_factor);
        *amount_mt = Amount(record.mt.amount);
        *external_factor_mt = Amount(record.mt.external_factor);
        *unit_tt = Amount(record.tt.unit);
        *unit_factor_tt = Amount(record.tt.unit_factor);
        *scale_factor_tt = Amount(record.tt.scale_factor);
        *amount_tt = Amount(record.tt.amount);
        *external_factor_tt = Amount(record.tt.external_factor);
    }
};

HRESULT CGeneralInvoiceResult::ReadService(bool first, const ServiceOut& out) {
    if (out.HasNull()) return NullOut(first ? "GetFirstService" : "GetNextService");
    return Read(Walk::kService, first, services_, &BlankServiceRecord(), out.status,
                [&](const invoice::ServiceRecord* record) { out.Write(*record); });
}

HRESULT CGeneralInvoiceResult::ReadServiceEx(bool first, const ServiceExOut& out) {
    if (out.HasNull()) return NullOut(first ? "GetFirstServiceEx" : "GetNextServiceEx");
    return Read(Walk::kServiceEx, first, services_ex_, &BlankServiceRecord(), out.status,
                [&](const invoice::ServiceRecord* record) { out.Write(*record); });
}

HRESULT CGeneralInvoiceResult::GetFirstService(
    BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode, double* pdQuantity,
    long* plSessionNumber, DATE* pdDateBegin, DATE* pdDateEnd, BSTR* pbstrProviderEAN,
    BSTR* pbstrResponsibleEAN, BSTR* pbstrText, double* pdUnit, double* pdUnitFactor,
    double* pdExternalFactor, double* pdAmount, double* pdVatRate, long* peIsObligatory,
    BSTR* pbstrRemark, BSTR* pbstrSectionCode, long* peIgnoreValidate, long* plServiceAttributes,
    long* plID, VARIANT_BOOL* pbStatus) {
    return ReadService(true, {pbstrTariffType,
                              pbstrCode,
                              pbstrReferenceCode,
                              pdQuantity,
                              plSessionNumber,
                              pdDateBegin,
                              pdDateEnd,
                              pbstrProviderEAN,
                              pbstrResponsibleEAN,
                              pbstrText,
                              pdUnit,
                              pdUnitFactor,
                              pdExternalFactor,
                              pdAmount,
                              pdVatRate,
                              peIsObligatory,
                              pbstrRemark,
                              pbstrSectionCode,
                              peIgnoreValidate,
                              plServiceAttributes,
                              plID,
                              pbStatus});
}

HRESULT CGeneralInvoiceResult::GetNextService(
    BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode, double* pdQuantity,
    long* plSessionNumber, DATE* pdDateBegin, DATE* pdDateEnd, BSTR* pbstrProviderEAN,
    BSTR* pbstrResponsibleEAN, BSTR* pbstrText, double* pdUnit, double* pdUnitFactor,
    double* pdExternalFactor, double* pdAmount, double* pdVatRate, long* peIsObligatory,
    BSTR* pbstrRemark, BSTR* pbstrSectionCode, long* peIgnoreValidate, long* plServiceAttributes,
    long* plID, VARIANT_BOOL* pbStatus) {
    return ReadService(false, {pbstrTariffType,
                               pbstrCode,
                               pbstrReferenceCode,
                               pdQuantity,
                               plSessionNumber,
                               pdDateBegin,
                               pdDateEnd,
                               pbstrProviderEAN,
                               pbstrResponsibleEAN,
                               pbstrText,
                               pdUnit,
                               pdUnitFactor,
                               pdExternalFactor,
                               pdAmount,
                               pdVatRate,
                               peIsObligatory,
                               pbstrRemark,
                               pbstrSectionCode,
                               peIgnoreValidate,
                               plServiceAttributes,
                               plID,
                               pbStatus});
}

HRESULT CGeneralInvoiceResult::GetFirstServiceEx(
    BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode, double* pdQuantity,
    long* plSessionNumber, DATE* pdDateBegin, DATE* pdDateEnd, long* peSide, BSTR* pbstrText,
    double* pdUnitMT, double* pdUnitFactorMT, double* pdUnitInternalScalingFactorMT,
    double* pdAmountMT, double* pdUnitTT, double* pdUnitFactorTT,
    double* pdUnitInternalScalingFactorTT, double* pdAmountTT, double* pdAmount, double* pdVatRate,
    long* peIsObligatory, BSTR* pbstrRemark, long* plGroupSize, BSTR* pbstrSectionCode,
    long* peIgnoreValidate, long* plServiceAttributes, long* peTreatmentType,
    double* pdExternalFactorMT, double* pdExternalFactorTT, BSTR* pbstrProviderEAN,
    BSTR* pbstrResponsibleEAN, long* peBillingRole, long* peMedicalRole, long* plID,
    VARIANT_BOOL* pbStatus) {
    return ReadServiceEx(true, {pbstrTariffType,
                                pbstrCode,
                                pbstrReferenceCode,
                                pdQuantity,
                                plSessionNumber,
                                pdDateBegin,
                                pdDateEnd,
                                peSide,
                                pbstrText,
                                pdUnitMT,
                                pdUnitFactorMT,
                                pdUnitInternalScalingFactorMT,
                                pdAmountMT,
                                pdUnitTT,
                                pdUnitFactorTT,
                                pdUnitInternalScalingFactorTT,
                                pdAmountTT,
                                pdAmount,
                                pdVatRate,
                                peIsObligatory,
                                pbstrRemark,
                                plGroupSize,
                                pbstrSectionCode,
                                peIgnoreValidate,
                                plServiceAttributes,
                                peTreatmentType,
                                pdExternalFactorMT,
                                pdExternalFactorTT,
                                pbstrProviderEAN,
                                pbstrResponsibleEAN,
                                peBillingRole,
                                peMedicalRole,
                                plID,
                                pbStatus});
}

HRESULT CGeneralInvoiceResult::GetNextServiceEx(
    BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode, double* pdQuantity,
    long* plSessionNumber, DATE* pdDateBegin, DATE* pdDateEnd, long* peSide, BSTR* pbstrText,
    double* pdUnitMT, double* pdUnitFactorMT, double* pdUnitInternalScalingFactorMT,
    double* pdAmountMT, double* pdUnitTT, double* pdUnitFactorTT,
    double* pdUnitInternalScalingFactorTT, double* pdAmountTT, double* pdAmount, double* pdVatRate,
    long* peIsObligatory, BSTR* pbstrRemark, long* plGroupSize, BSTR* pbstrSectionCode,
    long* peIgnoreValidate, long* plServiceAttributes, long* peTreatmentType,
    double* pdExternalFactorMT, double* pdExternalFactorTT, BSTR* pbstrProviderEAN,
    BSTR* pbstrResponsibleEAN, long* peBillingRole, long* peMedicalRole, long* plID,
    VARIANT_BOOL* pbStatus) {
    return ReadServiceEx(false, {pbstrTariffType,
                                 pbstrCode,
                                 pbstrReferenceCode,
                                 pdQuantity,
                                 plSessionNumber,
                                 pdDateBegin,
                                 pdDateEnd,
                                 peSide,
                                 pbstrText,
                                 pdUnitMT,
                                 pdUnitFactorMT,
                                 pdUnitInternalScalingFactorMT,
                                 pdAmountMT,
                                 pdUnitTT,
                                 pdUnitFactorTT,
                                 pdUnitInternalScalingFactorTT,
                                 pdAmountTT,
                                 pdAmount,
                                 pdVatRate,
                                 peIsObligatory,
                                 pbstrRemark,
                                 plGroupSize,
                                 pbstrSectionCode,
                                 peIgnoreValidate,
                                 plServiceAttributes,
                                 peTreatmentType,
                                 pdExternalFactorMT,
                                 pdExternalFactorTT,
                                 pbstrProviderEAN,
                                 pbstrResponsibleEAN,
                                 peBillingRole,
                                 peMedicalRole,
                                 plID,
                                 pbStatus});
}

HRESULT CGeneralInvoiceResult::FindServiceRecord(const char* method, long lID,
                                                 const invoice::ServiceRecord** record) {
    for (const invoice::ServiceRecord& candidate : invoice_->services) {
        if (candidate.record_id != lID) continue;
        if (candidate.kind != invoice::ServiceKind::kService) {
            return Abort(E_INVALIDARG, std::string(method) + ": lID " + std::to_string(lID) +
                                           " is an extended service record, which has no "
                                           "drug or DRG details");
        }
        *record = &candidate;
        return S_OK;
    }
    return Abort(E_INVALIDARG,
                 std::string(method) + ": lID " + std::to_string(lID) + " names no service record");
}

HRESULT CGeneralInvoiceResult::GetXtraDrug(long lID, long* peIsIndicated, BSTR* pbstrIOCM,
                                           long* peDelivery, long* plRegulationAttributes,
                                           long* peHasLimitation, VARIANT_BOOL* pbStatus) {
    if (!peIsIndicated || !pbstrIOCM || !peDelivery || !plRegulationAttributes ||
        !peHasLimitation || !pbStatus) {
        return NullOut("GetXtraDrug");
    }
    const invoice::ServiceRecord* record = nullptr;
    HRESULT hr = FindServiceRecord("GetXtraDrug", lID, &record);
    if (FAILED(hr)) return hr;
    const invoice::XtraDrug& drug = OrBlank(record->xtra_drug, BlankXtraDrug());
    *peIsIndicated = YesNo(drug.indicated);
    *pbstrIOCM = drug.iocm_category;
    *peDelivery = Number(drug.delivery);
    *plRegulationAttributes = static_cast<long>(drug.regulation_attributes);
    *peHasLimitation = YesNo(drug.limitation);
    *pbStatus = StatusOf(record->xtra_drug.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetXtraDRG(long lID, double* pdSplitFactor1, double* pdSplitFactor2,
                                          VARIANT_BOOL* pbStatus) {
    if (!pdSplitFactor1 || !pdSplitFactor2 || !pbStatus) return NullOut("GetXtraDRG");
    const invoice::ServiceRecord* record = nullptr;
    HRESULT hr = FindServiceRecord("GetXtraDRG", lID, &record);
    if (FAILED(hr)) return hr;
    const invoice::XtraDrg& drg = OrBlank(record->xtra_drg, BlankXtraDrg());
    *pdSplitFactor1 = Amount(drg.split_factor1);
    *pdSplitFactor2 = Amount(drg.split_factor2);
    *pbStatus = StatusOf(record->xtra_drg.has_value());
    return S_OK;
}
