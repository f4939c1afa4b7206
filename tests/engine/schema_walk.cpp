#include "tests/engine/schema_walk.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <functional>

#include "module/xml/xml_common.h"

namespace schema_walk {

namespace {

const char kXs[] = "http://www.w3.org/2001/XMLSchema";
const char kInvoiceNs[] = "http://www.forum-datenaustausch.ch/invoice";

std::string Prop(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, BAD_CAST name);
    std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

std::string Local(const std::string& qname) {
    size_t colon = qname.find(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

bool IsXs(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
           xmlStrEqual(node->ns->href, BAD_CAST kXs) &&
           (name == nullptr || xmlStrEqual(node->name, BAD_CAST name));
}

int Occurs(const xmlNode* node, const char* name) {
    std::string value = Prop(node, name);
    if (value.empty()) return 1;
    return value == "unbounded" ? -1 : std::stoi(value);
}

// Reads the named types of the schema document and builds declarations.
class Reader {
  public:
    explicit Reader(const xmlNode* root) {
        for (const xmlNode* node = root->children; node; node = node->next) {
            if (IsXs(node, "complexType")) complex_[Prop(node, "name")] = node;
            if (IsXs(node, "simpleType")) simple_[Prop(node, "name")] = node;
            if (IsXs(node, "element")) elements_[Prop(node, "name")] = node;
            if (IsXs(node, "group")) groups_[Prop(node, "name")] = node;
            if (IsXs(node, "attributeGroup")) attribute_groups_[Prop(node, "name")] = node;
        }
    }

    std::shared_ptr<ElementDecl> Element(const xmlNode* node) {
        auto decl = std::make_shared<ElementDecl>();
        std::string ref = Prop(node, "ref");
        if (!ref.empty()) {  // ds:Signature, xenc:EncryptedData
            decl->name = Local(ref);
            decl->foreign = true;
            return decl;
        }
        decl->name = Prop(node, "name");
        std::string type = Prop(node, "type");
        if (!type.empty() && complex_.count(Local(type)) && type.find(':') != std::string::npos) {
            Complex(complex_[Local(type)], decl.get());
        } else if (!type.empty()) {
            decl->text = TypeNamed(type);
        }
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (IsXs(child, "complexType")) Complex(child, decl.get());
            if (IsXs(child, "simpleType")) decl->text = Simple(child);
        }
        return decl;
    }

    const xmlNode* GlobalElement(const std::string& name) { return elements_[name]; }

  private:
    // The content and attributes of a complex type, an attribute group or
    // an extension's own part.
    void Complex(const xmlNode* type, ElementDecl* decl) {
        decl->mixed = decl->mixed || Prop(type, "mixed") == "true";
        for (const xmlNode* child = type->children; child; child = child->next) {
            decl->any_attribute = decl->any_attribute || IsXs(child, "anyAttribute");
            if (IsXs(child, "sequence") || IsXs(child, "choice")) decl->content = Group(child);
            if (IsXs(child, "group")) decl->content = GroupRef(child);
            if (IsXs(child, "attribute")) decl->attributes.push_back(Attribute(child));
            if (IsXs(child, "attributeGroup"))
                Complex(Named(attribute_groups_, child, "ref"), decl);
            if (IsXs(child, "complexContent")) Extension(child, decl);
            if (IsXs(child, "simpleContent")) {
                for (const xmlNode* ext = child->children; ext; ext = ext->next) {
                    if (!IsXs(ext, "extension")) continue;
                    decl->text = TypeNamed(Prop(ext, "base"));
                    for (const xmlNode* a = ext->children; a; a = a->next) {
                        if (IsXs(a, "attribute")) decl->attributes.push_back(Attribute(a));
                    }
                }
            }
        }
    }

    // The base type's content followed by the extension's own.
    void Extension(const xmlNode* complexContent, ElementDecl* decl) {
        for (const xmlNode* ext = complexContent->children; ext; ext = ext->next) {
            if (!IsXs(ext, "extension")) continue;
            Complex(Named(complex_, ext, "base"), decl);
            Particle base = decl->content;
            decl->content = Particle();
            Complex(ext, decl);
            if (decl->content.items.empty()) {
                decl->content = base;
            } else if (!base.items.empty()) {
                decl->content = Particle{Particle::kSequence, 1, 1, {base, decl->content}, nullptr};
            }
        }
    }

    // The named group a reference stands for, with the reference's occurrence.
    Particle GroupRef(const xmlNode* ref) {
        Particle group;
        for (const xmlNode* child = Named(groups_, ref, "ref")->children; child;
             child = child->next) {
            if (IsXs(child, "sequence") || IsXs(child, "choice")) group = Group(child);
        }
        int max = Occurs(ref, "maxOccurs");
        group.min *= Occurs(ref, "minOccurs");
        group.max = group.max < 0 || max < 0 ? -1 : group.max * max;
        return group;
    }

    static const xmlNode* Named(std::map<std::string, const xmlNode*>& map, const xmlNode* node,
                                const char* attribute) {
        return map[Local(Prop(node, attribute))];
    }

    Particle Group(const xmlNode* node) {
        Particle group;
        group.kind = IsXs(node, "choice") ? Particle::kChoice : Particle::kSequence;
        group.min = Occurs(node, "minOccurs");
        group.max = Occurs(node, "maxOccurs");
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (IsXs(child, "sequence") || IsXs(child, "choice"))
                group.items.push_back(Group(child));
            if (IsXs(child, "group")) group.items.push_back(GroupRef(child));
            if (IsXs(child, "any")) {  // elements of any name, never made
                group.items.push_back(Particle{Particle::kElement,
                                               Occurs(child, "minOccurs"),
                                               Occurs(child, "maxOccurs"),
                                               {},
                                               std::make_shared<ElementDecl>()});
                group.items.back().element->name = "*";
                group.items.back().element->foreign = true;
            }
            if (!IsXs(child, "element")) continue;
            Particle item;
            item.kind = Particle::kElement;
            item.min = Occurs(child, "minOccurs");
            item.max = Occurs(child, "maxOccurs");
            item.element = Element(child);
            group.items.push_back(item);
        }
        return group;
    }

    AttributeDecl Attribute(const xmlNode* node) {
        AttributeDecl attr;
        attr.name = Prop(node, "name");
        attr.required = Prop(node, "use") == "required";
        attr.default_value = Prop(node, "default") + Prop(node, "fixed");
        attr.fixed = !Prop(node, "fixed").empty();
        std::string type = Prop(node, "type");
        if (!type.empty()) attr.type = TypeNamed(type);
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (IsXs(child, "simpleType")) attr.type = Simple(child);
        }
        return attr;
    }

