// The 4.50 writer: documents built directly in the model are checked against
// our schema and, independently, against the published schema in refdata.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_writer.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/result_sample_invoice.h"
#include "tests/engine/temp_folder.h"
#include "tests/refdata.h"

namespace {

using invoice::InvoiceRequest;
using invoice_xml::RenderInvoiceXml;
using result_test::D;

using module::testing_support::kOfficialSchema;
using module::testing_support::kOurSchema;
constexpr int64_t kTimestamp = 1591170775;

// The published schema, compiled once; its imports are read from beside it.
class OfficialSchema {
  public:
    OfficialSchema() {
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(kOfficialSchema.c_str());
        schema_ = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
    }
    ~OfficialSchema() { xmlSchemaFree(schema_); }

    // "" when `xml` is valid, otherwise the errors.
    std::string Errors(const std::string& xml) const {
        if (schema_ == nullptr) return "the published schema could not be read";
        std::string errors;
        xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                      XML_PARSE_NONET);
        if (doc == nullptr) return "not well-formed";
        xmlSchemaValidCtxtPtr context = xmlSchemaNewValidCtxt(schema_);
        xmlSchemaSetValidStructuredErrors(
            context,
            [](void* out, xmlErrorPtr error) {
                *static_cast<std::string*>(out) +=
                    "line " + std::to_string(error->line) + ": " + error->message;
            },
            &errors);
        int result = xmlSchemaValidateDoc(context, doc);
        xmlSchemaFreeValidCtxt(context);
        xmlFreeDoc(doc);
        if (result != 0 && errors.empty()) errors = "invalid";
        return errors;
    }

  private:
    xmlSchemaPtr schema_ = nullptr;
};

const OfficialSchema& Official() {
    static const OfficialSchema* schema = new OfficialSchema();
    return *schema;
}

class XmlWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module::SetRequestSchemaPath(kOurSchema);
        std::ofstream(folder_.Path() + "report.pdf", std::ios::binary) << "%PDF-1.4 report";
        full_ = *result_test::SampleInvoice();
        // Complete the stationary data and make the documents real.
        result_test::CompleteForTheFormat(&full_);
        // The sample's key files do not exist; signing is tested on its own.
        full_.transport->from_pfx_file.clear();
        full_.transport->to_bin_der_file.clear();
        full_.documents = {
            {false, folder_.Path() + "report.pdf", "Bericht", "application/pdf", "report.pdf", ""},
            {true, "https://example.org/x-ray", "Roentgen", "image/png", "x-ray.png", ""}};
    }
    void TearDown() override { module::SetRequestSchemaPath(""); }

    std::string Render(const InvoiceRequest& request, long attributes = 0) {
        std::string xml;
        std::string error;
        EXPECT_TRUE(RenderInvoiceXml(request, attributes, kTimestamp, &xml, &error)) << error;
        return xml;
    }

    // "" when both schemas accept the document of `request`.
    std::string SchemaErrors(const InvoiceRequest& request) {
        std::string xml = Render(request);
        module::SchemaReport ours = module::RequestSchemaValidator()->ValidateMemory(xml);
        if (!ours.Valid()) return "our schema: " + ours.FirstErrorText();
        std::string official = Official().Errors(xml);
        return official.empty() ? "" : "published schema: " + official;
    }

    TempFolder folder_;
    InvoiceRequest full_;
};

// ---------------------------------------------------------------------------
// Complete invoices of every kind validate.

TEST_F(XmlWriterTest, FullInvoiceValidates) {
    REQUIRE_REFDATA();
    EXPECT_EQ("", SchemaErrors(full_));
}

TEST_F(XmlWriterTest, TiersPayantValidatesWithoutPrepaidAmount) {
    REQUIRE_REFDATA();
    full_.tiers->mode = invoice::TiersMode::kPayant;
    EXPECT_EQ("", SchemaErrors(full_));
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos, xml.find("<invoice:tiers_payant"));
    EXPECT_EQ(std::string::npos, xml.find("amount_prepaid"));
}

