// The payment slips: SetEsr (orange slip), SetEsrRed (red slip), SetEsrQR
// (QR bill with reference) and SetEsrRedQR (QR bill without reference).
// One slip per invoice: each call replaces the slip set before.

#include <mutex>
#include <utility>

#include "module/checks/check_esr.h"
#include "module/checks/check_payment.h"
#include "module/checks/value_checks.h"
#include "module/objects/request_arguments.h"
#include "module/objects/request_object.h"

namespace {

// Payment period in days; the format writes it as a duration.
constexpr long kMaxPaymentPeriod = 999;

// The checks every slip shares: the two addresses and the period.
void CheckSlipCommon(ArgumentCheck* check, IAddress* pIBankAddress, IAddress* pICreditorAddress,
                     long lPaymentPeriod, invoice::Esr* slip) {
    slip->bank = check->Address("pIBankAddress", pIBankAddress);
    slip->creditor = check->Address("pICreditorAddress", pICreditorAddress);
    check->Whole("lPaymentPeriod", lPaymentPeriod, 0, kMaxPaymentPeriod);
    slip->payment_period_days = static_cast<int32_t>(lPaymentPeriod);
}

}  // namespace

HRESULT CGeneralInvoiceRequest::StoreSlip(invoice::Esr slip, VARIANT_BOOL* pbStatus) {
    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.esr = std::move(slip);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetEsr(long eEsrType, const BSTR& bstrParticipantNumber,
                                       const BSTR& bstrReferenceNumber, const BSTR& bstrBankAccount,
                                       IAddress* pIBankAddress, IAddress* pICreditorAddress,
                                       long lPaymentPeriod, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetEsr: pbStatus is null");
    ArgumentCheck check("SetEsr");
    invoice::Esr slip;
    check.Enum("eEsrType", eEsrType, &slip.type);
    if (check.ok() && !invoice::IsEsr9Type(slip.type)) {
        check.Fail("eEsrType", std::to_string(eEsrType) + " is not an orange slip type (1 or 2)");
    }
    check.Field("bstrParticipantNumber", checks::CheckEsrParticipantNumber(bstrParticipantNumber));
    check.Field("bstrReferenceNumber", checks::CheckEsrReference(bstrReferenceNumber));
    check.Field("bstrBankAccount", checks::CheckOptionalText(bstrBankAccount, 35));
    CheckSlipCommon(&check, pIBankAddress, pICreditorAddress, lPaymentPeriod, &slip);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    slip.participant_number = checks::FormatParticipantNumber(bstrParticipantNumber);
    slip.reference_number = checks::FormatEsrReference(bstrReferenceNumber);
    slip.bank_account = bstrBankAccount;
    return StoreSlip(std::move(slip), pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetEsrRed(const BSTR& bstrPostAccount, const BSTR& bstrIBAN,
                                          const BSTR& bstrReferenceNumber, const BSTR& bstrRemarks,
                                          IAddress* pIBankAddress, IAddress* pICreditorAddress,
                                          long lPaymentPeriod, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetEsrRed: pbStatus is null");
    ArgumentCheck check("SetEsrRed");
    invoice::Esr slip;
    slip.type = invoice::EsrType::kEsrRed;
    check.Field("bstrPostAccount", checks::CheckPostAccount(bstrPostAccount));
    check.Field("bstrIBAN", request_rules::Optional(bstrIBAN, checks::CheckSwissIban));
    check.Field("bstrReferenceNumber",
                request_rules::Optional(bstrReferenceNumber, checks::CheckEsrRedReference));
    check.Field("bstrRemarks", request_rules::PaymentReasons(bstrRemarks));
    CheckSlipCommon(&check, pIBankAddress, pICreditorAddress, lPaymentPeriod, &slip);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    slip.post_account = checks::FormatParticipantNumber(bstrPostAccount);
    slip.iban = checks::NormaliseIban(bstrIBAN);
    slip.reference_number = bstrReferenceNumber;
    slip.remarks = bstrRemarks;
    return StoreSlip(std::move(slip), pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetEsrQR(long eEsrType, const BSTR& bstrIBAN,
                                         const BSTR& bstrReferenceNumber,
                                         const BSTR& bstrCustomerNote, IAddress* pIBankAddress,
                                         IAddress* pICreditorAddress, long lPaymentPeriod,
                                         VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetEsrQR: pbStatus is null");
    ArgumentCheck check("SetEsrQR");
    invoice::Esr slip;
    check.Enum("eEsrType", eEsrType, &slip.type);
    if (check.ok() && slip.type != invoice::EsrType::kEsrQR &&
        slip.type != invoice::EsrType::kEsrQRPlus) {
        check.Fail("eEsrType",
                   std::to_string(eEsrType) + " is not a type of QR bill with reference (4 or 5)");
    }
    if (bstrReferenceNumber.empty()) {
        check.Fail("bstrReferenceNumber",
                   "is required: a QR bill with reference needs a QR or creditor reference");
    }
    check.Field("bstrIBAN", checks::CheckSwissIban(bstrIBAN));
    check.Field("bstrIBAN and bstrReferenceNumber",
                checks::CheckQrIbanAndReference(bstrIBAN, bstrReferenceNumber));
    check.Field("bstrCustomerNote", checks::CheckOptionalText(bstrCustomerNote, 70));
    CheckSlipCommon(&check, pIBankAddress, pICreditorAddress, lPaymentPeriod, &slip);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    slip.iban = checks::NormaliseIban(bstrIBAN);
    slip.reference_number =
        checks::ReferenceTypeOf(bstrReferenceNumber) == checks::QrReferenceType::kScor
            ? checks::NormaliseCreditorReference(bstrReferenceNumber)
            : checks::NormaliseQrReference(bstrReferenceNumber);
    slip.customer_note = bstrCustomerNote;
    return StoreSlip(std::move(slip), pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetEsrRedQR(const BSTR& bstrIBAN, const BSTR& bstrRemarks,
                                            const BSTR& bstrCustomerNote, IAddress* pIBankAddress,
                                            IAddress* pICreditorAddress, long lPaymentPeriod,
                                            VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetEsrRedQR: pbStatus is null");
    ArgumentCheck check("SetEsrRedQR");
    invoice::Esr slip;
    slip.type = invoice::EsrType::kRedPayinSlipQR;
    // Without a reference: a QR-IBAN cannot be used (it needs a QR reference).
    check.Field("bstrIBAN", checks::CheckQrIbanAndReference(bstrIBAN, ""));
    check.Field("bstrRemarks", request_rules::PaymentReasons(bstrRemarks));
    check.Field("bstrCustomerNote", checks::CheckOptionalText(bstrCustomerNote, 70));
    CheckSlipCommon(&check, pIBankAddress, pICreditorAddress, lPaymentPeriod, &slip);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    slip.iban = checks::NormaliseIban(bstrIBAN);
    slip.remarks = bstrRemarks;
    slip.customer_note = bstrCustomerNote;
    return StoreSlip(std::move(slip), pbStatus);
}
