// The tariff checks of the running service: a catalog imported by
// invoicetool beside the executable or named by TariffCatalog in the INI
// file, AddServiceEx refused and accepted over HTTP.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/integration/command_run.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"

namespace {

using namespace invoice_http;

const char kExampleCsv[] = TARVOS_SOURCE_DIR "/docs/tariff-catalog-example.csv";

// The rules themselves are the engine's (its tariff tests); here: that the
// service finds the catalog (imported by its own invoicetool) and applies
// it to AddServiceEx of the example's knee ultrasound on the left, which
// needs the dignity EXDIG-US and a body side.
TEST(TariffOverHttpTest, TheCatalogBesideTheServiceOrNamedByTheIniChecksAddServiceEx) {
    for (const char* name : {"tariffs.sqlite", "catalogs/example.sqlite"}) {
        SCOPED_TRACE(name);
        ServerProcess server({name[0] == 'c' ? "TariffCatalog=catalogs/example.sqlite" : ""});
        std::filesystem::create_directory(server.folder() + "catalogs");
        CommandRun import = RunCommand("'" + server.folder() + "invoicetool' catalog import '" +
                                       kExampleCsv + "' '" + server.folder() + name + "'");
        ASSERT_EQ(0, import.exit_code) << import.output;
        ASSERT_TRUE(server.Start()) << server.Output();

        Client client(server);
        int request = client.Request(client.Manager()), input = client.ServiceInput(request, "X99");
        client.Call(kInput, "SetPhysician", input, Physician(kBillerGln));
        const std::string knee = Fill(
            R"({"pIServiceExInput":$,"bstrTariffType":"X99","bstrCode":"EX.0050",)"
            R"("bstrReferenceCode":"","dQuantity":1,"lSessionNumber":1,)"
            R"("dDateBegin":"2024-03-01","dDateEnd":0,"eSide":2,"bstrText":"Knee",)"
            R"("dUnitMT":30.5,"dUnitFactorMT":1,"dUnitInternalScalingFactorMT":1,"dAmountMT":0,)"
            R"("dUnitTT":41.25,"dUnitFactorTT":1,"dUnitInternalScalingFactorTT":1,"dAmountTT":0,)"
            R"("dAmount":0,"dVatRate":0,"eIsObligatory":1,"bstrRemark":"","lGroupSize":1,)"
            R"("bstrSectionCode":"","eIgnoreValidate":0,"lServiceAttributes":0})",
            {std::to_string(input)});
        EXPECT_NE(std::string::npos,
                  ExpectEnvelope(client.Post(kRequest, "AddServiceEx", request, knee), kInvalidArg)
                      .find("tariff rule dignity"));
        client.Call(kInput, "AddDignity", input,
                    Fill(R"({"bstrEanNumber":"$","bstrQLCode":"EXDIG-US"})", {kBillerGln}));
        EXPECT_EQ(R"({"pbStatus":true,"plID":1})",
                  client.Post(kRequest, "AddServiceEx", request, knee).text);
    }
}

}  // namespace
