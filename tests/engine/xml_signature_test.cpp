// Signed and encrypted invoices: GetXML signs with the sender's PKCS#12 key
// and encrypts for the receiver's certificate, LoadXML decrypts and verifies.
// The judges are independent: the xmlsec1 and xmllint commands and the
// published schemas. Keys and certificates are made once per run with the
// openssl command.

#include <gtest/gtest.h>
#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "file_text.h"
#include "module/objects/manager_object.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_signature_commands.h"
#include "request_sample_invoice.h"
#include "request_schema_oracle.h"
#include "temp_folder.h"
#include "tests/refdata.h"

namespace xml_signature_test {

using module::testing_support::kOfficialSchema;
using module::testing_support::kOurSchema;
using module::testing_support::kValidSample;
using module::testing_support::OfficialSchema;

constexpr const char* kSigner = "CN=Praxis Muster,O=Praxis,C=CH";

// The exit code of a shell command; its output is dropped.
int Shell(const std::string& command) {
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The keys of this run: the sender's key with a valid and an expired
// certificate, and the receiver's key; PKCS#12 files with the password
// "geheim", the receiver's certificate also as DER.
class Keys {
  public:
    static const Keys& Get() {
        static const Keys keys;
        return keys;
    }
    std::string operator[](const char* name) const { return folder_.Path() + name; }
    bool made = false;

  private:
    Keys() {
        const std::string subject = " -subj /C=CH/O=Praxis/CN='Praxis Muster' ";
        const std::string p12 = "openssl pkcs12 -export -passout pass:geheim ";
        made = Shell("(cd " + folder_.Path() + " && openssl genrsa -out sender.key 2048" +
                     " && openssl genrsa -out receiver.key 2048" +
                     " && openssl req -x509 -key sender.key -days 30 -out sender.pem" + subject +
                     " && openssl req -new -key sender.key -out old.csr" + subject +
                     " && openssl x509 -req -in old.csr -signkey sender.key -days -1 -out old.pem" +
                     " && openssl req -x509 -key receiver.key -days 30 -out receiver.pem"
                     " -subj /CN=Versicherung" +
                     " && openssl x509 -in receiver.pem -outform DER -out receiver.der && " + p12 +
                     "-inkey sender.key -in sender.pem -out sender.p12 && " + p12 +
                     "-inkey sender.key -in old.pem -out expired.p12 && " + p12 +
                     "-inkey receiver.key -in receiver.pem -out receiver.p12)") == 0;
    }
    TempFolder folder_;
};

// The inclusive canonical form of an XML file: equal for equal documents.
std::string Canonical(const std::string& path) {
    xmlDoc* doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
    xmlChar* text = nullptr;
    int size =
        doc != nullptr ? xmlC14NDocDumpMemory(doc, nullptr, XML_C14N_1_0, nullptr, 0, &text) : -1;
    std::string out = size >= 0 ? std::string(reinterpret_cast<char*>(text), size) : "";
    xmlFree(text);
    xmlFreeDoc(doc);
    return out;
}

class XmlSignatureTest : public request_test::RequestTest {
  protected:
    void SetUp() override {
        RequestTest::SetUp();
        REQUIRE_REFDATA();
        ASSERT_TRUE(keys_.made) << "the openssl command could not make the test keys";
        build_.SetSampleSections("SetTransport");
        build_.AddSampleServices();
    }
    void TearDown() override {
        std::error_code ignored;
        for (const std::string& file : written_) std::filesystem::remove(file, ignored);
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

    // GetXML: the file written, or "" with the abort text in *abort.
    std::string Write(std::string* abort = nullptr) {
        BSTR file, schema;
        long errors = 0, timestamp = 0;
        ComPtr<IGeneralInvoiceResult> result;
        HRESULT hr = module_.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                             result.ReleaseAndGetAddressOf(), &status_);
        if (!file.empty()) written_.push_back(file);
        if (hr == S_OK) return file;
        if (abort != nullptr) *abort = ManagerAbort();
        return "";
    }

    // LoadXML: the signer that GetTransport answers, or the abort text.
    std::string Load(const std::string& path, HRESULT* hr) {
        BSTR schema;
        ComPtr<IGeneralInvoiceRequest> request;
        ComPtr<IGeneralInvoiceResult> result;
        *hr = module_.manager->LoadXML(path, &schema, request.ReleaseAndGetAddressOf(),
                                       result.ReleaseAndGetAddressOf(), &status_);
        if (*hr != S_OK) return ManagerAbort();
        BSTR from, pfx, password, via, to, der;
        EXPECT_EQ(S_OK, result->GetTransport(&from, &pfx, &password, &via, &to, &der, &status_));
        return pfx;
    }

    // A new current request naming `pfx` as its key for LoadXML ("": none).
    void HoldKey(const std::string& pfx) {
        ASSERT_EQ(S_OK,
                  module_.manager->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, request_->SetTransport(
                            request_test::kRecipientGln, pfx, pfx.empty() ? "" : "geheim",
                            request_test::kBillerGln, request_test::kBillerGln, "", &status_));
    }

    std::string ManagerAbort() {
        BSTR text;
        EXPECT_EQ(S_OK, module_.manager->GetAbortInfo(&text, &status_));
        return text;
    }

    bool OfficiallyValid(const std::string& file) {
        return Shell("xmllint --noout --nonet --schema " + kOfficialSchema + " " + file) == 0;
    }

    const Keys& keys_ = Keys::Get();
    std::vector<std::string> written_;
};

TEST_F(XmlSignatureTest, SignedDocumentVerifiesAndLoadsUntilOneByteChanges) {
    SetKeys(keys_["sender.p12"], "geheim", "");
    std::string file = Write();
    ASSERT_FALSE(file.empty()) << ManagerAbort();
    EXPECT_EQ(0, Shell("xmlsec1 --verify --trusted-pem " + keys_["sender.pem"] + " " + file));
    EXPECT_TRUE(OfficiallyValid(file));
    HRESULT hr = E_FAIL;
    EXPECT_EQ(kSigner, Load(file, &hr));
    EXPECT_EQ(S_OK, hr);

    std::string text = ReadFileText(file);
    size_t at = text.find("Spitzkiel");
    ASSERT_NE(std::string::npos, at);
    text[at + 8] = 'x';
    std::string changed = file + ".changed.xml";
    written_.push_back(changed);
    WriteFileText(changed, text);
    EXPECT_NE(0, Shell("xmlsec1 --verify --trusted-pem " + keys_["sender.pem"] + " " + changed));
    std::string abort = Load(changed, &hr);
    EXPECT_EQ(E_INVALIDARG, hr);
    EXPECT_NE(std::string::npos, abort.find("the document was changed after it was signed"))
        << abort;
}

TEST_F(XmlSignatureTest, EncryptedBodyOpensOnlyWithTheReceiversKey) {
    SetKeys(keys_["sender.p12"], "geheim", keys_["receiver.der"]);
    std::string encrypted = Write();
    ASSERT_FALSE(encrypted.empty()) << ManagerAbort();
    EXPECT_EQ(std::string::npos, ReadFileText(encrypted).find("<invoice:body"));
    EXPECT_TRUE(OfficiallyValid(encrypted));
    SetKeys(keys_["sender.p12"], "geheim", "");
    std::string signed_only = Write();
    std::string decrypted = encrypted + ".decrypted.xml";
    written_.push_back(decrypted);
    EXPECT_EQ(0, Shell("xmlsec1 --decrypt --privkey-pem " + keys_["receiver.key"] + " --output " +
                       decrypted + " " + encrypted));
    EXPECT_EQ(Canonical(signed_only), Canonical(decrypted));

    HRESULT hr = S_OK;
    HoldKey("");
    std::string abort = Load(encrypted, &hr);
    EXPECT_EQ(E_INVALIDARG, hr);
    EXPECT_NE(std::string::npos, abort.find("the body is encrypted")) << abort;
    HoldKey(keys_["sender.p12"]);
    abort = Load(encrypted, &hr);
    EXPECT_EQ(E_INVALIDARG, hr);
    EXPECT_NE(std::string::npos, abort.find("encrypted for another key")) << abort;
    HoldKey(keys_["receiver.p12"]);
    EXPECT_EQ(kSigner, Load(encrypted, &hr));
    EXPECT_EQ(S_OK, hr);
}

TEST_F(XmlSignatureTest, UnusableKeysFailGetXmlSayingWhich) {
    struct Case {
        const char* pfx;
        const char* password;
        const char* der;
        const char* says;
    } cases[] = {
        {"sender.p12", "falsch", "", "(wrong password)"},
        {"expired.p12", "geheim", "", "(CN=Praxis Muster,O=Praxis,C=CH) expired on "},
        {"receiver.der", "geheim", "", "is not a PKCS#12 file"},
        {"", "", "receiver.pem", "is not a DER-encoded X.509 certificate"},
    };
    for (const Case& c : cases) {
        SetKeys(*c.pfx ? keys_[c.pfx] : "", c.password, *c.der ? keys_[c.der] : "");
        std::string abort;
        EXPECT_EQ("", Write(&abort)) << c.pfx << c.der;
        EXPECT_EQ(0u, abort.rfind("GetXML: ", 0)) << abort;
        EXPECT_NE(std::string::npos, abort.find(c.says)) << abort;
    }
}

// invoicetool's batch commands: what sign writes verifies, what encrypt
// writes decrypts to it again; a file that fails fails the run, the others
// are still done.
TEST(XmlSignatureCommandsTest, SignVerifyEncryptDecryptFileByFile) {
    REQUIRE_REFDATA();
    const Keys& keys = Keys::Get();
    ASSERT_TRUE(keys.made);
    TempFolder folder;
    const std::string dir = folder.Path();
    for (const char* sub : {"signed", "sealed", "opened"})
        std::filesystem::create_directory(dir + sub);
    std::filesystem::copy_file(kValidSample, dir + "a.xml");
    WriteFileText(dir + "password", "geheim\n");
    WriteFileText(dir + "broken.xml", "<invoice:request");
    std::string said;
    auto run = [&said](const std::vector<std::string>& args) {
        std::ostringstream out;
        int code = invoice_xml::RunSecurityCommand(args, out, out);
        said = out.str();
        return code;
    };
    const std::string password = dir + "password";
    EXPECT_EQ(1, run({"sign", "--key", keys["sender.p12"], "--password-file", password, "--out",
                      dir + "signed", dir + "broken.xml", dir + "a.xml"}));
    EXPECT_EQ(0, run({"verify", dir + "signed/a.xml"})) << said;
    EXPECT_NE(std::string::npos, said.find(std::string("signed by ") + kSigner)) << said;
    EXPECT_EQ(0, run({"encrypt", "--cert", keys["receiver.der"], "--out", dir + "sealed",
                      dir + "signed/a.xml"}));
    EXPECT_EQ(1, run({"verify", dir + "sealed/a.xml"}));
    EXPECT_NE(std::string::npos, said.find("decrypt it first")) << said;
    EXPECT_EQ(0, run({"decrypt", "--key", keys["receiver.p12"], "--password-file", password,
                      "--out", dir + "opened", dir + "sealed/a.xml"}))
        << said;
    EXPECT_EQ(Canonical(dir + "signed/a.xml"), Canonical(dir + "opened/a.xml"));
    EXPECT_EQ(1, run({"verify", dir + "a.xml"}));
    EXPECT_NE(std::string::npos, said.find("not signed")) << said;
    EXPECT_EQ(2, run({"sign", "--out", dir, dir + "a.xml"}));  // no key
}

// Our schema checks the signature and the encrypted data as strictly as the
// published one.
TEST(XmlSignatureSchemaTest, SignatureAndEncryptedDataCheckedAsPublished) {
    REQUIRE_REFDATA();
    const std::string ds = " xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\"";
    const std::string xenc = " xmlns:xenc=\"http://www.w3.org/2001/04/xmlenc#\"";
    const std::string cipher =
        "<xenc:CipherData><xenc:CipherValue>AAAA</xenc:CipherValue>"
        "</xenc:CipherData>";
    struct Case {
        const char* what;
        std::string signature;  // after the payload
        std::string body;       // in place of the body ("" keeps it)
    } cases[] = {
        {"key info in place of the signature",
         "<ds:KeyInfo" + ds +
             "><ds:KeyName>k</ds:KeyName>"
             "</ds:KeyInfo>",
         ""},
        {"signature without a value", "<ds:Signature" + ds + "><ds:SignedInfo/></ds:Signature>",
         ""},
        {"encrypted key in place of the body", "",
         "<xenc:EncryptedKey" + xenc + ">" + cipher + "</xenc:EncryptedKey>"},
        {"encrypted data without cipher data", "", "<xenc:EncryptedData" + xenc + "/>"},
        {"encrypted data", "",
         "<xenc:EncryptedData" + xenc + ">" + cipher + "</xenc:EncryptedData>"},
    };
    module::SchemaValidator ours(kOurSchema);
    std::string sample = module::testing_support::ReadText(kValidSample);
    for (const Case& c : cases) {
        std::string xml = sample;
        if (!c.signature.empty()) {
            xml.replace(xml.find("</invoice:request>"), 0, c.signature);
        }
        if (!c.body.empty()) {
            size_t begin = xml.find("<invoice:body");
            size_t end = xml.find("</invoice:body>") + 15;
            xml.replace(begin, end - begin, c.body);
        }
        EXPECT_EQ(OfficialSchema::Instance().CountErrors(xml) == 0,
                  ours.ValidateMemory(xml).Valid())
            << c.what;
    }
}

}  // namespace xml_signature_test
