#pragma once

#include "bridge/iaddress.h"
#include "platform/com.h"

// Read access to an invoice that the module has loaded or produced
// (ITarvos::LoadXML, Print, GetXML), section by section. Address out-
// parameters are null when the invoice has no such address; otherwise they
// carry one reference for the caller. The first/next walks keep their
// position in the object; after the last element they return S_FALSE or
// DB_S_ENDOFROWSET with *pbStatus VARIANT_FALSE. Conventions as in
// bridge/module_interfaces.h.
class IGeneralInvoiceResult : public IUnknown {
  public:
    virtual HRESULT GetRequest(long* peDataLanguage, long* peRoleType, long* pePlaceType,
                               BSTR* pbstrRoleTitle, long* peIsStorno, long* peIsCopy,
                               BSTR* pbstrRemark, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetProcessing(long* pePrintAtIntermediate, long* ePrintGuarantorCopy,
                                  BSTR* pbstrTCToken, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetTransport(BSTR* pbstrFromEAN, BSTR* pbstrFromPFXFile,
                                 BSTR* pbstrFromPFXPassword, BSTR* pbstrViaEAN, BSTR* pbstrToEAN,
                                 BSTR* pbstrToBinDERFile, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetPackage(BSTR* pbstrSoftwarePackage, long* plSoftwareVersion,
                               long* plSoftwareID, BSTR* pbstrSoftwareCopyright,
                               VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetCredit(BSTR* pbstrRequestCreditID, DATE* pdRequestCreditDate,
                              long* plRequestCreditTimestamp, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetInvoice(BSTR* pbstrRequestInvoiceID, DATE* pdRequestInvoiceDate,
                               long* plRequestInvoiceTimestamp, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetReminder(BSTR* pbstrRequestReminderID, DATE* pdRequestReminderDate,
                                long* plRequestReminderTimestamp, long* plReminderLevel,
                                BSTR* pbstrReminderText, double* pdAmountReminder,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetTiers(long* peTiersMode, BSTR* pbstrVatNumber, double* pdAmountPrepaid,
                             VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetBalance(double* pdAmount, double* pdAmountObligatory,
                               double* pdAmountPrepaid, double* pdAmountReminder,
                               double* pdAmountDue, double* pdAmountVat,
                               VARIANT_BOOL* pbStatus) = 0;
    // Walk over the VAT lines: the VAT amount and its rate.
    virtual HRESULT GetFirstVat(double* pdVat, double* pdVatRate, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextVat(double* pdVat, double* pdVatRate, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetEsrType(long* peEsrType, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetEsr(long* peEsrType, BSTR* pbstrParticipantNumber,
                           BSTR* pbstrReferenceNumber, BSTR* pbstrBankAccount,
                           IAddress** pIBankAddress, IAddress** pICreditorAddress,
                           long* plPaymentPeriod, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetEsrRed(BSTR* pbstrPostAccount, BSTR* pbstrIBAN, BSTR* pbstrReferenceNumber,
                              BSTR* pbstrRemarks, IAddress** pIBankAddress,
                              IAddress** pICreditorAddress, long* plPaymentPeriod,
                              VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetEsrQR(long* peEsrType, BSTR* pbstrIBAN, BSTR* pbstrReferenceNumber,
                             BSTR* bstrCustomerNote, IAddress** pIBankAddress,
                             IAddress** pICreditorAddress, long* plPaymentPeriod,
                             VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetEsrRedQR(BSTR* pbstrIBAN, BSTR* pbstrRemarks, BSTR* bstrCustomerNote,
                                IAddress** pIBankAddress, IAddress** pICreditorAddress,
                                long* plPaymentPeriod, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetBiller(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF, BSTR* pbstrSpecialty,
                              IAddress** pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetProvider(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF,
                                BSTR* pbstrSpecialty, IAddress** pIAddress,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetInsurance(BSTR* pbstrEAN, IAddress** pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetPatient(long* peSexType, DATE* pdBirthdate, BSTR* pbstrSSN,
                               IAddress** pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetInsured(long* peSexType, DATE* pdBirthdate, BSTR* pbstrSSN,
                               IAddress** pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetGuarantor(IAddress** pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetDebitor(BSTR* pbstrEAN, IAddress** pIAddress, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetReferrer(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF,
                                BSTR* pbstrSpecialty, IAddress** pIAddress,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetEmployer(BSTR* pbstrEAN, BSTR* pbstrRegNumber, IAddress** pIAddress,
                                VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetTreatment(BSTR* pbstrAPID, BSTR* pbstrACID, DATE* pdDateBegin,
                                 DATE* pdDateEnd, long* peTreatmentCanton, long* peTreatmentType,
                                 long* peTreatmentReason, DATE* pdGestationWeek13,
                                 VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetXtraHospital(long* peTreatmentType, DATE* pdDateHospitalization,
                                    long* plTreatmentDays, long* peHospitalizationType,
                                    long* peHospitalizationMode, long* peHospitalizationClass,
                                    BSTR* pbstrSectionMajor, long* peHasExpenseLoading,
                                    VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetLaw(long* peLawType, DATE* pdCaseDate, BSTR* pbstrCaseID,
                           BSTR* pbstrInsuredID, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetCard(BSTR* pbstrCardID, DATE* pdExpiryDate, DATE* pdValidationDate,
                            BSTR* pbstrValidationID, BSTR* pbstrValidationServer,
                            VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFirstGrouperRecord(long* peGrouperRecordType, long* plNumber,
                                          BSTR* pbstrName, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextGrouperRecord(long* peGrouperRecordType, long* plNumber, BSTR* pbstrName,
                                         VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFirstBfSRecord(long* peBfSRecordType, long* plNumber, BSTR* pbstrName,
                                      VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextBfSRecord(long* peBfSRecordType, long* plNumber, BSTR* pbstrName,
                                     VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFirstCaseDetail(BSTR* pbstrTariffType, BSTR* pbstrCode, DATE* pdDateBegin,
                                       DATE* pdDateEnd, BSTR* pbstrACID,
                                       VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextCaseDetail(BSTR* pbstrTariffType, BSTR* pbstrCode, DATE* pdDateBegin,
                                      DATE* pdDateEnd, BSTR* pbstrACID, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFirstDiagnosis(long* peDiagnosisType, BSTR* pbstrCode, BSTR* pbstrText,
                                      VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextDiagnosis(long* peDiagnosisType, BSTR* pbstrCode, BSTR* pbstrText,
                                     VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFirstInstruction(BSTR* pbstrToken, BSTR* pbstrValue,
                                        VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextInstruction(BSTR* pbstrToken, BSTR* pbstrValue,
                                       VARIANT_BOOL* pbStatus) = 0;
    // *pbstrSource is a URL when *peIsURL is 1, otherwise a file path.
    virtual HRESULT GetFirstDocument(long* peIsURL, BSTR* pbstrSource, BSTR* pbstrTitle,
                                     BSTR* pbstrMimeType, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextDocument(long* peIsURL, BSTR* pbstrSource, BSTR* pbstrTitle,
                                    BSTR* pbstrMimeType, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFirstServiceEx(
        BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode, double* pdQuantity,
        long* plSessionNumber, DATE* pdDateBegin, DATE* pdDateEnd, long* peSide, BSTR* pbstrText,
        double* pdUnitMT, double* pdUnitFactorMT, double* pdUnitInternalScalingFactorMT,
        double* pdAmountMT, double* pdUnitTT, double* pdUnitFactorTT,
        double* pdUnitInternalScalingFactorTT, double* pdAmountTT, double* pdAmount,
        double* pdVatRate, long* peIsObligatory, BSTR* pbstrRemark, long* plGroupSize,
        BSTR* pbstrSectionCode, long* peIgnoreValidate, long* plServiceAttributes,
        long* peTreatmentType, double* pdExternalFactorMT, double* pdExternalFactorTT,
        BSTR* pbstrProviderEAN, BSTR* pbstrResponsibleEAN, long* peBillingRole, long* peMedicalRole,
        long* plID, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextServiceEx(
        BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode, double* pdQuantity,
        long* plSessionNumber, DATE* pdDateBegin, DATE* pdDateEnd, long* peSide, BSTR* pbstrText,
        double* pdUnitMT, double* pdUnitFactorMT, double* pdUnitInternalScalingFactorMT,
        double* pdAmountMT, double* pdUnitTT, double* pdUnitFactorTT,
        double* pdUnitInternalScalingFactorTT, double* pdAmountTT, double* pdAmount,
        double* pdVatRate, long* peIsObligatory, BSTR* pbstrRemark, long* plGroupSize,
        BSTR* pbstrSectionCode, long* peIgnoreValidate, long* plServiceAttributes,
        long* peTreatmentType, double* pdExternalFactorMT, double* pdExternalFactorTT,
        BSTR* pbstrProviderEAN, BSTR* pbstrResponsibleEAN, long* peBillingRole, long* peMedicalRole,
        long* plID, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetFirstService(BSTR* pbstrTariffType, BSTR* pbstrCode,
                                    BSTR* pbstrReferenceCode, double* pdQuantity,
                                    long* plSessionNumber, DATE* pdDateBegin, DATE* pdDateEnd,
                                    BSTR* pbstrProviderEAN, BSTR* pbstrResponsibleEAN,
                                    BSTR* pbstrText, double* pdUnit, double* pdUnitFactor,
                                    double* pdExternalFactor, double* pdAmount, double* pdVatRate,
                                    long* peIsObligatory, BSTR* pbstrRemark, BSTR* pbstrSectionCode,
                                    long* peIgnoreValidate, long* plServiceAttributes, long* plID,
                                    VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetNextService(BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode,
                                   double* pdQuantity, long* plSessionNumber, DATE* pdDateBegin,
                                   DATE* pdDateEnd, BSTR* pbstrProviderEAN,
                                   BSTR* pbstrResponsibleEAN, BSTR* pbstrText, double* pdUnit,
                                   double* pdUnitFactor, double* pdExternalFactor, double* pdAmount,
                                   double* pdVatRate, long* peIsObligatory, BSTR* pbstrRemark,
                                   BSTR* pbstrSectionCode, long* peIgnoreValidate,
                                   long* plServiceAttributes, long* plID,
                                   VARIANT_BOOL* pbStatus) = 0;
    // Drug details of the service line lID.
    virtual HRESULT GetXtraDrug(long lID, long* peIsIndicated, BSTR* pbstrIOCM, long* peDelivery,
                                long* plRegulationAttributes, long* peHasLimitation,
                                VARIANT_BOOL* pbStatus) = 0;
    // DRG split factors of the service line lID.
    virtual HRESULT GetXtraDRG(long lID, double* pdSplitFactor1, double* pdSplitFactor2,
                               VARIANT_BOOL* pbStatus) = 0;
    // The text of the last failure on this object.
    virtual HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) = 0;
};

template <>
struct InterfaceTraits<IGeneralInvoiceResult> {
    // {d89df4b7-f9db-460f-a6c4-ce7f46e54d38}
    static constexpr IID kIid = {
        0xd89df4b7, 0xf9db, 0x460f, {0xa6, 0xc4, 0xce, 0x7f, 0x46, 0xe5, 0x4d, 0x38}};
};
