#include "module/checks/check_esr.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include "tests/engine/check_verdict.h"

namespace checks {
namespace {

using ::testing::HasSubstr;

TEST(ParticipantNumberTest, ConvertsBetweenPrintedAndCodedForms) {
    EXPECT_EQ("010001628", ParticipantNumberDigits("01-162-8"));
    EXPECT_EQ("010001628", ParticipantNumberDigits("010001628"));
    EXPECT_EQ("013050284", ParticipantNumberDigits("01-305028-4"));
    EXPECT_EQ("01-162-8", FormatParticipantNumber("010001628"));
    EXPECT_EQ("01-162-8", FormatParticipantNumber("01-000162-8"));
    EXPECT_EQ("01-305028-4", FormatParticipantNumber("013050284"));
    EXPECT_EQ("01-0-9", FormatParticipantNumber("010000009"));
}

TEST(ParticipantNumberTest, NeitherLayoutGivesNothing) {
    for (const char* bad : {"", "01-1234567-8", "1-162-8", "01-162-", "01--8", "01-162-8-1",
                            "01162-8", "01000162", "0100016280", "01-16a-8"}) {
        EXPECT_EQ("", ParticipantNumberDigits(bad)) << bad;
        EXPECT_EQ("", FormatParticipantNumber(bad)) << bad;
    }
}

TEST(ParticipantNumberTest, AcceptsNumbersOfTheSampleInvoices) {
    for (const char* number :
         {"01-162-8", "010001628", "01-12648-2", "01-200020-9", "01-8244-9", "01-305028-4"}) {
        EXPECT_EQ("OK", Verdict(CheckEsrParticipantNumber(number))) << number;
    }
}

TEST(ParticipantNumberTest, RejectsWrongCheckDigit) {
    // Test invoices that the schema accepts carry these dummy numbers.
    EXPECT_EQ("the check digit of account 01-1234-5 is wrong (expected 1)",
              CheckEsrParticipantNumber("01-1234-5").rule);
    EXPECT_FALSE(CheckEsrParticipantNumber("01-16111-5").ok);
    EXPECT_FALSE(CheckPostAccount("010001629").ok);
}

TEST(ParticipantNumberTest, OrangeSlipNeedsPrefix01AndNonZeroAccount) {
    // 30-1234-? with the right check digit is a valid red slip account.
    std::string account = "30-1234-" + std::to_string(0);
    for (int check = 0; check <= 9; ++check) {
        std::string candidate = "30-1234-" + std::to_string(check);
        if (CheckPostAccount(candidate).ok) account = candidate;
    }
    ASSERT_EQ("OK", Verdict(CheckPostAccount(account)));
    EXPECT_THAT(CheckEsrParticipantNumber(account).rule,
                HasSubstr("is not an ESR participant number"));
    EXPECT_FALSE(CheckEsrParticipantNumber("010000000").ok);
    EXPECT_THAT(CheckPostAccount("01-162").rule, HasSubstr("is not a postal account number"));
}

TEST(EsrReferenceTest, AcceptsReferencesOfTheSampleInvoices) {
    for (const char* reference :
         {"15 45300 00000 00000 00100 00018", "39 83810 00000 00171 21701 91113",
          "99 99990 00000 00004 05600 37935", "00 00000 00001 70000 00000 00498",
          "154530000000000000010000018"}) {
        EXPECT_EQ("OK", Verdict(CheckEsrReference(reference))) << reference;
    }
}

TEST(EsrReferenceTest, SixteenDigitReference) {
    std::string body = "123456789012345";
    std::string reference;
    for (char check = '0'; check <= '9'; ++check) {
        if (CheckEsrReference(body + check).ok) reference = body + check;
    }
    ASSERT_EQ(16u, reference.size()) << "exactly one check digit must fit";
    EXPECT_EQ("1 23456 78901 2345" + reference.substr(15), FormatEsrReference(reference));
}

TEST(EsrReferenceTest, RejectsWrongCheckDigitAndLength) {
    EXPECT_EQ("the check digit of ESR reference 154530000000000000010000019 is wrong (expected 8)",
              CheckEsrReference("15 45300 00000 00000 00100 00019").rule);
    EXPECT_THAT(CheckEsrReference("12345678901234567").rule,
                HasSubstr("is not an ESR reference number of 16 or 27 digits"));
    EXPECT_FALSE(CheckEsrReference("").ok);
    EXPECT_FALSE(CheckEsrReference("15 45300 00000 00000 00100 0001A").ok);
}

TEST(EsrReferenceTest, FormatsAsTheSchemaWants) {
    EXPECT_EQ("15 45300 00000 00000 00100 00018",
              FormatEsrReference("154530000000000000010000018"));
    EXPECT_EQ("154530000000000000010000018",
              NormaliseEsrReference("15 45300 00000 00000 00100 00018"));
}

TEST(CodingLineTest, AcceptsCodingLinesOfTheSampleInvoices) {
    for (const char* line : {"0100005217750>154530000000000000010000018+ 010126482>",
                             "0100000380159>398381000000001712170191113+ 010165111>",
                             "0100000035152>000000000001700000000000498+ 013050284>"}) {
        EXPECT_EQ("OK", Verdict(CheckEsrCodingLine(line))) << line;
    }
}

TEST(CodingLineTest, MakesWhatItAccepts) {
    std::string line = MakeEsrCodingLine(521775, "15 45300 00000 00000 00100 00018", "01-12648-2");
    EXPECT_EQ("0100005217750>154530000000000000010000018+ 010126482>", line);
    std::string plus = MakeEsrCodingLine(-1, "154530000000000000010000018", "010126482");
    EXPECT_EQ("042>154530000000000000010000018+ 010126482>", plus);
    EXPECT_EQ("OK", Verdict(CheckEsrCodingLine(plus)));
    EXPECT_EQ("0100000000005>154530000000000000010000018+ 010126482>",
              MakeEsrCodingLine(0, "154530000000000000010000018", "010126482"));
}

TEST(CodingLineTest, FindsEachWrongPart) {
    EXPECT_THAT(CheckEsrCodingLine("0100005217751>154530000000000000010000018+ 010126482>").rule,
                HasSubstr("amount block"));
    EXPECT_THAT(CheckEsrCodingLine("0200005217750>154530000000000000010000018+ 010126482>").rule,
                HasSubstr("amount block"));
    EXPECT_THAT(CheckEsrCodingLine("0100005217750>154530000000000000010000019+ 010126482>").rule,
                HasSubstr("check digit of reference"));
    EXPECT_THAT(CheckEsrCodingLine("0100005217750>154530000000000000010000018+ 010126483>").rule,
                HasSubstr("check digit of participant number"));
}

TEST(CodingLineTest, RejectsBrokenLayout) {
    for (const char* bad : {"", "0100005217750>154530000000000000010000018+010126482>",
                            "0100005217750>154530000000000000010000018+ 010126482",
                            "0100005217750154530000000000000010000018+ 010126482>",
                            "043>154530000000000000010000018+ 010126482>",
                            "0100005217750>15453000000000000001000001+ 010126482>",
                            "0100005217750>154530000000000000010000018+ 0101264820>",
                            "0100005217750>154530000000000000010000018+ 010126482>x"}) {
        EXPECT_THAT(CheckEsrCodingLine(bad).rule, HasSubstr("is not an ESR coding line")) << bad;
    }
}

TEST(RedSlipTest, ReferenceNumberOfTenDigitsOrCapitals) {
    EXPECT_TRUE(CheckEsrRedReference("1234567890").ok);
    EXPECT_TRUE(CheckEsrRedReference("AB12CD34EF").ok);
    EXPECT_FALSE(CheckEsrRedReference("ab12cd34ef").ok);
    EXPECT_FALSE(CheckEsrRedReference("123456789").ok);
    EXPECT_FALSE(CheckEsrRedReference("").ok);
}

TEST(RedSlipTest, CodingLines) {
    EXPECT_TRUE(CheckEsrRedCodingLine1("123456789>").ok);
    EXPECT_TRUE(CheckEsrRedCodingLine1("123456789012345678901234567+ 071234567>").ok);
    EXPECT_FALSE(CheckEsrRedCodingLine1("123456789012345678901234567+ 081234567>").ok);
    EXPECT_FALSE(CheckEsrRedCodingLine1("123456789012345678901234567+071234567>").ok);
    EXPECT_FALSE(CheckEsrRedCodingLine1("12345678>").ok);
    EXPECT_TRUE(CheckEsrRedCodingLine2("123456789>").ok);
    EXPECT_FALSE(CheckEsrRedCodingLine2("123456789").ok);
    EXPECT_FALSE(CheckEsrRedCodingLine2("1234567890>").ok);
}

}  // namespace
}  // namespace checks
