#pragma once

#include <memory>
#include <optional>
#include <string>

#include "module/model/invoice_model.h"
#include "module/xml/xml_signature_keys.h"

struct _xmlDoc;

// Signatures and encryption as the writer and the loader apply them, by the
// keys of a request's transport section (SetTransport).
//
// Writing (GetXML): the document is signed first, with the sender's key
// (from_pfx_file, from_pfx_password), then checked against the schema, then
// its body is encrypted for the receiver (to_bin_der_file). The signature
// thus covers the invoice itself: decrypting restores the very document
// that was signed, and its signature verifies again. The encrypted document
// itself does not verify as it stands.
//
// Reading (LoadXML): an encrypted body is decrypted with the key given, and
// a signature is verified; a signature made over the encrypted form (by
// another program) is accepted as well.
namespace invoice_xml {

struct DocFreer {
    void operator()(_xmlDoc* doc) const;
};
using XmlDocPtr = std::unique_ptr<_xmlDoc, DocFreer>;

// Parses a whole document (no network, no DTD, no entities), keeping its
// white space. Null with *error set when it is not well-formed XML.
XmlDocPtr ParseDocumentText(const std::string& xml, std::string* error);

// The document as text (UTF-8, with the XML declaration), byte for byte as
// its nodes stand: nothing is indented anew.
std::string DocumentText(_xmlDoc* doc);

// Signs the text with the transport's sender key when it names one; leaves
// it as it is otherwise. False with *error set when signing fails.
bool SignForTransport(const std::optional<invoice::Transport>& transport, std::string* xml,
                      std::string* error);

// Encrypts the text's body for the transport's receiver certificate when it
// names one; leaves it as it is otherwise. False with *error set on failure.
bool EncryptForTransport(const std::optional<invoice::Transport>& transport, std::string* xml,
                         std::string* error);

// Opens a received document in place: decrypts an encrypted body with `key`
// (null or an empty path: no key) and verifies a signature. *signature is
// set when the document carries a signature that verifies. False with
// *error set when the body is encrypted and no key fits, or the signature
// does not verify.
bool OpenReceivedDocument(_xmlDoc* doc, const KeyFile* key,
                          std::optional<invoice::LoadedSignature>* signature, std::string* error);

}  // namespace invoice_xml
