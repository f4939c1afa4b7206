// What the manager does with an invoice that comes back from a file: the
// values only the interface sets (TC token, biller UID) survive GetXML and
// LoadXML, attached documents are saved as files the reads name, and a
// loaded invoice whose figures or payment data are wrong is neither printed
// nor written (nor passed by invoicetool validate).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "module/objects/manager_object.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/temp_folder.h"
#include "tests/integration/command_run.h"

namespace {

class LoadedInvoiceTest : public request_test::RequestTest {
  protected:
    // GetXML of the current request; the written file's path.
    std::string WriteXml() {
        BSTR file, schema;
        long errors = 0, timestamp = 0;
        ComPtr<IGeneralInvoiceResult> result;
        EXPECT_EQ(S_OK, module_.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                                result.ReleaseAndGetAddressOf(), &status_))
            << ManagerAbort();
        return file;
    }

    // LoadXML of `path`; the result over the loaded invoice.
    ComPtr<IGeneralInvoiceResult> LoadXml(const std::string& path) {
        BSTR schema;
        ComPtr<IGeneralInvoiceRequest> request;
        ComPtr<IGeneralInvoiceResult> result;
        EXPECT_EQ(S_OK, module_.manager->LoadXML(path, &schema, request.ReleaseAndGetAddressOf(),
                                                 result.ReleaseAndGetAddressOf(), &status_))
            << ManagerAbort();
        return result;
    }

    std::string ManagerAbort() {
        BSTR text;
        VARIANT_BOOL status = 0;
        module_.manager->GetAbortInfo(&text, &status);
        return text;
    }

    void Finalize() {
        double difference = 0;
        ASSERT_EQ(S_OK, request_->Finalize(&difference, &status_)) << Abort();
    }

    // `xml` with `from` replaced by `to`, as the file "changed.xml".
    std::string Changed(std::string xml, const std::string& from, const std::string& to) {
        size_t at = xml.find(from);
        EXPECT_NE(std::string::npos, at) << from;
        if (at != std::string::npos) xml.replace(at, from.size(), to);
        std::string path = folder_.Path() + "changed.xml";
        WriteFileText(path, xml);
        return path;
    }

    // Print and GetXML of the current request; the two abort texts.
    std::pair<std::string, std::string> PrintAndWriteRefused() {
        long timestamp = 0;
        ComPtr<IGeneralInvoiceResult> result;
        EXPECT_EQ(E_FAIL, module_.manager->Print("(PDF_NOPRINT=" + folder_.Path() + "x.pdf;)", 0, 0,
                                                 0, 0, "", &timestamp,
                                                 result.ReleaseAndGetAddressOf(), &status_));
        std::string print = ManagerAbort();
        BSTR file, schema;
        long errors = 0;
        EXPECT_EQ(E_FAIL, module_.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                                  result.ReleaseAndGetAddressOf(), &status_));
        return {print, ManagerAbort()};
    }

    TempFolder folder_;
};

TEST_F(LoadedInvoiceTest, TcTokenAndBillerUidAreWrittenAndReadBack) {
    build_.SetSampleSections();
    ASSERT_EQ(S_OK, request_->SetProcessing(0, 1, "TC-4711", &status_)) << Abort();
    ASSERT_EQ(S_OK, request_->SetTiers(1, "CHE-123.456.788", 0, &status_)) << Abort();
    build_.AddSampleServices();
    Finalize();
    std::string path = WriteXml();
    std::string xml = ReadFileText(path);
    EXPECT_NE(std::string::npos, xml.find("tc_token=\"TC-4711\"")) << xml;
    EXPECT_NE(std::string::npos, xml.find("uid_number=\"CHE-123.456.788\"")) << xml;

    ComPtr<IGeneralInvoiceResult> loaded = LoadXml(path);
    ASSERT_TRUE(loaded);
    long at_intermediate = -1, guarantor_copy = -1;
    BSTR token;
    EXPECT_EQ(S_OK, loaded->GetProcessing(&at_intermediate, &guarantor_copy, &token, &status_));
    EXPECT_EQ("TC-4711", token);
    EXPECT_EQ(1, guarantor_copy);
    // Written again, the loaded invoice keeps its UID and its one demand.
    std::string again = ReadFileText(WriteXml());
    EXPECT_NE(std::string::npos, again.find("uid_number=\"CHE-123.456.788\""));
    EXPECT_EQ(again.find("<invoice:demand"), again.rfind("<invoice:demand"));
}

TEST_F(LoadedInvoiceTest, EmbeddedDocumentsAreSavedAsFilesTheReadsName) {
    TempFolder folder;
    const std::string report = folder.Path() + "report.pdf";
    const char content[] = "%PDF-1.4\n\x00\xff binary";
    const std::string bytes(content, sizeof content - 1);
    WriteFileText(report, bytes);
    build_.SetSampleSections();
    build_.AddSampleServices();
    ASSERT_EQ(S_OK, request_->AddDocument(0, report, "Bericht", "application/pdf", &status_))
        << Abort();
    ASSERT_EQ(S_OK,
              request_->AddDocument(1, "https://example.org/x.png", "Bild", "image/png", &status_))
        << Abort();
    Finalize();
    ComPtr<IGeneralInvoiceResult> loaded = LoadXml(WriteXml());
    ASSERT_TRUE(loaded);

    long is_url = -1;
    BSTR source, title, mime;
    ASSERT_EQ(S_OK, loaded->GetFirstDocument(&is_url, &source, &title, &mime, &status_));
    EXPECT_EQ(0, is_url);
    EXPECT_NE(report, source);
    EXPECT_EQ(".pdf", source.substr(source.size() - 4));
    EXPECT_EQ(bytes, ReadFileText(source));
    EXPECT_EQ("Bericht", title);
    ASSERT_EQ(S_OK, loaded->GetNextDocument(&is_url, &source, &title, &mime, &status_));
    EXPECT_EQ(1, is_url);
    EXPECT_EQ("https://example.org/x.png", source);
}

TEST_F(LoadedInvoiceTest, WrongFiguresAndPaymentDataStopPrintGetXmlAndValidate) {
    struct Case {
        const char* from;
        const char* to;
        const char* finding;
    };
    const Case cases[] = {
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
    build_.SetSampleSections();
    build_.AddSampleServices();
    Finalize();
    const std::string sample = ReadFileText(WriteXml());
    for (const Case& c : cases) {
        LoadXml(Changed(sample, c.from, c.to));
        auto [print, write] = PrintAndWriteRefused();
        EXPECT_NE(std::string::npos, print.find("Print: the loaded invoice does not pass the "
                                                "checks: "))
            << print;
        EXPECT_NE(std::string::npos, print.find(c.finding)) << print;
        EXPECT_NE(std::string::npos, write.find(c.finding)) << write;
        EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "x.pdf"));

        CommandRun run = RunCommand(std::string(TARVOS_RUNTIME_DIR) + "/invoicetool validate " +
                                    folder_.Path() + "changed.xml");
        EXPECT_EQ(1, run.exit_code) << run.output;
        EXPECT_NE(std::string::npos, run.output.find("changed.xml: " + std::string(c.finding)))
            << run.output;
    }
}

}  // namespace
