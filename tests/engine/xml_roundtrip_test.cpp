// Write -> load -> write gives the same document again, and the loaded model
// holds the values written. (Load -> write of every element and attribute of
// the format: xml_lossless_test.)

#include <gtest/gtest.h>

#include <string>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/result_sample_invoice.h"

namespace {

using invoice::InvoiceRequest;

using module::testing_support::kOurSchema;

class XmlRoundTripTest : public ::testing::Test {
  protected:
    void SetUp() override { module::SetRequestSchemaPath(kOurSchema); }
    void TearDown() override { module::SetRequestSchemaPath(""); }

    // Load -> write without finalizing, with plTimestamp 0.
    std::string Rewrite(const std::string& xml, InvoiceRequest* loaded) {
        std::string schema, error, out;
        EXPECT_TRUE(invoice_xml::LoadInvoiceXmlText(xml, "input.xml", loaded, &schema, &error))
            << error;
        int64_t timestamp = 0;
        EXPECT_TRUE(invoice_xml::ResolveRequestTimestamp(*loaded, 0, &timestamp, &error));
        EXPECT_TRUE(invoice_xml::RenderInvoiceXml(*loaded, 0, timestamp, &out, &error)) << error;
        return out;
    }
};

TEST_F(XmlRoundTripTest, WrittenInvoiceLoadsAndWritesAgainUnchanged) {
    InvoiceRequest full = *result_test::SampleInvoice();
    result_test::CompleteForTheFormat(&full);
    full.documents = {
        {false, "", "Bericht", "application/pdf", "report.pdf", "JVBERi0xLjQ="},
        {true, "https://example.org/x-ray", "Roentgen", "image/png", "x-ray.png", ""}};
    full.processing.demand = invoice::Demand{77, "TC-1", result_test::kCaseDay, "D-1"};
    full.services[0].group_size = 3;
    full.services[0].side = invoice::BodySide::kLeft;
    full.services[0].date_end = result_test::kInvoiceDay + 0.5;
    full.validation_status = 2;

    std::string first, error;
    ASSERT_TRUE(invoice_xml::RenderInvoiceXml(full, 0, 1591170775, &first, &error)) << error;
    ASSERT_TRUE(module::RequestSchemaValidator()->ValidateMemory(first).Valid());
    InvoiceRequest loaded;
    std::string second = Rewrite(first, &loaded);
    EXPECT_EQ(first, second);

    // The model values came back, not just the text.
    EXPECT_EQ(full.services[0].mt.unit, loaded.services[0].mt.unit);
    EXPECT_EQ(3u, loaded.services[0].group_size);
    EXPECT_EQ(*full.services[0].date_end, *loaded.services[0].date_end);
    EXPECT_EQ(full.services[3].xtra_drug->iocm_category,
              loaded.services[3].xtra_drug->iocm_category);
    EXPECT_EQ(full.services[4].xtra_drg->split_factor1, loaded.services[4].xtra_drg->split_factor1);
    EXPECT_EQ(full.reminder->level, loaded.reminder->level);
    EXPECT_EQ(full.reminder->amount_reminder, loaded.reminder->amount_reminder);
    EXPECT_EQ(full.credit->id, loaded.credit->id);
    EXPECT_EQ(full.card->card_id, loaded.card->card_id);
    EXPECT_EQ(full.referrer->zsr, loaded.referrer->zsr);
    EXPECT_EQ(full.employer->reg_number, loaded.employer->reg_number);
    EXPECT_EQ(4u, loaded.bfs_records.size());
    EXPECT_EQ(2u, loaded.case_details.size());
    EXPECT_EQ(full.processing.instructions.size(), loaded.processing.instructions.size());
    EXPECT_EQ(77, loaded.processing.demand->tc_demand_id);
    EXPECT_EQ("JVBERi0xLjQ=", loaded.documents[0].content_base64);
    EXPECT_TRUE(loaded.documents[1].is_url);
    EXPECT_EQ(full.balance.vat_rates.size(), loaded.balance.vat_rates.size());
    EXPECT_EQ(full.balance.amount_due, loaded.balance.amount_due);
    EXPECT_EQ(2, *loaded.validation_status);
}

}  // namespace
