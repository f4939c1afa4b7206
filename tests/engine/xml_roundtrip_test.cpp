// Load -> write keeps every value of the input; write -> load -> write gives
// the same document again.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/result_sample_invoice.h"
#include "tests/refdata.h"

namespace {

using invoice::InvoiceRequest;

using module::testing_support::kOurSchema;
const std::string kSamples = Refdata("samples450/");

struct Element {
    std::map<std::string, std::string> attributes;  // unqualified attributes only
    std::string text;                               // own text, trimmed
};

// Every element by its path of local names with the index among siblings of
// the same name: "request/payload[0]/body[0]/services[0]/service[2]".
void Flatten(const xmlNode* node, const std::string& path, std::map<std::string, Element>* out) {
    Element& element = (*out)[path];
    for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
        if (attr->ns != nullptr) continue;
        xmlChar* value = xmlNodeListGetString(node->doc, attr->children, 1);
        element.attributes[reinterpret_cast<const char*>(attr->name)] =
            value ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
    }
    std::map<std::string, int> seen;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE && child->content != nullptr) {
            element.text += reinterpret_cast<const char*>(child->content);
        }
        if (child->type != XML_ELEMENT_NODE) continue;
        std::string name = reinterpret_cast<const char*>(child->name);
        Flatten(child, path + "/" + name + "[" + std::to_string(seen[name]++) + "]", out);
    }
    element.text = std::string(invoice_xml::Trim(element.text));
}

std::map<std::string, Element> FlattenText(const std::string& xml) {
    std::map<std::string, Element> out;
    xmlDocPtr doc =
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    EXPECT_NE(nullptr, doc);
    if (doc != nullptr) Flatten(xmlDocGetRootElement(doc), "request", &out);
    xmlFreeDoc(doc);
    return out;
}

// Equal after normalising number and date formats.
bool SameValue(const std::string& a, const std::string& b) {
    if (a == b) return true;
    double date_a = 0, date_b = 0;
    if (invoice_xml::ParseDateTime(a, &date_a) && invoice_xml::ParseDateTime(b, &date_b)) {
        return date_a == date_b;
    }
    invoice::Decimal number_a, number_b;
    if (invoice_xml::ParseNumber(a, &number_a) && invoice_xml::ParseNumber(b, &number_b)) {
        return number_a == number_b;
    }
    return false;
}

// The values of `input` missing or different in `output`, one per line; the
// prolog's generator is the writer's own and not compared.
std::string MissingValues(const std::string& input, const std::string& output) {
    std::map<std::string, Element> in = FlattenText(input);
    std::map<std::string, Element> out = FlattenText(output);
    std::string missing;
    for (const auto& [path, element] : in) {
        if (path.find("/generator[") != std::string::npos) continue;
        auto found = out.find(path);
        if (found == out.end()) {
            missing += path + " is missing\n";
            continue;
        }
        if (!SameValue(element.text, found->second.text)) {
            missing += path + " text '" + element.text + "' became '" + found->second.text + "'\n";
        }
        for (const auto& [name, value] : element.attributes) {
            auto attr = found->second.attributes.find(name);
            if (attr == found->second.attributes.end()) {
                missing += path + "@" + name + " is missing\n";
            } else if (!SameValue(value, attr->second)) {
                missing += path + "@" + name + " '" + value + "' became '" + attr->second + "'\n";
            }
        }
    }
    return missing;
}

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

TEST_F(XmlRoundTripTest, EveryValidSampleKeepsEveryValue) {
    REQUIRE_REFDATA();
    int valid = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples)) {
        std::string path = entry.path().string();
        if (!module::RequestSchemaValidator()->ValidateFile(path).Valid()) continue;
        ++valid;
        std::ifstream in(path, std::ios::binary);
        std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        InvoiceRequest loaded;
        std::string output = Rewrite(input, &loaded);
        module::SchemaReport report = module::RequestSchemaValidator()->ValidateMemory(output);
        EXPECT_TRUE(report.Valid()) << path << ": " << report.FirstErrorText();
        EXPECT_EQ("", MissingValues(input, output)) << path;
        // Balance and request timestamp are carried unchanged.
        EXPECT_NE(std::string::npos, output.find("request_timestamp=\"1591170775\""));
        EXPECT_NE(std::string::npos, output.find("amount_due=\"5232.99\""));
    }
    EXPECT_EQ(1, valid);
}

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
    EXPECT_EQ("", MissingValues(first, second));

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

TEST_F(XmlRoundTripTest, ComparisonNoticesALostValue) {
    std::string input = "<r xmlns='x'><a b='1.0' c='2020-01-01T00:00:00.000+01:00'>t</a></r>";
    EXPECT_EQ("", MissingValues(input, "<r><a b='1' c='2020-01-01T00:00:00'>t</a></r>"));
    EXPECT_NE("", MissingValues(input, "<r><a b='1.5' c='2020-01-01T00:00:00'>t</a></r>"));
    EXPECT_NE("", MissingValues(input, "<r><a b='1'>t</a></r>"));
    EXPECT_NE("", MissingValues(input, "<r/>"));
}

}  // namespace
