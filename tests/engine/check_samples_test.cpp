// The value checks against the published sample invoices that pass the
// invoice schema: whatever the schema accepts there, the schema-level checks
// must accept too.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "module/checks/check_dates.h"
#include "module/checks/check_esr.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/check_payment.h"
#include "module/checks/value_checks.h"
#include "tests/refdata.h"

namespace checks {
namespace {

const std::string kRefdata = RefdataDir();

// Samples that validate against their schema (4.50 and 4.40).
const char* const kValidSamples[] = {
    "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml",
    "samples440/elexis_elexis-3-base_md_440_tg_kvg_3793.xml",
    "samples440/elexis_elexis-3-base_md_440_tg_uvg_3783.xml",
    "samples440/elexis_elexis-3-base_erroneous44_1.xml",
    "samples440/elexis_elexis-3-base_noerroneous44_2.xml",
    "samples440/elexis_elexis-3-base_existing44_1.xml",
    "samples440/elexis_elexis-3-base_update_212.xml",
    "samples440/elexis_elexis-3-base_update_213.xml",
    "samples440/elexis_elexis-3-base_update_214.xml",
    "samples440/metasfresh_metasfresh_44_KANTON_49-01-2019_115414041.xml",
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Unescape(std::string value) {
    const std::pair<const char*, const char*> kEntities[] = {
        {"&gt;", ">"}, {"&lt;", "<"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, text] : kEntities) {
        for (std::size_t at = value.find(entity); at != std::string::npos;
             at = value.find(entity, at + 1)) {
            value.replace(at, std::string(entity).size(), text);
        }
    }
    return value;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Values of attribute `name` anywhere in `xml`.
std::vector<std::string> Attributes(const std::string& xml, const std::string& name) {
    std::vector<std::string> values;
    const std::string key = name + "=\"";
    for (std::size_t at = xml.find(key); at != std::string::npos; at = xml.find(key, at + 1)) {
        if (at == 0 || !IsBlank(xml[at - 1])) continue;
        std::size_t begin = at + key.size();
        values.push_back(Unescape(xml.substr(begin, xml.find('"', begin) - begin)));
    }
    return values;
}

// Texts of the elements `invoice:<name>` in `xml`.
std::vector<std::string> Elements(const std::string& xml, const std::string& name) {
    std::vector<std::string> values;
    const std::string open = "<invoice:" + name;
    const std::string close = "</invoice:" + name + ">";
    for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
        char next = xml[at + open.size()];
        if (next != '>' && !IsBlank(next)) continue;
        std::size_t begin = xml.find('>', at) + 1;
        values.push_back(Unescape(xml.substr(begin, xml.find(close, begin) - begin)));
    }
    return values;
}

class SampleInvoiceTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        REQUIRE_REFDATA();
        xml_ = ReadFile(kRefdata + GetParam());
        ASSERT_FALSE(xml_.empty()) << "cannot read " << kRefdata + GetParam();
    }

    // Applies `check` to every value and counts them.
    template <typename Check>
    int ExpectAllPass(const std::vector<std::string>& values, Check check) {
        for (const std::string& value : values) {
            CheckResult result = check(value);
            EXPECT_TRUE(result.ok) << GetParam() << ": " << result.rule;
        }
        return static_cast<int>(values.size());
    }

