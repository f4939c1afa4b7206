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

TEST_F(XmlReaderTest, QrSampleReadsBackTheFileValues) {
    REQUIRE_REFDATA();
    InvoiceRequest r;
    std::string error;
    ASSERT_TRUE(invoice_xml::LoadInvoiceXml(kQrSample, &r, &schema_, &error)) << error;
    EXPECT_EQ("generalInvoiceRequest_450.xsd", schema_);
    EXPECT_EQ(invoice::Language::kGerman, r.language);
    EXPECT_EQ(invoice::Modus::kProduction, r.modus);
    EXPECT_FALSE(r.validation_status.has_value());
    ASSERT_TRUE(r.transport);
    EXPECT_EQ("2000000000002", r.transport->from_ean);
    ASSERT_EQ(1u, r.transport->vias.size());
    EXPECT_EQ("2000000000000", r.transport->vias[0].ean);
    EXPECT_EQ(1591170775, r.invoice->timestamp);
    EXPECT_EQ("000001000001", r.invoice->id);
    EXPECT_EQ(Day("2020-06-03T00:00:00"), r.invoice->date);  // offset +02:00 ignored
    EXPECT_EQ(invoice::RoleType::kPhysician, r.request->role);
    EXPECT_EQ("Elexis", r.prolog.package->name);
    EXPECT_EQ(380u, *r.prolog.package->version);
    EXPECT_EQ("JAXB", r.prolog.generator.name);
    EXPECT_EQ(invoice::TiersMode::kGarant, r.tiers->mode);
    EXPECT_EQ(30, r.esr->payment_period_days);
    EXPECT_EQ("C000002", r.biller->zsr);
    EXPECT_EQ("Allgemein", r.biller->specialty);
    EXPECT_EQ("Frau", r.biller->address->person.salutation);
    EXPECT_EQ("NDF", r.biller->address->postal.countrycode);
    EXPECT_EQ("555-555 55 55", r.debitor->address->phones.at(0).number);
    EXPECT_EQ(invoice::SexType::kFemale, r.patient->sex);
    EXPECT_EQ(Day("1957-04-14T00:00:00"), r.patient->birthdate);
    EXPECT_FALSE(r.insurance);
    EXPECT_EQ(D("5232.99"), r.balance.amount);
    EXPECT_EQ(D("17.76"), r.balance.amount_obligations);
    EXPECT_EQ(D("260.98"), r.balance.vat);
    ASSERT_EQ(3u, r.balance.vat_rates.size());
    EXPECT_EQ(D("2.5"), r.balance.vat_rates[1].vat_rate);
    EXPECT_EQ(D("60.98"), r.balance.vat_rates[1].vat);
    EXPECT_EQ(invoice::EsrType::kEsrQR, r.esr->type);
    EXPECT_EQ("CH5800791123000889012", r.esr->iban);
    EXPECT_EQ("Test Bank", r.esr->bank->company.companyname);
    EXPECT_EQ(invoice::AddressType::kCompany, r.esr->bank->type);
    EXPECT_EQ(invoice::LawType::kMVG, r.law->type);
    EXPECT_EQ("7560000000011", r.law->ssn);
    EXPECT_EQ(Day("2999-12-31T00:00:00"), r.treatment->date_begin);
    EXPECT_EQ(invoice::Canton::kAG, r.treatment->canton);
    ASSERT_EQ(1u, r.diagnoses.size());
    EXPECT_EQ("A1", r.diagnoses[0].code);
    ASSERT_EQ(5u, r.services.size());
    const invoice::ServiceRecord& ex = r.services[0];
    EXPECT_EQ(invoice::ServiceKind::kServiceEx, ex.kind);
    EXPECT_EQ(D("9.57"), ex.mt.unit);
    EXPECT_EQ(D("8.19"), ex.tt.amount);
    EXPECT_EQ(D("17.76"), ex.amount);
    EXPECT_TRUE(ex.obligation);
    const invoice::ServiceRecord& last = r.services[4];
    EXPECT_EQ(invoice::ServiceKind::kService, last.kind);
    EXPECT_EQ(5, last.record_id);
    EXPECT_EQ(D("0.5"), last.quantity);
    EXPECT_EQ(D("10.15"), last.unit);
    EXPECT_EQ(D("5.08"), last.amount);
    EXPECT_FALSE(last.obligation);
    EXPECT_FALSE(last.date_end);
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

TEST_F(XmlReaderTest, NotXmlNotAnInvoiceOrUnreadable) {
    EXPECT_NE(std::string::npos, LoadText("").find("not a well-formed XML document"));
    std::string broken = LoadText("<?xml version=\"1.0\"?>\n<a>\n<b></a>");
    EXPECT_NE(std::string::npos, broken.find("input.xml is not a well-formed XML document: line 3"))
        << broken;
    std::string other = LoadText("<html xmlns=\"http://www.w3.org/1999/xhtml\"/>");
    EXPECT_NE(std::string::npos,
              other.find("is not a generalInvoiceRequest document: line 1: its root element is "
                         "'html' in the namespace 'http://www.w3.org/1999/xhtml'"))
        << other;
    EXPECT_EQ("", schema_);
    EXPECT_NE(std::string::npos, LoadText("<request/>").find("without a namespace"));
    InvoiceRequest r;
    std::string error;
    EXPECT_FALSE(invoice_xml::LoadInvoiceXml("/nonexistent/x.xml", &r, &schema_, &error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/x.xml cannot be read")) << error;
}

TEST_F(XmlReaderTest, ValuesTheModelCannotHoldAreRefusedWithTheirLine) {
    REQUIRE_REFDATA();
    std::string text = Replace(ReadText(kQrSample), "quantity=\"0.5\"", "quantity=\"INF\"");
    std::string error = LoadText(text);
    EXPECT_NE(std::string::npos, error.find("line 114: attribute 'quantity' of 'service'"))
        << error;
    text = Replace(ReadText(kQrSample), "payment_period=\"P30D\"", "payment_period=\"P1M\"");
    EXPECT_EQ("OK", LoadText(text));  // a month loads (kept as written)
}

TEST_F(XmlReaderTest, FailedLoadLeavesTheTargetUnchanged) {
    InvoiceRequest r;
    r.language = invoice::Language::kItalian;
    LoadText("<invalid", &r);
    EXPECT_EQ(invoice::Language::kItalian, r.language);
    EXPECT_FALSE(r.invoice);
}

TEST_F(XmlReaderTest, EntitiesAreNeitherExpandedFromOutsideNorAllowedToExplode) {
    TempFolder folder;
    std::ofstream(folder.Path() + "secret.txt") << "SECRET";
    std::string external = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY x SYSTEM \"" +
                           folder.Path() + "secret.txt\">]>\n" +
                           "<request xmlns=\"http://www.forum-datenaustausch.ch/invoice\" "
                           "language=\"de\">&x;</request>";
    std::string error = LoadText(external);
    EXPECT_EQ(std::string::npos, error.find("SECRET")) << error;
    EXPECT_NE("OK", error);

    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
    const char* names = "abcdefghij";
    for (int i = 1; i < 10; ++i) {
        laughs += std::string("<!ENTITY ") + names[i] + " \"";
        for (int k = 0; k < 10; ++k) laughs += std::string("&") + names[i - 1] + ";";
        laughs += "\">";
    }
    laughs +=
        "]>\n<request xmlns=\"http://www.forum-datenaustausch.ch/invoice\" language=\"&j;\"/>";
    EXPECT_NE("OK", LoadText(laughs));
}

TEST_F(XmlReaderTest, DeeplyNestedAndHugeInputsAreRefused) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    EXPECT_NE(std::string::npos, LoadText(deep).find("not a well-formed"));
    std::string huge = "<request xmlns=\"http://www.forum-datenaustausch.ch/invoice\">" +
                       std::string(20 * 1024 * 1024, 'x') + "</request>";
    EXPECT_NE("OK", LoadText(huge));
}

}  // namespace
