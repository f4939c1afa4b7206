#pragma once

#include <memory>
#include <string>

// The keys of signed and encrypted invoices (module/xml/xml_signature.h,
// module/xml/xml_encryption.h): the sender's key pair from a PKCS#12 file and
// the receiver's certificate from a DER file, loaded with OpenSSL and handed
// to xmlsec.
//
// Every failure is told in words that say which file and what is wrong with
// it: unreadable, not of its kind, wrong password, no RSA key, expired.
// Certificates are checked against the clock only where a key is used for a
// new document (signing, encrypting); a key that decrypts an old document may
// have expired since.
//
// Thread-safe: the libraries are set up once per process; keys are not shared.

struct _xmlSecKey;
struct _xmlSecKeysMngr;

namespace invoice_xml {

// A PKCS#12 file and its password, as SetTransport names them.
struct KeyFile {
    std::string path;
    std::string password;
};

struct SecKeyFree {
    void operator()(_xmlSecKey* key) const;
};
using SecKeyPtr = std::unique_ptr<_xmlSecKey, SecKeyFree>;

struct KeysMngrFree {
    void operator()(_xmlSecKeysMngr* manager) const;
};
using KeysMngrPtr = std::unique_ptr<_xmlSecKeysMngr, KeysMngrFree>;

// What a PKCS#12 key is used for: it decides the words of the texts and
// whether the certificate must be valid now.
enum class KeyUse {
    kSign,     // the sender's key: its certificate must be valid now
    kDecrypt,  // the receiver's key: any date
};

// Sets up libxml2, OpenSSL and xmlsec once per process. False when xmlsec
// cannot be used; *error says why (also on later calls).
bool InitXmlSecurity(std::string* error);

// The private key and certificate (with the chain the file holds) of the
// PKCS#12 file. Null with *error set on failure.
SecKeyPtr LoadPkcs12Key(const KeyFile& file, KeyUse use, std::string* error);

// The public key of the receiver's DER-encoded X.509 certificate at `path`,
// with the certificate, which must be valid now. Null with *error set on
// failure.
SecKeyPtr LoadCertificateKey(const std::string& path, std::string* error);

// A keys manager with xmlsec's default stores, holding `key` (taken) when
// one is given. Null with *error set on failure.
KeysMngrPtr NewKeysManager(SecKeyPtr key, std::string* error);

// The subject of the key's certificate, "CN=...,O=...,C=CH" (RFC 2253), or
// "" when the key carries none.
std::string CertificateSubject(_xmlSecKey* key);

// The last error xmlsec reported on this thread, "" when none; cleared by
// the call.
std::string TakeXmlSecError();

}  // namespace invoice_xml
