#include "module/tariff/tariff_rules.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "module/checks/check_dates.h"
#include "module/tariff/catalog_store.h"
#include "platform/ole_date.h"

namespace tariff {

namespace {

using invoice::Decimal;
using invoice::ServiceRecord;

// What every rule looks at.
struct Facts {
    const invoice::InvoiceRequest& request;
    const ServiceRecord& record;
    const ServiceInput* input;  // null for AddService
    const CatalogEntry& entry;
    std::string date;     // the record's begin date, YYYY-MM-DD
    std::string subject;  // "<tariff type> <code>"
};

// A rule: "" when kept, else what is wrong.
using Rule = std::string (*)(const Facts&);

const Decimal& TaxPointTolerance() {
    static const Decimal tolerance = [] {
        Decimal value;
        Decimal::Parse("0.005", &value);
        return value;
    }();
    return tolerance;
}

bool SettledFlatRate(const Facts& facts) {
    return facts.input != nullptr && facts.input->treatment_given &&
           facts.input->data.settlement == invoice::Settlement::kFlatRate;
}

std::string CompareTaxPoints(const Facts& facts, const char* parameter, const Decimal& given,
                             const Decimal& catalog) {
    if ((given - catalog).Abs() <= TaxPointTolerance()) return std::string();
    return facts.subject + ": " + parameter + " " + given.ToString() +
           " differs from the catalog's " + catalog.ToString() + " by more than 0.005";
}

std::string TaxPoints(const Facts& facts) {
    if (facts.record.kind == invoice::ServiceKind::kService) {
        return CompareTaxPoints(facts, "dUnit", facts.record.unit, facts.entry.unit_mt);
    }
    if (SettledFlatRate(facts)) return std::string();
    std::string mt = CompareTaxPoints(facts, "dUnitMT", facts.record.mt.unit, facts.entry.unit_mt);
    if (!mt.empty()) return mt;
    return CompareTaxPoints(facts, "dUnitTT", facts.record.tt.unit, facts.entry.unit_tt);
}

bool SameSession(const ServiceRecord& a, const ServiceRecord& b) {
    return a.session == b.session && a.tariff_type == b.tariff_type;
}

std::string Quantity(const Facts& facts) {
    if (!facts.entry.max_per_session) return std::string();
    Decimal total = facts.record.quantity;
    for (const ServiceRecord& earlier : facts.request.services) {
        if (SameSession(earlier, facts.record) && earlier.code == facts.record.code) {
            total += earlier.quantity;
        }
    }
    if (total <= *facts.entry.max_per_session) return std::string();
    return facts.subject + ": quantity " + total.ToString() + " in session " +
           std::to_string(facts.record.session) + " (" + facts.record.quantity.ToString() +
           " in this record) is above the catalog's maximum of " +
           facts.entry.max_per_session->ToString() + " per session";
}

std::string Exclusive(const Facts& facts) {
    const std::vector<std::string>& excluded = facts.entry.exclusive;
    if (excluded.empty()) return std::string();
    for (const ServiceRecord& earlier : facts.request.services) {
        if (!SameSession(earlier, facts.record)) continue;
        if (std::find(excluded.begin(), excluded.end(), earlier.code) == excluded.end()) continue;
        return facts.subject + " may not stand in session " + std::to_string(facts.record.session) +
               " with " + earlier.tariff_type + " " + earlier.code + " (record " +
               std::to_string(earlier.record_id) + ")";
    }
    return std::string();
}

// The patient the rules look at: the input's when given, else the request's.
struct PatientFacts {
    std::optional<invoice::SexType> sex;
    invoice::OleDate birthdate = 0;
};

PatientFacts PatientOf(const Facts& facts) {
    if (facts.input != nullptr && facts.input->patient_given) {
        return {facts.input->data.sex, facts.input->data.birthdate};
    }
    if (facts.request.patient)
        return {facts.request.patient->sex, facts.request.patient->birthdate};
    return {};
}

const char* PatientSource(const Facts& facts) {
    return facts.input != nullptr ? "SetPatient of the service input or of the request"
                                  : "SetPatient";
}

std::string Sex(const Facts& facts) {
    if (!facts.entry.sex) return std::string();
    const char* wanted = *facts.entry.sex == invoice::SexType::kFemale ? "female" : "male";
    std::optional<invoice::SexType> sex = PatientOf(facts).sex;
    if (sex == facts.entry.sex) return std::string();
    std::string rule = facts.subject + " is for " + wanted + " patients only; ";
    if (!sex) return rule + "the patient's sex is not known (" + PatientSource(facts) + ")";
    return rule + "the patient is " + invoice::SchemaText(*sex);
}

// Whole years from `birth` to `day` (both OLE dates); -1 when unknown.
int AgeInYears(invoice::OleDate birth, invoice::OleDate day) {
    SYSTEMTIME born;
    SYSTEMTIME on;
    if (invoice::IsNoDate(birth) || !VariantTimeToSystemTime(std::floor(birth), &born) ||
        !VariantTimeToSystemTime(std::floor(day), &on)) {
        return -1;
    }
    int years = on.wYear - born.wYear;
    if (on.wMonth < born.wMonth || (on.wMonth == born.wMonth && on.wDay < born.wDay)) --years;
    return years;
}

std::string AgeSpan(const CatalogEntry& entry) {
    if (entry.min_age && entry.max_age) {
        return std::to_string(*entry.min_age) + " to " + std::to_string(*entry.max_age);
    }
    if (entry.min_age) return std::to_string(*entry.min_age) + " or more";
    return "up to " + std::to_string(*entry.max_age);
}

std::string Age(const Facts& facts) {
    const CatalogEntry& entry = facts.entry;
    if (!entry.min_age && !entry.max_age) return std::string();
    int age = AgeInYears(PatientOf(facts).birthdate, facts.record.date_begin);
    if (age >= 0 && (!entry.min_age || age >= *entry.min_age) &&
        (!entry.max_age || age <= *entry.max_age)) {
        return std::string();
    }
    std::string rule = facts.subject + " is for patients aged " + AgeSpan(entry) + "; ";
    if (age < 0)
        return rule + "the patient's birth date is not known (" + PatientSource(facts) + ")";
    return rule + "the patient is " + std::to_string(age) + " on " + facts.date;
}

std::string Law(const Facts& facts) {
    const std::vector<invoice::LawType>& laws = facts.entry.laws;
    if (laws.empty()) return std::string();
    std::optional<invoice::LawType> law;
    if (facts.input != nullptr && facts.input->treatment_given) {
        law = facts.input->data.law;
    } else if (facts.request.law) {
        law = facts.request.law->type;
    }
    if (law && std::find(laws.begin(), laws.end(), *law) != laws.end()) return std::string();
    std::string names = LawsText(laws);
    std::replace(names.begin(), names.end(), '|', ',');
    std::string rule = facts.subject + " is billed under " + names + " only; ";
    if (!law) {
        return rule + "no law is known (SetLaw" +
               (facts.input != nullptr ? ", or SetTreatment of the service input)" : ")");
    }
    return rule + "the law is " + LawName(*law);
}

std::string Canton(const Facts& facts) {
    if (facts.input == nullptr || !facts.input->treatment_given || !facts.request.treatment) {
        return std::string();
    }
    invoice::Canton canton = facts.input->data.canton;
    invoice::Canton treated = facts.request.treatment->canton;
    if (canton == treated) return std::string();
    return facts.subject + ": the service input's canton " + invoice::SchemaText(canton) +
           " differs from the request's treatment canton " + invoice::SchemaText(treated);
}

std::string Dignity(const Facts& facts) {
    if (facts.input == nullptr || facts.entry.dignity.empty()) return std::string();
    const invoice::ServiceExInput& input = facts.input->data;
    for (const invoice::Dignity& dignity : input.dignities) {
        if (dignity.ean == input.provider_ean && dignity.ql_code == facts.entry.dignity) {
            return std::string();
        }
    }
    return facts.subject + " needs the dignity " + facts.entry.dignity + ", which the provider " +
           input.provider_ean + " does not hold (AddDignity)";
}

std::string Token(const Facts& facts) {
    const std::string& wanted = facts.entry.token;
    if (facts.input == nullptr || wanted.empty()) return std::string();
    size_t equals = wanted.find('=');
    std::string name = wanted.substr(0, equals);
    for (const invoice::TokenValue& token : facts.input->data.tokens) {
        if (token.token != name) continue;
        if (equals == std::string::npos || token.value == wanted.substr(equals + 1)) {
            return std::string();
        }
    }
    if (equals == std::string::npos)
        return facts.subject + " needs the token " + name + " (AddToken)";
    return facts.subject + " needs the token " + name + " with the value " +
           wanted.substr(equals + 1) + " (AddToken)";
}

std::string Side(const Facts& facts) {
    if (facts.input == nullptr || !facts.entry.side_required) return std::string();
    if (facts.record.side != invoice::BodySide::kNone) return std::string();
    return facts.subject + " needs a body side: eSide 2 (left) or 3 (right), not 1 (none)";
}

// The service input was made (GetCreateServiceExInput) for the record's tariff
// type: its sections, dignities and tokens belong to that tariff.
std::string InputTariff(const Facts& facts) {
    if (facts.input == nullptr) return std::string();
    const std::string& made_for = facts.input->data.tariff_type;
    if (made_for.empty() || made_for == facts.record.tariff_type) return std::string();
    return facts.subject + ": the service input was made for the tariff type " + made_for;
}

struct NamedRule {
    const char* name;
    Rule rule;
};

const NamedRule kRules[] = {
    {"input", InputTariff}, {"tax_points", TaxPoints},
    {"quantity", Quantity}, {"exclusive", Exclusive},
    {"sex", Sex},           {"age", Age},
    {"law", Law},           {"canton", Canton},
    {"dignity", Dignity},   {"token", Token},
    {"side", Side},
};

// The rule "code": picks the version valid on `date`, or says why none is.
std::string FindVersion(const std::vector<CatalogEntry>& versions, const std::string& subject,
                        const std::string& date, const CatalogEntry** found) {
    if (versions.empty()) return subject + " is not in the catalog";
    std::string periods;
    for (const CatalogEntry& version : versions) {
        if (version.ValidOn(date)) {
            *found = &version;
            return std::string();
        }
        periods += (periods.empty() ? "" : ", ") + PeriodText(version);
    }
    return subject + " is not valid on " + date + " (valid " + periods + ")";
}

}  // namespace

std::string CheckRecord(const Catalog& catalog, const invoice::InvoiceRequest& request,
                        const ServiceRecord& record, const ServiceInput* input) {
    if (!catalog.HasTariffType(record.tariff_type)) return std::string();
    std::string error;
    std::shared_ptr<const std::vector<CatalogEntry>> versions =
        catalog.Find(record.tariff_type, record.code, &error);
    if (!versions) return "the tariff catalog cannot be read: " + error;
    std::string subject = record.tariff_type + " " + record.code;
    std::string date = checks::DateText(record.date_begin);
    const CatalogEntry* entry = nullptr;
    std::string broken = FindVersion(*versions, subject, date, &entry);
    if (!broken.empty()) return "tariff rule code: " + broken;
    Facts facts{request, record, input, *entry, date, subject};
    for (const NamedRule& rule : kRules) {
        broken = rule.rule(facts);
        if (!broken.empty()) return std::string("tariff rule ") + rule.name + ": " + broken;
    }
    return std::string();
}

std::string CheckRecord(const invoice::InvoiceRequest& request, const ServiceRecord& record,
                        const ServiceInput* input) {
    if (record.ignore_validate) return std::string();
    std::shared_ptr<const Catalog> catalog = CurrentCatalog();
    if (!catalog) return std::string();
    return CheckRecord(*catalog, request, record, input);
}

}  // namespace tariff
