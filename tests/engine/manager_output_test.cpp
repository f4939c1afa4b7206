// The manager's output operations through the module's interfaces: GetXML
// writes the current request, LoadXML reads a file into a new current
// request, and the two meet in round trips.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "module/objects/manager_object.h"
#include "request_sample_invoice.h"
#include "request_schema_oracle.h"
#include "temp_folder.h"
#include "tests/refdata.h"

namespace {

using module::testing_support::kRefData;
using module::testing_support::kValidSample;
using module::testing_support::OfficialSchema;
using module::testing_support::ReadText;

constexpr long kSampleTimestamp = 1591170775;

// The sample built through the interface and written by GetXML: a file that
// passes the checks a loaded invoice meets before it is written (the
// published sample does not: its identifiers' check digits, dates and VAT
// rate are wrong).
std::string CheckedSampleFile() {
    request_test::TestModule module;
    request_test::InvoiceBuilder build(module.request.Get());
    build.SetSampleSections();
    build.AddSampleServices();
    double difference = 0;
    VARIANT_BOOL status = 0;
    EXPECT_EQ(S_OK, module.request->Finalize(&difference, &status)) << build.Abort();
    BSTR file, schema;
    long errors = 0, timestamp = 0;
    ComPtr<IGeneralInvoiceResult> result;
    EXPECT_EQ(S_OK, module.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                           result.ReleaseAndGetAddressOf(), &status));
    return file;
}

// The outputs of one GetXML call.
struct XmlOutput {
    HRESULT hr = E_FAIL;
    BSTR file;
    long validation_errors = -1;
    long timestamp = 0;
    BSTR used_schema;
    ComPtr<IGeneralInvoiceResult> result;
    VARIANT_BOOL status = 0;
};

// The outputs of one LoadXML call.
struct LoadOutput {
    HRESULT hr = E_FAIL;
    BSTR used_schema;
    ComPtr<IGeneralInvoiceRequest> request;
    ComPtr<IGeneralInvoiceResult> result;
    VARIANT_BOOL status = 0;
};

class ManagerOutputTest : public request_test::RequestTest {
  protected:
    XmlOutput GetXml(long timestamp = 0, long attributes = 0) {
        XmlOutput out;
        out.timestamp = timestamp;
        out.hr = module_.manager->GetXML(attributes, &out.file, &out.validation_errors,
                                         &out.timestamp, &out.used_schema,
                                         out.result.ReleaseAndGetAddressOf(), &out.status);
        return out;
    }

    LoadOutput LoadXml(const std::string& path) {
        LoadOutput out;
        out.hr =
            module_.manager->LoadXML(path, &out.used_schema, out.request.ReleaseAndGetAddressOf(),
                                     out.result.ReleaseAndGetAddressOf(), &out.status);
        return out;
    }

    std::string ManagerAbort() {
        BSTR text;
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, module_.manager->GetAbortInfo(&text, &status));
        return text;
    }

    void BuildSample() {
        build_.SetSampleSections();
        build_.AddSampleServices();
    }

    void Finalize() {
        double round_difference = 0;
        ASSERT_EQ(S_OK, request_->Finalize(&round_difference, &status_)) << Abort();
    }

    // Removes the files a test wrote into the engine's output folder.
    void TearDown() override {
        for (const std::string& file : written_) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
    }

    void Remember(const XmlOutput& out) {
        if (!out.file.empty()) written_.push_back(out.file);
    }

    std::vector<std::string> written_;
};

double AmountOf(IGeneralInvoiceResult* result) {
    double amount = 0, obligatory = 0, prepaid = 0, reminder = 0, due = 0, vat = 0;
    VARIANT_BOOL status = 0;
    EXPECT_EQ(S_OK,
              result->GetBalance(&amount, &obligatory, &prepaid, &reminder, &due, &vat, &status));
    return amount;
}

std::string BillerGlnOf(IGeneralInvoiceResult* result) {
    BSTR ean, zsr, nif, specialty;
    ComPtr<IAddress> address;
    VARIANT_BOOL status = 0;
    EXPECT_EQ(S_OK, result->GetBiller(&ean, &zsr, &nif, &specialty,
                                      address.ReleaseAndGetAddressOf(), &status));
    return ean;
}

