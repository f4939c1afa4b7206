#include "module/tariff/catalog_entry.h"

#include <algorithm>
#include <cctype>

namespace tariff {

std::string LawName(invoice::LawType law) {
    std::string name = invoice::SchemaText(law);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    if (text.empty()) return items;
    size_t start = 0;
    while (true) {
        size_t bar = text.find('|', start);
        items.emplace_back(text.substr(start, bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return items;
}

std::string JoinList(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : "|") + item;
    return text;
}

bool ParseLaws(std::string_view text, std::vector<invoice::LawType>* laws, std::string* error) {
    laws->clear();
    for (const std::string& name : SplitList(text)) {
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        invoice::LawType law = invoice::LawType::kKVG;
        if (lower == name || !invoice::EnumFromSchema(lower, &law)) {
            *error = "\"" + name + "\" is not a law (KVG, UVG, IVG, MVG, VVG or ORG)";
            return false;
        }
        if (std::find(laws->begin(), laws->end(), law) != laws->end()) {
            *error = name + " is named twice";
            return false;
        }
        laws->push_back(law);
    }
    return true;
}

std::string LawsText(const std::vector<invoice::LawType>& laws) {
    std::vector<std::string> names;
    for (invoice::LawType law : laws) names.push_back(LawName(law));
    return JoinList(names);
}

std::string SexText(const std::optional<invoice::SexType>& sex) {
    if (!sex) return std::string();
    return *sex == invoice::SexType::kFemale ? "F" : "M";
}

std::string PeriodText(const CatalogEntry& entry) {
    if (entry.valid_to.empty()) return "from " + entry.valid_from;
    return entry.valid_from + " to " + entry.valid_to;
}

}  // namespace tariff
