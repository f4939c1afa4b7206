#pragma once

#include <memory>
#include <string>

#include "bridge/igeneral_invoice_request.h"
#include "bridge/igeneral_invoice_result.h"
#include "bridge/itarvos.h"
#include "module/model/invoice_enums.h"
#include "module/objects/engine_log.h"
#include "module/objects/module_object.h"
#include "platform/com.h"

// The logo printed on invoices (SetLogo). An empty file means no logo.
struct LogoSettings {
    std::string file;
    long width_mm = 0;
    long height_mm = 0;
};

// Everything the manager keeps besides its current request and its log.
struct ManagerSettings {
    invoice::Modus modus = invoice::Modus::kProduction;
    invoice::Language language = invoice::Language::kGerman;
    LogoSettings logo;
};

// The manager of the invoice module (ITarvos), made by CoCreateInstance
// (bridge/module_factory.h). It keeps the mode, the language, the log
// settings and the logo, and hands out invoice requests.
//
// The current request is the request handed out last (by
// GetGeneralInvoiceRequest or LoadXML); the manager holds a reference to it,
// so it lives at least as long as the manager or until the next one replaces
// it. Print and GetXML work on it. A request handed out by
// GetGeneralInvoiceRequest starts in the manager's language (its data
// language until the client's Initialize says otherwise) and takes the
// manager's mode (PutModus) at that moment; a loaded request keeps the
// language and mode of its file.
//
// Checks (a rejected call returns E_INVALIDARG and changes nothing;
// GetAbortInfo names the method, the parameter and the rule):
//  - PutModus and PutModuleLanguage take the values of the Modus and Language
//    tables (module/model/invoice_enums.h);
//  - SetLogSettings: lLogLevel 0 to 5, lMaxSizeKB 0 to 1048576, eDoArchive 0
//    or 1, bstrArchiveDir up to 1024 characters without control characters;
//    the settings govern the engine's log (module/objects/engine_log.h),
//    which GetXML, LoadXML, Print and the Finalize of the manager's requests
//    write one line each into;
//  - SetLogo: the file exists and is a PNG or an uncompressed BMP
//    (module/print/logo_file.h), width and height 1 to 200 mm. An empty file name
//    removes the logo (the sizes are then not looked at).
//
// Output (module/objects/manager_output.cpp; outputs are emptied first):
//  - GetXML writes the current request, which must be finalized (a loaded
//    request is), as a 4.50 document into ModuleOutputFolder() under a fresh
//    name and checks it against the request schema. plTimestamp 0 takes the
//    invoice's own timestamp (the current time when it has none); another
//    value is written as the request timestamp. On S_OK the document is
//    valid (plValidationError 0) and the result shows the invoice as written.
//    A document with schema errors is still written and its path, error
//    count, timestamp and schema are set, but the call fails (E_FAIL, no
//    result) and GetAbortInfo gives the count and the first error.
//    No request or not finalized: E_FAIL; plTimestamp out of range:
//    E_INVALIDARG. The request's transport keys sign and encrypt the
//    document (module/xml/xml_signature_transport.h); a key or certificate
//    that cannot be used: E_FAIL, nothing written.
//  - LoadXML reads a 4.50 or 4.40 file (module/xml/xml_reader.h; a 4.40 file
//    in its 4.50 form) into a new request, which becomes the current request,
//    and hands out that request and a result over it. A refused file
//    (unreadable, not XML, neither 4.50 nor 4.40, schema errors, a 4.40 value
//    its 4.50 form cannot carry) answers E_INVALIDARG with the loader's text;
//    pbstrUsedSchema names the release recognised, also then
//    ("generalInvoiceRequest_440.xsd").
//    An encrypted body is decrypted with the key that SetTransport named on
//    the current request (bstrFromPFXFile, bstrFromPFXPassword); a signature
//    must verify.
//  - Print draws the current request, which must be finalized, as a PDF
//    (module/print/invoice_print.h) with the logo of SetLogo, into the file the
//    template names in PDF_NOPRINT. The third argument is reserved (the
//    service passes 0) and not looked at. plTimestamp in: 0 prints the
//    invoice's own timestamp (the current time when it has none), another
//    value as given; out: the timestamp printed. The result shows
//    the invoice as printed. Refusals keep the printer's code and text
//    ("Print: ..."): E_INVALIDARG for a bad template or option, E_FAIL for
//    no finalized request, an unreadable logo or an unwritable file.
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

    // The bodies of the output calls; the public methods log their outcome.
    HRESULT PrintInvoice(const BSTR& bstrPrintTemplate, long lGenerationAttributes,
                         long eAddressRight, long eSortTimeTariff, const BSTR& bstrSenderID,
                         long* plTimestamp, IGeneralInvoiceResult** pIGeneralInvoiceResult,
                         std::string* details);
    HRESULT LoadFile(const BSTR& bstrInputFile, BSTR* pbstrUsedSchema,
                     IGeneralInvoiceRequest** pIGeneralInvoiceRequest,
                     IGeneralInvoiceResult** pIGeneralInvoiceResult);
    HRESULT WriteFile(long lGenerationAttributes, BSTR* pbstrOutputFile, long* plValidationError,
                      long* plTimestamp, BSTR* pbstrUsedSchema,
                      IGeneralInvoiceResult** pIGeneralInvoiceResult, std::string* details);
    // Writes the engine log's line of `operation` (EngineLog::Record, with
    // the abort text when hr failed). Returns hr.
    HRESULT Logged(const char* operation, HRESULT hr, const std::string& details);

    ManagerSettings settings_;
    ComPtr<IGeneralInvoiceRequest> current_request_;
    const std::shared_ptr<EngineLog> log_ = std::make_shared<EngineLog>();
};

// The folder GetXML writes into: "tarvos-engine/output/" under the temporary
// directory (platform::TempDirectory, i.e. $TMPDIR or /tmp), made when
// missing. Files stay there; the service copies what it publishes.
std::string ModuleOutputFolder();
