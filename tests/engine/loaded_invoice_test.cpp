// What the manager does with an invoice that comes back from a file.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "module/objects/manager_object.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/temp_folder.h"

namespace {

using com_reads::Read;
using Result = IGeneralInvoiceResult;

class LoadedInvoiceTest : public request_test::RequestTest {
  protected:
    // GetXML of the current request (E_FAIL: refused); the file's path.
    std::string Write(HRESULT hr = S_OK) {
        BSTR file, schema;
        long errors = 0, timestamp = 0;
        ComPtr<Result> result;
        EXPECT_EQ(hr, module_.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                              result.ReleaseAndGetAddressOf(), &status_));
        return file;
    }

    // LoadXML of `path`; the result over the loaded invoice.
    ComPtr<Result> Load(const std::string& path) {
        BSTR schema;
        ComPtr<IGeneralInvoiceRequest> request;
        ComPtr<Result> result;
        EXPECT_EQ(S_OK, module_.manager->LoadXML(path, &schema, request.ReleaseAndGetAddressOf(),
                                                 result.ReleaseAndGetAddressOf(), &status_))
            << ManagerAbort();
        return result;
    }

    std::string ManagerAbort() { return Read(module_.manager.Get(), &ITarvos::GetAbortInfo); }

    TempFolder folder_;
};

// The sample with a document file (binary) and a document URL, written and
// loaded: the file comes back as a file of its own that the read names. Then
// the written file with one wrong value in turn: Print and GetXML refuse it.
TEST_F(LoadedInvoiceTest, DocumentsComeBackAsFilesAndWrongFiguresStopPrintAndGetXml) {
    const std::string report = folder_.Path() + "report.pdf";
    const char content[] = "%PDF-1.4\n\x00\xff binary";
    const std::string bytes(content, sizeof content - 1);
    WriteFileText(report, bytes);
    build_.SetSampleSections();
    build_.AddSampleServices();
    ASSERT_EQ(S_OK, request_->AddDocument(0, report, "Bericht", "application/pdf", &status_));
    ASSERT_EQ(S_OK,
              request_->AddDocument(1, "https://example.org/x.png", "Bild", "image/png", &status_));
    double difference = 0;
    ASSERT_EQ(S_OK, request_->Finalize(&difference, &status_)) << Abort();
    const std::string written = Write();
    ComPtr<Result> loaded = Load(written);
    ASSERT_TRUE(loaded);
    const std::string reads =
        com_reads::Walk(loaded.Get(), &Result::GetFirstDocument, &Result::GetNextDocument);
    const std::string source = reads.substr(5, reads.find('|', 5) - 5);  // after "ok|0|"
    EXPECT_EQ("ok|0|" + source +
                  "|Bericht|application/pdf|T ok|1|https://example.org/x.png|Bild|image/png|T "
                  "end|0||||F",
              reads);
    EXPECT_NE(report, source);
    EXPECT_EQ(".pdf" + bytes, source.substr(source.size() - 4) + ReadFileText(source));

    // Each a text of the written file, its replacement and the finding.
    const char* const cases[][3] = {
        {"amount_due=\"5233.00\"", "amount_due=\"9876.55\"",
         "balance: the amount due 9876.55 as filed differs from 5233.00 computed from the "
         "services"},
        {"amount=\"2700.00\" vat_rate", "amount=\"2750.00\" vat_rate",
         "service record 2 (tariff 999, code GA): amount 2750.00 differs from the computed amount "
         "2700.00"},
        {request_test::kQrIban, "CH5800791123000889012",
         "esrQR iban and reference_number: IBAN CH5800791123000889012 is not a QR-IBAN and "
         "cannot take a QR reference (a creditor reference RF... or none), but the reference "
         "210000000003139471430009017 is one"},
        {"date_end=\"2020-06-03T00:00:00\"", "date_end=\"2000-01-01T00:00:00\"",
         "treatment: the begin 2020-06-03 is after the end 2000-01-01"},
    };
    const std::string sample = ReadFileText(written);
    const std::string changed = folder_.Path() + "changed.xml", pdf = folder_.Path() + "x.pdf";
    for (const auto& [from, to, finding] : cases) {
        std::string xml = sample;
        ASSERT_NE(std::string::npos, xml.find(from)) << from;
        WriteFileText(changed, xml.replace(xml.find(from), strlen(from), to));
        Load(changed);
        long timestamp = 0;
        ComPtr<Result> result;
        EXPECT_EQ(E_FAIL,
                  module_.manager->Print("(PDF_NOPRINT=" + pdf + ";)", 0, 0, 0, 0, "", &timestamp,
                                         result.ReleaseAndGetAddressOf(), &status_));
        EXPECT_EQ(
            0u, ManagerAbort().rfind("ok|Print: the loaded invoice does not pass the checks: ", 0));
        EXPECT_FALSE(std::filesystem::exists(pdf));
        Write(E_FAIL);
        EXPECT_NE(std::string::npos, ManagerAbort().find(finding)) << ManagerAbort();
    }
}

}  // namespace
