#include "module/objects/result_object.h"

#include "module/objects/result_values.h"

// The payment slip reads. The invoice carries at most one slip; each read
// answers the slip of its own kind and blanks (with *pbStatus VARIANT_FALSE)
// for any other.

using namespace result_values;

namespace {

bool IsEsrRed(invoice::EsrType type) {
    return type == invoice::EsrType::kEsrRed;
}
bool IsEsrRedQR(invoice::EsrType type) {
    return type == invoice::EsrType::kRedPayinSlipQR;
}
bool IsEsrQRWithReference(invoice::EsrType type) {
    return type == invoice::EsrType::kEsrQR || type == invoice::EsrType::kEsrQRPlus;
}

// The slip when it is of the kind `matches` accepts, else nullptr.
const invoice::Esr* SlipOfKind(const std::optional<invoice::Esr>& esr,
                               bool (*matches)(invoice::EsrType)) {
    return esr && matches(esr->type) ? &*esr : nullptr;
}

// The addresses, the payment period and the status, common to all slips.
void WriteSlipCommon(const invoice::Esr& slip, bool present, IAddress** pIBankAddress,
                     IAddress** pICreditorAddress, long* plPaymentPeriod, VARIANT_BOOL* pbStatus) {
    HandOutAddress(slip.bank, pIBankAddress);
    HandOutAddress(slip.creditor, pICreditorAddress);
    *plPaymentPeriod = slip.payment_period_days;
    *pbStatus = StatusOf(present);
}

}  // namespace

HRESULT CGeneralInvoiceResult::GetEsrType(long* peEsrType, VARIANT_BOOL* pbStatus) {
    if (!peEsrType || !pbStatus) return NullOut("GetEsrType");
    *peEsrType = Number(OrBlank(invoice_->esr, BlankEsr()).type);
    *pbStatus = StatusOf(invoice_->esr.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetEsr(long* peEsrType, BSTR* pbstrParticipantNumber,
                                      BSTR* pbstrReferenceNumber, BSTR* pbstrBankAccount,
                                      IAddress** pIBankAddress, IAddress** pICreditorAddress,
                                      long* plPaymentPeriod, VARIANT_BOOL* pbStatus) {
    if (!peEsrType || !pbstrParticipantNumber || !pbstrReferenceNumber || !pbstrBankAccount ||
        !pIBankAddress || !pICreditorAddress || !plPaymentPeriod || !pbStatus) {
        return NullOut("GetEsr");
    }
    const invoice::Esr* found = SlipOfKind(invoice_->esr, invoice::IsEsr9Type);
    const invoice::Esr& slip = found != nullptr ? *found : BlankEsr();
    *peEsrType = Number(slip.type);
    *pbstrParticipantNumber = slip.participant_number;
    *pbstrReferenceNumber = slip.reference_number;
    *pbstrBankAccount = slip.bank_account;
    WriteSlipCommon(slip, found != nullptr, pIBankAddress, pICreditorAddress, plPaymentPeriod,
                    pbStatus);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetEsrRed(BSTR* pbstrPostAccount, BSTR* pbstrIBAN,
                                         BSTR* pbstrReferenceNumber, BSTR* pbstrRemarks,
                                         IAddress** pIBankAddress, IAddress** pICreditorAddress,
                                         long* plPaymentPeriod, VARIANT_BOOL* pbStatus) {
    if (!pbstrPostAccount || !pbstrIBAN || !pbstrReferenceNumber || !pbstrRemarks ||
        !pIBankAddress || !pICreditorAddress || !plPaymentPeriod || !pbStatus) {
        return NullOut("GetEsrRed");
    }
    const invoice::Esr* found = SlipOfKind(invoice_->esr, IsEsrRed);
    const invoice::Esr& slip = found != nullptr ? *found : BlankEsr();
    *pbstrPostAccount = slip.post_account;
    *pbstrIBAN = slip.iban;
    *pbstrReferenceNumber = slip.reference_number;
    *pbstrRemarks = slip.remarks;
    WriteSlipCommon(slip, found != nullptr, pIBankAddress, pICreditorAddress, plPaymentPeriod,
                    pbStatus);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetEsrQR(long* peEsrType, BSTR* pbstrIBAN,
                                        BSTR* pbstrReferenceNumber, BSTR* bstrCustomerNote,
                                        IAddress** pIBankAddress, IAddress** pICreditorAddress,
                                        long* plPaymentPeriod, VARIANT_BOOL* pbStatus) {
    if (!peEsrType || !pbstrIBAN || !pbstrReferenceNumber || !bstrCustomerNote || !pIBankAddress ||
        !pICreditorAddress || !plPaymentPeriod || !pbStatus) {
        return NullOut("GetEsrQR");
    }
    const invoice::Esr* found = SlipOfKind(invoice_->esr, IsEsrQRWithReference);
    const invoice::Esr& slip = found != nullptr ? *found : BlankEsr();
    *peEsrType = Number(slip.type);
    *pbstrIBAN = slip.iban;
    *pbstrReferenceNumber = slip.reference_number;
    *bstrCustomerNote = slip.customer_note;
    WriteSlipCommon(slip, found != nullptr, pIBankAddress, pICreditorAddress, plPaymentPeriod,
                    pbStatus);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetEsrRedQR(BSTR* pbstrIBAN, BSTR* pbstrRemarks,
                                           BSTR* bstrCustomerNote, IAddress** pIBankAddress,
                                           IAddress** pICreditorAddress, long* plPaymentPeriod,
                                           VARIANT_BOOL* pbStatus) {
    if (!pbstrIBAN || !pbstrRemarks || !bstrCustomerNote || !pIBankAddress || !pICreditorAddress ||
        !plPaymentPeriod || !pbStatus) {
        return NullOut("GetEsrRedQR");
    }
    const invoice::Esr* found = SlipOfKind(invoice_->esr, IsEsrRedQR);
    const invoice::Esr& slip = found != nullptr ? *found : BlankEsr();
    *pbstrIBAN = slip.iban;
    *pbstrRemarks = slip.remarks;
    *bstrCustomerNote = slip.customer_note;
    WriteSlipCommon(slip, found != nullptr, pIBankAddress, pICreditorAddress, plPaymentPeriod,
                    pbStatus);
    return S_OK;
}
