// The value checks, table by table: each row names a check, the value given
// and the verdict, "OK" or a part of the rule that must be in the refusal.

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
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
#include "module/model/invoice_enums.h"

namespace checks {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// "OK" for a passed check, else its rule.
std::string Verdict(const CheckResult& result) {
    return result.ok ? "OK" : result.rule;
}

// Every check of one text; "Pairing" takes "iban|reference".
const std::map<std::string, std::function<CheckResult(std::string_view)>>& TextChecks() {
    static const std::map<std::string, std::function<CheckResult(std::string_view)>> checks = {
        {"Utf8", CheckUtf8},
        {"XmlText", CheckXmlText},
        {"Text35", [](std::string_view v) { return CheckText(v, 1, 35); }},
        {"Length1to5", [](std::string_view v) { return CheckLength(v, 1, 5); }},
        {"Length3to9", [](std::string_view v) { return CheckLength(v, 3, 9); }},
        {"Optional35", [](std::string_view v) { return CheckOptionalText(v, 35); }},
        {"NonEmpty", CheckNonEmpty},
        {"Sex",
         [](std::string_view v) {
             return CheckOneOf(v, {"male", "female"});
         }},
        {"Mime", CheckMimeType},
        {"Canton", CheckCanton},
        {"Country", CheckCountryCode},
        {"IsoCountry", CheckIsoCountryCode},
        {"Zip", CheckZip},
        {"State", CheckStateCode},
        {"Phone", CheckPhone},
        {"Email", CheckEmail},
        {"Url", CheckUrl},
        {"TariffType", CheckTariffType},
        {"EanParty", CheckEanParty},
        {"Gln", CheckGln},
        {"Zsr", CheckZsr},
        {"Nif", CheckNif},
        {"Ssn", CheckSsn},
        {"Ahv", CheckAhvNumber},
        {"IvgCase", CheckIvgCaseId},
        {"Uid", CheckUid},
        {"Vat", CheckVatNumber},
        {"Iban", CheckIban},
        {"SwissIban", CheckSwissIban},
        {"QrIban", CheckQrIban},
        {"QrRef", CheckQrReference},
        {"RfRef", CheckCreditorReference},
        {"Currency", CheckCurrency},
        {"PostAccount", CheckPostAccount},
        {"EsrParticipant", CheckEsrParticipantNumber},
        {"EsrRef", CheckEsrReference},
        {"EsrLine", CheckEsrCodingLine},
        {"RedRef", CheckEsrRedReference},
        {"RedLine1", CheckEsrRedCodingLine1},
        {"RedLine2", CheckEsrRedCodingLine2},
        {"Pairing",
         [](std::string_view v) {
             std::size_t bar = v.find('|');
             return CheckQrIbanAndReference(v.substr(0, bar),
                                            bar == v.npos ? "" : v.substr(bar + 1));
         }},
    };
    return checks;
}

// Checks of one number, given as text to the table below.
const std::map<std::string, std::function<CheckResult(double)>>& NumberChecks() {
    static const std::map<std::string, std::function<CheckResult(double)>> checks = {
        {"VatRate", CheckVatRate},
        {"QrAmount", CheckQrAmount},
        {"Reminder", [](double v) { return CheckReminderLevel(static_cast<long>(v)); }},
        {"RecordId", [](double v) { return CheckRecordId(static_cast<long>(v)); }},
        {"Session", [](double v) { return CheckSessionNumber(static_cast<long>(v)); }},
        {"Factor", [](double v) { return CheckPositive(v, "the unit factor"); }},
        {"External", [](double v) { return CheckNonNegative(v, "the external factor"); }},
        {"Timestamp", [](double v) { return CheckRequestTimestamp(static_cast<long long>(v)); }},
    };
    return checks;
}

struct TextCase {
    const char* check;
    std::string expected;
    std::vector<std::string> values;
};

// "Zürich" with a precomposed ü: six characters, seven bytes.
const std::string kZurich = "Z\xC3\xBCrich";

const TextCase kTextCases[] = {
    // Free texts: characters, not bytes, and both sides of a limit.
    {"Utf8", "OK", {kZurich + "\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"}},
    {"Utf8", "the text is not valid UTF-8 (byte 0xFC at offset 1)", {"Z\xFCrich"}},
    // Overlong, a surrogate, above U+10FFFF, cut short.
    {"Utf8", "not valid UTF-8", {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}},
    {"XmlText", "OK", {"line 1\r\nline 2\tend"}},
    {"XmlText",
     "the text holds the control character U+0001 at offset 2, which an invoice cannot carry",
     {std::string("ab\x01", 3)}},
    {"Length1to5", "OK", {"Z\xC3\xBCric"}},
    {"Length1to5", "\"Z\xC3\xBCrich\" has 6 characters, at most 5 are allowed", {kZurich}},
    {"Length3to9", "\"ab\" has 2 characters, at least 3 are required", {"ab"}},
    {"Length1to5", "the text must not be empty", {""}},
    {"Text35", "OK", {std::string(35, 'a')}},
    {"Text35", "at most 35", {std::string(36, 'a')}},
    {"Text35", "UTF-8", {"Z\xFCrich"}},
    {"Optional35", "OK", {""}},
    {"Optional35", "at most 35", {std::string(36, 'a')}},
    {"NonEmpty", "OK", {" "}},
    {"NonEmpty", "must not be empty", {""}},
    // Enumerations and address parts.
    {"Sex", "OK", {"male"}},
    {"Sex", "\"Male\" is not one of male, female", {"Male"}},
    {"Mime", "OK", {"application/pdf", "image/png"}},
    {"Mime", "is not one of", {"image/gif"}},
    {"Canton", "OK", {"ZH", "I"}},
    {"Canton", "is not one of", {"zh", "CH"}},
    {"Country", "OK", {"NDF"}},  // carried by a schema-valid sample
    {"Country", "\"CHE1\"", {"CHE1"}},
    {"IsoCountry", "OK", {"SS"}},
    {"IsoCountry", "\"ch\" is not a country code of two capital letters", {"ch"}},
    {"IsoCountry", "is not an ISO 3166 country code", {"AA", "XK"}},
    {"Zip", "OK", {"123456789"}},
    {"Zip", "at most 9", {"1234567890"}},
    {"Zip", "must not be empty", {""}},
    {"State", "OK", {""}},
    {"State", "at most 9", {"1234567890"}},
    {"Phone", "OK", {std::string(25, '1')}},
    {"Phone", "at most 25", {std::string(26, '1')}},
    {"Email", "OK", {"a@b"}},
    {"Email", "is not an e-mail address (name@domain)", {"praxis", "@a.ch", "praxis@", "a@b\nc"}},
    {"Url", "OK", {std::string(100, 'a')}},
    {"Url", "at most 100", {std::string(101, 'a')}},
    {"Url", "is not a URL: it holds white space", {"https://example.ch/a b"}},
    {"TariffType", "OK", {"5A0"}},
    {"TariffType", "is not a tariff type", {"01", "0001", "a01"}},
    // Identifiers.
    {"Gln", "OK", {"7601003000184"}},
    {"Gln",
     "the check digit of GLN 7601000000000 is wrong (expected 7601000000002)",
     {"7601000000000"}},
    {"Gln", "check digit", {"2000000000002"}},
    {"EanParty", "OK", {"2000000000002"}},  // test numbers the schema accepts
    {"EanParty", "is not a GLN of 13 digits", {"760100300018"}},
    {"Gln", "is not a GLN of 13 digits", {"76010030001840", "7601 003000184"}},
    {"Zsr", "OK", {"C196719"}},
    {"Zsr", "is not a ZSR number", {"c196719", "C1967190", "1196719"}},
    {"Nif", "OK", {"1234567"}},
    {"Nif", "is not a NIF number", {"12345678", ""}},
    // The schema does not care for the check digit of 7560000000011.
    {"Ssn", "OK", {"1234", "12345678901", "7560000000011", "4380000000000"}},
    {"Ssn",
     "is not a social security number",
     {"123", "01234567890", "123456789012", "7570000000000"}},
    {"Ahv", "OK", {"756.9217.0769.85", "7562975799578"}},
    {"Ahv",
     "the check digit of AHV number 7560000000011 is wrong (expected 7560000000019)",
     {"7560000000011"}},
    {"Ahv", "756 and ten digits", {"4380000000000", "756921707698"}},
    {"IvgCase", "OK", {"123456", "123456789", "1234567890", "12345678901234"}},
    {"IvgCase", "is not an IV case id", {"12345", "1234567", "12345678901"}},
    {"Uid", "OK", {"CHE-123.456.788", "che123456788"}},
    {"Uid",
     "the check digit of UID number CHE123456789 is wrong (expected 8)",
     {"CHE-123.456.789"}},
    {"Uid", "cannot exist", {"CHE-000.000.030"}},
    {"Uid", "is not a UID number", {"CHE-123.456.78", "DEU-123.456.788"}},
    {"Vat", "OK", {"CHE-123.456.788"}},
    {"Vat", "at most 15", {"CHE-123.456.788 MWST"}},
    // Payment: IBANs and references.
    {"Iban", "OK", {"CH9300762011623852957", "li21 0881 0000 2324 013a a"}},
    {"Iban", "OK", {"GB82WEST12345698765432"}},
    {"Iban", "the check digits of IBAN CH4531999123000889012 are wrong", {"CH4531999123000889012"}},
    {"Iban", "check digits", {"CH4431999123000889021"}},
    {"Iban",
     "IBAN CH443199912300088901 has 20 characters, an IBAN of CH has 21",
     {"CH443199912300088901"}},
    {"Iban", "an IBAN of DE has 22", {"DE8937040044053201300"}},
    {"Iban", "is not an IBAN", {"CHXX31999123000889012", "CH44-3199-9123-0008-8901-2"}},
    {"SwissIban", "OK", {"LI21088100002324013AA"}},
    {"SwissIban", "is not an IBAN of Switzerland or Liechtenstein", {"DE89370400440532013000"}},
    {"SwissIban", "has a letter among its characters 3 to 9", {"CH680A762011623852957"}},
    {"QrIban", "OK", {"CH4431999123000889012"}},
    {"QrIban", "check digits", {"CH0030000000000000000"}},  // institution 30000 is a QR one
    {"QrIban",
     "IBAN CH5800791123000889012 is not a QR-IBAN (institution id 30000 to 31999)",
     {"CH5800791123000889012"}},
    {"QrRef", "OK", {"21 00000 00003 13947 14300 09017"}},
    {"QrRef",
     "the check digit of QR reference 210000000003139471430009018 is wrong (expected 7)",
     {"210000000003139471430009018"}},
    {"QrRef",
     "is not a QR reference of 27 digits",
     {"21000000000313947143000901", "2100000000031394714300090170"}},
    {"QrRef", "all zeros", {"000000000000000000000000000"}},
    {"RfRef", "OK", {"rf18 5390 0754 7034", "RF741", "RF54H4X", "RF40123456789012345678901"}},
    {"RfRef",
     "the check digits of creditor reference RF19539007547034 are wrong",
     {"RF19539007547034"}},
    {"RfRef", "1 to 21 letters or digits", {"RF18", "RF001234567890123456789012"}},
    {"RfRef", "is not a creditor reference", {"RX18539007547034"}},
    {"Pairing", "OK", {"CH5800791123000889012|", "CH5800791123000889012|RF18 5390 0754 7034"}},
    {"Pairing", "OK", {"CH4431999123000889012|210000000003139471430009017"}},
    {"Pairing",
     "the QR-IBAN CH4431999123000889012 needs a QR reference of 27 digits",
     {"CH4431999123000889012|"}},
    {"Pairing", "needs a QR reference", {"CH4431999123000889012|RF18539007547034"}},
    {"Pairing", "check digit", {"CH4431999123000889012|210000000003139471430009018"}},
    {"Pairing",
     "is not a QR-IBAN and cannot take a QR reference",
     {"CH5800791123000889012|210000000003139471430009017"}},
    {"Pairing", "are wrong", {"CH5800791123000889012|RF19539007547034"}},
    {"Pairing", "check digits", {"CH5800791123000889013|"}},
    {"Currency", "OK", {"EUR"}},
    {"Currency", "is not a QR-bill currency (CHF or EUR)", {"USD", "chf"}},
    // Orange and red slips.
    {"PostAccount", "OK", {"010001628"}},
    {"PostAccount", "the check digit of account 01-162-9 is wrong (expected 8)", {"010001629"}},
    {"PostAccount", "is not a postal account number", {"01-162"}},
    {"EsrParticipant", "OK", {"01-305028-4"}},
    {"EsrParticipant", "the check digit of account 01-1234-5 is wrong (expected 1)", {"01-1234-5"}},
    {"EsrParticipant", "is not an ESR participant number", {"30-1234-8", "010000004"}},
    {"EsrRef", "OK", {"15 45300 00000 00000 00100 00018", "1234567890123456"}},
    {"EsrRef",
     "the check digit of ESR reference 154530000000000000010000019 is wrong (expected 8)",
     {"15 45300 00000 00000 00100 00019"}},
    {"EsrRef", "is not an ESR reference number of 16 or 27 digits", {"12345678901234567", "1A"}},
    {"EsrLine",
     "OK",
     {"0100005217750>154530000000000000010000018+ 010126482>",
      "042>154530000000000000010000018+ 010126482>"}},
    {"EsrLine",
     "amount block",
     {"0100005217751>154530000000000000010000018+ 010126482>",
      "0200005217750>154530000000000000010000018+ 010126482>"}},
    {"EsrLine",
     "check digit of reference",
     {"0100005217750>154530000000000000010000019+ 010126482>"}},
    {"EsrLine",
     "check digit of participant number",
     {"0100005217750>154530000000000000010000018+ 010126483>"}},
    {"EsrLine",
     "is not an ESR coding line",
     {"0100005217750>154530000000000000010000018+010126482>",
      "043>154530000000000000010000018+ 010126482>",
      "0100005217750>15453000000000000001000001+ 010126482>",
      "0100005217750>154530000000000000010000018+ 010126482>x"}},
    {"RedRef", "OK", {"AB12CD34EF"}},
    {"RedRef", "is not", {"ab12cd34ef", "123456789"}},
    {"RedLine1", "OK", {"123456789>", "123456789012345678901234567+ 071234567>"}},
    {"RedLine1", "is not", {"123456789012345678901234567+ 081234567>", "12345678>"}},
    {"RedLine2", "OK", {"123456789>"}},
    {"RedLine2", "is not a red slip coding line 2", {"1234567890>"}},
    // Numbers.
    {"VatRate", "OK", {"0", "8.1", "100"}},
    {"VatRate", "the VAT rate 100.5 is outside 0 to 100", {"100.5"}},
    {"VatRate", "is outside 0 to 100", {"-0.1"}},
    {"VatRate", "the VAT rate is not a finite number", {"nan"}},
    {"QrAmount", "OK", {"0.01", "999999999.99"}},
    {"QrAmount", "the amount 0.00 is outside 0.01 to 999999999.99", {"0"}},
    {"QrAmount", "is outside", {"0.004", "1000000000", "-5"}},
    {"QrAmount", "not a finite number", {"nan", "inf"}},
    {"Reminder", "OK", {"1", "3"}},
    {"Reminder", "the reminder level 0 is not 1, 2 or 3", {"0"}},
    {"Reminder", "is not 1, 2 or 3", {"4"}},
    {"RecordId", "OK", {"1", "999999999"}},
    {"RecordId", "is outside 1 to 999999999", {"0", "1000000000"}},
    {"Session", "OK", {"1", "999999"}},
    {"Session", "is outside 1 to 999999", {"0", "1000000"}},
    {"Factor", "OK", {"0.01"}},
    {"Factor", "the unit factor 0 is not above 0", {"0"}},
    {"Factor", "the unit factor is not a finite number", {"nan"}},
    {"External", "OK", {"0"}},
    {"External", "the external factor -0.5 is below 0", {"-0.5"}},
    {"External", "not a finite number", {"inf"}},
    {"Timestamp", "OK", {"1420066800", "1924902000"}},
    {"Timestamp", "is outside 1420066800 to 1924902000", {"1420066799", "1924902001", "0"}},
};

TEST(TextCheckTest, Verdicts) {
    for (const TextCase& c : kTextCases) {
        for (const std::string& value : c.values) {
            SCOPED_TRACE(std::string(c.check) + " \"" + value + "\"");
            auto number = NumberChecks().find(c.check);
            std::string verdict =
                Verdict(number != NumberChecks().end() ? number->second(std::stod(value))
                                                       : TextChecks().at(c.check)(value));
            if (c.expected == "OK") {
                EXPECT_EQ("OK", verdict);
            } else {
                EXPECT_NE(std::string::npos, verdict.find(c.expected)) << verdict;
                EXPECT_NE("OK", verdict);
            }
        }
    }
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
        for (const auto& [name, check] : TextChecks()) {
            CheckResult result = check(text);
            ASSERT_EQ(result.ok, result.rule.empty()) << name << " on \"" << text << "\"";
        }
        NormaliseUid(text);
        FormatParticipantNumber(text);
        ReferenceTypeOf(text);
    }
}

