#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <utility>
#include <vector>

// The element tree the XML writer fills (module/xml/xml_writer.h) and its
// text. It holds only what a written request needs: elements of one
// namespace prefix with attributes, text content and child elements, and
// the namespace declarations of the root.
//
// The text is what libxml2 writes for the same tree with
// xmlDocDumpFormatMemoryEnc(..., "UTF-8", format): the XML declaration, then
// with `indent` every element on a line of its own, two spaces per level, an
// element with text on one line; empty elements as "<x/>". Text escapes
// & < > and CR; attribute values also " and TAB, LF, CR. UTF-8 is written as
// it is.
//
// Building a whole 1,000-service invoice costs a fraction of a libxml2 tree:
// no node is allocated on its own and no text is copied twice.
namespace invoice_xml {

class WriteTree {
  public:
    struct Element;

    // The root element `prefix:name`, with `xmlns:prefix="uri"` for each
    // declaration in order, before its attributes.
    WriteTree(const char* prefix, const char* name,
              std::vector<std::pair<const char*, const char*>> namespaces);

    WriteTree(const WriteTree&) = delete;
    WriteTree& operator=(const WriteTree&) = delete;

    Element* Root() { return &elements_.front(); }

    // A new last child `prefix:name` of `parent` (the root's prefix).
    Element* Add(Element* parent, const char* name);
    // The same with text content (written even when empty: "<x></x>").
    Element* AddText(Element* parent, const char* name, std::string text);
    // Sets the attribute `name` (qualified as given, e.g. "xsi:type"):
    // replaces its value when set already, else appends it.
    static void Set(Element* element, const char* name, std::string value);

    // The document text, indented or on one line.
    std::string Text(bool indent) const;

  private:
    void Write(const Element& element, int level, bool indent, std::string* out) const;

    const char* prefix_;
    std::vector<std::pair<const char*, const char*>> namespaces_;
    std::deque<Element> elements_;  // stable addresses; the root first
};

struct WriteTree::Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    bool has_text = false;
    std::string text;
    std::vector<Element*> children;
};

}  // namespace invoice_xml
