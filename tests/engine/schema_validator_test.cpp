#include "module/schema_validator.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "tests/engine/temp_folder.h"

namespace module {
namespace {

const std::string kOurSchema = TARVOS_SOURCE_DIR "/resources/generalInvoiceRequest_450.xsd";
const std::string kRefData = TARVOS_SOURCE_DIR "/../shared/refdata/";
const std::string kOfficialSchema = kRefData + "xsd/generalInvoiceRequest_450.xsd";
const std::string kValidSample = kRefData + "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
const std::string kReadReqSample = kRefData + "samples450/elexis_elexis-3-base_readReq450.xml";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The independent oracle: the published schema files, used in place and
// driven by plain libxml2 calls. Answers the number of schema errors, or -1
// for a document that is not well-formed.
class OfficialSchema {
  public:
    static OfficialSchema& Instance() {
        static OfficialSchema instance;
        return instance;
    }

    bool Loaded() const { return schema_ != nullptr; }

    int CountErrors(const std::string& xml) const {
        xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (doc == nullptr) return -1;
        int errors = 0;
        xmlSchemaValidCtxtPtr context = xmlSchemaNewValidCtxt(schema_);
        xmlSchemaSetValidStructuredErrors(context, CountError, &errors);
        xmlSchemaValidateDoc(context, doc);
        xmlSchemaFreeValidCtxt(context);
        xmlFreeDoc(doc);
        return errors;
    }

  private:
    OfficialSchema() {
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(kOfficialSchema.c_str());
        schema_ = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
    }
    ~OfficialSchema() { xmlSchemaFree(schema_); }

    static void CountError(void* counter, xmlErrorPtr error) {
        if (error->level >= XML_ERR_ERROR) ++*static_cast<int*>(counter);
    }

    xmlSchemaPtr schema_ = nullptr;
};

std::string VerdictText(int errors) {
    if (errors < 0) return "not well-formed";
    return errors == 0 ? "valid" : "invalid (" + std::to_string(errors) + " errors)";
}

class SchemaValidatorTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ours_ = new SchemaValidator(kOurSchema); }
    static void TearDownTestSuite() {
        delete ours_;
        ours_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(ours_->Loaded()) << ours_->LoadError();
        ASSERT_TRUE(OfficialSchema::Instance().Loaded()) << kOfficialSchema;
    }

    // "" when both schemas give the same verdict, else both verdicts and our
    // first error.
    static std::string VerdictDifference(const std::string& xml) {
        int official = OfficialSchema::Instance().CountErrors(xml);
        SchemaReport report = ours_->ValidateMemory(xml);
        if ((official == 0) == report.Valid()) return "";
        return "official: " + VerdictText(official) + ", ours: " + VerdictText(report.errorCount) +
               " " + report.FirstErrorText();
    }

    static SchemaValidator* ours_;
};

SchemaValidator* SchemaValidatorTest::ours_ = nullptr;

// --- Reference samples -------------------------------------------------------

TEST_F(SchemaValidatorTest, EverySampleGetsTheOfficialVerdict) {
    int files = 0;
    int valid = 0;
    for (const char* folder : {"samples450", "samples440"}) {
        for (const auto& entry : std::filesystem::directory_iterator(kRefData + folder)) {
            if (entry.path().extension() != ".xml") continue;
            ++files;
            std::string xml = ReadText(entry.path().string());
            SCOPED_TRACE(entry.path().filename().string());
            EXPECT_EQ("", VerdictDifference(xml));
            if (OfficialSchema::Instance().CountErrors(xml) == 0) ++valid;
        }
    }
    EXPECT_EQ(24, files);
    EXPECT_EQ(1, valid);  // the 4.40 files do not pass as 4.50 requests
}

TEST_F(SchemaValidatorTest, ValidSampleFileHasNoErrors) {
    SchemaReport report = ours_->ValidateFile(kValidSample);
    EXPECT_TRUE(report.Valid()) << report.FirstErrorText();
    EXPECT_EQ(0, report.errorCount);
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ("", report.FirstErrorText());
}