long InvoiceTimestampOf(IGeneralInvoiceResult* result) {
    BSTR id;
    DATE date = 0;
    long timestamp = 0;
    VARIANT_BOOL status = 0;
    EXPECT_EQ(S_OK, result->GetInvoice(&id, &date, &timestamp, &status));
    return timestamp;
}

// ---------------------------------------------------------------------------
// GetXML

TEST_F(ManagerOutputTest, WritesTheFinalizedSampleAsAValidDocument) {
    REQUIRE_REFDATA();
    BuildSample();
    Finalize();
    XmlOutput out = GetXml();
    Remember(out);
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    EXPECT_EQ(VARIANT_TRUE, out.status);
    EXPECT_EQ(0, out.validation_errors);
    EXPECT_EQ("generalInvoiceRequest_450.xsd", out.used_schema);
    EXPECT_EQ(kSampleTimestamp, out.timestamp);  // the invoice's own
    ASSERT_TRUE(std::filesystem::is_regular_file(out.file)) << out.file;
    EXPECT_EQ(0u, out.file.rfind(ModuleOutputFolder(), 0)) << out.file;

    ASSERT_TRUE(OfficialSchema::Instance().Loaded());
    EXPECT_EQ(0, OfficialSchema::Instance().CountErrors(ReadText(out.file)));

    ASSERT_TRUE(out.result);
    EXPECT_DOUBLE_EQ(5232.99, AmountOf(out.result.Get()));
    EXPECT_EQ(request_test::kBillerGln, BillerGlnOf(out.result.Get()));
    EXPECT_EQ(kSampleTimestamp, InvoiceTimestampOf(out.result.Get()));
}

TEST_F(ManagerOutputTest, EachCallWritesAFreshFile) {
    BuildSample();
    Finalize();
    XmlOutput first = GetXml();
    XmlOutput second = GetXml();
    Remember(first);
    Remember(second);
    ASSERT_EQ(S_OK, first.hr) << ManagerAbort();
    ASSERT_EQ(S_OK, second.hr) << ManagerAbort();
    EXPECT_NE(first.file, second.file);
    EXPECT_TRUE(std::filesystem::exists(first.file));
    EXPECT_TRUE(std::filesystem::exists(second.file));
}

TEST_F(ManagerOutputTest, AGivenTimestampIsWrittenAndShownByTheResult) {
    BuildSample();
    Finalize();
    const long given = 1700000000;
    XmlOutput out = GetXml(given);
    Remember(out);
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    EXPECT_EQ(given, out.timestamp);
    EXPECT_NE(std::string::npos,
              ReadText(out.file).find("request_timestamp=\"" + std::to_string(given) + "\""));
    EXPECT_EQ(given, InvoiceTimestampOf(out.result.Get()));
}

TEST_F(ManagerOutputTest, TimestampOutsideTheFormatIsRefused) {
    BuildSample();
    Finalize();
    XmlOutput out = GetXml(-5);
    Remember(out);
    EXPECT_EQ(E_INVALIDARG, out.hr);
    EXPECT_TRUE(out.file.empty());
    EXPECT_FALSE(out.result);
    EXPECT_NE(std::string::npos, ManagerAbort().find("GetXML: plTimestamp"));
}

TEST_F(ManagerOutputTest, NeedsAFinalizedRequest) {
    BuildSample();  // not finalized
    XmlOutput out = GetXml();
    EXPECT_EQ(E_FAIL, out.hr);
    EXPECT_EQ(VARIANT_FALSE, out.status);
    EXPECT_TRUE(out.file.empty());
    EXPECT_FALSE(out.result);
    EXPECT_NE(std::string::npos, ManagerAbort().find("not finalized")) << ManagerAbort();

    Finalize();
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, request_->SetPackage("Other", 1, 0, "", &status));  // drops the finalized state
    EXPECT_EQ(E_FAIL, GetXml().hr);
}

TEST_F(ManagerOutputTest, WorksOnTheRequestHandedOutLast) {
    BuildSample();
    Finalize();
    ComPtr<IGeneralInvoiceRequest> newer;
    ASSERT_EQ(S_OK, module_.manager->GetGeneralInvoiceRequest(newer.ReleaseAndGetAddressOf()));
    XmlOutput out = GetXml();
    EXPECT_EQ(E_FAIL, out.hr);  // the new, empty request is current
    EXPECT_NE(std::string::npos, ManagerAbort().find("GetXML:"));
}

