#include "common/string_table.h"

#include <gtest/gtest.h>

namespace {

TEST(StringTableTest, InsertsAreFilledIn) {
    EXPECT_EQ("The given interface instance [IAddress::123] does not exist",
              GetErrorDescription(kDefaultLanguage, 402, "IAddress", "123"));
    EXPECT_EQ("The variable [eModus] could not be extracted from the JSON of [ITarvos::PutModus]",
              GetErrorDescription(kDefaultLanguage, 408, "ITarvos", "PutModus", "eModus"));
    EXPECT_EQ("Exclusive access to the COM instance <IAddress(5)> was not granted within 10 s ",
              GetErrorDescription(kDefaultLanguage, 411, "IAddress", "5", "10"));
}

TEST(StringTableTest, EveryErrorIdHasItsText) {
    std::string text;
    for (int id = 401; id <= 412; ++id) EXPECT_TRUE(LoadString(id, &text)) << id;
    ASSERT_TRUE(LoadString(103, &text));
    EXPECT_EQ("TarvosServer450", text);
}

TEST(StringTableTest, UnknownIdGivesTheNotFoundText) {
    EXPECT_EQ("Error description not found in the string table!\n\n(resourceID = '999')",
              GetErrorDescription(kDefaultLanguage, 999));
}

TEST(StringTableTest, InsertsAreNotExpandedTwice) {
    EXPECT_EQ("The URI path [%2 and %1] is not valid",
              GetErrorDescription(kDefaultLanguage, 401, "%2 and %1"));
}

TEST(StringTableTest, LongInsertsAreCut) {
    std::string text = GetErrorDescription(kDefaultLanguage, 401, std::string(5000, 'x'));
    EXPECT_EQ(1024u, text.size());
}

}  // namespace
