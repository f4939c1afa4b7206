#pragma once

#include <memory>
#include <optional>
#include <string>

#include "bridge/igeneral_invoice_request.h"
#include "module/model/invoice_model.h"
#include "module/objects/engine_log.h"
#include "module/objects/module_object.h"
#include "platform/com.h"

namespace tariff {
struct ServiceInput;
}

// The invoice request object of the module (IGeneralInvoiceRequest): one
// invoice under construction, held as an invoice::InvoiceRequest.
//
// Building: Initialize starts a new, empty request in a data language; the
// Set... methods fill (or replace) one section each; the Add... methods
// append records in call order; Finalize checks that the request is
// complete, computes the amounts and the balance and makes the invoice
// readable (FinalizedSnapshot). Initialize is optional: a fresh request is
// empty and German.
//
// Checks: every method checks all of its arguments before it changes
// anything (identifiers with their check digits, texts against the lengths
// of the 4.50 format, enumerations, dates, payment data and their pairing).
// A rejected call answers E_INVALIDARG (a bad value), E_FAIL (the request's
// state does not allow it: an unknown service id, Finalize of an incomplete
// request) or E_POINTER (a null out-pointer), changes nothing, and leaves its
// reason for GetAbortInfo: "<method>: <parameter> <rule>".
//
// Objects handed in: an address or service input is copied (its content at
// the time of the call); later changes to that object do not reach the
// request. A null address is allowed (the party then has none, which
// Finalize reports where the format requires one); only our own address and
// service-input objects are accepted.
//
// Finalized state: after a successful Finalize the request holds the
// finalized invoice (IsFinalized, FinalizedSnapshot). Any later change that
// succeeds drops it; the request must then be finalized again.
//
// Record ids: AddService and AddServiceEx number the records 1, 2, 3, ... in
// call order (one sequence for both kinds) and give the number back as plID;
// SetXtraDrug and SetXtraDRG take it. Case details are numbered likewise.
//
// Thread-safe: every method takes mutex_; objects handed in are read through
// their own locked snapshots before mutex_ is taken.
class CGeneralInvoiceRequest final : public CModuleObject<IGeneralInvoiceRequest> {
  public:
    // An empty German request. Use MakeComObject<CGeneralInvoiceRequest>()
    // or CreateGeneralInvoiceRequest (module/objects/request_factory.h).
    CGeneralInvoiceRequest() = default;

    HRESULT Initialize(long eDataLanguage, VARIANT_BOOL* pbStatus) override;

    // Header sections (module/objects/request_header.cpp).
    HRESULT SetRequest(long eRoleType, long ePlaceType, const BSTR& bstrRoleTitle, long eIsStorno,
                       long eIsCopy, const BSTR& bstrRemark, VARIANT_BOOL* pbStatus) override;
    HRESULT SetProcessing(long ePrintAtIntermediate, long ePrintGuarantorCopy,
                          const BSTR& bstrTCToken, VARIANT_BOOL* pbStatus) override;
    // bstrViaEAN empty: the recipient is its own intermediate (the format
    // requires one). The two files, when given, must exist.
    HRESULT SetTransport(const BSTR& bstrFromEAN, const BSTR& bstrFromPFXFile,
                         const BSTR& bstrFromPFXPassword, const BSTR& bstrViaEAN,
                         const BSTR& bstrToEAN, const BSTR& bstrToBinDERFile,
                         VARIANT_BOOL* pbStatus) override;
    // lSoftwareVersion 0: no version.
    HRESULT SetPackage(const BSTR& bstrSoftwarePackage, long lSoftwareVersion, long lSoftwareID,
                       const BSTR& bstrSoftwareCopyright, VARIANT_BOOL* pbStatus) override;
    // Timestamps: Unix seconds within the format's range; 0 takes the
    // current time.
    HRESULT SetCredit(const BSTR& bstrRequestCreditID, DATE dRequestCreditDate,
                      long lRequestCreditTimestamp, VARIANT_BOOL* pbStatus) override;
    HRESULT SetInvoice(const BSTR& bstrRequestInvoiceID, DATE dRequestInvoiceDate,
                       long lRequestInvoiceTimestamp, VARIANT_BOOL* pbStatus) override;
    HRESULT SetReminder(const BSTR& bstrRequestReminderID, DATE dRequestReminderDate,
                        long lRequestReminderTimestamp, long lReminderLevel,
                        const BSTR& bstrReminderText, double dAmountReminder,
                        VARIANT_BOOL* pbStatus) override;
    HRESULT SetTiers(long eTiersMode, const BSTR& bstrVatNumber, double dAmountPrepaid,
                     VARIANT_BOOL* pbStatus) override;