TEST(NumberCheckTest, Dates) {
    const double first = DateSerial(2024, 1, 1);
    const double last = DateSerial(2024, 12, 31);
    EXPECT_EQ("OK", Verdict(CheckDate(EarliestPlausibleDate())));
    EXPECT_EQ("OK", Verdict(CheckDate(LatestPlausibleDate() + 0.75)));
    EXPECT_EQ("the date 2100-01-01 is outside 1900-01-01 to 2099-12-31",
              Verdict(CheckDate(LatestPlausibleDate() + 1)));
    EXPECT_EQ("the date 1899-12-31 is outside 1900-01-01 to 2099-12-31", Verdict(CheckDate(1)));
    EXPECT_EQ("a date is required but none is given", Verdict(CheckDate(0)));
    EXPECT_EQ("the date is not a finite number", Verdict(CheckDate(kInf)));
    EXPECT_EQ("OK", Verdict(CheckOptionalDate(0)));
    EXPECT_NE("OK", Verdict(CheckOptionalDate(1e7)));
    EXPECT_EQ("OK", Verdict(CheckDateBetween(last + 0.9, first, last)));
    EXPECT_EQ("OK", Verdict(CheckDateBetween(first, first + 0.5, last)));
    EXPECT_EQ("the date 2025-01-01 is outside 2024-01-01 to 2024-12-31",
              Verdict(CheckDateBetween(last + 1, first, last)));
    EXPECT_EQ("OK", Verdict(CheckDateOrder(first, first + 0.5)));
    EXPECT_EQ("OK", Verdict(CheckDateOrder(0, first)));
    EXPECT_EQ("OK", Verdict(CheckDateOrder(first, 0)));
    EXPECT_EQ("the end date 2023-12-31 is before the begin date 2024-01-01",
              Verdict(CheckDateOrder(first, first - 1)));
}

