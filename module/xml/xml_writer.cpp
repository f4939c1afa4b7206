#include "module/xml/xml_writer.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "module/model/module_version.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_signature_transport.h"
#include "platform/uuid_text.h"

namespace invoice_xml {

using invoice::InvoiceRequest;
using namespace write_detail;

namespace {

// The attributes that software entries and their depends_on share.
template <typename Entry>
void SetSoftwareIdentity(Element* node, const Entry& entry) {
    SetAttr(node, "name", entry.name);
    SetAttr(node, "copyright", entry.copyright);
    SetAttr(node, "description", entry.description);
    if (entry.version) SetAttr(node, "version", std::to_string(*entry.version));
    SetAttr(node, "id", std::to_string(entry.id));
}

void WriteSoftware(Element* parent, const Context& context, const char* name,
                   const invoice::Software& software) {
    Element* node = AddElement(parent, context, name);
    for (const invoice::SoftwareDependency& dependency : software.depends_on) {
        SetSoftwareIdentity(AddElement(node, context, "depends_on"), dependency);
    }
    SetSoftwareIdentity(node, software);
}

bool IsThisEngine(const std::string& name) {
    return name == kEngineName;
}

// The generator as written: this engine for a request without one; another
// software's with this engine as its last dependency.
invoice::Software GeneratorOf(const InvoiceRequest& request) {
    invoice::Software generator = request.prolog.generator;
    invoice::SoftwareDependency engine;
    engine.name = kEngineName;
    engine.description = kModuleVersion;
    engine.version = kEngineVersionNumber;
    if (generator.name.empty()) {
        generator.name = engine.name;
        generator.description = engine.description;
        generator.version = engine.version;
    } else if (!IsThisEngine(generator.name) &&
               (generator.depends_on.empty() || !IsThisEngine(generator.depends_on.back().name))) {
        generator.depends_on.push_back(engine);
    }
    return generator;
}

void WriteProlog(Element* body, const Context& context, const InvoiceRequest& request) {
    Element* prolog = AddElement(body, context, "prolog");
    if (request.prolog.package) WriteSoftware(prolog, context, "package", *request.prolog.package);
    WriteSoftware(prolog, context, "generator", GeneratorOf(request));
}

void WriteTransport(Element* processing, const Context& context,
                    const invoice::Transport& transport) {
    Element* node = AddElement(processing, context, "transport");
    SetAttr(node, "from", transport.from_ean);
    SetAttr(node, "to", transport.to_ean);
    if (transport.vias.empty()) {
        Element* via = AddElement(node, context, "via");
        SetAttr(via, "via", transport.to_ean);
        SetAttr(via, "sequence_id", "1");
    }
    for (const invoice::TransportVia& entry : transport.vias) {
        Element* via = AddElement(node, context, "via");
        SetAttr(via, "via", entry.ean);
        SetAttr(via, "sequence_id", std::to_string(entry.sequence_id));
    }
}

void WriteProcessing(Element* root, const Context& context, const InvoiceRequest& request) {
    const invoice::Processing& processing = request.processing;
    Element* node = AddElement(root, context, "processing");
    SetBool(node, "print_at_intermediate", processing.print_at_intermediate);
    SetBool(node, "print_copy_to_guarantor", processing.print_copy_to_guarantor);
    if (request.transport) WriteTransport(node, context, *request.transport);
    if (!processing.instructions.empty()) {
        Element* instructions = AddElement(node, context, "instructions");
        for (const invoice::TokenValue& entry : processing.instructions) {
            Element* instruction = AddElement(instructions, context, "instruction");
            SetAttr(instruction, "token", entry.token);
            SetAttr(instruction, "value", entry.value);
        }
    }
    std::optional<invoice::Demand> demand = processing.demand;
    if (!demand && !processing.tc_token.empty()) {
        demand.emplace().tc_token = processing.tc_token;
        if (request.invoice) demand->insurance_demand_date = request.invoice->date;
    }
    if (demand) {
        Element* element = AddElement(node, context, "demand");
        SetAttr(element, "tc_demand_id", std::to_string(demand->tc_demand_id));
        SetAttr(element, "tc_token", demand->tc_token);
        SetDate(element, "insurance_demand_date", demand->insurance_demand_date);
        SetAttr(element, "insurance_demand_id", demand->insurance_demand_id);
    }
}

// credit, invoice and reminder: the request references of the payload.
Element* WriteReference(Element* payload, const Context& context, const char* name,
                        const invoice::RequestReference& reference, int64_t timestamp) {
    Element* node = AddElement(payload, context, name);
    SetAttr(node, "request_timestamp", std::to_string(timestamp));
    SetDate(node, "request_date", reference.date);
    SetAttr(node, "request_id", reference.id);
    return node;
}

void WriteBody(Element* payload, Context* context, const InvoiceRequest& request) {
    Element* body = AddElement(payload, *context, "body");
    if (request.request) {
        SetAttr(body, "role_title", request.request->role_title);
        SetAttr(body, "role", invoice::SchemaText(request.request->role));
        SetAttr(body, "place", invoice::SchemaText(request.request->place));
    }
    WriteProlog(body, *context, request);
    if (request.request && !request.request->remark.empty()) {
        AddTextElement(body, *context, "remark", request.request->remark);
    }
    WriteTiers(body, *context, request);
    WriteEsr(body, *context, request);
    WriteLaw(body, *context, request);
    WriteTreatment(body, *context, request);
    WriteServices(body, *context, request);
    if (context->with_documents) WriteDocuments(body, context, request);
}

void WritePayload(Element* root, Context* context, const InvoiceRequest& request) {
    Element* payload = AddElement(root, *context, "payload");
    SetAttr(payload, "type", invoice::SchemaText(request.payload_type()));
    bool storno = request.request && request.request->is_storno;
    bool copy = request.request && request.request->is_copy;
    SetBool(payload, "storno", storno);
    SetBool(payload, "copy", copy);
    SetBool(payload, "if_storno_followup_invoice_probable", request.storno_followup_probable);
    int64_t timestamp = context->timestamp;
    if (request.credit) {
        int64_t own = request.credit->timestamp != 0 ? request.credit->timestamp : timestamp;
        WriteReference(payload, *context, "credit", *request.credit, own);
    }
    WriteReference(payload, *context, "invoice",
                   request.invoice ? *request.invoice : invoice::RequestReference(), timestamp);
    if (request.reminder) {
        const invoice::Reminder& reminder = *request.reminder;
        int64_t own = reminder.reference.timestamp != 0 ? reminder.reference.timestamp : timestamp;
        Element* node = WriteReference(payload, *context, "reminder", reminder.reference, own);
        SetAttr(node, "reminder_level", std::to_string(static_cast<int>(reminder.level)));
        SetAttr(node, "reminder_text", reminder.text);
    }
    WriteBody(payload, context, request);
}

// The whole document into `tree`; false with context->error set on failure.
bool BuildDocument(const InvoiceRequest& request, WriteTree* tree, Context* context) {
    context->tree = tree;
    Element* root = tree->Root();
    SetAttr(root, "xsi:schemaLocation", kSchemaLocation);
    SetAttr(root, "language", invoice::SchemaText(request.language));
    SetAttr(root, "modus", invoice::SchemaText(request.modus));
    if (request.validation_status) {
        SetAttr(root, "validation_status", std::to_string(*request.validation_status));
    }
    WriteProcessing(root, *context, request);
    WritePayload(root, context, request);
    return context->error.empty();
}

std::string FreshFileName(const std::string& folder) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + "invoice_" + platform::NewUuidText() + ".xml";
}

}  // namespace

