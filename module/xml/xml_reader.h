#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "module/model/invoice_model.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_signature_keys.h"

struct _xmlNode;

// Loads a generalInvoiceRequest 4.50 or 4.40 document into the model
// (ITarvos::LoadXML). A 4.40 document (named so by its schemaLocation, or
// with the balance in its body) is first held to the 4.40 rules that its
// 4.50 form cannot show (module/xml/xml_check_440.h), then rewritten into
// the 4.50 layout (module/xml/xml_upgrade_440.h) and read like a 4.50 one;
// the schema check runs on that 4.50 form.
//
// What is accepted: any file that is valid against the request schema
// (module/xml/schema_validator.h), with LF, CRLF or CR line endings, any
// namespace prefix or none. Values are taken as the schema accepts them,
// even where a setter of the request object would be stricter (a GLN with a
// wrong check digit loads; a grouper code "A" or "01", a payment period
// "P1M" load). Texts are kept as written, dates with the fraction and the
// offset they were written with (model_basics.h, DateTime: the offset never
// moves the day), durations with their text.
//
// What is refused, with a text saying what is wrong and where (line):
//  - a file that cannot be read or is not well-formed XML;
//  - a document that is not a generalInvoiceRequest;
//  - a generalInvoiceRequest of another release (4.30, say), and a 4.40
//    one that breaks those 4.40 rules or holds what 4.50 has no form for
//    (an esr5 slip, see UpgradeRequest440);
//  - a document with schema errors (the first errors are listed);
//  - an encrypted body without the receiver's key to decrypt it, and a
//    signature that does not verify (module/xml/xml_signature_transport.h);
//  - the few values the schema accepts but the model cannot hold: INF or
//    NaN numbers and numbers of more than 38 digits, dates outside the years
//    100 to 9999, a documents@number above INT64_MAX.
//
// Parsing never loads a DTD, never substitutes external entities and never
// touches the network; libxml2's limits on depth, text size and entity
// expansion apply (no XML_PARSE_HUGE).
//
// The loaded request has `finalized` set: its balance is the file's. The
// model keeps every value of the file, so that the writer gives it back:
// the coding lines and payee of the slip, the insured's card, the generator
// and its depends_on chain, optional attributes left out. A signature that
// verified is kept in `signature` (its signer and the element) and is the
// one value not written again.
//
// Thread-safe: any number of loads may run at the same time.
namespace invoice_xml {

// The schema name answered for a 4.50 document and for a 4.40 one.
extern const char kSchema450[];  // "generalInvoiceRequest_450.xsd"
extern const char kSchema440[];  // "generalInvoiceRequest_440.xsd"

// Loads the file at `path` into *out (replaced as a whole on success).
// *used_schema is the schema the document was recognised by (also on most
// failures: kSchema440 for a 4.40 file, kSchema450 for a 4.50 one), "" when
// it is no invoice request.
// `key`, when given, decrypts an encrypted body (the receiver's PKCS#12
// file and password). Returns false with *error set on any refusal; *out is
// then unchanged.
// REQUIRES: out, used_schema and error are not null.
bool LoadInvoiceXml(const std::string& path, invoice::InvoiceRequest* out, std::string* used_schema,
                    std::string* error, const KeyFile* key = nullptr);

// The same for a document in memory; `name` stands for the file in texts.
bool LoadInvoiceXmlText(const std::string& xml, const std::string& name,
                        invoice::InvoiceRequest* out, std::string* used_schema, std::string* error,
                        const KeyFile* key = nullptr);

// ---------------------------------------------------------------------------
// The section readers, shared by the loader's source files (xml_read_*.cpp).
// They read a document that passed the schema, so required elements and
// attributes are there; a value the model cannot hold throws ReadError.
namespace read_detail {

struct ReadError {
    int line;
    std::string message;
};

// The first child element of `parent` in the request namespace named
// `name`, or null.
const _xmlNode* Child(const _xmlNode* parent, const char* name);
// The local name of an element.
std::string NameOf(const _xmlNode* node);
// The first element child in the request namespace, or null; and the next
// element sibling in the request namespace after `node`, or null.
const _xmlNode* FirstElement(const _xmlNode* parent);
const _xmlNode* NextElement(const _xmlNode* node);
// `node`'s line in the file.
int LineOf(const _xmlNode* node);
// "line N: " for a known line (N > 0), "" otherwise.
std::string LineText(int line);

bool HasAttr(const _xmlNode* node, const char* name);
// The attribute's value as written, "" when absent.
std::string Attr(const _xmlNode* node, const char* name);
// The text content of an element.
std::string Text(const _xmlNode* node);

invoice::DateTime DateAttr(const _xmlNode* node, const char* name);
std::optional<invoice::DateTime> OptionalDateAttr(const _xmlNode* node, const char* name);
invoice::Decimal NumberAttr(const _xmlNode* node, const char* name,
                            const invoice::Decimal& fallback);
int64_t IntegerAttr(const _xmlNode* node, const char* name, int64_t min, int64_t max,
                    int64_t fallback);
bool BoolAttr(const _xmlNode* node, const char* name, bool fallback);
std::optional<bool> OptionalBoolAttr(const _xmlNode* node, const char* name);
// An xs:duration attribute: its text as written, and its length in days in
// *days (xml_common.h, ParseDuration).
std::string DurationAttr(const _xmlNode* node, const char* name, int32_t* days);

// An enumerated attribute by its schema text; `fallback` when absent.
template <typename E>
E EnumAttr(const _xmlNode* node, const char* name, E fallback) {
    if (!HasAttr(node, name)) return fallback;
    std::string text(Trim(Attr(node, name)));
    E value = fallback;
    if (!invoice::EnumFromSchema(text, &value)) {
        throw ReadError{LineOf(node),
                        std::string("attribute '") + name + "': unknown value '" + text + "'"};
    }
    return value;
}

// An enumerated attribute that has no default in the format.
template <typename E>
std::optional<E> OptionalEnumAttr(const _xmlNode* node, const char* name) {
    if (!HasAttr(node, name)) return std::nullopt;
    return EnumAttr(node, name, E());
}

// The person or company element inside `parent`.
invoice::Address ReadAddress(const _xmlNode* parent);
// tiers_garant or tiers_payant (parties, balance, payment period).
void ReadTiers(const _xmlNode* tiers, invoice::InvoiceRequest* request);
// esr9, esrRed or esrQR.
void ReadEsr(const _xmlNode* esr, invoice::InvoiceRequest* request);
// The law element.
void ReadLaw(const _xmlNode* law, invoice::InvoiceRequest* request);
void ReadTreatment(const _xmlNode* treatment, invoice::InvoiceRequest* request);
void ReadServices(const _xmlNode* services, invoice::InvoiceRequest* request);
void ReadDocuments(const _xmlNode* documents, invoice::InvoiceRequest* request);

}  // namespace read_detail
}  // namespace invoice_xml
