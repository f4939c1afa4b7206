// The invoiceprint command as a user runs it: a 4.50 invoice file printed
// to a PDF, and the exits of wrong usage and of files it cannot print.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/engine/temp_folder.h"

namespace {

const std::string kTool = TARVOS_RUNTIME_DIR "/invoiceprint";
const std::string kRefdata = TARVOS_SOURCE_DIR "/../shared/refdata/";
const std::string kValid = kRefdata + "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
const std::string kInvalid = kRefdata + "samples450/elexis_elexis-3-base_readReq450.xml";
const std::string k440 = kRefdata + "samples440/elexis_elexis-3-base_md_440_tg_kvg_3793.xml";
const char kUsage[] = "usage: invoiceprint FILE.xml OUT.pdf";

struct Outcome {
    int exit_code = -1;
    std::string output;  // standard output and standard error
};

// Runs `command` through the shell.
Outcome Shell(const std::string& command) {
    Outcome run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Outcome Invoke(const std::string& arguments) {
    return Shell(kTool + " " + arguments);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class InvoicePrintToolTest : public ::testing::Test {
  protected:
    std::string Out(const std::string& name) const { return folder_.Path() + name; }

    TempFolder folder_;
};

TEST_F(InvoicePrintToolTest, PrintsTheSampleToACheckedPdf) {
    std::string pdf = Out("invoice.pdf");
    Outcome run = Invoke(kValid + " " + pdf + " --layout Reclaim");
    ASSERT_EQ(0, run.exit_code) << run.output;
    EXPECT_TRUE(Contains(run.output, pdf + ": Reclaim, 1 page")) << run.output;

    std::ifstream file(pdf, std::ios::binary);
    std::string start(5, '\0');
    file.read(&start[0], 5);
    EXPECT_EQ("%PDF-", start);
    Outcome check = Shell("qpdf --check '" + pdf + "'");
    EXPECT_EQ(0, check.exit_code) << check.output;
    Outcome text = Shell("pdftotext '" + pdf + "' -");
    ASSERT_EQ(0, text.exit_code) << text.output;
    EXPECT_TRUE(Contains(text.output, "000001000001")) << text.output;  // the invoice number
    EXPECT_TRUE(Contains(text.output, "Beatrice Spitzkiel")) << text.output;
    EXPECT_TRUE(Contains(text.output, "Rückforderungsbeleg")) << text.output;
}

TEST_F(InvoicePrintToolTest, WrongUsageExitsWithTwoAndTheUsage) {
    for (const std::string& arguments :
         {std::string(), kValid, kValid + " " + Out("a.pdf") + " --layout",
          kValid + " " + Out("a.pdf") + " --format Reclaim", kValid + " '' "}) {
        SCOPED_TRACE(arguments);
        Outcome run = Invoke(arguments);
        EXPECT_EQ(2, run.exit_code);
        EXPECT_TRUE(Contains(run.output, kUsage)) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));
}

TEST_F(InvoicePrintToolTest, FilesThatCannotBeLoadedExitWithOneAndTheReason) {
    for (const std::string& input : {Out("missing.xml"), kInvalid, k440, folder_.Path()}) {
        SCOPED_TRACE(input);
        Outcome run = Invoke(input + " " + Out("a.pdf"));
        EXPECT_EQ(1, run.exit_code) << run.output;
        EXPECT_TRUE(Contains(run.output, input + ": ")) << run.output;
        EXPECT_FALSE(Contains(run.output, kUsage)) << run.output;
    }
    EXPECT_TRUE(Contains(Invoke(k440 + " " + Out("a.pdf")).output, "4.40"));
    EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));
}

TEST_F(InvoicePrintToolTest, InvoicesThatCannotBePrintedExitWithOneAndWriteNothing) {
    // The sample's IBAN is no QR-IBAN but carries a QR reference: its
    // QR-bill cannot be made, and the patient's invoice has one.
    Outcome slip = Invoke(kValid + " " + Out("a.pdf") + " --layout PatientInvoice");
    EXPECT_EQ(1, slip.exit_code);
    EXPECT_TRUE(Contains(slip.output, "QR-bill")) << slip.output;
    Outcome layout = Invoke(kValid + " " + Out("a.pdf") + " --layout Brief");
    EXPECT_EQ(1, layout.exit_code);
    EXPECT_TRUE(Contains(layout.output, "unknown layout")) << layout.output;
    Outcome reminder = Invoke(kValid + " " + Out("a.pdf") + " --layout Reminder");
    EXPECT_EQ(1, reminder.exit_code);
    EXPECT_TRUE(Contains(reminder.output, "reminder")) << reminder.output;
    EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));

    Outcome unwritable = Invoke(kValid + " " + Out("no/such/folder/a.pdf") + " --layout Reclaim");
    EXPECT_EQ(1, unwritable.exit_code);
    EXPECT_TRUE(Contains(unwritable.output, "cannot be written")) << unwritable.output;
}

}  // namespace
