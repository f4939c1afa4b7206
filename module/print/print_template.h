#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/checks/check_result.h"

// The print template that ITarvos::Print receives:
//
//   Layout(key=value;key=value;...)
//
// The layout name stands before the first '(' and is matched without regard
// to case: "Reclaim", "PatientInvoice" or "Reminder"; an empty name lets the
// invoice choose (a reminder prints as Reminder, tiers payant as Reclaim,
// everything else as PatientInvoice). The service inserts its output path
// right after the '(' and may leave the name empty:
//
//   Reclaim(PDF_NOPRINT=/var/.../0f3c....pdf;Copy=1)
//   (PDF_NOPRINT=/var/.../0f3c....pdf;)
//
// Parameters are separated by ';'; keys are matched without regard to case
// and trimmed of blanks; a value runs from the first '=' to the next ';' (it
// may hold '=' and parentheses, as paths do). Empty items are skipped; an
// item without '=' is a key with an empty value (what is left of a stripped
// file name). The parameter list ends at the last ')' of the text, after
// which only blanks may follow; a missing ')' is accepted. The first
// occurrence of a key wins. Keys this module does not know are ignored, so
// templates written for other layouts still print.
//
// Known keys: PDF_NOPRINT (the PDF file to write), Copy (1 marks every page
// as a copy).

namespace invoice {

enum class PrintLayout { kAutomatic, kReclaim, kPatientInvoice, kReminder };

struct TemplateParameter {
    std::string key;  // as written
    std::string value;
};

struct PrintTemplate {
    PrintLayout layout = PrintLayout::kAutomatic;
    std::string layout_name;  // as written, trimmed
    std::vector<TemplateParameter> parameters;

    // The value of the first parameter named `key` (any case), or "" when
    // there is none.
    std::string Value(std::string_view key) const;
    bool Has(std::string_view key) const;
};

// Parses `text` into *out. Fails, leaving *out alone, for an unknown layout
// name or text after the closing parenthesis; the rule names the problem
// ("unknown layout \"Invoice\" (Reclaim, PatientInvoice or Reminder)").
// REQUIRES: out not null.
checks::CheckResult ParsePrintTemplate(std::string_view text, PrintTemplate* out);

// The layout's own name: "Reclaim", "PatientInvoice", "Reminder" or "".
const char* LayoutName(PrintLayout layout);

}  // namespace invoice
