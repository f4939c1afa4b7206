// Finalize: the completeness check (module/checks/completeness.h), the amounts and
// the balance (module/model/balance.h), and the finalized snapshot that results and
// the XML writer read.

#include <memory>
#include <mutex>
#include <string>

#include "module/checks/completeness.h"
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

}  // namespace

HRESULT CGeneralInvoiceRequest::Finalize(double* pdRoundDifference, VARIANT_BOOL* pbStatus) {
    if (pdRoundDifference == nullptr || pbStatus == nullptr) {
        return Abort(E_POINTER, "Finalize: pdRoundDifference or pbStatus is null");
    }
    std::lock_guard<std::mutex> guard(mutex_);
    const std::vector<std::string> missing = invoice::MissingParts(invoice_);
    if (!missing.empty()) {
        return Abort(E_FAIL, "Finalize: the request is incomplete, missing: " + JoinParts(missing));
    }
    // Computed on a copy: a refused amount leaves the request as it was.
    auto finalized = std::make_shared<invoice::InvoiceRequest>(invoice_);
    if (finalized->prolog.generator.name.empty()) {
        // This module made the invoice (a loaded one keeps its generator).
        finalized->prolog.generator.name = "Invoice engine";
        finalized->prolog.generator.description = kModuleVersion;
    }
    std::string error;
    if (!invoice::FinalizeBalance(finalized.get(), &error)) {
        return Abort(E_FAIL, "Finalize: " + error);
    }
    invoice_ = *finalized;
    finalized_ = std::move(finalized);
    *pdRoundDifference = finalized_->balance.round_difference.ToDouble();
    return Done(pbStatus);
}
