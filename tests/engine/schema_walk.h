#pragma once

// Test support: a request schema (the published one) read as a tree of element
// places, to make documents that use every element and attribute it
// declares, and to compare two documents value by value.
//
// A place is the path of local element names from the root, "request/
// processing/transport", and for an attribute the element's place, "@" and
// its name, "request/processing@print_at_intermediate".

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace schema_walk {

// The simple type of one attribute or text, resolved to its built-in base.
struct ValueType {
    std::string base;  // "string", "double", "dateTime", ...; "" for a foreign element's
    std::vector<std::string> enumeration;
    // Every facet but the enumeration, by name; the patterns of one
    // restriction joined by '|', a base type's and its own by " && ".
    std::map<std::string, std::string> facets;
};

struct AttributeDecl {
    std::string name;
    ValueType type;
    bool required = false;
    std::string default_value;  // the default or fixed value, "" for none
    bool fixed = false;
};

struct ElementDecl;

// A sequence, a choice, or one element of a content model.
struct Particle {
    enum Kind { kElement, kSequence, kChoice };
    Kind kind = kSequence;
    int min = 1;
    int max = 1;  // -1: unbounded
    std::vector<Particle> items;
    std::shared_ptr<ElementDecl> element;
};

struct ElementDecl {
    std::string name;
    bool foreign = false;  // a signature or encrypted data, referred to by name
    std::vector<AttributeDecl> attributes;
    std::optional<ValueType> text;  // simple content
    Particle content;
    bool mixed = false;          // text between the children
    bool any_attribute = false;  // attributes of other names too
};

class Schema {
  public:
    // Compiles the schema file with libxml2 and reads the compiled
    // declarations; Error() says what went wrong, "" when it was read.
    explicit Schema(const std::string& xsd_path);

    const std::string& Error() const { return error_; }
    const ElementDecl& Root() const { return *root_; }
    // Every place of the schema.
    const std::set<std::string>& Places() const { return places_; }
    // The element declared at `place`, null when none is.
    const ElementDecl* Find(const std::string& place) const;

  private:
    void Index(const std::string& place, const ElementDecl& element);
    void IndexContent(const std::string& place, const Particle& particle);

    std::string error_;
    std::shared_ptr<ElementDecl> root_;
    std::set<std::string> places_;
    std::map<std::string, const ElementDecl*> elements_;
};

// What a made document holds besides what the schema requires.
struct Fill {
    bool optional_elements = true;  // and what may repeat, twice
    bool optional_attributes = true;
};

// A document of the schema, without the elements of the signature and
// encryption namespaces. `variant` picks the branch of every choice (variant
// modulo its branches for variants 0 to 5, mixed for the others) and the
// sample values, which differ from place to place.
std::string MakeDocument(const Schema& schema, int variant, Fill fill);

// The places a document uses.
std::set<std::string> PlacesOf(const Schema& schema, const std::string& xml);

// The values of a document, one line each: "request/payload[0]@type = invoice"
// for an attribute, the element's path for its text. Defaults of the schema
// are filled in; values are written by their type (numbers, booleans, dates
// and Base64 by value, texts exactly). A depends_on entry of the generator
// naming `own_software` is left out.
std::string Values(const Schema& schema, const std::string& xml, const std::string& own_software);

// What the schema declares at each place ("request/payload" and
// "request/payload@type"): the content model with groups that add nothing
// flattened, the attributes' use, default and type with its facets. The
// pattern stands apart, since equal patterns can be written differently.
struct Declared {
    std::string text;
    std::string pattern;
};
std::map<std::string, Declared> Declarations(const Schema& schema);

// Texts to tell two patterns apart: samples of the published `pattern` with
// one character changed, dropped or doubled, cut short or lengthened by up to
// 30 characters.
std::vector<std::string> PatternProbes(const std::string& pattern);

}  // namespace schema_walk
