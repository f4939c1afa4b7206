#pragma once

#include <optional>
#include <string>

#include "module/model/invoice_model.h"
#include "module/xml/xml_signature_keys.h"

struct _xmlDoc;

// XML signatures of request documents: the sender signs what it writes, the
// loader verifies what it reads.
//
// The signature written is enveloped: a ds:Signature element (prefix "ds")
// as the last child of the root, where the 4.50 schema places it, over the
// whole document (one Reference with URI ""), with the transforms
// enveloped-signature and exclusive canonicalisation, SignedInfo
// canonicalised exclusively, RSA-SHA256 over a SHA-256 digest, and the
// sender's certificate (with the chain its file holds) in KeyInfo/X509Data.
//
// A signature is accepted when reading only if it has exactly that shape:
// one Reference over the whole document (no references to parts or to
// anything outside the document), no transforms but enveloped-signature and
// canonicalisation (inclusive or exclusive), RSA with SHA-1 or SHA-2 and the
// key taken from the X.509 certificate it carries (no key names, no
// retrieval methods). The certificate is not checked against any authority
// and not against the clock: the signature shows that the document was not
// changed since the holder of that certificate's key signed it; the signer's
// name (the certificate's subject) is handed on for the reader to judge.
//
// Thread-safe: calls on different documents may run at the same time.
namespace invoice_xml {

// Signs `doc` with the sender's key from `key`; a signature the document
// carries already is replaced. False with *error set when the key cannot be
// used (see LoadPkcs12Key) or signing fails; the document then carries no
// signature.
// REQUIRES: doc has a root element.
bool SignDocument(_xmlDoc* doc, const KeyFile& key, std::string* error);

// Verifies the signature of `doc`. Without a signature: true and *signature
// empty. A signature that verifies: true, *signature holds its signer and
// the element as text. Otherwise false with *error saying why.
bool VerifyDocument(_xmlDoc* doc, std::optional<invoice::LoadedSignature>* signature,
                    std::string* error);

// Removes the signature of `doc`, if any.
void RemoveSignature(_xmlDoc* doc);

}  // namespace invoice_xml
