// libFuzzer target of the invoice XML loader: any bytes go in as a document;
// whatever loads is written again. Built by fuzz/run.sh, not by CMake.

#include <cstddef>
#include <cstdint>
#include <string>

#include "module/model/invoice_model.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool configured = [] {
        module::SetRequestSchemaPath(TARVOS_SCHEMA_PATH);
        return true;
    }();
    (void)configured;
    std::string xml(reinterpret_cast<const char*>(data), size);
    invoice::InvoiceRequest request;
    std::string schema;
    std::string error;
    if (invoice_xml::LoadInvoiceXmlText(xml, "fuzz.xml", &request, &schema, &error)) {
        std::string out;
        invoice_xml::RenderInvoiceXml(request, 0, invoice_xml::kMinRequestTimestamp, &out, &error);
    }
    return 0;
}
