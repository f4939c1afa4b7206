// The print template grammar, with the texts the service's template
// rewriting produces.

#include "module/print/print_template.h"

#include <gtest/gtest.h>

namespace {

using invoice::ParsePrintTemplate;
using invoice::PrintLayout;
using invoice::PrintTemplate;

PrintTemplate Parsed(const std::string& text) {
    PrintTemplate parsed;
    checks::CheckResult result = ParsePrintTemplate(text, &parsed);
    EXPECT_TRUE(result.ok) << text << ": " << result.rule;
    return parsed;
}

std::string Refusal(const std::string& text) {
    PrintTemplate parsed;
    checks::CheckResult result = ParsePrintTemplate(text, &parsed);
    EXPECT_FALSE(result.ok) << text;
    return result.rule;
}

TEST(PrintTemplateTest, LayoutNamesWithoutRegardToCase) {
    EXPECT_EQ(PrintLayout::kReclaim, Parsed("Reclaim(PDF_NOPRINT=/tmp/a.pdf;)").layout);
    EXPECT_EQ(PrintLayout::kReclaim, Parsed("RECLAIM(PDF_NOPRINT=/tmp/a.pdf;)").layout);
    EXPECT_EQ(PrintLayout::kPatientInvoice, Parsed("patientinvoice(Copy=1)").layout);
    EXPECT_EQ(PrintLayout::kReminder, Parsed("  Reminder (x=1)").layout);
    EXPECT_EQ(PrintLayout::kReminder, Parsed("reMinder").layout);
}

TEST(PrintTemplateTest, TheServicesDefaultTemplateChoosesAutomatically) {
    PrintTemplate parsed = Parsed("(PDF_NOPRINT=/var/lib/x/3f2a.pdf;)");
    EXPECT_EQ(PrintLayout::kAutomatic, parsed.layout);
    EXPECT_EQ("/var/lib/x/3f2a.pdf", parsed.Value("PDF_NOPRINT"));
    EXPECT_EQ(1u, parsed.parameters.size());
    EXPECT_EQ(PrintLayout::kAutomatic, Parsed("").layout);
}

TEST(PrintTemplateTest, ParametersAfterTheInsertedPath) {
    PrintTemplate parsed = Parsed("Reclaim(PDF_NOPRINT=/out/a b.pdf;Copy=1;Logo=a.bmp)");
    EXPECT_EQ("/out/a b.pdf", parsed.Value("pdf_noprint"));
    EXPECT_EQ("1", parsed.Value("copy"));
    EXPECT_EQ("a.bmp", parsed.Value("LOGO"));
    EXPECT_EQ("", parsed.Value("Missing"));
    EXPECT_FALSE(parsed.Has("Missing"));
}

TEST(PrintTemplateTest, ValuesKeepEqualsSignsAndParentheses) {
    PrintTemplate parsed = Parsed("Reclaim(PDF_NOPRINT=/srv/out (1)/a=b.pdf;Copy=1)");
    EXPECT_EQ("/srv/out (1)/a=b.pdf", parsed.Value("PDF_NOPRINT"));
    EXPECT_EQ("1", parsed.Value("Copy"));
}

TEST(PrintTemplateTest, TheFirstOccurrenceWins) {
    // The service inserts its path first and strips only the client's first
    // PDF_NOPRINT item; a second one must not redirect the output.
    PrintTemplate parsed = Parsed("Reclaim(PDF_NOPRINT=/ours.pdf;pdf_noprint=/theirs.pdf;)");
    EXPECT_EQ("/ours.pdf", parsed.Value("PDF_NOPRINT"));
}

TEST(PrintTemplateTest, LeftoversOfStrippedItemsAreHarmless) {
    // What the rewriting leaves of ".vps" names and empty items.
    PrintTemplate parsed = Parsed("PatientInvoice(PDF_NOPRINT=/p.pdf;Form;;Copy=1;)");
    EXPECT_EQ("/p.pdf", parsed.Value("PDF_NOPRINT"));
    EXPECT_TRUE(parsed.Has("Form"));
    EXPECT_EQ("", parsed.Value("Form"));
    EXPECT_EQ(3u, parsed.parameters.size());
}

TEST(PrintTemplateTest, AMissingClosingParenthesisIsAccepted) {
    PrintTemplate parsed = Parsed("Reclaim(PDF_NOPRINT=/p.pdf;Copy=1");
    EXPECT_EQ("/p.pdf", parsed.Value("PDF_NOPRINT"));
    EXPECT_EQ("1", parsed.Value("Copy"));
}

TEST(PrintTemplateTest, BlanksAroundKeysAndValuesAreTrimmed) {
    PrintTemplate parsed = Parsed("Reclaim( PDF_NOPRINT = /p.pdf ; Copy = 1 ) ");
    EXPECT_EQ("/p.pdf", parsed.Value("PDF_NOPRINT"));
    EXPECT_EQ("1", parsed.Value("Copy"));
}

// --- refusals -------------------------------------------------------------------

TEST(PrintTemplateTest, UnknownLayoutsAreRefusedByName) {
    EXPECT_EQ("unknown layout \"Invoice\" (Reclaim, PatientInvoice or Reminder)",
              Refusal("Invoice(PDF_NOPRINT=/p.pdf;)"));
    EXPECT_NE(std::string::npos, Refusal("Reclaim2").find("Reclaim2"));
}

TEST(PrintTemplateTest, TextAfterTheClosingParenthesisIsRefused) {
    EXPECT_NE(std::string::npos, Refusal("Reclaim(Copy=1) trailing").find("trailing"));
}

TEST(PrintTemplateTest, ARefusalLeavesTheOutputAlone) {
    PrintTemplate parsed;
    parsed.layout_name = "kept";
    EXPECT_FALSE(ParsePrintTemplate("Nope()", &parsed).ok);
    EXPECT_EQ("kept", parsed.layout_name);
}

}  // namespace
