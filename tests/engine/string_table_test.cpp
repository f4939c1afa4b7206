#include "common/string_table.h"

#include <gtest/gtest.h>

namespace {

TEST(StringTableTest, TextsTakeTheirInsertsOnceAndKeepTheirBound) {
    const std::pair<std::string, const char*> cases[] = {
        {GetErrorDescription(kDefaultLanguage, 402, "IAddress", "123"),
         "The given interface instance [IAddress::123] does not exist"},
        {GetErrorDescription(kDefaultLanguage, 408, "ITarvos", "PutModus", "eModus"),
         "The variable [eModus] could not be extracted from the JSON of [ITarvos::PutModus]"},
        {GetErrorDescription(kDefaultLanguage, 401, "%2 and %1"),
         "The URI path [%2 and %1] is not valid"},
        {GetErrorDescription(kDefaultLanguage, 999),
         "Error description not found in the string table!\n\n(resourceID = '999')"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(expected, text);
    EXPECT_EQ(1024u, GetErrorDescription(kDefaultLanguage, 401, std::string(5000, 'x')).size());
}

}  // namespace