    // A built-in type, or a simple type of this schema ("invoice:...").
    ValueType TypeNamed(const std::string& qname) {
        if (qname.find(':') != std::string::npos && simple_.count(Local(qname))) {
            return Simple(simple_[Local(qname)]);
        }
        ValueType type;
        type.base = Local(qname);
        return type;
    }

    ValueType Simple(const xmlNode* node) {
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (!IsXs(child, "restriction")) continue;
            ValueType type = TypeNamed(Prop(child, "base"));
            std::string patterns;
            for (const xmlNode* facet = child->children; facet; facet = facet->next) {
                if (!IsXs(facet, nullptr)) continue;
                std::string name = reinterpret_cast<const char*>(facet->name);
                std::string value = Prop(facet, "value");
                if (name == "pattern") {
                    patterns += (patterns.empty() ? "" : "|") + value;
                } else if (name != "enumeration") {
                    type.facets[name] = value;
                }
                if (name == "enumeration") type.enumeration.push_back(value);
                if (name == "pattern") type.pattern = value;
                if (name == "maxLength") type.max_length = std::stoi(value);
                if (name == "minInclusive" || name == "minExclusive") type.min_inclusive = value;
            }
            if (!patterns.empty()) {
                std::string& all = type.facets["pattern"];
                all = all.empty() ? patterns : all + " && " + patterns;
            }
            return type;
        }
        return ValueType{"string", {}, "", -1, "", {}};
    }

    std::map<std::string, const xmlNode*> complex_;
    std::map<std::string, const xmlNode*> simple_;
    std::map<std::string, const xmlNode*> elements_;
    std::map<std::string, const xmlNode*> groups_;
    std::map<std::string, const xmlNode*> attribute_groups_;
};

// ---------------------------------------------------------------------------
// Sample values.

std::string Digits(long long value, int width) {
    char text[40];
    std::snprintf(text, sizeof(text), "%0*lld", width, value);
    return text;
}

