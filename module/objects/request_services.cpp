// The service records: AddService, AddServiceEx and the extras of a
// `service` record (SetXtraDrug, SetXtraDRG). Amounts are checked and
// completed by Finalize (module/model/balance.h); here the values are checked one
// by one and kept exactly as Decimal.

#include <limits>
#include <mutex>
#include <utility>

#include "module/checks/check_dates.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/value_checks.h"
#include "module/objects/request_arguments.h"
#include "module/objects/request_object.h"
#include "module/objects/service_input_object.h"
#include "module/tariff/tariff_rules.h"

using checks::CheckOptionalText;
using checks::CheckText;

namespace {

constexpr double kMaxNumber = 1e12;  // quantities, units and factors
constexpr long kMaxUnsigned = std::numeric_limits<int32_t>::max();
constexpr long kMaxSession = 999999;
constexpr size_t kMaxRecords = 999999999;

// What AddService and AddServiceEx share, in their parameters' terms.
struct CommonArgs {
    const BSTR& tariff_type;
    const BSTR& code;
    const BSTR& reference_code;
    double quantity;
    long session;
    DATE date_begin;
    DATE date_end;
    const BSTR& text;
    double amount;
    double vat_rate;
    long is_obligatory;
    const BSTR& remark;
    const BSTR& section_code;
    long ignore_validate;
    long service_attributes;
};

// Checks the common arguments and fills them into *record.
void CheckCommon(ArgumentCheck* check, const CommonArgs& args, invoice::ServiceRecord* record) {
    check->Field("bstrTariffType", checks::CheckTariffType(args.tariff_type));
    check->Field("bstrCode", CheckText(args.code, 1, 30));
    check->Field("bstrReferenceCode", CheckOptionalText(args.reference_code, 30));
    check->Number("dQuantity", args.quantity, -kMaxNumber, kMaxNumber, &record->quantity);
    check->Whole("lSessionNumber", args.session, 1, kMaxSession);
    check->Field("dDateBegin", checks::CheckDate(args.date_begin));
    check->Field("dDateEnd", checks::CheckOptionalDate(args.date_end));
    check->Field("dDateEnd", checks::CheckDateOrder(args.date_begin, args.date_end));
    check->Field("bstrText", CheckText(args.text, 1, 350));
    check->Number("dAmount", args.amount, -kMaxNumber, kMaxNumber, &record->amount);
    check->Number("dVatRate", args.vat_rate, 0, 100, &record->vat_rate);
    check->YesNo("eIsObligatory", args.is_obligatory, &record->obligation);
    check->Field("bstrRemark", CheckOptionalText(args.remark, 350));
    check->Field("bstrSectionCode", CheckOptionalText(args.section_code, 6));
    check->YesNo("eIgnoreValidate", args.ignore_validate, &record->ignore_validate);
    check->Whole("lServiceAttributes", args.service_attributes, 0, kMaxUnsigned);

    record->tariff_type = args.tariff_type;
    record->code = args.code;
    record->ref_code = args.reference_code;
    record->session = static_cast<int32_t>(args.session);
    record->date_begin = args.date_begin;
    record->date_end = invoice::OptionalDate(args.date_end);
    record->name = args.text;
    record->remark = args.remark;
    record->section_code = args.section_code;
    record->service_attributes = static_cast<uint32_t>(args.service_attributes);
}

// Factors multiply the tax points: 0 would bill nothing (the format
// requires unit factors above 0).
void RequirePositive(ArgumentCheck* check, const std::string& field,
                     const invoice::Decimal& value) {
    if (check->ok() && value.IsZero()) check->Fail(field, "must be greater than 0");
}

// One tariff part of an extended record. Units may be 0 (a part without tax
// points) but not negative.
void CheckPart(ArgumentCheck* check, const char* suffix, double unit, double unit_factor,
               double scale_factor, double amount, invoice::TariffPart* part) {
    const std::string s(suffix);
    check->Number("dUnit" + s, unit, 0, kMaxNumber, &part->unit);
    check->Number("dUnitFactor" + s, unit_factor, 0, kMaxNumber, &part->unit_factor);
    RequirePositive(check, "dUnitFactor" + s, part->unit_factor);
    check->Number("dUnitInternalScalingFactor" + s, scale_factor, 0, kMaxNumber,
                  &part->scale_factor);
    RequirePositive(check, "dUnitInternalScalingFactor" + s, part->scale_factor);
    check->Number("dAmount" + s, amount, -kMaxNumber, kMaxNumber, &part->amount);
}

}  // namespace

