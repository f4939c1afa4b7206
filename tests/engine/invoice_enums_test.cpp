#include "module/model/invoice_enums.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>
#include "tests/engine/file_text.h"
#include "tests/refdata.h"

namespace invoice {
namespace {

std::vector<std::string> SchemaValues(const EnumTable& table) {
    std::vector<std::string> values;
    for (size_t i = 0; i < table.count; ++i) values.push_back(table.entries[i].schema);
    return values;
}

// Every attribute of the schema with an enumeration: attribute name -> the
// value lists (in schema order) of all attributes of that name.
std::multimap<std::string, std::vector<std::string>> SchemaEnumerations(const std::string& xsd) {
    std::multimap<std::string, std::vector<std::string>> result;
    const std::string open = "<attribute name=\"";
    size_t pos = 0;
    while ((pos = xsd.find(open, pos)) != std::string::npos) {
        pos += open.size();
        const std::string name = xsd.substr(pos, xsd.find('"', pos) - pos);
        const size_t end = xsd.find("</attribute>", pos);
        const size_t next = xsd.find(open, pos);
        if (end == std::string::npos || (next != std::string::npos && next < end)) continue;
        std::vector<std::string> values;
        const std::string value_tag = "<enumeration value=\"";
        for (size_t v = xsd.find(value_tag, pos); v != std::string::npos && v < end;
             v = xsd.find(value_tag, v + 1)) {
            const size_t start = v + value_tag.size();
            values.push_back(xsd.substr(start, xsd.find('"', start) - start));
        }
        if (!values.empty()) result.emplace(name, values);
    }
    return result;
}

TEST(InvoiceEnumsTest, ConversionsAcceptExactlyTheTableValues) {
    Canton canton = Canton::kAG;
    EXPECT_TRUE(EnumFromLong(31, &canton));
    EXPECT_EQ(Canton::kI, canton);
    for (int64_t bad : {int64_t{0}, int64_t{32}, int64_t{-1}, int64_t{4294967297}}) {
        EXPECT_FALSE(EnumFromLong(bad, &canton)) << bad;
    }
    EXPECT_EQ(Canton::kI, canton);  // untouched by the failures
    EXPECT_TRUE(IsValidEnum<YesNo>(0));
    EXPECT_FALSE(IsValidEnum<YesNo>(-1));  // VARIANT_TRUE is not a yes/no value
    EXPECT_FALSE(IsValidEnum<LawType>(0));
    EXPECT_TRUE(IsValidEnum<LawType>(6));
    EXPECT_FALSE(IsValidEnum<LawType>(7));
    EXPECT_STREQ("16or27", SchemaText(EsrType::kEsr16or27));
    EXPECT_STREQ("", SchemaText(static_cast<Canton>(99)));
    DiagnosisType type = DiagnosisType::kFreetext;
    EXPECT_TRUE(EnumFromSchema("ICD", &type));
    EXPECT_EQ(DiagnosisType::kICD, type);
    for (const char* bad : {"icd", "ICD ", ""}) EXPECT_FALSE(EnumFromSchema(bad, &type)) << bad;
    EXPECT_EQ(DiagnosisType::kICD, type);
    EXPECT_TRUE(IsEsr9Type(EsrType::kEsr16or27Plus));
    EXPECT_FALSE(IsEsr9Type(EsrType::kEsrRed));
    EXPECT_TRUE(IsEsrQRType(EsrType::kRedPayinSlipQR));
    EXPECT_FALSE(IsEsrQRType(EsrType::kEsr16or27));
}

// ---------------------------------------------------------------------------
// The tables as a whole

TEST(InvoiceEnumTablesTest, ValuesCountFromOneAndTextsAreUnique) {
    for (const EnumTable* table : AllEnumTables()) {
        SCOPED_TRACE(table->name);
        ASSERT_GT(table->count, 1u);
        const int32_t first = table->entries[0].value;
        const std::string name = table->name;
        EXPECT_EQ((name == "YesNo" || name == "AddressType") ? 0 : 1, first);
        std::set<std::string> schema_texts;
        for (size_t i = 0; i < table->count; ++i) {
            const EnumEntry& entry = table->entries[i];
            EXPECT_EQ(first + static_cast<int32_t>(i), entry.value);
            EXPECT_TRUE(schema_texts.insert(entry.schema).second) << entry.schema;
            EXPECT_STRNE("", entry.meaning);
            // Both lookups find this very entry.
            EXPECT_EQ(&entry, FindEntry(*table, static_cast<int64_t>(entry.value)));
            EXPECT_EQ(&entry, FindEntry(*table, std::string_view(entry.schema)));
        }
    }
}

TEST(InvoiceEnumTablesTest, TablesFollowTheSchemaEnumerations) {
    REQUIRE_REFDATA();
    const std::string xsd = ReadFileText(Refdata("xsd/generalInvoiceRequest_450.xsd"));
    ASSERT_FALSE(xsd.empty());
    const auto enumerations = SchemaEnumerations(xsd);
    const std::vector<std::pair<std::string, const EnumTable*>> attribute_of = {
        {"language", &TableOf<Language>()},
        {"modus", &TableOf<Modus>()},
        {"role", &TableOf<RoleType>()},
        {"place", &TableOf<PlaceType>()},
        {"type", &TableOf<PayloadType>()},
        {"payment_to", &TableOf<PaymentTo>()},
        {"gender", &TableOf<SexType>()},
        {"canton", &TableOf<Canton>()},
        {"treatment", &TableOf<TreatmentType>()},
        {"reason", &TableOf<TreatmentReason>()},
        {"hospitalization_type", &TableOf<HospitalizationType>()},
        {"hospitalization_mode", &TableOf<HospitalizationMode>()},
        {"class", &TableOf<HospitalizationClass>()},
        {"type", &TableOf<DiagnosisType>()},
        {"body_location", &TableOf<BodySide>()},
        {"delivery", &TableOf<Delivery>()},
        {"medical_role", &TableOf<MedicalRole>()},
        {"billing_role", &TableOf<BillingRole>()},
        {"reminder_level", &TableOf<ReminderLevel>()},
    };
    for (const auto& [attribute, table] : attribute_of) {
        SCOPED_TRACE(attribute + " / " + table->name);
        const auto range = enumerations.equal_range(attribute);
        ASSERT_NE(range.first, range.second) << "no such attribute in the schema";
        bool found = false;
        for (auto it = range.first; it != range.second; ++it) {
            found = found || it->second == SchemaValues(*table);
        }
        EXPECT_TRUE(found) << "values or their order differ from the schema";
    }
    // The slip types are spread over several attributes named "type".
    std::set<std::string> slip_types;
    for (auto it = enumerations.lower_bound("type"); it != enumerations.upper_bound("type"); ++it) {
        for (const std::string& value : it->second) {
            if (value.find("16or27") == 0 || value.find("esrQR") == 0 ||
                value == "redPayinSlipQR") {
                slip_types.insert(value);
                EXPECT_NE(nullptr, FindEntry(TableOf<EsrType>(), std::string_view(value))) << value;
            }
        }
    }
    EXPECT_EQ(5u, slip_types.size());
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
