#include "tests/engine/schema_walk.h"

#include <libxml/hash.h>
#include <libxml/parser.h>
#include <libxml/schemasInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <functional>
#include <random>

#include "module/xml/xml_common.h"

namespace schema_walk {

namespace {

const char kInvoiceNs[] = "http://www.forum-datenaustausch.ch/invoice";
const std::set<std::string> kNumbers = {"double",      "int",           "long",
                                        "unsignedInt", "unsignedShort", "unsignedLong"};

// The particles, model groups and attribute uses of a compiled schema, which
// libxml2 keeps out of its headers: their leading members, as libxml2 2.9
// lays them out.
struct TreeItem {
    xmlSchemaTypeType type;
    void* annot;
    TreeItem* next;
    TreeItem* children;  // a particle's term, a model group's first particle
    int min_occurs;      // particles only
    int max_occurs;
};
struct AttributeUse {
    xmlSchemaTypeType type;
    void* annot;
    AttributeUse* next;
    xmlSchemaAttributePtr decl;
    int flags;
    xmlNodePtr node;
    int occurs;
    const xmlChar* default_value;
};
struct ItemList {
    void** items;
    int count;
};
const int kUnbounded = 1 << 30;
const int kUseFixed = 1;

std::string Text(const xmlChar* text) {
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

// The built-in base of a simple type, and the facets on the way there.
ValueType Simple(const xmlSchemaType* type) {
    static const char* const kFacets[] = {"minInclusive", "minExclusive", "maxInclusive",
                                          "maxExclusive", "totalDigits",  "fractionDigits",
                                          "pattern",      "enumeration",  "whiteSpace",
                                          "length",       "maxLength",    "minLength"};
    if (type->type == XML_SCHEMA_TYPE_BASIC) return ValueType{Text(type->name), {}, {}};
    ValueType out = Simple(type->baseType);
    std::string patterns;
    for (const xmlSchemaFacet* facet = type->facets; facet; facet = facet->next) {
        std::string name = kFacets[facet->type - XML_SCHEMA_FACET_MININCLUSIVE];
        if (name == "enumeration") {
            out.enumeration.push_back(Text(facet->value));
        } else if (name == "pattern") {
            patterns += (patterns.empty() ? "" : "|") + Text(facet->value);
        } else {
            out.facets[name] = Text(facet->value);
        }
    }
    if (!patterns.empty()) {
        std::string& all = out.facets["pattern"];
        all = all.empty() ? patterns : all + " && " + patterns;
    }
    return out;
}

AttributeDecl Attribute(const AttributeUse* use) {
    AttributeDecl attr;
    attr.name = Text(use->decl->name);
    attr.required = use->occurs == XML_SCHEMAS_ATTR_USE_REQUIRED;
    attr.default_value = Text(use->default_value ? use->default_value : use->decl->defValue);
    attr.fixed = (use->flags & kUseFixed) || (use->decl->flags & XML_SCHEMAS_ATTR_FIXED);
    attr.type = Simple(use->decl->subtypes);
    return attr;
}

Particle Content(const TreeItem* particle);

std::shared_ptr<ElementDecl> Element(const xmlSchemaElement* element) {
    auto decl = std::make_shared<ElementDecl>();
    decl->name = Text(element->name);
    decl->foreign = Text(element->targetNamespace) != kInvoiceNs;
    const xmlSchemaType* type = element->subtypes;
    if (decl->foreign) return decl;
    if (type->type != XML_SCHEMA_TYPE_COMPLEX) {
        decl->text = Simple(type);
        return decl;
    }
    if (type->contentType == XML_SCHEMA_CONTENT_SIMPLE) decl->text = Simple(type->contentTypeDef);
    decl->mixed = type->contentType == XML_SCHEMA_CONTENT_MIXED;
    decl->any_attribute = type->attributeWildcard != nullptr;
    if (type->subtypes != nullptr && !decl->text) {
        decl->content = Content(reinterpret_cast<const TreeItem*>(type->subtypes));
    }
    const auto* uses = static_cast<const ItemList*>(type->attrUses);
    for (int i = 0; uses != nullptr && i < uses->count; ++i) {
        decl->attributes.push_back(Attribute(static_cast<const AttributeUse*>(uses->items[i])));
    }
    return decl;
}

Particle Content(const TreeItem* particle) {
    Particle out{Particle::kElement,
                 particle->min_occurs,
                 particle->max_occurs == kUnbounded ? -1 : particle->max_occurs,
                 {},
                 nullptr};
    const TreeItem* term = particle->children;
    if (term->type == XML_SCHEMA_TYPE_ELEMENT) {
        out.element = Element(reinterpret_cast<const xmlSchemaElement*>(term));
    } else if (term->type == XML_SCHEMA_TYPE_ANY) {  // elements of any name, never made
        out.element = std::make_shared<ElementDecl>(ElementDecl{"*", true, {}, {}, {}});
    } else {
        out.kind = term->type == XML_SCHEMA_TYPE_CHOICE ? Particle::kChoice : Particle::kSequence;
        for (const TreeItem* item = term->children; item; item = item->next) {
            out.items.push_back(Content(item));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Sample values.

std::string Branches(const std::string& pattern, size_t* at, int k);

// One atom of `pattern` at *at (a character, an escaped one, a class or a
// group), made from `k`.
std::string Atom(const std::string& pattern, size_t* at, int k) {
    char c = pattern[(*at)++];
    if (c == '(') {
        std::string text = Branches(pattern, at, k);
        ++*at;  // ')'
        return text;
    }
    if (c == '\\') return std::string(1, pattern[(*at)++]);
    if (c == '.') return std::string(1, static_cast<char>('a' + k % 26));
    if (c != '[') return std::string(1, c);
    std::string chars;
    for (; pattern[*at] != ']'; ++*at) {
        char last = pattern[*at + 1] == '-' ? pattern[*at + 2] : pattern[*at];
        for (char x = pattern[*at]; x <= last; ++x) chars += x;
        if (last != pattern[*at]) *at += 2;
    }
    ++*at;  // ']'
    return std::string(1, chars[static_cast<size_t>(k) % chars.size()]);
}

// A text that the branches of `pattern` from *at to the closing parenthesis
// match: `k` picks the branch, the counts and the characters.
std::string Branches(const std::string& pattern, size_t* at, int k) {
    std::vector<std::string> branches(1);
    while (*at < pattern.size() && pattern[*at] != ')') {
        if (pattern[*at] == '|') {
            branches.emplace_back();
            ++*at;
            continue;
        }
        size_t start = *at;
        Atom(pattern, at, 0);
        int min = 1, max = 1;
        if (*at < pattern.size() && pattern[*at] == '+') {
            max = 4;
            ++*at;
        } else if (*at < pattern.size() && pattern[*at] == '{') {
            size_t comma = pattern.find(',', *at), end = pattern.find('}', *at);
            min = max = std::stoi(pattern.substr(*at + 1));
            if (comma < end) max = std::stoi(pattern.substr(comma + 1));
            *at = end + 1;
        }
        for (int i = 0; i < min + k % (max - min + 1); ++i) {
            size_t again = start;
            branches.back() += Atom(pattern, &again, k + 7 * i);
        }
    }
    return branches[static_cast<size_t>(k) % branches.size()];
}

std::string PatternSample(const std::string& pattern, int k) {
    size_t at = 0;
    return Branches(pattern, &at, k);
}

// Makes the elements and values of one document.
class Maker {
  public:
    Maker(int variant, Fill fill) : variant_(variant), fill_(fill) {}

    // Fills `node` with the attributes, text and children of `decl`.
    void Make(const ElementDecl& decl, xmlNode* node) {
        for (const AttributeDecl& attr : decl.attributes) {
            if (!attr.required && !fill_.optional_attributes) continue;
            std::string value = attr.fixed ? attr.default_value : Value(attr.type, attr.name);
            xmlSetProp(node, BAD_CAST attr.name.c_str(), BAD_CAST value.c_str());
        }
        if (decl.text) xmlNodeAddContent(node, BAD_CAST Value(*decl.text, decl.name).c_str());
        Content(decl.content, node);
    }

  private:
    void Content(const Particle& particle, xmlNode* node) {
        int times = Times(particle);
        for (int i = 0; i < times; ++i) {
            if (particle.kind == Particle::kElement) {
                Make(*particle.element,
                     xmlNewChild(node, node->ns, BAD_CAST particle.element->name.c_str(), nullptr));
            } else if (particle.kind == Particle::kSequence || particle.max != 1) {
                // a sequence, or a repeated choice: every branch
                for (const Particle& item : particle.items) Content(item, node);
            } else {
                Content(Branch(particle), node);
            }
        }
    }

    int Times(const Particle& particle) const {
        if (particle.kind == Particle::kElement && particle.element->foreign) {
            return 0;  // a signature or encrypted data: the signing code's to make
        }
        if (!fill_.optional_elements) return particle.min;
        return particle.max == 1 ? 1 : 2;
    }

    // The branch this variant takes; never encrypted data.
    const Particle& Branch(const Particle& choice) {
        std::vector<const Particle*> branches;
        for (const Particle& item : choice.items) {
            bool foreign = item.kind == Particle::kElement && item.element->foreign;
            if (!foreign) branches.push_back(&item);
        }
        // Variants 0 to 5 take the same branch everywhere; the later ones
        // mix branches along the document, by a fixed sequence of numbers.
        size_t index = variant_ < 6 ? static_cast<size_t>(variant_) : random_();
        return *branches[index % branches.size()];
    }

    // A sample of `type` for the place named `name`: successive places of one
    // name, and places of different names, get different values.
    std::string Value(const ValueType& type, const std::string& name) {
        int k = variant_ + counts_[name]++ + static_cast<int>(std::hash<std::string>()(name) % 7);
        auto pick = [k](std::initializer_list<const char*> list) {
            return std::string(list.begin()[static_cast<size_t>(k) % list.size()]);
        };
        if (!type.enumeration.empty()) return type.enumeration[k % type.enumeration.size()];
        auto facet = [&type](const char* name) {
            auto found = type.facets.find(name);
            return found == type.facets.end() ? std::string() : found->second;
        };
        if (!facet("pattern").empty()) return PatternSample(facet("pattern"), k);
        const std::string& base = type.base;
        if (base == "double") return pick({"12.5", "0.05", "1.0E1", "3", "99.990", "0.1"});
        if (base == "boolean") return pick({"true", "false", "1", "0"});
        if (base == "dateTime") {
            return pick({"2021-03-04T23:30:00-05:00", "2020-06-03T14:30:00",
                         "2019-12-31T08:15:00.250Z", "2020-02-29T00:00:00+01:00"});
        }
        if (base == "duration") return pick({"P30D", "P1M", "PT48H", "P1Y2M3DT4H5M6.5S", "P0D"});
        if (base == "base64Binary") return pick({"JVBERi0xLjQK", "iVBO\nRw0KGgo="});
        if (base == "anyURI") return "https://example.org/d/" + std::to_string(k) + "?a=1&b=2";
        if (kNumbers.count(base)) {  // the integers
            std::string min = facet("minInclusive") + facet("minExclusive");
            long long low = min.empty() ? 0 : std::stoll(min);
            long long value = low + (k * 7919LL) % 60000 + (low == 0 ? 1 : 0);
            if (base == "long" && k % 2) return "-" + std::to_string(value);
            return (k % 3 == 0 ? "0" : "") + std::to_string(value);
        }
        int max_length = facet("maxLength").empty() ? -1 : std::stoi(facet("maxLength"));
        if (max_length > 0 && max_length <= 3) return pick({"01", "A", "7B", "002"});
        std::string text = name + " " + std::to_string(k);
        if (k % 2) text = "Zürich & <\"Ä\"> " + text;
        if (max_length > 0 && static_cast<int>(text.size()) > max_length) {
            text = name.substr(0, static_cast<size_t>(max_length));
        }
        return text;
    }

    int variant_;
    Fill fill_;
    std::minstd_rand random_{static_cast<unsigned>(variant_)};
    std::map<std::string, int> counts_;
};

// ---------------------------------------------------------------------------
// Documents as flat lists of values.

// A document as its values by indexed path: "request/payload[0]@storno"
// for an attribute, the element's path for its text.
using FlatDocument = std::map<std::string, std::string>;

std::string Canonical(const ValueType* type, const std::string& value) {
    if (type == nullptr || type->base.empty()) return value;
    const std::string& base = type->base;
    std::string trimmed(invoice_xml::Trim(value));
    invoice::Decimal number;
    if (kNumbers.count(base) && invoice_xml::ParseNumber(value, &number)) return number.ToString();
    if (base == "boolean") return trimmed == "1" ? "true" : trimmed == "0" ? "false" : trimmed;
    if (base == "dateTime") {
        invoice::DateTime date;
        return invoice_xml::ParseDateTime(value, &date) ? invoice_xml::FormatDateTime(date) : value;
    }
    if (base == "base64Binary") {
        std::string out;
        for (char c : value) {
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t') out += c;
        }
        return out;
    }
    if (base == "NMTOKEN" || base == "anyURI" || base == "duration") return trimmed;
    return value;
}

// Adds the values under `node` to *out, and the places it uses to *places.
void Flatten(const Schema& schema, const xmlNode* node, const std::string& path,
             const std::string& place, FlatDocument* out, std::set<std::string>* places) {
    const ElementDecl* decl = schema.Find(place);
    std::map<std::string, const AttributeDecl*> declared;
    for (size_t i = 0; decl != nullptr && i < decl->attributes.size(); ++i)
        declared[decl->attributes[i].name] = &decl->attributes[i];
    places->insert(place);
    for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
        if (attr->ns != nullptr) continue;  // xsi:schemaLocation
        xmlChar* value = xmlNodeListGetString(node->doc, attr->children, 1);
        std::string name = reinterpret_cast<const char*>(attr->name);
        auto found = declared.find(name);
        (*out)[path + "@" + name] =
            Canonical(found != declared.end() ? &found->second->type : nullptr,
                      value ? reinterpret_cast<char*>(value) : "");
        places->insert(place + "@" + name);
        xmlFree(value);
    }
    for (const auto& [name, a] : declared) {
        if (!a->default_value.empty())
            out->emplace(path + "@" + name, Canonical(&a->type, a->default_value));
    }
    std::string text;
    std::map<std::string, int> seen;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            text += reinterpret_cast<const char*>(child->content);
        }
        if (child->type != XML_ELEMENT_NODE) continue;
        std::string name = reinterpret_cast<const char*>(child->name);
        Flatten(schema, child, path + "/" + name + "[" + std::to_string(seen[name]++) + "]",
                place + "/" + name, out, places);
    }
    (*out)[path] = decl != nullptr && decl->text ? Canonical(&*decl->text, text)
                                                 : std::string(invoice_xml::Trim(text));
}

FlatDocument FlattenText(const Schema& schema, const std::string& xml,
                         std::set<std::string>* places) {
    FlatDocument out;
    xmlDoc* doc =
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    if (doc == nullptr) return out;
    const xmlNode* root = xmlDocGetRootElement(doc);
    std::string name = reinterpret_cast<const char*>(root->name);
    Flatten(schema, root, name, name, &out, places);
    xmlFreeDoc(doc);
    return out;
}

}  // namespace

Schema::Schema(const std::string& xsd_path) {
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(xsd_path.c_str());
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    const auto* request = static_cast<const xmlSchemaElement*>(
        schema != nullptr ? xmlHashLookup(schema->elemDecl, BAD_CAST "request") : nullptr);
    if (request == nullptr) {
        error_ = xsd_path + " cannot be read or declares no request element";
    } else {
        root_ = Element(request);
        Index(root_->name, *root_);
    }
    xmlSchemaFree(schema);
}

const ElementDecl* Schema::Find(const std::string& place) const {
    auto found = elements_.find(place);
    return found == elements_.end() ? nullptr : found->second;
}

void Schema::Index(const std::string& place, const ElementDecl& element) {
    places_.insert(place);
    if (element.foreign) return;
    elements_[place] = &element;
    for (const AttributeDecl& attr : element.attributes) places_.insert(place + "@" + attr.name);
    IndexContent(place, element.content);
}

void Schema::IndexContent(const std::string& place, const Particle& particle) {
    if (particle.kind == Particle::kElement) {
        Index(place + "/" + particle.element->name, *particle.element);
        return;
    }
    for (const Particle& item : particle.items) IndexContent(place, item);
}

std::string MakeDocument(const Schema& schema, int variant, Fill fill) {
    xmlDoc* doc = xmlNewDoc(BAD_CAST "1.0");
    xmlNode* root = xmlNewDocNode(doc, nullptr, BAD_CAST schema.Root().name.c_str(), nullptr);
    xmlDocSetRootElement(doc, root);
    xmlSetNs(root, xmlNewNs(root, BAD_CAST kInvoiceNs, BAD_CAST "invoice"));
    Maker(variant, fill).Make(schema.Root(), root);
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &text, &size, "UTF-8", variant % 2);
    std::string xml(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
    xmlFree(text);
    xmlFreeDoc(doc);
    return xml;
}

std::set<std::string> PlacesOf(const Schema& schema, const std::string& xml) {
    std::set<std::string> places;
    FlattenText(schema, xml, &places);
    return places;
}

std::string Values(const Schema& schema, const std::string& xml, const std::string& own_software) {
    std::set<std::string> places;
    FlatDocument flat = FlattenText(schema, xml, &places);
    std::string lines;
    for (const auto& [key, value] : flat) {
        std::string element = key.substr(0, key.find('@'));
        auto name = flat.find(element + "@name");
        bool own = element.find("/generator[0]/depends_on[") != std::string::npos &&
                   name != flat.end() && name->second == own_software;
        if (!own) lines += key + " = " + value + "\n";
    }
    return lines;
}

namespace {

std::string OccursText(const Particle& p) {
    if (p.min == 1 && p.max == 1) return "";
    return "{" + std::to_string(p.min) + "," + (p.max < 0 ? "n" : std::to_string(p.max)) + "}";
}

// The items of `p`, with those groups spliced in that add nothing: a group of
// the same kind, or of a single item, occurring once.
void Spliced(const Particle& p, std::vector<const Particle*>* items) {
    for (const Particle& item : p.items) {
        bool once = item.min == 1 && item.max == 1 && item.kind != Particle::kElement;
        if (once && (item.kind == p.kind || item.items.size() == 1)) {
            Spliced(item, items);
        } else {
            items->push_back(&item);
        }
    }
}

std::string ModelText(const Particle& p) {
    if (p.kind == Particle::kElement) return p.element->name + OccursText(p);
    std::vector<const Particle*> items;
    Spliced(p, &items);
    // (a){0,1} and (a{0,1}) are both a{0,1}.
    if (items.size() == 1 && p.min == 1 && p.max == 1) return ModelText(*items[0]);
    if (items.size() == 1 && items[0]->min == 1 && items[0]->max == 1) {
        return ModelText(*items[0]) + OccursText(p);
    }
    std::string text;
    for (const Particle* item : items) {
        if (!text.empty()) text += p.kind == Particle::kChoice ? "|" : ",";
        text += ModelText(*item);
    }
    return "(" + text + ")" + OccursText(p);
}

Declared TypeDeclared(const ValueType& type) {
    Declared declared{type.base, ""};
    for (const std::string& value :
         std::set<std::string>(type.enumeration.begin(), type.enumeration.end())) {
        declared.text += " '" + value + "'";
    }
    for (const auto& [facet, value] : type.facets) {
        if (facet == "pattern") {
            declared.pattern = value;
        } else {
            declared.text += " " + facet + "=" + value;
        }
    }
    return declared;
}

}  // namespace

std::map<std::string, Declared> Declarations(const Schema& schema) {
    std::map<std::string, Declared> out;
    for (const std::string& place : schema.Places()) {
        const ElementDecl* decl = schema.Find(place);
        if (decl == nullptr) continue;
        Declared& element = out[place];
        if (decl->text) element = TypeDeclared(*decl->text);
        element.text = ModelText(decl->content) + " text " + element.text +
                       (decl->mixed ? " mixed" : "") + (decl->any_attribute ? " @*" : "");
        for (const AttributeDecl& a : decl->attributes) {
            Declared& attribute = out[place + "@" + a.name] = TypeDeclared(a.type);
            if (a.required) attribute.text += " required";
            if (!a.default_value.empty()) {
                attribute.text +=
                    (a.fixed ? " fixed " : " default ") + Canonical(&a.type, a.default_value);
            }
        }
    }
    return out;
}

std::vector<std::string> PatternProbes(const std::string& pattern) {
    std::vector<std::string> probes;
    for (int k = 0; k < 20; ++k) {
        const std::string text = PatternSample(pattern, k);
        probes.push_back(text);
        for (size_t i = 0; i < text.size(); ++i) {
            for (char c : std::string("09AZa -+>")) {
                probes.push_back(text.substr(0, i) + c + text.substr(i + 1));
            }
            probes.push_back(text.substr(0, i) + text.substr(i + 1));
            probes.push_back(text.substr(0, i + 1) + text.substr(i));
            probes.push_back(text.substr(0, i));
        }
        for (size_t n = 1; n <= 30; ++n) probes.push_back(text + std::string(n, text.back()));
    }
    return probes;
}

}  // namespace schema_walk
