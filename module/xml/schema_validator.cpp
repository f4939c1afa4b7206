#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <mutex>

#include "platform/paths.h"

namespace module {

const char kRequestSchemaName[] = "generalInvoiceRequest_450.xsd";

namespace {

// Documents and the schema are read without network, without entity
// substitution (no XML_PARSE_NOENT) and without DTD loading (no
// XML_PARSE_DTDLOAD / DTDATTR / DTDVALID). Errors are collected, not printed.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;

const char kRequestNamespaceInBraces[] = "{http://www.forum-datenaustausch.ch/invoice}";

void ReplaceAll(std::string* text, const std::string& what, const std::string& with) {
    for (std::size_t at = text->find(what); at != std::string::npos;
         at = text->find(what, at + with.size())) {
        text->replace(at, what.size(), with);
    }
}

// libxml2's message made readable: the request namespace, which would stand
// before every element name, is removed; values that libxml2 quotes with
// entities ("&gt;") are shown as they are in the document; the trailing
// newline goes.
std::string ReadableMessage(const char* raw) {
    std::string text = raw != nullptr ? raw : "unknown error";
    ReplaceAll(&text, kRequestNamespaceInBraces, "");
    ReplaceAll(&text, "&gt;", ">");
    ReplaceAll(&text, "&lt;", "<");
    ReplaceAll(&text, "&quot;", "\"");
    ReplaceAll(&text, "&apos;", "'");
    ReplaceAll(&text, "&amp;", "&");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

void AddError(SchemaReport* report, int line, const std::string& message) {
    ++report->errorCount;
    if (report->errors.size() < SchemaValidator::kMaxCollectedErrors) {
        report->errors.push_back(SchemaError{line, message});
    }
}

// Structured error callback of libxml2; `context` is the SchemaReport.
void CollectError(void* context, xmlErrorPtr error) {
    if (error == nullptr || error->level < XML_ERR_ERROR) return;
    AddError(static_cast<SchemaReport*>(context), error->line, ReadableMessage(error->message));
}

// The parser's errors while a document is validated in one pass: a fatal
// one means the document is not well-formed, and then only they count.
struct ParseProblems {
    SchemaReport report;
    bool fatal = false;
};

void CollectParseError(void* context, xmlErrorPtr error) {
    auto* problems = static_cast<ParseProblems*>(context);
    if (error != nullptr && error->level == XML_ERR_FATAL) problems->fatal = true;
    CollectError(&problems->report, error);
}

// While it lives, the parser errors of the calling thread go to `report`
// (or to `problems`). libxml2 keeps this handler per thread, so other
// threads are not affected; the handler that was set before is restored at
// the end.
class ParseErrorCollector {
  public:
    explicit ParseErrorCollector(SchemaReport* report)
        : previous_(xmlStructuredError), previousContext_(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(report, CollectError);
    }
    explicit ParseErrorCollector(ParseProblems* problems)
        : previous_(xmlStructuredError), previousContext_(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(problems, CollectParseError);
    }
    ~ParseErrorCollector() { xmlSetStructuredErrorFunc(previousContext_, previous_); }
    ParseErrorCollector(const ParseErrorCollector&) = delete;
    ParseErrorCollector& operator=(const ParseErrorCollector&) = delete;

  private:
    xmlStructuredErrorFunc previous_;
    void* previousContext_;
};

// Reads a document from `path`, or from `xml` when `path` is null. Errors of
// the read go to `report`; a read that gives no document leaves at least one.
xmlDocPtr ReadDocument(const std::string* path, const std::string& xml, SchemaReport* report) {
    xmlDocPtr doc = nullptr;
    {
        ParseErrorCollector collector(report);
        xmlParserCtxtPtr parser = xmlNewParserCtxt();
        if (parser != nullptr) {
            doc = path != nullptr
                      ? xmlCtxtReadFile(parser, path->c_str(), nullptr, kParseOptions)
                      : xmlCtxtReadMemory(parser, xml.data(), static_cast<int>(xml.size()), nullptr,
                                          nullptr, kParseOptions);
            xmlFreeParserCtxt(parser);
        }
    }
    if (doc == nullptr && report->errorCount == 0) {
        AddError(report, 0, path != nullptr ? "cannot read " + *path : "cannot read the document");
    }
    return doc;
}

}  // namespace

std::string SchemaError::ToText() const {
    if (line <= 0) return message;
    return "line " + std::to_string(line) + ": " + message;
}

std::string SchemaReport::FirstErrorText() const {
    return errors.empty() ? std::string() : errors.front().ToText();
}

SchemaValidator::SchemaValidator(const std::string& schemaPath) : schemaPath_(schemaPath) {
    invoice_xml::InitXmlLibrary();
    SchemaReport readProblems;
    schemaDoc_ = ReadDocument(&schemaPath, std::string(), &readProblems);
    if (schemaDoc_ == nullptr) {
        loadError_ = readProblems.FirstErrorText();
        return;
    }
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewDocParserCtxt(schemaDoc_);
    if (parser == nullptr) {
        loadError_ = "out of memory";
        return;
    }
    SchemaReport problems;
    xmlSchemaSetParserStructuredErrors(parser, CollectError, &problems);
    schema_ = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (schema_ == nullptr) {
        loadError_ = problems.errorCount > 0 ? problems.FirstErrorText() : "not a valid schema";
    }
}

SchemaValidator::~SchemaValidator() {
    if (schema_ != nullptr) xmlSchemaFree(schema_);
    if (schemaDoc_ != nullptr) xmlFreeDoc(schemaDoc_);
}

SchemaReport SchemaValidator::NotLoadedReport() const {
    SchemaReport report;
    AddError(&report, 0, "the schema " + schemaPath_ + " could not be loaded: " + loadError_);
    return report;
}

SchemaReport SchemaValidator::ValidateFile(const std::string& path) const {
    return ReadAndValidate(&path, std::string());
}

SchemaReport SchemaValidator::ValidateMemory(const std::string& xml) const {
    return ReadAndValidate(nullptr, xml);
}

SchemaReport SchemaValidator::ReadAndValidate(const std::string* path,
                                              const std::string& xml) const {
    if (!Loaded()) return NotLoadedReport();
    // One pass over the text: the schema's checks ride on the parser's
    // events and no tree is built. The parser has no handlers of its own, so
    // it loads no DTD and substitutes no entity. (libxml2's static input
    // buffers lose text at chunk borders here: the text is copied.)
    xmlParserInputBufferPtr input =
        path != nullptr ? xmlParserInputBufferCreateFilename(path->c_str(), XML_CHAR_ENCODING_NONE)
                        : xmlParserInputBufferCreateMem(xml.data(), static_cast<int>(xml.size()),
                                                        XML_CHAR_ENCODING_NONE);
    xmlSchemaValidCtxtPtr validation = input != nullptr ? xmlSchemaNewValidCtxt(schema_) : nullptr;
    SchemaReport report;
    if (validation == nullptr) {
        if (input != nullptr) xmlFreeParserInputBuffer(input);
        AddError(&report, 0, path != nullptr ? "cannot read " + *path : "out of memory");
        return report;
    }
    xmlSchemaSetValidStructuredErrors(validation, CollectError, &report);
    ParseProblems parsing;
    int result = 0;
    {
        ParseErrorCollector collector(&parsing);
        // Takes the input buffer.
        result =
            xmlSchemaValidateStream(validation, input, XML_CHAR_ENCODING_NONE, nullptr, nullptr);
    }
    xmlSchemaFreeValidCtxt(validation);
    // A document that is not well-formed has its parse errors only; the
    // errors of one that could be read (namespace errors) come first.
    if (parsing.fatal) return parsing.report;
    for (const SchemaError& error : report.errors) {
        AddError(&parsing.report, error.line, error.message);
    }
    parsing.report.errorCount += report.errorCount - static_cast<int>(report.errors.size());
    if (result != 0 && parsing.report.errorCount == 0) {
        AddError(
            &parsing.report, 0,
            "the document could not be validated (libxml2 code " + std::to_string(result) + ")");
    }
    return parsing.report;
}

SchemaReport SchemaValidator::ValidateDocument(xmlDoc* doc) const {
    if (!Loaded()) return NotLoadedReport();
    SchemaReport report;
    Validate(doc, &report);
    return report;
}

void SchemaValidator::Validate(xmlDoc* doc, SchemaReport* report) const {
    xmlSchemaValidCtxtPtr validation = xmlSchemaNewValidCtxt(schema_);
    if (validation == nullptr) {
        AddError(report, 0, "out of memory");
        return;
    }
    int errorsBefore = report->errorCount;
    xmlSchemaSetValidStructuredErrors(validation, CollectError, report);
    int result = xmlSchemaValidateDoc(validation, doc);
    xmlSchemaFreeValidCtxt(validation);
    // A failure the callback did not see (an internal error) still counts.
    if (result != 0 && report->errorCount == errorsBefore) {
        AddError(
            report, 0,
            "the document could not be validated (libxml2 code " + std::to_string(result) + ")");
    }
}

// --- The shared request schema ---------------------------------------------

namespace {

std::mutex g_requestSchemaMutex;
std::string g_requestSchemaPath;  // empty: beside the executable
std::shared_ptr<const SchemaValidator> g_requestSchema;

std::string RequestSchemaPathLocked() {
    if (!g_requestSchemaPath.empty()) return g_requestSchemaPath;
    return platform::ExecutableDirectory() + kRequestSchemaName;
}

}  // namespace

std::shared_ptr<const SchemaValidator> RequestSchemaValidator() {
    std::lock_guard<std::mutex> lock(g_requestSchemaMutex);
    if (g_requestSchema == nullptr || !g_requestSchema->Loaded()) {
        g_requestSchema = std::make_shared<const SchemaValidator>(RequestSchemaPathLocked());
    }
    return g_requestSchema;
}

std::string RequestSchemaPath() {
    std::lock_guard<std::mutex> lock(g_requestSchemaMutex);
    return RequestSchemaPathLocked();
}

void SetRequestSchemaPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_requestSchemaMutex);
    g_requestSchemaPath = path;
    g_requestSchema.reset();
}

}  // namespace module
