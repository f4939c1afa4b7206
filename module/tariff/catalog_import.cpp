#include "module/tariff/catalog_import.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "module/tariff/catalog_csv.h"
#include "module/tariff/catalog_file.h"

namespace tariff {

namespace {

// Makes every exclusion mutual and the same for all versions of a code.
void JoinExclusions(std::vector<CatalogEntry>* entries) {
    std::map<std::pair<std::string, std::string>, std::set<std::string>> excluded;
    for (const CatalogEntry& entry : *entries) {
        for (const std::string& other : entry.exclusive) {
            excluded[{entry.tariff_type, entry.code}].insert(other);
            excluded[{entry.tariff_type, other}].insert(entry.code);
        }
    }
    for (CatalogEntry& entry : *entries) {
        auto found = excluded.find({entry.tariff_type, entry.code});
        if (found == excluded.end()) continue;
        entry.exclusive.assign(found->second.begin(), found->second.end());
    }
}

}  // namespace

std::string ImportCatalog(const std::string& csvPath, const std::string& dbPath,
                          std::string* summary) {
    std::ifstream in(csvPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) return csvPath + ": cannot be read";
    std::vector<CatalogEntry> entries;
    std::string error = ParseCatalogCsv(text.str(), &entries);
    if (!error.empty()) return csvPath + ": " + error;
    JoinExclusions(&entries);
    error = WriteCatalogFile(entries, dbPath);
    if (!error.empty()) return error;
    std::set<std::string> types;
    for (const CatalogEntry& entry : entries) types.insert(entry.tariff_type);
    std::string names;
    for (const std::string& type : types) names += (names.empty() ? "" : ", ") + type;
    *summary = std::to_string(entries.size()) + " code versions of the tariff types " +
               (names.empty() ? "(none)" : names);
    return std::string();
}

}  // namespace tariff