HRESULT CGeneralInvoiceRequest::AddRecord(const char* method, invoice::ServiceRecord record,
                                          const tariff::ServiceInput* input, long* plID,
                                          VARIANT_BOOL* pbStatus) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (invoice_.services.size() >= kMaxRecords) {
        return Abort(E_FAIL, std::string(method) + ": the request holds the most records allowed");
    }
    std::string refusal = tariff::CheckRecord(invoice_, record, input);
    if (!refusal.empty()) {
        *pbStatus = VARIANT_FALSE;
        return Abort(E_INVALIDARG, std::string(method) + ": " + refusal);
    }
    record.record_id = static_cast<int32_t>(invoice_.services.size()) + 1;
    *plID = record.record_id;
    invoice_.services.push_back(std::move(record));
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::AddService(
    const BSTR& bstrTariffType, const BSTR& bstrCode, const BSTR& bstrReferenceCode,
    double dQuantity, long lSessionNumber, DATE dDateBegin, DATE dDateEnd,
    const BSTR& bstrProviderEAN, const BSTR& bstrResponsibleEAN, const BSTR& bstrText, double dUnit,
    double dUnitFactor, double dExternalFactor, double dAmount, double dVatRate, long eIsObligatory,
    const BSTR& bstrRemark, const BSTR& bstrSectionCode, long eIgnoreValidate,
    long lServiceAttributes, long* plID, VARIANT_BOOL* pbStatus) {
    if (plID == nullptr || pbStatus == nullptr) {
        return Abort(E_POINTER, "AddService: plID or pbStatus is null");
    }
    ArgumentCheck check("AddService");
    invoice::ServiceRecord record;
    record.kind = invoice::ServiceKind::kService;
    CheckCommon(&check,
                {bstrTariffType, bstrCode, bstrReferenceCode, dQuantity, lSessionNumber, dDateBegin,
                 dDateEnd, bstrText, dAmount, dVatRate, eIsObligatory, bstrRemark, bstrSectionCode,
                 eIgnoreValidate, lServiceAttributes},
                &record);
    check.Field("bstrProviderEAN", checks::CheckGln(bstrProviderEAN));
    check.Field("bstrResponsibleEAN", checks::CheckGln(bstrResponsibleEAN));
    check.Number("dUnit", dUnit, 0, kMaxNumber, &record.unit);
    check.Number("dUnitFactor", dUnitFactor, 0, kMaxNumber, &record.unit_factor);
    RequirePositive(&check, "dUnitFactor", record.unit_factor);
    check.Number("dExternalFactor", dExternalFactor, 0, kMaxNumber, &record.external_factor);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    record.provider_ean = bstrProviderEAN;
    record.responsible_ean = bstrResponsibleEAN;
    return AddRecord("AddService", std::move(record), nullptr, plID, pbStatus);
}

