#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/igeneral_invoice_result.h"
#include "module/model/invoice_model.h"
#include "module/objects/module_object.h"
#include "platform/com.h"

// The result object of the module (IGeneralInvoiceResult): read access to a
// finalized or loaded invoice, section by section. Made by
// CreateInvoiceResult (module/objects/result_factory.h) over an invoice that never
// changes afterwards.
//
// Values out: amounts, quantities, factors and rates as double (from their
// exact decimals), dates as the DATE serials the invoice holds (0 for a date
// not given), enumerations as their numbers (module/model/invoice_enums.h), yes/no
// values as 0 and 1.
//
// Sections the invoice lacks (docs/module-api.md, "Reading a result"): a
// single read answers S_OK with empty texts, 0 numbers, 0 enumerations, no
// address and *pbStatus VARIANT_FALSE; with the section present *pbStatus is
// VARIANT_TRUE. The four payment-slip reads answer only the slip of their own
// kind (GetEsrType tells which one the invoice carries).
//
// Addresses out: each read hands out a new IAddress holding a copy of the
// invoice's address (one reference for the caller); changing it changes
// nothing in the invoice. Null when the invoice has no such address.
//
// First/next reads: a first read restarts its list and reads element 1; a
// next read reads the element after the last one read (element 1 when the
// list was never read). Past the last element: S_FALSE, *pbStatus
// VARIANT_FALSE and empty values; further next reads stay there. Each list
// has its own position; the positions are the object's only mutable state.
// Service reads walk the records of AddService, ServiceEx reads those of
// AddServiceEx, each in record order.
//
// Failures: a null out-pointer answers E_POINTER; GetXtraDrug and GetXtraDRG
// answer E_INVALIDARG for an lID that names no record of the kind they read.
// GetAbortInfo then names the method and the reason.
//
// Thread-safe: the invoice is immutable and shared; the list positions are
// guarded by mutex_.
class CGeneralInvoiceResult final : public CModuleObject<IGeneralInvoiceResult> {
  public:
    // REQUIRES: invoice != nullptr. Use CreateInvoiceResult.
    explicit CGeneralInvoiceResult(std::shared_ptr<const invoice::InvoiceRequest> invoice);

