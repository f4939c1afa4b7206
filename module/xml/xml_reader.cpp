#include "module/xml/xml_reader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_signature_transport.h"
#include "module/xml/xml_upgrade_440.h"

namespace invoice_xml {

using invoice::InvoiceRequest;
using namespace read_detail;

const char kSchema450[] = "generalInvoiceRequest_450.xsd";
const char kSchema440[] = "generalInvoiceRequest_440.xsd";

namespace {

// No entity substitution, no DTD, no network; errors are collected from the
// parser context, not printed.
// Short texts are kept inside their nodes (XML_PARSE_COMPACT): half the
// allocations, half the time to build and free the tree.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                              XML_PARSE_BIG_LINES | XML_PARSE_COMPACT;

// How many schema errors an abort text lists.
constexpr size_t kListedErrors = 5;

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ParserFree {
    void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

// libxml2's message without its final newline.
std::string MessageOf(const xmlError* problem) {
    if (problem == nullptr || problem->message == nullptr) return "unknown error";
    std::string message = problem->message;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

// Parses the file (path != null) or the text; null with *error set when the
// document is not well-formed or cannot be read.
DocPtr Parse(const std::string* path, const std::string& xml, const std::string& name,
             std::string* error) {
    InitXmlLibrary();
    std::unique_ptr<xmlParserCtxt, ParserFree> parser(xmlNewParserCtxt());
    if (!parser) {
        *error = "out of memory while reading " + name;
        return nullptr;
    }
    DocPtr doc(path != nullptr
                   ? xmlCtxtReadFile(parser.get(), path->c_str(), nullptr, kParseOptions)
                   : xmlCtxtReadMemory(parser.get(), xml.data(), static_cast<int>(xml.size()),
                                       nullptr, nullptr, kParseOptions));
    const xmlError* problem = xmlCtxtGetLastError(parser.get());
    if (doc && parser->wellFormed) return doc;
    if (problem != nullptr && problem->domain == XML_FROM_IO) {
        *error = name + " cannot be read: " + MessageOf(problem);
    } else {
        *error = name + " is not a well-formed XML document: " +
                 LineText(problem != nullptr ? problem->line : 0) + MessageOf(problem);
    }
    return nullptr;
}

// The release named by the root's xsi:schemaLocation ("440" for
// "...generalInvoiceRequest_440.xsd"), "" when it names none.
std::string NamedRelease(const xmlNode* root) {
    xmlChar* value = xmlGetNsProp(root, BAD_CAST "schemaLocation", BAD_CAST kXsiNamespace);
    if (value == nullptr) return std::string();
    std::string location = reinterpret_cast<const char*>(value);
    xmlFree(value);
    const std::string marker = "generalInvoiceRequest_";
    size_t at = location.find(marker);
    if (at == std::string::npos) return std::string();
    size_t first = at + marker.size();
    size_t end = first;
    while (end < location.size() && location[end] >= '0' && location[end] <= '9') ++end;
    return location.substr(first, end - first);
}

// The 4.40 layout: the balance and the slip are children of the body.
bool HasOldBodyLayout(const xmlNode* root) {
    const xmlNode* payload = Child(root, "payload");
    const xmlNode* body = payload != nullptr ? Child(payload, "body") : nullptr;
    return body != nullptr && Child(body, "balance") != nullptr;
}

// Checks that the root is a 4.50 or 4.40 request; sets *used_schema and
// *error.
bool RecogniseRequest(const xmlNode* root, const std::string& name, std::string* used_schema,
                      std::string* error) {
    bool in_namespace = root->ns != nullptr && root->ns->href != nullptr &&
                        xmlStrEqual(root->ns->href, BAD_CAST kInvoiceNamespace);
    if (!in_namespace || NameOf(root) != "request") {
        std::string ns = root->ns != nullptr && root->ns->href != nullptr
                             ? reinterpret_cast<const char*>(root->ns->href)
                             : "";
        *error = name + " is not a generalInvoiceRequest document: " + LineText(LineOf(root)) +
                 "its root element is '" + NameOf(root) + "'" +
                 (ns.empty() ? " without a namespace" : " in the namespace '" + ns + "'");
        return false;
    }
    std::string release = NamedRelease(root);
    if (release.empty() && HasOldBodyLayout(root)) release = "440";
    if (release == "440") {
        *used_schema = kSchema440;
        return true;
    }
    if (!release.empty() && release != "450") {
        std::string dotted =
            release.size() == 3 ? release.substr(0, 1) + "." + release.substr(1) : release;
        *used_schema = "generalInvoiceRequest_" + release + ".xsd";
        *error = name + " is a generalInvoiceRequest " + dotted +
                 " document; only releases 4.50 and 4.40 can be loaded";
        return false;
    }
    *used_schema = kSchema450;
    return true;
}

bool CheckSchema(xmlDoc* doc, const std::string& name, std::string* error) {
    std::shared_ptr<const module::SchemaValidator> validator = module::RequestSchemaValidator();
    if (!validator->Loaded()) {
        *error = "the request schema cannot be used: " + validator->LoadError();
        return false;
    }
    module::SchemaReport report = validator->ValidateDocument(doc);
    if (report.Valid()) return true;
    *error = name + " does not conform to " + kSchema450 + " (" +
             std::to_string(report.errorCount) +
             (report.errorCount == 1 ? " error): " : " errors): ");
    for (size_t i = 0; i < report.errors.size() && i < kListedErrors; ++i) {
        if (i > 0) *error += "; ";
        *error += report.errors[i].ToText();
    }
    if (static_cast<size_t>(report.errorCount) > kListedErrors) *error += "; ...";
    return false;
}

invoice::RequestReference ReadReference(const xmlNode* node) {
    invoice::RequestReference reference;
    reference.id = Attr(node, "request_id");
    reference.date = DateAttr(node, "request_date");
    reference.timestamp = IntegerAttr(node, "request_timestamp", 0, INT64_MAX, 0);
    return reference;
}

invoice::Software ReadSoftware(const xmlNode* node) {
    invoice::Software software;
    software.name = Attr(node, "name");
    software.copyright = Attr(node, "copyright");
    software.description = Attr(node, "description");
    if (HasAttr(node, "version")) {
        software.version = static_cast<uint32_t>(IntegerAttr(node, "version", 0, UINT32_MAX, 0));
    }
    software.id = static_cast<uint32_t>(IntegerAttr(node, "id", 0, UINT32_MAX, 0));
    for (const xmlNode* child = FirstElement(node); child; child = NextElement(child)) {
        invoice::SoftwareDependency dependency;
        dependency.name = Attr(child, "name");
        dependency.copyright = Attr(child, "copyright");
        dependency.description = Attr(child, "description");
        if (HasAttr(child, "version")) {
            dependency.version =
                static_cast<uint32_t>(IntegerAttr(child, "version", 0, UINT32_MAX, 0));
        }
        dependency.id = static_cast<uint32_t>(IntegerAttr(child, "id", 0, UINT32_MAX, 0));
        software.depends_on.push_back(dependency);
    }
    return software;
}

void ReadProcessing(const xmlNode* node, InvoiceRequest* request) {
    invoice::Processing& processing = request->processing;
    processing.print_at_intermediate = BoolAttr(node, "print_at_intermediate", false);
    processing.print_copy_to_guarantor = BoolAttr(node, "print_copy_to_guarantor", false);
    const xmlNode* transport = Child(node, "transport");
    invoice::Transport& out = request->transport.emplace();
    out.from_ean = Attr(transport, "from");
    out.to_ean = Attr(transport, "to");
    for (const xmlNode* via = FirstElement(transport); via; via = NextElement(via)) {
        invoice::TransportVia entry;
        entry.ean = Attr(via, "via");
        entry.sequence_id = static_cast<uint16_t>(IntegerAttr(via, "sequence_id", 0, 65535, 1));
        out.vias.push_back(entry);
    }
    if (const xmlNode* instructions = Child(node, "instructions")) {
        for (const xmlNode* item = FirstElement(instructions); item; item = NextElement(item)) {
            processing.instructions.push_back({Attr(item, "token"), Attr(item, "value")});
        }
    }
    if (const xmlNode* demand = Child(node, "demand")) {
        invoice::Demand& entry = processing.demand.emplace();
        entry.tc_demand_id = IntegerAttr(demand, "tc_demand_id", INT64_MIN, INT64_MAX, 0);
        entry.tc_token = Attr(demand, "tc_token");
        entry.insurance_demand_date = DateAttr(demand, "insurance_demand_date");
        entry.insurance_demand_id = Attr(demand, "insurance_demand_id");
        processing.tc_token = entry.tc_token;
    }
}

void ReadBody(const xmlNode* body, InvoiceRequest* request) {
    invoice::RequestSection& section = *request->request;
    section.role = EnumAttr(body, "role", section.role);
    section.place = EnumAttr(body, "place", section.place);
    section.role_title = Attr(body, "role_title");
    if (const xmlNode* remark = Child(body, "remark")) section.remark = Text(remark);
    const xmlNode* prolog = Child(body, "prolog");
    if (const xmlNode* package = Child(prolog, "package")) {
        request->prolog.package = ReadSoftware(package);
    }
    request->prolog.generator = ReadSoftware(Child(prolog, "generator"));
    // The slip first: the tiers element's payment period belongs to it.
    for (const xmlNode* child = FirstElement(body); child; child = NextElement(child)) {
        std::string name = NameOf(child);
        if (name == "esr9" || name == "esrRed" || name == "esrQR") ReadEsr(child, request);
    }
    for (const xmlNode* child = FirstElement(body); child; child = NextElement(child)) {
        std::string name = NameOf(child);
        if (name == "tiers_garant" || name == "tiers_payant") {
            ReadTiers(child, request);
        } else if (name == "kvg" || name == "uvg" || name == "ivg" || name == "mvg" ||
                   name == "vvg" || name == "org") {
            ReadLaw(child, request);
        } else if (name == "treatment") {
            ReadTreatment(child, request);
        } else if (name == "services") {
            ReadServices(child, request);
        } else if (name == "documents") {
            ReadDocuments(child, request);
        }
    }
}

void ReadPayload(const xmlNode* payload, InvoiceRequest* request) {
    request->filed_payload_type = EnumAttr(payload, "type", invoice::PayloadType::kInvoice);
    invoice::RequestSection& section = request->request.emplace();
    section.is_storno = BoolAttr(payload, "storno", false);
    section.is_copy = BoolAttr(payload, "copy", false);
    request->storno_followup_probable =
        BoolAttr(payload, "if_storno_followup_invoice_probable", true);
    if (const xmlNode* credit = Child(payload, "credit")) request->credit = ReadReference(credit);
    request->invoice = ReadReference(Child(payload, "invoice"));
    if (const xmlNode* node = Child(payload, "reminder")) {
        invoice::Reminder& reminder = request->reminder.emplace();
        reminder.reference = ReadReference(node);
        reminder.level = EnumAttr(node, "reminder_level", invoice::ReminderLevel::kFirst);
        reminder.text = Attr(node, "reminder_text");
    }
    const xmlNode* body = Child(payload, "body");
    if (body == nullptr) {
        throw ReadError{LineOf(payload), "the body is encrypted and cannot be read"};
    }
    ReadBody(body, request);
    if (request->reminder) request->reminder->amount_reminder = request->balance.amount_reminder;
}

void ReadRequest(const xmlNode* root, InvoiceRequest* request) {
    request->language = EnumAttr(root, "language", invoice::Language::kGerman);
    request->modus = EnumAttr(root, "modus", invoice::Modus::kProduction);
    if (HasAttr(root, "validation_status")) {
        request->validation_status =
            IntegerAttr(root, "validation_status", INT64_MIN, INT64_MAX, 0);
    }
    ReadProcessing(Child(root, "processing"), request);
    ReadPayload(Child(root, "payload"), request);
    request->finalized = true;
}

bool Load(const std::string* path, const std::string& xml, const std::string& name,
          const KeyFile* key, InvoiceRequest* out, std::string* used_schema, std::string* error) {
    used_schema->clear();
    DocPtr doc = Parse(path, xml, name, error);
    if (!doc) return false;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (root == nullptr) {
        *error = name + " has no root element";
        return false;
    }
    if (!RecogniseRequest(root, name, used_schema, error)) return false;
    std::optional<invoice::LoadedSignature> signature;
    if (!OpenReceivedDocument(doc.get(), key, &signature, error)) {
        *error = name + ": " + *error;
        return false;
    }
    const bool release440 = *used_schema == kSchema440;
    if (release440 && !UpgradeRequest440(doc.get(), name, error)) return false;
    if (!CheckSchema(doc.get(),
                     release440 ? name + " (a 4.40 file, checked in its 4.50 form)" : name,
                     error)) {
        return false;
    }
    InvoiceRequest request;
    try {
        ReadRequest(root, &request);
    } catch (const ReadError& problem) {
        *error = name + ": " + LineText(problem.line) + problem.message;
        return false;
    }
    request.signature = std::move(signature);
    *out = std::move(request);
    return true;
}

}  // namespace

bool LoadInvoiceXml(const std::string& path, InvoiceRequest* out, std::string* used_schema,
                    std::string* error, const KeyFile* key) {
    return Load(&path, std::string(), path, key, out, used_schema, error);
}

bool LoadInvoiceXmlText(const std::string& xml, const std::string& name, InvoiceRequest* out,
                        std::string* used_schema, std::string* error, const KeyFile* key) {
    return Load(nullptr, xml, name, key, out, used_schema, error);
}

}  // namespace invoice_xml
