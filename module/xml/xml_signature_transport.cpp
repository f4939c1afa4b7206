#include "module/xml/xml_signature_transport.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "module/xml/xml_common.h"
#include "module/xml/xml_encryption.h"
#include "module/xml/xml_signature.h"

namespace invoice_xml {

namespace {

constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;

struct ParserFree {
    void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};

}  // namespace

void DocFreer::operator()(xmlDoc* doc) const {
    xmlFreeDoc(doc);
}

XmlDocPtr ParseDocumentText(const std::string& xml, std::string* error) {
    InitXmlLibrary();
    std::unique_ptr<xmlParserCtxt, ParserFree> parser(xmlNewParserCtxt());
    XmlDocPtr doc(parser ? xmlCtxtReadMemory(parser.get(), xml.data(), static_cast<int>(xml.size()),
                                             nullptr, nullptr, kParseOptions)
                         : nullptr);
    if (doc && parser->wellFormed && xmlDocGetRootElement(doc.get()) != nullptr) return doc;
    const xmlError* problem = parser ? xmlCtxtGetLastError(parser.get()) : nullptr;
    std::string message =
        problem != nullptr && problem->message != nullptr ? problem->message : "no root element";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    *error = "not a well-formed XML document: " +
             (problem != nullptr ? "line " + std::to_string(problem->line) + ": " : "") + message;
    return nullptr;
}

std::string DocumentText(xmlDoc* doc) {
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &text, &size, "UTF-8");
    std::string out(text != nullptr ? reinterpret_cast<const char*>(text) : "",
                    text != nullptr ? static_cast<size_t>(size) : 0);
    xmlFree(text);
    return out;
}

bool SignForTransport(const std::optional<invoice::Transport>& transport, std::string* xml,
                      std::string* error) {
    if (!transport || transport->from_pfx_file.empty()) return true;
    XmlDocPtr doc = ParseDocumentText(*xml, error);
    if (!doc ||
        !SignDocument(doc.get(), {transport->from_pfx_file, transport->from_pfx_password}, error)) {
        return false;
    }
    *xml = DocumentText(doc.get());
    return true;
}

bool EncryptForTransport(const std::optional<invoice::Transport>& transport, std::string* xml,
                         std::string* error) {
    if (!transport || transport->to_bin_der_file.empty()) return true;
    XmlDocPtr doc = ParseDocumentText(*xml, error);
    if (!doc || !EncryptBody(doc.get(), transport->to_bin_der_file, error)) return false;
    *xml = DocumentText(doc.get());
    return true;
}

bool OpenReceivedDocument(xmlDoc* doc, const KeyFile* key,
                          std::optional<invoice::LoadedSignature>* signature, std::string* error) {
    signature->reset();
    if (!HasEncryptedBody(doc)) return VerifyDocument(doc, signature, error);
    if (key == nullptr || key->path.empty()) {
        *error =
            "the body is encrypted for its receiver and is read only with the receiver's "
            "key (for LoadXML: the PKCS#12 file and password that SetTransport names on "
            "the current request, bstrFromPFXFile and bstrFromPFXPassword)";
        return false;
    }
    // A signature over the encrypted form stands as it is; one over the
    // invoice itself verifies once the body is back.
    std::string ignored;
    bool verified = VerifyDocument(doc, signature, &ignored);
    if (!DecryptBody(doc, *key, error)) return false;
    return verified || VerifyDocument(doc, signature, error);
}

}  // namespace invoice_xml