// The functions that compute, normalise or format: value in, text out.
TEST(CheckDigitTest, ComputedAndFormattedValues) {
    using Fn = std::function<std::string(std::string_view)>;
    auto digit = [](int (*f)(std::string_view)) {
        return [f](std::string_view v) { return std::to_string(f(v)); };
    };
    const std::map<std::string, Fn> fn = {
        {"Gs1", digit(Gs1CheckDigit)},
        {"Mod10", digit(Mod10RecursiveCheckDigit)},
        {"Mod97", digit(Mod97)},
        {"QrDigit", digit(QrReferenceCheckDigit)},
        {"Fives", GroupInFivesFromRight},
        {"Blanks", WithoutBlanks},
        {"GlnDigit", GlnWithCheckDigit},
        {"Ahv", NormaliseAhvNumber},
        {"Uid", NormaliseUid},
        {"Iban", NormaliseIban},
        {"QrRef", NormaliseQrReference},
        {"FormatQr", FormatQrReference},
        {"RfRef", NormaliseCreditorReference},
        {"EsrRef", NormaliseEsrReference},
        {"FormatEsr", FormatEsrReference},
        {"Digits", ParticipantNumberDigits},
        {"Account", FormatParticipantNumber},
        {"Quote", Quote},
    };
    std::string umlauts;
    for (int i = 0; i < 45; ++i) umlauts += "\xC3\xBC";
    const struct {
        const char* fn;
        std::string in, out;
    } cases[] = {
        {"Gs1", "760100300018", "4"},  // GLN 7601003000184
        {"Gs1", "756921707698", "5"},  // AHV 756.9217.0769.85
        {"Gs1", "1", "7"},             // weight 3 on the rightmost digit
        {"Gs1", "11", "6"},
        {"Mod10", "21000000000313947143000901", "7"},
        {"Mod10", "15453000000000000001000001", "8"},
        {"Mod10", "01000162", "8"},
        {"Mod10", "04", "2"},
        {"Mod10", "010000521775", "0"},
        {"Mod97", "31999123000889012CH44", "1"},
        {"Mod97", "AZ", "65"},  // 1035 % 97
        {"QrDigit", "21000000000313947143000901", "7"},
        {"Fives", "210000000003139471430009017", "21 00000 00003 13947 14300 09017"},
        {"Fives", "1234567890123456", "1 23456 78901 23456"},
        {"Fives", "1234567890", "12345 67890"},
        {"Fives", "", ""},
        {"Blanks", " CH44 3199\t9 ", "CH4431999"},
        {"GlnDigit", "7601003000180", "7601003000184"},
        {"GlnDigit", "760100300018", "7601003000184"},
        {"Ahv", "756.9217.0769.85", "7569217076985"},
        {"Uid", "che-123.456.788", "CHE123456788"},
        {"Iban", " li21 0881 0000 2324 013a a ", "LI21088100002324013AA"},
        {"QrRef", "21 00000 00003 13947 14300 09017", "210000000003139471430009017"},
        {"FormatQr", "210000000003139471430009017", "21 00000 00003 13947 14300 09017"},
        {"RfRef", "rf18 5390 0754 7034", "RF18539007547034"},
        {"EsrRef", "15 45300 00000 00000 00100 00018", "154530000000000000010000018"},
        {"FormatEsr", "1234567890123456", "1 23456 78901 23456"},
        {"Digits", "01-162-8", "010001628"},
        {"Digits", "01-305028-4", "013050284"},
        {"Digits", "1-162-8", ""},
        {"Digits", "01-1234567-8", ""},
        {"Digits", "01000162", ""},
        {"Account", "010001628", "01-162-8"},
        {"Account", "01-000162-8", "01-162-8"},
        {"Account", "010000009", "01-0-9"},
        {"Account", "01-16a-8", ""},
        {"Quote", std::string(50, 'x'), "\"" + std::string(40, 'x') + "...\""},
        {"Quote", umlauts, "\"" + umlauts.substr(0, 80) + "...\""},  // whole characters
    };
    for (const auto& c : cases) EXPECT_EQ(c.out, fn.at(c.fn)(c.in)) << c.fn << " " << c.in;

    EXPECT_TRUE(IsDigits("0123456789"));
    EXPECT_FALSE(IsDigits(""));
    EXPECT_FALSE(IsUpperAlnum("Az09"));
    EXPECT_EQ(6u, Utf8Length(kZurich));
    EXPECT_EQ(1u, Utf8Length("\xF0\x9F\x98\x80"));
    EXPECT_TRUE(IsQrIban("LI0031999000000000000"));
    EXPECT_FALSE(IsQrIban("CH0029999000000000000"));
    EXPECT_FALSE(IsQrIban("CH0032000000000000000"));
    EXPECT_FALSE(IsQrIban("DE0030000000000000000"));
    EXPECT_EQ(QrReferenceType::kNon, ReferenceTypeOf("  "));
    EXPECT_EQ(QrReferenceType::kScor, ReferenceTypeOf("rf18 5390"));
    EXPECT_EQ(QrReferenceType::kQrr, ReferenceTypeOf("21 00000"));
}

