// Every check takes any text: random input must neither crash nor throw, and
// a result carries a rule exactly when it failed. Run under the sanitizers
// this also catches reads past the end of a value.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "module/checks/check_esr.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/check_payment.h"
#include "module/checks/value_checks.h"

namespace checks {
namespace {

using TextCheck = std::function<CheckResult(std::string_view)>;

std::vector<std::pair<const char*, TextCheck>> AllTextChecks() {
    return {
        {"Utf8", CheckUtf8},
        {"XmlText", CheckXmlText},
        {"Text", [](std::string_view v) { return CheckText(v, 1, 35); }},
        {"Canton", CheckCanton},
        {"IsoCountryCode", CheckIsoCountryCode},
        {"Email", CheckEmail},
        {"Url", CheckUrl},
        {"TariffType", CheckTariffType},
        {"EanParty", CheckEanParty},
        {"Gln", CheckGln},
        {"Zsr", CheckZsr},
        {"Nif", CheckNif},
        {"Ssn", CheckSsn},
        {"AhvNumber", CheckAhvNumber},
        {"IvgCaseId", CheckIvgCaseId},
        {"Uid", CheckUid},
        {"Iban", CheckIban},
        {"SwissIban", CheckSwissIban},
        {"QrIban", CheckQrIban},
        {"QrReference", CheckQrReference},
        {"CreditorReference", CheckCreditorReference},
        {"Currency", CheckCurrency},
        {"PostAccount", CheckPostAccount},
        {"EsrParticipantNumber", CheckEsrParticipantNumber},
        {"EsrReference", CheckEsrReference},
        {"EsrCodingLine", CheckEsrCodingLine},
        {"EsrRedReference", CheckEsrRedReference},
        {"EsrRedCodingLine1", CheckEsrRedCodingLine1},
        {"EsrRedCodingLine2", CheckEsrRedCodingLine2},
        {"Pairing", [](std::string_view v) { return CheckQrIbanAndReference(v, v); }},
    };
}

// A random text built from the characters these numbers are made of, plus
// blanks, separators and stray UTF-8 bytes.
std::string RandomText(std::mt19937* random) {
    static const std::string kAlphabet =
        "0000011111223456789CHLIRFEabz -.>+@\t\n\x01\xC3\xBC\xE2\x82\xAC\xFF";
    std::uniform_int_distribution<int> length(0, 45);
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string text;
    for (int n = length(*random); n > 0; --n) text += kAlphabet[pick(*random)];
    return text;
}

TEST(CheckRobustnessTest, RandomTextNeverBreaksAChecker) {
    std::mt19937 random(20240301);
    auto checks = AllTextChecks();
    for (int round = 0; round < 3000; ++round) {
        std::string text = RandomText(&random);
        for (const auto& [name, check] : checks) {
            CheckResult result = check(text);
            ASSERT_EQ(result.ok, result.rule.empty()) << name << " on \"" << text << "\"";
        }
        // Normalisers and formatters take any text as well.
        NormaliseIban(text);
        NormaliseUid(text);
        FormatParticipantNumber(text);
        ParticipantNumberDigits(text);
        ReferenceTypeOf(text);
    }
}

TEST(CheckRobustnessTest, NormalisedValuesStillPass) {
    const char* const kIbans[] = {" ch44 3199 9123 0008 8901 2", "LI21 0881 0000 2324 013A A"};
    for (const char* iban : kIbans) {
        ASSERT_TRUE(CheckIban(iban).ok);
        EXPECT_TRUE(CheckIban(NormaliseIban(iban)).ok);
    }
    std::string reference = "21 00000 00003 13947 14300 09017";
    EXPECT_TRUE(CheckQrReference(NormaliseQrReference(reference)).ok);
    EXPECT_TRUE(CheckQrReference(FormatQrReference(reference)).ok);
    EXPECT_TRUE(CheckEsrParticipantNumber(FormatParticipantNumber("010001628")).ok);
    EXPECT_TRUE(CheckUid(NormaliseUid("che-123.456.788")).ok);
}

}  // namespace
}  // namespace checks
