#include "module/xml/xml_write_tree.h"

#include <cstring>

namespace invoice_xml {

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Appends `text` with the characters of `special` replaced by references.
void AppendEscaped(std::string* out, const std::string& text, bool attribute) {
    const char* special = attribute ? "&<>\"\t\n\r" : "&<>\r";
    size_t start = 0;
    for (size_t at = text.find_first_of(special); at != std::string::npos;
         at = text.find_first_of(special, start)) {
        out->append(text, start, at - start);
        switch (text[at]) {
            case '&':
                *out += "&amp;";
                break;
            case '<':
                *out += "&lt;";
                break;
            case '>':
                *out += "&gt;";
                break;
            case '"':
                *out += "&quot;";
                break;
            case '\t':
                *out += "&#9;";
                break;
            case '\n':
                *out += "&#10;";
                break;
            default:
                *out += "&#13;";
                break;
        }
        start = at + 1;
    }
    out->append(text, start, std::string::npos);
}

}  // namespace

WriteTree::WriteTree(const char* prefix, const char* name,
                     std::vector<std::pair<const char*, const char*>> namespaces)
    : prefix_(prefix), namespaces_(std::move(namespaces)) {
    elements_.emplace_back();
    elements_.front().name = name;
}

WriteTree::Element* WriteTree::Add(Element* parent, const char* name) {
    elements_.emplace_back();
    Element* element = &elements_.back();
    element->name = name;
    parent->children.push_back(element);
    return element;
}

WriteTree::Element* WriteTree::AddText(Element* parent, const char* name, std::string text) {
    Element* element = Add(parent, name);
    element->has_text = true;
    element->text = std::move(text);
    return element;
}

void WriteTree::Set(Element* element, const char* name, std::string value) {
    const size_t length = std::strlen(name);
    for (auto& attribute : element->attributes) {
        if (attribute.first.size() == length && attribute.first.compare(name) == 0) {
            attribute.second = std::move(value);
            return;
        }
    }
    element->attributes.emplace_back(name, std::move(value));
}

std::string WriteTree::Text(bool indent) const {
    std::string out;
    out.reserve(elements_.size() * 160);
    out += kDeclaration;
    Write(elements_.front(), 0, indent, &out);
    out += '\n';
    return out;
}

void WriteTree::Write(const Element& element, int level, bool indent, std::string* out) const {
    *out += '<';
    *out += prefix_;
    *out += ':';
    *out += element.name;
    if (&element == &elements_.front()) {
        for (const auto& declaration : namespaces_) {
            *out += " xmlns:";
            *out += declaration.first;
            *out += "=\"";
            *out += declaration.second;
            *out += '"';
        }
    }
    for (const auto& attribute : element.attributes) {
        *out += ' ';
        *out += attribute.first;
        *out += "=\"";
        AppendEscaped(out, attribute.second, true);
        *out += '"';
    }
    if (!element.has_text && element.children.empty()) {
        *out += "/>";
        return;
    }
    *out += '>';
    if (element.has_text) {
        AppendEscaped(out, element.text, false);
    } else {
        for (const Element* child : element.children) {
            if (indent) {
                *out += '\n';
                out->append(2 * static_cast<size_t>(level + 1), ' ');
            }
            Write(*child, level + 1, indent, out);
        }
        if (indent) {
            *out += '\n';
            out->append(2 * static_cast<size_t>(level), ' ');
        }
    }
    *out += "</";
    *out += prefix_;
    *out += ':';
    *out += element.name;
    *out += '>';
}

}  // namespace invoice_xml