TEST_F(SchemaValidatorTest, InvalidSampleReportsEveryErrorWithItsLine) {
    SchemaReport report = ours_->ValidateFile(kReadReqSample);
    ASSERT_EQ(9, report.errorCount);
    ASSERT_EQ(9u, report.errors.size());
    EXPECT_EQ(2, report.errors[0].line);
    EXPECT_EQ(
        "line 2: Element 'request', attribute 'language': [facet 'enumeration'] The value 'en' "
        "is not an element of the set {'de', 'fr', 'it'}.",
        report.FirstErrorText());
    EXPECT_EQ(9, report.errors[2].line);
    EXPECT_EQ("Element 'invoice': The attribute 'request_date' is required but missing.",
              report.errors[2].message);
    EXPECT_EQ(88, report.errors[8].line);
}

TEST_F(SchemaValidatorTest, MemoryAndFileGiveTheSameReport) {
    SchemaReport fromFile = ours_->ValidateFile(kReadReqSample);
    SchemaReport fromMemory = ours_->ValidateMemory(ReadText(kReadReqSample));
    ASSERT_EQ(fromFile.errorCount, fromMemory.errorCount);
    for (std::size_t i = 0; i < fromFile.errors.size(); ++i) {
        EXPECT_EQ(fromFile.errors[i].ToText(), fromMemory.errors[i].ToText());
    }
}

TEST_F(SchemaValidatorTest, ValidatesATreeTheCallerHolds) {
    std::string xml = ReadText(kReadReqSample);
    xmlDocPtr doc =
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    ASSERT_NE(nullptr, doc);
    SchemaReport first = ours_->ValidateDocument(doc);
    SchemaReport second = ours_->ValidateDocument(doc);  // the tree is left as it was
    xmlFreeDoc(doc);
    EXPECT_EQ(9, first.errorCount);
    EXPECT_EQ(first.errorCount, second.errorCount);
    EXPECT_EQ(first.FirstErrorText(), second.FirstErrorText());
}

// --- Mutations of the valid sample --------------------------------------------

// Edits of the valid sample. Each one fails the test when its anchor text is
// missing, so a mutation can never silently leave the document unchanged.
std::string Replace(std::string xml, const std::string& from, const std::string& to) {
    std::size_t at = xml.find(from);
    if (at == std::string::npos) return "anchor not found: " + from;
    return xml.replace(at, from.size(), to);
}

std::string ReplaceAll(std::string xml, const std::string& from, const std::string& to) {
    if (xml.find(from) == std::string::npos) return "anchor not found: " + from;
    for (std::size_t at = xml.find(from); at != std::string::npos; at = xml.find(from, at)) {
        xml.replace(at, from.size(), to);
        at += to.size();
    }
    return xml;
}

// The first element `tag` (qualified name) with all its content.
std::string ElementText(const std::string& xml, const std::string& tag) {
    std::size_t begin = xml.find("<" + tag);
    if (begin == std::string::npos) return "";
    std::size_t selfClose = xml.find("/>", begin);
    std::size_t nextOpen = xml.find('>', begin);
    if (selfClose != std::string::npos && selfClose + 1 == nextOpen) {
        return xml.substr(begin, selfClose + 2 - begin);
    }
    std::string close = "</" + tag + ">";
    std::size_t end = xml.find(close, begin);
    if (end == std::string::npos) return "";
    return xml.substr(begin, end + close.size() - begin);
}

std::string RemoveElement(const std::string& xml, const std::string& tag) {
    std::string element = ElementText(xml, tag);
    if (element.empty()) return "element not found: " + tag;
    return Replace(xml, element, "");
}

std::string MoveElementBefore(const std::string& xml, const std::string& tag,
                              const std::string& beforeTag) {
    std::string element = ElementText(xml, tag);
    if (element.empty()) return "element not found: " + tag;
    std::string without = Replace(xml, element, "");
    return Replace(without, "<" + beforeTag, element + "<" + beforeTag);
}

const char kPerson[] =
    "<invoice:person><invoice:familyname>Muster</invoice:familyname>"
    "<invoice:givenname>Hans</invoice:givenname><invoice:postal>"
    "<invoice:zip>3000</invoice:zip><invoice:city>Bern</invoice:city>"
    "</invoice:postal></invoice:person>";

const char kCompany[] =
    "<invoice:company><invoice:companyname>Kasse AG</invoice:companyname><invoice:postal>"
    "<invoice:zip>3000</invoice:zip><invoice:city>Bern</invoice:city>"
    "</invoice:postal></invoice:company>";

std::string WithInsurance(const std::string& xml) {
    return Replace(xml, "<invoice:patient ",
                   std::string("<invoice:insurance ean_party=\"7601003000015\">") + kCompany +
                       "</invoice:insurance><invoice:patient ");
}

