// The command-line tools as a user runs them: invoicetool (validate, show,
// rewrite) and invoiceprint (a 4.50 invoice file printed to a PDF), their
// exit codes and what they print, and the files they must not leave.

#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"
#include "tests/integration/command_run.h"
#include "tests/refdata.h"

namespace {

const std::string kInvoiceTool = TARVOS_RUNTIME_DIR "/invoicetool ";
const std::string kInvoicePrint = TARVOS_RUNTIME_DIR "/invoiceprint ";

struct ToolRun {
    std::string command;
    int exitCode;
    std::vector<std::string> says = {};  // parts of the output
};

// Runs `runs` in order; each sees the files the ones before it wrote.
void ExpectRuns(const std::vector<ToolRun>& runs) {
    for (const ToolRun& expected : runs) {
        SCOPED_TRACE(expected.command);
        CommandRun run = RunCommand(expected.command);
        EXPECT_EQ(expected.exitCode, run.exit_code) << run.output;
        for (const std::string& part : expected.says) {
            EXPECT_NE(std::string::npos, run.output.find(part)) << part << " in " << run.output;
        }
    }
}

class ToolsTest : public ::testing::Test {
  protected:
    void SetUp() override { REQUIRE_REFDATA(); }
    std::string Out(const std::string& name) const { return folder_.Path() + name; }
    TempFolder folder_;
};

// The published sample is schema-valid but its figures are not: its
// findings are reported one per line; a rewrite keeps them. A print that
// fails (here: the patient's invoice, whose QR-bill cannot be made from the
// sample's IBAN, which is no QR-IBAN; the engine's refusals all take this
// way, their texts are its tests') leaves no file.
TEST_F(ToolsTest, InvoiceToolAndInvoicePrint) {
    const std::string validate = kInvoiceTool + "validate ", rewritten = Out("rewritten.xml");
    const std::string pdf = Out("invoice.pdf"), none = " " + Out("a.pdf");
    const std::string print = kInvoicePrint + kValidSample;
    ExpectRuns({
        {validate + kValidSample, 1, {"de.xml: treatment: the begin 2999-12-31"}},
        {validate + kValidSample + " " + kInvalidSample,
         1,
         {"readReq450.xml: 9 errors", "readReq450.xml:88: "}},
        {kInvoiceTool + "show " + kValidSample,
         0,
         {"\"request_id\":\"000001000001\"", "\"amount_due\":5232.99",
          "\"familyname\":\"Spitzkiel\"", "\"name\":\"test article fractional\""}},
        // 4.40 files are checked in their 4.50 form (how they read: the
        // reader's tests); one the 4.40 schema refuses is refused.
        {validate + kRefdata + "samples440/elexis_elexis-3-base_update_212.xml",
         0,
         {"update_212.xml: valid"}},
        {validate + kRefdata + "samples440/elexis_elexis-3-base_erroneous44_2.xml",
         1,
         {"erroneous44_2.xml (a 4.40 file, checked in its 4.50 form)", "line 72"}},
        {kInvoiceTool + "rewrite " + kValidSample + " " + rewritten, 0},
        {validate + rewritten, 1, {": treatment: the begin 2999-12-31"}},
        {print + " " + pdf + " --layout Reclaim", 0, {pdf + ": Reclaim, 1 page"}},
        {"pdftotext '" + pdf + "' -",
         0,
         {"000001000001", "Beatrice Spitzkiel", "Rückforderungsbeleg"}},
        {print + none + " --layout PatientInvoice", 1, {"QR-bill"}},
        {print + " " + Out("no/such/folder/a.pdf") + " --layout Reclaim", 1, {"cannot be written"}},
        {kInvoicePrint + k440Sample + " " + Out("440.pdf"), 0, {"440.pdf: PatientInvoice"}},
        {kInvoicePrint + kInvalidSample + none, 1, {kInvalidSample + ": "}},
        {print + none + " --format Reclaim", 2, {"usage: invoiceprint FILE.xml OUT.pdf"}},
    });
    EXPECT_TRUE(web::json::value::parse(RunCommand(kInvoiceTool + "show " + kValidSample).output)
                    .is_object());
    EXPECT_EQ("%PDF-", ReadFileText(pdf).substr(0, 5));
    EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));
}

}  // namespace
