#include "module/model/invoice_enums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "tests/engine/file_text.h"
#include "tests/refdata.h"

namespace invoice {
namespace {

// The numbers count up from 1 (0 for YesNo and AddressType), and no number
// 2^32 above the first finds an entry. The client documentation lists every
// table exactly as the code has it, with nothing between or after its rows.
TEST(InvoiceEnumTablesTest, ValuesCountUpAndTheDocumentationListsThemAll) {
    const std::string doc = ReadFileText(TARVOS_SOURCE_DIR "/docs/module-api.md");
    for (const EnumTable* table : AllEnumTables()) {
        const std::string name = table->name;
        SCOPED_TRACE(name);
        const int64_t first = (name == "YesNo" || name == "AddressType") ? 0 : 1;
        EXPECT_EQ(nullptr, FindEntry(*table, first + (int64_t{1} << 32)));
        std::string section = "\n### " + name + "\n\nUsed by: " + table->parameters +
                              ".\n\n| Value | Meaning | Schema value |\n|---|---|---|\n";
        for (size_t i = 0; i < table->count; ++i) {
            const EnumEntry& entry = table->entries[i];
            EXPECT_EQ(first + static_cast<int64_t>(i), entry.value);
            const std::string schema =
                *entry.schema ? "`" + std::string(entry.schema) + "`" : "(none)";
            section += "| " + std::to_string(entry.value) + " | " + entry.meaning + " | " + schema +
                       " |\n";
        }
        const size_t at = doc.find(section);
        ASSERT_NE(std::string::npos, at) << section;
        EXPECT_NE('|', doc.c_str()[at + section.size()]) << "a row more";
    }
}

// Every table the schema enumerates lists the values of one of its
// enumerations, all of them and in their order; the others none.
TEST(InvoiceEnumTablesTest, TablesFollowTheSchemaEnumerations) {
    REQUIRE_REFDATA();
    std::string xsd = ReadFileText(Refdata("xsd/generalInvoiceRequest_450.xsd"));
    xsd.erase(std::remove_if(xsd.begin(), xsd.end(), ::isspace), xsd.end());
    const std::set<std::string> kNotInTheSchema = {
        "YesNo",      "TiersMode",         "EsrType",       "AddressType", "LawType",
        "Settlement", "GrouperRecordType", "BfsRecordType", "ServiceKind"};
    for (const EnumTable* table : AllEnumTables()) {
        std::string values = "\">";  // the end of the restriction's start tag
        for (size_t i = 0; i < table->count; ++i) {
            values += "<enumerationvalue=\"" + std::string(table->entries[i].schema) + "\"/>";
        }
        EXPECT_EQ(kNotInTheSchema.count(table->name) == 0,
                  xsd.find(values + "</restriction>") != std::string::npos)
            << table->name;
    }
}

}  // namespace
}  // namespace invoice
