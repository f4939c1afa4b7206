// The value checks against the published sample invoices that pass their
// schema: whatever the schema accepts there, the schema-level checks accept.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "module/checks/check_dates.h"
#include "module/checks/check_esr.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/check_payment.h"
#include "module/checks/value_checks.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/refdata.h"

namespace checks {
namespace {

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

using module::testing_support::XPathValues;

class SampleInvoiceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleInvoiceTest, SchemaLevelChecksAcceptTheValues) {
    REQUIRE_REFDATA();
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> held(
        xmlReadFile(Refdata(GetParam()).c_str(), nullptr, XML_PARSE_NONET), xmlFreeDoc);
    xmlDocPtr xml = held.get();
    ASSERT_NE(nullptr, xml) << Refdata(GetParam());
    const std::vector<std::pair<std::string, std::function<CheckResult(std::string_view)>>> checks =
        {
            {"//@ean_party", CheckEanParty},
            {"//@zsr", CheckZsr},
            {"//@ssn", CheckSsn},
            {"//@nif", CheckNif},
            {"//@vat_number | //@uid_number", CheckVatNumber},
            {"//i:familyname | //i:companyname | //i:givenname | //i:street | //i:city",
             [](std::string_view v) { return CheckText(v, 1, 35); }},
            {"//i:zip", CheckZip},
            {"//@countrycode", CheckCountryCode},
            {"//@statecode", CheckStateCode},
            {"//i:phone", CheckPhone},
            {"//i:email", CheckEmail},
            {"//@canton", CheckCanton},
            {"//@tariff_type", CheckTariffType},
            {"//@vat_rate",
             [](std::string_view v) { return CheckVatRate(std::stod(std::string(v))); }},
            {"//@iban", CheckSwissIban},
            {"//@request_timestamp",
             [](std::string_view v) { return CheckRequestTimestamp(std::stoll(std::string(v))); }},
        };
    int seen = 0;
    for (const auto& [attribute, check] : checks) {
        for (const std::string& value : XPathValues(xml, attribute)) {
            CheckResult result = check(value);
            EXPECT_TRUE(result.ok) << attribute << ": " << result.rule;
            ++seen;
        }
    }
    EXPECT_GT(seen, 20);
    for (const std::string& number : XPathValues(xml, "//@participant_number")) {
        // The layout only: some test numbers carry a wrong check digit.
        EXPECT_EQ(number, FormatParticipantNumber(number));
    }
}

INSTANTIATE_TEST_SUITE_P(ValidSamples, SampleInvoiceTest, ::testing::ValuesIn(kValidSamples));

}  // namespace
}  // namespace checks
