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

}  // namespace testing_support
}  // namespace module
