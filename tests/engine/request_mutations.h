#pragma once

// Test support: edits of the sample documents. An edit whose anchor text is
// missing returns a text containing "not found:", so an edit never silently
// leaves the document unchanged.

#include <string>
#include <vector>

namespace module {
namespace testing_support {

// `xml` with the first `from` replaced by `to`.
std::string Replace(std::string xml, const std::string& from, const std::string& to);

// `xml` with every `from` replaced by `to`.
std::string ReplaceAll(std::string xml, const std::string& from, const std::string& to);

}  // namespace testing_support
}  // namespace module
