// The invoicetool command as a user runs it: validate, show, rewrite.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/integration/command_run.h"
#include "tests/refdata.h"

namespace {

const std::string kTool = TARVOS_RUNTIME_DIR "/invoicetool";
CommandRun Invoke(const std::string& arguments) {
    return RunCommand(kTool + " " + arguments);
}

TEST(InvoiceToolTest, ValidateReportsErrorsWithLinesAndFailsUnlessAllAreValid) {
    REQUIRE_REFDATA();
    // The published sample is schema-valid but its figures are not: its
    // findings are reported one per line.
    CommandRun valid = Invoke("validate " + kValidSample);
    EXPECT_EQ(1, valid.exit_code) << valid.output;
    EXPECT_NE(std::string::npos, valid.output.find("de.xml: treatment: the begin 2999-12-31"))
        << valid.output;

    CommandRun mixed = Invoke("validate " + kValidSample + " " + kInvalidSample);
    EXPECT_EQ(1, mixed.exit_code);
    EXPECT_NE(std::string::npos, mixed.output.find("readReq450.xml: 9 errors")) << mixed.output;
    EXPECT_NE(std::string::npos, mixed.output.find("readReq450.xml:88: ")) << mixed.output;
}

TEST(InvoiceToolTest, ShowPrintsTheInvoiceAsJson) {
    REQUIRE_REFDATA();
    CommandRun run = Invoke("show " + kValidSample);
    ASSERT_EQ(0, run.exit_code) << run.output;
    EXPECT_EQ('{', run.output.front());
    EXPECT_NE(std::string::npos, run.output.find("\"request_id\":\"000001000001\""));
    EXPECT_NE(std::string::npos, run.output.find("\"amount_due\":5232.99"));
    EXPECT_NE(std::string::npos, run.output.find("\"familyname\":\"Spitzkiel\""));
    EXPECT_NE(std::string::npos, run.output.find("\"name\":\"test article fractional\""));
}

TEST(InvoiceToolTest, ShowRefusesOtherReleasesAndInvalidFiles) {
    REQUIRE_REFDATA();
    CommandRun old = Invoke("show " + k440Sample);
    EXPECT_EQ(1, old.exit_code);
    EXPECT_NE(std::string::npos, old.output.find("4.40")) << old.output;
    CommandRun invalid = Invoke("show " + kInvalidSample);
    EXPECT_EQ(1, invalid.exit_code);
    EXPECT_NE(std::string::npos, invalid.output.find("line 2:")) << invalid.output;
}

TEST(InvoiceToolTest, RewriteWritesAValidDocumentThatValidatesAgain) {
    REQUIRE_REFDATA();
    std::string out = std::filesystem::temp_directory_path().string() + "/invoicetool-" +
                      std::to_string(getpid()) + ".xml";
    CommandRun run = Invoke("rewrite " + kValidSample + " " + out);
    EXPECT_EQ(0, run.exit_code) << run.output;
    // Schema-valid, with the same findings as its source.
    CommandRun validate = Invoke("validate " + out);
    EXPECT_EQ(std::string::npos, validate.output.find(" error")) << validate.output;
    EXPECT_NE(std::string::npos, validate.output.find(": treatment: the begin 2999-12-31"));
    EXPECT_EQ(0, Invoke("show " + out).exit_code);
    std::filesystem::remove(out);
}

TEST(InvoiceToolTest, WrongUsageExitsWithTwo) {
    EXPECT_EQ(2, Invoke("").exit_code);
    EXPECT_EQ(2, Invoke("frobnicate x").exit_code);
    EXPECT_EQ(2, Invoke("rewrite only-one").exit_code);
}

}  // namespace