std::string AsTiersPayant(const std::string& xml) {
    std::string payant = ReplaceAll(xml, "invoice:tiers_garant", "invoice:tiers_payant");
    return Replace(WithInsurance(payant), " amount_prepaid=\"0.0\"", "");
}

std::string WithServiceRecords(const std::string& xml, int count, const std::string& tariffType) {
    std::string records;
    for (int i = 0; i < count; ++i) {
        records += "<invoice:service record_id=\"" + std::to_string(10 + i) + "\" tariff_type=\"" +
                   tariffType +
                   "\" code=\"X\" name=\"n\" quantity=\"1\" date_begin=\"2020-06-03T00:00:00\" "
                   "provider_id=\"2000000000002\" responsible_id=\"2000000000002\" unit=\"1\" "
                   "amount=\"1\"/>\n";
    }
    return Replace(xml, "</invoice:services>", records + "</invoice:services>");
}

const char kSignature[] =
    "<ds:Signature><ds:SignedInfo>"
    "<ds:CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"
    "<ds:SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
    "<ds:Reference URI=\"\"><ds:DigestMethod "
    "Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<ds:DigestValue>AAAA</ds:DigestValue></ds:Reference></ds:SignedInfo>"
    "<ds:SignatureValue>AAAA</ds:SignatureValue></ds:Signature>";

struct Mutation {
    const char* name;
    std::function<std::string(const std::string&)> edit;
    bool valid;  // the official verdict, checked too
};

