#pragma once

#include <string>

#include "bridge/igeneral_invoice_request.h"
#include "bridge/igeneral_invoice_result.h"
#include "bridge/itarvos.h"
#include "module/invoice_enums.h"
#include "module/module_object.h"
#include "platform/com.h"

// The log settings a client gives the module (SetLogSettings).
struct ModuleLogSettings {
    long level = 1;           // 0 (nothing) to 5 (everything)
    long max_size_kb = 4000;  // 0 (the default size) or 1 to 1048576
    bool archive = true;      // move full files into archive_dir
    std::string archive_dir;  // "" = "archive/" beside the log file
};

// The logo printed on invoices (SetLogo). An empty file means no logo.
struct LogoSettings {
    std::string file;
    long width_mm = 0;
    long height_mm = 0;
};

// Everything the manager keeps besides its current request.
struct ManagerSettings {
    invoice::Modus modus = invoice::Modus::kProduction;
    invoice::Language language = invoice::Language::kGerman;
    ModuleLogSettings log;
    LogoSettings logo;
};

// The manager of the invoice module (ITarvos), made by CoCreateInstance
// (bridge/module_factory.h). It keeps the mode, the language, the log
// settings and the logo, and hands out invoice requests.
//
// The current request is the request handed out last (by
// GetGeneralInvoiceRequest, later also by LoadXML); the manager holds a
// reference to it, so it lives at least as long as the manager or until the
// next one replaces it. Print and GetXML work on it.
//
// Checks (a rejected call returns E_INVALIDARG and changes nothing;
// GetAbortInfo names the method, the parameter and the rule):
//  - PutModus and PutModuleLanguage take the values of the Modus and Language
//    tables (module/invoice_enums.h);
//  - SetLogSettings: lLogLevel 0 to 5, lMaxSizeKB 0 to 1048576, eDoArchive 0
//    or 1, bstrArchiveDir up to 1024 characters without control characters;
//  - SetLogo: the file exists and is a PNG or an uncompressed BMP
//    (module/logo_file.h), width and height 1 to 200 mm. An empty file name
//    removes the logo (the sizes are then not looked at).
//
// Print, LoadXML and GetXML are not available yet: they answer E_NOTIMPL with
// an abort text saying so, their outputs emptied.
//
// Thread-safe: every method and the accessors take mutex_.
class CTarvos final : public CModuleObject<ITarvos> {
  public:
    // Use MakeComObject<CTarvos>() or CoCreateInstance.
    CTarvos() = default;

    HRESULT SetLogSettings(long lLogLevel, long lMaxSizeKB, long eDoArchive,
                           const BSTR& bstrArchiveDir, VARIANT_BOOL* pbStatus) override;
    HRESULT GetLogSettings(long* plLogLevel, long* plMaxSizeKB, long* peDoArchive,
                           BSTR* pbstrArchiveDir, VARIANT_BOOL* pbStatus) override;
    HRESULT SetLogo(const BSTR& bstrBMPLogoFile, long lMMWidth, long lMMHeigth,
                    VARIANT_BOOL* pbStatus) override;
    HRESULT Print(const BSTR& bstrPrintTemplate, long lGenerationAttributes, long lReserved,
                  long eAddressRight, long eSortTimeTariff, const BSTR& bstrSenderID,
                  long* plTimestamp, IGeneralInvoiceResult** pIGeneralInvoiceResult,
                  VARIANT_BOOL* pbStatus) override;
    HRESULT LoadXML(const BSTR& bstrInputFile, BSTR* pbstrUsedSchema,
                    IGeneralInvoiceRequest** pIGeneralInvoiceRequest,
                    IGeneralInvoiceResult** pIGeneralInvoiceResult,
                    VARIANT_BOOL* pbStatus) override;
    HRESULT GetXML(long lGenerationAttributes, BSTR* pbstrOutputFile, long* plValidationError,
                   long* plTimestamp, BSTR* pbstrUsedSchema,
                   IGeneralInvoiceResult** pIGeneralInvoiceResult, VARIANT_BOOL* pbStatus) override;
    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        return CModuleObject<ITarvos>::GetAbortInfo(pbstrAbort, pbStatus);
    }
    // A new, empty request, which becomes the current request.
    HRESULT GetGeneralInvoiceRequest(IGeneralInvoiceRequest** pIGeneralInvoiceRequest) override;
    HRESULT GetModus(long* peModusType) override;
    HRESULT PutModus(long eModusType) override;
    HRESULT GetModuleLanguage(long* peLanguage) override;
    HRESULT PutModuleLanguage(long eLanguage) override;
    HRESULT GetModuleVersion(BSTR* pbstrModuleVersion) override;
    HRESULT GetModuleVersionText(BSTR* pbstrModuleVersionText) override;

    // For the other classes of the module: copies taken under the lock.
    ManagerSettings Settings() const;
    // The current request (null before the first), with a reference for the
    // caller.
    ComPtr<IGeneralInvoiceRequest> CurrentRequest() const;

  private:
    ~CTarvos() override = default;

    ManagerSettings settings_;
    ComPtr<IGeneralInvoiceRequest> current_request_;
};
