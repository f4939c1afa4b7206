#pragma once

#include <cstddef>
#include <string>

#include "bridge/iaddress.h"
#include "module/model/model_address.h"
#include "module/objects/module_object.h"
#include "platform/com.h"

// The address object of the invoice module (IAddress): a person's or a
// company's name, the postal address, up to three phones, one fax, one e-mail
// address and one URL, kept as an invoice::Address.
//
// Every setter checks all of its arguments against the 4.50 format before it
// changes anything: names, street, city and the like are 1 to 35 characters
// (optional ones may be empty), the zip 1 to 9, the state code up to 9, the
// country code up to 3 (empty means Switzerland), a phone or fax at most 25
// characters once its parts are joined, an e-mail address "name@domain" of up
// to 70 characters, a URL of up to 100 characters without blanks. A rejected
// call returns E_INVALIDARG (E_FAIL when the phone list is full) and leaves
// the address as it was; GetAbortInfo names the method, the parameter and the
// rule.
//
// Reads answer S_OK; their pbStatus is VARIANT_TRUE when the part read has
// been set (GetPerson on a person's address, GetCompany on a company's,
// GetFax with a fax, GetPostal after SetPostal, GetOnline with an e-mail
// address or URL) and VARIANT_FALSE otherwise, the texts then being what the
// object holds (empty when never set). GetFirstPhone / GetNextPhone answer
// S_FALSE with VARIANT_FALSE and empty texts past the last phone; GetFirstPhone
// restarts the walk.
//
// Thread-safe: every method and Snapshot take mutex_.
class CAddress final : public CModuleObject<IAddress> {
  public:
    // An empty address (type 0, nothing set). Use MakeComObject<CAddress>().
    CAddress() = default;
    // An address holding `data` as given (the XML loader's addresses).
    explicit CAddress(const invoice::Address& data) : data_(data) {}

    HRESULT Initialize(VARIANT_BOOL* pbStatus) override;
    HRESULT SetPerson(const BSTR& bstrFamilyname, const BSTR& bstrGivenname,
                      const BSTR& bstrSalutation, const BSTR& bstrTitle,
                      const BSTR& bstrSubaddressing, VARIANT_BOOL* pbStatus) override;
    HRESULT GetPerson(BSTR* pbstrFamilyname, BSTR* pbstrGivenname, BSTR* pbstrSalutation,
                      BSTR* pbstrTitle, BSTR* pbstrSubaddressing, VARIANT_BOOL* pbStatus) override;
    HRESULT SetCompany(const BSTR& bstrCompanyName, const BSTR& bstrDepartment,
                       const BSTR& bstrSubaddressing, VARIANT_BOOL* pbStatus) override;
    HRESULT GetCompany(BSTR* pbstrCompanyName, BSTR* pbstrDepartment, BSTR* pbstrSubaddressing,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT SetPostal(const BSTR& bstrStreet, const BSTR& bstrPoBox, const BSTR& bstrZip,
                      const BSTR& bstrCity, const BSTR& bstrStateCode, const BSTR& bstrCountryCode,
                      VARIANT_BOOL* pbStatus) override;
    HRESULT GetPostal(BSTR* pbstrStreet, BSTR* pbstrPoBox, BSTR* pbstrZip, BSTR* pbstrCity,
                      BSTR* pbstrStateCode, BSTR* pbstrCountryCode,
                      VARIANT_BOOL* pbStatus) override;
    // An empty number with empty parts removes the fax.
    HRESULT SetFax(const BSTR& bstrNumber, const BSTR& bstrLocalCode,
                   const BSTR& bstrInternationalCode, const BSTR& bstrExt,
                   VARIANT_BOOL* pbStatus) override;
    HRESULT GetFax(BSTR* pbstrNumber, BSTR* pbstrLocalCode, BSTR* pbstrInternationalCode,
                   BSTR* pbstrExt, VARIANT_BOOL* pbStatus) override;
    // Appends a phone; the fourth is rejected (E_FAIL).
    HRESULT AddPhone(const BSTR& bstrNumber, const BSTR& bstrLocalCode,
                     const BSTR& bstrInternationalCode, const BSTR& bstrExt,
                     VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstPhone(BSTR* pbstrNumber, BSTR* pbstrLocalCode, BSTR* pbstrInternationalCode,
                          BSTR* pbstrExt, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextPhone(BSTR* pbstrNumber, BSTR* pbstrLocalCode, BSTR* pbstrInternationalCode,
                         BSTR* pbstrExt, VARIANT_BOOL* pbStatus) override;
    // Either text may be empty (not given); the call replaces both.
    HRESULT SetOnline(const BSTR& bstrEMail, const BSTR& bstrUrl, VARIANT_BOOL* pbStatus) override;
    HRESULT GetOnline(BSTR* pbstrEMail, BSTR* pbstrUrl, VARIANT_BOOL* pbStatus) override;
    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        return CModuleObject<IAddress>::GetAbortInfo(pbstrAbort, pbStatus);
    }
    // 0 until SetPerson (1) or SetCompany (2); the later of the two wins.
    HRESULT GetType(long* peAddressType) override;

    // A copy of the address, taken under the lock. For the other classes of
    // the module (the request keeps the copy when an address is handed in).
    invoice::Address Snapshot() const;

  private:
    ~CAddress() override = default;

    // Writes phone `index` (or empty texts past the end) to the out-parameters
    // and moves the walk on. REQUIRES: mutex_ held, pointers checked.
    HRESULT ReadPhone(size_t index, BSTR* pbstrNumber, BSTR* pbstrLocalCode,
                      BSTR* pbstrInternationalCode, BSTR* pbstrExt, VARIANT_BOOL* pbStatus);

    invoice::Address data_;
    size_t next_phone_ = 0;  // the phone GetNextPhone reads
};

// Creates an empty address and returns it in *out with one reference for the
// caller. E_POINTER when out is null.
HRESULT CreateAddress(IAddress** out);

// Our own address object behind `address`, or nullptr when `address` is null
// or another implementation of IAddress. The pointer is borrowed: it stays
// valid as long as the caller holds its reference to `address`.
const CAddress* AsAddressImpl(IAddress* address);
