#pragma once

#include <cstddef>
#include <string>

#include "bridge/iservice_ex_input.h"
#include "module/model/model_services.h"
#include "module/objects/module_object.h"
#include "module/tariff/tariff_rules.h"
#include "platform/com.h"

// The service-input object of the invoice module (IServiceExInput): what an
// extended service line needs besides its own parameters, kept as an
// invoice::ServiceExInput. The tariff type is fixed at creation.
//
// Checks, made before anything changes (a rejected call returns E_INVALIDARG
// and leaves the object as it was; GetAbortInfo names method, parameter and
// rule):
//  - enumerations must be values of their tables (module/model/invoice_enums.h);
//  - EAN numbers (provider, responsible, section, dignity, section list) are
//    GLNs of 13 digits; the section EAN of SetTreatment may be empty;
//  - the birth date is a plausible date (1900 to 2099);
//  - a token is 1 to 100 characters, its value up to 700; a dignity's QL code
//    1 to 35 characters; a section code 1 to 6 (the format's section_code);
//  - an external factor is a number from 0 to 1000 (kept as an exact decimal).
//
// Where the values go (AddServiceEx copies the input at the time of the
// call):
//  - SetPhysician, SetTreatment's eTreatmentType and the external factors:
//    the record and its XML (roles, provider and responsible, treatment,
//    external_factor_mt/_tt);
//  - sections (AddSection) and SetTreatment's section EAN: the record's
//    section_code when AddServiceEx gives none (SectionCodeFor);
//  - SetPatient, SetTreatment's eCanton, eLaw and eSettlement, tokens and
//    dignities: the tariff checks of AddServiceEx (module/tariff/
//    tariff_rules.h); the format has no place for them.
//
// Reads answer S_OK with what the object holds (the defaults of
// invoice::ServiceExInput until set) and pbStatus VARIANT_TRUE.
//
// First/next walks: the first read restarts the walk, a read past the end
// answers S_FALSE with VARIANT_FALSE and empty texts. GetFirstDignity and
// GetFirstSection take criteria: an empty criterion matches every element, a
// given one must equal the element's text; GetNext... keeps the criteria of
// its GetFirst... call.
//
// Thread-safe: every method and Snapshot take mutex_.
class CServiceExInput final : public CModuleObject<IServiceExInput> {
  public:
    // An empty input for the tariff `tariffType` (checked by the caller).
    explicit CServiceExInput(const std::string& tariffType);
    // An input holding `data` as given (the XML loader's inputs).
    explicit CServiceExInput(const invoice::ServiceExInput& data) : data_(data) {}

    // Empties everything but the tariff type.
    HRESULT Initialize(VARIANT_BOOL* pbStatus) override;
    HRESULT SetPhysician(long eMedicalRole, long eBillingRole, const BSTR& bstrEanNumberProvider,
                         const BSTR& bstrEanNumberResponsible, VARIANT_BOOL* pbStatus) override;
    HRESULT GetPhysician(long* peMedicalRole, long* peBillingRole, BSTR* pbstrEanNumberProvider,
                         BSTR* pbstrEanNumberResponsible, VARIANT_BOOL* pbStatus) override;
    HRESULT SetPatient(DATE dBirthdate, long eSex, VARIANT_BOOL* pbStatus) override;
    HRESULT GetPatient(DATE* pdBirthdate, long* peSex, VARIANT_BOOL* pbStatus) override;
    HRESULT SetTreatment(long eCanton, long eLaw, long eTreatmentType, long eSettlement,
                         const BSTR& bstrEanNumberSection, VARIANT_BOOL* pbStatus) override;
    HRESULT GetTreatment(long* peCanton, long* peLaw, long* peTreatmentType, long* peSettlement,
                         BSTR* pbstrEanNumberSection, VARIANT_BOOL* pbStatus) override;
    HRESULT InitToken(VARIANT_BOOL* pbStatus) override;
    HRESULT AddToken(const BSTR& bstrToken, const BSTR& bstrValue, VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) override;
    HRESULT InitDignity(VARIANT_BOOL* pbStatus) override;
    HRESULT AddDignity(const BSTR& bstrEanNumber, const BSTR& bstrQLCode,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstDignity(const BSTR& bstrEanNumber, const BSTR& bstrQLCode, BSTR* pbstrEanNumber,
                            BSTR* pbstrQLCode, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextDignity(BSTR* pbstrEanNumber, BSTR* pbstrQLCode,
                           VARIANT_BOOL* pbStatus) override;
    HRESULT InitSection(VARIANT_BOOL* pbStatus) override;
    HRESULT AddSection(const BSTR& bstrEanNumber, const BSTR& bstrCode,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstSection(const BSTR& bstrEanNumber, const BSTR& bstrCode, BSTR* pbstrEanNumber,
                            BSTR* pbstrCode, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextSection(BSTR* pbstrEanNumber, BSTR* pbstrCode, VARIANT_BOOL* pbStatus) override;
    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        return CModuleObject<IServiceExInput>::GetAbortInfo(pbstrAbort, pbStatus);
    }
    HRESULT GetExternalFactor_MT(double* pdExternalFactor_MT) override;
    HRESULT PutExternalFactor_MT(double dExternalFactor_MT) override;
    HRESULT GetExternalFactor_TT(double* pdExternalFactor_TT) override;
    HRESULT PutExternalFactor_TT(double dExternalFactor_TT) override;

    // A copy of the input, taken under the lock. For the other classes of the
    // module (AddServiceEx keeps the copy).
    invoice::ServiceExInput Snapshot() const;
    // The same with what the tariff checks need to know besides.
    tariff::ServiceInput TariffInput() const;

  private:
    // A walk over one list: the next index to look at and the criteria.
    struct Walk {
        size_t next = 0;
        std::string first_key;   // EAN criterion ("" = any)
        std::string second_key;  // QL code or section code criterion ("" = any)
    };

    ~CServiceExInput() override = default;

    HRESULT ReadToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus);
    HRESULT ReadDignity(BSTR* pbstrEanNumber, BSTR* pbstrQLCode, VARIANT_BOOL* pbStatus);
    HRESULT ReadSection(BSTR* pbstrEanNumber, BSTR* pbstrCode, VARIANT_BOOL* pbStatus);
    // Checks an external factor; on failure records the abort and returns
    // false. REQUIRES: mutex_ not held.
    bool CheckedFactor(const char* method, const char* field, double value, invoice::Decimal* out);

    invoice::ServiceExInput data_;
    Walk tokens_;
    Walk dignities_;
    Walk sections_;
    bool patientGiven_ = false;    // SetPatient succeeded since Initialize
    bool treatmentGiven_ = false;  // SetTreatment succeeded since Initialize
};

// Creates an empty input for `tariffType` and returns it in *out with one
// reference for the caller. E_POINTER when out is null. The caller checks the
// tariff type.
HRESULT CreateServiceExInput(const std::string& tariffType, IServiceExInput** out);

// The section code of `input` for a record that names none: the code of the
// first section (AddSection) listed for the section EAN of SetTreatment, or,
// when that is empty, for the provider GLN; "" when there is none.
std::string SectionCodeFor(const invoice::ServiceExInput& input);

// Our own service-input object behind `input`, or nullptr when `input` is
// null or another implementation. The pointer is borrowed: it stays valid as
// long as the caller holds its reference to `input`.
const CServiceExInput* AsServiceInputImpl(IServiceExInput* input);
