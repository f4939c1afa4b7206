// The parties of the invoice: SetBiller, SetProvider, SetInsurance,
// SetPatient, SetInsured, SetGuarantor, SetDebitor, SetReferrer, SetEmployer,
// and the patient's insurance card (SetCard).

#include <mutex>
#include <utility>

#include "module/checks/check_dates.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/value_checks.h"
#include "module/objects/request_arguments.h"
#include "module/objects/request_object.h"

using checks::CheckOptionalText;
using request_rules::Optional;

namespace {

// The identifiers a biller, provider and referrer share.
struct ProviderIds {
    std::string ean, zsr, nif, specialty;
};

void CheckProviderIds(ArgumentCheck* check, const ProviderIds& ids, bool ean_required,
                      bool zsr_required) {
    check->Field("bstrEAN",
                 ean_required ? checks::CheckGln(ids.ean) : request_rules::OptionalGln(ids.ean));
    check->Field("bstrZSR",
                 zsr_required ? checks::CheckZsr(ids.zsr) : Optional(ids.zsr, checks::CheckZsr));
    check->Field("bstrNIF", Optional(ids.nif, checks::CheckNif));
    check->Field("bstrSpecialty", CheckOptionalText(ids.specialty, 350));
}

}  // namespace

HRESULT CGeneralInvoiceRequest::SetBiller(const BSTR& bstrEAN, const BSTR& bstrZSR,
                                          const BSTR& bstrNIF, const BSTR& bstrSpecialty,
                                          IAddress* pIAddress, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetBiller: pbStatus is null");
    ArgumentCheck check("SetBiller");
    CheckProviderIds(&check, {bstrEAN, bstrZSR, bstrNIF, bstrSpecialty}, true, false);
    invoice::Biller biller;
    biller.address = check.Address("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    biller.ean = bstrEAN;
    biller.zsr = bstrZSR;
    biller.nif = bstrNIF;
    biller.specialty = bstrSpecialty;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.biller = std::move(biller);
    Changed();
    return Done(pbStatus);
}

// The format requires the provider's ZSR number.
HRESULT CGeneralInvoiceRequest::SetProvider(const BSTR& bstrEAN, const BSTR& bstrZSR,
                                            const BSTR& bstrNIF, const BSTR& bstrSpecialty,
                                            IAddress* pIAddress, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetProvider: pbStatus is null");
    ArgumentCheck check("SetProvider");
    CheckProviderIds(&check, {bstrEAN, bstrZSR, bstrNIF, bstrSpecialty}, true, true);
    invoice::Provider provider;
    provider.address = check.Address("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    provider.ean = bstrEAN;
    provider.zsr = bstrZSR;
    provider.nif = bstrNIF;
    provider.specialty = bstrSpecialty;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.provider = std::move(provider);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetReferrer(const BSTR& bstrEAN, const BSTR& bstrZSR,
                                            const BSTR& bstrNIF, const BSTR& bstrSpecialty,
                                            IAddress* pIAddress, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetReferrer: pbStatus is null");
    ArgumentCheck check("SetReferrer");
    CheckProviderIds(&check, {bstrEAN, bstrZSR, bstrNIF, bstrSpecialty}, false, false);
    invoice::Referrer referrer;
    referrer.address = check.Address("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    referrer.ean = bstrEAN;
    referrer.zsr = bstrZSR;
    referrer.nif = bstrNIF;
    referrer.specialty = bstrSpecialty;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.referrer = std::move(referrer);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetInsurance(const BSTR& bstrEAN, IAddress* pIAddress,
                                             VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetInsurance: pbStatus is null");
    ArgumentCheck check("SetInsurance");
    check.Field("bstrEAN", checks::CheckGln(bstrEAN));
    invoice::Insurance insurance;
    insurance.address = check.Address("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    insurance.ean = bstrEAN;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.insurance = std::move(insurance);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetDebitor(const BSTR& bstrEAN, IAddress* pIAddress,
                                           VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetDebitor: pbStatus is null");
    ArgumentCheck check("SetDebitor");
    check.Field("bstrEAN", checks::CheckGln(bstrEAN));
    invoice::Debitor debitor;
    debitor.address = check.Address("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    debitor.ean = bstrEAN;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.debitor = std::move(debitor);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetGuarantor(IAddress* pIAddress, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetGuarantor: pbStatus is null");
    ArgumentCheck check("SetGuarantor");
    invoice::Guarantor guarantor;
    guarantor.address = check.Address("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.guarantor = std::move(guarantor);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetEmployer(const BSTR& bstrEAN, const BSTR& bstrRegNumber,
                                            IAddress* pIAddress, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetEmployer: pbStatus is null");
    ArgumentCheck check("SetEmployer");
    check.Field("bstrEAN", request_rules::OptionalGln(bstrEAN));
    check.Field("bstrRegNumber", CheckOptionalText(bstrRegNumber, 35));
    invoice::Employer employer;
    employer.address = check.Address("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    employer.ean = bstrEAN;
    employer.reg_number = bstrRegNumber;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.employer = std::move(employer);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetPerson(
    const char* method, long eSexType, DATE dBirthdate, const BSTR& bstrSSN, IAddress* pIAddress,
    VARIANT_BOOL* pbStatus, std::optional<invoice::Patient> invoice::InvoiceRequest::*target) {
    if (pbStatus == nullptr) return Abort(E_POINTER, std::string(method) + ": pbStatus is null");
    ArgumentCheck check(method);
    invoice::Patient person;
    check.Enum("eSexType", eSexType, &person.sex);
    check.Field("dBirthdate", checks::CheckDate(dBirthdate));
    check.Field("bstrSSN", request_rules::OptionalSsn(bstrSSN));
    person.address = check.PersonAddress("pIAddress", pIAddress);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    person.birthdate = dBirthdate;
    person.ssn = bstrSSN;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.*target = std::move(person);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetPatient(long eSexType, DATE dBirthdate, const BSTR& bstrSSN,
                                           IAddress* pIAddress, VARIANT_BOOL* pbStatus) {
    return SetPerson("SetPatient", eSexType, dBirthdate, bstrSSN, pIAddress, pbStatus,
                     &invoice::InvoiceRequest::patient);
}

HRESULT CGeneralInvoiceRequest::SetInsured(long eSexType, DATE dBirthdate, const BSTR& bstrSSN,
                                           IAddress* pIAddress, VARIANT_BOOL* pbStatus) {
    return SetPerson("SetInsured", eSexType, dBirthdate, bstrSSN, pIAddress, pbStatus,
                     &invoice::InvoiceRequest::insured);
}

HRESULT CGeneralInvoiceRequest::SetCard(const BSTR& bstrCardID, DATE dExpiryDate,
                                        DATE dValidationDate, const BSTR& bstrValidationID,
                                        const BSTR& bstrValidationServer, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetCard: pbStatus is null");
    ArgumentCheck check("SetCard");
    check.Field("bstrCardID", checks::CheckText(bstrCardID, 1, 35));
    check.Field("dExpiryDate", checks::CheckOptionalDate(dExpiryDate));
    check.Field("dValidationDate", checks::CheckOptionalDate(dValidationDate));
    check.Field("bstrValidationID", CheckOptionalText(bstrValidationID, 35));
    check.Field("bstrValidationServer", CheckOptionalText(bstrValidationServer, 35));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    invoice::InsuranceCard card;
    card.card_id = bstrCardID;
    card.expiry_date = invoice::OptionalDate(dExpiryDate);
    card.validation_date = invoice::OptionalDate(dValidationDate);
    card.validation_id = bstrValidationID;
    card.validation_server = bstrValidationServer;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.card = std::move(card);
    Changed();
    return Done(pbStatus);
}
