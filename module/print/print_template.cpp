#include "module/print/print_template.h"

#include <cassert>

namespace invoice {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool LayoutOfName(std::string_view name, PrintLayout* layout) {
    for (PrintLayout candidate : {PrintLayout::kAutomatic, PrintLayout::kReclaim,
                                  PrintLayout::kPatientInvoice, PrintLayout::kReminder}) {
        if (EqualsNoCase(name, LayoutName(candidate))) {
            *layout = candidate;
            return true;
        }
    }
    return false;
}

std::vector<TemplateParameter> SplitParameters(std::string_view list) {
    std::vector<TemplateParameter> parameters;
    size_t at = 0;
    while (at <= list.size()) {
        size_t end = list.find(';', at);
        if (end == std::string_view::npos) end = list.size();
        std::string_view item = list.substr(at, end - at);
        size_t equals = item.find('=');
        std::string_view key = Trim(item.substr(0, equals));
        std::string_view value =
            equals == std::string_view::npos ? std::string_view() : Trim(item.substr(equals + 1));
        if (!key.empty()) parameters.push_back({std::string(key), std::string(value)});
        at = end + 1;
    }
    return parameters;
}

}  // namespace

const char* LayoutName(PrintLayout layout) {
    switch (layout) {
        case PrintLayout::kReclaim:
            return "Reclaim";
        case PrintLayout::kPatientInvoice:
            return "PatientInvoice";
        case PrintLayout::kReminder:
            return "Reminder";
        case PrintLayout::kAutomatic:
            break;
    }
    return "";
}

std::string PrintTemplate::Value(std::string_view key) const {
    for (const TemplateParameter& parameter : parameters) {
        if (EqualsNoCase(parameter.key, key)) return parameter.value;
    }
    return std::string();
}

bool PrintTemplate::Has(std::string_view key) const {
    for (const TemplateParameter& parameter : parameters) {
        if (EqualsNoCase(parameter.key, key)) return true;
    }
    return false;
}

checks::CheckResult ParsePrintTemplate(std::string_view text, PrintTemplate* out) {
    assert(out != nullptr);
    size_t open = text.find('(');
    std::string_view name = Trim(text.substr(0, open));
    PrintTemplate parsed;
    if (!LayoutOfName(name, &parsed.layout)) {
        return checks::Failed("unknown layout " + checks::Quote(name) +
                              " (Reclaim, PatientInvoice or Reminder)");
    }
    parsed.layout_name = std::string(name);
    if (open != std::string_view::npos) {
        std::string_view rest = text.substr(open + 1);
        size_t close = rest.rfind(')');
        if (close != std::string_view::npos) {
            if (!Trim(rest.substr(close + 1)).empty()) {
                return checks::Failed("the template has text after its closing parenthesis: " +
                                      checks::Quote(Trim(rest.substr(close + 1))));
            }
            rest = rest.substr(0, close);
        }
        parsed.parameters = SplitParameters(rest);
    }
    *out = std::move(parsed);
    return checks::Passed();
}

}  // namespace invoice
