#pragma once

#include "bridge/igeneral_invoice_request.h"
#include "bridge/igeneral_invoice_result.h"
#include "platform/com.h"

// The manager of the invoice module, made by CoCreateInstance
// (bridge/module_factory.h). It keeps the log settings and the logo, hands out
// new invoice requests, prints, loads and writes invoices. Objects it hands
// out carry one reference for the caller; an out object may be null when the
// module produced none. Conventions as in bridge/module_interfaces.h.
class ITarvos : public IUnknown {
  public:
    virtual HRESULT SetLogSettings(long lLogLevel, long lMaxSizeKB, long eDoArchive,
                                   const BSTR& bstrArchiveDir, VARIANT_BOOL* pbStatus) = 0;
    virtual HRESULT GetLogSettings(long* plLogLevel, long* plMaxSizeKB, long* peDoArchive,
                                   BSTR* pbstrArchiveDir, VARIANT_BOOL* pbStatus) = 0;
    // The logo printed on invoices: a bitmap file and its size in millimetres.
    virtual HRESULT SetLogo(const BSTR& bstrBMPLogoFile, long lMMWidth, long lMMHeigth,
                            VARIANT_BOOL* pbStatus) = 0;
    // Prints the current invoice with the template text bstrPrintTemplate,
    // which names the PDF file to write. lReserved is always 0. plTimestamp is
    // in and out. *pIGeneralInvoiceResult is the printed invoice.
    virtual HRESULT Print(const BSTR& bstrPrintTemplate, long lGenerationAttributes, long lReserved,
                          long eAddressRight, long eSortTimeTariff, const BSTR& bstrSenderID,
                          long* plTimestamp, IGeneralInvoiceResult** pIGeneralInvoiceResult,
                          VARIANT_BOOL* pbStatus) = 0;
    // (The two methods that follow Print in the module, the print adjustment
    // and print setup dialogs, have no use on a server and are not declared.)

    // Loads the XML invoice bstrInputFile: the schema it used, a request
    // filled from it and the invoice to read.
    virtual HRESULT LoadXML(const BSTR& bstrInputFile, BSTR* pbstrUsedSchema,
                            IGeneralInvoiceRequest** pIGeneralInvoiceRequest,
                            IGeneralInvoiceResult** pIGeneralInvoiceResult,
                            VARIANT_BOOL* pbStatus) = 0;
    // Writes the current invoice as XML: *pbstrOutputFile is the path of the
    // file written (also on failure, when one was written), plTimestamp is in
    // and out.
    virtual HRESULT GetXML(long lGenerationAttributes, BSTR* pbstrOutputFile,
                           long* plValidationError, long* plTimestamp, BSTR* pbstrUsedSchema,
                           IGeneralInvoiceResult** pIGeneralInvoiceResult,
                           VARIANT_BOOL* pbStatus) = 0;
    // The text of the last failure on this object.
    virtual HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) = 0;
    // A new, empty invoice request.
    virtual HRESULT GetGeneralInvoiceRequest(IGeneralInvoiceRequest** pIGeneralInvoiceRequest) = 0;
    virtual HRESULT GetModus(long* peModusType) = 0;
    virtual HRESULT PutModus(long eModusType) = 0;
    virtual HRESULT GetModuleLanguage(long* peLanguage) = 0;
    virtual HRESULT PutModuleLanguage(long eLanguage) = 0;
    virtual HRESULT GetModuleVersion(BSTR* pbstrModuleVersion) = 0;
    virtual HRESULT GetModuleVersionText(BSTR* pbstrModuleVersionText) = 0;
};

template <>
struct InterfaceTraits<ITarvos> {
    // {1c1846cc-b3bc-46b3-83fe-e4f57011cddc}
    static constexpr IID kIid = {
        0x1c1846cc, 0xb3bc, 0x46b3, {0x83, 0xfe, 0xe4, 0xf5, 0x70, 0x11, 0xcd, 0xdc}};
};
