// The print template grammar, with the texts the service's template
// rewriting produces.

#include "module/print/print_template.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using invoice::PrintLayout;

struct Parse {
    const char* text;
    PrintLayout layout;
    std::map<std::string, std::string> values;  // looked up by another case of the key
    size_t count;                               // of parameters
};

const Parse kParses[] = {
    {"Reclaim(PDF_NOPRINT=/tmp/a.pdf;)", PrintLayout::kReclaim, {{"pdf_noprint", "/tmp/a.pdf"}}, 1},
    {"reMinder", PrintLayout::kReminder, {}, 0},
    {"patientinvoice(Copy=1)", PrintLayout::kPatientInvoice, {{"COPY", "1"}}, 1},
    {"  Reminder (x=1)", PrintLayout::kReminder, {{"X", "1"}}, 1},
    // The service's default template chooses the layout.
    {"(PDF_NOPRINT=/var/lib/x/3f2a.pdf;)",
     PrintLayout::kAutomatic,
     {{"PDF_NOPRINT", "/var/lib/x/3f2a.pdf"}},
     1},
    {"", PrintLayout::kAutomatic, {}, 0},
    {"Reclaim(PDF_NOPRINT=/out/a b.pdf;Copy=1;Logo=a.bmp)",
     PrintLayout::kReclaim,
     {{"pdf_noprint", "/out/a b.pdf"}, {"copy", "1"}, {"LOGO", "a.bmp"}, {"Missing", ""}},
     3},
    // Values keep equals signs and parentheses.
    {"Reclaim(PDF_NOPRINT=/srv/out (1)/a=b.pdf;Copy=1)",
     PrintLayout::kReclaim,
     {{"PDF_NOPRINT", "/srv/out (1)/a=b.pdf"}, {"Copy", "1"}},
     2},
    // The service inserts its path first and strips only the client's first
    // PDF_NOPRINT item: a second one must not redirect the output.
    {"Reclaim(PDF_NOPRINT=/ours.pdf;pdf_noprint=/theirs.pdf;)",
     PrintLayout::kReclaim,
     {{"PDF_NOPRINT", "/ours.pdf"}},
     2},
    // What the rewriting leaves of ".vps" names, and empty items.
    {"PatientInvoice(PDF_NOPRINT=/p.pdf;Form;;Copy=1;)",
     PrintLayout::kPatientInvoice,
     {{"PDF_NOPRINT", "/p.pdf"}, {"Form", ""}, {"Copy", "1"}},
     3},
    {"Reclaim(PDF_NOPRINT=/p.pdf;Copy=1",
     PrintLayout::kReclaim,
     {{"PDF_NOPRINT", "/p.pdf"}, {"Copy", "1"}},
     2},
    {"Reclaim( PDF_NOPRINT = /p.pdf ; Copy = 1 ) ",
     PrintLayout::kReclaim,
     {{"PDF_NOPRINT", "/p.pdf"}, {"Copy", "1"}},
     2},
};

TEST(PrintTemplateTest, Parses) {
    for (const Parse& c : kParses) {
        invoice::PrintTemplate parsed;
        checks::CheckResult result = invoice::ParsePrintTemplate(c.text, &parsed);
        ASSERT_TRUE(result.ok) << c.text << ": " << result.rule;
        EXPECT_EQ(c.layout, parsed.layout) << c.text;
        EXPECT_EQ(c.count, parsed.parameters.size()) << c.text;
        for (const auto& [key, value] : c.values) {
            EXPECT_EQ(value, parsed.Value(key)) << c.text << " " << key;
            EXPECT_EQ(key != "Missing", parsed.Has(key)) << c.text << " " << key;
        }
    }
}

TEST(PrintTemplateTest, RefusalsNameTheProblemAndLeaveTheOutputAlone) {
    const std::pair<const char*, const char*> kRefusals[] = {
        {"Invoice(PDF_NOPRINT=/p.pdf;)",
         "unknown layout \"Invoice\" (Reclaim, PatientInvoice or Reminder)"},
        {"Reclaim2", "unknown layout \"Reclaim2\""},
        {"Reclaim(Copy=1) trailing", "trailing"},
    };
    for (const auto& [text, rule] : kRefusals) {
        invoice::PrintTemplate parsed;
        parsed.layout_name = "kept";
        checks::CheckResult result = invoice::ParsePrintTemplate(text, &parsed);
        EXPECT_FALSE(result.ok) << text;
        EXPECT_NE(std::string::npos, result.rule.find(rule)) << text << ": " << result.rule;
        EXPECT_EQ("kept", parsed.layout_name);
    }
}

}  // namespace
