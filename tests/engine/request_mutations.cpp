#include "tests/engine/request_mutations.h"

namespace module {
namespace testing_support {

// Edits of the valid sample. Each one fails the test when its anchor text is
// missing, so a mutation can never silently leave the document unchanged.
std::string Replace(std::string xml, const std::string& from, const std::string& to) {
    std::size_t at = xml.find(from);
    if (at == std::string::npos) return "anchor not found: " + from;
    return xml.replace(at, from.size(), to);
}

std::string ReplaceAll(std::string xml, const std::string& from, const std::string& to) {
    if (xml.find(from) == std::string::npos) return "anchor not found: " + from;
    for (std::size_t at = xml.find(from); at != std::string::npos; at = xml.find(from, at)) {
        xml.replace(at, from.size(), to);
        at += to.size();
    }
    return xml;
}

// The first element `tag` (qualified name) with all its content.
std::string ElementText(const std::string& xml, const std::string& tag) {
    std::size_t begin = xml.find("<" + tag);
    if (begin == std::string::npos) return "";
    std::size_t selfClose = xml.find("/>", begin);
    std::size_t nextOpen = xml.find('>', begin);
    if (selfClose != std::string::npos && selfClose + 1 == nextOpen) {
        return xml.substr(begin, selfClose + 2 - begin);
    }
    std::string close = "</" + tag + ">";
    std::size_t end = xml.find(close, begin);
    if (end == std::string::npos) return "";
    return xml.substr(begin, end + close.size() - begin);
}

std::string WithServiceRecords(const std::string& xml, int count, const std::string& tariffType) {
    std::string records;
    for (int i = 0; i < count; ++i) {
        records += "<invoice:service record_id=\"" + std::to_string(10 + i) + "\" tariff_type=\"" +
                   tariffType +
                   "\" code=\"X\" name=\"n\" quantity=\"1\" date_begin=\"2020-06-03T00:00:00\" "
                   "provider_id=\"2000000000002\" responsible_id=\"2000000000002\" unit=\"1\" "
                   "amount=\"1\"/>\n";
    }
    return Replace(xml, "</invoice:services>", records + "</invoice:services>");
}

const char kSignature[] =
    "<ds:Signature><ds:SignedInfo>"
    "<ds:CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"
    "<ds:SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
    "<ds:Reference URI=\"\"><ds:DigestMethod "
    "Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<ds:DigestValue>AAAA</ds:DigestValue></ds:Reference></ds:SignedInfo>"
    "<ds:SignatureValue>AAAA</ds:SignatureValue></ds:Signature>";
const char kCipher[] =
    "<xenc:CipherData><xenc:CipherValue>AAAA</xenc:CipherValue></xenc:CipherData>";

// `xml` with `part` after the payload, where the signature goes.
std::string AtEnd(const std::string& xml, const std::string& part) {
    return Replace(xml, "</invoice:request>", part + "</invoice:request>");
}

// `xml` with `part` for the body, as an encrypted body stands.
std::string ForBody(const std::string& xml, const std::string& part) {
    return Replace(xml, ElementText(xml, "invoice:body"), part);
}

// What the place-by-place comparison of the two schemas does not see: the
// root's name and namespace, and the signature and encryption parts, which
// come from schema files of their own.
std::vector<Mutation> Mutations() {
    using S = const std::string&;
    const std::string encrypted =
        std::string("<xenc:EncryptedData>") + kCipher + "</xenc:EncryptedData>";
    return {
        {"other root", [](S x) { return ReplaceAll(x, "invoice:request", "invoice:requests"); },
         false},
        {"other namespace",
         [](S x) {
             return ReplaceAll(x, "http://www.forum-datenaustausch.ch/invoice",
                               "http://www.forum-datenaustausch.ch/invoice/x");
         },
         false},
        {"signature", [](S x) { return AtEnd(x, kSignature); }, true},
        {"signature before payload",
         [](S x) {
             return Replace(x, "<invoice:payload>", kSignature + std::string("<invoice:payload>"));
         },
         false},
        {"signature without content",
         [](S x) { return AtEnd(x, "<ds:Signature><ds:SignedInfo/></ds:Signature>"); }, false},
        {"signature of an unknown element",
         [](S x) { return AtEnd(x, "<ds:Signature><ds:Unknown/></ds:Signature>"); }, false},
        {"key info for the signature",
         [](S x) { return AtEnd(x, "<ds:KeyInfo><ds:KeyName>k</ds:KeyName></ds:KeyInfo>"); },
         false},
        {"encrypted body", [encrypted](S x) { return ForBody(x, encrypted); }, true},
        {"encrypted body without cipher", [](S x) { return ForBody(x, "<xenc:EncryptedData/>"); },
         false},
        {"encrypted key for the body",
         [](S x) {
             return ForBody(x,
                            std::string("<xenc:EncryptedKey>") + kCipher + "</xenc:EncryptedKey>");
         },
         false},
    };
}

}  // namespace testing_support
}  // namespace module
