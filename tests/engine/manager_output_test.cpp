// The manager's output operations through the module's interfaces: GetXML
// writes the current request, LoadXML reads a file into a new current
// request, Print makes its PDF, and they meet in round trips.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "module/objects/manager_object.h"
#include "module/objects/request_object.h"
#include "request_sample_invoice.h"
#include "request_schema_oracle.h"
#include "temp_folder.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/result_sample_invoice.h"
#include "tests/refdata.h"

namespace {

using com_reads::Read;
using module::testing_support::kRefData;
using module::testing_support::kValidSample;
using module::testing_support::OfficialSchema;
using module::testing_support::ReadText;
using Result = IGeneralInvoiceResult;
using invoice::Decimal;
using result_test::D;

constexpr long kSampleTimestamp = 1591170775;

// The status, balance and invoice reads of a call's outputs.
std::string Reads(VARIANT_BOOL status, Result* result) {
    return com_reads::Text(status) + " " + Read(result, &Result::GetBalance) + " " +
           Read(result, &Result::GetInvoice);
}

// A new current request of `manager` with the sample, the TC token and
// biller UID only the interface sets and, for `cents` > 0, an article of
// `cents` x 0.01, finalized: a request whose file passes the checks a loaded
// invoice meets before it is written (the published sample does not: its
// identifiers' check digits, dates and VAT rate are wrong).
ComPtr<IGeneralInvoiceRequest> SampleRequest(ITarvos* manager, long cents = 0) {
    ComPtr<IGeneralInvoiceRequest> request;
    EXPECT_EQ(S_OK, manager->GetGeneralInvoiceRequest(request.ReleaseAndGetAddressOf()));
    if (!request) return request;
    request_test::InvoiceBuilder build(request.Get());
    build.SetSampleSections();
    VARIANT_BOOL status = 0;
    EXPECT_EQ(S_OK, request->SetProcessing(0, 1, "TC-4711", &status));
    EXPECT_EQ(S_OK, request->SetTiers(1, "CHE-123.456.788", 0, &status));
    build.AddSampleServices();
    if (cents > 0) build.AddArticle("T", cents, 0.01, 0, 1);
    double difference = 0;
    EXPECT_EQ(S_OK, request->Finalize(&difference, &status)) << build.Abort();
    return request;
}

// The outputs of one call, the values set to sentinels first so that one a
// failing call leaves unwritten shows.
struct Outputs {
    HRESULT hr = E_FAIL;
    BSTR file = "x", used_schema = "x";
    long validation_errors = 7, timestamp = 0;
    ComPtr<Result> result;
    ComPtr<IGeneralInvoiceRequest> loaded;  // LoadXML's
    VARIANT_BOOL status = VARIANT_TRUE;
};

class ManagerOutputTest : public request_test::RequestTest {
  protected:
    Outputs GetXml(long timestamp = 0) {
        Outputs out;
        out.timestamp = timestamp;
        out.hr = module_.manager->GetXML(0, &out.file, &out.validation_errors, &out.timestamp,
                                         &out.used_schema, out.result.ReleaseAndGetAddressOf(),
                                         &out.status);
        if (!out.file.empty()) written_.push_back(out.file);
        return out;
    }

    Outputs LoadXml(const std::string& path) {
        Outputs out;
        out.hr =
            module_.manager->LoadXML(path, &out.used_schema, out.loaded.ReleaseAndGetAddressOf(),
                                     out.result.ReleaseAndGetAddressOf(), &out.status);
        return out;
    }

    // The sample's creditor (its biller) lives in no country the QR-bill
    // knows, so the sample prints without the slip unless a test asks.
    Outputs Print(const std::string& print_template, long timestamp = 0,
                  long attributes = kWithoutSlip) {
        Outputs out;
        out.timestamp = timestamp;
        out.hr = module_.manager->Print(print_template, attributes, 0, 0, 0, "", &out.timestamp,
                                        out.result.ReleaseAndGetAddressOf(), &out.status);
        return out;
    }

    std::string Pdf() const { return folder_.Path() + "invoice.pdf"; }
    std::string WithPdf(const std::string& layout) const {
        return layout + "(PDF_NOPRINT=" + Pdf() + ";)";
    }

    std::string ManagerAbort() { return Read(module_.manager.Get(), &ITarvos::GetAbortInfo); }

    // A refused call: its code, an abort text that starts with the
    // operation's name and holds `part`, no objects and a false status.
    void ExpectRefused(const Outputs& out, HRESULT hr, const std::string& operation,
                       const std::string& part) {
        const std::string abort = ManagerAbort();
        EXPECT_NE(std::string::npos, abort.find(part)) << abort;
        const bool objects = out.result || out.loaded;
        EXPECT_EQ(com_reads::ResultText(hr) + " ok|" + operation + ": no objects F",
                  com_reads::ResultText(out.hr) + " " + abort.substr(0, operation.size() + 5) +
                      (objects ? "objects " : "no objects ") + com_reads::Text(out.status));
    }

