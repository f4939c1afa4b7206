// Finalize: the completeness check (module/checks/completeness.h), the rules
// across sections and the identifiers (module/checks/invoice_checks.h), the amounts and
// the balance (module/model/balance.h), and the finalized snapshot that results and
// the XML writer read.

#include <memory>
#include <mutex>
#include <string>

#include "module/checks/completeness.h"
#include "module/checks/invoice_checks.h"
#include "module/model/balance.h"
#include "module/model/module_version.h"
#include "module/objects/request_object.h"

namespace {

std::string JoinParts(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) text += "; ";
        text += part;
    }
    return text;
}

// The values the format carries that follow from others, filled into the
// finalized invoice only (a later change of their sources then counts): the
// generator (this module, unless the request came from a file), the law's
// social security number, the biller's UID. The esr9 coding line
// holds the amount due and is made again when the invoice is written.
void CompleteDerivedValues(invoice::InvoiceRequest* request) {
    invoice::Software& generator = request->prolog.generator;
    if (generator.name.empty()) {
        generator.name = kEngineName;
        generator.description = kModuleVersion;
        generator.version = kEngineVersionNumber;
    }
    if (request->law && request->law->ssn.empty() && request->patient) {
        const invoice::LawType type = request->law->type;
        if (type == invoice::LawType::kUVG || type == invoice::LawType::kIVG ||
            type == invoice::LawType::kMVG) {
            request->law->ssn = request->patient->ssn;
        }
    }
    if (request->biller && request->biller->uid_number.empty() && request->tiers) {
        request->biller->uid_number = request->tiers->vat_number;
    }
    if (request->esr) request->esr->coding_line.clear();
}

}  // namespace

HRESULT CGeneralInvoiceRequest::Finalize(double* pdRoundDifference, VARIANT_BOOL* pbStatus) {
    std::string details;
    HRESULT hr = pdRoundDifference == nullptr || pbStatus == nullptr
                     ? Abort(E_POINTER, "Finalize: pdRoundDifference or pbStatus is null")
                     : FinalizeRequest(pdRoundDifference, &details);
    std::shared_ptr<const EngineLog> log;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        log = log_;
    }
    if (log != nullptr) {
        BSTR abort;
        VARIANT_BOOL hasAbort = VARIANT_FALSE;
        if (FAILED(hr)) GetAbortInfo(&abort, &hasAbort);
        log->Record("Finalize", hr, FAILED(hr) ? abort : std::string(), details);
    }
    return FAILED(hr) ? hr : Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::FinalizeRequest(double* pdRoundDifference, std::string* details) {
    std::lock_guard<std::mutex> guard(mutex_);
    const std::vector<std::string> missing = invoice::MissingParts(invoice_);
    if (!missing.empty()) {
        return Abort(E_FAIL, "Finalize: the request is incomplete, missing: " + JoinParts(missing));
    }
    std::vector<std::string> findings = checks::CheckInvoiceRules(invoice_);
    std::vector<std::string> identifiers = checks::CheckInvoiceIdentifiers(invoice_);
    findings.insert(findings.end(), identifiers.begin(), identifiers.end());
    if (!findings.empty()) return Abort(E_FAIL, "Finalize: " + JoinParts(findings));
    // Computed on a copy: a refused amount leaves the request as it was.
    auto finalized = std::make_shared<invoice::InvoiceRequest>(invoice_);
    std::string error;
    if (!invoice::FinalizeBalance(finalized.get(), &error)) {
        return Abort(E_FAIL, "Finalize: " + error);
    }
    invoice_ = *finalized;  // record ids and accepted amounts
    CompleteDerivedValues(finalized.get());
    finalized_ = std::move(finalized);
    *pdRoundDifference = finalized_->balance.round_difference.ToDouble();
    *details = "invoice " + (finalized_->invoice ? finalized_->invoice->id : std::string()) +
               ", amount due " + finalized_->balance.amount_due.ToFixed(2);
    return S_OK;
}
