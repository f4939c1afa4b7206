// The 4.50 loader: the published samples, line endings, prefixes, dates, and
// every kind of input it must refuse without crashing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/temp_folder.h"
#include "tests/refdata.h"

namespace {

using invoice::InvoiceRequest;

using module::testing_support::kOurSchema;
const std::string kRefdata = RefdataDir();
const std::string kNs = "http://www.forum-datenaustausch.ch/invoice";
const std::string kQrSample = kRefdata + "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

invoice::Decimal D(const char* text) {
    invoice::Decimal value;
    EXPECT_TRUE(invoice::Decimal::Parse(text, &value)) << text;
    return value;
}

double Day(const char* text) {
    double serial = 0;
    EXPECT_TRUE(invoice_xml::ParseDateTime(text, &serial)) << text;
    return serial;
}

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

// ---------------------------------------------------------------------------
// The valid sample reads back with the values of the file.

// A sample of the field of each kind: every value comes back through the
// writer too (xml_lossless_test), so these check the model against the file.
TEST_F(XmlReaderTest, QrSampleReadsBackTheFileValues) {
    REQUIRE_REFDATA();
    InvoiceRequest r;
    std::string error;
    ASSERT_TRUE(invoice_xml::LoadInvoiceXml(kQrSample, &r, &schema_, &error)) << error;
    EXPECT_EQ("generalInvoiceRequest_450.xsd", schema_);
    EXPECT_EQ(invoice::Language::kGerman, r.language);
    EXPECT_FALSE(r.validation_status.has_value());
    EXPECT_EQ("2000000000000", r.transport->vias.at(0).ean);
    EXPECT_EQ(1591170775, r.invoice->timestamp);
    EXPECT_EQ(Day("2020-06-03T00:00:00"), r.invoice->date);  // offset +02:00 ignored
    EXPECT_EQ(380u, *r.prolog.package->version);
    EXPECT_EQ(30, r.esr->payment_period_days);
    EXPECT_EQ("Frau", r.biller->address->person.salutation);
    EXPECT_EQ("555-555 55 55", r.debitor->address->phones.at(0).number);
    EXPECT_EQ(Day("1957-04-14T00:00:00"), r.patient->birthdate);
    EXPECT_FALSE(r.insurance);
    EXPECT_EQ(D("17.76"), r.balance.amount_obligations);
    EXPECT_EQ(D("60.98"), r.balance.vat_rates.at(1).vat);
    EXPECT_EQ(invoice::AddressType::kCompany, r.esr->bank->type);
    EXPECT_EQ(invoice::LawType::kMVG, r.law->type);
    ASSERT_EQ(5u, r.services.size());
    EXPECT_EQ(invoice::ServiceKind::kServiceEx, r.services[0].kind);
    EXPECT_EQ(D("9.57"), r.services[0].mt.unit);
    EXPECT_EQ(D("8.19"), r.services[0].tt.amount);
    EXPECT_TRUE(r.services[0].obligation);
    EXPECT_EQ(invoice::ServiceKind::kService, r.services[4].kind);
    EXPECT_EQ(D("0.5"), r.services[4].quantity);
    EXPECT_FALSE(r.services[4].obligation);
    EXPECT_FALSE(r.services[4].date_end);
    EXPECT_TRUE(r.finalized);
}

TEST_F(XmlReaderTest, LineEndingsAndPrefixesDoNotMatter) {
    REQUIRE_REFDATA();
    std::string lf = ReadText(kQrSample);
    InvoiceRequest base, other;
    ASSERT_EQ("OK", LoadText(lf, &base));
    std::string inv = "http://www.forum-datenaustausch.ch/invoice";
    for (const std::string& variant :
         {Replace(lf, "\n", "\r\n"), Replace(lf, "\n", "\r"),
          Replace(Replace(lf, "invoice:", "inv:"), "xmlns:invoice=", "xmlns:inv="),
          Replace(Replace(lf, "<invoice:", "<"), "</invoice:", "</")}) {
        std::string text = variant;
        // The unprefixed variant declares the namespace as the default one.
        text = Replace(text, "xmlns:invoice=\"" + inv + "\"",
                       "xmlns:invoice=\"" + inv + "\" xmlns=\"" + inv + "\"");
        ASSERT_EQ("OK", LoadText(text, &other)) << text.substr(0, 400);
        EXPECT_EQ(base.services.size(), other.services.size());
        EXPECT_EQ(base.balance.amount_due, other.balance.amount_due);
        EXPECT_EQ(base.patient->address->person.familyname,
                  other.patient->address->person.familyname);
    }
}

TEST_F(XmlReaderTest, OffsetsNeverShiftTheDayAndFractionsAreCut) {
    REQUIRE_REFDATA();
    std::string text =
        Replace(ReadText(kQrSample), "request_date=\"2020-06-03T00:00:00.000+02:00\"",
                "request_date=\"2020-06-03T23:59:59.999-11:00\"");
    InvoiceRequest r;
    ASSERT_EQ("OK", LoadText(text, &r));
    EXPECT_EQ("2020-06-03T23:59:59", invoice_xml::FormatDateTime(r.invoice->date.serial));
    EXPECT_EQ(".999-11:00", r.invoice->date.suffix);
}

TEST_F(XmlReaderTest, ValuesTheSchemaAcceptsLoadEvenWhereSettersAreStricter) {
    REQUIRE_REFDATA();
    // A GLN with a wrong check digit and an exponent in a number.
    std::string text =
        Replace(ReadText(kQrSample), "ean_party=\"2000000000002\"", "ean_party=\"2000000000003\"");
    text = Replace(text, "quantity=\"0.5\"", "quantity=\"5E-1\"");
    InvoiceRequest r;
    ASSERT_EQ("OK", LoadText(text, &r));
    EXPECT_EQ("2000000000003", r.biller->ean);
    EXPECT_EQ(D("0.5"), r.services[4].quantity);
}

// ---------------------------------------------------------------------------
// Refusals.

TEST_F(XmlReaderTest, InvalidSamplesNameTheirErrorsWithLines) {
    REQUIRE_REFDATA();
    for (const char* name :
         {"elexis_elexis-3-base_readReq450.xml", "elexis_elexis-3-base_writeReq450.xml"}) {
        InvoiceRequest r;
        std::string error;
        EXPECT_FALSE(
            invoice_xml::LoadInvoiceXml(kRefdata + "samples450/" + name, &r, &schema_, &error));
        EXPECT_NE(std::string::npos, error.find("does not conform to generalInvoiceRequest_450.xsd "
                                                "(9 errors)"))
            << error;
        EXPECT_NE(std::string::npos, error.find("line 2: Element 'request', attribute 'language'"))
            << error;
        EXPECT_NE(std::string::npos, error.find("line 9: Element 'invoice'")) << error;
        EXPECT_EQ("generalInvoiceRequest_450.xsd", schema_);
    }
}

TEST_F(XmlReaderTest, Release440FileWithoutSchemaLocationIsKnownByItsLayout) {
    REQUIRE_REFDATA();
    // The old layout (balance in the body) tells; xml_release440_test.cpp
    // has the rest of 4.40.
    std::string text =
        ReadText(kRefdata + "samples440/elexis_elexis-3-base_md_440_tg_uvg_3783.xml");
    text = Replace(text, "generalInvoiceRequest_440.xsd", "");
    EXPECT_EQ("OK", LoadText(text));
    EXPECT_EQ("generalInvoiceRequest_440.xsd", schema_);
}

TEST_F(XmlReaderTest, ValuesTheModelCannotHoldAreRefusedWithTheirLine) {
    REQUIRE_REFDATA();
    std::string text = Replace(ReadText(kQrSample), "quantity=\"0.5\"", "quantity=\"INF\"");
    EXPECT_NE(std::string::npos,
              LoadText(text).find("line 114: attribute 'quantity' of 'service'"));
    text = Replace(ReadText(kQrSample), "payment_period=\"P30D\"", "payment_period=\"P1M\"");
    EXPECT_EQ("OK", LoadText(text));  // a month loads (kept as written)
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
    InvoiceRequest r;
    std::string error;
    EXPECT_FALSE(invoice_xml::LoadInvoiceXml("/nonexistent/x.xml", &r, &schema_, &error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/x.xml cannot be read")) << error;
}

}  // namespace
