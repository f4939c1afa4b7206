// The invoicetool command as a user runs it: validate, show, rewrite.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const std::string kTool = TARVOS_RUNTIME_DIR "/invoicetool";
const std::string kRefdata = TARVOS_SOURCE_DIR "/../shared/refdata/";
const std::string kValid = kRefdata + "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
const std::string kInvalid = kRefdata + "samples450/elexis_elexis-3-base_readReq450.xml";
const std::string k440 = kRefdata + "samples440/elexis_elexis-3-base_md_440_tg_kvg_3793.xml";

struct ToolRun {
    int exit_code = -1;
    std::string output;  // standard output and standard error
};

ToolRun Invoke(const std::string& arguments) {
    ToolRun run;
    FILE* pipe = popen((kTool + " " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, got);
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(InvoiceToolTest, ValidateReportsErrorsWithLinesAndFailsUnlessAllAreValid) {
    ToolRun valid = Invoke("validate " + kValid);
    EXPECT_EQ(0, valid.exit_code) << valid.output;
    EXPECT_NE(std::string::npos, valid.output.find(": valid"));

    ToolRun mixed = Invoke("validate " + kValid + " " + kInvalid);
    EXPECT_EQ(1, mixed.exit_code);
    EXPECT_NE(std::string::npos, mixed.output.find("readReq450.xml: 9 errors")) << mixed.output;
    EXPECT_NE(std::string::npos, mixed.output.find("readReq450.xml:88: ")) << mixed.output;
}

TEST(InvoiceToolTest, ShowPrintsTheInvoiceAsJson) {
    ToolRun run = Invoke("show " + kValid);
    ASSERT_EQ(0, run.exit_code) << run.output;
    EXPECT_EQ('{', run.output.front());
    EXPECT_NE(std::string::npos, run.output.find("\"request_id\":\"000001000001\""));
    EXPECT_NE(std::string::npos, run.output.find("\"amount_due\":5232.99"));
    EXPECT_NE(std::string::npos, run.output.find("\"familyname\":\"Spitzkiel\""));
    EXPECT_NE(std::string::npos, run.output.find("\"name\":\"test article fractional\""));
}

TEST(InvoiceToolTest, ShowRefusesOtherReleasesAndInvalidFiles) {
    ToolRun old = Invoke("show " + k440);
    EXPECT_EQ(1, old.exit_code);
    EXPECT_NE(std::string::npos, old.output.find("4.40")) << old.output;
    ToolRun invalid = Invoke("show " + kInvalid);
    EXPECT_EQ(1, invalid.exit_code);
    EXPECT_NE(std::string::npos, invalid.output.find("line 2:")) << invalid.output;
}

TEST(InvoiceToolTest, RewriteWritesAValidDocumentThatValidatesAgain) {
    std::string out = std::filesystem::temp_directory_path().string() + "/invoicetool-" +
                      std::to_string(getpid()) + ".xml";
    ToolRun run = Invoke("rewrite " + kValid + " " + out);
    EXPECT_EQ(0, run.exit_code) << run.output;
    EXPECT_EQ(0, Invoke("validate " + out).exit_code);
    EXPECT_EQ(0, Invoke("show " + out).exit_code);
    std::filesystem::remove(out);
}

TEST(InvoiceToolTest, WrongUsageExitsWithTwo) {
    EXPECT_EQ(2, Invoke("").exit_code);
    EXPECT_EQ(2, Invoke("frobnicate x").exit_code);
    EXPECT_EQ(2, Invoke("rewrite only-one").exit_code);
}

}  // namespace
