#include "module/objects/result_object.h"

#include <mutex>
#include <string>
#include <utility>

#include "module/objects/result_factory.h"
#include "module/objects/result_values.h"

using namespace result_values;

HRESULT CreateInvoiceResult(std::shared_ptr<const invoice::InvoiceRequest> invoice,
                            IGeneralInvoiceResult** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (invoice == nullptr) return E_INVALIDARG;
    *out = MakeComObject<CGeneralInvoiceResult>(std::move(invoice)).Detach();
    return S_OK;
}

CGeneralInvoiceResult::CGeneralInvoiceResult(std::shared_ptr<const invoice::InvoiceRequest> invoice)
    : invoice_(std::move(invoice)) {
    for (const invoice::ServiceRecord& record : invoice_->services) {
        if (record.kind == invoice::ServiceKind::kServiceEx) {
            services_ex_.push_back(&record);
        } else {
            services_.push_back(&record);
        }
    }
}

bool CGeneralInvoiceResult::Step(Walk walk, bool first, size_t count, size_t* index) {
    std::lock_guard<std::mutex> guard(mutex_);
    size_t& position = positions_[static_cast<size_t>(walk)];
    if (first) position = 0;
    if (position >= count) return false;
    *index = position++;
    return true;
}

HRESULT CGeneralInvoiceResult::NullOut(const char* method) {
    return Abort(E_POINTER, std::string(method) + ": an out-parameter is null");
}

