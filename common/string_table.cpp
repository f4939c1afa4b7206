#include "common/string_table.h"

#include <map>

#include "common/utf8_text.h"

namespace {

const std::map<int, std::string>& Table() {
    static const std::map<int, std::string> table = {
        {103, "TarvosServer450"},
        {401, "The URI path [%1] is not valid"},
        {402, "The given interface instance [%1::%2] does not exist"},
        {403, "The given interface method [%1::%2] does not exist"},
        {404, "The main interface instance [%1] could not be created"},
        {405, "The <application/json> could not be read correctly"},
        {406, "The content-type <%1> is not allowed - it must be <application/json>"},
        {407, "The given interface method [%1::%2] produced a fatal, undefined error"},
        {408, "The variable [%3] could not be extracted from the JSON of [%1::%2]"},
        {409, "The <application/json> can not be decoded"},
        {410, "The interface address <%1> is undefined or null"},
        {411, "Exclusive access to the COM instance <%1(%2)> was not granted within %3 s "},
        {412, "The given interface method [%1::%2] is NOOP in the rest environment"},
        // Ours: a request body over the configured limit is refused (and thrown away).
        {413, "The request body of %1 bytes exceeds the limit of %2 bytes"},
    };
    return table;
}

constexpr size_t kMaxDescription = 1024;

// Replaces %1..%3 by the inserts; any other '%' sequence is kept as it is.
std::string FormatInserts(const std::string& text, const std::string* inserts[3]) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '3') {
            out += *inserts[text[i + 1] - '1'];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

bool LoadString(int resourceId, std::string* text) {
    auto it = Table().find(resourceId);
    if (it == Table().end()) return false;
    *text = it->second;
    return true;
}

std::string GetErrorDescription(int /*languageSelector*/, int resourceId,
                                const std::string& insert1, const std::string& insert2,
                                const std::string& insert3) {
    std::string text;
    if (!LoadString(resourceId, &text)) {
        return "Error description not found in the string table!\n\n(resourceID = '" +
               std::to_string(resourceId) + "')";
    }
    const std::string* inserts[3] = {&insert1, &insert2, &insert3};
    // Invalid bytes of an insert grow to three when replaced: replace first,
    // then cut, so that the text keeps its bound.
    std::string result = ValidUtf8(FormatInserts(text, inserts));
    result.resize(Utf8CutLength(result, kMaxDescription));
    return result;
}
