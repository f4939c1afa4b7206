// The POST operations of an invoice request under construction: its
// sections, records, documents and services, and Finalize.

#include "bridge/post_operations.h"

namespace {

constexpr const char* kRequest = "IGeneralInvoiceRequest";

using RequestMethod = std::function<HRESULT(IGeneralInvoiceRequest&, Args&)>;

// A plain call on the target request.
Operation RequestRow(const char* methodName, std::vector<Member> members, RequestMethod method) {
    return CallRow(kRequest, methodName, std::move(members),
                   On<IGeneralInvoiceRequest>(std::move(method)));
}

// An address handed over by its handle (a null reference for none).
Member AddressIn(const char* key) {
    return In(key, 'h', "IAddress");
}

}  // namespace

std::vector<Operation> PostRequestOperations() {
    using R = IGeneralInvoiceRequest;
    return {
        RequestRow("Initialize", {In("eDataLanguage", 'i'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.Initialize(a.I(0), &a.B(1)); }),
        RequestRow(
            "SetRequest",
            {In("eRoleType", 'i'), In("ePlaceType", 'i'), In("bstrRoleTitle", 't'),
             In("eIsStorno", 'i'), In("eIsCopy", 'i'), In("bstrRemark", 't'), Out("pbStatus", 'b')},
            [](R& r, Args& a) {
                return r.SetRequest(a.I(0), a.I(1), a.T(2), a.I(3), a.I(4), a.T(5), &a.B(6));
            }),
        RequestRow("SetProcessing",
                   {In("ePrintAtIntermediate", 'i'), In("ePrintGuarantorCopy", 'i'),
                    In("bstrTCToken", 't'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.SetProcessing(a.I(0), a.I(1), a.T(2), &a.B(3)); }),
        RequestRow("SetTransport",
                   {In("bstrFromEAN", 't'), In("bstrFromPFXFile", 't'),
                    In("bstrFromPFXPassword", 't'), In("bstrViaEAN", 't'), In("bstrToEAN", 't'),
                    In("bstrToBinDERFile", 't'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetTransport(a.T(0), a.T(1), a.T(2), a.T(3), a.T(4), a.T(5),
                                             &a.B(6));
                   }),
        RequestRow(
            "SetPackage",
            {In("bstrSoftwarePackage", 't'), In("lSoftwareVersion", 'i'), In("lSoftwareID", 'i'),
             In("bstrSoftwareCopyright", 't'), Out("pbStatus", 'b')},
            [](R& r, Args& a) { return r.SetPackage(a.T(0), a.I(1), a.I(2), a.T(3), &a.B(4)); }),
        RequestRow("SetCredit",
                   {In("bstrRequestCreditID", 't'), In("dRequestCreditDate", 'd'),
                    In("lRequestCreditTimestamp", 'i'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.SetCredit(a.T(0), a.D(1), a.I(2), &a.B(3)); }),
        RequestRow("SetInvoice",
                   {In("bstrRequestInvoiceID", 't'), In("dRequestInvoiceDate", 'd'),
                    In("lRequestInvoiceTimestamp", 'i'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.SetInvoice(a.T(0), a.D(1), a.I(2), &a.B(3)); }),
        RequestRow("SetReminder",
                   {In("bstrRequestReminderID", 't'), In("dRequestReminderDate", 'd'),
                    In("lRequestReminderTimestamp", 'i'), In("lReminderLevel", 'i'),
                    In("bstrReminderText", 't'), In("dAmountReminder", 'n'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetReminder(a.T(0), a.D(1), a.I(2), a.I(3), a.T(4), a.N(5),
                                            &a.B(6));
                   }),
        RequestRow("SetTiers",
                   {In("eTiersMode", 'i'), In("bstrVatNumber", 't'), In("dAmountPrepaid", 'n'),
                    Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.SetTiers(a.I(0), a.T(1), a.N(2), &a.B(3)); }),
        RequestRow(
            "SetEsr",
            {In("eEsrType", 'i'), In("bstrParticipantNumber", 't'), In("bstrReferenceNumber", 't'),
             In("bstrBankAccount", 't'), AddressIn("pIBankAddress"), AddressIn("pICreditorAddress"),
             In("lPaymentPeriod", 'i'), Out("pbStatus", 'b')},
            [](R& r, Args& a) {
                return r.SetEsr(a.I(0), a.T(1), a.T(2), a.T(3), a.Object<IAddress>(4).Get(),
                                a.Object<IAddress>(5).Get(), a.I(6), &a.B(7));
            }),
        RequestRow(
            "SetEsrRed",
            {In("bstrPostAccount", 't'), In("bstrIBAN", 't'), In("bstrReferenceNumber", 't'),
             In("bstrRemarks", 't'), AddressIn("pIBankAddress"), AddressIn("pICreditorAddress"),
             In("lPaymentPeriod", 'i'), Out("pbStatus", 'b')},
            [](R& r, Args& a) {
                return r.SetEsrRed(a.T(0), a.T(1), a.T(2), a.T(3), a.Object<IAddress>(4).Get(),
                                   a.Object<IAddress>(5).Get(), a.I(6), &a.B(7));
            }),
        RequestRow(
            "SetEsrQR",
            {In("eEsrType", 'i'), In("bstrIBAN", 't'), In("bstrReferenceNumber", 't'),
             In("bstrCustomerNote", 't'), AddressIn("pIBankAddress"),
             AddressIn("pICreditorAddress"), In("lPaymentPeriod", 'i'), Out("pbStatus", 'b')},
            [](R& r, Args& a) {
                return r.SetEsrQR(a.I(0), a.T(1), a.T(2), a.T(3), a.Object<IAddress>(4).Get(),
                                  a.Object<IAddress>(5).Get(), a.I(6), &a.B(7));
            }),
        RequestRow("SetEsrRedQR",
                   {In("bstrIBAN", 't'), In("bstrRemarks", 't'), In("bstrCustomerNote", 't'),
                    AddressIn("pIBankAddress"), AddressIn("pICreditorAddress"),
                    In("lPaymentPeriod", 'i'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetEsrRedQR(a.T(0), a.T(1), a.T(2), a.Object<IAddress>(3).Get(),
                                            a.Object<IAddress>(4).Get(), a.I(5), &a.B(6));
                   }),
        RequestRow("SetBiller",
                   {In("bstrEAN", 't'), In("bstrZSR", 't'), In("bstrNIF", 't'),
                    In("bstrSpecialty", 't'), AddressIn("pIAddress"), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetBiller(a.T(0), a.T(1), a.T(2), a.T(3),
                                          a.Object<IAddress>(4).Get(), &a.B(5));
                   }),
        RequestRow("SetProvider",
                   {In("bstrEAN", 't'), In("bstrZSR", 't'), In("bstrNIF", 't'),
                    In("bstrSpecialty", 't'), AddressIn("pIAddress"), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetProvider(a.T(0), a.T(1), a.T(2), a.T(3),
                                            a.Object<IAddress>(4).Get(), &a.B(5));
                   }),
        RequestRow("SetInsurance",
                   {In("bstrEAN", 't'), AddressIn("pIAddress"), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetInsurance(a.T(0), a.Object<IAddress>(1).Get(), &a.B(2));
                   }),
        RequestRow("SetPatient",
                   {In("eSexType", 'i'), In("dBirthdate", 'd'), In("bstrSSN", 't'),
                    AddressIn("pIAddress"), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetPatient(a.I(0), a.D(1), a.T(2), a.Object<IAddress>(3).Get(),
                                           &a.B(4));
                   }),
        RequestRow("SetInsured",
                   {In("eSexType", 'i'), In("dBirthdate", 'd'), In("bstrSSN", 't'),
                    AddressIn("pIAddress"), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetInsured(a.I(0), a.D(1), a.T(2), a.Object<IAddress>(3).Get(),
                                           &a.B(4));
                   }),
        RequestRow(
            "SetGuarantor", {AddressIn("pIAddress"), Out("pbStatus", 'b')},
            [](R& r, Args& a) { return r.SetGuarantor(a.Object<IAddress>(0).Get(), &a.B(1)); }),
        RequestRow("SetDebitor", {In("bstrEAN", 't'), AddressIn("pIAddress"), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetDebitor(a.T(0), a.Object<IAddress>(1).Get(), &a.B(2));
                   }),
        RequestRow("SetReferrer",
                   {In("bstrEAN", 't'), In("bstrZSR", 't'), In("bstrNIF", 't'),
                    In("bstrSpecialty", 't'), AddressIn("pIAddress"), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetReferrer(a.T(0), a.T(1), a.T(2), a.T(3),
                                            a.Object<IAddress>(4).Get(), &a.B(5));
                   }),
        RequestRow("SetEmployer",
                   {In("bstrEAN", 't'), In("bstrRegNumber", 't'), AddressIn("pIAddress"),
                    Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetEmployer(a.T(0), a.T(1), a.Object<IAddress>(2).Get(), &a.B(3));
                   }),
        RequestRow("SetTreatment",
                   {In("bstrAPID", 't'), In("bstrACID", 't'), In("dDateBegin", 'd'),
                    In("dDateEnd", 'd'), In("eTreatmentCanton", 'i'), In("eTreatmentType", 'i'),
                    In("eTreatmentReason", 'i'), In("dGestationWeek13", 'd'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.SetTreatment(a.T(0), a.T(1), a.D(2), a.D(3), a.I(4), a.I(5), a.I(6),
                                             a.D(7), &a.B(8));
                   }),
        RequestRow(
            "SetXtraHospital",
            {In("eTreatmentType", 'i'), In("dDateHospitalization", 'd'), In("lTreatmentDays", 'i'),
             In("eHospitalizationType", 'i'), In("eHospitalizationMode", 'i'),
             In("eHospitalizationClass", 'i'), In("bstrSectionMajor", 't'),
             In("eHasExpenseLoading", 'i'), Out("pbStatus", 'b')},
            [](R& r, Args& a) {
                return r.SetXtraHospital(a.I(0), a.D(1), a.I(2), a.I(3), a.I(4), a.I(5), a.T(6),
                                         a.I(7), &a.B(8));
            }),
        RequestRow("SetLaw",
                   {In("eLawType", 'i'), In("dCaseDate", 'd'), In("bstrCaseID", 't'),
                    In("bstrInsuredID", 't'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.SetLaw(a.I(0), a.D(1), a.T(2), a.T(3), &a.B(4)); }),
        RequestRow(
            "SetCard",
            {In("bstrCardID", 't'), In("dExpiryDate", 'd'), In("dValidationDate", 'd'),
             In("bstrValidationID", 't'), In("bstrValidationServer", 't'), Out("pbStatus", 'b')},
            [](R& r, Args& a) {
                return r.SetCard(a.T(0), a.D(1), a.D(2), a.T(3), a.T(4), &a.B(5));
            }),
        RequestRow("GetAbortInfo", {Out("pbstrAbort", 't'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.GetAbortInfo(&a.T(0), &a.B(1)); }),
        RequestRow(
            "AddGrouperRecord",
            {In("eGrouperRecordType", 'i'), In("lNumber", 'i'), In("bstrName", 't'),
             Out("pbStatus", 'b')},
            [](R& r, Args& a) { return r.AddGrouperRecord(a.I(0), a.I(1), a.T(2), &a.B(3)); }),
        RequestRow("AddBfSRecord",
                   {In("eBfSRecordType", 'i'), In("lNumber", 'i'), In("bstrName", 't'),
                    Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.AddBfSRecord(a.I(0), a.I(1), a.T(2), &a.B(3)); }),
        RequestRow("AddCaseDetail",
                   {In("bstrTariffType", 't'), In("bstrCode", 't'), In("dDateBegin", 'd'),
                    In("dDateEnd", 'd'), In("bstrACID", 't'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.AddCaseDetail(a.T(0), a.T(1), a.D(2), a.D(3), a.T(4), &a.B(5));
                   }),
        RequestRow("AddDiagnosis",
                   {In("eDiagnosisType", 'i'), In("bstrCode", 't'), In("bstrText", 't'),
                    Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.AddDiagnosis(a.I(0), a.T(1), a.T(2), &a.B(3)); }),
        RequestRow("AddInstruction",
                   {In("bstrToken", 't'), In("bstrValue", 't'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.AddInstruction(a.T(0), a.T(1), &a.B(2)); }),
        RequestRow(
            "AddDocument",
            {In("eIsURL", 'i'), In("bstrSource", 't'), In("bstrTitle", 't'),
             In("bstrMimeType", 't'), Out("pbStatus", 'b')},
            [](R& r, Args& a) { return r.AddDocument(a.I(0), a.T(1), a.T(2), a.T(3), &a.B(4)); }),
        RequestRow("AddServiceEx",
                   {In("pIServiceExInput", 'h', "IServiceExInput"),
                    In("bstrTariffType", 't'),
                    In("bstrCode", 't'),
                    In("bstrReferenceCode", 't'),
                    In("dQuantity", 'n'),
                    In("lSessionNumber", 'i'),
                    In("dDateBegin", 'd'),
                    In("dDateEnd", 'd'),
                    In("eSide", 'i'),
                    In("bstrText", 't'),
                    In("dUnitMT", 'n'),
                    In("dUnitFactorMT", 'n'),
                    In("dUnitInternalScalingFactorMT", 'n'),
                    In("dAmountMT", 'n'),
                    In("dUnitTT", 'n'),
                    In("dUnitFactorTT", 'n'),
                    In("dUnitInternalScalingFactorTT", 'n'),
                    In("dAmountTT", 'n'),
                    In("dAmount", 'n'),
                    In("dVatRate", 'n'),
                    In("eIsObligatory", 'i'),
                    In("bstrRemark", 't'),
                    In("lGroupSize", 'i'),
                    In("bstrSectionCode", 't'),
                    In("eIgnoreValidate", 'i'),
                    In("lServiceAttributes", 'i'),
                    Out("plID", 'i'),
                    Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.AddServiceEx(
                           a.Object<IServiceExInput>(0).Get(), a.T(1), a.T(2), a.T(3), a.N(4),
                           a.I(5), a.D(6), a.D(7), a.I(8), a.T(9), a.N(10), a.N(11), a.N(12),
                           a.N(13), a.N(14), a.N(15), a.N(16), a.N(17), a.N(18), a.N(19), a.I(20),
                           a.T(21), a.I(22), a.T(23), a.I(24), a.I(25), &a.I(26), &a.B(27));
                   }),
        RequestRow("AddService",
                   {In("bstrTariffType", 't'),
                    In("bstrCode", 't'),
                    In("bstrReferenceCode", 't'),
                    In("dQuantity", 'n'),
                    In("lSessionNumber", 'i'),
                    In("dDateBegin", 'd'),
                    In("dDateEnd", 'd'),
                    In("bstrProviderEAN", 't'),
                    In("bstrResponsibleEAN", 't'),
                    In("bstrText", 't'),
                    In("dUnit", 'n'),
                    In("dUnitFactor", 'n'),
                    In("dExternalFactor", 'n'),
                    In("dAmount", 'n'),
                    In("dVatRate", 'n'),
                    In("eIsObligatory", 'i'),
                    In("bstrRemark", 't'),
                    In("bstrSectionCode", 't'),
                    In("eIgnoreValidate", 'i'),
                    In("lServiceAttributes", 'i'),
                    Out("plID", 'i'),
                    Out("pbStatus", 'b')},
                   [](R& r, Args& a) {
                       return r.AddService(a.T(0), a.T(1), a.T(2), a.N(3), a.I(4), a.D(5), a.D(6),
                                           a.T(7), a.T(8), a.T(9), a.N(10), a.N(11), a.N(12),
                                           a.N(13), a.N(14), a.I(15), a.T(16), a.T(17), a.I(18),
                                           a.I(19), &a.I(20), &a.B(21));
                   }),
        RequestRow(
            "SetXtraDrug",
            {In("lID", 'i'), In("eIsIndicated", 'i'), In("bstrIOCM", 't'), In("eDelivery", 'i'),
             In("lRegulationAttributes", 'i'), In("eHasLimitation", 'i'), Out("pbStatus", 'b')},
            [](R& r, Args& a) {
                return r.SetXtraDrug(a.I(0), a.I(1), a.T(2), a.I(3), a.I(4), a.I(5), &a.B(6));
            }),
        RequestRow("SetXtraDRG",
                   {In("lID", 'i'), In("dSplitFactor1", 'n'), In("dSplitFactor2", 'n'),
                    Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.SetXtraDRG(a.I(0), a.N(1), a.N(2), &a.B(3)); }),
        RequestRow("Finalize", {Out("pdRoundDifference", 'n'), Out("pbStatus", 'b')},
                   [](R& r, Args& a) { return r.Finalize(&a.N(0), &a.B(1)); }),
    };
}
