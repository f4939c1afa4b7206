#include "module/checks/check_identifiers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include "tests/engine/check_verdict.h"

namespace checks {
namespace {

using ::testing::HasSubstr;

TEST(GlnTest, AcceptsGlnsOfTheSampleInvoices) {
    for (const char* gln : {"7601003000184", "7601003000757", "7601003001082", "7601002028127",
                            "7601003906325", "2033567123477"}) {
        EXPECT_EQ("OK", Verdict(CheckGln(gln))) << gln;
    }
}

TEST(GlnTest, NamesTheExpectedCheckDigit) {
    EXPECT_EQ("the check digit of GLN 7601000000000 is wrong (expected 7601000000002)",
              CheckGln("7601000000000").rule);
    EXPECT_EQ("7601003000184", GlnWithCheckDigit("7601003000180"));
    EXPECT_EQ("7601003000184", GlnWithCheckDigit("760100300018"));
}

TEST(GlnTest, SchemaLevelAcceptsTestNumbersWithWrongCheckDigit) {
    // Test invoices that the schema accepts carry these.
    EXPECT_TRUE(CheckEanParty("2000000000002").ok);
    EXPECT_TRUE(CheckEanParty("0000000000002").ok);
    EXPECT_FALSE(CheckGln("2000000000002").ok);
    EXPECT_FALSE(CheckGln("0000000000002").ok);
}

TEST(GlnTest, RejectsAnythingButThirteenDigits) {
    for (const char* bad : {"", "760100300018", "76010030001840", "760100300018A", " 7601003000184",
                            "7601 003000184"}) {
        EXPECT_FALSE(CheckEanParty(bad).ok) << bad;
        EXPECT_FALSE(CheckGln(bad).ok) << bad;
    }
    EXPECT_EQ("\"12345\" is not a GLN of 13 digits", CheckGln("12345").rule);
}

TEST(ZsrTest, CapitalLetterAndSixDigits) {
    EXPECT_TRUE(CheckZsr("C196719").ok);
    EXPECT_TRUE(CheckZsr("X999999").ok);
    EXPECT_FALSE(CheckZsr("c196719").ok);
    EXPECT_FALSE(CheckZsr("C19671").ok);
    EXPECT_FALSE(CheckZsr("C1967190").ok);
    EXPECT_FALSE(CheckZsr("1196719").ok);
    EXPECT_FALSE(CheckZsr("").ok);
    EXPECT_THAT(CheckZsr("C12.345").rule, HasSubstr("is not a ZSR number"));
}

TEST(NifTest, OneToSevenDigits) {
    EXPECT_TRUE(CheckNif("1").ok);
    EXPECT_TRUE(CheckNif("1234567").ok);
    EXPECT_FALSE(CheckNif("").ok);
    EXPECT_FALSE(CheckNif("12345678").ok);
    EXPECT_FALSE(CheckNif("12 34").ok);
}

TEST(SsnTest, SchemaAlternatives) {
    EXPECT_TRUE(CheckSsn("1234").ok);
    EXPECT_TRUE(CheckSsn("1234567890").ok);
    EXPECT_TRUE(CheckSsn("12345678901").ok);
    EXPECT_TRUE(CheckSsn("7560000000011").ok);  // wrong check digit, schema does not care
    EXPECT_TRUE(CheckSsn("4380000000000").ok);
    EXPECT_FALSE(CheckSsn("123").ok);
    EXPECT_FALSE(CheckSsn("01234567890").ok);
    EXPECT_FALSE(CheckSsn("123456789012").ok);
    EXPECT_FALSE(CheckSsn("7570000000000").ok);
    EXPECT_FALSE(CheckSsn("75600000000111").ok);
    EXPECT_FALSE(CheckSsn("756.9217.0769.85").ok);
}

TEST(AhvNumberTest, PublishedExampleWithAndWithoutDots) {
    EXPECT_EQ("OK", Verdict(CheckAhvNumber("756.9217.0769.85")));
    EXPECT_EQ("OK", Verdict(CheckAhvNumber("7569217076985")));
    EXPECT_EQ("OK", Verdict(CheckAhvNumber("7562975799578")));
    EXPECT_EQ("7569217076985", NormaliseAhvNumber("756.9217.0769.85"));
}

TEST(AhvNumberTest, RejectsWrongCheckDigitAndForeignPrefix) {
    EXPECT_EQ("the check digit of AHV number 7560000000011 is wrong (expected 7560000000019)",
              CheckAhvNumber("7560000000011").rule);
    EXPECT_THAT(CheckAhvNumber("4380000000000").rule, HasSubstr("756 and ten digits"));
    EXPECT_FALSE(CheckAhvNumber("756921707698").ok);
    EXPECT_FALSE(CheckAhvNumber("").ok);
}

TEST(IvgCaseIdTest, SixNineTenOrFourteenDigits) {
    for (const char* good : {"123456", "123456789", "1234567890", "12345678901234"}) {
        EXPECT_TRUE(CheckIvgCaseId(good).ok) << good;
    }
    for (const char* bad : {"", "12345", "1234567", "12345678", "12345678901", "12345A"}) {
        EXPECT_FALSE(CheckIvgCaseId(bad).ok) << bad;
    }
}

TEST(UidTest, AcceptsPrintedAndPlainForms) {
    EXPECT_EQ("OK", Verdict(CheckUid("CHE-123.456.788")));
    EXPECT_EQ("OK", Verdict(CheckUid("CHE123456788")));
    EXPECT_EQ("OK", Verdict(CheckUid("che-123.456.788")));
    EXPECT_EQ("CHE123456788", NormaliseUid("CHE-123.456.788"));
}

TEST(UidTest, RejectsWrongCheckDigitAndImpossibleNumbers) {
    EXPECT_EQ("the check digit of UID number CHE123456789 is wrong (expected 8)",
              CheckUid("CHE-123.456.789").rule);
    // 8 digits whose weighted sum leaves remainder 1: no check digit fits.
    EXPECT_THAT(CheckUid("CHE-000.000.030").rule, HasSubstr("cannot exist"));
    EXPECT_FALSE(CheckUid("CHE-123.456.78").ok);
    EXPECT_FALSE(CheckUid("DEU-123.456.788").ok);
    EXPECT_FALSE(CheckUid("").ok);
}

TEST(VatNumberTest, OneToFifteenCharacters) {
    EXPECT_TRUE(CheckVatNumber("123456").ok);
    EXPECT_TRUE(CheckVatNumber("CHE-123.456.788").ok);
    EXPECT_FALSE(CheckVatNumber("CHE-123.456.788 MWST").ok);
    EXPECT_FALSE(CheckVatNumber("").ok);
}

}  // namespace
}  // namespace checks