    // Payment slips (module/objects/request_payment.cpp). Each replaces the slip
    // set before. Numbers are kept in their normalised form (IBAN without
    // blanks, references as the format lays them out).
    HRESULT SetEsr(long eEsrType, const BSTR& bstrParticipantNumber,
                   const BSTR& bstrReferenceNumber, const BSTR& bstrBankAccount,
                   IAddress* pIBankAddress, IAddress* pICreditorAddress, long lPaymentPeriod,
                   VARIANT_BOOL* pbStatus) override;
    HRESULT SetEsrRed(const BSTR& bstrPostAccount, const BSTR& bstrIBAN,
                      const BSTR& bstrReferenceNumber, const BSTR& bstrRemarks,
                      IAddress* pIBankAddress, IAddress* pICreditorAddress, long lPaymentPeriod,
                      VARIANT_BOOL* pbStatus) override;
    HRESULT SetEsrQR(long eEsrType, const BSTR& bstrIBAN, const BSTR& bstrReferenceNumber,
                     const BSTR& bstrCustomerNote, IAddress* pIBankAddress,
                     IAddress* pICreditorAddress, long lPaymentPeriod,
                     VARIANT_BOOL* pbStatus) override;
    HRESULT SetEsrRedQR(const BSTR& bstrIBAN, const BSTR& bstrRemarks, const BSTR& bstrCustomerNote,
                        IAddress* pIBankAddress, IAddress* pICreditorAddress, long lPaymentPeriod,
                        VARIANT_BOOL* pbStatus) override;

