// The 4.50 writer: documents built directly in the model are checked against
// our schema and, independently, against the published schema in refdata.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

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

using module::testing_support::kOurSchema;
using module::testing_support::OfficialSchema;
constexpr int64_t kTimestamp = 1591170775;

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

    // "" when both schemas accept `xml`.
    static std::string SchemaErrors(const std::string& xml) {
        module::SchemaReport ours = module::RequestSchemaValidator()->ValidateMemory(xml);
        if (!ours.Valid()) return "our schema: " + ours.FirstErrorText();
        int official = OfficialSchema::Instance().CountErrors(xml);
        return official == 0 ? "" : "published schema: " + std::to_string(official) + " errors";
    }

    TempFolder folder_;
    InvoiceRequest full_;
};

// One kind of invoice: what it changes in the full one, and what its
// document must and must not hold. Every kind validates against both schemas.
struct Kind {
    const char* name;
    void (*change)(InvoiceRequest*);
    std::vector<std::string> holds;
    std::vector<std::string> lacks;
    long attributes = 0;
};

invoice::Esr Slip(invoice::EsrType type) {
    invoice::Esr esr;
    esr.type = type;
    esr.creditor = result_test::PersonAddress("Mandant", "Anna");
    return esr;
}

const Kind kKinds[] = {
    {"full",
     [](InvoiceRequest* r) {
         r->request->remark = "A & B <C> \"D\"";
         r->reminder->reference.timestamp = 0;
     },
     {"xmlns:invoice=\"http://www.forum-datenaustausch.ch/invoice\"",
      "xsi:schemaLocation=\"http://www.forum-datenaustausch.ch/invoice "
      "generalInvoiceRequest_450.xsd\"",
      "<invoice:generator name=\"Invoice engine\" description=\"4.50.001\"",
      // Dates, durations, money with two decimals, other numbers shortest.
      "request_date=\"2020-06-03T00:00:00\"", "payment_period=\"P30D\"", "treatment_days=\"P12D\"",
      "amount=\"2700.00\" vat_rate=\"8\"", "quantity=\"0.5\"", "amount_due=\"5238.00\"",
      "cost_fraction=\"0.75\"", "print_copy_to_guarantor=\"true\"", "copy=\"true\"",
      "<invoice:phone>+41 055 555 55 55</invoice:phone>",
      "<invoice:remark>A &amp; B &lt;C&gt; \"D\"</",
      // The request's timestamp; the credit keeps its own.
      "request_timestamp=\"1591170775\" request_date=\"2020-07-03T00:00:00\"",
      "request_timestamp=\"1579046400\"", "<invoice:documents number=\"2\">",
      "<invoice:base64>" + invoice_xml::EncodeBase64("%PDF-1.4 report") + "<",
      "<invoice:url>https://example.org/x-ray</invoice:url>", "\n  <invoice:processing"},
     {}},
    {"test_mode_french",
     [](InvoiceRequest* r) {
         r->modus = invoice::Modus::kTest;
         r->language = invoice::Language::kFrench;
         r->validation_status = 4;
         r->patient->address->person.familyname = "M\xC3\xBCller & S\xC3\xB6hne";
     },
     {"language=\"fr\" modus=\"test\" validation_status=\"4\"", "M\xC3\xBCller &amp; S\xC3\xB6hne"},
     {}},
    {"compact_without_documents",
     [](InvoiceRequest*) {},
     {"><invoice:processing"},
     {"\n  <invoice:processing", "documents"},
     invoice_xml::kXmlCompact | invoice_xml::kXmlWithoutDocuments},
    {"tiers_payant",
     [](InvoiceRequest* r) { r->tiers->mode = invoice::TiersMode::kPayant; },
     {"<invoice:tiers_payant"},
     {"amount_prepaid"}},
    {"orange_slip",
     [](InvoiceRequest* r) {
         r->esr = Slip(invoice::EsrType::kEsr16or27);
         r->esr->participant_number = "010001628";
         r->esr->reference_number = "210000000003139471430009017";
     },
     {"participant_number=\"01-162-8\"", "reference_number=\"21 00000 00003 13947 14300 09017\"",
      "coding_line=\"010000523800"},
     {}},
    {"orange_slip_plus",
     [](InvoiceRequest* r) {
         r->esr = Slip(invoice::EsrType::kEsr16or27Plus);
         r->esr->participant_number = "010001628";
         r->esr->reference_number = "210000000003139471430009017";
     },
     {"coding_line=\"042&gt;"},
     {}},
    {"red_slip_post",
     [](InvoiceRequest* r) {
         r->esr = Slip(invoice::EsrType::kEsrRed);
         r->esr->post_account = "01-162-8";
         r->esr->reference_number = "AB12345678";
         r->esr->remarks = "Rechnung 1\nPatient Muster";
     },
     {"payment_to=\"postal_account\"", "<invoice:payment_reason>Patient Muster<"},
     {}},
    {"red_slip_bank",
     [](InvoiceRequest* r) {
         r->esr = Slip(invoice::EsrType::kEsrRed);
         r->esr->post_account = "01-162-8";
         r->esr->iban = "CH3908704016075473007";
         r->esr->bank = result_test::BankAddress();
     },
     {"payment_to=\"bank_account\""},
     {}},
    // ivg takes ssn from the patient and nif from the biller; no insured_id.
    {"ivg",
     [](InvoiceRequest* r) {
         r->biller->nif = "1234567";
         r->law = invoice::Law{
             invoice::LawType::kIVG, result_test::kCaseDay, "1234567890", "INS-1", "", ""};
     },
     {"<invoice:ivg case_id=\"1234567890\"", "ssn=\"7569217076985\" nif=\"1234567\""},
     {"insured_id=\"INS-1\""}},
    {"plain_invoice",
     [](InvoiceRequest* r) {
         r->reminder.reset();
         r->credit.reset();
         r->xtra_hospital.reset();
         r->documents.clear();
         r->processing.instructions.clear();
         r->balance.amount_reminder = result_test::D("0");
     },
     {"type=\"invoice\""},
     {"<invoice:documents", "<invoice:instructions"}},
    {"ambulatory_hospital",
     [](InvoiceRequest* r) {
         r->xtra_hospital->treatment_type = invoice::TreatmentType::kAmbulatory;
     },
     {"<invoice:ambulatory"},
     {}},
};

