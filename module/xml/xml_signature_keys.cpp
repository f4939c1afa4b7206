#include "module/xml/xml_signature_keys.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/keys.h>
#include <xmlsec/keysmngr.h>
#include <xmlsec/openssl/evp.h>
#include <xmlsec/openssl/x509.h>
#include <xmlsec/xmlsec.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <mutex>

#include "module/xml/xml_common.h"

namespace invoice_xml {

void SecKeyFree::operator()(_xmlSecKey* key) const {
    xmlSecKeyDestroy(key);
}
void KeysMngrFree::operator()(_xmlSecKeysMngr* manager) const {
    xmlSecKeysMngrDestroy(manager);
}

namespace {

// The first error xmlsec reported on this thread since the last
// TakeXmlSecError: the first is the cause, the rest its echo up the stack.
thread_local std::string t_xmlsec_error;

void CollectXmlSecError(const char* /*file*/, int /*line*/, const char* /*func*/,
                        const char* object, const char* subject, int reason, const char* msg) {
    if (!t_xmlsec_error.empty()) return;
    std::string text;
    for (xmlSecSize i = 0; xmlSecErrorsGetMsg(i) != nullptr; ++i) {
        if (xmlSecErrorsGetCode(i) == reason) {
            text = xmlSecErrorsGetMsg(i);
            break;
        }
    }
    if (msg != nullptr && *msg != '\0') text += (text.empty() ? "" : ": ") + std::string(msg);
    if (subject != nullptr && *subject != '\0')
        text += std::string(" (") + subject + ")";
    else if (object != nullptr && *object != '\0')
        text += std::string(" (") + object + ")";
    t_xmlsec_error = text;
}

struct Pkcs12Free {
    void operator()(PKCS12* p12) const { PKCS12_free(p12); }
};
struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};
struct EvpKeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertStackFree {
    void operator()(STACK_OF(X509) * certs) const { sk_X509_pop_free(certs, X509_free); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using EvpKeyPtr = std::unique_ptr<EVP_PKEY, EvpKeyFree>;

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* why) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *why = errno != 0 ? std::strerror(errno) : "it cannot be opened";
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *why = "reading failed";
        return false;
    }
    return true;
}

// OpenSSL's oldest queued error in words, the queue emptied.
std::string TakeOpenSslError() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return "no reason given";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