std::vector<Mutation> Mutations() {
    using S = const std::string&;
    return {
        // Missing required elements and attributes.
        {"no guarantor", [](S x) { return RemoveElement(x, "invoice:guarantor"); }, false},
        {"no services", [](S x) { return RemoveElement(x, "invoice:services"); }, false},
        {"no transport", [](S x) { return RemoveElement(x, "invoice:transport"); }, false},
        {"no bank in esrQR", [](S x) { return RemoveElement(x, "invoice:bank"); }, false},
        {"no city", [](S x) { return RemoveElement(x, "invoice:city"); }, false},
        {"no language", [](S x) { return Replace(x, " language=\"de\"", ""); }, false},
        {"no request_id", [](S x) { return Replace(x, " request_id=\"000001000001\"", ""); },
         false},
        {"mvg without ssn", [](S x) { return Replace(x, " ssn=\"7560000000011\"", ""); }, false},
        {"provider without zsr",
         [](S x) {
             std::string provider = ElementText(x, "invoice:provider");
             return Replace(x, provider, Replace(provider, " zsr=\"C000002\"", ""));
         },
         false},
        {"tiers_payant without insurance",
         [](S x) { return ReplaceAll(x, "invoice:tiers_garant", "invoice:tiers_payant"); }, false},
        {"no optional package", [](S x) { return RemoveElement(x, "invoice:package"); }, true},
        {"no optional telecom", [](S x) { return RemoveElement(x, "invoice:telecom"); }, true},
        // Wrong order and unknown parts.
        {"law before slip",
         [](S x) { return MoveElementBefore(x, "invoice:mvg", "invoice:esrQR"); }, false},
        {"debitor before biller",
         [](S x) { return MoveElementBefore(x, "invoice:debitor", "invoice:biller"); }, false},
        {"givenname before familyname",
         [](S x) { return MoveElementBefore(x, "invoice:givenname", "invoice:familyname"); },
         false},
        {"city before zip", [](S x) { return MoveElementBefore(x, "invoice:city", "invoice:zip"); },
         false},
        {"unknown element",
         [](S x) { return Replace(x, "</invoice:prolog>", "<invoice:extra/></invoice:prolog>"); },
         false},
        {"unknown attribute",
         [](S x) {
             return Replace(x, "print_at_intermediate=\"false\"",
                            "print_at_intermediate=\"false\" print_patient_copy=\"false\"");
         },
         false},
        {"four phone numbers",
         [](S x) {
             const std::string phone = "<invoice:phone>555-555 55 55</invoice:phone>";
             return Replace(x, phone, phone + phone + phone + phone);
         },
         false},
        {"three phone numbers",
         [](S x) {
             const std::string phone = "<invoice:phone>555-555 55 55</invoice:phone>";
             return Replace(x, phone, phone + phone + phone);
         },
         true},
        {"other root", [](S x) { return ReplaceAll(x, "invoice:request", "invoice:requests"); },
         false},
        {"other namespace",
         [](S x) {
             return ReplaceAll(x, "http://www.forum-datenaustausch.ch/invoice",
                               "http://www.forum-datenaustausch.ch/invoice/x");
         },
         false},
        // Enumerations.
        {"language en", [](S x) { return Replace(x, "language=\"de\"", "language=\"en\""); },
         false},
        {"modus test", [](S x) { return Replace(x, "modus=\"production\"", "modus=\"test\""); },
         true},
        {"canton XX", [](S x) { return Replace(x, "canton=\"AG\"", "canton=\"XX\""); }, false},
        {"canton LI", [](S x) { return Replace(x, "canton=\"AG\"", "canton=\"LI\""); }, true},
        {"reason illness",
         [](S x) { return Replace(x, "reason=\"disease\"", "reason=\"illness\""); }, false},
        {"gender other", [](S x) { return Replace(x, "gender=\"female\"", "gender=\"other\""); },
         false},
        {"gender with blanks collapses",
         [](S x) { return Replace(x, "gender=\"female\"", "gender=\" female \""); }, true},
        {"role nurse", [](S x) { return Replace(x, "role=\"physician\"", "role=\"nurse\""); },
         false},
        {"place lab", [](S x) { return Replace(x, "place=\"practice\"", "place=\"lab\""); }, true},
        {"diagnosis ICD10",
         [](S x) { return Replace(x, "type=\"by_contract\"", "type=\"ICD10\""); }, false},
        {"billing_role xx",
         [](S x) { return Replace(x, "billing_role=\"both\"", "billing_role=\"xx\""); }, false},
        {"esrQR type esrQRplus",
         [](S x) { return Replace(x, "<invoice:esrQR ", "<invoice:esrQR type=\"esrQRplus\" "); },
         true},
        {"currency EUR", [](S x) { return Replace(x, "currency=\"CHF\"", "currency=\"EUR\""); },
         false},
        {"obligation yes",
         [](S x) { return Replace(x, "obligation=\"true\"", "obligation=\"yes\""); }, false},
        // Patterns.
        {"ean of 12 digits",
         [](S x) {
             return Replace(x, "ean_party=\"2000000000000\"", "ean_party=\"200000000000\"");
         },
         false},
        {"zsr in lower case", [](S x) { return Replace(x, "zsr=\"C000002\"", "zsr=\"c000002\""); },
         false},
        {"iban of Germany", [](S x) { return Replace(x, "iban=\"CH58", "iban=\"DE58"); }, false},
        {"iban of Liechtenstein", [](S x) { return Replace(x, "iban=\"CH58", "iban=\"LI58"); },
         true},
        {"qr reference of 26 digits",
         [](S x) {
             return Replace(x, "154530000000000000010000018", "15453000000000000001000001");
         },
         false},
        {"creditor reference",
         [](S x) { return Replace(x, "154530000000000000010000018", "RF18539007547034"); }, true},
        {"ssn of 3 digits", [](S x) { return Replace(x, "ssn=\"7560000000011\"", "ssn=\"123\""); },
         false},
        {"old ssn of 11 digits",
         [](S x) { return Replace(x, "ssn=\"7560000000011\"", "ssn=\"12345678901\""); }, true},
        {"tariff type of 2",
         [](S x) { return Replace(x, "tariff_type=\"001\"", "tariff_type=\"01\""); }, false},
        {"tariff type with a blank",
         [](S x) { return Replace(x, "tariff_type=\"001\"", "tariff_type=\" 001\""); }, false},
        {"email without at",
         [](S x) {
             return Replace(x, "</invoice:telecom>",
                            "</invoice:telecom><invoice:online><invoice:email>hans.example.ch"
                            "</invoice:email></invoice:online>");
         },
         false},
        // Lengths.
        {"family name of 36", [](S x) { return Replace(x, "Spitzkiel", std::string(36, 'S')); },
         false},
        {"family name of 35", [](S x) { return Replace(x, "Spitzkiel", std::string(35, 'S')); },
         true},
        {"empty city", [](S x) { return Replace(x, ">Unbekannt<", "><"); }, false},
        {"zip of 10", [](S x) { return Replace(x, ">0000<", ">0123456789<"); }, false},
        {"countrycode of 4",
         [](S x) { return Replace(x, "countrycode=\"NDF\"", "countrycode=\"NDFX\""); }, false},
        {"remark of 351",
         [](S x) {
             return Replace(
                 x, "</invoice:prolog>",
                 "</invoice:prolog><invoice:remark>" + std::string(351, 'r') + "</invoice:remark>");
         },
         false},
        {"remark of 350",
         [](S x) {
             return Replace(
                 x, "</invoice:prolog>",
                 "</invoice:prolog><invoice:remark>" + std::string(350, 'r') + "</invoice:remark>");
         },
         true},
        // Dates and numbers.
        {"date without time",
         [](S x) {
             return Replace(x, "request_date=\"2020-06-03T00:00:00.000+02:00\"",
                            "request_date=\"2020-06-03\"");
         },
         false},
        {"month 13",
         [](S x) { return Replace(x, "birthdate=\"1957-04-14", "birthdate=\"1957-13-14"); }, false},
        {"April 31",
         [](S x) { return Replace(x, "birthdate=\"1957-04-14", "birthdate=\"1957-04-31"); }, false},
        {"swiss date",
         [](S x) { return Replace(x, "1957-04-14T00:00:00.000+01:00", "14.04.1957"); }, false},
        {"timestamp before 2015", [](S x) { return Replace(x, "1591170775", "1420066799"); },
         false},
        {"record id 0", [](S x) { return Replace(x, "record_id=\"1\"", "record_id=\"0\""); },
         false},
        {"session 0", [](S x) { return Replace(x, "session=\"1\"", "session=\"0\""); }, false},
        {"quantity abc", [](S x) { return Replace(x, "quantity=\"1.0\"", "quantity=\"abc\""); },
         false},
        {"vat rate 100.5", [](S x) { return Replace(x, "vat_rate=\"8.0\"", "vat_rate=\"100.5\""); },
         false},
        {"unit factor 0",
         [](S x) { return Replace(x, "unit_factor_mt=\"1.0\"", "unit_factor_mt=\"0\""); }, false},
        {"external factor 0",
         [](S x) { return Replace(x, "external_factor_mt=\"1.0\"", "external_factor_mt=\"0\""); },
         true},
        {"sequence id 70000",
         [](S x) { return Replace(x, "sequence_id=\"1\"", "sequence_id=\"70000\""); }, false},
        {"payment period in words",
         [](S x) { return Replace(x, "payment_period=\"P30D\"", "payment_period=\"30 days\""); },
         false},
        // Valid variants that use the optional parts.
        {"tiers_payant", AsTiersPayant, true},
        {"tiers_payant with prepaid amount",
         [](S x) {
             return WithInsurance(ReplaceAll(x, "invoice:tiers_garant", "invoice:tiers_payant"));
         },
         false},
        {"tiers_garant with insurance", WithInsurance, true},
        {"credit and reminder",
         [](S x) {
             std::string invoice = ElementText(x, "invoice:invoice");
             return Replace(x, invoice,
                            "<invoice:credit request_timestamp=\"1591170000\" "
                            "request_date=\"2020-06-01T00:00:00\" request_id=\"c1\"/>" +
                                invoice +
                                "<invoice:reminder request_timestamp=\"1591170775\" "
                                "request_date=\"2020-07-01T00:00:00\" request_id=\"r1\" "
                                "reminder_level=\"2\"/>");
         },
         true},
        {"reminder level 4",
         [](S x) {
             std::string invoice = ElementText(x, "invoice:invoice");
             return Replace(x, invoice,
                            invoice +
                                "<invoice:reminder request_timestamp=\"1591170775\" "
                                "request_date=\"2020-07-01T00:00:00\" request_id=\"r1\" "
                                "reminder_level=\"4\"/>");
         },
         false},
        {"insured, referrer and employer",
         [](S x) {
             std::string patient = ElementText(x, "invoice:patient");
             std::string insured = ReplaceAll(patient, "invoice:patient", "invoice:insured");
             std::string withInsured = Replace(x, patient, patient + insured);
             return Replace(withInsured, "<invoice:balance",
                            std::string("<invoice:referrer zsr=\"A123456\">") + kPerson +
                                "</invoice:referrer><invoice:employer reg_number=\"7\">" +
                                kCompany + "</invoice:employer><invoice:balance");
         },
         true},
        {"card, fax, mail and web",
         [](S x) {
             std::string withOnline = Replace(
                 x, "</invoice:telecom>",
                 "<invoice:fax>031 000 00 00</invoice:fax></invoice:telecom><invoice:online>"
                 "<invoice:email>a@b.ch</invoice:email><invoice:url>https://b.ch/"
                 "</invoice:url></invoice:online>");
             return Replace(withOnline, "</invoice:patient>",
                            "<invoice:card card_id=\"80756000\" "
                            "expiry_date=\"2025-12-31T00:00:00\"/></invoice:patient>");
         },
         true},
        {"esr9 slip",
         [](S x) {
             std::string slip = ElementText(x, "invoice:esrQR");
             return Replace(x, slip,
                            std::string("<invoice:esr9 participant_number=\"01-12345-6\" "
                                        "reference_number=\"12 34567 89012 34567 89012 34567\" "
                                        "coding_line=\"042&gt;123456789012345678901234567+ "
                                        "010123456&gt;\"><invoice:creditor>") +
                                kPerson + "</invoice:creditor></invoice:esr9>");
         },
         true},
        {"esrRed slip",
         [](S x) {
             std::string slip = ElementText(x, "invoice:esrQR");
             return Replace(
                 x, slip,
                 std::string("<invoice:esrRed payment_to=\"postal_account\" "
                             "post_account=\"01-12345-6\" coding_line1=\"123456789&gt;\" "
                             "coding_line2=\"123456789&gt;\"><invoice:creditor>") +
                     kPerson +
                     "</invoice:creditor><invoice:payment_reason>Rechnung 1"
                     "</invoice:payment_reason></invoice:esrRed>");
         },
         true},
        {"ivg law",
         [](S x) {
             return Replace(x, "<invoice:mvg insured_id=\"123456\" case_id=\"123456\"",
                            "<invoice:ivg case_id=\"123456\"");
         },
         true},
        {"ivg law with insured id",
         [](S x) { return Replace(x, "<invoice:mvg ", "<invoice:ivg "); }, false},
        {"hospital data",
         [](S x) {
             return Replace(x, "</invoice:treatment>",
                            "<invoice:xtra_hospital><invoice:stationary "
                            "hospitalization_date=\"2020-06-01T00:00:00\" treatment_days=\"P2D\">"
                            "<invoice:admission_type number=\"1\" name=\"a\"/>"
                            "<invoice:discharge_type number=\"1\" name=\"b\"/>"
                            "<invoice:provider_type number=\"1\" name=\"c\"/>"
                            "<invoice:bfs_residence_before_admission code=\"1\" name=\"d\"/>"
                            "<invoice:bfs_admission_type code=\"1\" name=\"e\"/>"
                            "<invoice:bfs_decision_for_discharge code=\"1\" name=\"f\"/>"
                            "<invoice:bfs_residence_after_discharge code=\"1\" name=\"g\"/>"
                            "</invoice:stationary></invoice:xtra_hospital></invoice:treatment>");
         },
         true},
        {"drug data and documents",
         [](S x) {
             std::string withDrug =
                 Replace(x, "vat_rate=\"2.5\" obligation=\"false\"/>",
                         "vat_rate=\"2.5\" obligation=\"false\"><invoice:xtra_drug "
                         "iocm_category=\"B\" delivery=\"repeated\"/></invoice:service>");
             return Replace(withDrug, "</invoice:services>",
                            "</invoice:services><invoice:documents number=\"1\"><invoice:document "
                            "title=\"Bericht\" filename=\"b.pdf\" mimeType=\"application/pdf\">"
                            "<invoice:base64>JVBERi0=</invoice:base64></invoice:document>"
                            "</invoice:documents>");
         },
         true},
        {"document of type gif",
         [](S x) {
             return Replace(x, "</invoice:services>",
                            "</invoice:services><invoice:documents number=\"1\"><invoice:document "
                            "title=\"Bild\" filename=\"b.gif\" mimeType=\"image/gif\">"
                            "<invoice:url>https://b.ch/b.gif</invoice:url></invoice:document>"
                            "</invoice:documents>");
         },
         false},
        {"instructions and demand",
         [](S x) {
             return Replace(x, "</invoice:processing>",
                            "<invoice:instructions><invoice:instruction token=\"t\" value=\"v\"/>"
                            "</invoice:instructions><invoice:demand tc_demand_id=\"5\" "
                            "tc_token=\"tok\" insurance_demand_date=\"2020-06-01T00:00:00\"/>"
                            "</invoice:processing>");
         },
         true},
        {"many service records", [](S x) { return WithServiceRecords(x, 5, "590"); }, true},
        {"signature",
         [](S x) {
             return Replace(x, "</invoice:request>",
                            kSignature + std::string("</invoice:request>"));
         },
         true},
        {"signature before payload",
         [](S x) {
             return Replace(x, "<invoice:payload>", kSignature + std::string("<invoice:payload>"));
         },
         false},
        {"encrypted body",
         [](S x) {
             std::string body = ElementText(x, "invoice:body");
             return Replace(x, body,
                            "<xenc:EncryptedData><xenc:CipherData><xenc:CipherValue>AAAA"
                            "</xenc:CipherValue></xenc:CipherData></xenc:EncryptedData>");
         },
         true},
    };
}