// Values for the patterns of the schema, by the pattern's text.
const std::map<std::string, std::function<std::string(int)>>& PatternSamples() {
    static const std::map<std::string, std::function<std::string(int)>> samples = {
        {"([0-9]{13})", [](int k) { return "7601" + Digits(1000 + k, 9); }},
        {"([A-Z][0-9]{6})", [](int k) { return std::string(1, 'A' + k % 26) + Digits(k, 6); }},
        {"[0-9]{1,7}", [](int k) { return Digits(k % 2 ? 7 : 1234567, 1); }},
        {"[0-9]{4,10}|[1-9][0-9]{10}|756[0-9]{10}|438[0-9]{10}",
         [](int k) { return k % 2 ? "756" + Digits(k, 10) : Digits(k, 4); }},
        {"01-[1-9][0-9]{0,5}-[0-9]",
         [](int k) { return "01-" + std::to_string(1 + k % 99999) + "-" + Digits(k % 10, 1); }},
        {"([0-9] [0-9]{5} [0-9]{5} [0-9]{5}|[0-9]{2} [0-9]{5} [0-9]{5} [0-9]{5} [0-9]{5} "
         "[0-9]{5})",
         [](int k) {
             return k % 2 ? "1 23456 78901 2345" + Digits(k % 10, 1)
                          : "21 00000 00003 13947 14300 0901" + Digits(k % 10, 1);
         }},
        {"(01[0-9]{11}>[0-9]{16}\\+ [0-9]{9}>|042>[0-9]{16}\\+ [0-9]{9}>|01[0-9]{11}>[0-9]{27}\\+ "
         "[0-9]{9}>|042>[0-9]{27}\\+ [0-9]{9}>)",
         [](int k) {
             return k % 2 ? "042>" + Digits(k, 16) + "+ 010001628>"
                          : "01" + Digits(1234 + k, 11) + ">" + Digits(k, 27) + "+ 010001628>";
         }},
        {"[0-9]{2}-[0-9]{1,6}-[0-9]", [](int k) { return "30-00" + Digits(k, 4) + "-6"; }},
        {"(LI|CH)[0-9]{7}[0-9A-Z]{12}",
         [](int k) { return (k % 2 ? "LI21" : "CH44") + Digits(k, 5) + "A1B2C3D4E5F6"; }},
        {"[0-9A-Z]{10}", [](int k) { return "AB" + Digits(k, 4) + "CD01"; }},
        {"([0-9]{27}\\+ 07[0-9]{7}>|[0-9]{9}>)",
         [](int k) {
             return k % 2 ? Digits(k, 9) + ">" : Digits(k, 27) + "+ 07" + Digits(k, 7) + ">";
         }},
        {"[0-9]{9}>", [](int k) { return Digits(100000000 + k, 9) + ">"; }},
        {"[0-9]{27}|RF[0-9]{2}[0-9A-Z]{1,21}",
         [](int k) { return k % 2 ? "RF18539007547034" : Digits(k, 27); }},
        {"([0-9]{14}|[0-9]{10}|[0-9]{9}|[0-9]{6})", [](int k) { return Digits(k, 6); }},
        {"[0-9A-Z]{3}", [](int k) { return k % 2 ? "4A2" : Digits(k % 1000, 3); }},
        {"(application/pdf|image/jpeg|image/png)",
         [](int k) {
             const char* types[] = {"application/pdf", "image/jpeg", "image/png"};
             return std::string(types[k % 3]);
         }},
        {".+@.+", [](int k) { return "p" + std::to_string(k) + "@example.ch"; }},
    };
    return samples;
}

// Makes the elements and values of one document.
class Maker {
  public:
    Maker(int variant, Fill fill) : variant_(variant), fill_(fill) {}

    void Element(const ElementDecl& decl, xmlNode* parent, xmlDoc* doc) {
        xmlNode* node = xmlNewNode(nullptr, BAD_CAST decl.name.c_str());
        if (parent == nullptr) {
            xmlDocSetRootElement(doc, node);
            ns_ = xmlNewNs(node, BAD_CAST kInvoiceNs, BAD_CAST "invoice");
        } else {
            xmlAddChild(parent, node);
        }
        xmlSetNs(node, ns_);
        for (const AttributeDecl& attr : decl.attributes) {
            if (!attr.required && !fill_.optional_attributes) continue;
            std::string value = attr.fixed ? attr.default_value : Value(attr.type, attr.name);
            xmlSetProp(node, BAD_CAST attr.name.c_str(), BAD_CAST value.c_str());
        }
        if (decl.text) xmlNodeAddContent(node, BAD_CAST Value(*decl.text, decl.name).c_str());
        Content(decl.content, node, doc);
    }

    std::string error;

