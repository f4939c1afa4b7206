#include "module/xml/xml_encryption.h"

#include <libxml/tree.h>
#include <xmlsec/crypto.h>
#include <xmlsec/keyinfo.h>
#include <xmlsec/keysmngr.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmlenc.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include <memory>

#include "module/xml/xml_common.h"

namespace invoice_xml {

namespace {

struct EncCtxFree {
    void operator()(xmlSecEncCtx* context) const { xmlSecEncCtxDestroy(context); }
};
using EncCtxPtr = std::unique_ptr<xmlSecEncCtx, EncCtxFree>;

xmlNode* FindPayload(xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    return root != nullptr ? xmlSecFindChild(root, BAD_CAST "payload", BAD_CAST kInvoiceNamespace)
                           : nullptr;
}

xmlNode* FindBody(xmlDoc* doc) {
    xmlNode* payload = FindPayload(doc);
    return payload != nullptr
               ? xmlSecFindChild(payload, BAD_CAST "body", BAD_CAST kInvoiceNamespace)
               : nullptr;
}

xmlNode* FindEncryptedData(xmlDoc* doc) {
    xmlNode* payload = FindPayload(doc);
    return payload != nullptr ? xmlSecFindChild(payload, xmlSecNodeEncryptedData, xmlSecEncNs)
                              : nullptr;
}

// Whether the subtree names data or keys to be fetched from elsewhere.
bool FetchesFromOutside(xmlNode* node) {
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (xmlSecCheckNodeName(child, xmlSecNodeCipherReference, xmlSecEncNs) ||
            xmlSecCheckNodeName(child, xmlSecNodeRetrievalMethod, xmlSecDSigNs) ||
            FetchesFromOutside(child)) {
            return true;
        }
    }
    return false;
}

// The template of the encrypted data written (see the header).
xmlNode* EncryptedDataTemplate(xmlDoc* doc) {
    xmlNode* data = xmlSecTmplEncDataCreate(doc, xmlSecTransformAes256GcmId, nullptr,
                                            xmlSecTypeEncElement, nullptr, nullptr);
    if (data == nullptr) return nullptr;
    xmlNode* key_info = xmlSecTmplEncDataEnsureKeyInfo(data, nullptr);
    xmlNode* key = key_info != nullptr
                       ? xmlSecTmplKeyInfoAddEncryptedKey(key_info, xmlSecTransformRsaOaepId,
                                                          nullptr, nullptr, nullptr)
                       : nullptr;
    xmlNode* key_key_info = key != nullptr ? xmlSecTmplEncDataEnsureKeyInfo(key, nullptr) : nullptr;
    xmlNode* x509 = key_key_info != nullptr ? xmlSecTmplKeyInfoAddX509Data(key_key_info) : nullptr;
    if (xmlSecTmplEncDataEnsureCipherValue(data) == nullptr || key == nullptr ||
        xmlSecTmplEncDataEnsureCipherValue(key) == nullptr || x509 == nullptr ||
        xmlSecTmplX509DataAddCertificate(x509) == nullptr) {
        xmlFreeNode(data);
        return nullptr;
    }
    return data;
}

}  // namespace

bool HasEncryptedBody(xmlDoc* doc) {
    return FindEncryptedData(doc) != nullptr;
}

bool EncryptBody(xmlDoc* doc, const std::string& certificate_path, std::string* error) {
    xmlNode* body = FindBody(doc);
    if (body == nullptr) {
        *error = "the document has no body to encrypt";
        return false;
    }
    SecKeyPtr receiver = LoadCertificateKey(certificate_path, error);
    if (!receiver) return false;
    std::string why;
    KeysMngrPtr manager = NewKeysManager(std::move(receiver), &why);
    xmlNode* data = manager ? EncryptedDataTemplate(doc) : nullptr;
    EncCtxPtr context(data != nullptr ? xmlSecEncCtxCreate(manager.get()) : nullptr);
    if (context) {
        context->encKey = xmlSecKeyGenerate(xmlSecKeyDataAesId, 256, xmlSecKeyDataTypeSession);
    }
    // On success the body is replaced by the data and freed.
    if (!context || context->encKey == nullptr ||
        xmlSecEncCtxXmlEncrypt(context.get(), data, body) < 0) {
        if (data != nullptr && data->parent == nullptr) xmlFreeNode(data);
        *error = "the body cannot be encrypted for " + certificate_path + ": " +
                 (why.empty() ? TakeXmlSecError() : why);
        return false;
    }
    return true;
}

bool DecryptBody(xmlDoc* doc, const KeyFile& key_file, std::string* error) {
    xmlNode* data = FindEncryptedData(doc);
    if (data == nullptr) {
        *error = "the document has no encrypted body";
        return false;
    }
    xmlChar* type = xmlGetProp(data, BAD_CAST "Type");
    bool element = type != nullptr && xmlStrEqual(type, xmlSecTypeEncElement);
    xmlFree(type);
    if (!element) {
        *error = "the encrypted data is not an encrypted element (Type " +
                 std::string(reinterpret_cast<const char*>(xmlSecTypeEncElement)) + ")";
        return false;
    }
    if (FetchesFromOutside(data)) {
        *error =
            "the encrypted data refers to data or keys elsewhere "
            "(CipherReference or RetrievalMethod)";
        return false;
    }
    SecKeyPtr key = LoadPkcs12Key(key_file, KeyUse::kDecrypt, error);
    if (!key) return false;
    std::string subject = CertificateSubject(key.get());
    std::string why;
    KeysMngrPtr manager = NewKeysManager(std::move(key), &why);
    EncCtxPtr context(manager ? xmlSecEncCtxCreate(manager.get()) : nullptr);
    // The content key comes from an EncryptedKey, opened with the one key of
    // the manager; certificates that name the receiver are not looked at.
    bool ready = context && xmlSecPtrListAdd(&context->keyInfoReadCtx.enabledKeyData,
                                             BAD_CAST xmlSecKeyDataEncryptedKeyId) >= 0;
    if (!ready || xmlSecEncCtxDecrypt(context.get(), data) < 0 || context->result == nullptr) {
        *error = "the body cannot be decrypted with the key of " + key_file.path + " (" + subject +
                 "): it was encrypted for another key, or it is damaged (" +
                 (why.empty() ? TakeXmlSecError() : why) + ")";
        return false;
    }
    TakeXmlSecError();
    if (FindBody(doc) == nullptr) {
        *error = "the decrypted data is not the body of the payload";
        return false;
    }
    return true;
}

}  // namespace invoice_xml
