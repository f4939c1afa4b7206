#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// libxml2's compiled schema and document, kept out of this header.
struct _xmlSchema;
struct _xmlDoc;

namespace module {

// File name of the request schema, shipped beside the executable. It is also
// the name the engine answers as the used schema.
extern const char kRequestSchemaName[];  // "generalInvoiceRequest_450.xsd"

// One problem found in a document.
struct SchemaError {
    int line = 0;         // line in the document, 1-based; 0 when unknown
    std::string message;  // readable text: libxml2's message without the
                          // request namespace and without the final newline

    // "line 9: Element 'invoice': The attribute 'request_date' is required
    // but missing." (only the message when the line is unknown).
    std::string ToText() const;
};

// The outcome of one validation.
struct SchemaReport {
    // Number of errors found: the schema errors of a readable document, the
    // parse errors of one that is not well-formed (at least 1), or 1 when no
    // schema could be used. 0 means the document is valid.
    int errorCount = 0;

    // The first errors in document order, at most
    // SchemaValidator::kMaxCollectedErrors of them; errorCount counts all.
    std::vector<SchemaError> errors;

    bool Valid() const { return errorCount == 0; }

    // ToText() of the first error, or "" when valid.
    std::string FirstErrorText() const;
};

// An XML schema compiled once and used to validate any number of documents.
//
// Documents, and the schema file itself, are read with network access and
// external entities off: no entity substitution, no DTD loading, no XInclude.
// Imports and includes of a schema are resolved by libxml2's schema parser
// (the request schema has none).
//
// Thread safety: after construction the object is immutable; any number of
// threads may validate with one object at the same time.
class SchemaValidator {
  public:
    static constexpr std::size_t kMaxCollectedErrors = 50;

    // Reads and compiles the schema at `schemaPath`. Never throws for a bad
    // or missing file: Loaded() is false then and LoadError() says why.
    explicit SchemaValidator(const std::string& schemaPath);
    ~SchemaValidator();

    SchemaValidator(const SchemaValidator&) = delete;
    SchemaValidator& operator=(const SchemaValidator&) = delete;

    bool Loaded() const { return schema_ != nullptr; }
    const std::string& LoadError() const { return loadError_; }
    const std::string& SchemaPath() const { return schemaPath_; }

    // Validates the XML file at `path` in one pass while it is parsed, without
    // a tree. An element's missing children are reported at its end tag.
    SchemaReport ValidateFile(const std::string& path) const;

    // Validates the XML text `xml` (a whole document), as ValidateFile.
    SchemaReport ValidateMemory(const std::string& xml) const;

    // Validates a document tree built or read by the caller; the tree is not
    // changed. Lines are known only for nodes that came from a parser; an
    // element's missing children are reported at its start tag.
    // REQUIRES: doc != nullptr.
    SchemaReport ValidateDocument(_xmlDoc* doc) const;

  private:
    SchemaReport NotLoadedReport() const;
    // Reads the file `path`, or the text `xml` when `path` is null, and
    // validates it.
    SchemaReport ReadAndValidate(const std::string* path, const std::string& xml) const;
    // Adds the schema errors of `doc` to `report`.
    void Validate(_xmlDoc* doc, SchemaReport* report) const;

    std::string schemaPath_;
    std::string loadError_;
    _xmlDoc* schemaDoc_ = nullptr;  // owned; kept alive as long as schema_
    _xmlSchema* schema_ = nullptr;  // owned
};

// The process-wide validator of the request schema, loaded at the first call
// from RequestSchemaPath(). Every caller shares one compiled schema. When the
// schema could not be loaded, the next call tries again. Thread-safe.
// The returned object stays valid for as long as the caller holds it, even
// when SetRequestSchemaPath replaces it meanwhile.
std::shared_ptr<const SchemaValidator> RequestSchemaValidator();

// Where the request schema is read from: the path set last, or by default
// platform::ExecutableDirectory() + kRequestSchemaName.
std::string RequestSchemaPath();

// Uses `path` from now on (an empty path restores the default); the schema is
// read again at the next RequestSchemaValidator() call. Thread-safe.
void SetRequestSchemaPath(const std::string& path);

}  // namespace module
