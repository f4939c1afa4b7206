#pragma once

// Test support: where the reference data lies, and the published 4.50 schema
// as the independent oracle for our own schema. The published files are used
// in place, never copied.

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"
#include "tests/refdata.h"

namespace module {
namespace testing_support {

inline const std::string kOurSchema = TARVOS_SOURCE_DIR "/resources/generalInvoiceRequest_450.xsd";
inline const std::string kRefData = RefdataDir();
inline const std::string kOfficialSchema = kRefData + "xsd/generalInvoiceRequest_450.xsd";
inline const std::string kValidSample =
    kRefData + "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
inline const std::string kReadReqSample =
    kRefData + "samples450/elexis_elexis-3-base_readReq450.xml";

// Our schema, loaded once.
inline const SchemaValidator& OurSchema() {
    static const SchemaValidator ours(kOurSchema);
    return ours;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The request in `xml` loaded and written again without finalizing, with
// its own timestamp; "" with *error set when that fails.
inline std::string Rewrite(const std::string& xml, std::string* error) {
    invoice::InvoiceRequest loaded;
    std::string schema, out;
    int64_t timestamp = 0;
    if (invoice_xml::LoadInvoiceXmlText(xml, "input.xml", &loaded, &schema, error) &&
        invoice_xml::ResolveRequestTimestamp(loaded, 0, &timestamp, error) &&
        invoice_xml::RenderInvoiceXml(loaded, 0, timestamp, &out, error)) {
        return out;
    }
    return "";
}

// The independent oracle: the published schema files, used in place and
// driven by plain libxml2 calls. Answers the number of schema errors, or -1
// for a document that is not well-formed.
class OfficialSchema {
  public:
    static OfficialSchema& Instance() {
        static OfficialSchema instance;
        return instance;
    }

    bool Loaded() const { return schema_ != nullptr; }

    int CountErrors(const std::string& xml) const {
        xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (doc == nullptr) return -1;
        int errors = 0;
        xmlSchemaValidCtxtPtr context = xmlSchemaNewValidCtxt(schema_);
        xmlSchemaSetValidStructuredErrors(context, CountError, &errors);
        xmlSchemaValidateDoc(context, doc);
        xmlSchemaFreeValidCtxt(context);
        xmlFreeDoc(doc);
        return errors;
    }

  private:
    OfficialSchema() {
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(kOfficialSchema.c_str());
        schema_ = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
    }
    ~OfficialSchema() { xmlSchemaFree(schema_); }

    static void CountError(void* counter, xmlErrorPtr error) {
        if (error->level >= XML_ERR_ERROR) ++*static_cast<int*>(counter);
    }

    xmlSchemaPtr schema_ = nullptr;
};

// The string values of the XPath `expr` in `doc`, "i" standing for the
// request namespace.
inline std::vector<std::string> XPathValues(xmlDocPtr doc, const std::string& expr) {
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    xmlXPathRegisterNs(context, BAD_CAST "i",
                       BAD_CAST "http://www.forum-datenaustausch.ch/invoice");
    xmlXPathObjectPtr found = xmlXPathEvalExpression(BAD_CAST expr.c_str(), context);
    std::vector<std::string> values;
    for (int i = 0; found && found->nodesetval && i < found->nodesetval->nodeNr; ++i) {
        xmlChar* text = xmlNodeGetContent(found->nodesetval->nodeTab[i]);
        values.push_back(reinterpret_cast<const char*>(text));
        xmlFree(text);
    }
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(context);
    return values;
}

}  // namespace testing_support
}  // namespace module
