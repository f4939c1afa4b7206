// 4.40 files: the loader reads every 4.40 file that the published 4.40
// schema accepts and refuses the others; the writer makes of what it read a
// 4.50 file that the published 4.50 schema accepts and that holds the
// values of money and identity of the 4.40 file. (Edited 4.40 files:
// xml_reader_test.cpp.)

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>

#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/refdata.h"

namespace {

// The values of `expr` in `doc`, numbers in their shortest form; `absent`
// when there are none.
std::string Canonical(xmlDoc* doc, const std::string& expr, const std::string& absent = "0") {
    std::string joined;
    for (const std::string& value : module::testing_support::XPathValues(doc, expr)) {
        invoice::Decimal number;
        joined +=
            (invoice_xml::ParseNumber(value, &number) ? invoice_xml::FormatNumber(number) : value) +
            " ";
    }
    return joined.empty() ? absent + " " : joined;
}

// The values of money and identity that the 4.50 file holds where the 4.40
// file does: an element and the places under it.
const std::pair<const char*, const char*> kSamePlace[] = {
    {"//i:payload/i:invoice/", "@request_id @request_timestamp"},
    {"//i:balance/", "@amount @amount_due @amount_obligations @amount_prepaid i:vat/@vat"},
    {"//i:balance/i:vat/i:vat_rate/", "@vat_rate @amount"},
    {"//i:biller/", "@ean_party @zsr"},
    {"//i:provider/", "@ean_party @zsr"},
    {"//i:patient/", "@birthdate @gender i:person/i:familyname i:person/i:givenname"},
    {"//i:treatment/", "@date_begin @date_end"},
    {"//i:services/*/", "@tariff_type @code @quantity @amount @date_begin"},
};

// Values the 4.50 file holds elsewhere: the 4.40 place, the 4.50 place and
// the value when there is none.
const char* const kMoved[][3] = {
    {"//i:tiers_payant/i:insurance/@ean_party", "//i:debitor/@ean_party", "2000000000008"},
    {"//i:biller/i:person/i:familyname | //i:biller/i:company/i:companyname",
     "//i:creditor/*/i:familyname | //i:creditor/*/i:companyname", ""},
};

TEST(Release440Test, LoadedWhenThe440SchemaAcceptsAndWrittenAsValid450WithTheValues) {
    REQUIRE_REFDATA();
    module::SchemaValidator official440(Refdata("xsd/generalInvoiceRequest_440.xsd"));
    int judged = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Refdata("samples440"))) {
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        const bool valid = official440.ValidateFile(path).Valid();
        ++judged;
        invoice::InvoiceRequest request;
        std::string schema, error;
        ASSERT_EQ(valid, invoice_xml::LoadInvoiceXml(path, &request, &schema, &error)) << error;
        if (!valid) continue;
        std::string xml = module::testing_support::Rewrite(ReadFileText(path), &error);
        EXPECT_EQ(0, module::testing_support::OfficialSchema::Instance().CountErrors(xml)) << error;
        xmlDoc* in = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
        xmlDoc* out = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                    XML_PARSE_NONET);
        ASSERT_TRUE(in != nullptr && out != nullptr);
        for (const auto& [element, places] : kSamePlace) {
            std::istringstream names(places);
            for (std::string name; names >> name;) {
                EXPECT_EQ(Canonical(in, element + name), Canonical(out, element + name)) << name;
            }
        }
        for (const auto& [in440, in450, absent] : kMoved) {
            EXPECT_EQ(Canonical(in, in440, absent), Canonical(out, in450, absent)) << in440;
        }
        xmlFreeDoc(in);
        xmlFreeDoc(out);
    }
    EXPECT_EQ(21, judged);  // 18 loaded, 3 refused
}

}  // namespace