  private:
    void Content(const Particle& particle, xmlNode* node, xmlDoc* doc) {
        int times = Times(particle);
        for (int i = 0; i < times; ++i) {
            if (particle.kind == Particle::kElement) {
                Element(*particle.element, node, doc);
            } else if (particle.kind == Particle::kSequence || particle.max != 1) {
                // a sequence, or a repeated choice: every branch
                for (const Particle& item : particle.items) Content(item, node, doc);
            } else {
                Content(Branch(particle), node, doc);
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
        // mix branches along the document, by a fixed scramble.
        uint64_t index = static_cast<uint64_t>(variant_);
        if (variant_ >= 6) {  // splitmix64 of variant and choice number
            index = (index << 32 | static_cast<uint64_t>(choices_)) + 0x9e3779b97f4a7c15u;
            index = (index ^ (index >> 30)) * 0xbf58476d1ce4e5b9u;
            index = (index ^ (index >> 27)) * 0x94d049bb133111ebu;
            index ^= index >> 31;
        }
        ++choices_;
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
        if (!type.pattern.empty()) {
            auto sample = PatternSamples().find(type.pattern);
            if (sample != PatternSamples().end()) return sample->second(k);
            error += "no sample value for the pattern " + type.pattern + "\n";
            return "";
        }
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
        if (base == "int" || base == "long" || base == "unsignedInt" || base == "unsignedShort" ||
            base == "unsignedLong") {
            long long low = type.min_inclusive.empty() ? 0 : std::stoll(type.min_inclusive);
            long long value = low + (k * 7919LL) % 60000 + (low == 0 ? 1 : 0);
            if (base == "long" && k % 2) return "-" + std::to_string(value);
            return (k % 3 == 0 ? "0" : "") + std::to_string(value);
        }
        if (type.max_length > 0 && type.max_length <= 3) return pick({"01", "A", "7B", "002"});
        std::string text = name + " " + std::to_string(k);
        if (k % 2) text = "Zürich & <\"Ä\"> " + text;
        if (type.max_length > 0 && static_cast<int>(text.size()) > type.max_length) {
            text = name.substr(0, static_cast<size_t>(type.max_length));
        }
        return text;
    }

    int variant_;
    Fill fill_;
    int choices_ = 0;
    xmlNs* ns_ = nullptr;
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
    if (base == "double" || base == "decimal") {
        invoice::Decimal number;
        return invoice_xml::ParseNumber(value, &number) ? number.ToString() : value;
    }
    if (base == "int" || base == "long" || base == "unsignedInt" || base == "unsignedShort" ||
        base == "unsignedLong") {
        int64_t number = 0;
        return invoice_xml::ParseInteger(value, INT64_MIN, INT64_MAX, &number)
                   ? std::to_string(number)
                   : value;
    }
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
    xmlDoc* doc = xmlReadFile(xsd_path.c_str(), nullptr, XML_PARSE_NONET);
    if (doc == nullptr) {
        error_ = xsd_path + " cannot be read";
        return;
    }
    Reader reader(xmlDocGetRootElement(doc));
    const xmlNode* request = reader.GlobalElement("request");
    if (request == nullptr) {
        error_ = xsd_path + " declares no request element";
    } else {
        root_ = reader.Element(request);
        Index(root_->name, *root_);
    }
    xmlFreeDoc(doc);
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

std::string MakeDocument(const Schema& schema, int variant, Fill fill, std::string* error) {
    xmlDoc* doc = xmlNewDoc(BAD_CAST "1.0");
    Maker maker(variant, fill);
    maker.Element(schema.Root(), nullptr, doc);
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &text, &size, "UTF-8", variant % 2);
    std::string xml(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
    xmlFree(text);
    xmlFreeDoc(doc);
    *error = maker.error;
    return maker.error.empty() ? xml : std::string();
}

std::set<std::string> PlacesOf(const Schema& schema, const std::string& xml) {
    std::set<std::string> places;
    FlattenText(schema, xml, &places);
    return places;
}

std::string Differences(const Schema& schema, const std::string& before, const std::string& after,
                        const std::string& own_software) {
    std::set<std::string> places;
    FlatDocument in = FlattenText(schema, before, &places);
    FlatDocument out = FlattenText(schema, after, &places);
    std::string lines;
    for (const auto& [key, value] : in) {
        auto other = out.find(key);
        if (other == out.end()) {
            lines += key + " is lost\n";
        } else if (other->second != value) {
            lines += key + " '" + value + "' / '" + other->second + "'\n";
        }
    }
    for (const auto& [key, value] : out) {
        std::string element = key.substr(0, key.find('@'));
        auto name = out.find(element + "@name");
        bool own = element.find("/generator[0]/depends_on[") != std::string::npos &&
                   name != out.end() && name->second == own_software;
        if (!in.count(key) && !own) lines += key + " is added\n";
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
            std::string given = a.default_value.empty() ? "" : Canonical(&a.type, a.default_value);
            attribute.text += std::string(a.required ? " required" : "") +
                              (a.fixed         ? " fixed "
                               : given.empty() ? ""
                                               : " default ") +
                              given;
        }
    }
    return out;
}

std::vector<std::string> PatternProbes(const std::string& pattern) {
    std::vector<std::string> probes;
    auto sample = PatternSamples().find(pattern);
    for (int k = 0; sample != PatternSamples().end() && k < 20; ++k) {
        const std::string text = sample->second(k);
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
    for (size_t n = 0; n <= 30; ++n) {
        for (char c : std::string("017A")) probes.push_back(std::string(n, c));
        probes.push_back(n == 0 ? "" : "1" + std::string(n - 1, '0'));
    }
    return probes;
}

}  // namespace schema_walk
