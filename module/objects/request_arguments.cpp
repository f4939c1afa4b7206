#include "module/objects/request_arguments.h"

#include <sys/stat.h>
#include <cmath>
#include <ctime>
#include <fstream>

#include "module/checks/check_dates.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/value_checks.h"
#include "module/objects/address_object.h"

void ArgumentCheck::Field(std::string_view field, const checks::CheckResult& result) {
    if (!result.ok) Fail(field, result.rule);
}

void ArgumentCheck::Fail(std::string_view field, const std::string& rule) {
    if (!text_.empty()) return;
    text_ = std::string(method_) + ": " + std::string(field) + " " + rule;
}

void ArgumentCheck::YesNo(std::string_view field, long value, bool* out) {
    invoice::YesNo parsed = invoice::YesNo::kNo;
    Enum(field, value, &parsed);
    if (ok()) *out = invoice::ToBool(parsed);
}

void ArgumentCheck::Number(std::string_view field, double value, double min, double max,
                           invoice::Decimal* out) {
    checks::CheckResult range = checks::CheckRange(value, min, max, "the number");
    if (!range.ok) {
        Fail(field, range.rule);
        return;
    }
    if (!invoice::Decimal::FromDouble(value, out)) {
        Fail(field, "cannot be held as an exact decimal number");
    }
}

void ArgumentCheck::Whole(std::string_view field, long value, long min, long max) {
    if (value < min || value > max) {
        Fail(field, std::to_string(value) + " is outside " + std::to_string(min) + " to " +
                        std::to_string(max));
    }
}

std::optional<invoice::Address> ArgumentCheck::Address(std::string_view field, IAddress* address) {
    if (address == nullptr) return std::nullopt;
    const CAddress* ours = AsAddressImpl(address);
    if (ours == nullptr) {
        Fail(field, "is not an address object of this module");
        return std::nullopt;
    }
    return ours->Snapshot();
}

std::optional<invoice::Address> ArgumentCheck::PersonAddress(std::string_view field,
                                                             IAddress* address) {
    std::optional<invoice::Address> data = Address(field, address);
    if (data && data->type == invoice::AddressType::kCompany) {
        Fail(field, "is a company's address, but the format requires a person here");
    }
    return data;
}

int64_t ArgumentCheck::Timestamp(std::string_view field, long value) {
    if (value == 0) return static_cast<int64_t>(std::time(nullptr));
    Field(field, checks::CheckRequestTimestamp(value));
    return value;
}

std::string ArgumentCheck::EnumRule(const invoice::EnumTable& table, long value) {
    std::string allowed;
    for (size_t i = 0; i < table.count; ++i) {
        if (!allowed.empty()) allowed += ", ";
        allowed += std::to_string(table.entries[i].value);
    }
    return std::to_string(value) + " is not a " + table.name + " value (" + allowed + ")";
}

namespace request_rules {

checks::CheckResult Optional(std::string_view value,
                             checks::CheckResult (*check)(std::string_view)) {
    if (value.empty()) return checks::Passed();
    return check(value);
}

checks::CheckResult OptionalGln(std::string_view value) {
    return Optional(value, checks::CheckGln);
}

checks::CheckResult OptionalSsn(std::string_view value) {
    if (value.empty()) return checks::Passed();
    checks::CheckResult schema = checks::CheckSsn(value);
    if (!schema.ok) return schema;
    if (value.size() == 13 && value.substr(0, 3) == "756") return checks::CheckAhvNumber(value);
    return checks::Passed();
}

checks::CheckResult PaymentReasons(std::string_view value) {
    if (value.empty()) return checks::Passed();
    int lines = 0;
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find('\n', start);
        if (end == std::string_view::npos) end = value.size();
        ++lines;
        if (lines > 4) return checks::Failed("has more than four lines");
        checks::CheckResult line = checks::CheckText(value.substr(start, end - start), 1, 35);
        if (!line.ok) return checks::Failed("line " + std::to_string(lines) + ": " + line.rule);
        start = end + 1;
    }
    return checks::Passed();
}

checks::CheckResult ReadableFile(std::string_view path) {
    if (path.empty()) return checks::Failed("a file is required but none is given");
    std::string name(path);
    struct stat info {};
    if (stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return checks::Failed(checks::Quote(path) + " is not an existing file");
    }
    std::ifstream file(name, std::ios::binary);
    if (!file) return checks::Failed(checks::Quote(path) + " cannot be read");
    return checks::Passed();
}

checks::CheckResult OptionalReadableFile(std::string_view path) {
    return Optional(path, ReadableFile);
}

}  // namespace request_rules