namespace write_detail {

Element* AddElement(Element* parent, const Context& context, const char* name) {
    return context.tree->Add(parent, name);
}

Element* AddTextElement(Element* parent, const Context& context, const char* name,
                        const std::string& text) {
    return context.tree->AddText(parent, name, text);
}

void SetAttr(Element* node, const char* name, const std::string& value) {
    if (!value.empty()) WriteTree::Set(node, name, value);
}

void SetDate(Element* node, const char* name, const invoice::DateTime& date) {
    SetAttr(node, name, FormatDateTime(date));
}

void SetBool(Element* node, const char* name, bool value) {
    SetAttr(node, name, FormatBool(value));
}

}  // namespace write_detail

bool RenderInvoiceXml(const InvoiceRequest& request, long generation_attributes, int64_t timestamp,
                      std::string* xml, std::string* error) {
    Context context;
    context.with_documents = (generation_attributes & kXmlWithoutDocuments) == 0;
    context.timestamp = timestamp;
    WriteTree tree(kInvoicePrefix, "request",
                   {{kInvoicePrefix, kInvoiceNamespace}, {"xsi", kXsiNamespace}});
    if (!BuildDocument(request, &tree, &context)) {
        *error = context.error;
        return false;
    }
    *xml = tree.Text((generation_attributes & kXmlCompact) == 0);
    return true;
}

bool ResolveRequestTimestamp(const InvoiceRequest& request, int64_t requested, int64_t* timestamp,
                             std::string* error) {
    if (requested != 0) {
        if (requested < kMinRequestTimestamp || requested > kMaxRequestTimestamp) {
            *error = "plTimestamp " + std::to_string(requested) + " lies outside " +
                     std::to_string(kMinRequestTimestamp) + " to " +
                     std::to_string(kMaxRequestTimestamp);
            return false;
        }
        *timestamp = requested;
    } else if (request.invoice && request.invoice->timestamp != 0) {
        *timestamp = request.invoice->timestamp;
    } else {
        *timestamp = static_cast<int64_t>(std::time(nullptr));
    }
    return true;
}

bool WriteInvoiceXml(const InvoiceRequest& request, const XmlWriteOptions& options,
                     XmlWriteResult* result, std::string* error) {
    int64_t timestamp = 0;
    if (!ResolveRequestTimestamp(request, options.timestamp, &timestamp, error)) return false;
    std::string xml;
    if (!RenderInvoiceXml(request, options.generation_attributes, timestamp, &xml, error) ||
        !SignForTransport(request.transport, &xml, error)) {
        return false;
    }
    module::SchemaReport report = module::RequestSchemaValidator()->ValidateMemory(xml);
    if (!EncryptForTransport(request.transport, &xml, error)) return false;

    std::error_code ignored;
    if (!options.output_folder.empty()) {
        std::filesystem::create_directories(options.output_folder, ignored);
    }
    std::string path = FreshFileName(options.output_folder);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(xml.data(), static_cast<std::streamsize>(xml.size()));
    out.close();
    if (!out) {
        std::filesystem::remove(path, ignored);
        *error = "the XML file " + path + " could not be written";
        return false;
    }
    result->path = path;
    result->validation_errors = report.errorCount;
    result->first_error = report.FirstErrorText();
    result->used_schema = module::kRequestSchemaName;
    result->timestamp = timestamp;
    return true;
}

}  // namespace invoice_xml