TEST_F(XmlWriterTest, OrangeSlipsValidateWithComputedCodingLine) {
    REQUIRE_REFDATA();
    invoice::Esr esr;
    esr.type = invoice::EsrType::kEsr16or27;
    esr.participant_number = "010001628";
    esr.reference_number = "210000000003139471430009017";
    esr.creditor = result_test::PersonAddress("Mandant", "Anna");
    full_.esr = esr;
    EXPECT_EQ("", SchemaErrors(full_));
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos, xml.find("participant_number=\"01-162-8\"")) << xml;
    EXPECT_NE(std::string::npos, xml.find("reference_number=\"21 00000 00003 13947 14300 09017\""));
    EXPECT_NE(std::string::npos, xml.find("coding_line=\"010000523800"));

    full_.esr->type = invoice::EsrType::kEsr16or27Plus;
    EXPECT_EQ("", SchemaErrors(full_));
    EXPECT_NE(std::string::npos, Render(full_).find("coding_line=\"042&gt;"));
}

TEST_F(XmlWriterTest, RedSlipsValidateForPostAndBankAccount) {
    REQUIRE_REFDATA();
    invoice::Esr esr;
    esr.type = invoice::EsrType::kEsrRed;
    esr.post_account = "01-162-8";
    esr.reference_number = "AB12345678";
    esr.remarks = "Rechnung 1\nPatient Muster";
    esr.creditor = result_test::PersonAddress("Mandant", "Anna");
    full_.esr = esr;
    EXPECT_EQ("", SchemaErrors(full_));
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos, xml.find("payment_to=\"postal_account\""));
    EXPECT_NE(std::string::npos, xml.find("<invoice:payment_reason>Patient Muster<"));

    full_.esr->iban = "CH3908704016075473007";
    full_.esr->bank = result_test::BankAddress();
    EXPECT_EQ("", SchemaErrors(full_));
    EXPECT_NE(std::string::npos, Render(full_).find("payment_to=\"bank_account\""));
}

TEST_F(XmlWriterTest, EveryLawValidatesWithItsOwnAttributes) {
    REQUIRE_REFDATA();
    full_.biller->nif = "1234567";
    for (invoice::LawType type :
         {invoice::LawType::kKVG, invoice::LawType::kUVG, invoice::LawType::kIVG,
          invoice::LawType::kMVG, invoice::LawType::kVVG, invoice::LawType::kORG}) {
        full_.law = invoice::Law{type, result_test::kCaseDay, "1234567890", "INS-1", "", ""};
        EXPECT_EQ("", SchemaErrors(full_)) << invoice::SchemaText(type);
    }
    // ivg takes ssn from the patient and nif from the biller; no insured_id.
    full_.law->type = invoice::LawType::kIVG;
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos, xml.find("<invoice:ivg case_id=\"1234567890\""));
    EXPECT_NE(std::string::npos, xml.find("ssn=\"7569217076985\" nif=\"1234567\""));
    EXPECT_EQ(std::string::npos, xml.find("insured_id=\"INS-1\""));
}

TEST_F(XmlWriterTest, InvoiceWithoutReminderCreditHospitalOrDocumentsValidates) {
    REQUIRE_REFDATA();
    full_.reminder.reset();
    full_.credit.reset();
    full_.xtra_hospital.reset();
    full_.documents.clear();
    full_.processing.instructions.clear();
    full_.balance.amount_reminder = D("0");
    EXPECT_EQ("", SchemaErrors(full_));
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos, xml.find("type=\"invoice\""));
    EXPECT_EQ(std::string::npos, xml.find("<invoice:documents"));
    EXPECT_EQ(std::string::npos, xml.find("<invoice:instructions"));
}

TEST_F(XmlWriterTest, AmbulatoryHospitalDataValidates) {
    REQUIRE_REFDATA();
    full_.xtra_hospital->treatment_type = invoice::TreatmentType::kAmbulatory;
    EXPECT_EQ("", SchemaErrors(full_));
    EXPECT_NE(std::string::npos, Render(full_).find("<invoice:ambulatory"));
}

// ---------------------------------------------------------------------------
// Values and layout.