TEST_F(SchemaValidatorTest, MutationsGetTheOfficialVerdict) {
    const std::string sample = ReadText(kValidSample);
    int valid = 0;
    int invalid = 0;
    for (const Mutation& mutation : Mutations()) {
        SCOPED_TRACE(mutation.name);
        std::string xml = mutation.edit(sample);
        ASSERT_EQ(xml.find("not found:"), std::string::npos) << xml;
        ASSERT_NE(sample, xml);
        // The mutation does what it claims ...
        EXPECT_EQ(mutation.valid, OfficialSchema::Instance().CountErrors(xml) == 0);
        // ... and both schemas agree on it.
        EXPECT_EQ("", VerdictDifference(xml));
        (mutation.valid ? valid : invalid)++;
    }
    EXPECT_GE(invalid, 20);
    EXPECT_GE(valid, 20);
}

// Documented in the schema: signature and encrypted data are open places.
TEST_F(SchemaValidatorTest, SignatureContentIsNotChecked) {
    std::string xml = Replace(ReadText(kValidSample), "</invoice:request>",
                              "<ds:Signature><ds:Unknown/></ds:Signature></invoice:request>");
    EXPECT_TRUE(ours_->ValidateMemory(xml).Valid());
    EXPECT_NE(0, OfficialSchema::Instance().CountErrors(xml));
}

