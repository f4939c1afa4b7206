// The value checks, table by table: each row gives a check, values it passes,
// values it refuses and a part of the rule the refusals must name.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "module/checks/check_dates.h"
#include "module/checks/check_digits.h"
#include "module/checks/check_esr.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/check_payment.h"
#include "module/checks/value_checks.h"
#include "platform/ole_date.h"

namespace checks {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using TextCheck = CheckResult (*)(std::string_view);
using NumberCheck = CheckResult (*)(double);

constexpr TextCheck kText3to5 = [](std::string_view v) { return CheckText(v, 3, 5); };
constexpr TextCheck kSex = [](std::string_view v) { return CheckOneOf(v, {"male", "female"}); };
// "iban|reference"
constexpr TextCheck kPairing = [](std::string_view v) {
    std::size_t bar = v.find('|');
    return CheckQrIbanAndReference(v.substr(0, bar), bar == v.npos ? "" : v.substr(bar + 1));
};

template <typename Check, typename Value>
struct Case {
    Check check;
    std::vector<Value> ok, bad;
    std::string rule;  // a part of the rule every bad value gets
};
using TextCase = Case<TextCheck, std::string>;
using NumberCase = Case<NumberCheck, double>;

TextCase Row(TextCheck check, std::vector<std::string> ok, std::vector<std::string> bad,
             std::string rule) {
    return {check, std::move(ok), std::move(bad), std::move(rule)};
}

// "Zürich" with a precomposed ü: six characters, seven bytes.
const std::string kZurich = "Z\xC3\xBCrich";
const std::string kEsrLine = "0100005217750>154530000000000000010000018+ 010126482>";

const TextCase kTextCases[] = {
    // Free texts: characters, not bytes, and both sides of a limit. Refused:
    // overlong, a surrogate, above U+10FFFF, cut short.
    Row(CheckUtf8, {kZurich + "\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}, "not valid UTF-8"),
    Row(CheckXmlText, {"line 1\r\nline 2\tend"}, {std::string("ab\x01", 3)},
        "the text holds the control character U+0001 at offset 2, which an invoice cannot carry"),
    Row(kText3to5, {"abc", "Z\xC3\xBCric"}, {kZurich},
        "\"Z\xC3\xBCrich\" has 6 characters, at most 5"),
    Row(kText3to5, {}, {"ab"}, "\"ab\" has 2 characters, at least 3 are required"),
    Row(kText3to5, {}, {"Z\xFCric"}, "the text is not valid UTF-8 (byte 0xFC at offset 1)"),
    // Enumerations and address parts.
    Row(kSex, {"male"}, {"Male"}, "\"Male\" is not one of male, female"),
    Row(CheckZip, {}, {""}, "the text must not be empty"),
    Row(CheckEmail, {"a@b"}, {"praxis", "@a.ch", "praxis@", "a@b\nc"},
        "is not an e-mail address (name@domain)"),
    Row(CheckUrl, {}, {"https://example.ch/a b"}, "is not a URL: it holds white space"),
    Row(CheckTariffType, {"5A0"}, {"01", "0001", "a01"}, "is not a tariff type"),
    // Identifiers.
    Row(CheckGln, {"7601003000184"}, {"7601000000000"},
        "the check digit of GLN 7601000000000 is wrong (expected 7601000000002)"),
    Row(CheckGln, {}, {"76010030001840", "7601 003000184"}, "is not a GLN of 13 digits"),
    // Test numbers the schema accepts.
    Row(CheckEanParty, {"2000000000002"}, {"760100300018"}, "is not a GLN of 13 digits"),
    Row(CheckZsr, {"C196719"}, {"c196719", "C1967190", "1196719"}, "is not a ZSR number"),
    Row(CheckNif, {"1234567"}, {"12345678", ""}, "is not a NIF number"),
    // The schema does not care for the check digit of 7560000000011.
    Row(CheckSsn, {"1234", "12345678901", "7560000000011", "4380000000000"},
        {"123", "01234567890", "123456789012", "7570000000000"}, "is not a social security number"),
    Row(CheckAhvNumber, {"756.9217.0769.85", "7562975799578"}, {"7560000000011"},
        "the check digit of AHV number 7560000000011 is wrong (expected 7560000000019)"),
    Row(CheckAhvNumber, {}, {"4380000000000", "756921707698"}, "756 and ten digits"),
    Row(CheckIvgCaseId, {"123456", "123456789", "1234567890", "12345678901234"},
        {"12345", "1234567", "12345678901"}, "is not an IV case id"),
    // Payment: IBANs and references.
    Row(CheckIban,
        {"CH9300762011623852957", "li21\t0881 0000 2324 013a a", "GB82WEST12345698765432"},
        {"CH4531999123000889012"}, "the check digits of IBAN CH4531999123000889012 are wrong"),
    Row(CheckIban, {}, {"CH443199912300088901"},
        "IBAN CH443199912300088901 has 20 characters, an IBAN of CH has 21"),
    Row(CheckIban, {}, {"CHXX31999123000889012", "CH44-3199-9123-0008-8901-2"}, "is not an IBAN"),
    Row(CheckSwissIban, {"LI21088100002324013AA"}, {"DE89370400440532013000"},
        "is not an IBAN of Switzerland or Liechtenstein"),
    Row(CheckSwissIban, {}, {"CH680A762011623852957"}, "has a letter among its characters 3 to 9"),
    Row(CheckQrReference, {"21 00000 00003 13947 14300 09017"}, {"210000000003139471430009018"},
        "the check digit of QR reference 210000000003139471430009018 is wrong (expected 7)"),
    Row(CheckQrReference, {}, {"21000000000313947143000901", "2100000000031394714300090170"},
        "is not a QR reference of 27 digits"),
    Row(CheckQrReference, {}, {"000000000000000000000000000"}, "all zeros"),
    Row(CheckCreditorReference,
        {"rf18 5390 0754 7034", "RF741", "RF54H4X", "RF40123456789012345678901"},
        {"RF19539007547034"}, "the check digits of creditor reference RF19539007547034 are wrong"),
    Row(CheckCreditorReference, {}, {"RF18", "RF001234567890123456789012", "RX18539007547034"},
        "is not a creditor reference (RF, two check digits, 1 to 21 letters or digits)"),
    // Institutions 30000 to 31999 are QR ones.
    Row(kPairing,
        {"CH5800791123000889012|", "CH5800791123000889012|rf18 5390 0754 7034",
         "CH4431999123000889012|210000000003139471430009017",
         "CH5830000000000000000|210000000003139471430009017"},
        {"CH4431999123000889012|", "CH4431999123000889012|RF18539007547034"},
        "the QR-IBAN CH4431999123000889012 needs a QR reference of 27 digits"),
    Row(kPairing, {},
        {"CH5800791123000889012|210000000003139471430009017",
         "CH5029999000000000000|210000000003139471430009017",
         "CH5332000000000000000|210000000003139471430009017"},
        "is not a QR-IBAN and cannot take a QR reference"),
    // Either check digit wrong: the reference's or the IBAN's.
    Row(kPairing, {},
        {"CH4431999123000889012|210000000003139471430009018",
         "CH5800791123000889012|RF19539007547034", "CH5800791123000889013|"},
        " wrong"),
    Row(CheckCurrency, {"EUR"}, {"USD", "chf"}, "is not a QR-bill currency (CHF or EUR)"),
    // Orange and red slips.
    Row(CheckPostAccount, {"010001628"}, {"010001629"},
        "the check digit of account 01-162-9 is wrong (expected 8)"),
    Row(CheckPostAccount, {}, {"01-162", "1-162-8", "01-1234567-8", "01000162"},
        "is not a postal account number"),
    Row(CheckEsrParticipantNumber, {"01-305028-4"}, {"01-1234-5"},
        "the check digit of account 01-1234-5 is wrong (expected 1)"),
    Row(CheckEsrParticipantNumber, {}, {"30-1234-8", "010000004"},
        "is not an ESR participant number"),
    Row(CheckEsrReference, {"15 45300 00000 00000 00100 00018", "1234567890123456"},
        {"15 45300 00000 00000 00100 00019"},
        "the check digit of ESR reference 154530000000000000010000019 is wrong (expected 8)"),
    Row(CheckEsrReference, {}, {"12345678901234567", "1A"},
        "is not an ESR reference number of 16 or 27 digits"),
    Row(CheckEsrCodingLine, {kEsrLine, "042>154530000000000000010000018+ 010126482>"},
        {"0100005217751>154530000000000000010000018+ 010126482>",
         "0200005217750>154530000000000000010000018+ 010126482>"},
        "amount block"),
    Row(CheckEsrCodingLine, {},
        {"0100005217750>154530000000000000010000019+ 010126482>",
         "0100005217750>154530000000000000010000018+ 010126483>"},
        "check digit of"),
    Row(CheckEsrCodingLine, {},
        {"0100005217750>154530000000000000010000018+010126482>",
         "0100005217750>15453000000000000001000001+ 010126482>"},
        "is not an ESR coding line"),
    Row(CheckEsrRedReference, {"AB12CD34EF"}, {"ab12cd34ef", "123456789"}, "is not"),
    Row(CheckEsrRedCodingLine1, {"123456789>", "123456789012345678901234567+ 071234567>"},
        {"123456789012345678901234567+ 081234567>", "12345678>"}, "is not"),
    Row(CheckEsrRedCodingLine2, {"123456789>"}, {"1234567890>"}, "is not a red slip coding line 2"),
};

constexpr NumberCheck kReminder = [](double v) { return CheckReminderLevel(long(v)); };
constexpr NumberCheck kTimestamp = [](double v) { return CheckRequestTimestamp((long long)v); };
// An end date after a begin on 2024-01-01.
constexpr NumberCheck kEndAfter = [](double v) {
    return CheckDateOrder(DateSerial(2024, 1, 1), v);
};

const NumberCase kNumberCases[] = {
    {CheckVatRate, {0, 8.1, 100}, {100.5, -0.1}, "is outside 0 to 100"},
    {CheckVatRate, {}, {kNaN}, "the VAT rate is not a finite number"},
    {kReminder, {1, 3}, {0, 4}, "is not 1, 2 or 3"},
    {kTimestamp,
     {1420066800, 1924902000},
     {1420066799, 1924902001},
     "is outside 1420066800 to 1924902000"},
    {CheckDate,
     {EarliestPlausibleDate(), LatestPlausibleDate() + 0.75},
     {LatestPlausibleDate() + 1},
     "the date 2100-01-01 is outside 1900-01-01 to 2099-12-31"},
    {CheckDate, {}, {1}, "the date 1899-12-31 is outside"},
    {CheckDate, {}, {0}, "a date is required but none is given"},
    {CheckOptionalDate, {0}, {1e7}, "is outside"},
    {kEndAfter,
     {DateSerial(2024, 1, 1) + 0.5, 0},
     {DateSerial(2023, 12, 31)},
     "the end date 2023-12-31 is before the begin date 2024-01-01"},
};

template <typename Check, typename Value>
void ExpectVerdicts(const Case<Check, Value>& c) {
    for (const Value& value : c.ok) {
        CheckResult result = c.check(value);
        EXPECT_TRUE(result.ok) << ::testing::PrintToString(value) << ": " << result.rule;
    }
    for (const Value& value : c.bad) {
        CheckResult result = c.check(value);
        EXPECT_FALSE(result.ok) << ::testing::PrintToString(value);
        EXPECT_NE(std::string::npos, result.rule.find(c.rule))
            << ::testing::PrintToString(value) << ": " << result.rule;
    }
}

TEST(TextCheckTest, Verdicts) {
    for (const TextCase& c : kTextCases) ExpectVerdicts(c);
    for (const NumberCase& c : kNumberCases) ExpectVerdicts(c);
}

// Any text, as a fuzzer would give it: no crash, no throw, and a rule
// exactly when the check failed. Under the sanitizers this also catches
// reads past the end of a value.
TEST(TextCheckTest, RandomTextNeverBreaksAChecker) {
    static const std::string kAlphabet =
        "0000011111223456789CHLIRFEabz -.>+@|\t\n\x01\xC3\xBC\xE2\x82\xAC\xFF";
    std::mt19937 random(20240301);
    std::uniform_int_distribution<int> length(0, 45);
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n) text += kAlphabet[pick(random)];
        for (const TextCase& c : kTextCases) {
            CheckResult result = c.check(text);
            ASSERT_EQ(result.ok, result.rule.empty()) << "\"" << text << "\": " << result.rule;
        }
        FormatParticipantNumber(text);
        ReferenceTypeOf(text);
    }
}

// The OLE range against the platform's calendar, late in the day (the
// fraction of a negative serial counts forward): every day from 1845 to
// 2119, every 37th day beyond.
TEST(DateCheckTest, SerialsAndTextsFollowThePlatformCalendar) {
    for (double day = kMinOleDate; day < kMaxOleDate;
         day += std::abs(day - 30000) < 50000 ? 1 : 37) {
        SYSTEMTIME st{};
        ASSERT_TRUE(VariantTimeToSystemTime(day, &st)) << day;
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
        ASSERT_EQ(text, DateText(day + (day < 0 ? -0.99 : 0.99))) << day;
        ASSERT_EQ(day, DateSerial(st.wYear, st.wMonth, st.wDay)) << text;
    }
    EXPECT_EQ("9999-12-31", DateText(kMaxOleDate - 0.5));
    for (double outside : {kMaxOleDate, kMinOleDate - 1, kNaN}) {
        EXPECT_EQ("(out of range)", DateText(outside));
    }
}

// Quoted values are cut after 40 characters, not bytes; the coding line is
// made as it is checked, an amount of 0 included (the line without amount,
// the participant number's layout and the reference's groups of five show in
// the XML and on the printed slip).
TEST(CheckDigitTest, QuotedValuesAndCodingLines) {
    std::string umlauts;
    for (int i = 0; i < 45; ++i) umlauts += "\xC3\xBC";
    EXPECT_EQ("\"" + umlauts.substr(0, 80) + "...\"", Quote(umlauts));
    EXPECT_EQ(kEsrLine,
              MakeEsrCodingLine(521775, "15 45300 00000 00000 00100 00018", "01-12648-2"));
    EXPECT_EQ("0100000000005>154530000000000000010000018+ 010126482>",
              MakeEsrCodingLine(0, "154530000000000000010000018", "010126482"));
}

}  // namespace
}  // namespace checks