TEST_F(ManagerOutputTest, FailuresLeaveEmptiedOutputs) {
    BSTR file = "x", schema = "x";
    long validation = 7, timestamp = 0;
    IGeneralInvoiceResult* result = reinterpret_cast<IGeneralInvoiceResult*>(0x1);
    IGeneralInvoiceRequest* request = reinterpret_cast<IGeneralInvoiceRequest*>(0x1);
    VARIANT_BOOL status = VARIANT_TRUE;
    ITarvos* manager = module_.manager.Get();
    EXPECT_EQ(E_FAIL,
              manager->GetXML(0, &file, &validation, &timestamp, &schema, &result, &status));
    EXPECT_EQ("", file);
    EXPECT_EQ(0, validation);
    EXPECT_EQ("", schema);
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(VARIANT_FALSE, status);

    result = reinterpret_cast<IGeneralInvoiceResult*>(0x1);
    status = VARIANT_TRUE;
    EXPECT_EQ(E_INVALIDARG, manager->LoadXML("", &schema, &request, &result, &status));
    EXPECT_EQ(nullptr, request);
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(VARIANT_FALSE, status);

    result = reinterpret_cast<IGeneralInvoiceResult*>(0x1);
    status = VARIANT_TRUE;
    EXPECT_EQ(E_FAIL, manager->Print("(PDF_NOPRINT=/tmp/x.pdf;)", 0, 0, 0, 0, "", &timestamp,
                                     &result, &status));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(VARIANT_FALSE, status);
}

TEST_F(ManagerOutputTest, NullOutPointersAreRefused) {
    BSTR file, schema;
    long errors = 0, timestamp = 0;
    IGeneralInvoiceResult* result = nullptr;
    VARIANT_BOOL status = 0;
    ITarvos* manager = module_.manager.Get();
    EXPECT_EQ(E_POINTER,
              manager->GetXML(0, nullptr, &errors, &timestamp, &schema, &result, &status));
    EXPECT_EQ(E_POINTER, manager->GetXML(0, &file, &errors, &timestamp, &schema, nullptr, &status));
    IGeneralInvoiceRequest* request = nullptr;
    EXPECT_EQ(E_POINTER, manager->LoadXML(kValidSample, &schema, nullptr, &result, &status));
    EXPECT_EQ(E_POINTER, manager->LoadXML(kValidSample, &schema, &request, &result, nullptr));
}

