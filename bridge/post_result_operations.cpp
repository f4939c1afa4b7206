// The POST operations that read an invoice result: single reads, first/next
// reads (the module keeps the list position) and collection reads that walk
// a whole list in one request.

#include <strings.h>

#include "bridge/address_json.h"
#include "bridge/post_operations.h"
#include "endpoint/endpoint_handler.h"
#include "endpoint/json_values.h"

namespace {

constexpr const char* kResult = "IGeneralInvoiceResult";

using Result = IGeneralInvoiceResult;
using ResultMethod = std::function<HRESULT(Result&, Args&)>;

Operation ReadRow(const char* methodName, std::vector<Member> members, ResultMethod method) {
    return CallRow(kResult, methodName, std::move(members), On<Result>(std::move(method)));
}

Operation WalkRow(const char* methodName, std::vector<Member> members, ModuleCall call) {
    return FirstNextRow(kResult, methodName, std::move(members), std::move(call));
}

Operation ListRow(const char* methodName, std::vector<Member> members, ModuleCall first,
                  ModuleCall next) {
    return CollectionRow(kResult, methodName, std::move(members), std::move(first),
                         std::move(next));
}

// --- Addresses -------------------------------------------------------------

// pIAddress of the party reads: the address as a JSON object (see
// PartyAddress), the number 0 when the party has none.
Member AddressOut() {
    return Out("pIAddress", 'f');
}

// The party's address as the answer of out-member k: a JSON object, or the
// number 0 when the party has none. Built when the reply is written, on
// success only; the builder's failures pass out as exceptions (error 407).
IAddress** PartyAddress(Args& a, size_t k) {
    return a.DescribedObject<IAddress>(k, [](IAddress* address) {
        if (address == nullptr) return web::json::value::number(0);
        web::json::value object = web::json::value::object();
        BuildAddressObject(*address, &object);
        return object;
    });
}

// pIBankAddress and pICreditorAddress of the payment reads: 1 when the
// module gave that address, 0 when not; the addresses are not handed on.
long Presence(const ComPtr<IAddress>& address) {
    return address ? 1 : 0;
}

// --- Documents -------------------------------------------------------------

// The publication kind for a document's MIME type.
const char* DocumentKind(const std::string& mimeType) {
    static const char* const kKinds[][2] = {
        {"application/pdf", "PDF"}, {"image/jpeg", "JPG"}, {"image/png", "PNG"}, {"XML", "XML"}};
    for (const auto& kind : kKinds) {
        if (strcasecmp(mimeType.c_str(), kind[0]) == 0) return kind[1];
    }
    return "";
}

// A document read: a URL source is answered as the module gave it, a file
// is published and answered by its download link. This runs before the
// result is looked at.
ModuleCall DocumentCall(ResultMethod method) {
    ModuleCall call = On<Result>(std::move(method));
    return [call](Invocation& invocation) {
        HRESULT hr = call(invocation);
        Args& a = invocation.args;
        a.Link(1) = a.I(0) == 1 ? BstrToJson(a.T(1))
                                : invocation.handler->PublishFile(a.T(1), DocumentKind(a.T(3)));
        return hr;
    };
}

std::vector<Member> DocumentMembers() {
    return {Out("peIsURL", 'i'), Out("pbstrSource", 'f'), Out("pbstrTitle", 't'),
            Out("pbstrMimeType", 't'), Out("pbStatus", 'b')};
}

// --- Lists -----------------------------------------------------------------

// The members of a service line; `referenceKey` names the reference code
// ("pbstrReferenceCode" for the first/next reads, "pbstrTariffRefCode" in
// the collections).
std::vector<Member> ServiceMembers(const char* referenceKey) {
    return {Out("pbstrTariffType", 't'),
            Out("pbstrCode", 't'),
            Out(referenceKey, 't'),
            Out("pdQuantity", 'n'),
            Out("plSessionNumber", 'i'),
            Out("pdDateBegin", 'd'),
            Out("pdDateEnd", 'd'),
            Out("pbstrProviderEAN", 't'),
            Out("pbstrResponsibleEAN", 't'),
            Out("pbstrText", 't'),
            Out("pdUnit", 'n'),
            Out("pdUnitFactor", 'n'),
            Out("pdExternalFactor", 'n'),
            Out("pdAmount", 'n'),
            Out("pdVatRate", 'n'),
            Out("peIsObligatory", 'i'),
            Out("pbstrRemark", 't'),
            Out("pbstrSectionCode", 't'),
            Out("peIgnoreValidate", 'i'),
            Out("plServiceAttributes", 'i'),
            Out("plID", 'i'),
            Out("pbStatus", 'b')};
}

std::vector<Member> ServiceExMembers(const char* referenceKey) {
    return {Out("pbstrTariffType", 't'),
            Out("pbstrCode", 't'),
            Out(referenceKey, 't'),
            Out("pdQuantity", 'n'),
            Out("plSessionNumber", 'i'),
            Out("pdDateBegin", 'd'),
            Out("pdDateEnd", 'd'),
            Out("peSide", 'i'),
            Out("pbstrText", 't'),
            Out("pdUnitMT", 'n'),
            Out("pdUnitFactorMT", 'n'),
            Out("pdUnitInternalScalingFactorMT", 'n'),
            Out("pdAmountMT", 'n'),
            Out("pdUnitTT", 'n'),
            Out("pdUnitFactorTT", 'n'),
            Out("pdUnitInternalScalingFactorTT", 'n'),
            Out("pdAmountTT", 'n'),
            Out("pdAmount", 'n'),
            Out("pdVatRate", 'n'),
            Out("peIsObligatory", 'i'),
            Out("pbstrRemark", 't'),
            Out("plGroupSize", 'i'),
            Out("pbstrSectionCode", 't'),
            Out("peIgnoreValidate", 'i'),
            Out("plServiceAttributes", 'i'),
            Out("peTreatmentType", 'i'),
            Out("pdExternalFactorMT", 'n'),
            Out("pdExternalFactorTT", 'n'),
            Out("pbstrProviderEAN", 't'),
            Out("pbstrResponsibleEAN", 't'),
            Out("peBillingRole", 'i'),
            Out("peMedicalRole", 'i'),
            Out("plID", 'i'),
            Out("pbStatus", 'b')};
}

std::vector<Member> VatMembers() {
    return {Out("pdVat", 'n'), Out("pdVatRate", 'n'), Out("pbStatus", 'b')};
}

std::vector<Member> RecordMembers(const char* typeKey) {
    return {Out(typeKey, 'i'), Out("plNumber", 'i'), Out("pbstrName", 't'), Out("pbStatus", 'b')};
}

std::vector<Member> CaseDetailMembers() {
    return {Out("pbstrTariffType", 't'), Out("pbstrCode", 't'), Out("pdDateBegin", 'd'),
            Out("pdDateEnd", 'd'),       Out("pbstrACID", 't'), Out("pbStatus", 'b')};
}

std::vector<Member> DiagnosisMembers() {
    return {Out("peDiagnosisType", 'i'), Out("pbstrCode", 't'), Out("pbstrText", 't'),
            Out("pbStatus", 'b')};
}

std::vector<Member> InstructionMembers() {
    return {Out("pbstrToken", 't'), Out("pbstrValue", 't'), Out("pbStatus", 'b')};
}

// The first and the next method of each list have the same parameters: one
// call through a member pointer serves both, for the first/next reads and
// for the collection read.
template <class Method, class Fill>
ModuleCall ListCall(Method method, Fill fill) {
    return On<Result>([method, fill](Result& r, Args& a) { return fill(r, method, a); });
}

HRESULT FillService(Result& r, decltype(&Result::GetFirstService) method, Args& a) {
    return (r.*method)(&a.T(0), &a.T(1), &a.T(2), &a.N(3), &a.I(4), &a.D(5), &a.D(6), &a.T(7),
                       &a.T(8), &a.T(9), &a.N(10), &a.N(11), &a.N(12), &a.N(13), &a.N(14), &a.I(15),
                       &a.T(16), &a.T(17), &a.I(18), &a.I(19), &a.I(20), &a.B(21));
}

HRESULT FillServiceEx(Result& r, decltype(&Result::GetFirstServiceEx) method, Args& a) {
    return (r.*method)(&a.T(0), &a.T(1), &a.T(2), &a.N(3), &a.I(4), &a.D(5), &a.D(6), &a.I(7),
                       &a.T(8), &a.N(9), &a.N(10), &a.N(11), &a.N(12), &a.N(13), &a.N(14), &a.N(15),
                       &a.N(16), &a.N(17), &a.N(18), &a.I(19), &a.T(20), &a.I(21), &a.T(22),
                       &a.I(23), &a.I(24), &a.I(25), &a.N(26), &a.N(27), &a.T(28), &a.T(29),
                       &a.I(30), &a.I(31), &a.I(32), &a.B(33));
}

HRESULT FillVat(Result& r, decltype(&Result::GetFirstVat) method, Args& a) {
    return (r.*method)(&a.N(0), &a.N(1), &a.B(2));
}

// Grouper and BfS records share their shape.
HRESULT FillRecord(Result& r, decltype(&Result::GetFirstGrouperRecord) method, Args& a) {
    return (r.*method)(&a.I(0), &a.I(1), &a.T(2), &a.B(3));
}

HRESULT FillCaseDetail(Result& r, decltype(&Result::GetFirstCaseDetail) method, Args& a) {
    return (r.*method)(&a.T(0), &a.T(1), &a.D(2), &a.D(3), &a.T(4), &a.B(5));
}

HRESULT FillDiagnosis(Result& r, decltype(&Result::GetFirstDiagnosis) method, Args& a) {
    return (r.*method)(&a.I(0), &a.T(1), &a.T(2), &a.B(3));
}

HRESULT FillInstruction(Result& r, decltype(&Result::GetFirstInstruction) method, Args& a) {
    return (r.*method)(&a.T(0), &a.T(1), &a.B(2));
}

ResultMethod DocumentMethod(decltype(&Result::GetFirstDocument) method) {
    return [method](Result& r, Args& a) {
        return (r.*method)(&a.I(0), &a.T(1), &a.T(2), &a.T(3), &a.B(4));
    };
}

// The collection reads, compared before every other name of the interface.
std::vector<Operation> CollectionReads() {
    return {
        ListRow("GetServices", ServiceMembers("pbstrTariffRefCode"),
                ListCall(&Result::GetFirstService, FillService),
                ListCall(&Result::GetNextService, FillService)),
        ListRow("GetServicesEx", ServiceExMembers("pbstrTariffRefCode"),
                ListCall(&Result::GetFirstServiceEx, FillServiceEx),
                ListCall(&Result::GetNextServiceEx, FillServiceEx)),
        ListRow("GetVats", VatMembers(), ListCall(&Result::GetFirstVat, FillVat),
                ListCall(&Result::GetNextVat, FillVat)),
        ListRow("GetGrouperRecords", RecordMembers("peGrouperRecordType"),
                ListCall(&Result::GetFirstGrouperRecord, FillRecord),
                ListCall(&Result::GetNextGrouperRecord, FillRecord)),
        ListRow("GetBfSRecords", RecordMembers("peBfSRecordType"),
                ListCall(&Result::GetFirstBfSRecord, FillRecord),
                ListCall(&Result::GetNextBfSRecord, FillRecord)),
        ListRow("GetCaseDetails", CaseDetailMembers(),
                ListCall(&Result::GetFirstCaseDetail, FillCaseDetail),
                ListCall(&Result::GetNextCaseDetail, FillCaseDetail)),
        ListRow("GetInstructions", InstructionMembers(),
                ListCall(&Result::GetFirstInstruction, FillInstruction),
                ListCall(&Result::GetNextInstruction, FillInstruction)),
        ListRow("GetDiagnoses", DiagnosisMembers(),
                ListCall(&Result::GetFirstDiagnosis, FillDiagnosis),
                ListCall(&Result::GetNextDiagnosis, FillDiagnosis)),
        ListRow("GetDocuments", DocumentMembers(),
                DocumentCall(DocumentMethod(&Result::GetFirstDocument)),
                DocumentCall(DocumentMethod(&Result::GetNextDocument))),
    };
}

// The sections of the request, in the order of the interface's methods.
std::vector<Operation> RequestSectionReads() {
    return {
        ReadRow("GetRequest",
                {Out("peDataLanguage", 'i'), Out("peRoleType", 'i'), Out("pePlaceType", 'i'),
                 Out("pbstrRoleTitle", 't'), Out("peIsStorno", 'i'), Out("peIsCopy", 'i'),
                 Out("pbstrRemark", 't'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetRequest(&a.I(0), &a.I(1), &a.I(2), &a.T(3), &a.I(4), &a.I(5),
                                        &a.T(6), &a.B(7));
                }),
        ReadRow(
            "GetProcessing",
            {Out("pePrintAtIntermediate", 'i'), Out("ePrintGuarantorCopy", 'i'),
             Out("pbstrTCToken", 't'), Out("pbStatus", 'b')},
            [](Result& r, Args& a) { return r.GetProcessing(&a.I(0), &a.I(1), &a.T(2), &a.B(3)); }),
        ReadRow("GetTransport",
                {Out("pbstrFromEAN", 't'), Out("pbstrFromPFXFile", 't'),
                 Out("pbstrFromPFXPassword", 't'), Out("pbstrViaEAN", 't'), Out("pbstrToEAN", 't'),
                 Out("pbstrToBinDERFile", 't'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetTransport(&a.T(0), &a.T(1), &a.T(2), &a.T(3), &a.T(4), &a.T(5),
                                          &a.B(6));
                }),
        ReadRow(
            "GetPackage",
            {Out("pbstrSoftwarePackage", 't'), Out("plSoftwareVersion", 'i'),
             Out("plSoftwareID", 'i'), Out("pbstrSoftwareCopyright", 't'), Out("pbStatus", 'b')},
            [](Result& r, Args& a) {
                return r.GetPackage(&a.T(0), &a.I(1), &a.I(2), &a.T(3), &a.B(4));
            }),
        ReadRow("GetCredit",
                {Out("pbstrRequestCreditID", 't'), Out("pdRequestCreditDate", 'd'),
                 Out("plRequestCreditTimestamp", 'i'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) { return r.GetCredit(&a.T(0), &a.D(1), &a.I(2), &a.B(3)); }),
        ReadRow(
            "GetInvoice",
            {Out("pbstrRequestInvoiceID", 't'), Out("pdRequestInvoiceDate", 'd'),
             Out("plRequestInvoiceTimestamp", 'i'), Out("pbStatus", 'b')},
            [](Result& r, Args& a) { return r.GetInvoice(&a.T(0), &a.D(1), &a.I(2), &a.B(3)); }),
        ReadRow("GetReminder",
                {Out("pbstrRequestReminderID", 't'), Out("pdRequestReminderDate", 'd'),
                 Out("plRequestReminderTimestamp", 'i'), Out("plReminderLevel", 'i'),
                 Out("pbstrReminderText", 't'), Out("pdAmountReminder", 'n'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetReminder(&a.T(0), &a.D(1), &a.I(2), &a.I(3), &a.T(4), &a.N(5),
                                         &a.B(6));
                }),
        ReadRow("GetTiers",
                {Out("peTiersMode", 'i'), Out("pbstrVatNumber", 't'), Out("pdAmountPrepaid", 'n'),
                 Out("pbStatus", 'b')},
                [](Result& r, Args& a) { return r.GetTiers(&a.I(0), &a.T(1), &a.N(2), &a.B(3)); }),
        ReadRow("GetBalance",
                {Out("pdAmount", 'n'), Out("pdAmountObligatory", 'n'), Out("pdAmountPrepaid", 'n'),
                 Out("pdAmountReminder", 'n'), Out("pdAmountDue", 'n'), Out("pdAmountVat", 'n'),
                 Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetBalance(&a.N(0), &a.N(1), &a.N(2), &a.N(3), &a.N(4), &a.N(5),
                                        &a.B(6));
                }),
        WalkRow("GetFirstVat", VatMembers(), ListCall(&Result::GetFirstVat, FillVat)),
        WalkRow("GetNextVat", VatMembers(), ListCall(&Result::GetNextVat, FillVat)),
    };
}

// The payment slip reads: both addresses are answered as presence flags.
std::vector<Operation> PaymentReads() {
    return {
        ReadRow("GetEsrType", {Out("peEsrType", 'i'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) { return r.GetEsrType(&a.I(0), &a.B(1)); }),
        ReadRow("GetEsr",
                {Out("peEsrType", 'i'), Out("pbstrParticipantNumber", 't'),
                 Out("pbstrReferenceNumber", 't'), Out("pbstrBankAccount", 't'),
                 Out("pIBankAddress", 'i'), Out("pICreditorAddress", 'i'),
                 Out("plPaymentPeriod", 'i'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    ComPtr<IAddress> bank, creditor;
                    HRESULT hr =
                        r.GetEsr(&a.I(0), &a.T(1), &a.T(2), &a.T(3), bank.ReleaseAndGetAddressOf(),
                                 creditor.ReleaseAndGetAddressOf(), &a.I(6), &a.B(7));
                    a.I(4) = Presence(bank);
                    a.I(5) = Presence(creditor);
                    return hr;
                }),
        ReadRow(
            "GetEsrRed",
            {Out("pbstrPostAccount", 't'), Out("pbstrIBAN", 't'), Out("pbstrReferenceNumber", 't'),
             Out("pbstrRemarks", 't'), Out("pIBankAddress", 'i'), Out("pICreditorAddress", 'i'),
             Out("plPaymentPeriod", 'i'), Out("pbStatus", 'b')},
            [](Result& r, Args& a) {
                ComPtr<IAddress> bank, creditor;
                HRESULT hr =
                    r.GetEsrRed(&a.T(0), &a.T(1), &a.T(2), &a.T(3), bank.ReleaseAndGetAddressOf(),
                                creditor.ReleaseAndGetAddressOf(), &a.I(6), &a.B(7));
                a.I(4) = Presence(bank);
                a.I(5) = Presence(creditor);
                return hr;
            }),
        ReadRow("GetEsrQR",
                {Out("peEsrType", 'i'), Out("pbstrIBAN", 't'), Out("pbstrReferenceNumber", 't'),
                 Out("bstrCustomerNote", 't'), Out("pIBankAddress", 'i'),
                 Out("pICreditorAddress", 'i'), Out("plPaymentPeriod", 'i'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    ComPtr<IAddress> bank, creditor;
                    HRESULT hr = r.GetEsrQR(&a.I(0), &a.T(1), &a.T(2), &a.T(3),
                                            bank.ReleaseAndGetAddressOf(),
                                            creditor.ReleaseAndGetAddressOf(), &a.I(6), &a.B(7));
                    a.I(4) = Presence(bank);
                    a.I(5) = Presence(creditor);
                    return hr;
                }),
        ReadRow("GetEsrRedQR",
                {Out("pbstrIBAN", 't'), Out("pbstrRemarks", 't'), Out("bstrCustomerNote", 't'),
                 Out("pIBankAddress", 'i'), Out("pICreditorAddress", 'i'),
                 Out("plPaymentPeriod", 'i'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    ComPtr<IAddress> bank, creditor;
                    HRESULT hr =
                        r.GetEsrRedQR(&a.T(0), &a.T(1), &a.T(2), bank.ReleaseAndGetAddressOf(),
                                      creditor.ReleaseAndGetAddressOf(), &a.I(5), &a.B(6));
                    a.I(3) = Presence(bank);
                    a.I(4) = Presence(creditor);
                    return hr;
                }),
    };
}

// The parties: pIAddress is the party's address as an object, 0 for none.
std::vector<Operation> PartyReads() {
    return {
        ReadRow("GetBiller",
                {Out("pbstrEAN", 't'), Out("pbstrZSR", 't'), Out("pbstrNIF", 't'),
                 Out("pbstrSpecialty", 't'), AddressOut(), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetBiller(&a.T(0), &a.T(1), &a.T(2), &a.T(3), PartyAddress(a, 4),
                                       &a.B(5));
                }),
        ReadRow("GetProvider",
                {Out("pbstrEAN", 't'), Out("pbstrZSR", 't'), Out("pbstrNIF", 't'),
                 Out("pbstrSpecialty", 't'), AddressOut(), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetProvider(&a.T(0), &a.T(1), &a.T(2), &a.T(3), PartyAddress(a, 4),
                                         &a.B(5));
                }),
        ReadRow("GetInsurance", {Out("pbstrEAN", 't'), AddressOut(), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetInsurance(&a.T(0), PartyAddress(a, 1), &a.B(2));
                }),
        ReadRow("GetPatient",
                {Out("peSexType", 'i'), Out("pdBirthdate", 'd'), Out("pbstrSSN", 't'), AddressOut(),
                 Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetPatient(&a.I(0), &a.D(1), &a.T(2), PartyAddress(a, 3), &a.B(4));
                }),
        ReadRow("GetInsured",
                {Out("peSexType", 'i'), Out("pdBirthdate", 'd'), Out("pbstrSSN", 't'), AddressOut(),
                 Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetInsured(&a.I(0), &a.D(1), &a.T(2), PartyAddress(a, 3), &a.B(4));
                }),
        ReadRow("GetGuarantor", {AddressOut(), Out("pbStatus", 'b')},
                [](Result& r, Args& a) { return r.GetGuarantor(PartyAddress(a, 0), &a.B(1)); }),
        ReadRow(
            "GetDebitor", {Out("pbstrEAN", 't'), AddressOut(), Out("pbStatus", 'b')},
            [](Result& r, Args& a) { return r.GetDebitor(&a.T(0), PartyAddress(a, 1), &a.B(2)); }),
        ReadRow("GetReferrer",
                {Out("pbstrEAN", 't'), Out("pbstrZSR", 't'), Out("pbstrNIF", 't'),
                 Out("pbstrSpecialty", 't'), AddressOut(), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetReferrer(&a.T(0), &a.T(1), &a.T(2), &a.T(3), PartyAddress(a, 4),
                                         &a.B(5));
                }),
        ReadRow(
            "GetEmployer",
            {Out("pbstrEAN", 't'), Out("pbstrRegNumber", 't'), AddressOut(), Out("pbStatus", 'b')},
            [](Result& r, Args& a) {
                return r.GetEmployer(&a.T(0), &a.T(1), PartyAddress(a, 2), &a.B(3));
            }),
    };
}

// Treatment, law and card.
std::vector<Operation> CaseReads() {
    return {
        ReadRow(
            "GetTreatment",
            {Out("pbstrAPID", 't'), Out("pbstrACID", 't'), Out("pdDateBegin", 'd'),
             Out("pdDateEnd", 'd'), Out("peTreatmentCanton", 'i'), Out("peTreatmentType", 'i'),
             Out("peTreatmentReason", 'i'), Out("pdGestationWeek13", 'd'), Out("pbStatus", 'b')},
            [](Result& r, Args& a) {
                return r.GetTreatment(&a.T(0), &a.T(1), &a.D(2), &a.D(3), &a.I(4), &a.I(5), &a.I(6),
                                      &a.D(7), &a.B(8));
            }),
        ReadRow(
            "GetXtraHospital",
            {Out("peTreatmentType", 'i'), Out("pdDateHospitalization", 'd'),
             Out("plTreatmentDays", 'i'), Out("peHospitalizationType", 'i'),
             Out("peHospitalizationMode", 'i'), Out("peHospitalizationClass", 'i'),
             Out("pbstrSectionMajor", 't'), Out("peHasExpenseLoading", 'i'), Out("pbStatus", 'b')},
            [](Result& r, Args& a) {
                return r.GetXtraHospital(&a.I(0), &a.D(1), &a.I(2), &a.I(3), &a.I(4), &a.I(5),
                                         &a.T(6), &a.I(7), &a.B(8));
            }),
        ReadRow("GetLaw",
                {Out("peLawType", 'i'), Out("pdCaseDate", 'd'), Out("pbstrCaseID", 't'),
                 Out("pbstrInsuredID", 't'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetLaw(&a.I(0), &a.D(1), &a.T(2), &a.T(3), &a.B(4));
                }),
        ReadRow("GetCard",
                {Out("pbstrCardID", 't'), Out("pdExpiryDate", 'd'), Out("pdValidationDate", 'd'),
                 Out("pbstrValidationID", 't'), Out("pbstrValidationServer", 't'),
                 Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetCard(&a.T(0), &a.D(1), &a.D(2), &a.T(3), &a.T(4), &a.B(5));
                }),
    };
}

// The lists one element per request, in the order of the interface's
// methods (the VAT list comes with the balance).
std::vector<Operation> FirstNextReads() {
    return {
        WalkRow("GetFirstGrouperRecord", RecordMembers("peGrouperRecordType"),
                ListCall(&Result::GetFirstGrouperRecord, FillRecord)),
        WalkRow("GetNextGrouperRecord", RecordMembers("peGrouperRecordType"),
                ListCall(&Result::GetNextGrouperRecord, FillRecord)),
        WalkRow("GetFirstBfSRecord", RecordMembers("peBfSRecordType"),
                ListCall(&Result::GetFirstBfSRecord, FillRecord)),
        WalkRow("GetNextBfSRecord", RecordMembers("peBfSRecordType"),
                ListCall(&Result::GetNextBfSRecord, FillRecord)),
        WalkRow("GetFirstCaseDetail", CaseDetailMembers(),
                ListCall(&Result::GetFirstCaseDetail, FillCaseDetail)),
        WalkRow("GetNextCaseDetail", CaseDetailMembers(),
                ListCall(&Result::GetNextCaseDetail, FillCaseDetail)),
        WalkRow("GetFirstDiagnosis", DiagnosisMembers(),
                ListCall(&Result::GetFirstDiagnosis, FillDiagnosis)),
        WalkRow("GetNextDiagnosis", DiagnosisMembers(),
                ListCall(&Result::GetNextDiagnosis, FillDiagnosis)),
        WalkRow("GetFirstInstruction", InstructionMembers(),
                ListCall(&Result::GetFirstInstruction, FillInstruction)),
        WalkRow("GetNextInstruction", InstructionMembers(),
                ListCall(&Result::GetNextInstruction, FillInstruction)),
        WalkRow("GetFirstDocument", DocumentMembers(),
                DocumentCall(DocumentMethod(&Result::GetFirstDocument))),
        WalkRow("GetNextDocument", DocumentMembers(),
                DocumentCall(DocumentMethod(&Result::GetNextDocument))),
        WalkRow("GetFirstServiceEx", ServiceExMembers("pbstrReferenceCode"),
                ListCall(&Result::GetFirstServiceEx, FillServiceEx)),
        WalkRow("GetNextServiceEx", ServiceExMembers("pbstrReferenceCode"),
                ListCall(&Result::GetNextServiceEx, FillServiceEx)),
        WalkRow("GetFirstService", ServiceMembers("pbstrReferenceCode"),
                ListCall(&Result::GetFirstService, FillService)),
        WalkRow("GetNextService", ServiceMembers("pbstrReferenceCode"),
                ListCall(&Result::GetNextService, FillService)),
    };
}

// Drug and DRG details of one service line, and the abort information.
std::vector<Operation> LineReads() {
    return {
        ReadRow("GetXtraDrug",
                {In("lID", 'i'), Out("peIsIndicated", 'i'), Out("pbstrIOCM", 't'),
                 Out("peDelivery", 'i'), Out("plRegulationAttributes", 'i'),
                 Out("peHasLimitation", 'i'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) {
                    return r.GetXtraDrug(a.I(0), &a.I(1), &a.T(2), &a.I(3), &a.I(4), &a.I(5),
                                         &a.B(6));
                }),
        ReadRow("GetXtraDRG",
                {In("lID", 'i'), Out("pdSplitFactor1", 'n'), Out("pdSplitFactor2", 'n'),
                 Out("pbStatus", 'b')},
                [](Result& r, Args& a) { return r.GetXtraDRG(a.I(0), &a.N(1), &a.N(2), &a.B(3)); }),
        ReadRow("GetAbortInfo", {Out("pbstrAbort", 't'), Out("pbStatus", 'b')},
                [](Result& r, Args& a) { return r.GetAbortInfo(&a.T(0), &a.B(1)); }),
    };
}

}  // namespace

// The collection reads first, then the single and first/next reads in the
// order of the interface's methods.
std::vector<Operation> PostResultOperations() {
    std::vector<Operation> rows;
    for (auto part : {CollectionReads, RequestSectionReads, PaymentReads, PartyReads, CaseReads,
                      FirstNextReads, LineReads}) {
        std::vector<Operation> more = part();
        rows.insert(rows.end(), std::make_move_iterator(more.begin()),
                    std::make_move_iterator(more.end()));
    }
    return rows;
}