    // Parties (module/objects/request_parties.cpp).
    HRESULT SetBiller(const BSTR& bstrEAN, const BSTR& bstrZSR, const BSTR& bstrNIF,
                      const BSTR& bstrSpecialty, IAddress* pIAddress,
                      VARIANT_BOOL* pbStatus) override;
    HRESULT SetProvider(const BSTR& bstrEAN, const BSTR& bstrZSR, const BSTR& bstrNIF,
                        const BSTR& bstrSpecialty, IAddress* pIAddress,
                        VARIANT_BOOL* pbStatus) override;
    HRESULT SetInsurance(const BSTR& bstrEAN, IAddress* pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT SetPatient(long eSexType, DATE dBirthdate, const BSTR& bstrSSN, IAddress* pIAddress,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT SetInsured(long eSexType, DATE dBirthdate, const BSTR& bstrSSN, IAddress* pIAddress,
                       VARIANT_BOOL* pbStatus) override;
    HRESULT SetGuarantor(IAddress* pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT SetDebitor(const BSTR& bstrEAN, IAddress* pIAddress, VARIANT_BOOL* pbStatus) override;
    HRESULT SetReferrer(const BSTR& bstrEAN, const BSTR& bstrZSR, const BSTR& bstrNIF,
                        const BSTR& bstrSpecialty, IAddress* pIAddress,
                        VARIANT_BOOL* pbStatus) override;
    HRESULT SetEmployer(const BSTR& bstrEAN, const BSTR& bstrRegNumber, IAddress* pIAddress,
                        VARIANT_BOOL* pbStatus) override;
    HRESULT SetCard(const BSTR& bstrCardID, DATE dExpiryDate, DATE dValidationDate,
                    const BSTR& bstrValidationID, const BSTR& bstrValidationServer,
                    VARIANT_BOOL* pbStatus) override;

    // The case: treatment, hospital stay, law and their records
    // (module/objects/request_case.cpp).
    HRESULT SetTreatment(const BSTR& bstrAPID, const BSTR& bstrACID, DATE dDateBegin, DATE dDateEnd,
                         long eTreatmentCanton, long eTreatmentType, long eTreatmentReason,
                         DATE dGestationWeek13, VARIANT_BOOL* pbStatus) override;
    HRESULT SetXtraHospital(long eTreatmentType, DATE dDateHospitalization, long lTreatmentDays,
                            long eHospitalizationType, long eHospitalizationMode,
                            long eHospitalizationClass, const BSTR& bstrSectionMajor,
                            long eHasExpenseLoading, VARIANT_BOOL* pbStatus) override;
    HRESULT SetLaw(long eLawType, DATE dCaseDate, const BSTR& bstrCaseID, const BSTR& bstrInsuredID,
                   VARIANT_BOOL* pbStatus) override;
    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        return CModuleObject<IGeneralInvoiceRequest>::GetAbortInfo(pbstrAbort, pbStatus);
    }
    HRESULT AddGrouperRecord(long eGrouperRecordType, long lNumber, const BSTR& bstrName,
                             VARIANT_BOOL* pbStatus) override;
    HRESULT AddBfSRecord(long eBfSRecordType, long lNumber, const BSTR& bstrName,
                         VARIANT_BOOL* pbStatus) override;
    HRESULT AddCaseDetail(const BSTR& bstrTariffType, const BSTR& bstrCode, DATE dDateBegin,
                          DATE dDateEnd, const BSTR& bstrACID, VARIANT_BOOL* pbStatus) override;
    HRESULT AddDiagnosis(long eDiagnosisType, const BSTR& bstrCode, const BSTR& bstrText,
                         VARIANT_BOOL* pbStatus) override;
    HRESULT AddInstruction(const BSTR& bstrToken, const BSTR& bstrValue,
                           VARIANT_BOOL* pbStatus) override;
    // A file (eIsURL 0) must exist; its name without folders is the
    // document's file name.
    HRESULT AddDocument(long eIsURL, const BSTR& bstrSource, const BSTR& bstrTitle,
                        const BSTR& bstrMimeType, VARIANT_BOOL* pbStatus) override;

    // Service records (module/objects/request_services.cpp). Amounts of 0 are
    // "not given" and computed by Finalize; others are checked there.
    // AddServiceEx requires a service input (provider, responsible, roles
    // and external factors come from it).
    HRESULT AddServiceEx(IServiceExInput* pIServiceExInput, const BSTR& bstrTariffType,
                         const BSTR& bstrCode, const BSTR& bstrReferenceCode, double dQuantity,
                         long lSessionNumber, DATE dDateBegin, DATE dDateEnd, long eSide,
                         const BSTR& bstrText, double dUnitMT, double dUnitFactorMT,
                         double dUnitInternalScalingFactorMT, double dAmountMT, double dUnitTT,
                         double dUnitFactorTT, double dUnitInternalScalingFactorTT,
                         double dAmountTT, double dAmount, double dVatRate, long eIsObligatory,
                         const BSTR& bstrRemark, long lGroupSize, const BSTR& bstrSectionCode,
                         long eIgnoreValidate, long lServiceAttributes, long* plID,
                         VARIANT_BOOL* pbStatus) override;
    HRESULT AddService(const BSTR& bstrTariffType, const BSTR& bstrCode,
                       const BSTR& bstrReferenceCode, double dQuantity, long lSessionNumber,
                       DATE dDateBegin, DATE dDateEnd, const BSTR& bstrProviderEAN,
                       const BSTR& bstrResponsibleEAN, const BSTR& bstrText, double dUnit,
                       double dUnitFactor, double dExternalFactor, double dAmount, double dVatRate,
                       long eIsObligatory, const BSTR& bstrRemark, const BSTR& bstrSectionCode,
                       long eIgnoreValidate, long lServiceAttributes, long* plID,
                       VARIANT_BOOL* pbStatus) override;
    // lID must name a record of AddService (the format has drug and DRG
    // extras on those only).
    HRESULT SetXtraDrug(long lID, long eIsIndicated, const BSTR& bstrIOCM, long eDelivery,
                        long lRegulationAttributes, long eHasLimitation,
                        VARIANT_BOOL* pbStatus) override;
    HRESULT SetXtraDRG(long lID, double dSplitFactor1, double dSplitFactor2,
                       VARIANT_BOOL* pbStatus) override;

    // module/objects/request_finalize.cpp. E_FAIL with the list of what is missing,
    // or with the record whose amount is refused. The outcome goes into the
    // engine log of the manager that handed the request out (SetEngineLog).
    HRESULT Finalize(double* pdRoundDifference, VARIANT_BOOL* pbStatus) override;

    // New address and service-input objects for this request's setters.
    // bstrTariffType names the tariff of the service input (three digits or
    // capitals, or empty).
    HRESULT GetCreateServiceExInput(const BSTR& bstrTariffType,
                                    IServiceExInput** pIServiceExInput) override;
    HRESULT GetCreateAddress(IAddress** pIAddress) override;

    // For the other classes of the module (not on the interface):

    // The finalized invoice, or null when the request has not been
    // finalized since its last change. The snapshot never changes.
    std::shared_ptr<const invoice::InvoiceRequest> FinalizedSnapshot() const;
    bool IsFinalized() const;

    // The transport section as set, finalized or not (the manager's LoadXML
    // takes its key to decrypt with).
    std::optional<invoice::Transport> TransportSection() const;

    // The manager's mode, written into the invoice (the manager calls it
    // when it hands the request out; kept by Initialize).
    void SetModus(invoice::Modus modus);

    // The engine log that Finalize writes into (the manager's; none: no line).
    void SetEngineLog(std::shared_ptr<const EngineLog> log);

    // Replaces the whole content (the XML loader); the request is then
    // finalized when `invoice.finalized` is set.
    void Load(const invoice::InvoiceRequest& invoice);

    // True while the request holds a loaded file unchanged: its balance and
    // values are the file's, not checked by Finalize (Print and GetXML check
    // them first, module/checks/invoice_checks.h).
    bool LoadedUnchanged() const;

  private:
    ~CGeneralInvoiceRequest() override = default;

    // Called with mutex_ held after every successful change: the finalized
    // snapshot no longer matches the request.
    void Changed() {
        finalized_.reset();
        loaded_unchanged_ = false;
    }

    // Shared bodies of the setters that differ only in their target.
    HRESULT SetPerson(const char* method, long eSexType, DATE dBirthdate, const BSTR& bstrSSN,
                      IAddress* pIAddress, VARIANT_BOOL* pbStatus,
                      std::optional<invoice::Patient> invoice::InvoiceRequest::*target);
    HRESULT SetReference(const char* method, const BSTR& id, DATE date, long timestamp,
                         VARIANT_BOOL* pbStatus,
                         std::optional<invoice::RequestReference> invoice::InvoiceRequest::*target);
    HRESULT StoreSlip(invoice::Esr slip, VARIANT_BOOL* pbStatus);
    // Appends `record` once the tariff checks pass (module/tariff/
    // tariff_rules.h); `input` is the service input of AddServiceEx, else null.
    HRESULT AddRecord(const char* method, invoice::ServiceRecord record,
                      const tariff::ServiceInput* input, long* plID, VARIANT_BOOL* pbStatus);
    // The `service` record with id `id`, or null after recording the abort
    // text (E_FAIL). REQUIRES: mutex_ held.
    invoice::ServiceRecord* FindServiceRecord(const char* method, long id);
    // Finalize without its log line; *details names the invoice and its
    // amount due on success.
    HRESULT FinalizeRequest(double* pdRoundDifference, std::string* details);

    invoice::InvoiceRequest invoice_;
    std::shared_ptr<const invoice::InvoiceRequest> finalized_;
    bool loaded_unchanged_ = false;
    std::shared_ptr<const EngineLog> log_;
};

// Our own request object behind `request`, or nullptr when `request` is null
// or another implementation. The pointer is borrowed: valid while the caller
// holds its reference to `request`.
CGeneralInvoiceRequest* AsRequestImpl(IGeneralInvoiceRequest* request);
