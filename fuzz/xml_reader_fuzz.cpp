// libFuzzer target of the invoice XML loader (module/xml/xml_reader.h): any
// bytes go in as a document. Properties of a document that loads:
//  - the writer renders the loaded request;
//  - the rendered document is valid against the request schema and loads
//    again, and the reloaded request renders to the same text (a written
//    file reads back the same);
//  - the compact rendering loads to a request that renders the same as well.
// Refused documents must say why.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "module/model/invoice_model.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"

namespace {

// Loads `xml` and renders it again at a fixed timestamp; false when it does
// not load. Stops the run when a loaded request cannot be rendered.
bool LoadAndRender(const std::string& xml, long attributes, std::string* rendered) {
    invoice::InvoiceRequest request;
    std::string schema, error;
    if (!invoice_xml::LoadInvoiceXmlText(xml, "fuzz.xml", &request, &schema, &error)) {
        FUZZ_CHECK(!error.empty(), "refused without a reason");
        return false;
    }
    FUZZ_CHECK(invoice_xml::RenderInvoiceXml(request, attributes, invoice_xml::kMinRequestTimestamp,
                                             rendered, &error),
               error);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool configured = [] {
        module::SetRequestSchemaPath(TARVOS_SOURCE_DIR "/resources/generalInvoiceRequest_450.xsd");
        return true;
    }();
    (void)configured;
    std::string first;
    if (!LoadAndRender(std::string(reinterpret_cast<const char*>(data), size), 0, &first)) {
        return 0;
    }
    module::SchemaReport report = module::RequestSchemaValidator()->ValidateMemory(first);
    FUZZ_CHECK(report.Valid(), report.FirstErrorText() + "\n" + first);

    std::string second, compact, third;
    FUZZ_CHECK(LoadAndRender(first, 0, &second), "the rendered document does not load\n" + first);
    FUZZ_CHECK(second == first, "rendered anew differently:\n" + first + "\n---\n" + second);
    FUZZ_CHECK(LoadAndRender(first, invoice_xml::kXmlCompact, &compact), first);
    FUZZ_CHECK(LoadAndRender(compact, 0, &third), "the compact document does not load\n" + compact);
    FUZZ_CHECK(third == first, "compact rendering reads back differently:\n" + third);
    return 0;
}