    std::string xml_;
};

TEST_P(SampleInvoiceTest, PartyIdentifiersPassTheSchemaLevel) {
    EXPECT_GT(ExpectAllPass(Attributes(xml_, "ean_party"), CheckEanParty), 0);
    ExpectAllPass(Attributes(xml_, "zsr"), CheckZsr);
    ExpectAllPass(Attributes(xml_, "ssn"), CheckSsn);
    ExpectAllPass(Attributes(xml_, "nif"), CheckNif);
    ExpectAllPass(Attributes(xml_, "vat_number"), CheckVatNumber);
    ExpectAllPass(Attributes(xml_, "uid_number"), CheckVatNumber);
}

TEST_P(SampleInvoiceTest, AddressesPass) {
    auto name = [](const std::string& value) { return CheckText(value, 1, 35); };
    EXPECT_GT(ExpectAllPass(Elements(xml_, "familyname"), name) +
                  ExpectAllPass(Elements(xml_, "companyname"), name),
              0);
    ExpectAllPass(Elements(xml_, "givenname"), name);
    ExpectAllPass(Elements(xml_, "street"), name);
    ExpectAllPass(Elements(xml_, "city"), name);
    EXPECT_GT(ExpectAllPass(Elements(xml_, "zip"), CheckZip), 0);
    ExpectAllPass(Attributes(xml_, "countrycode"), CheckCountryCode);
    ExpectAllPass(Attributes(xml_, "statecode"), CheckStateCode);
    ExpectAllPass(Elements(xml_, "phone"), CheckPhone);
    ExpectAllPass(Elements(xml_, "email"), CheckEmail);
}

TEST_P(SampleInvoiceTest, RequestDataPass) {
    EXPECT_GT(ExpectAllPass(Attributes(xml_, "request_timestamp"),
                            [](const std::string& value) {
                                return CheckRequestTimestamp(std::stoll(value));
                            }),
              0);
    ExpectAllPass(Attributes(xml_, "canton"), CheckCanton);
    ExpectAllPass(Attributes(xml_, "tariff_type"), CheckTariffType);
    ExpectAllPass(Attributes(xml_, "vat_rate"),
                  [](const std::string& value) { return CheckVatRate(std::stod(value)); });
}

TEST_P(SampleInvoiceTest, PaymentSlipDataPass) {
    for (const std::string& number : Attributes(xml_, "participant_number")) {
        // The schema fixes the printed layout; some test numbers carry a
        // wrong check digit, so only the layout is compared here.
        EXPECT_EQ(number, FormatParticipantNumber(number)) << GetParam();
    }
    for (const std::string& line : Attributes(xml_, "coding_line")) {
        // Some test lines code a dummy participant number with a wrong check
        // digit; everything else in them must pass.
        ASSERT_GT(line.size(), 10u);
        std::string participant = line.substr(line.size() - 10, 9);
        CheckResult result = CheckEsrCodingLine(line);
        if (CheckPostAccount(participant).ok) {
            EXPECT_TRUE(result.ok) << GetParam() << ": " << result.rule;
        } else {
            EXPECT_EQ("the check digit of participant number " + participant +
                          " in the coding line is wrong",
                      result.rule);
        }
    }
    ExpectAllPass(Attributes(xml_, "iban"), CheckSwissIban);
    for (const std::string& reference : Attributes(xml_, "reference_number")) {
        if (reference.find(' ') != std::string::npos) {  // esr9
            EXPECT_TRUE(CheckEsrReference(reference).ok) << reference;
            EXPECT_EQ(reference, FormatEsrReference(reference));
        } else if (ReferenceTypeOf(reference) == QrReferenceType::kScor) {
            EXPECT_TRUE(CheckCreditorReference(reference).ok) << reference;
        } else {
            EXPECT_TRUE(CheckQrReference(reference).ok) << reference;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ValidSamples, SampleInvoiceTest, ::testing::ValuesIn(kValidSamples));

TEST(SampleInvoiceFactsTest, QrSamplePairsAnOrdinaryIbanWithAQrReference) {
    REQUIRE_REFDATA();
    // The schema does not tie the reference to the IBAN, and its QR sample
    // does not follow the QR-bill rule: the pairing belongs to the QR-bill.
    std::string xml = ReadFile(kRefdata + kValidSamples[0]);
    std::vector<std::string> iban = Attributes(xml, "iban");
    std::vector<std::string> reference = Attributes(xml, "reference_number");
    ASSERT_EQ(1u, iban.size());
    ASSERT_EQ(1u, reference.size());
    EXPECT_FALSE(IsQrIban(iban[0]));
    EXPECT_TRUE(CheckQrReference(reference[0]).ok);
    EXPECT_FALSE(CheckQrIbanAndReference(iban[0], reference[0]).ok);
}

}  // namespace
}  // namespace checks