    // Header sections (module/objects/result_object.cpp).
    HRESULT GetRequest(long* peDataLanguage, long* peRoleType, long* pePlaceType,
                       BSTR* pbstrRoleTitle, long* peIsStorno, long* peIsCopy, BSTR* pbstrRemark,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT GetProcessing(long* pePrintAtIntermediate, long* ePrintGuarantorCopy,
                          BSTR* pbstrTCToken, VARIANT_BOOL* pbStatus) override;
    // The first intermediate as the via (empty when the transport has none).
    HRESULT GetTransport(BSTR* pbstrFromEAN, BSTR* pbstrFromPFXFile, BSTR* pbstrFromPFXPassword,
                         BSTR* pbstrViaEAN, BSTR* pbstrToEAN, BSTR* pbstrToBinDERFile,
                         VARIANT_BOOL* pbStatus) override;
    HRESULT GetPackage(BSTR* pbstrSoftwarePackage, long* plSoftwareVersion, long* plSoftwareID,
                       BSTR* pbstrSoftwareCopyright, VARIANT_BOOL* pbStatus) override;
    HRESULT GetCredit(BSTR* pbstrRequestCreditID, DATE* pdRequestCreditDate,
                      long* plRequestCreditTimestamp, VARIANT_BOOL* pbStatus) override;
    HRESULT GetInvoice(BSTR* pbstrRequestInvoiceID, DATE* pdRequestInvoiceDate,
                       long* plRequestInvoiceTimestamp, VARIANT_BOOL* pbStatus) override;
    HRESULT GetReminder(BSTR* pbstrRequestReminderID, DATE* pdRequestReminderDate,
                        long* plRequestReminderTimestamp, long* plReminderLevel,
                        BSTR* pbstrReminderText, double* pdAmountReminder,
                        VARIANT_BOOL* pbStatus) override;
    HRESULT GetTiers(long* peTiersMode, BSTR* pbstrVatNumber, double* pdAmountPrepaid,
                     VARIANT_BOOL* pbStatus) override;
    // *pbStatus is VARIANT_FALSE when the figures are not current (an
    // invoice that was never finalized).
    HRESULT GetBalance(double* pdAmount, double* pdAmountObligatory, double* pdAmountPrepaid,
                       double* pdAmountReminder, double* pdAmountDue, double* pdAmountVat,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstVat(double* pdVat, double* pdVatRate, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextVat(double* pdVat, double* pdVatRate, VARIANT_BOOL* pbStatus) override;

    // Payment slips (module/objects/result_payment.cpp).
    HRESULT GetEsrType(long* peEsrType, VARIANT_BOOL* pbStatus) override;
    HRESULT GetEsr(long* peEsrType, BSTR* pbstrParticipantNumber, BSTR* pbstrReferenceNumber,
                   BSTR* pbstrBankAccount, IAddress** pIBankAddress, IAddress** pICreditorAddress,
                   long* plPaymentPeriod, VARIANT_BOOL* pbStatus) override;
    HRESULT GetEsrRed(BSTR* pbstrPostAccount, BSTR* pbstrIBAN, BSTR* pbstrReferenceNumber,
                      BSTR* pbstrRemarks, IAddress** pIBankAddress, IAddress** pICreditorAddress,
                      long* plPaymentPeriod, VARIANT_BOOL* pbStatus) override;
    HRESULT GetEsrQR(long* peEsrType, BSTR* pbstrIBAN, BSTR* pbstrReferenceNumber,
                     BSTR* bstrCustomerNote, IAddress** pIBankAddress, IAddress** pICreditorAddress,
                     long* plPaymentPeriod, VARIANT_BOOL* pbStatus) override;
    HRESULT GetEsrRedQR(BSTR* pbstrIBAN, BSTR* pbstrRemarks, BSTR* bstrCustomerNote,
                        IAddress** pIBankAddress, IAddress** pICreditorAddress,
                        long* plPaymentPeriod, VARIANT_BOOL* pbStatus) override;

    // Parties (module/objects/result_parties.cpp).
    HRESULT GetBiller(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF, BSTR* pbstrSpecialty,
                      IAddress** pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT GetProvider(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF, BSTR* pbstrSpecialty,
                        IAddress** pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT GetInsurance(BSTR* pbstrEAN, IAddress** pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT GetPatient(long* peSexType, DATE* pdBirthdate, BSTR* pbstrSSN, IAddress** pIAddress,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT GetInsured(long* peSexType, DATE* pdBirthdate, BSTR* pbstrSSN, IAddress** pIAddress,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT GetGuarantor(IAddress** pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT GetDebitor(BSTR* pbstrEAN, IAddress** pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT GetReferrer(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF, BSTR* pbstrSpecialty,
                        IAddress** pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT GetEmployer(BSTR* pbstrEAN, BSTR* pbstrRegNumber, IAddress** pIAddress,
                        VARIANT_BOOL* pbStatus) override;

    // The case (module/objects/result_case.cpp).
    HRESULT GetTreatment(BSTR* pbstrAPID, BSTR* pbstrACID, DATE* pdDateBegin, DATE* pdDateEnd,
                         long* peTreatmentCanton, long* peTreatmentType, long* peTreatmentReason,
                         DATE* pdGestationWeek13, VARIANT_BOOL* pbStatus) override;
    HRESULT GetXtraHospital(long* peTreatmentType, DATE* pdDateHospitalization,
                            long* plTreatmentDays, long* peHospitalizationType,
                            long* peHospitalizationMode, long* peHospitalizationClass,
                            BSTR* pbstrSectionMajor, long* peHasExpenseLoading,
                            VARIANT_BOOL* pbStatus) override;
    HRESULT GetLaw(long* peLawType, DATE* pdCaseDate, BSTR* pbstrCaseID, BSTR* pbstrInsuredID,
                   VARIANT_BOOL* pbStatus) override;
    HRESULT GetCard(BSTR* pbstrCardID, DATE* pdExpiryDate, DATE* pdValidationDate,
                    BSTR* pbstrValidationID, BSTR* pbstrValidationServer,
                    VARIANT_BOOL* pbStatus) override;

    // Lists of the case and the documents (module/objects/result_lists.cpp).
    HRESULT GetFirstGrouperRecord(long* peGrouperRecordType, long* plNumber, BSTR* pbstrName,
                                  VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextGrouperRecord(long* peGrouperRecordType, long* plNumber, BSTR* pbstrName,
                                 VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstBfSRecord(long* peBfSRecordType, long* plNumber, BSTR* pbstrName,
                              VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextBfSRecord(long* peBfSRecordType, long* plNumber, BSTR* pbstrName,
                             VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstCaseDetail(BSTR* pbstrTariffType, BSTR* pbstrCode, DATE* pdDateBegin,
                               DATE* pdDateEnd, BSTR* pbstrACID, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextCaseDetail(BSTR* pbstrTariffType, BSTR* pbstrCode, DATE* pdDateBegin,
                              DATE* pdDateEnd, BSTR* pbstrACID, VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstDiagnosis(long* peDiagnosisType, BSTR* pbstrCode, BSTR* pbstrText,
                              VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextDiagnosis(long* peDiagnosisType, BSTR* pbstrCode, BSTR* pbstrText,
                             VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstInstruction(BSTR* pbstrToken, BSTR* pbstrValue,
                                VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextInstruction(BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstDocument(long* peIsURL, BSTR* pbstrSource, BSTR* pbstrTitle,
                             BSTR* pbstrMimeType, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextDocument(long* peIsURL, BSTR* pbstrSource, BSTR* pbstrTitle, BSTR* pbstrMimeType,
                            VARIANT_BOOL* pbStatus) override;

    // Service records (module/objects/result_services.cpp).
    HRESULT GetFirstServiceEx(BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode,
                              double* pdQuantity, long* plSessionNumber, DATE* pdDateBegin,
                              DATE* pdDateEnd, long* peSide, BSTR* pbstrText, double* pdUnitMT,
                              double* pdUnitFactorMT, double* pdUnitInternalScalingFactorMT,
                              double* pdAmountMT, double* pdUnitTT, double* pdUnitFactorTT,
                              double* pdUnitInternalScalingFactorTT, double* pdAmountTT,
                              double* pdAmount, double* pdVatRate, long* peIsObligatory,
                              BSTR* pbstrRemark, long* plGroupSize, BSTR* pbstrSectionCode,
                              long* peIgnoreValidate, long* plServiceAttributes,
                              long* peTreatmentType, double* pdExternalFactorMT,
                              double* pdExternalFactorTT, BSTR* pbstrProviderEAN,
                              BSTR* pbstrResponsibleEAN, long* peBillingRole, long* peMedicalRole,
                              long* plID, VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextServiceEx(BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode,
                             double* pdQuantity, long* plSessionNumber, DATE* pdDateBegin,
                             DATE* pdDateEnd, long* peSide, BSTR* pbstrText, double* pdUnitMT,
                             double* pdUnitFactorMT, double* pdUnitInternalScalingFactorMT,
                             double* pdAmountMT, double* pdUnitTT, double* pdUnitFactorTT,
                             double* pdUnitInternalScalingFactorTT, double* pdAmountTT,
                             double* pdAmount, double* pdVatRate, long* peIsObligatory,
                             BSTR* pbstrRemark, long* plGroupSize, BSTR* pbstrSectionCode,
                             long* peIgnoreValidate, long* plServiceAttributes,
                             long* peTreatmentType, double* pdExternalFactorMT,
                             double* pdExternalFactorTT, BSTR* pbstrProviderEAN,
                             BSTR* pbstrResponsibleEAN, long* peBillingRole, long* peMedicalRole,
                             long* plID, VARIANT_BOOL* pbStatus) override;
    HRESULT GetFirstService(BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode,
                            double* pdQuantity, long* plSessionNumber, DATE* pdDateBegin,
                            DATE* pdDateEnd, BSTR* pbstrProviderEAN, BSTR* pbstrResponsibleEAN,
                            BSTR* pbstrText, double* pdUnit, double* pdUnitFactor,
                            double* pdExternalFactor, double* pdAmount, double* pdVatRate,
                            long* peIsObligatory, BSTR* pbstrRemark, BSTR* pbstrSectionCode,
                            long* peIgnoreValidate, long* plServiceAttributes, long* plID,
                            VARIANT_BOOL* pbStatus) override;
    HRESULT GetNextService(BSTR* pbstrTariffType, BSTR* pbstrCode, BSTR* pbstrReferenceCode,
                           double* pdQuantity, long* plSessionNumber, DATE* pdDateBegin,
                           DATE* pdDateEnd, BSTR* pbstrProviderEAN, BSTR* pbstrResponsibleEAN,
                           BSTR* pbstrText, double* pdUnit, double* pdUnitFactor,
                           double* pdExternalFactor, double* pdAmount, double* pdVatRate,
                           long* peIsObligatory, BSTR* pbstrRemark, BSTR* pbstrSectionCode,
                           long* peIgnoreValidate, long* plServiceAttributes, long* plID,
                           VARIANT_BOOL* pbStatus) override;
    // lID must name an AddService record; *pbStatus VARIANT_FALSE (and empty
    // values) when that record has no drug or DRG details.
    HRESULT GetXtraDrug(long lID, long* peIsIndicated, BSTR* pbstrIOCM, long* peDelivery,
                        long* plRegulationAttributes, long* peHasLimitation,
                        VARIANT_BOOL* pbStatus) override;
    HRESULT GetXtraDRG(long lID, double* pdSplitFactor1, double* pdSplitFactor2,
                       VARIANT_BOOL* pbStatus) override;

    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        return CModuleObject<IGeneralInvoiceResult>::GetAbortInfo(pbstrAbort, pbStatus);
    }

  private:
    // The lists with a first/next walk, each with its own position.
    enum class Walk : size_t {
        kVat,
        kGrouperRecord,
        kBfsRecord,
        kCaseDetail,
        kDiagnosis,
        kInstruction,
        kDocument,
        kServiceEx,
        kService,
        kCount,
    };

    // The out-parameters of a service read, gathered so that the first and
    // the next read share one reader.
    struct ServiceOut;
    struct ServiceExOut;

    ~CGeneralInvoiceResult() override = default;

    // Moves the position of `walk` (to 0 first when `first`) and gives the
    // index to read in *index; false past the end of a list of `count`
    // elements. Takes mutex_.
    bool Step(Walk walk, bool first, size_t count, size_t* index);

    // One step of a walk over `items`: writes the element read (or `blank`
    // past the end) with `write`, sets *pbStatus and answers S_OK or S_FALSE.
    // REQUIRES: every out-pointer checked.
    template <class T, class Write>
    HRESULT Read(Walk walk, bool first, const std::vector<T>& items, const T& blank,
                 VARIANT_BOOL* pbStatus, Write write) {
        size_t index = 0;
        bool found = Step(walk, first, items.size(), &index);
        write(found ? items[index] : blank);
        *pbStatus = found ? VARIANT_TRUE : VARIANT_FALSE;
        return found ? S_OK : S_FALSE;
    }

    // E_POINTER with the text "<method>: an out-parameter is null".
    HRESULT NullOut(const char* method);

    HRESULT ReadVat(bool first, double* pdVat, double* pdVatRate, VARIANT_BOOL* pbStatus);
    HRESULT ReadGrouperRecord(bool first, long* peType, long* plNumber, BSTR* pbstrName,
                              VARIANT_BOOL* pbStatus);
    HRESULT ReadBfsRecord(bool first, long* peType, long* plNumber, BSTR* pbstrName,
                          VARIANT_BOOL* pbStatus);
    HRESULT ReadCaseDetail(bool first, BSTR* pbstrTariffType, BSTR* pbstrCode, DATE* pdDateBegin,
                           DATE* pdDateEnd, BSTR* pbstrACID, VARIANT_BOOL* pbStatus);
    HRESULT ReadDiagnosis(bool first, long* peDiagnosisType, BSTR* pbstrCode, BSTR* pbstrText,
                          VARIANT_BOOL* pbStatus);
    HRESULT ReadInstruction(bool first, BSTR* pbstrToken, BSTR* pbstrValue, VARIANT_BOOL* pbStatus);
    HRESULT ReadDocument(bool first, long* peIsURL, BSTR* pbstrSource, BSTR* pbstrTitle,
                         BSTR* pbstrMimeType, VARIANT_BOOL* pbStatus);
    HRESULT ReadService(bool first, const ServiceOut& out);
    HRESULT ReadServiceEx(bool first, const ServiceExOut& out);
    // The AddService record numbered lID, or an abort for `method`.
    HRESULT FindServiceRecord(const char* method, long lID, const invoice::ServiceRecord** record);

    const std::shared_ptr<const invoice::InvoiceRequest> invoice_;
    // The records of each kind, in record order (pointers into invoice_).
    std::vector<const invoice::ServiceRecord*> services_;
    std::vector<const invoice::ServiceRecord*> services_ex_;

    std::array<size_t, static_cast<size_t>(Walk::kCount)> positions_{};  // guarded by mutex_
};
