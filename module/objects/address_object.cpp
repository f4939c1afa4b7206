#include "module/objects/address_object.h"

#include <initializer_list>
#include <mutex>
#include <string>

#include "module/checks/check_result.h"
#include "module/checks/value_checks.h"

namespace {

using checks::CheckOptionalText;
using checks::CheckResult;
using checks::CheckText;
using checks::FirstFailure;

// The 4.50 format's limit of names, street, city and the like.
constexpr size_t kNameChars = 35;
// The limit of each part of a phone number (the joined text has its own).
constexpr size_t kPhonePartChars = 25;

// Checks the four parts of a phone or fax and the joined text.
std::string CheckPhoneParts(const char* method, const invoice::PhoneNumber& phone) {
    std::string failure = FirstFailure(
        method,
        {{"bstrNumber", CheckText(phone.number, 1, kPhonePartChars)},
         {"bstrLocalCode", CheckOptionalText(phone.local_code, kPhonePartChars)},
         {"bstrInternationalCode", CheckOptionalText(phone.international_code, kPhonePartChars)},
         {"bstrExt", CheckOptionalText(phone.ext, kPhonePartChars)}});
    if (!failure.empty()) return failure;
    CheckResult joined = checks::CheckPhone(invoice::PhoneText(phone));
    if (!joined.ok) {
        return std::string(method) + ": the number with its codes and extension " + joined.rule;
    }
    return std::string();
}

void Assign(const std::string& value, BSTR* out) {
    *out = value;
}

VARIANT_BOOL StatusOf(bool set) {
    return set ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

HRESULT CAddress::Initialize(VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    data_ = invoice::Address();
    next_phone_ = 0;
    return Done(pbStatus);
}

HRESULT CAddress::SetPerson(const BSTR& bstrFamilyname, const BSTR& bstrGivenname,
                            const BSTR& bstrSalutation, const BSTR& bstrTitle,
                            const BSTR& bstrSubaddressing, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::string failure = FirstFailure(
        "SetPerson", {{"bstrFamilyname", CheckText(bstrFamilyname, 1, kNameChars)},
                      {"bstrGivenname", CheckText(bstrGivenname, 1, kNameChars)},
                      {"bstrSalutation", CheckOptionalText(bstrSalutation, kNameChars)},
                      {"bstrTitle", CheckOptionalText(bstrTitle, kNameChars)},
                      {"bstrSubaddressing", CheckOptionalText(bstrSubaddressing, kNameChars)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.type = invoice::AddressType::kPerson;
    data_.person = {bstrFamilyname, bstrGivenname, bstrSalutation, bstrTitle, bstrSubaddressing};
    return Done(pbStatus);
}

HRESULT CAddress::GetPerson(BSTR* pbstrFamilyname, BSTR* pbstrGivenname, BSTR* pbstrSalutation,
                            BSTR* pbstrTitle, BSTR* pbstrSubaddressing, VARIANT_BOOL* pbStatus) {
    if (pbstrFamilyname == nullptr || pbstrGivenname == nullptr || pbstrSalutation == nullptr ||
        pbstrTitle == nullptr || pbstrSubaddressing == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    const invoice::PersonName& person = data_.person;
    Assign(person.familyname, pbstrFamilyname);
    Assign(person.givenname, pbstrGivenname);
    Assign(person.salutation, pbstrSalutation);
    Assign(person.title, pbstrTitle);
    Assign(person.subaddressing, pbstrSubaddressing);
    *pbStatus = StatusOf(data_.type == invoice::AddressType::kPerson);
    return S_OK;
}

HRESULT CAddress::SetCompany(const BSTR& bstrCompanyName, const BSTR& bstrDepartment,
                             const BSTR& bstrSubaddressing, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::string failure = FirstFailure(
        "SetCompany", {{"bstrCompanyName", CheckText(bstrCompanyName, 1, kNameChars)},
                       {"bstrDepartment", CheckOptionalText(bstrDepartment, kNameChars)},
                       {"bstrSubaddressing", CheckOptionalText(bstrSubaddressing, kNameChars)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.type = invoice::AddressType::kCompany;
    data_.company = {bstrCompanyName, bstrDepartment, bstrSubaddressing};
    return Done(pbStatus);
}

HRESULT CAddress::GetCompany(BSTR* pbstrCompanyName, BSTR* pbstrDepartment,
                             BSTR* pbstrSubaddressing, VARIANT_BOOL* pbStatus) {
    if (pbstrCompanyName == nullptr || pbstrDepartment == nullptr ||
        pbstrSubaddressing == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    Assign(data_.company.companyname, pbstrCompanyName);
    Assign(data_.company.department, pbstrDepartment);
    Assign(data_.company.subaddressing, pbstrSubaddressing);
    *pbStatus = StatusOf(data_.type == invoice::AddressType::kCompany);
    return S_OK;
}

HRESULT CAddress::SetPostal(const BSTR& bstrStreet, const BSTR& bstrPoBox, const BSTR& bstrZip,
                            const BSTR& bstrCity, const BSTR& bstrStateCode,
                            const BSTR& bstrCountryCode, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::string failure = FirstFailure(
        "SetPostal",
        {{"bstrStreet", CheckOptionalText(bstrStreet, kNameChars)},
         {"bstrPoBox", CheckOptionalText(bstrPoBox, kNameChars)},
         {"bstrZip", checks::CheckZip(bstrZip)},
         {"bstrCity", CheckText(bstrCity, 1, kNameChars)},
         {"bstrStateCode", checks::CheckStateCode(bstrStateCode)},
         {"bstrCountryCode",
          bstrCountryCode.empty() ? checks::Passed() : checks::CheckCountryCode(bstrCountryCode)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.postal = {bstrStreet, bstrPoBox, bstrZip, bstrCity, bstrStateCode, bstrCountryCode};
    return Done(pbStatus);
}

HRESULT CAddress::GetPostal(BSTR* pbstrStreet, BSTR* pbstrPoBox, BSTR* pbstrZip, BSTR* pbstrCity,
                            BSTR* pbstrStateCode, BSTR* pbstrCountryCode, VARIANT_BOOL* pbStatus) {
    if (pbstrStreet == nullptr || pbstrPoBox == nullptr || pbstrZip == nullptr ||
        pbstrCity == nullptr || pbstrStateCode == nullptr || pbstrCountryCode == nullptr ||
        pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    const invoice::PostalAddress& postal = data_.postal;
    Assign(postal.street, pbstrStreet);
    Assign(postal.pobox, pbstrPoBox);
    Assign(postal.zip, pbstrZip);
    Assign(postal.city, pbstrCity);
    Assign(postal.statecode, pbstrStateCode);
    Assign(postal.countrycode, pbstrCountryCode);
    *pbStatus = StatusOf(!postal.zip.empty() || !postal.city.empty());
    return S_OK;
}

HRESULT CAddress::SetFax(const BSTR& bstrNumber, const BSTR& bstrLocalCode,
                         const BSTR& bstrInternationalCode, const BSTR& bstrExt,
                         VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    invoice::PhoneNumber fax{bstrNumber, bstrLocalCode, bstrInternationalCode, bstrExt};
    bool remove = invoice::PhoneText(fax).empty();
    if (!remove) {
        std::string failure = CheckPhoneParts("SetFax", fax);
        if (!failure.empty()) return Abort(E_INVALIDARG, failure);
    }

    std::lock_guard<std::mutex> guard(mutex_);
    data_.faxes.clear();
    if (!remove) data_.faxes.push_back(fax);
    return Done(pbStatus);
}

HRESULT CAddress::GetFax(BSTR* pbstrNumber, BSTR* pbstrLocalCode, BSTR* pbstrInternationalCode,
                         BSTR* pbstrExt, VARIANT_BOOL* pbStatus) {
    if (pbstrNumber == nullptr || pbstrLocalCode == nullptr || pbstrInternationalCode == nullptr ||
        pbstrExt == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    invoice::PhoneNumber fax;
    if (!data_.faxes.empty()) fax = data_.faxes.front();
    Assign(fax.number, pbstrNumber);
    Assign(fax.local_code, pbstrLocalCode);
    Assign(fax.international_code, pbstrInternationalCode);
    Assign(fax.ext, pbstrExt);
    *pbStatus = StatusOf(!data_.faxes.empty());
    return S_OK;
}

HRESULT CAddress::AddPhone(const BSTR& bstrNumber, const BSTR& bstrLocalCode,
                           const BSTR& bstrInternationalCode, const BSTR& bstrExt,
                           VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    invoice::PhoneNumber phone{bstrNumber, bstrLocalCode, bstrInternationalCode, bstrExt};
    std::string failure = CheckPhoneParts("AddPhone", phone);
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::unique_lock<std::mutex> guard(mutex_);
    if (data_.phones.size() >= invoice::kMaxTelecomEntries) {
        guard.unlock();
        return Abort(E_FAIL, "AddPhone: the address holds " +
                                 std::to_string(invoice::kMaxTelecomEntries) +
                                 " phones already, the most the invoice format allows");
    }
    data_.phones.push_back(phone);
    return Done(pbStatus);
}

HRESULT CAddress::GetFirstPhone(BSTR* pbstrNumber, BSTR* pbstrLocalCode,
                                BSTR* pbstrInternationalCode, BSTR* pbstrExt,
                                VARIANT_BOOL* pbStatus) {
    if (pbstrNumber == nullptr || pbstrLocalCode == nullptr || pbstrInternationalCode == nullptr ||
        pbstrExt == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    return ReadPhone(0, pbstrNumber, pbstrLocalCode, pbstrInternationalCode, pbstrExt, pbStatus);
}

HRESULT CAddress::GetNextPhone(BSTR* pbstrNumber, BSTR* pbstrLocalCode,
                               BSTR* pbstrInternationalCode, BSTR* pbstrExt,
                               VARIANT_BOOL* pbStatus) {
    if (pbstrNumber == nullptr || pbstrLocalCode == nullptr || pbstrInternationalCode == nullptr ||
        pbstrExt == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    return ReadPhone(next_phone_, pbstrNumber, pbstrLocalCode, pbstrInternationalCode, pbstrExt,
                     pbStatus);
}

HRESULT CAddress::ReadPhone(size_t index, BSTR* pbstrNumber, BSTR* pbstrLocalCode,
                            BSTR* pbstrInternationalCode, BSTR* pbstrExt, VARIANT_BOOL* pbStatus) {
    bool found = index < data_.phones.size();
    invoice::PhoneNumber phone;
    if (found) phone = data_.phones[index];
    Assign(phone.number, pbstrNumber);
    Assign(phone.local_code, pbstrLocalCode);
    Assign(phone.international_code, pbstrInternationalCode);
    Assign(phone.ext, pbstrExt);
    *pbStatus = StatusOf(found);
    next_phone_ = found ? index + 1 : data_.phones.size();
    return found ? S_OK : S_FALSE;
}

HRESULT CAddress::SetOnline(const BSTR& bstrEMail, const BSTR& bstrUrl, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    std::string failure = FirstFailure(
        "SetOnline",
        {{"bstrEMail", bstrEMail.empty() ? checks::Passed() : checks::CheckEmail(bstrEMail)},
         {"bstrUrl", bstrUrl.empty() ? checks::Passed() : checks::CheckUrl(bstrUrl)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    std::lock_guard<std::mutex> guard(mutex_);
    data_.emails.clear();
    data_.urls.clear();
    if (!bstrEMail.empty()) data_.emails.push_back(bstrEMail);
    if (!bstrUrl.empty()) data_.urls.push_back(bstrUrl);
    return Done(pbStatus);
}

HRESULT CAddress::GetOnline(BSTR* pbstrEMail, BSTR* pbstrUrl, VARIANT_BOOL* pbStatus) {
    if (pbstrEMail == nullptr || pbstrUrl == nullptr || pbStatus == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    Assign(data_.emails.empty() ? std::string() : data_.emails.front(), pbstrEMail);
    Assign(data_.urls.empty() ? std::string() : data_.urls.front(), pbstrUrl);
    *pbStatus = StatusOf(!data_.emails.empty() || !data_.urls.empty());
    return S_OK;
}

HRESULT CAddress::GetType(long* peAddressType) {
    if (peAddressType == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    *peAddressType = static_cast<long>(data_.type);
    return S_OK;
}

invoice::Address CAddress::Snapshot() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return data_;
}

HRESULT CreateAddress(IAddress** out) {
    if (out == nullptr) return E_POINTER;
    *out = MakeComObject<CAddress>().Detach();
    return S_OK;
}

const CAddress* AsAddressImpl(IAddress* address) {
    return dynamic_cast<const CAddress*>(address);
}
