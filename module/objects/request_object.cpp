#include "module/objects/request_object.h"

#include <mutex>
#include <utility>

#include "module/checks/value_checks.h"
#include "module/objects/address_object.h"
#include "module/objects/request_arguments.h"
#include "module/objects/request_factory.h"
#include "module/objects/service_input_object.h"

HRESULT CreateGeneralInvoiceRequest(IGeneralInvoiceRequest** out) {
    if (out == nullptr) return E_POINTER;
    *out = MakeComObject<CGeneralInvoiceRequest>().Detach();
    return S_OK;
}

CGeneralInvoiceRequest* AsRequestImpl(IGeneralInvoiceRequest* request) {
    return dynamic_cast<CGeneralInvoiceRequest*>(request);
}

HRESULT CGeneralInvoiceRequest::Initialize(long eDataLanguage, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "Initialize: pbStatus is null");
    ArgumentCheck check("Initialize");
    invoice::Language language = invoice::Language::kGerman;
    check.Enum("eDataLanguage", eDataLanguage, &language);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());

    std::lock_guard<std::mutex> guard(mutex_);
    invoice::InvoiceRequest fresh;
    fresh.language = language;
    fresh.modus = invoice_.modus;
    invoice_ = std::move(fresh);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::GetCreateServiceExInput(const BSTR& bstrTariffType,
                                                        IServiceExInput** pIServiceExInput) {
    if (pIServiceExInput == nullptr) {
        return Abort(E_POINTER, "GetCreateServiceExInput: pIServiceExInput is null");
    }
    *pIServiceExInput = nullptr;
    ArgumentCheck check("GetCreateServiceExInput");
    check.Field("bstrTariffType", request_rules::Optional(bstrTariffType, checks::CheckTariffType));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    HRESULT hr = CreateServiceExInput(bstrTariffType, pIServiceExInput);
    if (FAILED(hr)) return Abort(hr, "GetCreateServiceExInput: the service input cannot be made");
    return S_OK;
}

HRESULT CGeneralInvoiceRequest::GetCreateAddress(IAddress** pIAddress) {
    if (pIAddress == nullptr) return Abort(E_POINTER, "GetCreateAddress: pIAddress is null");
    *pIAddress = nullptr;
    HRESULT hr = CreateAddress(pIAddress);
    if (FAILED(hr)) return Abort(hr, "GetCreateAddress: the address cannot be made");
    return S_OK;
}

std::shared_ptr<const invoice::InvoiceRequest> CGeneralInvoiceRequest::FinalizedSnapshot() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return finalized_;
}

bool CGeneralInvoiceRequest::IsFinalized() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return finalized_ != nullptr;
}

void CGeneralInvoiceRequest::SetModus(invoice::Modus modus) {
    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.modus = modus;
    if (finalized_ && finalized_->modus != modus) Changed();
}

void CGeneralInvoiceRequest::SetEngineLog(std::shared_ptr<const EngineLog> log) {
    std::lock_guard<std::mutex> guard(mutex_);
    log_ = std::move(log);
}

void CGeneralInvoiceRequest::Load(const invoice::InvoiceRequest& invoice) {
    std::lock_guard<std::mutex> guard(mutex_);
    invoice_ = invoice;
    Changed();
    if (invoice_.finalized) finalized_ = std::make_shared<const invoice::InvoiceRequest>(invoice_);
    loaded_unchanged_ = true;
}

bool CGeneralInvoiceRequest::LoadedUnchanged() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return loaded_unchanged_;
}