TEST_F(XmlWriterTest, RootCarriesNamespaceSchemaLocationAndRequestAttributes) {
    full_.modus = invoice::Modus::kTest;
    full_.language = invoice::Language::kFrench;
    full_.validation_status = 4;
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos,
              xml.find("xmlns:invoice=\"http://www.forum-datenaustausch.ch/invoice\""));
    EXPECT_NE(std::string::npos,
              xml.find("xsi:schemaLocation=\"http://www.forum-datenaustausch.ch/invoice "
                       "generalInvoiceRequest_450.xsd\""));
    EXPECT_NE(std::string::npos,
              xml.find("language=\"fr\" modus=\"test\" validation_status=\"4\""));
    EXPECT_NE(std::string::npos,
              xml.find("<invoice:generator name=\"Invoice engine\" description=\"4.50.001\""));
}

TEST_F(XmlWriterTest, ValuesUseTheFormatsOfTheSchema) {
    std::string xml = Render(full_);
    // Dates, durations, money with two decimals, other numbers shortest.
    EXPECT_NE(std::string::npos, xml.find("request_date=\"2020-06-03T00:00:00\""));
    EXPECT_NE(std::string::npos, xml.find("payment_period=\"P30D\""));
    EXPECT_NE(std::string::npos, xml.find("treatment_days=\"P12D\""));
    EXPECT_NE(std::string::npos, xml.find("amount=\"2700.00\" vat_rate=\"8\""));
    EXPECT_NE(std::string::npos, xml.find("quantity=\"0.5\""));
    EXPECT_NE(std::string::npos, xml.find("amount_due=\"5238.00\""));
    EXPECT_NE(std::string::npos, xml.find("cost_fraction=\"0.75\""));
    EXPECT_NE(std::string::npos, xml.find("print_copy_to_guarantor=\"true\""));
    EXPECT_NE(std::string::npos, xml.find("copy=\"true\""));
    // The phone parts are joined into one text.
    EXPECT_NE(std::string::npos, xml.find("<invoice:phone>+41 055 555 55 55</invoice:phone>"));
}

TEST_F(XmlWriterTest, TextsAreEscaped) {
    REQUIRE_REFDATA();
    full_.request->remark = "A & B <C> \"D\"";
    full_.patient->address->person.familyname = "M\xC3\xBCller & S\xC3\xB6hne";
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos, xml.find("<invoice:remark>A &amp; B &lt;C&gt; \"D\"</"));
    EXPECT_NE(std::string::npos, xml.find("M\xC3\xBCller &amp; S\xC3\xB6hne"));
    EXPECT_EQ("", SchemaErrors(full_));
}

TEST_F(XmlWriterTest, FileDocumentsAreEmbeddedAsBase64AndUrlsAsUrl) {
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos, xml.find("<invoice:documents number=\"2\">"));
    EXPECT_NE(std::string::npos,
              xml.find("<invoice:base64>" + invoice_xml::EncodeBase64("%PDF-1.4 report") + "<"));
    EXPECT_NE(std::string::npos, xml.find("<invoice:url>https://example.org/x-ray</invoice:url>"));
    EXPECT_EQ(std::string::npos,
              Render(full_, invoice_xml::kXmlWithoutDocuments).find("documents"));
}

TEST_F(XmlWriterTest, CompactOutputHasNoIndentation) {
    std::string xml = Render(full_, invoice_xml::kXmlCompact);
    EXPECT_EQ(std::string::npos, xml.find("\n  <invoice:processing"));
    EXPECT_NE(std::string::npos, xml.find("><invoice:processing"));
}

TEST_F(XmlWriterTest, TimestampGoesIntoInvoiceAndReferencesWithoutOne) {
    full_.reminder->reference.timestamp = 0;
    std::string xml = Render(full_);
    EXPECT_NE(std::string::npos,
              xml.find("request_timestamp=\"1591170775\" request_date=\"2020-07-03T00:00:00\""));
    EXPECT_NE(std::string::npos, xml.find("request_timestamp=\"1579046400\""));  // credit's own
}