TEST_F(XmlWriterTest, EveryKindValidatesAndHoldsItsValues) {
    REQUIRE_REFDATA();
    for (const Kind& kind : kKinds) {
        InvoiceRequest request = full_;
        kind.change(&request);
        std::string xml = Render(request, kind.attributes);
        EXPECT_EQ("", SchemaErrors(xml)) << kind.name;
        for (const std::string& part : kind.holds)
            EXPECT_NE(std::string::npos, xml.find(part)) << kind.name << ": " << part;
        for (const std::string& part : kind.lacks)
            EXPECT_EQ(std::string::npos, xml.find(part)) << kind.name << ": " << part;
    }
    full_.biller->nif = "1234567";
    for (invoice::LawType type :
         {invoice::LawType::kKVG, invoice::LawType::kUVG, invoice::LawType::kMVG,
          invoice::LawType::kVVG, invoice::LawType::kORG}) {
        full_.law = invoice::Law{type, result_test::kCaseDay, "1234567890", "INS-1", "", ""};
        EXPECT_EQ("", SchemaErrors(Render(full_))) << invoice::SchemaText(type);
    }
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

// Nothing is written for a timestamp out of range or an unreadable document;
// each file gets a fresh name in the output folder, and an invalid document
// is written with its errors counted.
TEST_F(XmlWriterTest, WritesFilesWithFreshNamesAndTheirValidation) {
    REQUIRE_REFDATA();
    invoice_xml::XmlWriteOptions options;
    options.output_folder = folder_.Path() + "out";
    invoice_xml::XmlWriteResult first, second, invalid;
    std::string error;
    options.timestamp = 42;
    EXPECT_FALSE(invoice_xml::WriteInvoiceXml(full_, options, &first, &error));
    EXPECT_TRUE(first.path.empty());
    options.timestamp = 0;
    InvoiceRequest unreadable = full_;
    unreadable.documents[0].source = folder_.Path() + "missing.pdf";
    EXPECT_FALSE(invoice_xml::WriteInvoiceXml(unreadable, options, &first, &error));
    EXPECT_NE(std::string::npos, error.find("missing.pdf"));
    EXPECT_FALSE(std::filesystem::exists(options.output_folder) &&
                 !std::filesystem::is_empty(options.output_folder));

    ASSERT_TRUE(invoice_xml::WriteInvoiceXml(full_, options, &first, &error)) << error;
    ASSERT_TRUE(invoice_xml::WriteInvoiceXml(full_, options, &second, &error)) << error;
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(0u, first.path.find(options.output_folder + "/"));
    EXPECT_EQ(0, first.validation_errors);
    EXPECT_EQ("", first.first_error);
    EXPECT_EQ("generalInvoiceRequest_450.xsd", first.used_schema);
    EXPECT_EQ(kTimestamp, first.timestamp);
    EXPECT_EQ(
        0, OfficialSchema::Instance().CountErrors(module::testing_support::ReadText(first.path)));

    full_.biller.reset();
    full_.patient->ssn = "12";
    full_.law->type = invoice::LawType::kUVG;
    full_.law->ssn = "12";
    ASSERT_TRUE(invoice_xml::WriteInvoiceXml(full_, options, &invalid, &error)) << error;
    EXPECT_TRUE(std::filesystem::exists(invalid.path));
    EXPECT_GE(invalid.validation_errors, 2);
    EXPECT_NE(std::string::npos, invalid.first_error.find("line ")) << invalid.first_error;
    EXPECT_NE(std::string::npos, invalid.first_error.find("biller")) << invalid.first_error;
}

// ---------------------------------------------------------------------------
// The plain value forms.

TEST(XmlValueTest, DateTimesDaysNumbersAndIntegers) {
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
    int32_t days = 0;  // whole days
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
    EXPECT_EQ("12.30", invoice_xml::FormatAmount(result_test::D("12.3")));
    EXPECT_EQ("0.125", invoice_xml::FormatAmount(result_test::D("0.125")));
    EXPECT_EQ("-5.00", invoice_xml::FormatAmount(result_test::D("-5")));
    EXPECT_EQ("2.5", invoice_xml::FormatNumber(result_test::D("2.50")));
    invoice::Decimal value;
    EXPECT_TRUE(invoice_xml::ParseNumber(" 1.0E2 ", &value));
    EXPECT_EQ(result_test::D("100"), value);
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
    for (const auto& [bytes, text] : {std::pair{"", ""},
                                      {"f", "Zg=="},
                                      {"fo", "Zm8="},
                                      {"foo", "Zm9v"},
                                      {"foobar", "Zm9vYmFy"},
                                      {"\xff", "/w=="}})
        EXPECT_EQ(text, invoice_xml::EncodeBase64(bytes)) << bytes;
}

}  // namespace
