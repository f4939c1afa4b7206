// The 4.50 writer: documents built directly in the model are checked against
// the published schema in refdata and for the values they must hold.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

    TempFolder folder_;
    InvoiceRequest full_;
};

// One kind of invoice: what it changes in the full one, and what its
// document must and must not hold. Every kind validates against the
// published schema (ours declares the same: request_schema_agreement_test).
struct Kind {
    void (*change)(InvoiceRequest*);
    std::vector<std::string> holds;
    std::vector<std::string> lacks;
    long attributes = 0;
};

// A slip of `type` with the numbers of each kind.
invoice::Esr Slip(invoice::EsrType type) {
    invoice::Esr esr;
    esr.type = type;
    esr.creditor = result_test::PersonAddress("Mandant", "Anna");
    esr.participant_number = "010001628";
    esr.post_account = "01-162-8";
    esr.reference_number =
        type == invoice::EsrType::kEsrRed ? "AB12345678" : "210000000003139471430009017";
    return esr;
}

const Kind kKinds[] = {
    // The full invoice in test mode, in French, under the ivg law, which
    // takes ssn from the patient and nif from the biller; no insured_id.
    {[](InvoiceRequest* r) {
         r->biller->nif = "1234567";
         r->law = invoice::Law{
             invoice::LawType::kIVG, result_test::kCaseDay, "1234567890", "INS-1", "", ""};
         r->modus = invoice::Modus::kTest;
         r->language = invoice::Language::kFrench;
         r->validation_status = 4;
         r->reminder->reference.timestamp = 0;
     },
     {"language=\"fr\" modus=\"test\" validation_status=\"4\"",
      "<invoice:generator name=\"Invoice engine\" description=\"4.50.001\"",
      // Durations in days; numbers other than money in their shortest form.
      "payment_period=\"P30D\"", "treatment_days=\"P12D\"", "quantity=\"0.5\"",
      "cost_fraction=\"0.75\"", "<invoice:documents number=\"2\">",
      // The request's timestamp; the credit keeps its own.
      "request_timestamp=\"1591170775\" request_date=\"2020-07-03T00:00:00\"",
      "request_timestamp=\"1579046400\"", "\n  <invoice:processing",
      "<invoice:ivg case_id=\"1234567890\"", "ssn=\"7569217076985\" nif=\"1234567\""},
     {"insured_id=\"INS-1\""}},
    // The orange slip (the amount in the coding line), compact and without
    // its documents.
    {[](InvoiceRequest* r) { r->esr = Slip(invoice::EsrType::kEsr16or27); },
     {"participant_number=\"01-162-8\"", "reference_number=\"21 00000 00003 13947 14300 09017\"",
      "coding_line=\"010000523800", "><invoice:processing"},
     {"\n  <invoice:processing", "documents"},
     invoice_xml::kXmlCompact | invoice_xml::kXmlWithoutDocuments},
    // The orange slip without amount.
    {[](InvoiceRequest* r) { r->esr = Slip(invoice::EsrType::kEsr16or27Plus); },
     {"coding_line=\"042&gt;"},
     {}},
    // The red slip paid to the post account.
    {[](InvoiceRequest* r) { r->esr = Slip(invoice::EsrType::kEsrRed); },
     {"payment_to=\"postal_account\"",
      "coding_line1=\"010001628&gt;\" coding_line2=\"010001628&gt;\""},
     {}},
    // The red slip paid to a bank account.
    {[](InvoiceRequest* r) {
         r->esr = Slip(invoice::EsrType::kEsrRed);
         r->esr->iban = "CH3908704016075473007";
         r->esr->bank = result_test::BankAddress();
     },
     {"payment_to=\"bank_account\"", "coding_line1=\"000000000000000000012345678+ 07"},
     {}},
};

