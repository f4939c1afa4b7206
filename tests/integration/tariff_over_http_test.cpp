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

using invoice_http::Fill;
using invoice_http::kBillerGln;
using invoice_http::kInput;
using invoice_http::kInvalidArg;
using invoice_http::kRequest;

const char kExampleCsv[] = TARVOS_SOURCE_DIR "/docs/tariff-catalog-example.csv";

// Imports the example catalog with the service's own invoicetool.
void Import(const ServerProcess& server, const std::string& db) {
    CommandRun run = RunCommand("'" + server.folder() + "invoicetool' catalog import '" +
                                kExampleCsv + "' '" + db + "'");
    ASSERT_EQ(0, run.exit_code) << run.output;
}

// AddServiceEx of the example's knee ultrasound (needs the dignity EXDIG-US
// and a body side) on `side`.
invoice_http::Answer AddKneeUltrasound(const invoice_http::Client& client, int request, int input,
                                       int side) {
    return client.Post(
        kRequest, "AddServiceEx", request,
        Fill(R"({"pIServiceExInput":$,"bstrTariffType":"X99","bstrCode":"EX.0050",)"
             R"("bstrReferenceCode":"","dQuantity":1,"lSessionNumber":1,)"
             R"("dDateBegin":"2024-03-01","dDateEnd":0,"eSide":$,"bstrText":"Knee",)"
             R"("dUnitMT":30.5,"dUnitFactorMT":1,"dUnitInternalScalingFactorMT":1,"dAmountMT":0,)"
             R"("dUnitTT":41.25,"dUnitFactorTT":1,"dUnitInternalScalingFactorTT":1,"dAmountTT":0,)"
             R"("dAmount":0,"dVatRate":0,"eIsObligatory":1,"bstrRemark":"","lGroupSize":1,)"
             R"("bstrSectionCode":"","eIgnoreValidate":0,"lServiceAttributes":0})",
             {std::to_string(input), std::to_string(side)}));
}

TEST(TariffOverHttpTest, TheCatalogBesideTheServiceOrNamedByTheIniChecksAddServiceEx) {
    for (const char* name : {"tariffs.sqlite", "catalogs/example.sqlite"}) {
        SCOPED_TRACE(name);
        ServerProcess server({name[0] == 'c' ? "TariffCatalog=catalogs/example.sqlite" : ""});
        std::filesystem::create_directory(server.folder() + "catalogs");
        Import(server, server.folder() + name);
        ASSERT_TRUE(server.Start()) << server.Output();
        EXPECT_NE(std::string::npos,
                  server.ReadLog().find("Tariff catalog <" + server.folder() + name +
                                        ">: 10 code versions of the tariff types X99"))
            << server.ReadLog();

        invoice_http::Client client(server);
        int request = client.Request(client.Manager());
        int input = invoice_http::Physician(client, request, "X99", kBillerGln);
        invoice_http::Answer refused = AddKneeUltrasound(client, request, input, 2);
        EXPECT_NE(std::string::npos,
                  ExpectEnvelope(refused, kInvalidArg).find("tariff rule dignity"));
        client.Call(kInput, "AddDignity", input,
                    Fill(R"({"bstrEanNumber":"$","bstrQLCode":"EXDIG-US"})", {kBillerGln}));
        EXPECT_EQ(
            "AddServiceEx: tariff rule side: X99 EX.0050 needs a body side: eSide 2 (left) or 3 "
            "(right), not 1 (none)",
            ExpectEnvelope(AddKneeUltrasound(client, request, input, 1), kInvalidArg));
        invoice_http::Answer accepted = AddKneeUltrasound(client, request, input, 2);
        EXPECT_EQ(R"({"pbStatus":true,"plID":1})", accepted.text);
    }
}

}  // namespace