TEST(TextCheckTest, EveryCantonOfTheEnumerationPasses) {
    const invoice::EnumTable& cantons = invoice::TableOf<invoice::Canton>();
    for (size_t i = 0; i < cantons.count; ++i) {
        EXPECT_TRUE(CheckCanton(cantons.entries[i].schema).ok) << cantons.entries[i].schema;
    }
}

TEST(CheckDigitTest, CodingLineIsMadeAsItIsChecked) {
    EXPECT_EQ("0100005217750>154530000000000000010000018+ 010126482>",
              MakeEsrCodingLine(521775, "15 45300 00000 00000 00100 00018", "01-12648-2"));
    EXPECT_EQ("042>154530000000000000010000018+ 010126482>",
              MakeEsrCodingLine(-1, "154530000000000000010000018", "010126482"));
    EXPECT_EQ("0100000000005>154530000000000000010000018+ 010126482>",
              MakeEsrCodingLine(0, "154530000000000000010000018", "010126482"));
}

TEST(DateTextTest, SerialsAndDays) {
    EXPECT_EQ(0.0, DateSerial(1899, 12, 30));
    EXPECT_EQ(61.0, DateSerial(1900, 3, 1));  // no 1900-02-29 in OLE dates
    EXPECT_EQ(45352.0, DateSerial(2024, 3, 1));
    EXPECT_EQ(kMinOleDate, DateSerial(100, 1, 1));
    EXPECT_EQ(kMaxOleDate, DateSerial(10000, 1, 1));
    EXPECT_EQ("2024-03-01", DateText(45352.99));
    EXPECT_EQ("1899-12-29", DateText(-1.25));  // the fraction counts forward from midnight
    EXPECT_EQ("1899-12-30", DateText(-0.5));
    EXPECT_EQ("9999-12-31", DateText(kMaxOleDate - 0.5));
    EXPECT_EQ("(out of range)", DateText(kMaxOleDate));
    EXPECT_EQ("(out of range)", DateText(kMinOleDate - 1));
    EXPECT_EQ("(out of range)", DateText(kNaN));
    for (double day = DateSerial(1899, 1, 1); day < DateSerial(2101, 1, 1); ++day) {
        std::string text = DateText(day);
        ASSERT_EQ(day, DateSerial(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)),
                                  std::stoi(text.substr(8, 2))))
            << text;
    }
}

}  // namespace
}  // namespace checks