std::string DateText(const ASN1_TIME* time) {
    struct tm parts = {};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return "an unreadable date";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string SubjectOf(X509* cert) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (bio == nullptr) return std::string();
    // RFC 2253, but UTF-8 kept as it is rather than escaped.
    X509_NAME_print_ex(bio, X509_get_subject_name(cert), 0,
                       XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    long size = BIO_get_mem_data(bio, &data);
    std::string subject(data != nullptr ? data : "", size > 0 ? static_cast<size_t>(size) : 0);
    BIO_free(bio);
    return subject;
}

// A certificate used for a new document must be valid now.
bool CheckValidNow(X509* cert, const std::string& what, std::string* error) {
    const std::string named = what + " (" + SubjectOf(cert) + ")";
    if (X509_cmp_current_time(X509_get0_notBefore(cert)) > 0) {
        *error = named + " is not valid before " + DateText(X509_get0_notBefore(cert));
        return false;
    }
    if (X509_cmp_current_time(X509_get0_notAfter(cert)) < 0) {
        *error = named + " expired on " + DateText(X509_get0_notAfter(cert));
        return false;
    }
    return true;
}

bool IsRsa(EVP_PKEY* key) {
    int type = EVP_PKEY_get_base_id(key);
    return type == EVP_PKEY_RSA;
}

// PKCS#12 files of older programs protect their parts with RC2 or DES,
// which OpenSSL 3 keeps in its legacy provider. Loaded on first need.
bool LoadLegacyProvider() {
    static std::once_flag once;
    static bool loaded = false;
    std::call_once(once, [] {
        // Loading any provider by hand stops the default one from loading
        // by itself; load both.
        loaded = OSSL_PROVIDER_load(nullptr, "default") != nullptr &&
                 OSSL_PROVIDER_load(nullptr, "legacy") != nullptr;
    });
    return loaded;
}

// The key pair with its certificate (and chain) as an xmlsec key; takes the
// three. Null with *error set when xmlsec refuses them.
SecKeyPtr MakeKey(EvpKeyPtr pkey, X509Ptr cert, STACK_OF(X509) * chain, std::string* error) {
    SecKeyPtr key(xmlSecKeyCreate());
    xmlSecKeyDataPtr value = key ? xmlSecOpenSSLEvpKeyAdopt(pkey.get()) : nullptr;
    if (value != nullptr) pkey.release();
    if (value == nullptr || xmlSecKeySetValue(key.get(), value) < 0) {
        if (value != nullptr) xmlSecKeyDataDestroy(value);
        *error = "the key cannot be used: " + TakeXmlSecError();
        return nullptr;
    }
    xmlSecKeyDataPtr x509 = xmlSecKeyEnsureData(key.get(), xmlSecOpenSSLKeyDataX509Id);
    X509* key_cert = x509 != nullptr ? X509_dup(cert.get()) : nullptr;
    bool ok = key_cert != nullptr && xmlSecOpenSSLKeyDataX509AdoptKeyCert(x509, key_cert) >= 0;
    if (!ok) X509_free(key_cert);
    ok = ok && xmlSecOpenSSLKeyDataX509AdoptCert(x509, cert.get()) >= 0;
    if (ok) cert.release();
    while (ok && chain != nullptr && sk_X509_num(chain) > 0) {
        X509* other = sk_X509_shift(chain);
        ok = xmlSecOpenSSLKeyDataX509AdoptCert(x509, other) >= 0;
        if (!ok) X509_free(other);
    }
    if (!ok) {
        *error = "the certificate cannot be used: " + TakeXmlSecError();
        return nullptr;
    }
    return key;
}

}  // namespace

bool InitXmlSecurity(std::string* error) {
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        InitXmlLibrary();
        // xmlSecInit sets the callback that prints to stderr: replace it after.
        if (xmlSecInit() < 0) {
            failure = "xmlsec cannot be initialised";
        } else if (xmlSecCheckVersion() != 1) {
            failure = "the xmlsec library does not match the version built against";
        } else if (xmlSecCryptoAppInit(nullptr) < 0 || xmlSecCryptoInit() < 0) {
            failure = "xmlsec's OpenSSL back end cannot be initialised";
        }
        xmlSecErrorsSetCallback(CollectXmlSecError);
    });
    if (!failure.empty()) *error = failure;
    return failure.empty();
}

