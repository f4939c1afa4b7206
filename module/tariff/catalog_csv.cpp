#include "module/tariff/catalog_csv.h"

#include <algorithm>
#include <map>
#include <utility>

#include "module/checks/check_dates.h"
#include "module/checks/check_result.h"
#include "module/checks/value_checks.h"

namespace tariff {

const char kCatalogCsvHeader[] =
    "tariff_type,code,valid_from,valid_to,text,unit_mt,unit_tt,max_per_session,sex,min_age,"
    "max_age,dignity,token,side_required,exclusive,laws";

namespace {

enum Field {
    kTariffType,
    kCode,
    kValidFrom,
    kValidTo,
    kText,
    kUnitMt,
    kUnitTt,
    kMaxPerSession,
    kSex,
    kMinAge,
    kMaxAge,
    kDignity,
    kToken,
    kSideRequired,
    kExclusive,
    kLaws,
    kFieldCount
};

constexpr int kMaxAgeYears = 150;

// Splits one line at the commas outside double quotes; "" inside quotes is
// one quote. False with the reason in *error for a stray or open quote.
bool SplitFields(std::string_view line, std::vector<std::string>* fields, std::string* error) {
    fields->assign(1, std::string());
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i++];
        if (c == ',') {
            fields->emplace_back();
        } else if (c != '"') {
            fields->back() += c;
        } else if (!fields->back().empty()) {
            *error = "a double quote inside an unquoted field (field " +
                     std::to_string(fields->size()) + ")";
            return false;
        } else {
            bool closed = false;
            while (i < line.size() && !closed) {
                if (line[i] != '"') {
                    fields->back() += line[i++];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    fields->back() += '"';
                    i += 2;
                } else {
                    closed = true;
                    ++i;
                }
            }
            if (!closed) {
                *error =
                    "a quoted field is not closed (field " + std::to_string(fields->size()) + ")";
                return false;
            }
            if (i < line.size() && line[i] != ',') {
                *error =
                    "text after the closing quote (field " + std::to_string(fields->size()) + ")";
                return false;
            }
        }
    }
    return true;
}

