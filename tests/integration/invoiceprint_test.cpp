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
#include "tests/integration/command_run.h"
#include "tests/refdata.h"

namespace {

const std::string kTool = TARVOS_RUNTIME_DIR "/invoiceprint";
const char kUsage[] = "usage: invoiceprint FILE.xml OUT.pdf";

CommandRun Invoke(const std::string& arguments) {
    return RunCommand(kTool + " " + arguments);
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
    REQUIRE_REFDATA();
    std::string pdf = Out("invoice.pdf");
    CommandRun run = Invoke(kValidSample + " " + pdf + " --layout Reclaim");
    ASSERT_EQ(0, run.exit_code) << run.output;
    EXPECT_TRUE(Contains(run.output, pdf + ": Reclaim, 1 page")) << run.output;

    std::ifstream file(pdf, std::ios::binary);
    std::string start(5, '\0');
    file.read(&start[0], 5);
    EXPECT_EQ("%PDF-", start);
    CommandRun check = RunCommand("qpdf --check '" + pdf + "'");
    EXPECT_EQ(0, check.exit_code) << check.output;
    CommandRun text = RunCommand("pdftotext '" + pdf + "' -");
    ASSERT_EQ(0, text.exit_code) << text.output;
    EXPECT_TRUE(Contains(text.output, "000001000001")) << text.output;  // the invoice number
    EXPECT_TRUE(Contains(text.output, "Beatrice Spitzkiel")) << text.output;
    EXPECT_TRUE(Contains(text.output, "Rückforderungsbeleg")) << text.output;
}

TEST_F(InvoicePrintToolTest, WrongUsageExitsWithTwoAndTheUsage) {
    for (const std::string& arguments :
         {std::string(), kValidSample, kValidSample + " " + Out("a.pdf") + " --layout",
          kValidSample + " " + Out("a.pdf") + " --format Reclaim", kValidSample + " '' "}) {
        SCOPED_TRACE(arguments);
        CommandRun run = Invoke(arguments);
        EXPECT_EQ(2, run.exit_code);
        EXPECT_TRUE(Contains(run.output, kUsage)) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));
}

TEST_F(InvoicePrintToolTest, FilesThatCannotBeLoadedExitWithOneAndTheReason) {
    REQUIRE_REFDATA();
    for (const std::string& input :
         {Out("missing.xml"), kInvalidSample, k440Sample, folder_.Path()}) {
        SCOPED_TRACE(input);
        CommandRun run = Invoke(input + " " + Out("a.pdf"));
        EXPECT_EQ(1, run.exit_code) << run.output;
        EXPECT_TRUE(Contains(run.output, input + ": ")) << run.output;
        EXPECT_FALSE(Contains(run.output, kUsage)) << run.output;
    }
    EXPECT_TRUE(Contains(Invoke(k440Sample + " " + Out("a.pdf")).output, "4.40"));
    EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));
}

TEST_F(InvoicePrintToolTest, InvoicesThatCannotBePrintedExitWithOneAndWriteNothing) {
    REQUIRE_REFDATA();
    // The sample's IBAN is no QR-IBAN but carries a QR reference: its
    // QR-bill cannot be made, and the patient's invoice has one.
    CommandRun slip = Invoke(kValidSample + " " + Out("a.pdf") + " --layout PatientInvoice");
    EXPECT_EQ(1, slip.exit_code);
    EXPECT_TRUE(Contains(slip.output, "QR-bill")) << slip.output;
    CommandRun layout = Invoke(kValidSample + " " + Out("a.pdf") + " --layout Brief");
    EXPECT_EQ(1, layout.exit_code);
    EXPECT_TRUE(Contains(layout.output, "unknown layout")) << layout.output;
    CommandRun reminder = Invoke(kValidSample + " " + Out("a.pdf") + " --layout Reminder");
    EXPECT_EQ(1, reminder.exit_code);
    EXPECT_TRUE(Contains(reminder.output, "reminder")) << reminder.output;
    EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));

    CommandRun unwritable =
        Invoke(kValidSample + " " + Out("no/such/folder/a.pdf") + " --layout Reclaim");
    EXPECT_EQ(1, unwritable.exit_code);
    EXPECT_TRUE(Contains(unwritable.output, "cannot be written")) << unwritable.output;
}

}  // namespace