SecKeyPtr LoadPkcs12Key(const KeyFile& file, KeyUse use, std::string* error) {
    if (!InitXmlSecurity(error)) return nullptr;
    const std::string owner = use == KeyUse::kSign ? "the sender's" : "the receiver's";
    const std::string what = owner + " key file " + file.path;
    std::string bytes;
    std::string why;
    if (!ReadWholeFile(file.path, &bytes, &why)) {
        *error = what + " cannot be read: " + why;
        return nullptr;
    }
    const unsigned char* cursor = reinterpret_cast<const unsigned char*>(bytes.data());
    std::unique_ptr<PKCS12, Pkcs12Free> p12(
        d2i_PKCS12(nullptr, &cursor, static_cast<long>(bytes.size())));
    if (!p12) {
        ERR_clear_error();
        *error = what + " is not a PKCS#12 file";
        return nullptr;
    }
    // An empty password may stand for none at all: try both, as OpenSSL does.
    const char* password = file.password.c_str();
    if (PKCS12_mac_present(p12.get()) && !PKCS12_verify_mac(p12.get(), password, -1)) {
        if (!file.password.empty() || !PKCS12_verify_mac(p12.get(), nullptr, 0)) {
            ERR_clear_error();
            *error = "the password does not open " + what + " (wrong password)";
            return nullptr;
        }
        password = nullptr;
    }
    EVP_PKEY* raw_key = nullptr;
    X509* raw_cert = nullptr;
    STACK_OF(X509)* raw_chain = nullptr;
    bool parsed = PKCS12_parse(p12.get(), password, &raw_key, &raw_cert, &raw_chain) == 1;
    if (!parsed && LoadLegacyProvider()) {
        ERR_clear_error();
        parsed = PKCS12_parse(p12.get(), password, &raw_key, &raw_cert, &raw_chain) == 1;
    }
    EvpKeyPtr pkey(raw_key);
    X509Ptr cert(raw_cert);
    std::unique_ptr<STACK_OF(X509), CertStackFree> chain(raw_chain);
    if (!parsed) {
        *error = what + " cannot be opened: " + TakeOpenSslError();
        return nullptr;
    }
    if (!pkey || !cert) {
        *error = what + " does not hold a private key with its certificate";
        return nullptr;
    }
    if (!IsRsa(pkey.get())) {
        *error = what + " holds no RSA key";
        return nullptr;
    }
    if (X509_check_private_key(cert.get(), pkey.get()) != 1) {
        ERR_clear_error();
        *error = what + ": the certificate does not belong to the private key";
        return nullptr;
    }
    if (use != KeyUse::kDecrypt &&
        !CheckValidNow(cert.get(), owner + " certificate in " + file.path, error)) {
        return nullptr;
    }
    SecKeyPtr key = MakeKey(std::move(pkey), std::move(cert), chain.get(), &why);
    if (!key) *error = what + ": " + why;
    return key;
}

SecKeyPtr LoadCertificateKey(const std::string& path, std::string* error) {
    if (!InitXmlSecurity(error)) return nullptr;
    const std::string what = "the receiver's certificate file " + path;
    std::string bytes;
    std::string why;
    if (!ReadWholeFile(path, &bytes, &why)) {
        *error = what + " cannot be read: " + why;
        return nullptr;
    }
    const unsigned char* cursor = reinterpret_cast<const unsigned char*>(bytes.data());
    X509Ptr cert(d2i_X509(nullptr, &cursor, static_cast<long>(bytes.size())));
    if (!cert) {
        ERR_clear_error();
        *error = what + " is not a DER-encoded X.509 certificate";
        return nullptr;
    }
    if (!CheckValidNow(cert.get(), "the receiver's certificate in " + path, error)) return nullptr;
    EvpKeyPtr pkey(X509_get_pubkey(cert.get()));
    if (!pkey || !IsRsa(pkey.get())) {
        ERR_clear_error();
        *error = what + " holds no RSA key";
        return nullptr;
    }
    SecKeyPtr key = MakeKey(std::move(pkey), std::move(cert), nullptr, &why);
    if (!key) *error = what + ": " + why;
    return key;
}

KeysMngrPtr NewKeysManager(SecKeyPtr key, std::string* error) {
    KeysMngrPtr manager(xmlSecKeysMngrCreate());
    if (!manager || xmlSecCryptoAppDefaultKeysMngrInit(manager.get()) < 0 ||
        (key && xmlSecCryptoAppDefaultKeysMngrAdoptKey(manager.get(), key.get()) < 0)) {
        *error = TakeXmlSecError();
        return nullptr;
    }
    key.release();
    return manager;
}

std::string CertificateSubject(_xmlSecKey* key) {
    xmlSecKeyDataPtr x509 =
        key != nullptr ? xmlSecKeyGetData(key, xmlSecOpenSSLKeyDataX509Id) : nullptr;
    X509* cert = x509 != nullptr ? xmlSecOpenSSLKeyDataX509GetKeyCert(x509) : nullptr;
    return cert != nullptr ? SubjectOf(cert) : std::string();
}

std::string TakeXmlSecError() {
    std::string text = t_xmlsec_error.empty() ? "no reason given" : t_xmlsec_error;
    t_xmlsec_error.clear();
    return text;
}

}  // namespace invoice_xml
