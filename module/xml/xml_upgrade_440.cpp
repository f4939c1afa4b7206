#include "module/xml/xml_upgrade_440.h"

#include <libxml/tree.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "module/xml/xml_check_440.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"

namespace invoice_xml {
namespace {

using read_detail::Attr;
using read_detail::HasAttr;
using read_detail::LineOf;
using read_detail::LineText;
using read_detail::NameOf;

// The GLN a debitor without one of its own is given.
constexpr char kPlaceholderGln[] = "2000000000008";
constexpr size_t kMaxTitleChars = 35;

struct Failure {
    std::string message;
};

xmlNode* Child(xmlNode* parent, const char* name) {
    return const_cast<xmlNode*>(read_detail::Child(parent, name));
}

std::vector<xmlNode*> Elements(xmlNode* parent) {
    std::vector<xmlNode*> children;
    for (const xmlNode* child = read_detail::FirstElement(parent); child;
         child = read_detail::NextElement(child)) {
        children.push_back(const_cast<xmlNode*>(child));
    }
    return children;
}

void DropAttr(xmlNode* node, const char* name) {
    if (xmlAttr* attr = xmlHasProp(node, BAD_CAST name)) xmlRemoveProp(attr);
}

void SetAttr(xmlNode* node, const char* name, const std::string& value) {
    xmlSetProp(node, BAD_CAST name, BAD_CAST value.c_str());
}

void RenameAttr(xmlNode* node, const char* from, const char* to) {
    if (!HasAttr(node, from)) return;
    SetAttr(node, to, Attr(node, from));
    DropAttr(node, from);
}

void Rename(xmlNode* node, const char* name) {
    xmlNodeSetName(node, BAD_CAST name);
}

void Remove(xmlNode* node) {
    if (node == nullptr) return;
    xmlUnlinkNode(node);
    xmlFreeNode(node);
}

// A new element in the request namespace holding a copy of the person or
// company inside `party`.
xmlNode* PartyCopy(xmlNode* party, const char* name) {
    xmlNode* node = xmlNewDocNode(party->doc, party->ns, BAD_CAST name, nullptr);
    std::vector<xmlNode*> content = Elements(party);
    if (!content.empty()) xmlAddChild(node, xmlDocCopyNode(content.front(), party->doc, 1));
    return node;
}

// The GLN of each party of `tiers` that has a ZSR number, by that number.
std::map<std::string, std::string> GlnByZsr(xmlNode* tiers) {
    std::map<std::string, std::string> gln;
    for (const char* name : {"biller", "provider", "referrer"}) {
        xmlNode* party = Child(tiers, name);
        if (party != nullptr && HasAttr(party, "zsr") && HasAttr(party, "ean_party")) {
            gln.emplace(Attr(party, "zsr"), Attr(party, "ean_party"));
        }
    }
    return gln;
}

xmlNode* RequiredChild(xmlNode* parent, const char* name) {
    xmlNode* child = Child(parent, name);
    if (child == nullptr) {
        throw Failure{LineText(LineOf(parent)) + "'" + NameOf(parent) + "' lacks its '" + name +
                      "'"};
    }
    return child;
}

// A tiers_payant balance has no prepaid amount in 4.50: a zero one goes, any
// other would change what the insurer is asked to pay.
void DropPrepaid(xmlNode* balance) {
    invoice::Decimal prepaid;
    if (!HasAttr(balance, "amount_prepaid")) return;
    if (!ParseNumber(Attr(balance, "amount_prepaid"), &prepaid) || !prepaid.IsZero()) {
        throw Failure{LineText(LineOf(balance)) +
                      "its tiers_payant balance has a prepaid amount (" +
                      Attr(balance, "amount_prepaid") + "), which release 4.50 cannot hold"};
    }
    DropAttr(balance, "amount_prepaid");
}

// Everything that can fail comes before a node is made or moved, so that a
// refusal leaves no node outside the tree.
void UpgradeTiers(xmlNode* tiers, xmlNode* balance) {
    const bool payant = NameOf(tiers) == "tiers_payant";
    xmlNode* source = RequiredChild(tiers, payant ? "insurance" : "guarantor");
    xmlNode* biller = RequiredChild(tiers, "biller");
    if (payant) DropPrepaid(balance);
    xmlNode* debitor = PartyCopy(source, "debitor");
    SetAttr(debitor, "ean_party",
            payant ? Attr(source, "ean_party") : std::string(kPlaceholderGln));
    xmlAddNextSibling(biller, debitor);
    xmlUnlinkNode(balance);
    xmlAddChild(tiers, balance);
}

void UpgradeSlip(xmlNode* slip, xmlNode* tiers) {
    if (NameOf(slip) == "esr5") {
        throw Failure{"its esr5 payment slip has no counterpart in release 4.50"};
    }
    DropAttr(slip, "esr_attributes");
    xmlNode* creditor = PartyCopy(RequiredChild(tiers, "biller"), "creditor");
    xmlNode* bank = Child(slip, "bank");
    if (bank != nullptr) {
        xmlAddNextSibling(bank, creditor);
    } else if (xmlNode* first = const_cast<xmlNode*>(read_detail::FirstElement(slip))) {
        xmlAddPrevSibling(first, creditor);
    } else {
        xmlAddChild(slip, creditor);
    }
    xmlUnlinkNode(slip);
    xmlAddNextSibling(tiers, slip);
}

void UpgradePartyId(xmlNode* record, const char* name,
                    const std::map<std::string, std::string>& glnByZsr) {
    std::string id = Attr(record, name);
    if (id.size() == 13) return;
    auto found = glnByZsr.find(id);
    if (found == glnByZsr.end()) {
        throw Failure{LineText(LineOf(record)) + name + " " + id +
                      " is a ZSR number that no party of the invoice has"};
    }
    SetAttr(record, name, found->second);
}

void UpgradeRecord(xmlNode* record, const std::map<std::string, std::string>& glnByZsr) {
    const std::string name = NameOf(record);
    DropAttr(record, "validate");
    UpgradePartyId(record, "provider_id", glnByZsr);
    UpgradePartyId(record, "responsible_id", glnByZsr);
    if (name == "record_tarmed") {
        Rename(record, "service_ex");
        return;
    }
    Rename(record, "service");
    if (name == "record_drg" && HasAttr(record, "cost_fraction")) {
        xmlNode* drg = xmlNewChild(record, record->ns, BAD_CAST "xtra_drg", nullptr);
        SetAttr(drg, "cost_fraction", Attr(record, "cost_fraction"));
        DropAttr(record, "cost_fraction");
    }
}

// `text` cut to at most `maxChars` characters.
std::string FirstChars(const std::string& text, size_t maxChars) {
    size_t end = 0;
    for (size_t chars = 0; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && chars++ == maxChars) break;
    }
    return text.substr(0, end);
}

bool MimeTypeOf450(const std::string& type) {
    return type == "application/pdf" || type == "image/jpeg" || type == "image/png";
}

// Documents of a type 4.50 cannot carry are left out (and the count
// follows); a title, which 4.50 requires, is taken from the file name.
void UpgradeDocuments(xmlNode* documents) {
    size_t kept = 0;
    for (xmlNode* document : Elements(documents)) {
        if (!MimeTypeOf450(Attr(document, "mimeType"))) {
            Remove(document);
            continue;
        }
        ++kept;
        DropAttr(document, "viewer");
        if (!HasAttr(document, "title")) {
            SetAttr(document, "title", FirstChars(Attr(document, "filename"), kMaxTitleChars));
        }
    }
    if (kept == 0) {
        Remove(documents);
    } else {
        SetAttr(documents, "number", std::to_string(kept));
    }
}

// Drops what 4.50 has no place for in the law and the treatment.
void DropCaseAttributes(xmlNode* node) {
    for (xmlNode* child : Elements(node)) {
        const std::string name = NameOf(child);
        if (name == "kvg" || name == "vvg" || name == "uvg" || name == "ivg" || name == "mvg" ||
            name == "org") {
            DropAttr(child, "contract_number");
        } else if (name == "stationary") {
            DropAttr(child, "do_cost_assessment");
        }
        if (name == "treatment" || name == "xtra_hospital") DropCaseAttributes(child);
    }
}

void UpgradeBody(xmlNode* body) {
    xmlNode* balance = Child(body, "balance");
    xmlNode* tiers = Child(body, "tiers_garant");
    if (tiers == nullptr) tiers = Child(body, "tiers_payant");
    if (balance == nullptr || tiers == nullptr) throw Failure{"its body lacks balance or tiers"};
    for (xmlNode* child : Elements(body)) {
        const std::string name = NameOf(child);
        if (name == "esr5" || name == "esr9" || name == "esrRed") UpgradeSlip(child, tiers);
    }
    const std::map<std::string, std::string> glnByZsr = GlnByZsr(tiers);
    UpgradeTiers(tiers, balance);
    DropCaseAttributes(body);
    if (xmlNode* services = Child(body, "services")) {
        for (xmlNode* record : Elements(services)) UpgradeRecord(record, glnByZsr);
    }
    if (xmlNode* documents = Child(body, "documents")) UpgradeDocuments(documents);
}

void UpgradeRoot(xmlNode* root) {
    xmlNs* xsi = xmlSearchNsByHref(root->doc, root, BAD_CAST kXsiNamespace);
    xmlChar* location = xmlGetNsProp(root, BAD_CAST "schemaLocation", BAD_CAST kXsiNamespace);
    if (xsi != nullptr && location != nullptr) {
        std::string text = reinterpret_cast<const char*>(location);
        size_t at = text.find(kSchema440);
        if (at != std::string::npos) text.replace(at, std::strlen(kSchema440), kSchema450);
        xmlSetNsProp(root, xsi, BAD_CAST "schemaLocation", BAD_CAST text.c_str());
    }
    xmlFree(location);
    if (xmlNode* processing = Child(root, "processing")) {
        RenameAttr(processing, "print_patient_copy", "print_copy_to_guarantor");
        Remove(Child(processing, "validations"));
    }
    xmlNode* payload = Child(root, "payload");
    if (payload == nullptr) throw Failure{"it has no payload"};
    DropAttr(payload, "credit_advice");
    xmlNode* body = Child(payload, "body");
    if (body == nullptr)
        throw Failure{"its body is encrypted (4.40 files are read unencrypted only)"};
    UpgradeBody(body);
}

}  // namespace

bool UpgradeRequest440(_xmlDoc* doc, const std::string& name, std::string* error) {
    xmlNode* root = xmlDocGetRootElement(doc);
    std::string finding = Check440Rules(root);
    if (!finding.empty()) {
        *error = name + " does not conform to " + kSchema440 + ": " + finding;
        return false;
    }
    try {
        UpgradeRoot(root);
        return true;
    } catch (const Failure& failure) {
        *error = name + " cannot be read as a 4.50 invoice: " + failure.message;
        return false;
    }
}

}  // namespace invoice_xml