// --- Error reports ------------------------------------------------------------

TEST_F(SchemaValidatorTest, CollectsAtMostTheCapButCountsAll) {
    std::string xml = WithServiceRecords(ReadText(kValidSample), 70, "bad");
    SchemaReport report = ours_->ValidateMemory(xml);
    EXPECT_EQ(70, report.errorCount);
    EXPECT_EQ(SchemaValidator::kMaxCollectedErrors, report.errors.size());
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("tariff_type"));
    EXPECT_GT(report.errors.back().line, report.errors.front().line);
}

TEST_F(SchemaValidatorTest, DocumentThatIsNotXmlReportsWhereItBreaks) {
    SchemaReport report = ours_->ValidateMemory("<?xml version=\"1.0\"?>\n<a>\n<b></a>\n");
    ASSERT_GE(report.errorCount, 1);
    EXPECT_EQ(3, report.errors[0].line);
    EXPECT_EQ("line 3: Opening and ending tag mismatch: b line 3 and a", report.FirstErrorText());
}

TEST_F(SchemaValidatorTest, EmptyDocumentIsAnError) {
    SchemaReport report = ours_->ValidateMemory("");
    EXPECT_EQ(1, report.errorCount);
    EXPECT_FALSE(report.FirstErrorText().empty());
}

