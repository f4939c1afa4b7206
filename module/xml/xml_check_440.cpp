#include "module/xml/xml_check_440.h"

#include <libxml/tree.h>

#include <string>
#include <string_view>

#include "module/checks/check_digits.h"
#include "module/checks/value_checks.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"

namespace invoice_xml {
namespace {

using read_detail::Attr;
using read_detail::FirstElement;
using read_detail::HasAttr;
using read_detail::LineOf;
using read_detail::LineText;
using read_detail::NameOf;
using read_detail::NextElement;

struct Finding {
    std::string text;
};

enum class Kind {
    kBoolean,
    kUnsignedInt,
    kUnsignedShort,
    kNumber,
    kNonNegative,
    kText35,
    kText100,
    kText350,
    kRecordId,
    kIban,
    kEsrRedReference,
    kDateTime,
};

// An attribute of the elements named in `elements` (separated by spaces; a
// name ending in '_' stands for every name it begins).
struct AttributeRule {
    const char* elements;
    const char* attribute;
    Kind kind;
    bool required;
};

const AttributeRule kAttributeRules[] = {
    {"record_", "validate", Kind::kBoolean, false},
    {"record_", "unit", Kind::kNonNegative, false},
    {"record_tarmed", "unit_mt", Kind::kNonNegative, false},
    {"record_tarmed", "unit_tt", Kind::kNonNegative, false},
    {"stationary", "do_cost_assessment", Kind::kBoolean, false},
    {"payload", "credit_advice", Kind::kBoolean, false},
    {"esrRed", "esr_attributes", Kind::kUnsignedInt, false},
    {"esrRed", "iban", Kind::kIban, false},
    {"esrRed", "reference_number", Kind::kEsrRedReference, false},
    {"kvg vvg uvg ivg mvg org", "contract_number", Kind::kText35, false},
    {"balance", "amount_prepaid", Kind::kNumber, false},
    {"card", "expiry_date", Kind::kDateTime, true},
    {"document", "mimeType", Kind::kText35, true},
    {"validation", "originator", Kind::kText100, true},
    {"validation", "remark", Kind::kText350, true},
    {"validation", "status", Kind::kUnsignedShort, true},
    {"validation_result", "status", Kind::kUnsignedShort, true},
    {"validation_result", "remark", Kind::kText350, false},
    {"validation_result", "record_id", Kind::kRecordId, false},
    {"validation_result", "cost_unit", Kind::kText35, false},
};

// Attributes that only 4.50 has, by element.
struct NewAttribute {
    const char* element;
    const char* attribute;
};

const NewAttribute kNewAttributes[] = {
    {"treatment", "gestation_week13"},
    {"treatment", "treatment"},
    {"document", "title"},
    {"processing", "print_copy_to_guarantor"},
    {"payload", "if_storno_followup_invoice_probable"},
};

const char kNewElements[] = "debitor creditor esrQR instructions xtra_service_ex xtra_drg";

// Elements that 4.40 allows under one parent only; with `only_child`, the
// parent holds nothing else (the validations that the upgrade drops).
struct ParentRule {
    const char* element;
    const char* parent;
    bool only_child;
};

const ParentRule kParentRules[] = {
    {"balance", "body", false},
    {"xtra_drug", "record_drug", false},
    {"validation", "validations", true},
    {"validation_result", "validation", true},
};

bool NameIn(const std::string& name, const std::string& list) {
    size_t begin = 0;
    while (begin < list.size()) {
        size_t end = list.find(' ', begin);
        if (end == std::string::npos) end = list.size();
        std::string entry = list.substr(begin, end - begin);
        bool prefix = !entry.empty() && entry.back() == '_';
        if (prefix ? name.compare(0, entry.size(), entry) == 0 : name == entry) return true;
        begin = end + 1;
    }
    return false;
}

bool Text(const std::string& text, size_t maxChars) {
    return checks::CheckLength(text, 1, maxChars).ok;
}

bool Fits(const std::string& text, Kind kind) {
    bool flag = false;
    int64_t integer = 0;
    invoice::DateTime date;
    invoice::Decimal number;
    switch (kind) {
        case Kind::kBoolean:
            return ParseBool(text, &flag);
        case Kind::kUnsignedInt:
            return ParseInteger(text, 0, 4294967295LL, &integer);
        case Kind::kUnsignedShort:
            return ParseInteger(text, 0, 65535, &integer);
        case Kind::kNumber:
            return ParseNumber(text, &number);
        case Kind::kNonNegative:
            return ParseNumber(text, &number) && !number.IsNegative();
        case Kind::kText35:
            return Text(text, 35);
        case Kind::kText100:
            return Text(text, 100);
        case Kind::kText350:
            return Text(text, 350);
        case Kind::kRecordId:
            return ParseInteger(text, 1, 999999999, &integer);
        case Kind::kIban:
            return text.size() == 21 && text.compare(0, 2, "CH") == 0 &&
                   checks::IsDigits(std::string_view(text).substr(2));
        case Kind::kEsrRedReference:
            return text.size() == 10 && checks::IsDigits(text);
        case Kind::kDateTime:
            return ParseDateTime(text, &date);
    }
    return false;
}

[[noreturn]] void Refuse(const xmlNode* node, const std::string& what) {
    throw Finding{LineText(LineOf(node)) + what};
}

void CheckAttributes(const xmlNode* node, const std::string& name) {
    for (const NewAttribute& rule : kNewAttributes) {
        if (name == rule.element && HasAttr(node, rule.attribute)) {
            Refuse(node, "attribute '" + std::string(rule.attribute) + "' of '" + name +
                             "' does not exist in release 4.40");
        }
    }
    for (const AttributeRule& rule : kAttributeRules) {
        if (!NameIn(name, rule.elements)) continue;
        const std::string attribute = rule.attribute;
        if (!HasAttr(node, rule.attribute)) {
            if (rule.required)
                Refuse(node, "'" + name + "' lacks its attribute '" + attribute + "'");
            continue;
        }
        if (!Fits(Attr(node, rule.attribute), rule.kind)) {
            Refuse(node, "attribute '" + attribute + "' of '" + name + "': the value '" +
                             Attr(node, rule.attribute) + "' is not allowed in release 4.40");
        }
    }
}

void CheckPlace(const xmlNode* node, const std::string& name, const std::string& parent) {
    if (NameIn(name, kNewElements)) {
        Refuse(node, "element '" + name + "' does not exist in release 4.40");
    }
    for (const ParentRule& rule : kParentRules) {
        if ((name == rule.element && parent != rule.parent) ||
            (rule.only_child && parent == rule.parent && name != rule.element)) {
            Refuse(node,
                   "element '" + name + "' is not allowed inside '" + parent + "' in release 4.40");
        }
    }
    if (name == "validations" && FirstElement(node) == nullptr) {
        Refuse(node, "'validations' holds no 'validation'");
    }
    if (name == "validation_result" && FirstElement(node) != nullptr) {
        Refuse(node, "'validation_result' holds an element");
    }
}

void CheckTree(const xmlNode* node, const std::string& parent) {
    const std::string name = NameOf(node);
    CheckPlace(node, name, parent);
    CheckAttributes(node, name);
    for (const xmlNode* child = FirstElement(node); child; child = NextElement(child)) {
        CheckTree(child, name);
    }
}

}  // namespace

std::string Check440Rules(const xmlNode* root) {
    try {
        CheckTree(root, "");
        return std::string();
    } catch (const Finding& finding) {
        return finding.text;
    }
}

}  // namespace invoice_xml
