#pragma once

// Test support: edits of the valid 4.50 sample, each with the verdict the
// published schema gives on the result. Edits whose anchor text is missing
// return a text containing "not found:", so an edit never silently leaves
// the document unchanged.

#include <functional>
#include <string>
#include <vector>

namespace module {
namespace testing_support {

// `xml` with the first `from` replaced by `to`.
std::string Replace(std::string xml, const std::string& from, const std::string& to);

// `xml` with every `from` replaced by `to`.
std::string ReplaceAll(std::string xml, const std::string& from, const std::string& to);

// The first element `tag` (qualified name) with all its content, or "".
std::string ElementText(const std::string& xml, const std::string& tag);

// `xml` with `count` more service records of tariff type `tariffType`.
std::string WithServiceRecords(const std::string& xml, int count, const std::string& tariffType);

struct Mutation {
    const char* name;
    std::function<std::string(const std::string&)> edit;
    bool valid;  // the published schema's verdict on the result
};

// Edits of the valid sample that the agreement test makes besides comparing
// the two schemas place by place.
std::vector<Mutation> Mutations();

}  // namespace testing_support
}  // namespace module
