// 4.40 files: the loader reads every 4.40 file that the published 4.40
// schema accepts and refuses the others; the writer makes of what it read a
// 4.50 file that the published 4.50 schema accepts and that holds the
// values of money and identity of the 4.40 file. (Edited 4.40 files:
// xml_reader_test.cpp.)

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <string>
#include <vector>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/refdata.h"

namespace {

using Values = std::vector<std::string>;

// The values of `expr` in `doc`, numbers in their shortest form; `absent`
// when there are none and it is not null.
Values Canonical(xmlDoc* doc, const std::string& expr, const char* absent) {
    Values values = module::testing_support::XPathValues(doc, expr);
    for (std::string& value : values) {
        invoice::Decimal number;
        if (invoice_xml::ParseNumber(value, &number)) value = invoice_xml::FormatNumber(number);
    }
    if (values.empty() && absent != nullptr) values.push_back(absent);
    return values;
}

// A value of the 4.40 file and where the 4.50 file holds it (null: at the
// same place), with the schema's default when absent.
struct Mapped {
    const char* in440;
    const char* in450;
    const char* absent;
};

const Mapped kMapped[] = {
    {"//i:payload/i:invoice/@request_id", nullptr, nullptr},
    {"//i:payload/i:invoice/@request_timestamp", nullptr, nullptr},
    {"//i:balance/@amount", nullptr, nullptr},
    {"//i:balance/@amount_due", nullptr, nullptr},
    {"//i:balance/@amount_obligations", nullptr, "0"},
    {"//i:balance/@amount_prepaid", nullptr, "0"},
    {"//i:balance/i:vat/@vat", nullptr, nullptr},
    {"//i:balance/i:vat/i:vat_rate/@vat_rate", nullptr, nullptr},
    {"//i:balance/i:vat/i:vat_rate/@amount", nullptr, nullptr},
    {"//i:biller/@ean_party", nullptr, nullptr},
    {"//i:biller/@zsr", nullptr, nullptr},
    {"//i:tiers_payant/i:insurance/@ean_party", "//i:debitor/@ean_party", "2000000000008"},
    {"//i:biller/i:person/i:familyname | //i:biller/i:company/i:companyname",
     "//i:creditor/*/i:familyname | //i:creditor/*/i:companyname", nullptr},
    {"//i:provider/@ean_party", nullptr, nullptr},
    {"//i:provider/@zsr", nullptr, nullptr},
    {"//i:patient/i:person/i:familyname", nullptr, nullptr},
    {"//i:patient/i:person/i:givenname", nullptr, nullptr},
    {"//i:patient/@birthdate", nullptr, nullptr},
    {"//i:patient/@gender", nullptr, nullptr},
    {"//i:treatment/@date_begin", nullptr, nullptr},
    {"//i:treatment/@date_end", nullptr, nullptr},
    {"//i:services/*/@tariff_type", nullptr, nullptr},
    {"//i:services/*/@code", nullptr, nullptr},
    {"//i:services/*/@quantity", nullptr, nullptr},
    {"//i:services/*/@amount", nullptr, nullptr},
    {"//i:services/*/@date_begin", nullptr, nullptr},
};

TEST(Release440Test, LoadedWhenThe440SchemaAcceptsAndWrittenAsValid450WithTheValues) {
    REQUIRE_REFDATA();
    module::SchemaValidator official440(Refdata("xsd/generalInvoiceRequest_440.xsd"));
    module::SchemaValidator official450(Refdata("xsd/generalInvoiceRequest_450.xsd"));
    int loaded = 0, refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Refdata("samples440"))) {
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        const bool valid = official440.ValidateFile(path).Valid();
        invoice::InvoiceRequest request;
        std::string schema, error;
        ASSERT_EQ(valid, invoice_xml::LoadInvoiceXml(path, &request, &schema, &error)) << error;
        EXPECT_EQ("generalInvoiceRequest_440.xsd", schema);
        if (!valid) {
            ++refused;
            EXPECT_NE(std::string::npos, error.find(path)) << error;
            continue;
        }
        ++loaded;
        std::string xml = module::testing_support::Rewrite(ReadFileText(path), &error);
        module::SchemaReport report = official450.ValidateMemory(xml);
        EXPECT_TRUE(report.Valid()) << error << report.FirstErrorText();
        xmlDoc* in = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
        xmlDoc* out = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                    XML_PARSE_NONET);
        ASSERT_TRUE(in != nullptr && out != nullptr);
        for (const Mapped& m : kMapped) {
            EXPECT_EQ(Canonical(in, m.in440, m.absent),
                      Canonical(out, m.in450 ? m.in450 : m.in440, m.absent))
                << m.in440;
        }
        xmlFreeDoc(in);
        xmlFreeDoc(out);
    }
    EXPECT_EQ(18, loaded);
    EXPECT_EQ(3, refused);
}

}  // namespace
