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
const std::string kSampleBalance = "ok|5232.99|17.76|0|0|5233|254.02|T";

std::string InvoiceRead(long timestamp) {
    return "ok|000001000001|43985|" + std::to_string(timestamp) + "|T";
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

// The outputs of one call, each set to a sentinel first so that an output a
// failing call leaves unwritten shows.
struct Outputs {
    HRESULT hr = E_FAIL;
    BSTR file = "x";
    long validation_errors = 7;
    long timestamp = 0;
    BSTR used_schema = "x";
    IGeneralInvoiceRequest* request = nullptr;  // LoadXML's, a sentinel there too
    Result* raw_result = reinterpret_cast<Result*>(0x1);
    ComPtr<Result> result;
    ComPtr<IGeneralInvoiceRequest> loaded;
    VARIANT_BOOL status = VARIANT_TRUE;

    // Takes the references a call handed out.
    void Keep() {
        if (raw_result != nullptr && hr == S_OK) result.Attach(raw_result);
        if (request != nullptr && hr == S_OK) loaded.Attach(request);
    }
};

class ManagerOutputTest : public request_test::RequestTest {
  protected:
    Outputs GetXml(long timestamp = 0) {
        Outputs out;
        out.timestamp = timestamp;
        out.hr = module_.manager->GetXML(0, &out.file, &out.validation_errors, &out.timestamp,
                                         &out.used_schema, &out.raw_result, &out.status);
        out.Keep();
        if (!out.file.empty()) written_.push_back(out.file);
        return out;
    }

    Outputs LoadXml(const std::string& path) {
        Outputs out;
        out.request = reinterpret_cast<IGeneralInvoiceRequest*>(0x1);
        out.hr = module_.manager->LoadXML(path, &out.used_schema, &out.request, &out.raw_result,
                                          &out.status);
        out.Keep();
        return out;
    }

    // The sample's creditor (its biller) lives in no country the QR-bill
    // knows, so the sample prints without the slip unless a test asks.
    Outputs Print(const std::string& print_template, long timestamp = 0,
                  long attributes = kWithoutSlip) {
        Outputs out;
        out.timestamp = timestamp;
        out.hr = module_.manager->Print(print_template, attributes, 0, 0, 0, "", &out.timestamp,
                                        &out.raw_result, &out.status);
        out.Keep();
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
        EXPECT_EQ(hr, out.hr) << abort;
        EXPECT_EQ(0u, abort.rfind("ok|" + operation + ": ", 0)) << abort;
        EXPECT_NE(std::string::npos, abort.find(part)) << abort;
        EXPECT_EQ(nullptr, out.request) << abort;
        EXPECT_EQ(nullptr, out.raw_result) << abort;
        EXPECT_EQ(VARIANT_FALSE, out.status) << abort;
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
// request's own (the client's Initialize). The first file loads with the
// values only the interface sets and the file's language, counts as
// finalized and is written again byte for byte.
TEST_F(ManagerOutputTest, WritesAndPrintsTheFinalizedRequestAndTheFileLoadsBack) {
    REQUIRE_REFDATA();
    ASSERT_EQ(S_OK, module_.manager->PutModus(2));           // test
    ASSERT_EQ(S_OK, module_.manager->PutModuleLanguage(2));  // French
    FinalizedSample();                                       // Initialize(1): German
    for (long given : {0L, 1420066800L, 1924902000L}) {
        const long expected = given != 0 ? given : kSampleTimestamp;
        Outputs out = GetXml(given);
        for (const Outputs& o : {out, Print(WithPdf("PatientInvoice"), given)}) {
            ASSERT_EQ(S_OK, o.hr) << ManagerAbort();
            EXPECT_EQ(VARIANT_TRUE, o.status);
            EXPECT_EQ(expected, o.timestamp);
            ASSERT_TRUE(o.result);
            EXPECT_EQ(kSampleBalance + " " + InvoiceRead(expected),
                      Read(o.result.Get(), &Result::GetBalance) + " " +
                          Read(o.result.Get(), &Result::GetInvoice));
        }
        EXPECT_EQ(0u, ReadText(Pdf()).rfind("%PDF", 0));
        std::filesystem::remove(Pdf());
        EXPECT_EQ("0 generalInvoiceRequest_450.xsd",
                  std::to_string(out.validation_errors) + " " + out.used_schema);
        EXPECT_EQ(0u, out.file.rfind(ModuleOutputFolder(), 0)) << out.file;
        std::string text = ReadText(out.file);
        EXPECT_EQ(0, OfficialSchema::Instance().CountErrors(text));
        EXPECT_NE(std::string::npos,
                  text.find("request_timestamp=\"" + std::to_string(expected) + "\""));
        EXPECT_NE(std::string::npos, text.find("modus=\"test\""));
        EXPECT_NE(std::string::npos, text.find("language=\"de\""));
    }
    EXPECT_EQ(3u, std::set<std::string>(written_.begin(), written_.end()).size());

    const std::string xml = ReadText(written_[0]);
    EXPECT_NE(std::string::npos, xml.find("tc_token=\"TC-4711\""));
    EXPECT_NE(std::string::npos, xml.find("uid_number=\"CHE-123.456.788\""));
    EXPECT_EQ(xml.find("<invoice:demand"), xml.rfind("<invoice:demand"));
    Outputs load = LoadXml(written_[0]);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    EXPECT_EQ("ok|0|1|TC-4711|T", Read(load.result.Get(), &Result::GetProcessing));
    EXPECT_EQ("ok|1|1|1||0|0||T", Read(load.result.Get(), &Result::GetRequest));  // German
    Outputs out = GetXml();
    ASSERT_EQ(S_OK, out.hr) << ManagerAbort();
    EXPECT_EQ(0, out.validation_errors);
    EXPECT_EQ(kSampleTimestamp, out.timestamp);
    EXPECT_EQ(xml, ReadText(out.file));
}

enum class State { kBuilt, kChangedAfterFinalize, kNewerRequestHandedOut, kFinalized };

// Refusals write no file and empty the outputs.
TEST_F(ManagerOutputTest, RefusalsWriteNothingAndEmptyTheOutputs) {
    const struct {
        State state;
        long timestamp;
        HRESULT hr;
        const char* abort;  // the start of the abort text after "GetXML: "
    } cases[] = {
        {State::kBuilt, 0, E_FAIL, "the current request is not finalized"},
        {State::kChangedAfterFinalize, 0, E_FAIL, "the current request is not finalized"},
        {State::kNewerRequestHandedOut, 0, E_FAIL, ""},
        {State::kFinalized, 1420066799, E_INVALIDARG, "plTimestamp 1420066799 lies outside"},
        {State::kFinalized, 1924902001, E_INVALIDARG, "plTimestamp 1924902001 lies outside"},
        {State::kFinalized, -5, E_INVALIDARG, "plTimestamp -5"},
    };
    for (const auto& c : cases) {
        if (c.state == State::kBuilt) {
            request_test::InvoiceBuilder(request_.Get()).SetSampleSections();
        } else {
            FinalizedSample();
        }
        if (c.state == State::kChangedAfterFinalize) {
            ASSERT_EQ(S_OK, request_->SetPackage("Other", 1, 0, "", &status_));
        }
        ComPtr<IGeneralInvoiceRequest> newer;
        if (c.state == State::kNewerRequestHandedOut) {
            ASSERT_EQ(S_OK,
                      module_.manager->GetGeneralInvoiceRequest(newer.ReleaseAndGetAddressOf()));
        }
        Outputs out = GetXml(c.timestamp);
        ExpectRefused(out, c.hr, "GetXML", c.abort);
        EXPECT_EQ("0", out.file + out.used_schema + std::to_string(out.validation_errors));
    }
    // Print, first of the built request, then of the finalized one.
    request_test::InvoiceBuilder(request_.Get()).SetSampleSections();
    const struct {
        std::string print_template;
        long attributes;
        HRESULT hr;
        const char* abort;
    } prints[] = {
        {WithPdf("PatientInvoice"), kWithoutSlip, E_FAIL, "not finalized"},
        {"PatientInvoice(Copy=1)", kWithoutSlip, E_INVALIDARG, "PDF_NOPRINT"},
        {WithPdf("Invoice"), kWithoutSlip, E_INVALIDARG, "unknown layout \"Invoice\""},
        {WithPdf("PatientInvoice"), 0, E_INVALIDARG, "NDF"},
        {"(PDF_NOPRINT=" + folder_.Path() + "missing/folder/x.pdf;)", kWithoutSlip, E_FAIL, ""},
    };
    for (const auto& c : prints) {
        ExpectRefused(Print(c.print_template, 0, c.attributes), c.hr, "Print", c.abort);
        EXPECT_FALSE(std::filesystem::exists(Pdf()));
        if (&c == &prints[0]) FinalizedSample();
    }
}

TEST_F(ManagerOutputTest, NullOutPointersAreRefused) {
    BSTR file, schema;
    long errors = 0, timestamp = 0;
    Result* result = nullptr;
    IGeneralInvoiceRequest* request = nullptr;
    VARIANT_BOOL status = 0;
    ITarvos* m = module_.manager.Get();
    const std::string pdf = "(PDF_NOPRINT=/tmp/x.pdf;)";
    for (HRESULT hr : {
             m->GetXML(0, nullptr, &errors, &timestamp, &schema, &result, &status),
             m->GetXML(0, &file, &errors, &timestamp, &schema, nullptr, &status),
             m->LoadXML(kValidSample, &schema, nullptr, &result, &status),
             m->LoadXML(kValidSample, &schema, &request, &result, nullptr),
             m->Print(pdf, 0, 0, 0, 0, "", nullptr, &result, &status),
             m->Print(pdf, 0, 0, 0, 0, "", &timestamp, nullptr, &status),
             m->Print(pdf, 0, 0, 0, 0, "", &timestamp, &result, nullptr),
         }) {
        EXPECT_EQ(E_POINTER, hr);
    }
}

// ---------------------------------------------------------------------------
// LoadXML

TEST_F(ManagerOutputTest, LoadsTheSampleIntoANewRequestAndAResult) {
    REQUIRE_REFDATA();
    Outputs load = LoadXml(kValidSample);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    EXPECT_EQ(VARIANT_TRUE, load.status);
    EXPECT_EQ("generalInvoiceRequest_450.xsd", load.used_schema);
    ASSERT_TRUE(load.loaded && load.result);
    EXPECT_NE(request_.Get(), load.loaded.Get());
    // The sample's figures and biller as filed.
    EXPECT_EQ("ok|5232.99|17.76|0|0|5232.99|260.98|T",
              Read(load.result.Get(), &Result::GetBalance));
    EXPECT_EQ(0u, Read(load.result.Get(), &Result::GetBiller).rfind("ok|2000000000002|", 0));
    EXPECT_EQ(InvoiceRead(kSampleTimestamp), Read(load.result.Get(), &Result::GetInvoice));

    // A change to the loaded request needs a Finalize before GetXML.
    ASSERT_EQ(S_OK, load.loaded->SetPackage("Other", 2, 0, "", &status_));
    EXPECT_EQ(E_FAIL, GetXml().hr);
}

// A refused load names the reason and leaves the current request in place.
TEST_F(ManagerOutputTest, RefusedLoadsNameTheReasonAndKeepTheCurrentRequest) {
    REQUIRE_REFDATA();
    std::string broken = ReadText(kValidSample);  // the sample with one value broken
    broken.replace(broken.find("amount_due=\"5232.99\""), 20, "amount_due=\"lots\"");
    const struct {
        const char* file;     // in the test's folder, or a reference file with "refdata:"
        std::string content;  // written to the file; "": not written
        const char* schema;   // the schema named
        const char* abort;    // part of the abort text
    } cases[] = {
        {"plain.xml", "this is plain text, no XML\n", "", "well-formed"},
        {"nowhere.xml", "", "", "nowhere.xml"},
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

// Each thread has a manager of its own: its log settings, its invoices
// (each with an article of its own) and, at the end, the sample loaded by
// all threads at once and written with a timestamp of its own.
TEST_F(ManagerOutputTest, ManagersOnThreadsKeepTheirOwnSettingsInvoicesAndFiles) {
    FinalizedSample();
    const std::string sample = GetXml().file;
    constexpr int kThreads = 4, kInvoices = 100;
    std::vector<std::string> files(kThreads), failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &files, &failures, &sample] {
            request_test::TestModule module;
            ITarvos* m = module.manager.Get();
            VARIANT_BOOL status = 0;
            for (int i = 0; i < kInvoices; ++i) {
                const long level = (t + i) % 6, cents = t * 1000 + i + 1;
                m->SetLogSettings(level, i, i % 2, "", &status);
                const std::string log = "ok|" + std::to_string(level) + "|" + std::to_string(i) +
                                        "|" + std::to_string(i % 2) + "||T";
                if (Read(m, &ITarvos::GetLogSettings) != log) failures[t] += " log " + log;
                auto invoice = AsRequestImpl(SampleRequest(m, cents).Get())->FinalizedSnapshot();
                const auto amount = D("5232.99") + Decimal::FromInt(cents) * D("0.01");
                if (!invoice || invoice->balance.amount != amount ||
                    invoice->balance.amount_due != amount.RoundToFiveCents()) {
                    failures[t] += " invoice " + std::to_string(i);
                }
            }
            BSTR schema, file;
            ComPtr<IGeneralInvoiceRequest> request;
            ComPtr<Result> loaded, written;
            long errors = -1, timestamp = 1600000000 + t;
            if (m->LoadXML(sample, &schema, request.ReleaseAndGetAddressOf(),
                           loaded.ReleaseAndGetAddressOf(), &status) == S_OK &&
                m->GetXML(0, &file, &errors, &timestamp, &schema, written.ReleaseAndGetAddressOf(),
                          &status) == S_OK) {
                files[t] = file;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ("", failures[t]) << t;
        written_.push_back(files[t]);
        EXPECT_NE(std::string::npos, ReadText(files[t]).find("request_timestamp=\"" +
                                                             std::to_string(1600000000 + t) + "\""))
            << files[t];
    }
    EXPECT_EQ(size_t{kThreads}, std::set<std::string>(files.begin(), files.end()).size());
}

}  // namespace
