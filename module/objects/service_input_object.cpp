#include "module/objects/service_input_object.h"

#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "module/checks/check_dates.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/check_result.h"
#include "module/checks/value_checks.h"
#include "module/model/invoice_enums.h"

namespace {

using checks::CheckResult;
using checks::FirstFailure;

constexpr size_t kTokenChars = 100;
constexpr size_t kTokenValueChars = 700;
constexpr size_t kQlCodeChars = 35;
constexpr size_t kSectionCodeChars = 6;  // the format's section_code
// The format asks only for 0 or more; larger factors are typing errors.
constexpr double kMaxExternalFactor = 1000;

// Converts a client's enumeration number into *out (untouched on failure).
template <typename E>
CheckResult CheckEnum(long value, E* out) {
    if (invoice::EnumFromLong(value, out)) return checks::Passed();
    return checks::Failed(std::to_string(value) + " is not a value of the enumeration " +
                          invoice::TableOf<E>().name);
}

CheckResult CheckOptionalEan(const std::string& value) {
    return value.empty() ? checks::Passed() : checks::CheckEanParty(value);
}

bool Matches(const std::string& key, const std::string& value) {
    return key.empty() || key == value;
}

VARIANT_BOOL StatusOf(bool found) {
    return found ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

CServiceExInput::CServiceExInput(const std::string& tariffType) {
    data_.tariff_type = tariffType;
}

HRESULT CServiceExInput::Initialize(VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    std::string tariffType = data_.tariff_type;
    data_ = invoice::ServiceExInput();
    data_.tariff_type = tariffType;
    tokens_ = Walk();
    dignities_ = Walk();
    sections_ = Walk();
    patientGiven_ = false;
    treatmentGiven_ = false;
    return Done(pbStatus);
}

HRESULT CServiceExInput::SetPhysician(long eMedicalRole, long eBillingRole,
                                      const BSTR& bstrEanNumberProvider,
                                      const BSTR& bstrEanNumberResponsible,
                                      VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    invoice::MedicalRole medical = invoice::MedicalRole::kSelfEmployed;
    invoice::BillingRole billing = invoice::BillingRole::kBoth;
    std::string failure = FirstFailure(
        "SetPhysician",
        {{"eMedicalRole", CheckEnum(eMedicalRole, &medical)},
         {"eBillingRole", CheckEnum(eBillingRole, &billing)},
         {"bstrEanNumberProvider", checks::CheckEanParty(bstrEanNumberProvider)},
         {"bstrEanNumberResponsible", checks::CheckEanParty(bstrEanNumberResponsible)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.medical_role = medical;
    data_.billing_role = billing;
    data_.provider_ean = bstrEanNumberProvider;
    data_.responsible_ean = bstrEanNumberResponsible;
    return Done(pbStatus);
}

HRESULT CServiceExInput::GetPhysician(long* peMedicalRole, long* peBillingRole,
                                      BSTR* pbstrEanNumberProvider, BSTR* pbstrEanNumberResponsible,
                                      VARIANT_BOOL* pbStatus) {
    if (peMedicalRole == nullptr || peBillingRole == nullptr || pbstrEanNumberProvider == nullptr ||
        pbstrEanNumberResponsible == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    *peMedicalRole = static_cast<long>(data_.medical_role);
    *peBillingRole = static_cast<long>(data_.billing_role);
    *pbstrEanNumberProvider = data_.provider_ean;
    *pbstrEanNumberResponsible = data_.responsible_ean;
    return Done(pbStatus);
}

HRESULT CServiceExInput::SetPatient(DATE dBirthdate, long eSex, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    invoice::SexType sex = invoice::SexType::kMale;
    std::string failure = FirstFailure("SetPatient", {{"dBirthdate", checks::CheckDate(dBirthdate)},
                                                      {"eSex", CheckEnum(eSex, &sex)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.birthdate = dBirthdate;
    data_.sex = sex;
    patientGiven_ = true;
    return Done(pbStatus);
}

HRESULT CServiceExInput::GetPatient(DATE* pdBirthdate, long* peSex, VARIANT_BOOL* pbStatus) {
    if (pdBirthdate == nullptr || peSex == nullptr || pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    *pdBirthdate = data_.birthdate;
    *peSex = static_cast<long>(data_.sex);
    return Done(pbStatus);
}

HRESULT CServiceExInput::SetTreatment(long eCanton, long eLaw, long eTreatmentType,
                                      long eSettlement, const BSTR& bstrEanNumberSection,
                                      VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    invoice::Canton canton = invoice::Canton::kAG;
    invoice::LawType law = invoice::LawType::kKVG;
    invoice::TreatmentType treatment = invoice::TreatmentType::kAmbulatory;
    invoice::Settlement settlement = invoice::Settlement::kRegular;
    std::string failure = FirstFailure(
        "SetTreatment", {{"eCanton", CheckEnum(eCanton, &canton)},
                         {"eLaw", CheckEnum(eLaw, &law)},
                         {"eTreatmentType", CheckEnum(eTreatmentType, &treatment)},
                         {"eSettlement", CheckEnum(eSettlement, &settlement)},
                         {"bstrEanNumberSection", CheckOptionalEan(bstrEanNumberSection)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.canton = canton;
    data_.law = law;
    data_.treatment_type = treatment;
    data_.settlement = settlement;
    data_.section_ean = bstrEanNumberSection;
    treatmentGiven_ = true;
    return Done(pbStatus);
}

HRESULT CServiceExInput::GetTreatment(long* peCanton, long* peLaw, long* peTreatmentType,
                                      long* peSettlement, BSTR* pbstrEanNumberSection,
                                      VARIANT_BOOL* pbStatus) {
    if (peCanton == nullptr || peLaw == nullptr || peTreatmentType == nullptr ||
        peSettlement == nullptr || pbstrEanNumberSection == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    *peCanton = static_cast<long>(data_.canton);
    *peLaw = static_cast<long>(data_.law);
    *peTreatmentType = static_cast<long>(data_.treatment_type);
    *peSettlement = static_cast<long>(data_.settlement);
    *pbstrEanNumberSection = data_.section_ean;
    return Done(pbStatus);
}

// ---------------------------------------------------------------------------
// Tokens

HRESULT CServiceExInput::InitToken(VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    data_.tokens.clear();
    tokens_ = Walk();
    return Done(pbStatus);
}

HRESULT CServiceExInput::AddToken(const BSTR& bstrToken, const BSTR& bstrValue,
                                  VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::string failure = FirstFailure(
        "AddToken", {{"bstrToken", checks::CheckText(bstrToken, 1, kTokenChars)},
                     {"bstrValue", checks::CheckOptionalText(bstrValue, kTokenValueChars)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.tokens.push_back({bstrToken, bstrValue});
    return Done(pbStatus);
}

HRESULT CServiceExInput::GetFirstToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) {
    if (pbstrToken == nullptr || pbstrValue == nullptr || pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    tokens_ = Walk();
    return ReadToken(pbstrToken, pbstrValue, pbStatus);
}

HRESULT CServiceExInput::GetNextToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) {
    if (pbstrToken == nullptr || pbstrValue == nullptr || pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    return ReadToken(pbstrToken, pbstrValue, pbStatus);
}

HRESULT CServiceExInput::ReadToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) {
    bool found = tokens_.next < data_.tokens.size();
    invoice::TokenValue token;
    if (found) token = data_.tokens[tokens_.next++];
    *pbstrToken = token.token;
    *pbstrValue = token.value;
    *pbStatus = StatusOf(found);
    return found ? S_OK : S_FALSE;
}

// ---------------------------------------------------------------------------
// Dignities

HRESULT CServiceExInput::InitDignity(VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    data_.dignities.clear();
    dignities_ = Walk();
    return Done(pbStatus);
}

HRESULT CServiceExInput::AddDignity(const BSTR& bstrEanNumber, const BSTR& bstrQLCode,
                                    VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::string failure = FirstFailure(
        "AddDignity", {{"bstrEanNumber", checks::CheckEanParty(bstrEanNumber)},
                       {"bstrQLCode", checks::CheckText(bstrQLCode, 1, kQlCodeChars)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.dignities.push_back({bstrEanNumber, bstrQLCode});
    return Done(pbStatus);
}

HRESULT CServiceExInput::GetFirstDignity(const BSTR& bstrEanNumber, const BSTR& bstrQLCode,
                                         BSTR* pbstrEanNumber, BSTR* pbstrQLCode,
                                         VARIANT_BOOL* pbStatus) {
    if (pbstrEanNumber == nullptr || pbstrQLCode == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    dignities_ = Walk{0, bstrEanNumber, bstrQLCode};
    return ReadDignity(pbstrEanNumber, pbstrQLCode, pbStatus);
}

HRESULT CServiceExInput::GetNextDignity(BSTR* pbstrEanNumber, BSTR* pbstrQLCode,
                                        VARIANT_BOOL* pbStatus) {
    if (pbstrEanNumber == nullptr || pbstrQLCode == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    return ReadDignity(pbstrEanNumber, pbstrQLCode, pbStatus);
}

HRESULT CServiceExInput::ReadDignity(BSTR* pbstrEanNumber, BSTR* pbstrQLCode,
                                     VARIANT_BOOL* pbStatus) {
    const std::vector<invoice::Dignity>& list = data_.dignities;
    while (dignities_.next < list.size()) {
        const invoice::Dignity& dignity = list[dignities_.next++];
        if (Matches(dignities_.first_key, dignity.ean) &&
            Matches(dignities_.second_key, dignity.ql_code)) {
            *pbstrEanNumber = dignity.ean;
            *pbstrQLCode = dignity.ql_code;
            *pbStatus = VARIANT_TRUE;
            return S_OK;
        }
    }
    pbstrEanNumber->clear();
    pbstrQLCode->clear();
    *pbStatus = VARIANT_FALSE;
    return S_FALSE;
}

// ---------------------------------------------------------------------------
// Sections

HRESULT CServiceExInput::InitSection(VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    data_.sections.clear();
    sections_ = Walk();
    return Done(pbStatus);
}

HRESULT CServiceExInput::AddSection(const BSTR& bstrEanNumber, const BSTR& bstrCode,
                                    VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::string failure = FirstFailure(
        "AddSection", {{"bstrEanNumber", checks::CheckEanParty(bstrEanNumber)},
                       {"bstrCode", checks::CheckText(bstrCode, 1, kSectionCodeChars)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.sections.push_back({bstrEanNumber, bstrCode});
    return Done(pbStatus);
}

HRESULT CServiceExInput::GetFirstSection(const BSTR& bstrEanNumber, const BSTR& bstrCode,
                                         BSTR* pbstrEanNumber, BSTR* pbstrCode,
                                         VARIANT_BOOL* pbStatus) {
    if (pbstrEanNumber == nullptr || pbstrCode == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    sections_ = Walk{0, bstrEanNumber, bstrCode};
    return ReadSection(pbstrEanNumber, pbstrCode, pbStatus);
}

HRESULT CServiceExInput::GetNextSection(BSTR* pbstrEanNumber, BSTR* pbstrCode,
                                        VARIANT_BOOL* pbStatus) {
    if (pbstrEanNumber == nullptr || pbstrCode == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    return ReadSection(pbstrEanNumber, pbstrCode, pbStatus);
}

HRESULT CServiceExInput::ReadSection(BSTR* pbstrEanNumber, BSTR* pbstrCode,
                                     VARIANT_BOOL* pbStatus) {
    const std::vector<invoice::Section>& list = data_.sections;
    while (sections_.next < list.size()) {
        const invoice::Section& section = list[sections_.next++];
        if (Matches(sections_.first_key, section.ean) &&
            Matches(sections_.second_key, section.code)) {
            *pbstrEanNumber = section.ean;
            *pbstrCode = section.code;
            *pbStatus = VARIANT_TRUE;
            return S_OK;
        }
    }
    pbstrEanNumber->clear();
    pbstrCode->clear();
    *pbStatus = VARIANT_FALSE;
    return S_FALSE;
}

// ---------------------------------------------------------------------------
// External factors

bool CServiceExInput::CheckedFactor(const char* method, const char* field, double value,
                                    invoice::Decimal* out) {
    CheckResult range = checks::CheckRange(value, 0, kMaxExternalFactor, field);
    if (!range.ok) {
        Abort(E_INVALIDARG, std::string(method) + ": " + range.rule);
        return false;
    }
    if (!invoice::Decimal::FromDouble(value, out)) {
        Abort(E_INVALIDARG, std::string(method) + ": " + field + " " + std::to_string(value) +
                                " cannot be held as an exact decimal");
        return false;
    }
    return true;
}

HRESULT CServiceExInput::GetExternalFactor_MT(double* pdExternalFactor_MT) {
    if (pdExternalFactor_MT == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    *pdExternalFactor_MT = data_.external_factor_mt.ToDouble();
    return S_OK;
}

HRESULT CServiceExInput::PutExternalFactor_MT(double dExternalFactor_MT) {
    invoice::Decimal factor;
    if (!CheckedFactor("PutExternalFactor_MT", "dExternalFactor_MT", dExternalFactor_MT, &factor)) {
        return E_INVALIDARG;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    data_.external_factor_mt = factor;
    return S_OK;
}

HRESULT CServiceExInput::GetExternalFactor_TT(double* pdExternalFactor_TT) {
    if (pdExternalFactor_TT == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    *pdExternalFactor_TT = data_.external_factor_tt.ToDouble();
    return S_OK;
}

HRESULT CServiceExInput::PutExternalFactor_TT(double dExternalFactor_TT) {
    invoice::Decimal factor;
    if (!CheckedFactor("PutExternalFactor_TT", "dExternalFactor_TT", dExternalFactor_TT, &factor)) {
        return E_INVALIDARG;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    data_.external_factor_tt = factor;
    return S_OK;
}

invoice::ServiceExInput CServiceExInput::Snapshot() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return data_;
}

tariff::ServiceInput CServiceExInput::TariffInput() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return tariff::ServiceInput{data_, patientGiven_, treatmentGiven_};
}

std::string SectionCodeFor(const invoice::ServiceExInput& input) {
    const std::string& ean = input.section_ean.empty() ? input.provider_ean : input.section_ean;
    for (const invoice::Section& section : input.sections) {
        if (section.ean == ean) return section.code;
    }
    return std::string();
}

HRESULT CreateServiceExInput(const std::string& tariffType, IServiceExInput** out) {
    if (out == nullptr) return E_POINTER;
    *out = MakeComObject<CServiceExInput>(tariffType).Detach();
    return S_OK;
}

const CServiceExInput* AsServiceInputImpl(IServiceExInput* input) {
    return dynamic_cast<const CServiceExInput*>(input);
}
