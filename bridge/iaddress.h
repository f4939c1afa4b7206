#pragma once

#include "platform/com.h"

// An address of the invoice module: a person's or a company's, with postal
// data, fax, phones and online contacts. Made by
// IGeneralInvoiceRequest::GetCreateAddress and handed to the request's
// address-taking methods.
//
// Conventions of all five module interfaces (see bridge/module_interfaces.h):
// only S_OK is success; every out-pointer must be non-null (E_POINTER
// otherwise); out texts are assigned, out objects carry one reference for the
// caller.
class IAddress : public IUnknown {
  public:
    // Empties the address.
    virtual HRESULT Initialize(VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetPerson(const BSTR& bstrFamilyname, const BSTR& bstrGivenname,
                              const BSTR& bstrSalutation, const BSTR& bstrTitle,
                              const BSTR& bstrSubaddressing, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetPerson(BSTR* pbstrFamilyname, BSTR* pbstrGivenname, BSTR* pbstrSalutation,
                              BSTR* pbstrTitle, BSTR* pbstrSubaddressing,
                              VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetCompany(const BSTR& bstrCompanyName, const BSTR& bstrDepartment,
                               const BSTR& bstrSubaddressing, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetCompany(BSTR* pbstrCompanyName, BSTR* pbstrDepartment,
                               BSTR* pbstrSubaddressing, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetPostal(const BSTR& bstrStreet, const BSTR& bstrPoBox, const BSTR& bstrZip,
                              const BSTR& bstrCity, const BSTR& bstrStateCode,
                              const BSTR& bstrCountryCode, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetPostal(BSTR* pbstrStreet, BSTR* pbstrPoBox, BSTR* pbstrZip, BSTR* pbstrCity,
                              BSTR* pbstrStateCode, BSTR* pbstrCountryCode,
                              VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetFax(const BSTR& bstrNumber, const BSTR& bstrLocalCode,
                           const BSTR& bstrInternationalCode, const BSTR& bstrExt,
                           VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFax(BSTR* pbstrNumber, BSTR* pbstrLocalCode, BSTR* pbstrInternationalCode,
                           BSTR* pbstrExt, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddPhone(const BSTR& bstrNumber, const BSTR& bstrLocalCode,
                             const BSTR& bstrInternationalCode, const BSTR& bstrExt,
                             VARIANT_BOOL* pbStatus) = 0;
    // First/next walk over the phones. After the last phone: S_FALSE or
    // DB_S_ENDOFROWSET, with *pbStatus VARIANT_FALSE.
    virtual HRESULT GetFirstPhone(BSTR* pbstrNumber, BSTR* pbstrLocalCode,
                                  BSTR* pbstrInternationalCode, BSTR* pbstrExt,
                                  VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextPhone(BSTR* pbstrNumber, BSTR* pbstrLocalCode,
                                 BSTR* pbstrInternationalCode, BSTR* pbstrExt,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetOnline(const BSTR& bstrEMail, const BSTR& bstrUrl,
                              VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetOnline(BSTR* pbstrEMail, BSTR* pbstrUrl, VARIANT_BOOL* pbStatus) = 0;
    // The text of the last failure on this object.
    virtual HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) = 0;
    // 1 for a person's address, 2 for a company's; other values are the
    // module's.
    virtual HRESULT GetType(long* peAddressType) = 0;
};

template <>
struct InterfaceTraits<IAddress> {
    // {1b33e391-255b-4d59-b32a-19e4274d71c4}
    static constexpr IID kIid = {
        0x1b33e391, 0x255b, 0x4d59, {0xb3, 0x2a, 0x19, 0xe4, 0x27, 0x4d, 0x71, 0xc4}};
};