// YYYY-MM-DD naming a day of the calendar.
bool IsDay(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    int month = std::stoi(text.substr(5, 2));
    int day = std::stoi(text.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    return checks::DateText(checks::DateSerial(std::stoi(text.substr(0, 4)), month, day)) == text;
}

// Converts the fields of one line into an entry; the first failure wins and
// later calls do nothing.
class FieldReader {
  public:
    explicit FieldReader(const std::vector<std::string>& fields) : fields_(fields) {}

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    void Check(Field field, const checks::CheckResult& result) {
        if (ok() && !result.ok) Fail(field, result.rule);
    }
    void Fail(Field field, const std::string& rule) {
        if (ok()) error_ = Name(field) + " " + rule;
    }
    const std::string& Text(Field field, size_t minChars, size_t maxChars) {
        Check(field, checks::CheckText(fields_[field], minChars, maxChars));
        return fields_[field];
    }
    std::string Day(Field field, bool optional) {
        const std::string& text = fields_[field];
        if (!(optional && text.empty()) && !IsDay(text)) {
            Fail(field, checks::Quote(text) + " is not a day YYYY-MM-DD");
        }
        return text;
    }
    invoice::Decimal Number(Field field) {
        invoice::Decimal value;
        if (!invoice::Decimal::Parse(fields_[field], &value) || value.IsNegative()) {
            Fail(field, checks::Quote(fields_[field]) + " is not a number of 0 or more");
        }
        return value;
    }
    std::optional<int> Age(Field field) {
        const std::string& text = fields_[field];
        if (text.empty()) return std::nullopt;
        bool digits = text.size() <= 3 && std::all_of(text.begin(), text.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || std::stoi(text) > kMaxAgeYears) {
            Fail(field, checks::Quote(text) + " is not whole years from 0 to 150");
            return std::nullopt;
        }
        return std::stoi(text);
    }
    const std::string& operator[](Field field) const { return fields_[field]; }

  private:
    static std::string Name(Field field) {
        static const std::vector<std::string> names = SplitNames();
        return names[field];
    }
    static std::vector<std::string> SplitNames() {
        std::vector<std::string> names;
        std::string header = kCatalogCsvHeader;
        size_t start = 0;
        for (size_t comma; (comma = header.find(',', start)) != std::string::npos;
             start = comma + 1) {
            names.push_back(header.substr(start, comma - start));
        }
        names.push_back(header.substr(start));
        return names;
    }

    const std::vector<std::string>& fields_;
    std::string error_;
};

void ReadToken(FieldReader* reader, CatalogEntry* entry) {
    entry->token = (*reader)[kToken];
    if (entry->token.empty()) return;
    size_t equals = entry->token.find('=');
    std::string name = entry->token.substr(0, equals);
    reader->Check(kToken, checks::CheckText(name, 1, 100));
    if (equals != std::string::npos) {
        reader->Check(kToken, checks::CheckText(entry->token.substr(equals + 1), 0, 700));
    }
}

void ReadLimits(FieldReader* reader, CatalogEntry* entry) {
    if (!(*reader)[kMaxPerSession].empty()) {
        entry->max_per_session = reader->Number(kMaxPerSession);
        if (reader->ok() && entry->max_per_session->IsZero()) {
            reader->Fail(kMaxPerSession, "must be above 0 (empty for no limit)");
        }
    }
    const std::string& sex = (*reader)[kSex];
    if (sex == "M") entry->sex = invoice::SexType::kMale;
    if (sex == "F") entry->sex = invoice::SexType::kFemale;
    if (!sex.empty() && !entry->sex) reader->Fail(kSex, checks::Quote(sex) + " is not M or F");
    entry->min_age = reader->Age(kMinAge);
    entry->max_age = reader->Age(kMaxAge);
    if (entry->min_age && entry->max_age && *entry->min_age > *entry->max_age) {
        reader->Fail(kMinAge, std::to_string(*entry->min_age) + " is above max_age " +
                                  std::to_string(*entry->max_age));
    }
}

void ReadLists(FieldReader* reader, CatalogEntry* entry) {
    const std::string& side = (*reader)[kSideRequired];
    if (side != "0" && side != "1")
        reader->Fail(kSideRequired, checks::Quote(side) + " is not 0 or 1");
    entry->side_required = side == "1";
    entry->exclusive = SplitList((*reader)[kExclusive]);
    for (const std::string& code : entry->exclusive) {
        reader->Check(kExclusive, checks::CheckText(code, 1, 30));
        if (code == entry->code) reader->Fail(kExclusive, "names the code itself");
    }
    std::string why;
    if (!ParseLaws((*reader)[kLaws], &entry->laws, &why)) reader->Fail(kLaws, why);
}

// One data line into *entry; "" or the reason.
std::string ParseLine(std::string_view line, CatalogEntry* entry) {
    std::vector<std::string> fields;
    std::string error;
    if (!SplitFields(line, &fields, &error)) return error;
    if (fields.size() != kFieldCount) {
        return std::to_string(fields.size()) + " fields where the header has " +
               std::to_string(kFieldCount);
    }
    FieldReader reader(fields);
    reader.Check(kTariffType, checks::CheckTariffType(fields[kTariffType]));
    entry->tariff_type = fields[kTariffType];
    entry->code = reader.Text(kCode, 1, 30);
    if (entry->code.find('|') != std::string::npos) reader.Fail(kCode, "may not hold '|'");
    entry->valid_from = reader.Day(kValidFrom, false);
    entry->valid_to = reader.Day(kValidTo, true);
    if (reader.ok() && !entry->valid_to.empty() && entry->valid_to < entry->valid_from) {
        reader.Fail(kValidTo, entry->valid_to + " is before valid_from " + entry->valid_from);
    }
    entry->text = reader.Text(kText, 1, 350);
    entry->unit_mt = reader.Number(kUnitMt);
    entry->unit_tt = reader.Number(kUnitTt);
    ReadLimits(&reader, entry);
    entry->dignity = reader.Text(kDignity, 0, 35);
    ReadToken(&reader, entry);
    ReadLists(&reader, entry);
    return reader.error();
}

bool Overlap(const CatalogEntry& a, const CatalogEntry& b) {
    return a.ValidOn(b.valid_from) || b.ValidOn(a.valid_from);
}

// The checks across lines: versions that overlap, exclusions of unknown
// codes. `lines` holds the line number of each entry.
std::string CheckAcrossLines(const std::vector<CatalogEntry>& entries,
                             const std::vector<size_t>& lines) {
    std::map<std::pair<std::string, std::string>, std::vector<size_t>> versions;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::vector<size_t>& earlier = versions[{entries[i].tariff_type, entries[i].code}];
        for (size_t j : earlier) {
            if (!Overlap(entries[i], entries[j])) continue;
            return "line " + std::to_string(lines[i]) + ": " + entries[i].tariff_type + " " +
                   entries[i].code + " " + PeriodText(entries[i]) + " overlaps its version " +
                   PeriodText(entries[j]) + " of line " + std::to_string(lines[j]);
        }
        earlier.push_back(i);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        for (const std::string& code : entries[i].exclusive) {
            if (versions.count({entries[i].tariff_type, code}) != 0) continue;
            return "line " + std::to_string(lines[i]) + ": exclusive code " + checks::Quote(code) +
                   " is not a code of tariff " + entries[i].tariff_type + " in this catalog";
        }
    }
    return std::string();
}

}  // namespace

std::string ParseCatalogCsv(std::string_view text, std::vector<CatalogEntry>* entries) {
    entries->clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<size_t> lines;
    size_t number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string where = "line " + std::to_string(number) + ": ";
        checks::CheckResult utf8 = checks::CheckUtf8(line);
        if (!utf8.ok) return where + utf8.rule;
        if (number == 1) {
            if (line != kCatalogCsvHeader) return where + "the header must be " + kCatalogCsvHeader;
            continue;
        }
        if (line.empty()) continue;
        CatalogEntry entry;
        std::string error = ParseLine(line, &entry);
        if (!error.empty()) return where + error;
        entries->push_back(std::move(entry));
        lines.push_back(number);
    }
    if (number == 0) return std::string("line 1: the header must be ") + kCatalogCsvHeader;
    return CheckAcrossLines(*entries, lines);
}

}  // namespace tariff