TEST_F(ManagerOutputTest, TheManagersModeReachesTheDocument) {
    ASSERT_EQ(S_OK, module_.manager->PutModus(2));  // test
    ASSERT_EQ(S_OK, module_.manager->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
    request_test::InvoiceBuilder build(request_.Get());
    build.SetSampleSections();
    build.AddSampleServices();
    Finalize();
    XmlOutput out = GetXml();
    Remember(out);
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    EXPECT_NE(std::string::npos, ReadText(out.file).find("modus=\"test\""));
}

TEST_F(ManagerOutputTest, TheClientsInitializeDecidesTheLanguage) {
    ASSERT_EQ(S_OK, module_.manager->PutModuleLanguage(2));  // French
    ASSERT_EQ(S_OK, module_.manager->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
    request_test::InvoiceBuilder build(request_.Get());
    build.SetSampleSections();  // calls Initialize(1): German after all
    build.AddSampleServices();
    Finalize();
    XmlOutput out = GetXml();
    Remember(out);
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    EXPECT_NE(std::string::npos, ReadText(out.file).find("language=\"de\""));

    ComPtr<IGeneralInvoiceRequest> fresh;
    ASSERT_EQ(S_OK, module_.manager->GetGeneralInvoiceRequest(fresh.ReleaseAndGetAddressOf()));
    BSTR schema;
    IGeneralInvoiceRequest* loaded_request = nullptr;
    ComPtr<IGeneralInvoiceResult> loaded;
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, module_.manager->LoadXML(out.file, &schema, &loaded_request,
                                             loaded.ReleaseAndGetAddressOf(), &status));
    loaded_request->Release();
    long language = 0, role = 0, place = 0, storno = 0, copy = 0;
    BSTR title, remark;
    EXPECT_EQ(S_OK, loaded->GetRequest(&language, &role, &place, &title, &storno, &copy, &remark,
                                       &status));
    EXPECT_EQ(1, language);  // the file's, not the manager's
}

// ---------------------------------------------------------------------------
// LoadXML

TEST_F(ManagerOutputTest, LoadsTheSampleIntoANewRequestAndAResult) {
    REQUIRE_REFDATA();
    LoadOutput load = LoadXml(kValidSample);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    EXPECT_EQ(VARIANT_TRUE, load.status);
    EXPECT_EQ("generalInvoiceRequest_450.xsd", load.used_schema);
    ASSERT_TRUE(load.request);
    ASSERT_TRUE(load.result);
    EXPECT_NE(request_.Get(), load.request.Get());
    EXPECT_DOUBLE_EQ(5232.99, AmountOf(load.result.Get()));
    EXPECT_EQ("2000000000002", BillerGlnOf(load.result.Get()));  // as the file has it
    EXPECT_EQ(kSampleTimestamp, InvoiceTimestampOf(load.result.Get()));
}

TEST_F(ManagerOutputTest, LoadedRequestWritesBackAsTheSameInvoice) {
    const std::string sample = CheckedSampleFile();
    LoadOutput load = LoadXml(sample);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    XmlOutput out = GetXml();  // the loaded request counts as finalized
    Remember(out);
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    EXPECT_EQ(0, out.validation_errors);
    EXPECT_EQ(kSampleTimestamp, out.timestamp);
    EXPECT_EQ(0, OfficialSchema::Instance().CountErrors(ReadText(out.file)));
    EXPECT_DOUBLE_EQ(5232.99, AmountOf(out.result.Get()));
    EXPECT_EQ(request_test::kBillerGln, BillerGlnOf(out.result.Get()));
    EXPECT_EQ(ReadText(sample), ReadText(out.file));

    // And the written file loads again to the same values.
    LoadOutput again = LoadXml(out.file);
    ASSERT_EQ(S_OK, again.hr) << ManagerAbort();
    EXPECT_DOUBLE_EQ(5232.99, AmountOf(again.result.Get()));
    EXPECT_EQ(request_test::kBillerGln, BillerGlnOf(again.result.Get()));
    EXPECT_EQ(kSampleTimestamp, InvoiceTimestampOf(again.result.Get()));
}

TEST_F(ManagerOutputTest, BuiltInvoiceSurvivesWriteAndLoad) {
    BuildSample();
    Finalize();
    XmlOutput out = GetXml();
    Remember(out);
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    LoadOutput load = LoadXml(out.file);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    EXPECT_DOUBLE_EQ(AmountOf(out.result.Get()), AmountOf(load.result.Get()));
    EXPECT_EQ(request_test::kBillerGln, BillerGlnOf(load.result.Get()));
}

TEST_F(ManagerOutputTest, LoadedRequestCanBeChangedAndMustThenBeFinalizedAgain) {
    REQUIRE_REFDATA();
    LoadOutput load = LoadXml(kValidSample);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, load.request->SetPackage("Other", 2, 0, "", &status));
    EXPECT_EQ(E_FAIL, GetXml().hr);
}

TEST_F(ManagerOutputTest, Invalid440FileIsRefusedAndNamed) {
    REQUIRE_REFDATA();
    BuildSample();
    Finalize();
    LoadOutput load = LoadXml(kRefData + "samples440/elexis_elexis-3-base_erroneous44_2.xml");
    EXPECT_EQ(E_INVALIDARG, load.hr);
    EXPECT_EQ(VARIANT_FALSE, load.status);
    EXPECT_EQ("generalInvoiceRequest_440.xsd", load.used_schema);
    EXPECT_FALSE(load.request);
    EXPECT_FALSE(load.result);
    std::string abort = ManagerAbort();
    EXPECT_EQ(0u, abort.rfind("LoadXML: ", 0)) << abort;
    EXPECT_NE(std::string::npos, abort.find("4.4")) << abort;

    // The refused load leaves the current request in place.
    XmlOutput out = GetXml();
    Remember(out);
    EXPECT_EQ(S_OK, out.hr) << ManagerAbort();
}

