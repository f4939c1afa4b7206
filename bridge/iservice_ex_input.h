#pragma once

#include "platform/com.h"

// The extra input of an extended service line: physician roles, patient,
// treatment, and the token, dignity and section lists. Made by
// IGeneralInvoiceRequest::GetCreateServiceExInput and handed to
// IGeneralInvoiceRequest::AddServiceEx. Conventions as in
// bridge/module_interfaces.h.
class IServiceExInput : public IUnknown {
  public:
    // Empties the input.
    virtual HRESULT Initialize(VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetPhysician(long eMedicalRole, long eBillingRole,
                                 const BSTR& bstrEanNumberProvider,
                                 const BSTR& bstrEanNumberResponsible, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetPhysician(long* peMedicalRole, long* peBillingRole,
                                 BSTR* pbstrEanNumberProvider, BSTR* pbstrEanNumberResponsible,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetPatient(DATE dBirthdate, long eSex, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetPatient(DATE* pdBirthdate, long* peSex, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetTreatment(long eCanton, long eLaw, long eTreatmentType, long eSettlement,
                                 const BSTR& bstrEanNumberSection, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetTreatment(long* peCanton, long* peLaw, long* peTreatmentType,
                                 long* peSettlement, BSTR* pbstrEanNumberSection,
                                 VARIANT_BOOL* pbStatus) = 0;
    // Empties the token list.
    virtual HRESULT InitToken(VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddToken(const BSTR& bstrToken, const BSTR& bstrValue,
                             VARIANT_BOOL* pbStatus) = 0;
    // First/next walks (tokens, dignities, sections): after the last element
    // S_FALSE or DB_S_ENDOFROWSET, with *pbStatus VARIANT_FALSE.
    virtual HRESULT GetFirstToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextToken(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) = 0;
    // Empties the dignity list.
    virtual HRESULT InitDignity(VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddDignity(const BSTR& bstrEanNumber, const BSTR& bstrQLCode,
                               VARIANT_BOOL* pbStatus) = 0;
    // Takes two in-texts before its outputs (the walk's starting criteria).
    virtual HRESULT GetFirstDignity(const BSTR& bstrEanNumber, const BSTR& bstrQLCode,
                                    BSTR* pbstrEanNumber, BSTR* pbstrQLCode,
                                    VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextDignity(BSTR* pbstrEanNumber, BSTR* pbstrQLCode,
                                   VARIANT_BOOL* pbStatus) = 0;
    // Empties the section list.
    virtual HRESULT InitSection(VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddSection(const BSTR& bstrEanNumber, const BSTR& bstrCode,
                               VARIANT_BOOL* pbStatus) = 0;
    // Takes two in-texts before its outputs (the walk's starting criteria).
    virtual HRESULT GetFirstSection(const BSTR& bstrEanNumber, const BSTR& bstrCode,
                                    BSTR* pbstrEanNumber, BSTR* pbstrCode,
                                    VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextSection(BSTR* pbstrEanNumber, BSTR* pbstrCode,
                                   VARIANT_BOOL* pbStatus) = 0;
    // The text of the last failure on this object.
    virtual HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetExternalFactor_MT(double* pdExternalFactor_MT) = 0;
    virtual HRESULT PutExternalFactor_MT(double dExternalFactor_MT) = 0;
    virtual HRESULT GetExternalFactor_TT(double* pdExternalFactor_TT) = 0;
    virtual HRESULT PutExternalFactor_TT(double dExternalFactor_TT) = 0;
};

template <>
struct InterfaceTraits<IServiceExInput> {
    // {58f4854a-6aa9-4d2c-adc6-82dbe887d53b}
    static constexpr IID kIid = {
        0x58f4854a, 0x6aa9, 0x4d2c, {0xad, 0xc6, 0x82, 0xdb, 0xe8, 0x87, 0xd5, 0x3b}};
};
