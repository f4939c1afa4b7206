#include "module/xml/xml_signature.h"

#include <libxml/tree.h>
#include <xmlsec/crypto.h>
#include <xmlsec/keysmngr.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include <memory>

#include "module/xml/xml_signature_keys.h"

namespace invoice_xml {

namespace {

struct DSigCtxFree {
    void operator()(xmlSecDSigCtx* context) const { xmlSecDSigCtxDestroy(context); }
};
using DSigCtxPtr = std::unique_ptr<xmlSecDSigCtx, DSigCtxFree>;

// The root's ds:Signature child, or null.
xmlNode* FindSignature(xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    return root != nullptr ? xmlSecFindChild(root, xmlSecNodeSignature, xmlSecDSigNs) : nullptr;
}

// Whether the subtree holds an element that makes xmlsec fetch data from
// elsewhere (a key by RetrievalMethod). References are limited by the
// context instead.
bool FetchesFromOutside(xmlNode* node) {
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (xmlSecCheckNodeName(child, xmlSecNodeRetrievalMethod, xmlSecDSigNs)) return true;
        if (FetchesFromOutside(child)) return true;
    }
    return false;
}

// The signature goes after the payload; in an indented document it is
// indented like its siblings.
void AppendToRoot(xmlNode* root, xmlNode* signature) {
    xmlNode* last = root->last;
    if (last != nullptr && last->type == XML_TEXT_NODE && xmlIsBlankNode(last)) {
        xmlAddPrevSibling(last, signature);
        xmlAddPrevSibling(signature, xmlNewDocText(root->doc, BAD_CAST "\n  "));
    } else {
        xmlAddChild(root, signature);
    }
}

// The template of the signature written (see the header).
xmlNode* SignatureTemplate(xmlDoc* doc) {
    xmlNode* signature = xmlSecTmplSignatureCreateNsPref(
        doc, xmlSecTransformExclC14NId, xmlSecTransformRsaSha256Id, nullptr, BAD_CAST "ds");
    if (signature == nullptr) return nullptr;
    xmlNode* reference = xmlSecTmplSignatureAddReference(signature, xmlSecTransformSha256Id,
                                                         nullptr, BAD_CAST "", nullptr);
    xmlNode* key_info = xmlSecTmplSignatureEnsureKeyInfo(signature, nullptr);
    xmlNode* x509 = key_info != nullptr ? xmlSecTmplKeyInfoAddX509Data(key_info) : nullptr;
    if (reference == nullptr ||
        xmlSecTmplReferenceAddTransform(reference, xmlSecTransformEnvelopedId) == nullptr ||
        xmlSecTmplReferenceAddTransform(reference, xmlSecTransformExclC14NId) == nullptr ||
        x509 == nullptr || xmlSecTmplX509DataAddCertificate(x509) == nullptr) {
        xmlFreeNode(signature);
        return nullptr;
    }
    return signature;
}

// Limits what a signature being verified may use (see the header).
bool RestrictVerification(xmlSecDSigCtx* context) {
    context->enabledReferenceUris = xmlSecTransformUriTypeEmpty;
    context->keyInfoReadCtx.flags |= XMLSEC_KEYINFO_FLAGS_X509DATA_DONT_VERIFY_CERTS;
    if (xmlSecPtrListAdd(&context->keyInfoReadCtx.enabledKeyData, BAD_CAST xmlSecKeyDataX509Id) <
        0) {
        return false;
    }
    const xmlSecTransformId canonical[] = {
        xmlSecTransformInclC14NId, xmlSecTransformInclC14NWithCommentsId, xmlSecTransformExclC14NId,
        xmlSecTransformExclC14NWithCommentsId};
    for (xmlSecTransformId id : canonical) {
        if (xmlSecDSigCtxEnableSignatureTransform(context, id) < 0 ||
            xmlSecDSigCtxEnableReferenceTransform(context, id) < 0) {
            return false;
        }
    }
    const xmlSecTransformId signing[] = {xmlSecTransformRsaSha1Id, xmlSecTransformRsaSha256Id,
                                         xmlSecTransformRsaSha384Id, xmlSecTransformRsaSha512Id};
    for (xmlSecTransformId id : signing) {
        if (xmlSecDSigCtxEnableSignatureTransform(context, id) < 0) return false;
    }
    const xmlSecTransformId referencing[] = {xmlSecTransformEnvelopedId, xmlSecTransformSha1Id,
                                             xmlSecTransformSha256Id, xmlSecTransformSha384Id,
                                             xmlSecTransformSha512Id};
    for (xmlSecTransformId id : referencing) {
        if (xmlSecDSigCtxEnableReferenceTransform(context, id) < 0) return false;
    }
    return true;
}

// Why a signature that was checked did not verify.
std::string WhyInvalid(xmlSecDSigCtx* context) {
    xmlSecSize count = xmlSecPtrListGetSize(&context->signedInfoReferences);
    for (xmlSecSize i = 0; i < count; ++i) {
        auto* reference = static_cast<xmlSecDSigReferenceCtx*>(
            xmlSecPtrListGetItem(&context->signedInfoReferences, i));
        if (reference != nullptr && reference->status != xmlSecDSigStatusSucceeded) {
            return "the document was changed after it was signed";
        }
    }
    return "the signature value does not belong to the signed information and the certificate's "
           "key";
}

// The one reference must cover the whole document.
bool CoversWholeDocument(xmlSecDSigCtx* context) {
    if (xmlSecPtrListGetSize(&context->signedInfoReferences) != 1) return false;
    auto* reference = static_cast<xmlSecDSigReferenceCtx*>(
        xmlSecPtrListGetItem(&context->signedInfoReferences, 0));
    return reference != nullptr && reference->uri != nullptr && reference->uri[0] == '\0';
}

std::string ElementText(xmlDoc* doc, xmlNode* node) {
    std::unique_ptr<xmlBuffer, void (*)(xmlBuffer*)> buffer(xmlBufferCreate(), xmlBufferFree);
    if (!buffer || xmlNodeDump(buffer.get(), doc, node, 0, 0) < 0) return std::string();
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace

void RemoveSignature(xmlDoc* doc) {
    while (xmlNode* signature = FindSignature(doc)) {
        // The indentation before it goes with it.
        xmlNode* before = signature->prev;
        if (before != nullptr && before->type == XML_TEXT_NODE && xmlIsBlankNode(before)) {
            xmlUnlinkNode(before);
            xmlFreeNode(before);
        }
        xmlUnlinkNode(signature);
        xmlFreeNode(signature);
    }
}

bool SignDocument(xmlDoc* doc, const KeyFile& key_file, std::string* error) {
    RemoveSignature(doc);
    SecKeyPtr key = LoadPkcs12Key(key_file, KeyUse::kSign, error);
    if (!key) return false;
    xmlNode* signature = SignatureTemplate(doc);
    if (signature == nullptr) {
        *error = "the signature cannot be prepared: " + TakeXmlSecError();
        return false;
    }
    AppendToRoot(xmlDocGetRootElement(doc), signature);
    DSigCtxPtr context(xmlSecDSigCtxCreate(nullptr));
    if (context) context->signKey = key.release();
    if (!context || xmlSecDSigCtxSign(context.get(), signature) < 0) {
        *error = "the document cannot be signed with " + key_file.path + ": " + TakeXmlSecError();
        RemoveSignature(doc);
        return false;
    }
    return true;
}

bool VerifyDocument(xmlDoc* doc, std::optional<invoice::LoadedSignature>* signature,
                    std::string* error) {
    signature->reset();
    xmlNode* node = FindSignature(doc);
    if (node == nullptr) return true;
    if (!InitXmlSecurity(error)) return false;
    if (FetchesFromOutside(node)) {
        *error = "the signature names a key to be fetched from elsewhere (RetrievalMethod)";
        return false;
    }
    std::string why;
    KeysMngrPtr manager = NewKeysManager(nullptr, &why);
    if (!manager) {
        *error = "the signature cannot be checked: " + why;
        return false;
    }
    DSigCtxPtr context(xmlSecDSigCtxCreate(manager.get()));
    if (!context || !RestrictVerification(context.get())) {
        *error = "the signature cannot be checked: " + TakeXmlSecError();
        return false;
    }
    if (xmlSecDSigCtxVerify(context.get(), node) < 0) {
        *error = "the signature cannot be checked: " + TakeXmlSecError();
        return false;
    }
    TakeXmlSecError();  // what xmlsec said on the way is no longer news
    if (context->status != xmlSecDSigStatusSucceeded) {
        *error = "the signature does not verify: " + WhyInvalid(context.get());
        return false;
    }
    if (!CoversWholeDocument(context.get())) {
        *error = "the signature does not cover the whole document with one reference (URI \"\")";
        return false;
    }
    invoice::LoadedSignature& loaded = signature->emplace();
    loaded.signer = CertificateSubject(context->signKey);
    loaded.element = ElementText(doc, node);
    return true;
}

}  // namespace invoice_xml