TEST_F(ManagerOutputTest, NonXmlAndMissingFilesAreRefused) {
    TempFolder folder;
    std::string text_file = folder.Path() + "not-an-invoice.xml";
    {
        std::ofstream out(text_file);
        out << "this is plain text, no XML\n";
    }
    LoadOutput plain = LoadXml(text_file);
    EXPECT_EQ(E_INVALIDARG, plain.hr);
    EXPECT_FALSE(plain.request);
    EXPECT_NE(std::string::npos, ManagerAbort().find("well-formed")) << ManagerAbort();

    LoadOutput missing = LoadXml(folder.Path() + "nowhere.xml");
    EXPECT_EQ(E_INVALIDARG, missing.hr);
    EXPECT_NE(std::string::npos, ManagerAbort().find("nowhere.xml")) << ManagerAbort();

    LoadOutput empty = LoadXml("");
    EXPECT_EQ(E_INVALIDARG, empty.hr);
    EXPECT_NE(std::string::npos, ManagerAbort().find("bstrInputFile")) << ManagerAbort();
}

TEST_F(ManagerOutputTest, SchemaBreakingFileIsRefused) {
    REQUIRE_REFDATA();
    TempFolder folder;
    std::string text = ReadText(kValidSample);
    std::string::size_type at = text.find("amount_due=\"5232.99\"");
    ASSERT_NE(std::string::npos, at);
    text.replace(at, 20, "amount_due=\"lots\"");
    std::string path = folder.Path() + "broken.xml";
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    LoadOutput load = LoadXml(path);
    EXPECT_EQ(E_INVALIDARG, load.hr);
    EXPECT_EQ("generalInvoiceRequest_450.xsd", load.used_schema);
    EXPECT_NE(std::string::npos, ManagerAbort().find("does not conform")) << ManagerAbort();
}

// ---------------------------------------------------------------------------
// Print

class ManagerPrintTest : public ManagerOutputTest {
  protected:
    // Prints the current request with `layout` into folder_; S_OK or the
    // failing code.
    // The sample's creditor (its biller) lives in no country the QR-bill
    // knows, so the sample prints without the slip unless a test asks.
    HRESULT Print(const std::string& print_template, long timestamp = 0,
                  long attributes = kWithoutSlip) {
        timestamp_ = timestamp;
        return module_.manager->Print(print_template, attributes, 0, 0, 0, "", &timestamp_,
                                      printed_.ReleaseAndGetAddressOf(), &status_);
    }

    std::string Pdf() const { return folder_.Path() + "invoice.pdf"; }
    std::string WithPdf(const std::string& layout) const {
        return layout + "(PDF_NOPRINT=" + Pdf() + ";)";
    }

    static constexpr long kWithoutSlip = 0x2;

    TempFolder folder_;
    long timestamp_ = 0;
    ComPtr<IGeneralInvoiceResult> printed_;
};

TEST_F(ManagerPrintTest, PrintsTheFinalizedRequestToThePdfOfTheTemplate) {
    BuildSample();
    Finalize();
    ASSERT_EQ(S_OK, Print(WithPdf("PatientInvoice"))) << ManagerAbort();
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kSampleTimestamp, timestamp_);
    ASSERT_TRUE(std::filesystem::is_regular_file(Pdf()));
    EXPECT_EQ(0u, ReadText(Pdf()).rfind("%PDF", 0));
    ASSERT_TRUE(printed_);
    EXPECT_DOUBLE_EQ(5232.99, AmountOf(printed_.Get()));
    EXPECT_EQ(kSampleTimestamp, InvoiceTimestampOf(printed_.Get()));
}

TEST_F(ManagerPrintTest, AGivenTimestampReachesTheResult) {
    BuildSample();
    Finalize();
    ASSERT_EQ(S_OK, Print(WithPdf(""), 1700000000)) << ManagerAbort();
    EXPECT_EQ(1700000000, timestamp_);
    EXPECT_EQ(1700000000, InvoiceTimestampOf(printed_.Get()));
}

