#include "module/model/invoice_enums.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "tests/engine/file_text.h"
#include "tests/engine/schema_walk.h"
#include "tests/refdata.h"

namespace invoice {
namespace {

std::vector<std::string> SchemaValues(const EnumTable& table) {
    std::vector<std::string> values;
    for (size_t i = 0; i < table.count; ++i) values.push_back(table.entries[i].schema);
    return values;
}

// Every entry is found by its value and by its text (so no two share one),
// and no number beside them is: the numbers count up from 1 (0 for YesNo
// and AddressType), the texts match exactly.
TEST(InvoiceEnumTablesTest, EveryValueAndTextFindsItsEntryAndNothingElseDoes) {
    for (const EnumTable* table : AllEnumTables()) {
        SCOPED_TRACE(table->name);
        ASSERT_GT(table->count, 1u);
        const std::string name = table->name;
        const int64_t first = (name == "YesNo" || name == "AddressType") ? 0 : 1;
        const int64_t last = first + static_cast<int64_t>(table->count) - 1;
        for (int64_t beside : {first - 1, last + 1, first + (int64_t{1} << 32)}) {
            EXPECT_EQ(nullptr, FindEntry(*table, beside)) << beside;
        }
        for (size_t i = 0; i < table->count; ++i) {
            const EnumEntry& entry = table->entries[i];
            EXPECT_EQ(first + static_cast<int64_t>(i), entry.value);
            EXPECT_EQ(&entry, FindEntry(*table, static_cast<int64_t>(entry.value)));
            EXPECT_EQ(&entry, FindEntry(*table, std::string_view(entry.schema)));
        }
    }
    // The conversions of one enumeration leave the target alone on a miss.
    Canton canton = Canton::kI;
    DiagnosisType type = DiagnosisType::kICD;
    EXPECT_FALSE(EnumFromLong(32, &canton) || EnumFromSchema("icd", &type) ||
                 EnumFromSchema("ICD ", &type) || EnumFromSchema("", &type));
    EXPECT_EQ(Canton::kI, canton);
    EXPECT_EQ(DiagnosisType::kICD, type);
    EXPECT_STREQ("", SchemaText(static_cast<Canton>(99)));
    EXPECT_TRUE(IsEsr9Type(EsrType::kEsr16or27Plus) && IsEsrQRType(EsrType::kRedPayinSlipQR));
    EXPECT_FALSE(IsEsr9Type(EsrType::kEsrRed) || IsEsrQRType(EsrType::kEsr16or27));
}

// Every table the schema enumerates has the schema's values in its order.
TEST(InvoiceEnumTablesTest, TablesFollowTheSchemaEnumerations) {
    REQUIRE_REFDATA();
    const schema_walk::Schema schema(Refdata("xsd/generalInvoiceRequest_450.xsd"));
    ASSERT_EQ("", schema.Error());
    std::set<std::vector<std::string>> enumerations;
    for (const std::string& place : schema.Places()) {
        const schema_walk::ElementDecl* element = schema.Find(place);
        if (element == nullptr) continue;
        for (const auto& attribute : element->attributes) {
            enumerations.insert(attribute.type.enumeration);
        }
    }
    const std::set<std::string> kNotInTheSchema = {
        "YesNo",      "TiersMode",         "EsrType",       "AddressType", "LawType",
        "Settlement", "GrouperRecordType", "BfsRecordType", "ServiceKind"};
    for (const EnumTable* table : AllEnumTables()) {
        if (kNotInTheSchema.count(table->name) == 0) {
            EXPECT_EQ(1u, enumerations.count(SchemaValues(*table))) << table->name;
        }
    }
    // The slip types are spread over the type attributes of several slips;
    // esrRed is an element of its own.
    std::set<std::string> values;
    for (const std::vector<std::string>& enumeration : enumerations) {
        values.insert(enumeration.begin(), enumeration.end());
    }
    for (const std::string& type : SchemaValues(TableOf<EsrType>())) {
        EXPECT_TRUE(type == "esrRed" || values.count(type) == 1) << type;
    }
}

// The client documentation lists every table exactly as the code has it.
TEST(InvoiceEnumTablesTest, DocumentationMatchesTheTables) {
    const std::string doc = ReadFileText(TARVOS_SOURCE_DIR "/docs/module-api.md");
    ASSERT_FALSE(doc.empty());
    for (const EnumTable* table : AllEnumTables()) {
        SCOPED_TRACE(table->name);
        const std::string heading = std::string("\n### ") + table->name + "\n";
        const size_t start = doc.find(heading);
        ASSERT_NE(std::string::npos, start);
        const size_t end = doc.find("\n#", start + heading.size());
        const std::string section = doc.substr(start, end - start);
        EXPECT_NE(std::string::npos, section.find(table->parameters));
        size_t rows = 0;
        for (size_t i = 0; i < table->count; ++i) {
            const EnumEntry& entry = table->entries[i];
            const std::string schema =
                entry.schema[0] == '\0' ? "(none)" : "`" + std::string(entry.schema) + "`";
            const std::string row =
                "| " + std::to_string(entry.value) + " | " + entry.meaning + " | " + schema + " |";
            EXPECT_NE(std::string::npos, section.find(row)) << row;
        }
        for (size_t pos = section.find("\n| "); pos != std::string::npos;
             pos = section.find("\n| ", pos + 1)) {
            if (isdigit(static_cast<unsigned char>(section[pos + 3]))) ++rows;
        }
        EXPECT_EQ(table->count, rows) << "extra or missing rows";
    }
}

}  // namespace
}  // namespace invoice