HRESULT CGeneralInvoiceResult::GetRequest(long* peDataLanguage, long* peRoleType, long* pePlaceType,
                                          BSTR* pbstrRoleTitle, long* peIsStorno, long* peIsCopy,
                                          BSTR* pbstrRemark, VARIANT_BOOL* pbStatus) {
    if (!peDataLanguage || !peRoleType || !pePlaceType || !pbstrRoleTitle || !peIsStorno ||
        !peIsCopy || !pbstrRemark || !pbStatus) {
        return NullOut("GetRequest");
    }
    const invoice::RequestSection& request = OrBlank(invoice_->request, BlankRequest());
    *peDataLanguage = Number(invoice_->language);
    *peRoleType = Number(request.role);
    *pePlaceType = Number(request.place);
    *pbstrRoleTitle = request.role_title;
    *peIsStorno = YesNo(request.is_storno);
    *peIsCopy = YesNo(request.is_copy);
    *pbstrRemark = request.remark;
    *pbStatus = StatusOf(invoice_->request.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetProcessing(long* pePrintAtIntermediate, long* ePrintGuarantorCopy,
                                             BSTR* pbstrTCToken, VARIANT_BOOL* pbStatus) {
    if (!pePrintAtIntermediate || !ePrintGuarantorCopy || !pbstrTCToken || !pbStatus) {
        return NullOut("GetProcessing");
    }
    const invoice::Processing& processing = invoice_->processing;
    *pePrintAtIntermediate = YesNo(processing.print_at_intermediate);
    *ePrintGuarantorCopy = YesNo(processing.print_copy_to_guarantor);
    *pbstrTCToken = processing.tc_token;
    *pbStatus = VARIANT_TRUE;
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetTransport(BSTR* pbstrFromEAN, BSTR* pbstrFromPFXFile,
                                            BSTR* pbstrFromPFXPassword, BSTR* pbstrViaEAN,
                                            BSTR* pbstrToEAN, BSTR* pbstrToBinDERFile,
                                            VARIANT_BOOL* pbStatus) {
    if (!pbstrFromEAN || !pbstrFromPFXFile || !pbstrFromPFXPassword || !pbstrViaEAN ||
        !pbstrToEAN || !pbstrToBinDERFile || !pbStatus) {
        return NullOut("GetTransport");
    }
    const invoice::Transport& transport = OrBlank(invoice_->transport, BlankTransport());
    *pbstrFromEAN = transport.from_ean;
    // A loaded invoice has no key file; its verified signer stands there.
    *pbstrFromPFXFile = transport.from_pfx_file.empty() && invoice_->signature
                            ? invoice_->signature->signer
                            : transport.from_pfx_file;
    *pbstrFromPFXPassword = transport.from_pfx_password;
    *pbstrViaEAN = transport.vias.empty() ? std::string() : transport.vias.front().ean;
    *pbstrToEAN = transport.to_ean;
    *pbstrToBinDERFile = transport.to_bin_der_file;
    *pbStatus = StatusOf(invoice_->transport.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetPackage(BSTR* pbstrSoftwarePackage, long* plSoftwareVersion,
                                          long* plSoftwareID, BSTR* pbstrSoftwareCopyright,
                                          VARIANT_BOOL* pbStatus) {
    if (!pbstrSoftwarePackage || !plSoftwareVersion || !plSoftwareID || !pbstrSoftwareCopyright ||
        !pbStatus) {
        return NullOut("GetPackage");
    }
    const invoice::Software& package = OrBlank(invoice_->prolog.package, BlankSoftware());
    *pbstrSoftwarePackage = package.name;
    *plSoftwareVersion = static_cast<long>(package.version.value_or(0));
    *plSoftwareID = static_cast<long>(package.id);
    *pbstrSoftwareCopyright = package.copyright;
    *pbStatus = StatusOf(invoice_->prolog.package.has_value());
    return S_OK;
}

namespace {

// The identity of a credit or an invoice; blank when the invoice has none.
void WriteReference(const std::optional<invoice::RequestReference>& reference, BSTR* id, DATE* date,
                    long* timestamp, VARIANT_BOOL* pbStatus) {
    const invoice::RequestReference& value = OrBlank(reference, BlankReference());
    *id = value.id;
    *date = value.date;
    *timestamp = static_cast<long>(value.timestamp);
    *pbStatus = StatusOf(reference.has_value());
}

}  // namespace

HRESULT CGeneralInvoiceResult::GetCredit(BSTR* pbstrRequestCreditID, DATE* pdRequestCreditDate,
                                         long* plRequestCreditTimestamp, VARIANT_BOOL* pbStatus) {
    if (!pbstrRequestCreditID || !pdRequestCreditDate || !plRequestCreditTimestamp || !pbStatus) {
        return NullOut("GetCredit");
    }
    WriteReference(invoice_->credit, pbstrRequestCreditID, pdRequestCreditDate,
                   plRequestCreditTimestamp, pbStatus);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetInvoice(BSTR* pbstrRequestInvoiceID, DATE* pdRequestInvoiceDate,
                                          long* plRequestInvoiceTimestamp, VARIANT_BOOL* pbStatus) {
    if (!pbstrRequestInvoiceID || !pdRequestInvoiceDate || !plRequestInvoiceTimestamp ||
        !pbStatus) {
        return NullOut("GetInvoice");
    }
    WriteReference(invoice_->invoice, pbstrRequestInvoiceID, pdRequestInvoiceDate,
                   plRequestInvoiceTimestamp, pbStatus);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetReminder(BSTR* pbstrRequestReminderID,
                                           DATE* pdRequestReminderDate,
                                           long* plRequestReminderTimestamp, long* plReminderLevel,
                                           BSTR* pbstrReminderText, double* pdAmountReminder,
                                           VARIANT_BOOL* pbStatus) {
    if (!pbstrRequestReminderID || !pdRequestReminderDate || !plRequestReminderTimestamp ||
        !plReminderLevel || !pbstrReminderText || !pdAmountReminder || !pbStatus) {
        return NullOut("GetReminder");
    }
    const invoice::Reminder& reminder = OrBlank(invoice_->reminder, BlankReminder());
    *pbstrRequestReminderID = reminder.reference.id;
    *pdRequestReminderDate = reminder.reference.date;
    *plRequestReminderTimestamp = static_cast<long>(reminder.reference.timestamp);
    *plReminderLevel = Number(reminder.level);
    *pbstrReminderText = reminder.text;
    *pdAmountReminder = Amount(reminder.amount_reminder);
    *pbStatus = StatusOf(invoice_->reminder.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetTiers(long* peTiersMode, BSTR* pbstrVatNumber,
                                        double* pdAmountPrepaid, VARIANT_BOOL* pbStatus) {
    if (!peTiersMode || !pbstrVatNumber || !pdAmountPrepaid || !pbStatus) {
        return NullOut("GetTiers");
    }
    const invoice::Tiers& tiers = OrBlank(invoice_->tiers, BlankTiers());
    *peTiersMode = Number(tiers.mode);
    *pbstrVatNumber = tiers.vat_number;
    *pdAmountPrepaid = Amount(tiers.amount_prepaid);
    *pbStatus = StatusOf(invoice_->tiers.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetBalance(double* pdAmount, double* pdAmountObligatory,
                                          double* pdAmountPrepaid, double* pdAmountReminder,
                                          double* pdAmountDue, double* pdAmountVat,
                                          VARIANT_BOOL* pbStatus) {
    if (!pdAmount || !pdAmountObligatory || !pdAmountPrepaid || !pdAmountReminder || !pdAmountDue ||
        !pdAmountVat || !pbStatus) {
        return NullOut("GetBalance");
    }
    const invoice::Balance& balance = invoice_->balance;
    *pdAmount = Amount(balance.amount);
    *pdAmountObligatory = Amount(balance.amount_obligations);
    *pdAmountPrepaid = Amount(balance.amount_prepaid);
    *pdAmountReminder = Amount(balance.amount_reminder);
    *pdAmountDue = Amount(balance.amount_due);
    *pdAmountVat = Amount(balance.vat);
    *pbStatus = StatusOf(invoice_->finalized);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::ReadVat(bool first, double* pdVat, double* pdVatRate,
                                       VARIANT_BOOL* pbStatus) {
    if (!pdVat || !pdVatRate || !pbStatus) return NullOut(first ? "GetFirstVat" : "GetNextVat");
    return Read(Walk::kVat, first, invoice_->balance.vat_rates, BlankVatLine(), pbStatus,
                [&](const invoice::VatRateLine& line) {
                    *pdVat = Amount(line.vat);
                    *pdVatRate = Amount(line.vat_rate);
                });
}

HRESULT CGeneralInvoiceResult::GetFirstVat(double* pdVat, double* pdVatRate,
                                           VARIANT_BOOL* pbStatus) {
    return ReadVat(true, pdVat, pdVatRate, pbStatus);
}

HRESULT CGeneralInvoiceResult::GetNextVat(double* pdVat, double* pdVatRate,
                                          VARIANT_BOOL* pbStatus) {
    return ReadVat(false, pdVat, pdVatRate, pbStatus);
}
