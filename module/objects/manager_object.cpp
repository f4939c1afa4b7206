#include "module/objects/manager_object.h"

#include <initializer_list>
#include <mutex>
#include <string>

#include "module/checks/check_result.h"
#include "module/checks/value_checks.h"
#include "module/model/module_version.h"
#include "module/objects/request_factory.h"
#include "module/objects/request_object.h"
#include "module/print/logo_file.h"

namespace {

using checks::CheckResult;
using checks::FirstFailure;

constexpr long kMaxLogLevel = 5;
constexpr long kMaxLogSizeKB = 1048576;  // 1 GB
constexpr size_t kMaxArchiveDirChars = 1024;

CheckResult CheckWhole(long value, long min, long max) {
    if (value >= min && value <= max) return checks::Passed();
    return checks::Failed(std::to_string(value) + " is outside " + std::to_string(min) + " to " +
                          std::to_string(max));
}

}  // namespace

HRESULT CTarvos::SetLogSettings(long lLogLevel, long lMaxSizeKB, long eDoArchive,
                                const BSTR& bstrArchiveDir, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    invoice::YesNo archive = invoice::YesNo::kNo;
    CheckResult archiveFlag = invoice::EnumFromLong(eDoArchive, &archive)
                                  ? checks::Passed()
                                  : checks::Failed(std::to_string(eDoArchive) + " is not 0 or 1");
    std::string failure = FirstFailure(
        "SetLogSettings",
        {{"lLogLevel", CheckWhole(lLogLevel, 0, kMaxLogLevel)},
         {"lMaxSizeKB", CheckWhole(lMaxSizeKB, 0, kMaxLogSizeKB)},
         {"eDoArchive", archiveFlag},
         {"bstrArchiveDir", checks::CheckOptionalText(bstrArchiveDir, kMaxArchiveDirChars)}});
    if (!failure.empty()) return Abort(E_INVALIDARG, failure);

    log_->Configure({lLogLevel, lMaxSizeKB, invoice::ToBool(archive), bstrArchiveDir});
    return Done(pbStatus);
}

HRESULT CTarvos::GetLogSettings(long* plLogLevel, long* plMaxSizeKB, long* peDoArchive,
                                BSTR* pbstrArchiveDir, VARIANT_BOOL* pbStatus) {
    if (plLogLevel == nullptr || plMaxSizeKB == nullptr || peDoArchive == nullptr ||
        pbstrArchiveDir == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    const ModuleLogSettings settings = log_->Settings();
    *plLogLevel = settings.level;
    *plMaxSizeKB = settings.max_size_kb;
    *peDoArchive = settings.archive ? 1 : 0;
    *pbstrArchiveDir = settings.archive_dir;
    return Done(pbStatus);
}

HRESULT CTarvos::SetLogo(const BSTR& bstrBMPLogoFile, long lMMWidth, long lMMHeigth,
                         VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return E_POINTER;
    if (!bstrBMPLogoFile.empty()) {
        std::string rule;
        CheckResult file = DetectLogoFormat(bstrBMPLogoFile, &rule) == LogoFormat::kNone
                               ? checks::Failed(rule)
                               : checks::Passed();
        std::string failure =
            FirstFailure("SetLogo", {{"bstrBMPLogoFile", file},
                                     {"lMMWidth", CheckLogoMillimetres(lMMWidth)},
                                     {"lMMHeigth", CheckLogoMillimetres(lMMHeigth)}});
        if (!failure.empty()) return Abort(E_INVALIDARG, failure);
    }

    std::lock_guard<std::mutex> guard(mutex_);
    if (bstrBMPLogoFile.empty()) {
        settings_.logo = LogoSettings();
    } else {
        settings_.logo = {bstrBMPLogoFile, lMMWidth, lMMHeigth};
    }
    return Done(pbStatus);
}

HRESULT CTarvos::GetGeneralInvoiceRequest(IGeneralInvoiceRequest** pIGeneralInvoiceRequest) {
    if (pIGeneralInvoiceRequest == nullptr) return E_POINTER;
    *pIGeneralInvoiceRequest = nullptr;
    ComPtr<IGeneralInvoiceRequest> request;
    HRESULT hr = CreateGeneralInvoiceRequest(request.ReleaseAndGetAddressOf());
    if (FAILED(hr) || request == nullptr) {
        return Abort(FAILED(hr) ? hr : E_UNEXPECTED,
                     "GetGeneralInvoiceRequest: a new request could not be made");
    }
    std::lock_guard<std::mutex> guard(mutex_);
    CGeneralInvoiceRequest* impl = AsRequestImpl(request.Get());
    if (impl != nullptr) {
        // The request starts in the manager's language and mode; the
        // client's own Initialize may change the language later.
        VARIANT_BOOL ignored = VARIANT_FALSE;
        impl->Initialize(static_cast<long>(settings_.language), &ignored);
        impl->SetModus(settings_.modus);
        impl->SetEngineLog(log_);
    }
    current_request_ = request;
    return request.CopyTo(pIGeneralInvoiceRequest);
}

HRESULT CTarvos::GetModus(long* peModusType) {
    if (peModusType == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    *peModusType = static_cast<long>(settings_.modus);
    return S_OK;
}

HRESULT CTarvos::PutModus(long eModusType) {
    invoice::Modus modus = invoice::Modus::kProduction;
    if (!invoice::EnumFromLong(eModusType, &modus)) {
        return Abort(E_INVALIDARG, "PutModus: eModusType " + std::to_string(eModusType) +
                                       " is not 1 (production) or 2 (test)");
    }
    std::lock_guard<std::mutex> guard(mutex_);
    settings_.modus = modus;
    return S_OK;
}

HRESULT CTarvos::GetModuleLanguage(long* peLanguage) {
    if (peLanguage == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> guard(mutex_);
    *peLanguage = static_cast<long>(settings_.language);
    return S_OK;
}

HRESULT CTarvos::PutModuleLanguage(long eLanguage) {
    invoice::Language language = invoice::Language::kGerman;
    if (!invoice::EnumFromLong(eLanguage, &language)) {
        return Abort(E_INVALIDARG, "PutModuleLanguage: eLanguage " + std::to_string(eLanguage) +
                                       " is not 1 (German), 2 (French) or 3 (Italian)");
    }
    std::lock_guard<std::mutex> guard(mutex_);
    settings_.language = language;
    return S_OK;
}

HRESULT CTarvos::GetModuleVersion(BSTR* pbstrModuleVersion) {
    if (pbstrModuleVersion == nullptr) return E_POINTER;
    *pbstrModuleVersion = kModuleVersion;
    return S_OK;
}

HRESULT CTarvos::GetModuleVersionText(BSTR* pbstrModuleVersionText) {
    if (pbstrModuleVersionText == nullptr) return E_POINTER;
    *pbstrModuleVersionText = kModuleVersionText;
    return S_OK;
}

ManagerSettings CTarvos::Settings() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return settings_;
}

ComPtr<IGeneralInvoiceRequest> CTarvos::CurrentRequest() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return current_request_;
}
