#include "module/checks/check_payment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include "tests/engine/check_verdict.h"

namespace checks {
namespace {

using ::testing::HasSubstr;

// "OK" or the rule, so that a failing expectation shows what was wrong.
// Published example accounts of the QR-bill guidelines and of the IBAN
// registry.
constexpr const char* kQrIban = "CH4431999123000889012";
constexpr const char* kIban = "CH5800791123000889012";

TEST(IbanTest, AcceptsPublishedIbans) {
    EXPECT_EQ("OK", Verdict(CheckIban(kQrIban)));
    EXPECT_EQ("OK", Verdict(CheckIban(kIban)));
    EXPECT_EQ("OK", Verdict(CheckIban("CH9300762011623852957")));
    EXPECT_EQ("OK", Verdict(CheckIban("LI21088100002324013AA")));
    EXPECT_EQ("OK", Verdict(CheckIban("DE89370400440532013000")));
    EXPECT_EQ("OK", Verdict(CheckIban("GB82WEST12345698765432")));
}

TEST(IbanTest, AcceptsBlanksAndSmallLetters) {
    EXPECT_EQ("OK", Verdict(CheckIban("CH44 3199 9123 0008 8901 2")));
    EXPECT_EQ("OK", Verdict(CheckIban("li21 0881 0000 2324 013a a")));
    EXPECT_EQ("LI21088100002324013AA", NormaliseIban(" li21 0881 0000 2324 013a a "));
}

TEST(IbanTest, RejectsWrongCheckDigits) {
    CheckResult result = CheckIban("CH4531999123000889012");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ("the check digits of IBAN CH4531999123000889012 are wrong", result.rule);
    // Two neighbouring characters swapped.
    EXPECT_FALSE(CheckIban("CH4431999123000889021").ok);
}

TEST(IbanTest, RejectsLengthOtherThanTheCountrys) {
    CheckResult result = CheckIban("CH443199912300088901");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ("IBAN CH443199912300088901 has 20 characters, an IBAN of CH has 21", result.rule);
    EXPECT_FALSE(CheckIban("DE8937040044053201300").ok);
}

TEST(IbanTest, RejectsBrokenLayout) {
    EXPECT_FALSE(CheckIban("").ok);
    EXPECT_FALSE(CheckIban("CH").ok);
    EXPECT_FALSE(CheckIban("4431999123000889012CH").ok);
    EXPECT_FALSE(CheckIban("CHXX31999123000889012").ok);
    EXPECT_FALSE(CheckIban("CH44-3199-9123-0008-8901-2").ok);
    EXPECT_THAT(CheckIban("CH44 3199 9123 0008 8901 2!").rule, HasSubstr("is not an IBAN"));
}

TEST(IbanTest, SwissIbanNeedsChOrLiAndDigitsUpToTheAccount) {
    EXPECT_EQ("OK", Verdict(CheckSwissIban(kIban)));
    EXPECT_EQ("OK", Verdict(CheckSwissIban("LI21088100002324013AA")));
    EXPECT_THAT(CheckSwissIban("DE89370400440532013000").rule,
                HasSubstr("is not an IBAN of Switzerland or Liechtenstein"));
    // Valid IBAN, but the schema wants digits in characters 3 to 9.
    EXPECT_THAT(CheckSwissIban("CH680A762011623852957").rule, HasSubstr("letter"));
}

TEST(QrIbanTest, InstitutionIdDecides) {
    EXPECT_TRUE(IsQrIban(kQrIban));
    EXPECT_TRUE(IsQrIban("CH44 3199 9123 0008 8901 2"));
    EXPECT_FALSE(IsQrIban(kIban));
    EXPECT_TRUE(IsQrIban("CH0030000000000000000"));
    EXPECT_TRUE(IsQrIban("LI0031999000000000000"));
    EXPECT_FALSE(IsQrIban("CH0029999000000000000"));
    EXPECT_FALSE(IsQrIban("CH0032000000000000000"));
    EXPECT_FALSE(IsQrIban("DE0030000000000000000"));
    EXPECT_FALSE(IsQrIban("CH00300"));
}

TEST(QrIbanTest, CheckQrIbanNeedsValidIbanAndQrInstitution) {
    EXPECT_EQ("OK", Verdict(CheckQrIban(kQrIban)));
    EXPECT_EQ("IBAN CH5800791123000889012 is not a QR-IBAN (institution id 30000 to 31999)",
              CheckQrIban(kIban).rule);
    EXPECT_THAT(CheckQrIban("CH4531999123000889012").rule, HasSubstr("check digits"));
}

TEST(QrReferenceTest, AcceptsPublishedExample) {
    EXPECT_EQ("OK", Verdict(CheckQrReference("210000000003139471430009017")));
    EXPECT_EQ("OK", Verdict(CheckQrReference("21 00000 00003 13947 14300 09017")));
    EXPECT_EQ(7, QrReferenceCheckDigit("21000000000313947143000901"));
    EXPECT_EQ("21 00000 00003 13947 14300 09017", FormatQrReference("210000000003139471430009017"));
    EXPECT_EQ("210000000003139471430009017",
              NormaliseQrReference("21 00000 00003 13947 14300 09017"));
}

TEST(QrReferenceTest, EveryWrongCheckDigitIsFound) {
    std::string reference = "21000000000313947143000901";
    for (char digit = '0'; digit <= '9'; ++digit) {
        bool valid = digit == '7';
        EXPECT_EQ(valid, CheckQrReference(reference + digit).ok) << digit;
    }
    EXPECT_EQ("the check digit of QR reference 210000000003139471430009018 is wrong (expected 7)",
              CheckQrReference("210000000003139471430009018").rule);
}

TEST(QrReferenceTest, RejectsWrongLayout) {
    EXPECT_THAT(CheckQrReference("21000000000313947143000901").rule,
                HasSubstr("is not a QR reference of 27 digits"));
    EXPECT_FALSE(CheckQrReference("2100000000031394714300090170").ok);
    EXPECT_FALSE(CheckQrReference("21000000000313947143000901A").ok);
    EXPECT_FALSE(CheckQrReference("").ok);
    EXPECT_THAT(CheckQrReference("000000000000000000000000000").rule, HasSubstr("all zeros"));
}

TEST(CreditorReferenceTest, AcceptsPublishedExamples) {
    EXPECT_EQ("OK", Verdict(CheckCreditorReference("RF18539007547034")));
    EXPECT_EQ("OK", Verdict(CheckCreditorReference("RF18 5390 0754 7034")));
    EXPECT_EQ("OK", Verdict(CheckCreditorReference("rf18 5390 0754 7034")));
    EXPECT_EQ("OK", Verdict(CheckCreditorReference("RF54H4X")));
    EXPECT_EQ("OK", Verdict(CheckCreditorReference("RF741")));
    EXPECT_EQ("RF18539007547034", NormaliseCreditorReference("rf18 5390 0754 7034"));
}

TEST(CreditorReferenceTest, RejectsWrongCheckDigitsAndLayout) {
    EXPECT_EQ("the check digits of creditor reference RF19539007547034 are wrong",
              CheckCreditorReference("RF19539007547034").rule);
    EXPECT_FALSE(CheckCreditorReference("RF18539007547043").ok);
    EXPECT_FALSE(CheckCreditorReference("RF18").ok);
    EXPECT_FALSE(CheckCreditorReference("RX18539007547034").ok);
    EXPECT_FALSE(CheckCreditorReference("RF1A539007547034").ok);
    EXPECT_FALSE(CheckCreditorReference("RF18-5390").ok);
    // 22 characters after the check digits: one too many.
    EXPECT_THAT(CheckCreditorReference("RF001234567890123456789012").rule,
                HasSubstr("1 to 21 letters or digits"));
}

TEST(PairingTest, QrIbanNeedsQrReference) {
    EXPECT_EQ("OK", Verdict(CheckQrIbanAndReference(kQrIban, "210000000003139471430009017")));
    EXPECT_EQ("the QR-IBAN CH4431999123000889012 needs a QR reference of 27 digits",
              CheckQrIbanAndReference(kQrIban, "").rule);
    EXPECT_FALSE(CheckQrIbanAndReference(kQrIban, "RF18539007547034").ok);
    EXPECT_THAT(CheckQrIbanAndReference(kQrIban, "210000000003139471430009018").rule,
                HasSubstr("check digit"));
}

TEST(PairingTest, NormalIbanTakesCreditorReferenceOrNone) {
    EXPECT_EQ("OK", Verdict(CheckQrIbanAndReference(kIban, "")));
    EXPECT_EQ("OK", Verdict(CheckQrIbanAndReference(kIban, "RF18 5390 0754 7034")));
    EXPECT_THAT(CheckQrIbanAndReference(kIban, "210000000003139471430009017").rule,
                HasSubstr("is not a QR-IBAN and cannot take a QR reference"));
    EXPECT_FALSE(CheckQrIbanAndReference(kIban, "RF19539007547034").ok);
    EXPECT_FALSE(CheckQrIbanAndReference("CH5800791123000889013", "").ok);
}

TEST(PairingTest, ReferenceTypeFollowsTheReference) {
    EXPECT_EQ(QrReferenceType::kNon, ReferenceTypeOf(""));
    EXPECT_EQ(QrReferenceType::kNon, ReferenceTypeOf("  "));
    EXPECT_EQ(QrReferenceType::kScor, ReferenceTypeOf("rf18 5390"));
    EXPECT_EQ(QrReferenceType::kQrr, ReferenceTypeOf("21 00000"));
}

TEST(QrAmountTest, LimitsInHundredths) {
    EXPECT_TRUE(CheckQrAmount(0.01).ok);
    EXPECT_TRUE(CheckQrAmount(1949.75).ok);
    EXPECT_TRUE(CheckQrAmount(999999999.99).ok);
    EXPECT_EQ("the amount 0.00 is outside 0.01 to 999999999.99 for a QR-bill",
              CheckQrAmount(0).rule);
    EXPECT_FALSE(CheckQrAmount(0.004).ok);
    EXPECT_FALSE(CheckQrAmount(-5).ok);
    EXPECT_FALSE(CheckQrAmount(1000000000.00).ok);
    EXPECT_FALSE(CheckQrAmount(std::numeric_limits<double>::quiet_NaN()).ok);
    EXPECT_FALSE(CheckQrAmount(std::numeric_limits<double>::infinity()).ok);
}

TEST(CurrencyTest, ChfAndEurOnly) {
    EXPECT_TRUE(CheckCurrency("CHF").ok);
    EXPECT_TRUE(CheckCurrency("EUR").ok);
    EXPECT_EQ("\"USD\" is not a QR-bill currency (CHF or EUR)", CheckCurrency("USD").rule);
    EXPECT_FALSE(CheckCurrency("chf").ok);
    EXPECT_FALSE(CheckCurrency("").ok);
}

}  // namespace
}  // namespace checks