TEST_F(XmlWriterTest, TimestampResolution) {
    int64_t timestamp = 0;
    std::string error;
    EXPECT_TRUE(invoice_xml::ResolveRequestTimestamp(full_, 0, &timestamp, &error));
    EXPECT_EQ(1591170775, timestamp);
    EXPECT_TRUE(invoice_xml::ResolveRequestTimestamp(full_, 1600000000, &timestamp, &error));
    EXPECT_EQ(1600000000, timestamp);
    full_.invoice->timestamp = 0;
    EXPECT_TRUE(invoice_xml::ResolveRequestTimestamp(full_, 0, &timestamp, &error));
    EXPECT_GE(timestamp, invoice_xml::kMinRequestTimestamp);
    EXPECT_LE(timestamp, invoice_xml::kMaxRequestTimestamp);
    EXPECT_FALSE(invoice_xml::ResolveRequestTimestamp(full_, 1000, &timestamp, &error));
    EXPECT_NE(std::string::npos, error.find("plTimestamp 1000"));
    EXPECT_FALSE(invoice_xml::ResolveRequestTimestamp(full_, 1924902001, &timestamp, &error));
}

// ---------------------------------------------------------------------------
// The file, the validation count and failures.

TEST_F(XmlWriterTest, WritesValidFileWithFreshNameIntoTheOutputFolder) {
    REQUIRE_REFDATA();
    invoice_xml::XmlWriteOptions options;
    options.output_folder = folder_.Path() + "out";
    invoice_xml::XmlWriteResult first, second;
    std::string error;
    ASSERT_TRUE(invoice_xml::WriteInvoiceXml(full_, options, &first, &error)) << error;
    ASSERT_TRUE(invoice_xml::WriteInvoiceXml(full_, options, &second, &error)) << error;
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(0u, first.path.find(options.output_folder + "/"));
    EXPECT_TRUE(std::filesystem::exists(first.path));
    EXPECT_EQ(0, first.validation_errors);
    EXPECT_EQ("", first.first_error);
    EXPECT_EQ("generalInvoiceRequest_450.xsd", first.used_schema);
    EXPECT_EQ(kTimestamp, first.timestamp);
    std::ifstream in(first.path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("", Official().Errors(text));
}

TEST_F(XmlWriterTest, InvalidDocumentIsWrittenWithItsErrorsCounted) {
    full_.biller.reset();
    full_.patient->ssn = "12";
    full_.law->type = invoice::LawType::kUVG;
    full_.law->ssn = "12";
    invoice_xml::XmlWriteOptions options;
    options.output_folder = folder_.Path();
    invoice_xml::XmlWriteResult result;
    std::string error;
    ASSERT_TRUE(invoice_xml::WriteInvoiceXml(full_, options, &result, &error)) << error;
    EXPECT_TRUE(std::filesystem::exists(result.path));
    EXPECT_GE(result.validation_errors, 2);
    EXPECT_NE(std::string::npos, result.first_error.find("line ")) << result.first_error;
    EXPECT_NE(std::string::npos, result.first_error.find("biller")) << result.first_error;
}

TEST_F(XmlWriterTest, UnreadableDocumentFileFailsAndWritesNothing) {
    full_.documents[0].source = folder_.Path() + "missing.pdf";
    invoice_xml::XmlWriteOptions options;
    options.output_folder = folder_.Path() + "out";
    invoice_xml::XmlWriteResult result;
    std::string error;
    EXPECT_FALSE(invoice_xml::WriteInvoiceXml(full_, options, &result, &error));
    EXPECT_NE(std::string::npos, error.find("missing.pdf"));
    EXPECT_FALSE(std::filesystem::exists(options.output_folder) &&
                 !std::filesystem::is_empty(options.output_folder));
}

TEST_F(XmlWriterTest, OutOfRangeTimestampFails) {
    invoice_xml::XmlWriteOptions options;
    options.output_folder = folder_.Path();
    options.timestamp = 42;
    invoice_xml::XmlWriteResult result;
    std::string error;
    EXPECT_FALSE(invoice_xml::WriteInvoiceXml(full_, options, &result, &error));
    EXPECT_TRUE(result.path.empty());
}

// ---------------------------------------------------------------------------
// The plain value forms.

TEST(XmlValueTest, DateTimesKeepDayAndTimeAsWritten) {
    double serial = 0;
    ASSERT_TRUE(invoice_xml::ParseDateTime("2020-06-03T23:30:15.999-05:00", &serial));
    EXPECT_EQ("2020-06-03T23:30:15", invoice_xml::FormatDateTime(serial));
    ASSERT_TRUE(invoice_xml::ParseDateTime(" 1957-04-14T00:00:00Z\n", &serial));
    EXPECT_EQ(20924.0, serial);
    ASSERT_TRUE(invoice_xml::ParseDateTime("2020-02-29T24:00:00+14:00", &serial));
    EXPECT_EQ("2020-03-01T00:00:00", invoice_xml::FormatDateTime(serial));
    for (const char* bad :
         {"2020-02-30T00:00:00", "2020-06-03", "2020-06-03T25:00:00", "0099-01-01T00:00:00",
          "2020-06-03T00:00:00+15:00", "2020-06-03T00:00:00.", "2020-6-03T00:00:00", ""}) {
        EXPECT_FALSE(invoice_xml::ParseDateTime(bad, &serial)) << bad;
    }
}

TEST(XmlValueTest, DurationsInWholeDays) {
    int32_t days = 0;
    EXPECT_TRUE(invoice_xml::ParseDays("P30D", &days));
    EXPECT_EQ(30, days);
    EXPECT_TRUE(invoice_xml::ParseDays("P1DT24H", &days));
    EXPECT_EQ(2, days);
    EXPECT_TRUE(invoice_xml::ParseDays("PT48H0M0S", &days));
    EXPECT_EQ(2, days);
    for (const char* bad : {"P1M", "P1Y", "PT5H", "-P1D", "P", "PT", "30D", "P1.5D", "PT1.5S"}) {
        EXPECT_FALSE(invoice_xml::ParseDays(bad, &days)) << bad;
    }
    EXPECT_EQ("P0D", invoice_xml::FormatDays(0));
}

TEST(XmlValueTest, NumbersAndIntegers) {
    EXPECT_EQ("12.30", invoice_xml::FormatAmount(D("12.3")));
    EXPECT_EQ("0.125", invoice_xml::FormatAmount(D("0.125")));
    EXPECT_EQ("-5.00", invoice_xml::FormatAmount(D("-5")));
    EXPECT_EQ("2.5", invoice_xml::FormatNumber(D("2.50")));
    invoice::Decimal value;
    EXPECT_TRUE(invoice_xml::ParseNumber(" 1.0E2 ", &value));
    EXPECT_EQ(D("100"), value);
    EXPECT_FALSE(invoice_xml::ParseNumber("INF", &value));
    EXPECT_FALSE(invoice_xml::ParseNumber("NaN", &value));
    int64_t number = 0;
    EXPECT_TRUE(invoice_xml::ParseInteger("-9223372036854775808", INT64_MIN, INT64_MAX, &number));
    EXPECT_EQ(INT64_MIN, number);
    EXPECT_FALSE(invoice_xml::ParseInteger("9223372036854775808", INT64_MIN, INT64_MAX, &number));
    EXPECT_FALSE(invoice_xml::ParseInteger("5", 6, 9, &number));
    EXPECT_FALSE(invoice_xml::ParseInteger("+", 0, 9, &number));
    bool flag = false;
    EXPECT_TRUE(invoice_xml::ParseBool(" 1 ", &flag));
    EXPECT_TRUE(flag);
    EXPECT_FALSE(invoice_xml::ParseBool("TRUE", &flag));
}

TEST(XmlValueTest, Base64FollowsRfc4648) {
    EXPECT_EQ("", invoice_xml::EncodeBase64(""));
    EXPECT_EQ("Zg==", invoice_xml::EncodeBase64("f"));
    EXPECT_EQ("Zm8=", invoice_xml::EncodeBase64("fo"));
    EXPECT_EQ("Zm9v", invoice_xml::EncodeBase64("foo"));
    EXPECT_EQ("Zm9vYmFy", invoice_xml::EncodeBase64("foobar"));
    EXPECT_EQ("/w==", invoice_xml::EncodeBase64(std::string(1, '\xff')));
}

}  // namespace
