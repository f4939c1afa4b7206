// The manager through ITarvos: its settings and logo, and its output
// operations: GetXML writes the current request, LoadXML reads a file into a
// new current request, Print makes its PDF, and they meet in round trips.

#include "module/objects/manager_object.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/com_reads.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/result_sample_invoice.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/scoped_env.h"

namespace {

using com_reads::Read;
using module::testing_support::kValidSample;
using M = ITarvos;
using Result = IGeneralInvoiceResult;
using result_test::D;

// A 1 x 1 pixel PNG, transparent.
const std::string kTinyPng(
    "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1F\x15\xC4\x89\0\0\0\x0A"
    "IDATx\x9C\x63\0\x01\0\0\x05\0\x01\x0D\x0A\x2D\xB4\0\0\0\0IEND\xAE\x42\x60\x82",
    67);

// A 1 x 1 pixel, 24-bit BMP with the given compression field: file size,
// pixel offset, info header size, width, height, planes and bits per pixel,
// compression, image size; the pixel blue.
std::string TinyBmp(char compression) {
    std::string bytes("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0",
                      30);
    bytes += std::string(1, compression) + std::string(3, '\0') + std::string("\x04\0\0\0", 4);
    bytes += std::string(20, '\0');
    bytes[56] = '\xFF';
    return bytes;
}

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
ComPtr<IGeneralInvoiceRequest> SampleRequest(M* manager, long cents = 0) {
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

// GetXML of the current request of `manager` with `timestamp` (0: the
// invoice's own).
Outputs GetXml(M* manager, long timestamp = 0) {
    Outputs out;
    out.timestamp = timestamp;
    out.hr = manager->GetXML(0, &out.file, &out.validation_errors, &out.timestamp, &out.used_schema,
                             out.result.ReleaseAndGetAddressOf(), &out.status);
    return out;
}

// A manager with a request from it; the engine writes into the test's own
// folder (TMPDIR), which goes with the test.
class ManagerTest : public request_test::RequestTest {
  protected:
    Outputs LoadXml(const std::string& path) {
        Outputs out;
        out.hr = manager_->LoadXML(path, &out.used_schema, out.loaded.ReleaseAndGetAddressOf(),
                                   out.result.ReleaseAndGetAddressOf(), &out.status);
        return out;
    }

    // The sample's creditor (its biller) lives in no country the QR-bill
    // knows, so the sample prints without the slip unless a test asks.
    Outputs Print(const std::string& print_template, long timestamp = 0,
                  long attributes = kWithoutSlip) {
        Outputs out;
        out.timestamp = timestamp;
        out.hr = manager_->Print(print_template, attributes, 0, 0, 0, "", &out.timestamp,
                                 out.result.ReleaseAndGetAddressOf(), &out.status);
        return out;
    }

    std::string Pdf() const { return folder_.Path() + "invoice.pdf"; }
    std::string PdfTemplate() const { return "PatientInvoice(PDF_NOPRINT=" + Pdf() + ";)"; }

    std::string ManagerAbort() { return Read(manager_, &M::GetAbortInfo); }

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

    void FinalizedSample() { request_ = SampleRequest(manager_); }

    // The files in the engine's output folder.
    size_t OutputFiles() const {
        std::error_code none;  // no folder: no files
        std::filesystem::directory_iterator files(ModuleOutputFolder(), none);
        return std::distance(begin(files), end(files));
    }

    static constexpr long kWithoutSlip = 0x2;

    M* manager_ = module_.manager.Get();
    TempFolder folder_;
    ScopedEnv tmpdir_{"TMPDIR", folder_.Path()};
};

// ---------------------------------------------------------------------------
// Settings: the defaults, each end of a range taken, one past it refused with
// the parameter's name. After every step all settings are read at once, so a
// refusal that changes anything or a setter that touches another setting
// shows. A new manager has its own settings.

HRESULT Log(M* m, long level, long size, long archive, const std::string& dir,
            VARIANT_BOOL* status) {
    return m->SetLogSettings(level, size, archive, dir, status);
}

TEST_F(ManagerTest, SettingsKeepTheirRangesRefusalsChangeNothingAndNullsAreRefused) {
    M* m = manager_;
    auto settings = [](M* of) {
        return Read(of, &M::GetModus) + " " + Read(of, &M::GetModuleLanguage) + " " +
               Read(of, &M::GetLogSettings);
    };
    const std::string defaults = "ok|1 ok|1 ok|1|4000|1||T";
    std::string expected = defaults;
    EXPECT_EQ(expected, settings(m));
    const std::string d(1024, 'd');
    const struct {
        std::function<HRESULT(VARIANT_BOOL*)> call;
        const char* refusal;     // "": taken
        std::string after = "";  // the settings after a taken call
    } steps[] = {
        {[m](auto*) { return m->PutModus(2); }, "", "ok|2 ok|1 ok|1|4000|1||T"},
        {[m](auto*) { return m->PutModus(3); }, "PutModus: eModusType 3"},
        {[m](auto*) { return m->PutModuleLanguage(3); }, "", "ok|2 ok|3 ok|1|4000|1||T"},
        {[m](auto*) { return m->PutModuleLanguage(4); }, "PutModuleLanguage: eLanguage 4"},
        {[m](auto* s) { return Log(m, 2, 100, 0, "/var/log/old", s); }, "",
         "ok|2 ok|3 ok|2|100|0|/var/log/old|T"},
        {[&](auto* s) { return Log(m, 5, 1048576, 1, d, s); }, "",
         "ok|2 ok|3 ok|5|1048576|1|" + d + "|T"},
        {[m](auto* s) { return Log(m, 0, 0, 0, "", s); }, "", "ok|2 ok|3 ok|0|0|0||T"},
        {[m](auto* s) { return Log(m, 1, 1048577, 1, "d", s); }, "SetLogSettings: lMaxSizeKB"},
        {[m](auto* s) { return Log(m, 1, 1, 2, "d", s); }, "SetLogSettings: eDoArchive"},
        {[m](auto* s) { return Log(m, 1, 1, 1, "a\x01", s); }, "SetLogSettings: bstrArchiveDir"},
        {[&](auto* s) { return Log(m, 1, 1, 1, d + "d", s); }, "SetLogSettings: bstrArchiveDir"},
    };
    for (const auto& s : steps) {
        const std::string refusal = s.refusal;
        EXPECT_EQ(refusal.empty() ? S_OK : E_INVALIDARG, s.call(&status_)) << s.after << refusal;
        if (refusal.empty()) expected = s.after;
        EXPECT_EQ(expected, settings(m)) << refusal;
        const std::string abort = ManagerAbort();
        EXPECT_TRUE(refusal.empty() || (abort.find("ok|" + refusal) == 0 && abort.back() == 'T'))
            << abort;
    }
    EXPECT_NE(std::string::npos, Read(m, &M::GetModuleVersionText).find("4.50.001"));
    // A new manager is one of its own, with the defaults.
    ComPtr<M> other = request_test::NewManager();
    EXPECT_EQ(defaults, settings(other.Get()));
    // A null out-pointer is refused.
    VARIANT_BOOL status = VARIANT_TRUE;
    EXPECT_EQ(E_POINTER, m->GetAbortInfo(nullptr, &status));
}

// ---------------------------------------------------------------------------
// Logo: PNG and uncompressed BMP (also with bit fields) at 1 to 200 mm.

TEST_F(ManagerTest, LogoFilesAndSizes) {
    const struct {
        const char* file;  // in the test's folder; "": no logo
        std::string bytes;
        long width, height;
        const char* refusal;  // "": taken
        std::string after;    // the logo's file, width and height afterwards
    } steps[] = {
        {"logo.png", kTinyPng, 40, 20, "", "logo.png|40|20"},
        {"logo.bmp", TinyBmp(0), 200, 1, "", "logo.bmp|200|1"},
        {"fields.bmp", TinyBmp(3), 1, 200, "", "fields.bmp|1|200"},
        {"missing.png", "", 40, 20, "cannot be opened", "fields.bmp|1|200"},
        {"rle.bmp", TinyBmp(1), 40, 20, "compressed BMP", "fields.bmp|1|200"},
        {"logo.txt", "hello", 40, 20, "neither a PNG nor a BMP", "fields.bmp|1|200"},
        {"short.bmp", std::string("BM\0\0", 4), 40, 20, "SetLogo: bstrBMPLogoFile",
         "fields.bmp|1|200"},
        {"logo.png", kTinyPng, 0, 20, "SetLogo: lMMWidth 0 mm", "fields.bmp|1|200"},
        {"logo.png", kTinyPng, 40, 201, "SetLogo: lMMHeigth 201 mm", "fields.bmp|1|200"},
        {"", "", 0, 0, "", "|0|0"},
    };
    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(folder_.Path(), 40, 20, &status_));  // a folder
    for (const auto& s : steps) {
        std::string path = *s.file ? folder_.Path() + s.file : "";
        if (!s.bytes.empty()) WriteFileText(path, s.bytes);
        HRESULT hr = manager_->SetLogo(path, s.width, s.height, &status_);
        EXPECT_EQ(*s.refusal ? E_INVALIDARG : S_OK, hr) << s.after << " " << ManagerAbort();
        EXPECT_NE(std::string::npos, ManagerAbort().find(s.refusal)) << s.after;
        LogoSettings logo = dynamic_cast<CTarvos*>(manager_)->Settings().logo;
        std::string file = logo.file.empty() ? "" : logo.file.substr(folder_.Path().size());
        EXPECT_EQ(s.after, file + "|" + std::to_string(logo.width_mm) + "|" +
                               std::to_string(logo.height_mm));
    }
}

// ---------------------------------------------------------------------------
// GetXML and Print

// The invoice's own timestamp, else a given one at either limit of the
// format; every GetXML writes a fresh file, every Print the PDF the template
// names. The manager's mode reaches the document; the language is the
// request's own (the client's Initialize). The last file, with the values
// only the interface sets, loads and is written again byte for byte.
TEST_F(ManagerTest, WritesAndPrintsTheFinalizedRequestAndTheFileLoadsBack) {
    REQUIRE_REFDATA();
    ASSERT_EQ(S_OK, manager_->PutModus(2));           // test
    ASSERT_EQ(S_OK, manager_->PutModuleLanguage(2));  // French
    FinalizedSample();                                // Initialize(1): German
    Outputs out;                                      // the last GetXML's
    for (long given : {0L, 1420066800L, 1924902000L}) {
        const std::string expected = std::to_string(given != 0 ? given : 1591170775);
        out = GetXml(manager_, given);
        for (const Outputs& o : {out, Print(PdfTemplate(), given)}) {
            ASSERT_EQ(S_OK, o.hr) << ManagerAbort();
            ASSERT_TRUE(o.result);
            EXPECT_EQ(expected + " T ok|5232.99|17.76|0|0|5233|254.02|T ok|000001000001|43985|" +
                          expected + "|T",
                      std::to_string(o.timestamp) + " " + Reads(o.status, o.result.Get()));
        }
        EXPECT_EQ(0u, ReadFileText(Pdf()).rfind("%PDF", 0));
        std::filesystem::remove(Pdf());
        EXPECT_EQ("0 generalInvoiceRequest_450.xsd",
                  std::to_string(out.validation_errors) + " " + out.used_schema);
        std::string text = ReadFileText(out.file);
        EXPECT_EQ(0, module::testing_support::OfficialSchema::Instance().CountErrors(text));
        EXPECT_NE(std::string::npos, text.find("language=\"de\" modus=\"test\""));
    }
    EXPECT_EQ(3u, OutputFiles());

    const std::string xml = ReadFileText(out.file);
    EXPECT_NE(std::string::npos, xml.find("tc_token=\"TC-4711\""));
    EXPECT_NE(std::string::npos, xml.find("uid_number=\"CHE-123.456.788\""));
    ASSERT_EQ(S_OK, LoadXml(out.file).hr) << ManagerAbort();
    Outputs again = GetXml(manager_);
    ASSERT_EQ(S_OK, again.hr) << ManagerAbort();
    EXPECT_EQ(xml, ReadFileText(again.file));
}

// Refusals write no file and empty the outputs: of a request not finalized,
// of a newer request handed out since, of timestamps one past the format's
// limits and of print templates the module cannot print.
TEST_F(ManagerTest, RefusalsWriteNothingAndEmptyTheOutputs) {
    auto xml = [this](long timestamp, HRESULT hr, const char* abort) {
        Outputs out = GetXml(manager_, timestamp);
        ExpectRefused(out, hr, "GetXML", abort);
        EXPECT_EQ("0", out.file + out.used_schema + std::to_string(out.validation_errors));
    };
    auto print = [this](const std::string& print_template, long attributes, HRESULT hr,
                        const char* abort) {
        ExpectRefused(Print(print_template, 0, attributes), hr, "Print", abort);
        EXPECT_FALSE(std::filesystem::exists(Pdf()));
    };
    build_.SetSampleSections();
    xml(0, E_FAIL, "the current request is not finalized");
    print(PdfTemplate(), kWithoutSlip, E_FAIL, "not finalized");
    FinalizedSample();
    ComPtr<IGeneralInvoiceRequest> newer;
    ASSERT_EQ(S_OK, manager_->GetGeneralInvoiceRequest(newer.ReleaseAndGetAddressOf()));
    xml(0, E_FAIL, "the current request is not finalized");
    FinalizedSample();
    xml(1420066799, E_INVALIDARG, "plTimestamp 1420066799 lies outside");
    print("PatientInvoice(Copy=1)", kWithoutSlip, E_INVALIDARG, "PDF_NOPRINT");
    print(PdfTemplate(), 0, E_INVALIDARG, "NDF");
    print("(PDF_NOPRINT=" + folder_.Path() + "missing/folder/x.pdf;)", kWithoutSlip, E_FAIL, "");
    EXPECT_EQ(0u, OutputFiles());
}

// ---------------------------------------------------------------------------
// LoadXML

// The published sample loads into a new request and a result with its
// figures and biller as filed; a refused load names the reason and leaves
// the current request in place.
TEST_F(ManagerTest, LoadsTheSampleAsFiledAndRefusalsKeepTheCurrentRequest) {
    REQUIRE_REFDATA();
    Outputs load = LoadXml(kValidSample);
    ASSERT_EQ(S_OK, load.hr) << ManagerAbort();
    ASSERT_TRUE(load.loaded && load.result);
    EXPECT_NE(request_.Get(), load.loaded.Get());
    EXPECT_EQ(
        "generalInvoiceRequest_450.xsd T ok|5232.99|17.76|0|0|5232.99|260.98|T "
        "ok|000001000001|43985|1591170775|T",
        load.used_schema + " " + Reads(load.status, load.result.Get()));

    std::string broken = ReadFileText(kValidSample);  // the sample with one value broken
    broken.replace(broken.find("amount_due=\"5232.99\""), 20, "amount_due=\"lots\"");
    WriteFileText(folder_.Path() + "broken.xml", broken);
    FinalizedSample();
    ExpectRefused(LoadXml(""), E_INVALIDARG, "LoadXML", "bstrInputFile");
    load = LoadXml(folder_.Path() + "broken.xml");
    ExpectRefused(load, E_INVALIDARG, "LoadXML", "does not conform");
    EXPECT_EQ("generalInvoiceRequest_450.xsd", load.used_schema);
    EXPECT_EQ(S_OK, GetXml(manager_).hr) << ManagerAbort();  // of the current request
}

// ---------------------------------------------------------------------------
// Managers on different threads

// Each thread has a manager of its own, all at once: its invoices (each with
// an article and a timestamp of its own), each written into a file of its own.
TEST_F(ManagerTest, ManagersOnThreadsKeepTheirOwnInvoicesAndFiles) {
    constexpr int kThreads = 4, kInvoices = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            request_test::TestModule module;
            for (long cents = t * 1000 + 1; cents <= t * 1000 + kInvoices; ++cents) {
                SampleRequest(module.manager.Get(), cents);
                const std::string xml =
                    ReadFileText(GetXml(module.manager.Get(), 1600000000 + cents).file);
                const auto amount = D("5232.99") + invoice::Decimal::FromInt(cents) * D("0.01");
                EXPECT_NE(std::string::npos,
                          xml.find("currency=\"CHF\" amount=\"" + amount.ToFixed(2)));
                EXPECT_NE(std::string::npos,
                          xml.find("request_timestamp=\"" + std::to_string(1600000000 + cents)));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(size_t{kThreads * kInvoices}, OutputFiles());
}

}  // namespace
