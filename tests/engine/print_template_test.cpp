// The print template grammar, with the texts the service's template
// rewriting produces. The plain forms ("Reclaim(PDF_NOPRINT=...;)", the
// default "(PDF_NOPRINT=...;)" that leaves the layout to the invoice) are what
// print_form_content_test prints with.

#include "module/print/print_template.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The layout, every parameter as written and the value looked up for
// "pdf_noprint" ("Reclaim|key=value;...|value"), or the refusal, which leaves
// the output alone. Keys are looked up in any case, and the first of a key
// counts: the service inserts its path first and strips only the client's
// first PDF_NOPRINT item, so a second one must not redirect the output.
std::string Parsed(const char* text) {
    const char* kLayouts[] = {"chosen", "Reclaim", "PatientInvoice", "Reminder"};
    invoice::PrintTemplate parsed;
    parsed.layout_name = "kept";
    checks::CheckResult result = invoice::ParsePrintTemplate(text, &parsed);
    if (!result.ok) return "refused: " + result.rule + " (" + parsed.layout_name + ")";
    std::string out = kLayouts[static_cast<int>(parsed.layout)] + std::string("|");
    for (const invoice::TemplateParameter& p : parsed.parameters)
        out += p.key + "=" + p.value + ";";
    return out + "|" + parsed.Value("pdf_noprint");
}

TEST(PrintTemplateTest, Parses) {
    const std::pair<const char*, const char*> kParses[] = {
        {"reMinder", "Reminder||"},
        {"patientinvoice(Copy=1)", "PatientInvoice|Copy=1;|"},
        {"  Reminder (x=1)", "Reminder|x=1;|"},
        {"", "chosen||"},
        // Values keep blanks inside, equals signs and parentheses.
        {"Reclaim(PDF_NOPRINT=/srv/out (1)/a=b c.pdf;Copy=1;Logo=a.bmp)",
         "Reclaim|PDF_NOPRINT=/srv/out (1)/a=b c.pdf;Copy=1;Logo=a.bmp;|/srv/out (1)/a=b c.pdf"},
        // What the rewriting leaves of ".vps" names, and empty items.
        {"PatientInvoice(PDF_NOPRINT=/p.pdf;Form;;Copy=1;)",
         "PatientInvoice|PDF_NOPRINT=/p.pdf;Form=;Copy=1;|/p.pdf"},
        {"Reclaim(PDF_NOPRINT=/p.pdf;Copy=1", "Reclaim|PDF_NOPRINT=/p.pdf;Copy=1;|/p.pdf"},
        {"Reclaim( PDF_NOPRINT = /p.pdf ; pdf_noprint=/x.pdf; Copy = 1 ) ",
         "Reclaim|PDF_NOPRINT=/p.pdf;pdf_noprint=/x.pdf;Copy=1;|/p.pdf"},
        {"Reclaim2(PDF_NOPRINT=/p.pdf;)",
         "refused: unknown layout \"Reclaim2\" (Reclaim, PatientInvoice or Reminder) (kept)"},
        {"Reclaim(Copy=1) trailing",
         "refused: the template has text after its closing parenthesis: \"trailing\" (kept)"},
    };
    for (const auto& [text, parsed] : kParses) EXPECT_EQ(parsed, Parsed(text)) << text;
}

}  // namespace
