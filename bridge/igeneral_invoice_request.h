#pragma once

#include "bridge/iaddress.h"
#include "bridge/iservice_ex_input.h"
#include "platform/com.h"

// One invoice request under construction: Initialize, the section setters,
// the record and service adders, then Finalize. Made by
// ITarvos::GetGeneralInvoiceRequest or ITarvos::LoadXML. Address and
// service-input arguments may be null (the module decides what that means);
// the module takes its own references on the objects it keeps. Conventions as
// in bridge/module_interfaces.h.
class IGeneralInvoiceRequest : public IUnknown {
  public:
    // Starts a new, empty request in the given data language.
    virtual HRESULT Initialize(long eDataLanguage, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetRequest(long eRoleType, long ePlaceType, const BSTR& bstrRoleTitle,
                               long eIsStorno, long eIsCopy, const BSTR& bstrRemark,
                               VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetProcessing(long ePrintAtIntermediate, long ePrintGuarantorCopy,
                                  const BSTR& bstrTCToken, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetTransport(const BSTR& bstrFromEAN, const BSTR& bstrFromPFXFile,
                                 const BSTR& bstrFromPFXPassword, const BSTR& bstrViaEAN,
                                 const BSTR& bstrToEAN, const BSTR& bstrToBinDERFile,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetPackage(const BSTR& bstrSoftwarePackage, long lSoftwareVersion,
                               long lSoftwareID, const BSTR& bstrSoftwareCopyright,
                               VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetCredit(const BSTR& bstrRequestCreditID, DATE dRequestCreditDate,
                              long lRequestCreditTimestamp, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetInvoice(const BSTR& bstrRequestInvoiceID, DATE dRequestInvoiceDate,
                               long lRequestInvoiceTimestamp, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetReminder(const BSTR& bstrRequestReminderID, DATE dRequestReminderDate,
                                long lRequestReminderTimestamp, long lReminderLevel,
                                const BSTR& bstrReminderText, double dAmountReminder,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetTiers(long eTiersMode, const BSTR& bstrVatNumber, double dAmountPrepaid,
                             VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetEsr(long eEsrType, const BSTR& bstrParticipantNumber,
                           const BSTR& bstrReferenceNumber, const BSTR& bstrBankAccount,
                           IAddress* pIBankAddress, IAddress* pICreditorAddress,
                           long lPaymentPeriod, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetEsrRed(const BSTR& bstrPostAccount, const BSTR& bstrIBAN,
                              const BSTR& bstrReferenceNumber, const BSTR& bstrRemarks,
                              IAddress* pIBankAddress, IAddress* pICreditorAddress,
                              long lPaymentPeriod, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetEsrQR(long eEsrType, const BSTR& bstrIBAN, const BSTR& bstrReferenceNumber,
                             const BSTR& bstrCustomerNote, IAddress* pIBankAddress,
                             IAddress* pICreditorAddress, long lPaymentPeriod,
                             VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetEsrRedQR(const BSTR& bstrIBAN, const BSTR& bstrRemarks,
                                const BSTR& bstrCustomerNote, IAddress* pIBankAddress,
                                IAddress* pICreditorAddress, long lPaymentPeriod,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetBiller(const BSTR& bstrEAN, const BSTR& bstrZSR, const BSTR& bstrNIF,
                              const BSTR& bstrSpecialty, IAddress* pIAddress,
                              VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetProvider(const BSTR& bstrEAN, const BSTR& bstrZSR, const BSTR& bstrNIF,
                                const BSTR& bstrSpecialty, IAddress* pIAddress,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetInsurance(const BSTR& bstrEAN, IAddress* pIAddress,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetPatient(long eSexType, DATE dBirthdate, const BSTR& bstrSSN,
                               IAddress* pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetInsured(long eSexType, DATE dBirthdate, const BSTR& bstrSSN,
                               IAddress* pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetGuarantor(IAddress* pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetDebitor(const BSTR& bstrEAN, IAddress* pIAddress,
                               VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetReferrer(const BSTR& bstrEAN, const BSTR& bstrZSR, const BSTR& bstrNIF,
                                const BSTR& bstrSpecialty, IAddress* pIAddress,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetEmployer(const BSTR& bstrEAN, const BSTR& bstrRegNumber, IAddress* pIAddress,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetTreatment(const BSTR& bstrAPID, const BSTR& bstrACID, DATE dDateBegin,
                                 DATE dDateEnd, long eTreatmentCanton, long eTreatmentType,
                                 long eTreatmentReason, DATE dGestationWeek13,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetXtraHospital(long eTreatmentType, DATE dDateHospitalization,
                                    long lTreatmentDays, long eHospitalizationType,
                                    long eHospitalizationMode, long eHospitalizationClass,
                                    const BSTR& bstrSectionMajor, long eHasExpenseLoading,
                                    VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetLaw(long eLawType, DATE dCaseDate, const BSTR& bstrCaseID,
                           const BSTR& bstrInsuredID, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT SetCard(const BSTR& bstrCardID, DATE dExpiryDate, DATE dValidationDate,
                            const BSTR& bstrValidationID, const BSTR& bstrValidationServer,
                            VARIANT_BOOL* pbStatus) = 0;
    // The text of the last failure on this object.
    virtual HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddGrouperRecord(long eGrouperRecordType, long lNumber, const BSTR& bstrName,
                                     VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddBfSRecord(long eBfSRecordType, long lNumber, const BSTR& bstrName,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddCaseDetail(const BSTR& bstrTariffType, const BSTR& bstrCode, DATE dDateBegin,
                                  DATE dDateEnd, const BSTR& bstrACID, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddDiagnosis(long eDiagnosisType, const BSTR& bstrCode, const BSTR& bstrText,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT AddInstruction(const BSTR& bstrToken, const BSTR& bstrValue,
                                   VARIANT_BOOL* pbStatus) = 0;
    // bstrSource is a URL when eIsURL is 1, otherwise a file path.
    virtual HRESULT AddDocument(long eIsURL, const BSTR& bstrSource, const BSTR& bstrTitle,
                                const BSTR& bstrMimeType, VARIANT_BOOL* pbStatus) = 0;
    // Adds a service line with the extra input; *plID names the new line.
    virtual HRESULT AddServiceEx(
        IServiceExInput* pIServiceExInput, const BSTR& bstrTariffType, const BSTR& bstrCode,
        const BSTR& bstrReferenceCode, double dQuantity, long lSessionNumber, DATE dDateBegin,
        DATE dDateEnd, long eSide, const BSTR& bstrText, double dUnitMT, double dUnitFactorMT,
        double dUnitInternalScalingFactorMT, double dAmountMT, double dUnitTT, double dUnitFactorTT,
        double dUnitInternalScalingFactorTT, double dAmountTT, double dAmount, double dVatRate,
        long eIsObligatory, const BSTR& bstrRemark, long lGroupSize, const BSTR& bstrSectionCode,
        long eIgnoreValidate, long lServiceAttributes, long* plID, VARIANT_BOOL* pbStatus) = 0;
    // Adds a service line; *plID names the new line.
    virtual HRESULT AddService(const BSTR& bstrTariffType, const BSTR& bstrCode,
                               const BSTR& bstrReferenceCode, double dQuantity, long lSessionNumber,
                               DATE dDateBegin, DATE dDateEnd, const BSTR& bstrProviderEAN,
                               const BSTR& bstrResponsibleEAN, const BSTR& bstrText, double dUnit,
                               double dUnitFactor, double dExternalFactor, double dAmount,
                               double dVatRate, long eIsObligatory, const BSTR& bstrRemark,
                               const BSTR& bstrSectionCode, long eIgnoreValidate,
                               long lServiceAttributes, long* plID, VARIANT_BOOL* pbStatus) = 0;
    // Drug details of the service line lID (from AddService/AddServiceEx).
    virtual HRESULT SetXtraDrug(long lID, long eIsIndicated, const BSTR& bstrIOCM, long eDelivery,
                                long lRegulationAttributes, long eHasLimitation,
                                VARIANT_BOOL* pbStatus) = 0;
    // DRG split factors of the service line lID.
    virtual HRESULT SetXtraDRG(long lID, double dSplitFactor1, double dSplitFactor2,
                               VARIANT_BOOL* pbStatus) = 0;
    // Completes the request; *pdRoundDifference is the rounding difference
    // of the total.
    virtual HRESULT Finalize(double* pdRoundDifference, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetCreateServiceExInput(const BSTR& bstrTariffType,
                                            IServiceExInput** pIServiceExInput) = 0;
    virtual HRESULT GetCreateAddress(IAddress** pIAddress) = 0;
};

template <>
struct InterfaceTraits<IGeneralInvoiceRequest> {
    // {b2b8b982-bf8e-4386-94af-6796df0a19a3}
    static constexpr IID kIid = {
        0xb2b8b982, 0xbf8e, 0x4386, {0x94, 0xaf, 0x67, 0x96, 0xdf, 0x0a, 0x19, 0xa3}};
};
