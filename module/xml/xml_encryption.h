#pragma once

#include <string>

#include "module/xml/xml_signature_keys.h"

struct _xmlDoc;

// Encrypted bodies of request documents: the body element of the payload
// replaced by an xenc:EncryptedData element (Type Element), as the 4.50
// schema allows in its place, for the one receiver whose certificate is
// named.
//
// Written: the body encrypted with a fresh AES-256 key in GCM mode
// (http://www.w3.org/2009/xmlenc11#aes256-gcm: unlike CBC, a changed
// ciphertext is detected instead of decrypted into garbage, and gives no
// padding oracle); that key encrypted for the receiver's RSA key with
// RSA-OAEP (http://www.w3.org/2001/04/xmlenc#rsa-oaep-mgf1p) in an
// xenc:EncryptedKey inside the data's ds:KeyInfo, which names the receiver
// by its certificate (X509Data). Everything outside the body (processing,
// the payload's references, a signature) stays readable.
//
// Read: any symmetric algorithm and key transport xmlsec offers, as long as
// the cipher text is inside the document (no CipherReference, no
// RetrievalMethod: nothing is fetched from elsewhere).
//
// Thread-safe: calls on different documents may run at the same time.
namespace invoice_xml {

// Whether the payload holds encrypted data in place of the body.
bool HasEncryptedBody(_xmlDoc* doc);

// Encrypts the payload's body for the receiver's certificate (DER) at
// `certificate_path`. False with *error set when the certificate cannot be
// used (see LoadCertificateKey), the document has no body or encryption
// fails; the document is then unchanged.
bool EncryptBody(_xmlDoc* doc, const std::string& certificate_path, std::string* error);

// Decrypts the payload's encrypted data with the receiver's key: the body
// takes its place again. False with *error set when the key cannot be used,
// does not fit, or the data is not a body encrypted as above; the document
// is then not to be read.
bool DecryptBody(_xmlDoc* doc, const KeyFile& key, std::string* error);

}  // namespace invoice_xml
