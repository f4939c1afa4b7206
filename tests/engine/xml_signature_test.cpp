// Signed and encrypted invoices: GetXML (and invoicetool's sign and encrypt)
// signs with the sender's PKCS#12 key and encrypts for the receiver's
// certificate, LoadXML (and invoicetool's verify and decrypt) decrypts and
// verifies.
// The judges are independent: the xmlsec1 and xmllint commands and the
// published schemas. Keys and certificates are made once per run with the
// openssl command.

#include <gmock/gmock.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>

#include "file_text.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_signature_commands.h"
#include "request_sample_invoice.h"
#include "request_schema_oracle.h"
#include "temp_folder.h"
#include "tests/refdata.h"

namespace xml_signature_test {

using module::testing_support::kOfficialSchema;
using module::testing_support::kValidSample;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kSigner = "CN=Praxis Muster,O=Praxis,C=CH";
const std::string kXmllint = "xmllint --noout --nonet --schema " + kOfficialSchema + " ";

// The exit code of a shell command (or script); its output is dropped.
int Shell(const std::string& command) {
    int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A file of this run's keys, made once: the sender's key with a valid and an
// expired certificate (sender.p12, expired.p12), the receiver's
// (receiver.p12, its certificate as receiver.der); password "geheim".
// "" when the openssl command failed.
std::string Key(const char* name) {
    static const TempFolder folder;
    static const bool made = Shell("set -e; cd " + folder.Path() +
                                   R"(; s='/C=CH/O=Praxis/CN=Praxis Muster'
        openssl genrsa -out sender.key 2048; openssl genrsa -out receiver.key 2048
        openssl req -x509 -key sender.key -days 30 -out sender.pem -subj "$s"
        openssl x509 -in sender.pem -signkey sender.key -days -1 -out old.pem
        openssl req -x509 -key receiver.key -days 30 -out receiver.pem -subj /CN=Versicherung
        openssl x509 -in receiver.pem -outform DER -out receiver.der
        p12() { openssl pkcs12 -export -passout pass:geheim -inkey $1.key -in $2.pem -out $3; }
        p12 sender sender sender.p12; p12 sender old expired.p12; p12 receiver receiver receiver.p12)") ==
                             0;
    return made && *name ? folder.Path() + name : "";
}

class XmlSignatureTest : public request_test::RequestTest {
  protected:
    void SetUp() override {
        RequestTest::SetUp();
        REQUIRE_REFDATA();
        ASSERT_NE("", Key("sender.p12")) << "the openssl command could not make the test keys";
        build_.SetSampleSections("SetTransport");
        build_.AddSampleServices();
    }
    void TearDown() override {
        for (const std::string& file : written_) std::filesystem::remove(file);
    }

    // Names the sender's key and the receiver's certificate, and finalizes.
    void SetKeys(const std::string& pfx, const std::string& password, const std::string& der) {
        ASSERT_EQ(S_OK, request_->SetTransport(request_test::kBillerGln, pfx, password,
                                               request_test::kRecipientGln,
                                               request_test::kRecipientGln, der, &status_))
            << Abort();
        double difference = 0;
        ASSERT_EQ(S_OK, request_->Finalize(&difference, &status_)) << Abort();
    }

    // GetXML: the file written, or "failed: " and the abort text.
    std::string Write() {
        BSTR file, schema;
        long errors = 0, timestamp = 0;
        ComPtr<IGeneralInvoiceResult> result;
        HRESULT hr = module_.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                             result.ReleaseAndGetAddressOf(), &status_);
        if (!file.empty()) written_.push_back(file);
        return hr == S_OK ? std::string(file) : "failed: " + ManagerAbort();
    }

    // LoadXML: "signed by " the signer that GetTransport answers, or
    // "refused: " and the abort text (another failure: "failed: ").
    std::string Load(const std::string& path) {
        BSTR schema, from, pfx, password, via, to, der;
        ComPtr<IGeneralInvoiceRequest> request;
        ComPtr<IGeneralInvoiceResult> result;
        HRESULT hr = module_.manager->LoadXML(path, &schema, request.ReleaseAndGetAddressOf(),
                                              result.ReleaseAndGetAddressOf(), &status_);
        if (hr != S_OK) return (hr == E_INVALIDARG ? "refused: " : "failed: ") + ManagerAbort();
        EXPECT_EQ(S_OK, result->GetTransport(&from, &pfx, &password, &via, &to, &der, &status_));
        return "signed by " + std::string(pfx);
    }

    std::string ManagerAbort() {
        BSTR text;
        EXPECT_EQ(S_OK, module_.manager->GetAbortInfo(&text, &status_));
        return text;
    }

    std::vector<std::string> written_;
};

// A copy of `file` in `folder` with the character after `before` changed.
std::string Changed(const std::string& file, const std::string& before, const TempFolder& folder) {
    std::string text = ReadFileText(file), path = folder.Path() + before.substr(1, 2) + ".xml";
    const size_t at = text.find(before) + before.size();
    EXPECT_LT(at, text.size()) << before;
    text[at] = text[at] == 'A' ? 'B' : 'A';
    WriteFileText(path, text);
    return path;
}

// invoicetool's batch commands: the exit code and what the run prints.
void Tool(int code, const std::string& says, const std::vector<std::string>& args) {
    std::ostringstream out;
    EXPECT_EQ(code, invoice_xml::RunSecurityCommand(args, out, out)) << out.str();
    EXPECT_THAT(out.str(), HasSubstr(says)) << args[0];
}

// Keys that cannot be used fail GetXML saying which. One signed document and
// the same document with its body encrypted, judged by xmlsec1 and xmllint,
// then loaded as written and with one character changed, by a manager that
// holds no key, the sender's or the receiver's; the same for what
// invoicetool's commands sign and encrypt file by file (a file that fails
// fails the run, the others are still done).
TEST_F(XmlSignatureTest, SignedAndEncryptedDocumentsLoadOnlyUnchangedAndWithTheRightKey) {
    const char* const unusable[][4] = {
        // the sender's key, its password, the receiver's certificate, what GetXML says
        {"sender.p12", "falsch", "", "(wrong password)"},
        {"expired.p12", "geheim", "", "(CN=Praxis Muster,O=Praxis,C=CH) expired on "},
        {"", "", "receiver.pem", "is not a DER-encoded X.509 certificate"},
    };
    for (const auto& c : unusable) {
        SetKeys(Key(c[0]), c[1], Key(c[2]));
        EXPECT_THAT(Write(), AllOf(StartsWith("failed: GetXML: "), HasSubstr(c[3])));
    }
    SetKeys(Key("sender.p12"), "geheim", "");
    const std::string signed_file = Write();
    SetKeys(Key("sender.p12"), "geheim", Key("receiver.der"));
    const std::string encrypted = Write();
    TempFolder folder;
    const std::string dir = folder.Path(), password = dir + "password";
    EXPECT_EQ(0, Shell("xmlsec1 --verify --trusted-pem " + Key("sender.pem") + " " + signed_file));
    EXPECT_EQ(0, Shell(kXmllint + signed_file) + Shell(kXmllint + encrypted));
    EXPECT_EQ(std::string::npos, ReadFileText(encrypted).find("<invoice:body"));
    EXPECT_EQ(0, Shell("xmlsec1 --decrypt --privkey-pem " + Key("receiver.key") + " --output " +
                       dir + "decrypted.xml " + encrypted));

    for (const char* sub : {"signed", "sealed", "opened"}) {
        std::filesystem::create_directory(dir + sub);
    }
    std::filesystem::copy_file(kValidSample, dir + "a.xml");
    WriteFileText(password, "geheim\n");
    WriteFileText(dir + "broken.xml", "<invoice:request");
    const std::string signer = std::string("signed by ") + kSigner;
    Tool(1, "a.xml",
         {"sign", "--key", Key("sender.p12"), "--password-file", password, "--out", dir + "signed",
          dir + "broken.xml", dir + "a.xml"});
    Tool(0, signer, {"verify", signed_file});
    Tool(0, "a.xml",
         {"encrypt", "--cert", Key("receiver.der"), "--out", dir + "sealed", dir + "signed/a.xml"});
    Tool(1, "decrypt it first", {"verify", encrypted});
    Tool(0, "a.xml",
         {"decrypt", "--key", Key("receiver.p12"), "--password-file", password, "--out",
          dir + "opened", dir + "sealed/a.xml"});

    const struct {
        std::string file;
        const char* key;  // the key the manager holds for LoadXML
        std::string says;
    } loads[] = {
        {signed_file, "", signer},
        {Changed(signed_file, "Spitzkie", folder), "",
         "refused: .*the document was changed after it was signed"},
        {Changed(signed_file, "<ds:SignatureValue>", folder), "",
         "refused: .*does not belong to the signed info"},
        {encrypted, "", "refused: .*the body is encrypted"},
        {encrypted, "sender.p12", "refused: .*encrypted for another key"},
        {encrypted, "receiver.p12", signer},
        {dir + "signed/a.xml", "", signer},
        {dir + "sealed/a.xml", "receiver.p12", signer},
        // What xmlsec1 and invoicetool decrypt is the signed document again.
        {dir + "decrypted.xml", "", signer},
        {dir + "opened/a.xml", "", signer},
    };
    for (const auto& load : loads) {
        ASSERT_EQ(S_OK,
                  module_.manager->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, request_->SetTransport(request_test::kRecipientGln, Key(load.key),
                                               *load.key ? "geheim" : "", request_test::kBillerGln,
                                               request_test::kBillerGln, "", &status_));
        EXPECT_THAT(Load(load.file), ::testing::ContainsRegex("^" + load.says)) << load.file;
    }
}

}  // namespace xml_signature_test
