#include "module/checks/check_digits.h"

#include <gtest/gtest.h>

namespace checks {
namespace {

TEST(CheckDigitsTest, Gs1CheckDigitOfPublishedNumbers) {
    EXPECT_EQ(4, Gs1CheckDigit("760100300018"));  // GLN of an insurer in the samples
    EXPECT_EQ(5, Gs1CheckDigit("756921707698"));  // AHV number 756.9217.0769.85
    EXPECT_EQ(1, Gs1CheckDigit("400638133393"));  // EAN-13 4006381333931
    EXPECT_EQ(0, Gs1CheckDigit("000000000000"));
    // Weight 3 sits on the rightmost digit whatever the length.
    EXPECT_EQ(7, Gs1CheckDigit("1"));
    EXPECT_EQ(6, Gs1CheckDigit("11"));
}

TEST(CheckDigitsTest, Mod10RecursiveOfPaymentSlipNumbers) {
    EXPECT_EQ(7, Mod10RecursiveCheckDigit("21000000000313947143000901"));
    EXPECT_EQ(8, Mod10RecursiveCheckDigit("15453000000000000001000001"));
    EXPECT_EQ(8, Mod10RecursiveCheckDigit("01000162"));
    EXPECT_EQ(2, Mod10RecursiveCheckDigit("04"));
    EXPECT_EQ(0, Mod10RecursiveCheckDigit("010000521775"));
    EXPECT_EQ(0, Mod10RecursiveCheckDigit("0"));
}

TEST(CheckDigitsTest, Mod97OfRotatedIbanIsOne) {
    EXPECT_EQ(1, Mod97("31999123000889012CH44"));
    EXPECT_EQ(1, Mod97("539007547034RF18"));
    EXPECT_EQ(35 % 97, Mod97("Z"));
    EXPECT_EQ(1035 % 97, Mod97("AZ"));
}

TEST(CheckDigitsTest, GroupsInFivesFromTheRight) {
    EXPECT_EQ("21 00000 00003 13947 14300 09017",
              GroupInFivesFromRight("210000000003139471430009017"));
    EXPECT_EQ("1 23456 78901 23456", GroupInFivesFromRight("1234567890123456"));
    EXPECT_EQ("12345 67890", GroupInFivesFromRight("1234567890"));
    EXPECT_EQ("", GroupInFivesFromRight(""));
}

TEST(CheckDigitsTest, CharacterClassesAndNormalisers) {
    EXPECT_TRUE(IsDigits("0123456789"));
    EXPECT_FALSE(IsDigits(""));
    EXPECT_FALSE(IsDigits("12a"));
    EXPECT_TRUE(IsUpperAlnum("AZ09"));
    EXPECT_FALSE(IsUpperAlnum("Az09"));
    EXPECT_FALSE(IsUpperAlnum(""));
    EXPECT_EQ("CH4431999", WithoutBlanks(" CH44 3199\t9 "));
    EXPECT_EQ("RF18ÄB", ToUpperAscii("rf18Äb"));
}

}  // namespace
}  // namespace checks