TEST_F(SchemaValidatorTest, MissingDocumentFileIsAnError) {
    SchemaReport report = ours_->ValidateFile("/nonexistent/request.xml");
    EXPECT_EQ(1, report.errorCount);
    EXPECT_FALSE(report.FirstErrorText().empty());
}

TEST(SchemaValidatorLoadTest, MissingSchemaIsReportedOnEveryValidation) {
    SchemaValidator validator("/nonexistent/schema.xsd");
    EXPECT_FALSE(validator.Loaded());
    EXPECT_FALSE(validator.LoadError().empty());
    SchemaReport report = validator.ValidateFile(kValidSample);
    EXPECT_EQ(1, report.errorCount);
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("/nonexistent/schema.xsd"));
}

TEST(SchemaValidatorLoadTest, BrokenSchemaIsNotLoaded) {
    TempFolder folder;
    std::ofstream(folder.Path() + "bad.xsd")
        << "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
           "<xs:element name=\"a\" type=\"xs:nosuchtype\"/></xs:schema>";
    SchemaValidator validator(folder.Path() + "bad.xsd");
    EXPECT_FALSE(validator.Loaded());
    EXPECT_NE(std::string::npos, validator.LoadError().find("nosuchtype"));
}

// --- Reading safely -------------------------------------------------------------