HRESULT CGeneralInvoiceRequest::AddServiceEx(
    IServiceExInput* pIServiceExInput, const BSTR& bstrTariffType, const BSTR& bstrCode,
    const BSTR& bstrReferenceCode, double dQuantity, long lSessionNumber, DATE dDateBegin,
    DATE dDateEnd, long eSide, const BSTR& bstrText, double dUnitMT, double dUnitFactorMT,
    double dUnitInternalScalingFactorMT, double dAmountMT, double dUnitTT, double dUnitFactorTT,
    double dUnitInternalScalingFactorTT, double dAmountTT, double dAmount, double dVatRate,
    long eIsObligatory, const BSTR& bstrRemark, long lGroupSize, const BSTR& bstrSectionCode,
    long eIgnoreValidate, long lServiceAttributes, long* plID, VARIANT_BOOL* pbStatus) {
    if (plID == nullptr || pbStatus == nullptr) {
        return Abort(E_POINTER, "AddServiceEx: plID or pbStatus is null");
    }
    ArgumentCheck check("AddServiceEx");
    const CServiceExInput* input = AsServiceInputImpl(pIServiceExInput);
    if (input == nullptr) {
        check.Fail("pIServiceExInput",
                   pIServiceExInput == nullptr
                       ? "is required: it names the provider, the responsible and their roles"
                       : "is not a service input object of this module");
        return Abort(E_INVALIDARG, check.text());
    }
    const tariff::ServiceInput given = input->TariffInput();
    const invoice::ServiceExInput& extra = given.data;

    invoice::ServiceRecord record;
    record.kind = invoice::ServiceKind::kServiceEx;
    CheckCommon(&check,
                {bstrTariffType, bstrCode, bstrReferenceCode, dQuantity, lSessionNumber, dDateBegin,
                 dDateEnd, bstrText, dAmount, dVatRate, eIsObligatory, bstrRemark, bstrSectionCode,
                 eIgnoreValidate, lServiceAttributes},
                &record);
    check.Enum("eSide", eSide, &record.side);
    CheckPart(&check, "MT", dUnitMT, dUnitFactorMT, dUnitInternalScalingFactorMT, dAmountMT,
              &record.mt);
    CheckPart(&check, "TT", dUnitTT, dUnitFactorTT, dUnitInternalScalingFactorTT, dAmountTT,
              &record.tt);
    check.Whole("lGroupSize", lGroupSize, 0, kMaxUnsigned);
    check.Field("pIServiceExInput provider EAN", checks::CheckGln(extra.provider_ean));
    check.Field("pIServiceExInput responsible EAN", checks::CheckGln(extra.responsible_ean));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    record.group_size = static_cast<uint32_t>(lGroupSize);
    record.mt.external_factor = extra.external_factor_mt;
    record.tt.external_factor = extra.external_factor_tt;
    record.treatment = extra.treatment_type;
    record.billing_role = extra.billing_role;
    record.medical_role = extra.medical_role;
    record.provider_ean = extra.provider_ean;
    record.responsible_ean = extra.responsible_ean;
    if (record.section_code.empty()) record.section_code = SectionCodeFor(extra);
    return AddRecord("AddServiceEx", std::move(record), &given, plID, pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetXtraDrug(long lID, long eIsIndicated, const BSTR& bstrIOCM,
                                            long eDelivery, long lRegulationAttributes,
                                            long eHasLimitation, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetXtraDrug: pbStatus is null");
    ArgumentCheck check("SetXtraDrug");
    invoice::XtraDrug drug;
    bool indicated = false;
    bool limitation = false;
    check.YesNo("eIsIndicated", eIsIndicated, &indicated);
    if (!bstrIOCM.empty()) {
        check.Field("bstrIOCM", checks::CheckOneOf(bstrIOCM, {"A", "B", "C", "D", "E"}));
    }
    check.Enum("eDelivery", eDelivery, &drug.delivery);
    check.Whole("lRegulationAttributes", lRegulationAttributes, 0, kMaxUnsigned);
    check.YesNo("eHasLimitation", eHasLimitation, &limitation);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    drug.indicated = indicated;
    drug.limitation = limitation;
    drug.iocm_category = bstrIOCM;
    drug.regulation_attributes = static_cast<uint32_t>(lRegulationAttributes);

    std::lock_guard<std::mutex> guard(mutex_);
    invoice::ServiceRecord* record = FindServiceRecord("SetXtraDrug", lID);
    if (record == nullptr) return E_FAIL;
    record->xtra_drug = std::move(drug);
    record->xtra_drg.reset();  // the format carries one extra per record
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetXtraDRG(long lID, double dSplitFactor1, double dSplitFactor2,
                                           VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetXtraDRG: pbStatus is null");
    ArgumentCheck check("SetXtraDRG");
    invoice::XtraDrg drg;
    check.Number("dSplitFactor1", dSplitFactor1, 0, kMaxNumber, &drg.split_factor1);
    check.Number("dSplitFactor2", dSplitFactor2, 0, kMaxNumber, &drg.split_factor2);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());

    std::lock_guard<std::mutex> guard(mutex_);
    invoice::ServiceRecord* record = FindServiceRecord("SetXtraDRG", lID);
    if (record == nullptr) return E_FAIL;
    record->xtra_drg = std::move(drg);
    record->xtra_drug.reset();
    Changed();
    return Done(pbStatus);
}

invoice::ServiceRecord* CGeneralInvoiceRequest::FindServiceRecord(const char* method, long id) {
    for (invoice::ServiceRecord& record : invoice_.services) {
        if (record.record_id != id) continue;
        if (record.kind != invoice::ServiceKind::kService) {
            Abort(E_FAIL, std::string(method) + ": lID " + std::to_string(id) +
                              " is a record of AddServiceEx; only AddService records take this "
                              "extra");
            return nullptr;
        }
        return &record;
    }
    Abort(E_FAIL, std::string(method) + ": lID " + std::to_string(id) +
                      " names no service record (the request has " +
                      std::to_string(invoice_.services.size()) + ")");
    return nullptr;
}
