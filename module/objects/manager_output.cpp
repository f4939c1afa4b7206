// The manager's output operations: Print, LoadXML and GetXML.

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "module/checks/invoice_checks.h"
#include "module/objects/manager_object.h"
#include "module/objects/request_factory.h"
#include "module/objects/request_object.h"
#include "module/objects/result_factory.h"
#include "module/print/invoice_print.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"
#include "platform/paths.h"
#include "platform/uuid_text.h"

namespace {

std::string JoinFindings(const std::vector<std::string>& findings) {
    std::string text;
    for (const std::string& finding : findings) text += (text.empty() ? "" : "; ") + finding;
    return text;
}

// The finalized invoice of `request`, or null with *why set to the reason.
// A loaded invoice is used only when it passes the checks Finalize runs and
// its balance is the one its services give.
std::shared_ptr<const invoice::InvoiceRequest> FinalizedInvoice(IGeneralInvoiceRequest* request,
                                                                std::string* why) {
    CGeneralInvoiceRequest* impl = AsRequestImpl(request);
    if (impl == nullptr) {
        *why = "there is no request (get one with GetGeneralInvoiceRequest or LoadXML)";
        return nullptr;
    }
    std::shared_ptr<const invoice::InvoiceRequest> snapshot = impl->FinalizedSnapshot();
    if (snapshot == nullptr) {
        *why = "the current request is not finalized (call Finalize after the last change)";
        return nullptr;
    }
    if (impl->LoadedUnchanged()) {
        std::vector<std::string> findings = checks::CheckLoadedInvoice(*snapshot);
        if (!findings.empty()) {
            *why = "the loaded invoice does not pass the checks: " + JoinFindings(findings);
            return nullptr;
        }
    }
    return snapshot;
}

// `invoice` as written with request timestamp `timestamp`: the snapshot
// itself when it already carries it, else a copy that does.
std::shared_ptr<const invoice::InvoiceRequest> WithTimestamp(
    std::shared_ptr<const invoice::InvoiceRequest> invoice, int64_t timestamp) {
    if (!invoice->invoice || invoice->invoice->timestamp == timestamp) return invoice;
    auto copy = std::make_shared<invoice::InvoiceRequest>(*invoice);
    copy->invoice->timestamp = timestamp;
    return copy;
}

// The key an encrypted file is decrypted with: the one that SetTransport
// named on the current request (bstrFromPFXFile, bstrFromPFXPassword).
invoice_xml::KeyFile DecryptionKey(IGeneralInvoiceRequest* request) {
    CGeneralInvoiceRequest* impl = AsRequestImpl(request);
    std::optional<invoice::Transport> transport =
        impl != nullptr ? impl->TransportSection() : std::nullopt;
    if (!transport) return invoice_xml::KeyFile();
    return invoice_xml::KeyFile{transport->from_pfx_file, transport->from_pfx_password};
}

// The extension a saved document gets: its file name's when that is a plain
// one, else its MIME type's.
std::string DocumentExtension(const invoice::Document& document) {
    size_t dot = document.filename.rfind('.');
    if (dot != std::string::npos && document.filename.size() - dot <= 5) {
        std::string extension = document.filename.substr(dot);
        bool plain = extension.find_first_not_of(
                         ".abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") ==
                     std::string::npos;
        if (plain && extension.size() > 1) return extension;
    }
    if (document.mime_type == "image/jpeg") return ".jpg";
    if (document.mime_type == "image/png") return ".png";
    return ".pdf";
}

// Saves every embedded document of a loaded invoice into the output folder
// and names the file in its source, so that the result's document reads
// hand out a file. The content stays in the invoice (it is written back).
bool SaveEmbeddedDocuments(invoice::InvoiceRequest* invoice, std::string* error) {
    for (invoice::Document& document : invoice->documents) {
        if (document.is_url || document.content_base64.empty()) continue;
        std::string bytes;
        if (!invoice_xml::DecodeBase64(document.content_base64, &bytes)) {
            *error = "the attached document \"" + document.title + "\" is not valid Base64";
            return false;
        }
        std::error_code ignored;
        std::filesystem::create_directories(ModuleOutputFolder(), ignored);
        std::string path = ModuleOutputFolder() + "document_" + platform::NewUuidText() +
                           DocumentExtension(document);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(path, ignored);
            *error = "the attached document \"" + document.title + "\" cannot be saved as " + path;
            return false;
        }
        document.source = path;
    }
    return true;
}

}  // namespace

std::string ModuleOutputFolder() {
    return platform::TempDirectory() + "tarvos-engine/output/";
}

HRESULT CTarvos::Logged(const char* operation, HRESULT hr, const std::string& details) {
    BSTR abort;
    VARIANT_BOOL hasAbort = VARIANT_FALSE;
    if (FAILED(hr)) GetAbortInfo(&abort, &hasAbort);
    log_->Record(operation, hr, FAILED(hr) ? abort : std::string(), details);
    return hr;
}

