#pragma once

#include <cstdint>
#include <string>

#include "module/model/invoice_model.h"
#include "module/xml/xml_write_tree.h"

// Writes an invoice request of the model as a generalInvoiceRequest 4.50
// document (ITarvos::GetXML) and checks it against the request schema.
//
// The document: namespace prefix "invoice", xsi:schemaLocation naming
// generalInvoiceRequest_450.xsd, every section the request holds in the
// schema's order. Sections the request lacks are left out, so an incomplete
// request gives a document with schema errors rather than a failure. A
// loaded file's signature is never written again (xml_signature_transport.h
// signs anew).
//
// A loaded request is written with every other value it was read with: texts as
// they were, dates and durations with their own text, the coding lines and
// the payee of its slip, its generator (this engine is added as the
// generator's last depends_on entry, once). Values the model lacks are made
// while writing, which happens only for a request built through the
// interface:
//  - the generator, this engine, when the prolog names none;
//  - the esr9 coding line, from the participant number, the reference and
//    the amount due (without amount for the "16or27plus" slip);
//  - the esrRed payment_to (bank_account when an IBAN is given) and its two
//    coding lines;
//  - a processing demand for SetProcessing's TC token (id 0, dated on the
//    invoice date);
//  - the ssn of an ivg or mvg law from the patient, the nif of an ivg law
//    from the biller (SetBiller), when the law names none;
//  - a transport via the recipient when the request names no intermediate;
//  - one VAT line at rate 0 when the balance has none.
namespace invoice_xml {

// Bits of lGenerationAttributes. Other bits are ignored.
constexpr long kXmlCompact = 0x1;           // no line breaks or indentation
constexpr long kXmlWithoutDocuments = 0x2;  // leave attached documents out

struct XmlWriteOptions {
    std::string output_folder;  // where the file goes; created when missing
    long generation_attributes = 0;
    // plTimestamp as given: 0 = the request's own invoice timestamp, or the
    // current time when it has none; otherwise the timestamp to write, which
    // must lie in kMinRequestTimestamp..kMaxRequestTimestamp.
    int64_t timestamp = 0;
};

struct XmlWriteResult {
    std::string path;           // the file written (a fresh name in the folder)
    int validation_errors = 0;  // schema errors of the document; 0 = valid
    std::string first_error;    // the first of them in words, "" when valid
    std::string used_schema;    // "generalInvoiceRequest_450.xsd"
    int64_t timestamp = 0;      // the request timestamp written (plTimestamp out)
};

// The document text for `request`, with `timestamp` as the invoice's
// request_timestamp (and that of the reminder and credit when they have none).
// Returns false with *error set when an attached document's file cannot be
// read; *xml is then unchanged.
bool RenderInvoiceXml(const invoice::InvoiceRequest& request, long generation_attributes,
                      int64_t timestamp, std::string* xml, std::string* error);

// The timestamp a write uses for plTimestamp `requested` (see
// XmlWriteOptions::timestamp). False with *error set for a requested value
// outside the format's range.
bool ResolveRequestTimestamp(const invoice::InvoiceRequest& request, int64_t requested,
                             int64_t* timestamp, std::string* error);

// Renders the request, signs it when its transport names the sender's key,
// validates the text against the request schema
// (module/xml/schema_validator.h), encrypts its body when the transport
// names the receiver's certificate (module/xml/xml_signature_transport.h)
// and writes it into options.output_folder under a fresh name. A document
// with schema errors is still written; the result counts them. Returns false
// with *error set (and nothing written) when the timestamp is out of range,
// a document file cannot be read, a key or certificate cannot be used or the
// file cannot be written.
// REQUIRES: result != nullptr, error != nullptr.
bool WriteInvoiceXml(const invoice::InvoiceRequest& request, const XmlWriteOptions& options,
                     XmlWriteResult* result, std::string* error);

// ---------------------------------------------------------------------------
// The section writers, shared by the writer's source files (xml_write_*.cpp).
namespace write_detail {

using Element = WriteTree::Element;

struct Context {
    WriteTree* tree = nullptr;  // the document being written
    bool with_documents = true;
    int64_t timestamp = 0;
    std::string error;  // set by a writer that cannot go on
};

// A new child element `name` in the request namespace.
Element* AddElement(Element* parent, const Context& context, const char* name);
// A new child element with text content (escaped as needed).
Element* AddTextElement(Element* parent, const Context& context, const char* name,
                        const std::string& text);
// Sets the attribute; an empty value is left out.
void SetAttr(Element* node, const char* name, const std::string& value);
void SetDate(Element* node, const char* name, const invoice::DateTime& date);
void SetBool(Element* node, const char* name, bool value);

// The person or company element of `address` inside `parent`.
void WriteAddress(Element* parent, const Context& context, const invoice::Address& address);
// tiers_garant or tiers_payant with its parties and the balance.
void WriteTiers(Element* body, const Context& context, const invoice::InvoiceRequest& request);
// esr9, esrRed or esrQR.
void WriteEsr(Element* body, const Context& context, const invoice::InvoiceRequest& request);
// The law element.
void WriteLaw(Element* body, const Context& context, const invoice::InvoiceRequest& request);
// treatment with diagnoses and the hospital extra.
void WriteTreatment(Element* body, const Context& context, const invoice::InvoiceRequest& request);
void WriteServices(Element* body, const Context& context, const invoice::InvoiceRequest& request);
// Sets context->error when a document's file cannot be read.
void WriteDocuments(Element* body, Context* context, const invoice::InvoiceRequest& request);

}  // namespace write_detail
}  // namespace invoice_xml