TEST_F(ManagerPrintTest, NeedsAFinalizedRequest) {
    BuildSample();
    EXPECT_EQ(E_FAIL, Print(WithPdf("PatientInvoice")));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_FALSE(printed_);
    EXPECT_FALSE(std::filesystem::exists(Pdf()));
    std::string abort = ManagerAbort();
    EXPECT_EQ(0u, abort.rfind("Print: ", 0)) << abort;
    EXPECT_NE(std::string::npos, abort.find("not finalized")) << abort;
}

TEST_F(ManagerPrintTest, TemplateProblemsAreNamed) {
    BuildSample();
    Finalize();
    EXPECT_EQ(E_INVALIDARG, Print("PatientInvoice(Copy=1)"));  // no PDF_NOPRINT
    EXPECT_NE(std::string::npos, ManagerAbort().find("PDF_NOPRINT")) << ManagerAbort();
    EXPECT_EQ(E_INVALIDARG, Print(WithPdf("Invoice")));
    EXPECT_NE(std::string::npos, ManagerAbort().find("Invoice")) << ManagerAbort();
    EXPECT_FALSE(printed_);
    EXPECT_FALSE(std::filesystem::exists(Pdf()));
}

TEST_F(ManagerPrintTest, PrinterRefusalsKeepTheirCodeAndText) {
    BuildSample();
    Finalize();
    EXPECT_EQ(E_INVALIDARG, Print(WithPdf("PatientInvoice"), 0, 0));  // with the slip
    std::string abort = ManagerAbort();
    EXPECT_EQ(0u, abort.rfind("Print: QR-bill", 0)) << abort;
    EXPECT_NE(std::string::npos, abort.find("NDF")) << abort;
    EXPECT_FALSE(std::filesystem::exists(Pdf()));

    EXPECT_EQ(E_FAIL, Print("(PDF_NOPRINT=" + folder_.Path() + "missing/folder/x.pdf;)"));
    EXPECT_EQ(0u, ManagerAbort().rfind("Print: ", 0)) << ManagerAbort();
}

TEST_F(ManagerPrintTest, NullOutPointersAreRefused) {
    long timestamp = 0;
    IGeneralInvoiceResult* result = nullptr;
    VARIANT_BOOL status = 0;
    ITarvos* manager = module_.manager.Get();
    EXPECT_EQ(E_POINTER, manager->Print(WithPdf(""), 0, 0, 0, 0, "", nullptr, &result, &status));
    EXPECT_EQ(E_POINTER, manager->Print(WithPdf(""), 0, 0, 0, 0, "", &timestamp, nullptr, &status));
    EXPECT_EQ(E_POINTER, manager->Print(WithPdf(""), 0, 0, 0, 0, "", &timestamp, &result, nullptr));
}

// ---------------------------------------------------------------------------
// Managers on different threads

TEST(ManagerOutputThreads, ManagersLoadAndWriteAtTheSameTime) {
    const std::string sample = CheckedSampleFile();
    constexpr int kThreads = 4;
    std::vector<std::string> files(kThreads);
    std::vector<HRESULT> results(kThreads, E_FAIL);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([i, &files, &results, &sample] {
            request_test::TestModule module;
            BSTR schema, file;
            ComPtr<IGeneralInvoiceRequest> request;
            ComPtr<IGeneralInvoiceResult> loaded, written;
            VARIANT_BOOL status = 0;
            long errors = -1, timestamp = 1600000000 + i;
            if (module.manager->LoadXML(sample, &schema, request.ReleaseAndGetAddressOf(),
                                        loaded.ReleaseAndGetAddressOf(), &status) != S_OK) {
                return;
            }
            results[i] = module.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                                written.ReleaseAndGetAddressOf(), &status);
            files[i] = file;
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(S_OK, results[i]) << i;
        std::string text = ReadText(files[i]);
        EXPECT_NE(std::string::npos,
                  text.find("request_timestamp=\"" + std::to_string(1600000000 + i) + "\""))
            << files[i];
        for (int j = 0; j < i; ++j) EXPECT_NE(files[j], files[i]);
        std::error_code ignored;
        std::filesystem::remove(files[i], ignored);
    }
}

}  // namespace
