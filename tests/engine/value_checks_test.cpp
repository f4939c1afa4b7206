#include "module/checks/value_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include "tests/engine/check_verdict.h"

namespace checks {
namespace {

using ::testing::HasSubstr;

// "Zürich" with a precomposed ü: six characters, seven bytes.
const std::string kZurich = "Z\xC3\xBCrich";

TEST(Utf8Test, LengthCountsCodePoints) {
    EXPECT_EQ(0u, Utf8Length(""));
    EXPECT_EQ(6u, Utf8Length(kZurich));
    EXPECT_EQ(1u, Utf8Length("\xE2\x82\xAC"));      // euro sign, 3 bytes
    EXPECT_EQ(1u, Utf8Length("\xF0\x9F\x98\x80"));  // emoji, 4 bytes
}

TEST(Utf8Test, AcceptsValidSequences) {
    EXPECT_TRUE(CheckUtf8("").ok);
    EXPECT_TRUE(CheckUtf8(kZurich).ok);
    EXPECT_TRUE(CheckUtf8("\xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF").ok);
}

TEST(Utf8Test, RejectsBrokenSequences) {
    EXPECT_EQ("the text is not valid UTF-8 (byte 0xFC at offset 1)",
              CheckUtf8("Z\xFCrich").rule);  // Latin-1 ü
    for (const char* bad : {"\x80", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xE2\x82"}) {
        EXPECT_FALSE(CheckUtf8(bad).ok) << Utf8Length(bad);
    }
}

TEST(XmlTextTest, RejectsControlCharactersButLineBreaksAndTabs) {
    EXPECT_TRUE(CheckXmlText("line 1\r\nline 2\tend").ok);
    EXPECT_EQ(
        "the text holds the control character U+0001 at offset 2, which an invoice "
        "cannot carry",
        CheckXmlText(std::string("ab\x01", 3)).rule);
    EXPECT_FALSE(CheckXmlText(std::string("a\0b", 3)).ok);
    EXPECT_FALSE(CheckXmlText("\xFF").ok);
}

TEST(LengthTest, CountsCharactersNotBytes) {
    EXPECT_TRUE(CheckLength(kZurich, 1, 6).ok);
    EXPECT_EQ("\"Z\xC3\xBCrich\" has 6 characters, at most 5 are allowed",
              CheckLength(kZurich, 1, 5).rule);
    EXPECT_EQ("\"ab\" has 2 characters, at least 3 are required", CheckLength("ab", 3, 9).rule);
    EXPECT_EQ("the text must not be empty", CheckLength("", 1, 35).rule);
    EXPECT_TRUE(CheckLength("", 0, 35).ok);
}

TEST(LengthTest, LongValuesAreCutInTheRule) {
    std::string text(36, 'x');
    EXPECT_EQ("\"" + std::string(40, 'x') + "...\" has 50 characters, at most 35 are allowed",
              CheckLength(std::string(50, 'x'), 1, 35).rule);
    // The cut keeps whole characters: forty ü are eighty bytes.
    std::string umlauts;
    for (int i = 0; i < 45; ++i) umlauts += "\xC3\xBC";
    EXPECT_EQ("\"" + umlauts.substr(0, 80) + "...\"", Quote(umlauts));
}

TEST(TextTest, CombinesXmlTextAndLength) {
    EXPECT_TRUE(CheckText(kZurich, 1, 35).ok);
    EXPECT_FALSE(CheckText("", 1, 35).ok);
    EXPECT_THAT(CheckText("Z\xFCrich", 1, 35).rule, HasSubstr("UTF-8"));
    EXPECT_THAT(CheckText(std::string(36, 'a'), 1, 35).rule, HasSubstr("at most 35"));
    EXPECT_TRUE(CheckOptionalText("", 35).ok);
    EXPECT_FALSE(CheckOptionalText(std::string(36, 'a'), 35).ok);
    EXPECT_TRUE(CheckNonEmpty(" ").ok);
    EXPECT_FALSE(CheckNonEmpty("").ok);
}

TEST(EnumerationTest, OneOfIsExact) {
    EXPECT_TRUE(CheckOneOf("male", {"male", "female"}).ok);
    EXPECT_EQ("\"Male\" is not one of male, female", CheckOneOf("Male", {"male", "female"}).rule);
    EXPECT_TRUE(CheckMimeType("application/pdf").ok);
    EXPECT_TRUE(CheckMimeType("image/png").ok);
    EXPECT_FALSE(CheckMimeType("image/gif").ok);
    EXPECT_FALSE(CheckMimeType("").ok);
}

TEST(EnumerationTest, CantonsOfTheSchema) {
    for (const char* canton : {"AG", "ZH", "TI", "LI", "A", "D", "F", "I"}) {
        EXPECT_TRUE(CheckCanton(canton).ok) << canton;
    }
    for (const char* bad : {"zh", "CH", "XX", "", "ZH "}) {
        EXPECT_FALSE(CheckCanton(bad).ok) << bad;
    }
}

TEST(AddressTest, CountryCodes) {
    EXPECT_TRUE(CheckCountryCode("CH").ok);
    EXPECT_TRUE(CheckCountryCode("NDF").ok);  // carried by a schema-valid sample
    EXPECT_FALSE(CheckCountryCode("").ok);
    EXPECT_FALSE(CheckCountryCode("CHE1").ok);
    for (const char* code : {"CH", "LI", "DE", "AD", "ZW", "SS", "XK"}) {
        bool assigned = std::string(code) != "XK";
        EXPECT_EQ(assigned, CheckIsoCountryCode(code).ok) << code;
    }
    EXPECT_EQ("\"ch\" is not a country code of two capital letters",
              CheckIsoCountryCode("ch").rule);
    EXPECT_EQ("\"AA\" is not an ISO 3166 country code", CheckIsoCountryCode("AA").rule);
    EXPECT_FALSE(CheckIsoCountryCode("CHE").ok);
    EXPECT_FALSE(CheckIsoCountryCode("").ok);
}

TEST(AddressTest, ZipStatePhoneUrlAndEmail) {
    EXPECT_TRUE(CheckZip("8001").ok);
    EXPECT_FALSE(CheckZip("").ok);
    EXPECT_FALSE(CheckZip("1234567890").ok);
    EXPECT_TRUE(CheckStateCode("").ok);
    EXPECT_TRUE(CheckStateCode("BS").ok);
    EXPECT_FALSE(CheckStateCode("1234567890").ok);
    EXPECT_TRUE(CheckPhone("+41 31 123 45 67").ok);
    EXPECT_FALSE(CheckPhone(std::string(26, '1')).ok);
    EXPECT_TRUE(CheckUrl("https://example.ch/praxis").ok);
    EXPECT_THAT(CheckUrl("https://example.ch/a b").rule, HasSubstr("white space"));
    EXPECT_FALSE(CheckUrl(std::string(101, 'a')).ok);
    EXPECT_TRUE(CheckEmail("a@b").ok);
    EXPECT_TRUE(CheckEmail("praxis@example.ch").ok);
    for (const char* bad : {"", "@example.ch", "praxis@", "praxis", "a@b\nc"}) {
        EXPECT_FALSE(CheckEmail(bad).ok) << bad;
    }
    EXPECT_EQ("\"praxis\" is not an e-mail address (name@domain)", CheckEmail("praxis").rule);
}

TEST(CodeTest, TariffTypeOfThreeDigitsOrCapitals) {
    EXPECT_TRUE(CheckTariffType("001").ok);
    EXPECT_TRUE(CheckTariffType("5A0").ok);
    EXPECT_FALSE(CheckTariffType("01").ok);
    EXPECT_FALSE(CheckTariffType("0001").ok);
    EXPECT_FALSE(CheckTariffType("a01").ok);
}

TEST(NumberTest, RangesVatRateAndReminderLevel) {
    EXPECT_TRUE(CheckVatRate(0).ok);
    EXPECT_TRUE(CheckVatRate(8.1).ok);
    EXPECT_TRUE(CheckVatRate(100).ok);
    EXPECT_EQ("the VAT rate 100.5 is outside 0 to 100", CheckVatRate(100.5).rule);
    EXPECT_FALSE(CheckVatRate(-0.1).ok);
    EXPECT_EQ("the VAT rate is not a finite number",
              CheckVatRate(std::numeric_limits<double>::quiet_NaN()).rule);
    EXPECT_TRUE(CheckReminderLevel(1).ok);
    EXPECT_TRUE(CheckReminderLevel(3).ok);
    EXPECT_EQ("the reminder level 0 is not 1, 2 or 3", CheckReminderLevel(0).rule);
    EXPECT_FALSE(CheckReminderLevel(4).ok);
    EXPECT_EQ("OK", Verdict(CheckRange(5, 5, 5, "the number")));
}

TEST(NumberTest, FactorsRecordIdsAndSessions) {
    EXPECT_TRUE(CheckPositive(0.01, "the unit factor").ok);
    EXPECT_EQ("the unit factor 0 is not above 0", CheckPositive(0, "the unit factor").rule);
    EXPECT_FALSE(CheckPositive(std::numeric_limits<double>::quiet_NaN(), "x").ok);
    EXPECT_TRUE(CheckNonNegative(0, "the external factor").ok);
    EXPECT_EQ("the external factor -0.5 is below 0",
              CheckNonNegative(-0.5, "the external factor").rule);
    EXPECT_FALSE(CheckNonNegative(std::numeric_limits<double>::infinity(), "x").ok);
    EXPECT_TRUE(CheckRecordId(1).ok);
    EXPECT_TRUE(CheckRecordId(999999999).ok);
    EXPECT_EQ("the record id 0 is outside 1 to 999999999", CheckRecordId(0).rule);
    EXPECT_FALSE(CheckRecordId(1000000000).ok);
    EXPECT_TRUE(CheckSessionNumber(1).ok);
    EXPECT_TRUE(CheckSessionNumber(999999).ok);
    EXPECT_FALSE(CheckSessionNumber(0).ok);
    EXPECT_FALSE(CheckSessionNumber(1000000).ok);
}

}  // namespace
}  // namespace checks