    void FinalizedSample() { request_ = SampleRequest(module_.manager.Get()); }

    // Removes the files a test wrote into the engine's output folder.
    void TearDown() override {
        for (const std::string& file : written_) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
    }

    static constexpr long kWithoutSlip = 0x2;

    std::vector<std::string> written_;
    TempFolder folder_;
};

// ---------------------------------------------------------------------------
// GetXML and Print

// The invoice's own timestamp, else a given one at either limit of the
// format; every GetXML writes a fresh file, every Print the PDF the template
// names. The manager's mode reaches the document; the language is the
// request's own (the client's Initialize). The first file, with the values
// only the interface sets, loads and is written again byte for byte.
TEST_F(ManagerOutputTest, WritesAndPrintsTheFinalizedRequestAndTheFileLoadsBack) {
    REQUIRE_REFDATA();
    ASSERT_EQ(S_OK, module_.manager->PutModus(2));           // test
    ASSERT_EQ(S_OK, module_.manager->PutModuleLanguage(2));  // French
    FinalizedSample();                                       // Initialize(1): German
    for (long given : {0L, 1420066800L, 1924902000L}) {
        const std::string expected = std::to_string(given != 0 ? given : kSampleTimestamp);
        Outputs out = GetXml(given);
        for (const Outputs& o : {out, Print(WithPdf("PatientInvoice"), given)}) {
            ASSERT_EQ(S_OK, o.hr) << ManagerAbort();
            ASSERT_TRUE(o.result);
            EXPECT_EQ(expected + " T ok|5232.99|17.76|0|0|5233|254.02|T ok|000001000001|43985|" +
                          expected + "|T",
                      std::to_string(o.timestamp) + " " + Reads(o.status, o.result.Get()));
        }
        EXPECT_EQ(0u, ReadText(Pdf()).rfind("%PDF", 0));
        std::filesystem::remove(Pdf());
        EXPECT_EQ("0 generalInvoiceRequest_450.xsd",
                  std::to_string(out.validation_errors) + " " + out.used_schema);
        EXPECT_EQ(0u, out.file.rfind(ModuleOutputFolder(), 0)) << out.file;
        std::string text = ReadText(out.file);
        EXPECT_EQ(0, OfficialSchema::Instance().CountErrors(text));
        EXPECT_NE(std::string::npos, text.find("language=\"de\" modus=\"test\""));
    }
    EXPECT_EQ(3u, std::set<std::string>(written_.begin(), written_.end()).size());

    const std::string xml = ReadText(written_[0]);
    EXPECT_NE(std::string::npos, xml.find("tc_token=\"TC-4711\""));
    EXPECT_NE(std::string::npos, xml.find("uid_number=\"CHE-123.456.788\""));
    EXPECT_EQ(xml.find("<invoice:demand"), xml.rfind("<invoice:demand"));
    ASSERT_EQ(S_OK, LoadXml(written_[0]).hr) << ManagerAbort();
    Outputs out = GetXml();
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    EXPECT_EQ(xml, ReadText(out.file));
}

// Refusals write no file and empty the outputs: of a request not finalized,
// of a newer request handed out since, of timestamps one past the format's
// limits and of print templates the module cannot print.
TEST_F(ManagerOutputTest, RefusalsWriteNothingAndEmptyTheOutputs) {
    auto xml = [this](long timestamp, HRESULT hr, const char* abort) {
        Outputs out = GetXml(timestamp);
        ExpectRefused(out, hr, "GetXML", abort);
        EXPECT_EQ("0", out.file + out.used_schema + std::to_string(out.validation_errors));
    };
    auto print = [this](const std::string& print_template, long attributes, HRESULT hr,
                        const char* abort) {
        ExpectRefused(Print(print_template, 0, attributes), hr, "Print", abort);
        EXPECT_FALSE(std::filesystem::exists(Pdf()));
    };
    request_test::InvoiceBuilder(request_.Get()).SetSampleSections();
    xml(0, E_FAIL, "the current request is not finalized");
    print(WithPdf("PatientInvoice"), kWithoutSlip, E_FAIL, "not finalized");
    FinalizedSample();
    ComPtr<IGeneralInvoiceRequest> newer;
    ASSERT_EQ(S_OK, module_.manager->GetGeneralInvoiceRequest(newer.ReleaseAndGetAddressOf()));
    xml(0, E_FAIL, "the current request is not finalized");
    FinalizedSample();
    xml(1420066799, E_INVALIDARG, "plTimestamp 1420066799 lies outside");
    print("PatientInvoice(Copy=1)", kWithoutSlip, E_INVALIDARG, "PDF_NOPRINT");
    print(WithPdf("PatientInvoice"), 0, E_INVALIDARG, "NDF");
    print("(PDF_NOPRINT=" + folder_.Path() + "missing/folder/x.pdf;)", kWithoutSlip, E_FAIL, "");
}

// ---------------------------------------------------------------------------
// LoadXML

// The published sample loads into a new request and a result with its
// figures and biller as filed; a refused load names the reason and leaves
// the current request in place.
TEST_F(ManagerOutputTest, LoadsTheSampleAsFiledAndRefusalsKeepTheCurrentRequest) {
    REQUIRE_REFDATA();
    Outputs load = LoadXml(kValidSample);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    ASSERT_TRUE(load.loaded && load.result);
    EXPECT_NE(request_.Get(), load.loaded.Get());
    EXPECT_EQ(
        "generalInvoiceRequest_450.xsd T ok|5232.99|17.76|0|0|5232.99|260.98|T "
        "ok|000001000001|43985|1591170775|T",
        load.used_schema + " " + Reads(load.status, load.result.Get()));
    EXPECT_EQ(0u, Read(load.result.Get(), &Result::GetBiller).rfind("ok|2000000000002|", 0));

    std::string broken = ReadText(kValidSample);  // the sample with one value broken
    broken.replace(broken.find("amount_due=\"5232.99\""), 20, "amount_due=\"lots\"");
    const struct {
        const char* file;     // in the test's folder, or a reference file with "refdata:"
        std::string content;  // written to the file; "": not written
        const char* schema;   // the schema named
        const char* abort;    // part of the abort text
    } cases[] = {
        {"plain.xml", "this is plain text, no XML\n", "", "well-formed"},
        {"", "", "", "bstrInputFile"},
        {"broken.xml", broken, "generalInvoiceRequest_450.xsd", "does not conform"},
        {"refdata:samples440/elexis_elexis-3-base_erroneous44_2.xml", "",
         "generalInvoiceRequest_440.xsd", "4.4"},
    };
    FinalizedSample();
    for (const auto& c : cases) {
        std::string file = c.file, path = *c.file ? folder_.Path() + file : "";
        if (file.rfind("refdata:", 0) == 0) path = kRefData + file.substr(8);
        if (!c.content.empty()) std::ofstream(path, std::ios::binary) << c.content;
        Outputs load = LoadXml(path);
        ExpectRefused(load, E_INVALIDARG, "LoadXML", c.abort);
        EXPECT_EQ(c.schema, load.used_schema);
        EXPECT_EQ(S_OK, GetXml().hr) << file << ": " << ManagerAbort();
    }
}

// ---------------------------------------------------------------------------
// Managers on different threads

// Each thread has a manager of its own: its invoices (each with an article
// of its own), the last written with a timestamp of its own by all threads
// at once.
TEST_F(ManagerOutputTest, ManagersOnThreadsKeepTheirOwnInvoicesAndFiles) {
    constexpr int kThreads = 4, kInvoices = 100;
    std::vector<std::string> files(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &files] {
            request_test::TestModule module;
            ITarvos* m = module.manager.Get();
            for (int i = 0; i < kInvoices; ++i) {
                const long cents = t * 1000 + i + 1;
                auto invoice = AsRequestImpl(SampleRequest(m, cents).Get())->FinalizedSnapshot();
                const auto amount = D("5232.99") + Decimal::FromInt(cents) * D("0.01");
                ASSERT_TRUE(invoice);
                EXPECT_EQ(amount.ToString() + " " + amount.RoundToFiveCents().ToString(),
                          invoice->balance.amount.ToString() + " " +
                              invoice->balance.amount_due.ToString());
            }
            BSTR schema, file;
            ComPtr<Result> written;
            VARIANT_BOOL status = 0;
            long errors = -1, timestamp = 1600000000 + t;
            ASSERT_EQ(S_OK, m->GetXML(0, &file, &errors, &timestamp, &schema,
                                      written.ReleaseAndGetAddressOf(), &status));
            files[t] = file;
            EXPECT_NE(std::string::npos,
                      ReadText(file).find("request_timestamp=\"" + std::to_string(1600000000 + t) +
                                          "\""));
        });
    }
    for (std::thread& thread : threads) thread.join();
    written_.insert(written_.end(), files.begin(), files.end());
    EXPECT_EQ(size_t{kThreads}, std::set<std::string>(files.begin(), files.end()).size());
}

}  // namespace
