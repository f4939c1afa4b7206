// Element lookup and attribute values for the loader's section readers.

#include <libxml/tree.h>

#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"

namespace invoice_xml {
namespace read_detail {

namespace {

bool IsRequestElement(const xmlNode* node) {
    return node->type == XML_ELEMENT_NODE && node->ns != nullptr && node->ns->href != nullptr &&
           xmlStrEqual(node->ns->href, BAD_CAST kInvoiceNamespace);
}

// A copy of a libxml2 string, freed.
std::string Take(xmlChar* value) {
    if (value == nullptr) return std::string();
    std::string text = reinterpret_cast<const char*>(value);
    xmlFree(value);
    return text;
}

// The attribute `name` without a namespace, or null.
const xmlAttr* FindAttr(const xmlNode* node, const char* name) {
    for (const xmlAttr* attr = node->properties; attr != nullptr; attr = attr->next) {
        if (attr->ns == nullptr && xmlStrEqual(attr->name, BAD_CAST name)) return attr;
    }
    return nullptr;
}

// The value of an attribute; the parser leaves it as one text node, which
// is read in place.
std::string ValueOf(const xmlAttr* attr) {
    if (attr == nullptr) return std::string();
    const xmlNode* text = attr->children;
    if (text != nullptr && text->next == nullptr && text->type == XML_TEXT_NODE &&
        text->content != nullptr) {
        return reinterpret_cast<const char*>(text->content);
    }
    return Take(xmlNodeListGetString(attr->doc, attr->children, 1));
}

ReadError BadValue(const xmlNode* node, const char* name, const std::string& value,
                   const char* expected) {
    return ReadError{LineOf(node), std::string("attribute '") + name + "' of '" + NameOf(node) +
                                       "': the value '" + value + "' " + expected};
}

}  // namespace

const xmlNode* FirstElement(const xmlNode* parent) {
    for (const xmlNode* child = parent->children; child; child = child->next) {
        if (IsRequestElement(child)) return child;
    }
    return nullptr;
}

const xmlNode* NextElement(const xmlNode* node) {
    for (const xmlNode* next = node->next; next; next = next->next) {
        if (IsRequestElement(next)) return next;
    }
    return nullptr;
}

const xmlNode* Child(const xmlNode* parent, const char* name) {
    for (const xmlNode* child = FirstElement(parent); child; child = NextElement(child)) {
        if (xmlStrEqual(child->name, BAD_CAST name)) return child;
    }
    return nullptr;
}

std::string NameOf(const xmlNode* node) {
    return node->name != nullptr ? reinterpret_cast<const char*>(node->name) : "";
}

int LineOf(const xmlNode* node) {
    return static_cast<int>(xmlGetLineNo(node));
}

std::string LineText(int line) {
    return line > 0 ? "line " + std::to_string(line) + ": " : std::string();
}

bool HasAttr(const xmlNode* node, const char* name) {
    return FindAttr(node, name) != nullptr;
}

std::string Attr(const xmlNode* node, const char* name) {
    return ValueOf(FindAttr(node, name));
}

std::string Text(const xmlNode* node) {
    return Take(xmlNodeGetContent(node));
}

invoice::DateTime DateAttr(const xmlNode* node, const char* name) {
    std::string value = Attr(node, name);
    invoice::DateTime date;
    if (!ParseDateTime(value, &date)) {
        throw BadValue(node, name, value, "is not a date between the years 100 and 9999");
    }
    return date;
}

std::optional<invoice::DateTime> OptionalDateAttr(const xmlNode* node, const char* name) {
    if (!HasAttr(node, name)) return std::nullopt;
    return DateAttr(node, name);
}

invoice::Decimal NumberAttr(const xmlNode* node, const char* name,
                            const invoice::Decimal& fallback) {
    const xmlAttr* attr = FindAttr(node, name);
    if (attr == nullptr) return fallback;
    std::string value = ValueOf(attr);
    invoice::Decimal number;
    if (!ParseNumber(value, &number)) {
        throw BadValue(node, name, value, "is not a finite number of at most 38 digits");
    }
    return number;
}

int64_t IntegerAttr(const xmlNode* node, const char* name, int64_t min, int64_t max,
                    int64_t fallback) {
    const xmlAttr* attr = FindAttr(node, name);
    if (attr == nullptr) return fallback;
    std::string value = ValueOf(attr);
    int64_t number = 0;
    if (!ParseInteger(value, min, max, &number)) {
        throw BadValue(
            node, name, value,
            ("is not a whole number from " + std::to_string(min) + " to " + std::to_string(max))
                .c_str());
    }
    return number;
}

bool BoolAttr(const xmlNode* node, const char* name, bool fallback) {
    const xmlAttr* attr = FindAttr(node, name);
    if (attr == nullptr) return fallback;
    std::string value = ValueOf(attr);
    bool result = fallback;
    if (!ParseBool(value, &result)) throw BadValue(node, name, value, "is not true or false");
    return result;
}

std::optional<bool> OptionalBoolAttr(const xmlNode* node, const char* name) {
    if (!HasAttr(node, name)) return std::nullopt;
    return BoolAttr(node, name, false);
}

std::string DurationAttr(const xmlNode* node, const char* name, int32_t* days) {
    std::string value = Attr(node, name);
    if (!ParseDuration(value, days)) throw BadValue(node, name, value, "is not a duration");
    return value;
}

}  // namespace read_detail
}  // namespace invoice_xml