TEST_F(SchemaValidatorTest, ExternalEntitiesAreNotRead) {
    TempFolder folder;
    std::ofstream(folder.Path() + "name.txt") << "Spitzkiel";
    std::string sample = ReadText(kValidSample);
    std::string xml = Replace(sample, "<invoice:request ",
                              "<!DOCTYPE invoice:request [<!ENTITY name SYSTEM \"" + folder.Path() +
                                  "name.txt\">]>\n<invoice:request ");
    xml = Replace(xml, ">Spitzkiel<", ">&name;<");
    // Substituted, the name would make the document valid; unread it stays empty.
    SchemaReport report = ours_->ValidateMemory(xml);
    EXPECT_FALSE(report.Valid());
}

TEST_F(SchemaValidatorTest, ExternalDtdIsNotLoaded) {
    TempFolder folder;
    // A DTD whose default would supply the missing required attribute.
    std::ofstream(folder.Path() + "defaults.dtd")
        << "<!ATTLIST invoice:request language CDATA \"de\">";
    std::string xml = Replace(ReadText(kValidSample), " language=\"de\"", "");
    xml = Replace(xml, "<invoice:request ",
                  "<!DOCTYPE invoice:request SYSTEM \"" + folder.Path() +
                      "defaults.dtd\">\n<invoice:request ");
    SchemaReport report = ours_->ValidateMemory(xml);
    ASSERT_EQ(1, report.errorCount) << report.FirstErrorText();
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("'language' is required"));
}

// --- The shared request schema ---------------------------------------------------

class RequestSchemaTest : public ::testing::Test {
  protected:
    void TearDown() override { SetRequestSchemaPath(""); }
};

TEST_F(RequestSchemaTest, DefaultPathIsBesideTheExecutable) {
    SetRequestSchemaPath("");
    EXPECT_EQ(platform::ExecutableDirectory() + "generalInvoiceRequest_450.xsd",
              RequestSchemaPath());
    EXPECT_STREQ("generalInvoiceRequest_450.xsd", kRequestSchemaName);
}

TEST_F(RequestSchemaTest, IsLoadedOnceAndShared) {
    SetRequestSchemaPath(kOurSchema);
    std::shared_ptr<const SchemaValidator> first = RequestSchemaValidator();
    ASSERT_TRUE(first->Loaded()) << first->LoadError();
    EXPECT_EQ(kOurSchema, first->SchemaPath());
    EXPECT_EQ(first.get(), RequestSchemaValidator().get());
}

TEST_F(RequestSchemaTest, NewPathReplacesTheSchemaButNotHeldCopies) {
    SetRequestSchemaPath(kOurSchema);
    std::shared_ptr<const SchemaValidator> held = RequestSchemaValidator();
    SetRequestSchemaPath("/nonexistent/schema.xsd");
    EXPECT_FALSE(RequestSchemaValidator()->Loaded());
    EXPECT_TRUE(held->ValidateFile(kValidSample).Valid());
}

TEST_F(RequestSchemaTest, MissingSchemaIsTriedAgain) {
    TempFolder folder;
    std::string path = folder.Path() + "schema.xsd";
    SetRequestSchemaPath(path);
    EXPECT_FALSE(RequestSchemaValidator()->Loaded());
    std::filesystem::copy_file(kOurSchema, path);
    EXPECT_TRUE(RequestSchemaValidator()->Loaded());
}

TEST_F(RequestSchemaTest, EightThreadsValidateAtOnce) {
    SetRequestSchemaPath(kOurSchema);
    const std::string valid = ReadText(kValidSample);
    const std::string invalid = ReadText(kReadReqSample);
    std::atomic<int> wrong{0};
    std::vector<const SchemaValidator*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 25; ++round) {
                std::shared_ptr<const SchemaValidator> validator = RequestSchemaValidator();
                seen[t] = validator.get();
                if (!validator->ValidateMemory(valid).Valid()) ++wrong;
                SchemaReport report = validator->ValidateMemory(invalid);
                if (report.errorCount != 9 || report.errors[0].line != 2) ++wrong;
                if (round % 5 == 0 && validator->ValidateFile(kReadReqSample).errorCount != 9) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(1u, std::set<const SchemaValidator*>(seen.begin(), seen.end()).size());
}

}  // namespace
}  // namespace module