TEST_F(XmlWriterTest, EveryKindValidatesAndHoldsItsValues) {
    REQUIRE_REFDATA();
    for (const Kind& kind : kKinds) {
        InvoiceRequest request = full_;
        kind.change(&request);
        std::string xml, error;
        SCOPED_TRACE(&kind - kKinds);
        EXPECT_TRUE(RenderInvoiceXml(request, kind.attributes, kTimestamp, &xml, &error)) << error;
        EXPECT_EQ(0, OfficialSchema::Instance().CountErrors(xml));
        for (const std::string& part : kind.holds)
            EXPECT_NE(std::string::npos, xml.find(part)) << part;
        for (const std::string& part : kind.lacks)
            EXPECT_EQ(std::string::npos, xml.find(part)) << part;
    }
}

// Nothing is written for an unreadable document; an invalid document is
// written with its errors counted.
TEST_F(XmlWriterTest, WritesInvalidDocumentsWithTheirErrorsButNothingForBadInput) {
    REQUIRE_REFDATA();
    invoice_xml::XmlWriteOptions options;
    options.output_folder = folder_.Path() + "out";
    invoice_xml::XmlWriteResult written;
    std::string error;
    InvoiceRequest unreadable = full_;
    unreadable.documents[0].source = folder_.Path() + "missing.pdf";
    EXPECT_FALSE(invoice_xml::WriteInvoiceXml(unreadable, options, &written, &error));
    EXPECT_NE(std::string::npos, error.find("missing.pdf"));
    EXPECT_FALSE(std::filesystem::exists(options.output_folder) &&
                 !std::filesystem::is_empty(options.output_folder));

    full_.biller.reset();
    full_.patient->ssn = "12";
    full_.law->type = invoice::LawType::kUVG;
    full_.law->ssn = "12";
    ASSERT_TRUE(invoice_xml::WriteInvoiceXml(full_, options, &written, &error)) << error;
    EXPECT_GE(written.validation_errors, 2);
    EXPECT_NE(std::string::npos, written.first_error.find("line ")) << written.first_error;
    EXPECT_NE(std::string::npos, written.first_error.find("biller")) << written.first_error;
}

// ---------------------------------------------------------------------------
// The plain value forms.

// What each parser makes of a row of texts, in the writer's form, "-" for
// a text it refuses; one compared string per parser. A date also shows its
// serial day.
TEST(XmlValueTest, DateTimesDurationsNumbersAndBase64) {
    using namespace invoice_xml;
    double serial = 0;
    int32_t days = 0;
    invoice::Decimal number;
    std::string dates, durations, numbers, base64;
    for (const char* text :
         {"2020-06-03T23:30:15.999-05:00", " 1957-04-14T00:00:00Z\n", "2020-02-29T24:00:00+14:00",
          "2020-02-30T00:00:00", "2020-06-03", "2020-06-03T25:00:00", "0099-01-01T00:00:00",
          "2020-06-03T00:00:00+15:00", "2020-06-03T00:00:00.", "2020-6-03T00:00:00", ""}) {
        dates += ParseDateTime(text, &serial)
                     ? FormatDateTime(serial) + " " + std::to_string(int(serial)) + "|"
                     : "-|";
    }
    EXPECT_EQ(
        "2020-06-03T23:30:15 43985|1957-04-14T00:00:00 20924|2020-03-01T00:00:00 "
        "43891|-|-|-|-|-|-|-|-|",
        dates);
    for (const char* text : {"P1M", "-P1Y2M", "PT36H", "P1DT0.5S", "P"})
        durations += ParseDuration(text, &days) ? std::to_string(days) + "|" : "-|";
    EXPECT_EQ("30|-425|1|1|-|", durations);
    for (const char* text : {" 1.0E2 ", "2.50", "0.125", "-5", "INF", "NaN"}) {
        numbers += ParseNumber(text, &number)
                       ? FormatNumber(number) + " " + FormatAmount(number) + "|"
                       : "-|";
    }
    EXPECT_EQ("100 100.00|2.5 2.50|0.125 0.125|-5 -5.00|-|-|", numbers);
    for (const char* bytes : {"", "f", "fo", "foo", "foobar", "\xff"})
        base64 += EncodeBase64(bytes) + "|";
    EXPECT_EQ("|Zg==|Zm8=|Zm9v|Zm9vYmFy|/w==|", base64);
}

}  // namespace
