// The 4.50 loader: the published samples, line endings, prefixes, dates, and
// every kind of input it must refuse without crashing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "tests/engine/request_mutations.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/temp_folder.h"
#include "tests/refdata.h"

namespace {

using invoice::InvoiceRequest;

using module::testing_support::kOurSchema;
using module::testing_support::kValidSample;
using module::testing_support::ReadText;
using module::testing_support::ReplaceAll;
const std::string kRefdata = RefdataDir();
const std::string kNs = "http://www.forum-datenaustausch.ch/invoice";

class XmlReaderTest : public ::testing::Test {
  protected:
    void SetUp() override { module::SetRequestSchemaPath(kOurSchema); }
    void TearDown() override { module::SetRequestSchemaPath(""); }

    // "OK" or the abort text.
    std::string LoadText(const std::string& xml, InvoiceRequest* out = nullptr) {
        InvoiceRequest ignored;
        std::string error;
        if (invoice_xml::LoadInvoiceXmlText(xml, "input.xml", out ? out : &ignored, &schema_,
                                            &error)) {
            return "OK";
        }
        return error;
    }

    std::string schema_;
};

TEST_F(XmlReaderTest, LineEndingsAndPrefixesDoNotMatter) {
    REQUIRE_REFDATA();
    std::string error, ns = "xmlns:invoice=\"" + kNs + "\"";
    const std::string written = module::testing_support::Rewrite(ReadText(kValidSample), &error);
    ASSERT_NE("", written) << error;
    // The namespace also as the default one, for the unprefixed variant.
    std::string lf = ReplaceAll(ReadText(kValidSample), ns, ns + " xmlns=\"" + kNs + "\"");
    for (const std::string& text :
         {ReplaceAll(lf, "\n", "\r\n"), ReplaceAll(lf, "\n", "\r"),
          ReplaceAll(ReplaceAll(lf, "invoice:", "inv:"), "xmlns:invoice=", "xmlns:inv="),
          ReplaceAll(ReplaceAll(lf, "<invoice:", "<"), "</invoice:", "</")}) {
        EXPECT_EQ(written, module::testing_support::Rewrite(text, &error)) << error;
    }
}

// Edits of a published sample (every `from` replaced by `to`): the published
// schema of its release judges the result, and the loader takes it with the
// value shown or refuses it saying why; it names the schema it knew the file
// by, also without a schema location and when refusing it.
struct Edited {
    const char* sample;
    const char* from;
    const char* to;
    bool valid;                                   // the published schema's verdict
    const char* says;                             // the loaded value, or part of the refusal
    std::string (*value)(const InvoiceRequest&);  // null: refused
};

const char kQr[] = "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
const char kUvg[] = "samples440/elexis_elexis-3-base_md_440_tg_uvg_3783.xml";
const char kCsv[] = "samples440/metasfresh_metasfresh_44_KANTON_49-01-2019_115414041.xml";
std::string Documents(const InvoiceRequest& r) {
    return std::to_string(r.documents.size());
}

const Edited kEdited[] = {
    // Offsets never shift the day, and fractions are cut.
    {kQr, "request_date=\"2020-06-03T00:00:00.000+02:00\"",
     "request_date=\"2020-06-03T23:59:59.999-11:00\"", true, "2020-06-03T23:59:59 .999-11:00",
     [](const InvoiceRequest& r) {
         return invoice_xml::FormatDateTime(r.invoice->date.serial) + " " + r.invoice->date.suffix;
     }},
    // What the schema accepts loads even where the setters are stricter.
    {kQr, "ean_party=\"2000000000002\"", "ean_party=\"2000000000003\"", true, "2000000000003",
     [](const InvoiceRequest& r) { return r.biller->ean; }},
    {kQr, "quantity=\"0.5\"", "quantity=\"5E-1\"", true, "0.5",
     [](const InvoiceRequest& r) { return invoice_xml::FormatNumber(r.services[4].quantity); }},
    {kQr, "payment_period=\"P30D\"", "payment_period=\"P1M\"", true, "P1M = 30 days",
     [](const InvoiceRequest& r) {
         return r.esr->payment_period_text + " = " + std::to_string(r.esr->payment_period_days) +
                " days";
     }},
    // What the model cannot hold is refused with its line.
    {kQr, "quantity=\"0.5\"", "quantity=\"INF\"", true,
     "line 114: attribute 'quantity' of 'service'", nullptr},
    {"samples450/elexis_elexis-3-base_readReq450.xml", "", "", false,
     "does not conform to generalInvoiceRequest_450.xsd (9 errors)", nullptr},
    {"samples450/elexis_elexis-3-base_writeReq450.xml", "", "", false,
     "line 2: Element 'request', attribute 'language'", nullptr},
    // 4.40: what its schema refuses is refused, and so is what 4.50 has no
    // form for; the slip's creditor is the biller (not the provider), a ZSR
    // number of a party is taken as that party's GLN, and an attachment 4.50
    // cannot carry is left out.
    {kUvg, "generalInvoiceRequest_440.xsd", "", true, "0000000000002",
     [](const InvoiceRequest& r) { return r.services.at(0).provider_ean; }},
    {kUvg,
     "<invoice:biller ean_party=\"0000000000002\" zsr=\"C196719\" specialty=\"Allgemeine "
     "Medizin\">\r\n          <invoice:person salutation=\"Herr\" title=\"Dr. med.\">\r\n          "
     "  <invoice:familyname>M\xC3\xBCller",
     "<invoice:biller ean_party=\"0000000000002\" zsr=\"C196719\" specialty=\"Allgemeine "
     "Medizin\">\r\n          <invoice:person salutation=\"Herr\" title=\"Dr. med.\">\r\n          "
     "  <invoice:familyname>Meier",
     true, "Meier", [](const InvoiceRequest& r) { return r.esr->creditor->person.familyname; }},
    {kUvg, "validate=\"true\"", "validate=\"yes\"", false, "'validate' of 'record_tarmed'",
     nullptr},
    {kUvg, "unit_mt=\"", "unit_mt=\"-", false, "'unit_mt' of 'record_tarmed'", nullptr},
    {kUvg, "<invoice:treatment ", "<invoice:treatment gestation_week13=\"2019-01-01T00:00:00\" ",
     false, "'gestation_week13' of 'treatment' does not exist in release 4.40", nullptr},
    {kUvg, "provider_id=\"0000000000002\"", "provider_id=\"C196719\"", true, "0000000000002",
     [](const InvoiceRequest& r) { return r.services.at(0).provider_ean; }},
    {kUvg, "provider_id=\"0000000000002\"", "provider_id=\"C196718\"", true,
     "provider_id C196718 is a ZSR number that no party of the invoice has", nullptr},
    {kUvg, "invoice:esr9", "invoice:esr5", false, "esr5", nullptr},
    {kUvg, "generalInvoiceRequest_440.xsd", "generalInvoiceRequest_430.xsd", true,
     "only releases 4.50 and 4.40 can be loaded", nullptr},
    {"samples440/elexis_elexis-3-base_update_212.xml", "amount_prepaid=\"0.00\"",
     "amount_prepaid=\"0.05\"", true, "prepaid amount (0.05), which release 4.50 cannot hold",
     nullptr},
    {kCsv, "", "", true, "0", Documents},
    {kCsv, "mimeType=\"text/csv\"", "mimeType=\"application/pdf\"", true, "1", Documents},
    {kCsv, "mimeType=\"text/csv\"", "mimeType=\"text/csv;charset=windows-1252;so-long\"", false,
     "'mimeType' of 'document'", nullptr},
};

TEST_F(XmlReaderTest, EditedSamplesLoadWithTheirValuesOrAreRefusedSayingWhy) {
    REQUIRE_REFDATA();
    module::SchemaValidator official440(kRefdata + "xsd/generalInvoiceRequest_440.xsd");
    module::SchemaValidator official450(kRefdata + "xsd/generalInvoiceRequest_450.xsd");
    for (const Edited& e : kEdited) {
        SCOPED_TRACE(std::string(e.sample) + ": " + e.to);
        std::string text = ReadText(kRefdata + e.sample);
        ASSERT_NE(std::string::npos, text.find(e.from));
        if (*e.from) text = ReplaceAll(text, e.from, e.to);
        const bool is440 = std::string(e.sample).find("440/") != std::string::npos;
        EXPECT_EQ(e.valid, (is440 ? official440 : official450).ValidateMemory(text).Valid());
        InvoiceRequest r;
        std::string error = LoadText(text, &r);
        const bool names = std::string(e.to).find(".xsd") != std::string::npos;
        EXPECT_EQ(names   ? e.to
                  : is440 ? "generalInvoiceRequest_440.xsd"
                          : "generalInvoiceRequest_450.xsd",
                  schema_);
        if (e.value == nullptr) {
            EXPECT_NE(std::string::npos, error.find(e.says)) << error;
        } else {
            ASSERT_EQ("OK", error);
            EXPECT_EQ(e.says, e.value(r));
        }
    }
}

// Input the loader refuses with a clear text, and without a crash.
struct Refusal {
    const char* name;
    std::string (*text)(const std::string& folder);
    const char* said;  // part of the abort text
};

std::string Laughs(const std::string&) {
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
    for (char name = 'b'; name <= 'j'; ++name) {
        laughs += std::string("<!ENTITY ") + name + " \"";
        for (int k = 0; k < 10; ++k) laughs += std::string("&") + char(name - 1) + ";";
        laughs += "\">";
    }
    return laughs + "]>\n<request xmlns=\"" + kNs + "\" language=\"&j;\"/>";
}

const Refusal kRefusals[] = {
    {"empty", [](auto&) { return std::string(); }, "not a well-formed XML document"},
    {"broken", [](auto&) { return std::string("<?xml version=\"1.0\"?>\n<a>\n<b></a>"); },
     "input.xml is not a well-formed XML document: line 3"},
    {"other document",
     [](auto&) { return std::string("<html xmlns=\"http://www.w3.org/1999/xhtml\"/>"); },
     "is not a generalInvoiceRequest document: line 1: its root element is 'html' in the "
     "namespace 'http://www.w3.org/1999/xhtml'"},
    {"no namespace", [](auto&) { return std::string("<request/>"); }, "without a namespace"},
    {"external entity",
     [](const std::string& folder) {
         std::ofstream(folder + "secret.txt") << "SECRET";
         return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY x SYSTEM \"" + folder +
                "secret.txt\">]>\n<request xmlns=\"" + kNs + "\" language=\"de\">&x;</request>";
     },
     ""},
    {"billion laughs", Laughs, ""},
    {"deeply nested",
     [](auto&) {
         std::string deep;
         for (int i = 0; i < 100000; ++i) deep += "<a>";
         return deep;
     },
     "not a well-formed"},
    {"huge",
     [](auto&) {
         return "<request xmlns=\"" + kNs + "\">" + std::string(20 << 20, 'x') + "</request>";
     },
     ""},
};

TEST_F(XmlReaderTest, RefusalsSayWhyLeakNothingAndLeaveTheTargetUnchanged) {
    TempFolder folder;
    for (const Refusal& refusal : kRefusals) {
        InvoiceRequest r;
        r.language = invoice::Language::kItalian;
        schema_ = "kept";
        std::string error = LoadText(refusal.text(folder.Path()), &r);
        EXPECT_NE("OK", error) << refusal.name;
        EXPECT_NE(std::string::npos, error.find(refusal.said)) << refusal.name << ": " << error;
        EXPECT_EQ(std::string::npos, error.find("SECRET")) << refusal.name;
        EXPECT_EQ(invoice::Language::kItalian, r.language) << refusal.name;
        EXPECT_FALSE(r.invoice) << refusal.name;
    }
    LoadText(kRefusals[2].text(""));
    EXPECT_EQ("", schema_);  // an other document names no schema
}

}  // namespace