HRESULT CTarvos::Print(const BSTR& bstrPrintTemplate, long lGenerationAttributes,
                       long /*lReserved*/, long eAddressRight, long eSortTimeTariff,
                       const BSTR& bstrSenderID, long* plTimestamp,
                       IGeneralInvoiceResult** pIGeneralInvoiceResult, VARIANT_BOOL* pbStatus) {
    if (plTimestamp == nullptr || pIGeneralInvoiceResult == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    *pIGeneralInvoiceResult = nullptr;
    *pbStatus = VARIANT_FALSE;
    std::string details;
    HRESULT hr =
        PrintInvoice(bstrPrintTemplate, lGenerationAttributes, eAddressRight, eSortTimeTariff,
                     bstrSenderID, plTimestamp, pIGeneralInvoiceResult, &details);
    return FAILED(Logged("Print", hr, details)) ? hr : Done(pbStatus);
}

HRESULT CTarvos::PrintInvoice(const BSTR& bstrPrintTemplate, long lGenerationAttributes,
                              long eAddressRight, long eSortTimeTariff, const BSTR& bstrSenderID,
                              long* plTimestamp, IGeneralInvoiceResult** pIGeneralInvoiceResult,
                              std::string* details) {
    std::string why;
    ComPtr<IGeneralInvoiceRequest> request = CurrentRequest();
    std::shared_ptr<const invoice::InvoiceRequest> invoice = FinalizedInvoice(request.Get(), &why);
    if (invoice == nullptr) return Abort(E_FAIL, "Print: " + why);

    ManagerSettings settings = Settings();
    invoice::PrintOptions options;
    options.print_template = bstrPrintTemplate;
    options.generation_attributes = lGenerationAttributes;
    options.address_right = eAddressRight;
    options.sort_time_tariff = eSortTimeTariff;
    options.sender_id = bstrSenderID;
    options.logo_file = settings.logo.file;
    options.logo_width_mm = settings.logo.width_mm;
    options.logo_height_mm = settings.logo.height_mm;
    options.timestamp = *plTimestamp;
    invoice::PrintOutcome outcome;
    HRESULT hr = invoice::PrintInvoice(*invoice, options, &outcome, &why);
    if (FAILED(hr)) return Abort(hr, why);

    ComPtr<IGeneralInvoiceResult> result;
    hr = CreateInvoiceResult(outcome.printed != nullptr ? outcome.printed : invoice,
                             result.ReleaseAndGetAddressOf());
    if (FAILED(hr) || result == nullptr) {
        return Abort(FAILED(hr) ? hr : E_UNEXPECTED,
                     "Print: the result over the printed invoice could not be made");
    }
    *plTimestamp = static_cast<long>(outcome.timestamp);
    *details = outcome.pdf_path + ", timestamp " + std::to_string(outcome.timestamp);
    return result.CopyTo(pIGeneralInvoiceResult);
}

HRESULT CTarvos::LoadXML(const BSTR& bstrInputFile, BSTR* pbstrUsedSchema,
                         IGeneralInvoiceRequest** pIGeneralInvoiceRequest,
                         IGeneralInvoiceResult** pIGeneralInvoiceResult, VARIANT_BOOL* pbStatus) {
    if (pbstrUsedSchema == nullptr || pIGeneralInvoiceRequest == nullptr ||
        pIGeneralInvoiceResult == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    pbstrUsedSchema->clear();
    *pIGeneralInvoiceRequest = nullptr;
    *pIGeneralInvoiceResult = nullptr;
    *pbStatus = VARIANT_FALSE;
    HRESULT hr =
        LoadFile(bstrInputFile, pbstrUsedSchema, pIGeneralInvoiceRequest, pIGeneralInvoiceResult);
    std::string details = bstrInputFile;
    if (!pbstrUsedSchema->empty()) details += " (" + *pbstrUsedSchema + ")";
    return FAILED(Logged("LoadXML", hr, details)) ? hr : Done(pbStatus);
}

HRESULT CTarvos::LoadFile(const BSTR& bstrInputFile, BSTR* pbstrUsedSchema,
                          IGeneralInvoiceRequest** pIGeneralInvoiceRequest,
                          IGeneralInvoiceResult** pIGeneralInvoiceResult) {
    if (bstrInputFile.empty()) {
        return Abort(E_INVALIDARG, "LoadXML: bstrInputFile is empty (the path of an XML invoice)");
    }

    invoice::InvoiceRequest loaded;
    std::string used_schema;
    std::string error;
    invoice_xml::KeyFile key = DecryptionKey(CurrentRequest().Get());
    if (!invoice_xml::LoadInvoiceXml(bstrInputFile, &loaded, &used_schema, &error, &key)) {
        *pbstrUsedSchema = used_schema;
        return Abort(E_INVALIDARG, "LoadXML: " + error);
    }
    if (!SaveEmbeddedDocuments(&loaded, &error)) return Abort(E_FAIL, "LoadXML: " + error);

    ComPtr<IGeneralInvoiceRequest> request;
    HRESULT hr = CreateGeneralInvoiceRequest(request.ReleaseAndGetAddressOf());
    CGeneralInvoiceRequest* impl = SUCCEEDED(hr) ? AsRequestImpl(request.Get()) : nullptr;
    if (impl == nullptr) {
        return Abort(FAILED(hr) ? hr : E_UNEXPECTED, "LoadXML: a new request could not be made");
    }
    impl->Load(loaded);
    impl->SetEngineLog(log_);
    std::shared_ptr<const invoice::InvoiceRequest> snapshot = impl->FinalizedSnapshot();
    if (snapshot == nullptr) {
        snapshot = std::make_shared<const invoice::InvoiceRequest>(std::move(loaded));
    }
    ComPtr<IGeneralInvoiceResult> result;
    hr = CreateInvoiceResult(snapshot, result.ReleaseAndGetAddressOf());
    if (FAILED(hr) || result == nullptr) {
        return Abort(FAILED(hr) ? hr : E_UNEXPECTED,
                     "LoadXML: the result over the loaded invoice could not be made");
    }

    {
        std::lock_guard<std::mutex> guard(mutex_);
        current_request_ = request;
    }
    *pbstrUsedSchema = used_schema;
    request.CopyTo(pIGeneralInvoiceRequest);
    return result.CopyTo(pIGeneralInvoiceResult);
}

HRESULT CTarvos::GetXML(long lGenerationAttributes, BSTR* pbstrOutputFile, long* plValidationError,
                        long* plTimestamp, BSTR* pbstrUsedSchema,
                        IGeneralInvoiceResult** pIGeneralInvoiceResult, VARIANT_BOOL* pbStatus) {
    if (pbstrOutputFile == nullptr || plValidationError == nullptr || plTimestamp == nullptr ||
        pbstrUsedSchema == nullptr || pIGeneralInvoiceResult == nullptr || pbStatus == nullptr) {
        return E_POINTER;
    }
    pbstrOutputFile->clear();
    *plValidationError = 0;
    pbstrUsedSchema->clear();
    *pIGeneralInvoiceResult = nullptr;
    *pbStatus = VARIANT_FALSE;
    std::string details;
    HRESULT hr = WriteFile(lGenerationAttributes, pbstrOutputFile, plValidationError, plTimestamp,
                           pbstrUsedSchema, pIGeneralInvoiceResult, &details);
    return FAILED(Logged("GetXML", hr, details)) ? hr : Done(pbStatus);
}

HRESULT CTarvos::WriteFile(long lGenerationAttributes, BSTR* pbstrOutputFile,
                           long* plValidationError, long* plTimestamp, BSTR* pbstrUsedSchema,
                           IGeneralInvoiceResult** pIGeneralInvoiceResult, std::string* details) {
    std::string why;
    ComPtr<IGeneralInvoiceRequest> request = CurrentRequest();
    std::shared_ptr<const invoice::InvoiceRequest> invoice = FinalizedInvoice(request.Get(), &why);
    if (invoice == nullptr) return Abort(E_FAIL, "GetXML: " + why);
    int64_t timestamp = 0;
    if (!invoice_xml::ResolveRequestTimestamp(*invoice, *plTimestamp, &timestamp, &why)) {
        return Abort(E_INVALIDARG, "GetXML: " + why);
    }

    invoice_xml::XmlWriteOptions options;
    options.output_folder = ModuleOutputFolder();
    options.generation_attributes = lGenerationAttributes;
    options.timestamp = timestamp;
    invoice_xml::XmlWriteResult written;
    if (!invoice_xml::WriteInvoiceXml(*invoice, options, &written, &why)) {
        return Abort(E_FAIL, "GetXML: " + why);
    }
    *pbstrOutputFile = written.path;
    *plValidationError = written.validation_errors;
    *plTimestamp = static_cast<long>(written.timestamp);
    *pbstrUsedSchema = written.used_schema;
    if (written.validation_errors > 0) {
        return Abort(E_FAIL, "GetXML: the written document " + written.path + " breaks " +
                                 written.used_schema + " in " +
                                 std::to_string(written.validation_errors) +
                                 " place(s); the first: " + written.first_error);
    }

    ComPtr<IGeneralInvoiceResult> result;
    HRESULT hr = CreateInvoiceResult(WithTimestamp(invoice, written.timestamp),
                                     result.ReleaseAndGetAddressOf());
    if (FAILED(hr) || result == nullptr) {
        return Abort(FAILED(hr) ? hr : E_UNEXPECTED,
                     "GetXML: the result over the written invoice could not be made");
    }
    *details = written.path + " (" + written.used_schema + "), invoice " +
               (invoice->invoice ? invoice->invoice->id : std::string()) + ", amount due " +
               invoice->balance.amount_due.ToFixed(2);
    return result.CopyTo(pIGeneralInvoiceResult);
}
