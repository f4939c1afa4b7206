#include "module/objects/service_input_object.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "bridge/module_interfaces.h"
#include "module/checks/check_dates.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/request_sample_invoice.h"

// The service input of AddServiceEx: its values with their defaults and
// limits, its lists with their filters, and the refusals.

namespace {

using com_reads::Call;
using com_reads::Joined;
using com_reads::Read;
using I = IServiceExInput;

const char kEanA[] = "7601000000001";
const char kEanB[] = "2000000000002";
const DATE kBirth = checks::DateSerial(1975, 6, 30);

// Dignities or sections by the criteria of the first read, joined by ' '.
template <class First, class Next>
std::string Listed(I* in, First first, Next next, const BSTR& ean = "", const BSTR& code = "") {
    std::vector<std::string> reads{com_reads::ReadCall<BSTR, BSTR, VARIANT_BOOL>(
        [&](BSTR* a, BSTR* b, VARIANT_BOOL* s) { return (in->*first)(ean, code, a, b, s); })};
    while (reads.back().rfind("ok", 0) == 0) reads.push_back(Read(in, next));
    return Joined(reads);
}

// An input read whole: its physician, patient, treatment and factors, then
// its tokens, dignities and sections, each list as the reads of its walk.
std::string State(I* in) {
    return Joined({Read(in, &I::GetPhysician), Read(in, &I::GetPatient), Read(in, &I::GetTreatment),
                   Read(in, &I::GetExternalFactor_MT), Read(in, &I::GetExternalFactor_TT),
                   com_reads::Walk(in, &I::GetFirstToken, &I::GetNextToken),
                   Listed(in, &I::GetFirstDignity, &I::GetNextDignity),
                   Listed(in, &I::GetFirstSection, &I::GetNextSection)});
}

// Each setter with one parameter at its limit (taken) and one past it
// (refused with the parameter named, nothing changed; a null status); the
// factors at the ends of their range (taken) and past them. Then what was
// taken: the lists with their filters, a walk staying at its end and
// restarted by a first read; each Init empties its own list only,
// Initialize all but the tariff type (to the defaults of a new input). The
// input is one for the tariff 001 as a client gets it (manager, request,
// GetCreateServiceExInput).
TEST(ServiceInputTest, RefusalsChangeNothingValuesAndListsAreTakenFilteredAndReset) {
    request_test::TestModule module;
    ComPtr<I> input;
    ASSERT_EQ(S_OK, module.request->GetCreateServiceExInput("001", input.ReleaseAndGetAddressOf()));
    I* in = input.Get();
    VARIANT_BOOL status = VARIANT_FALSE;
    auto abort_text = [in] { return Read(in, &I::GetAbortInfo); };
    const std::string v700(700, 'v');
    // Each setter call with the refusal it gets when its bad value is given.
    const std::pair<com_reads::Setter<I>, const char*> rows[] = {
        {Call<2>(&I::SetPhysician, "760100000000", 1, 1, kEanA, kEanB),
         "SetPhysician: bstrEanNumberProvider"},
        {Call<0>(&I::SetPatient, checks::DateSerial(1850, 1, 1), kBirth, 2),
         "SetPatient: dBirthdate"},
        {Call<0>(&I::SetTreatment, 32, 31, 6, 1, 2, ""), "SetTreatment: eCanton 32"},
        {Call<0>(&I::AddToken, "", "age", "42"), "AddToken: bstrToken"},
        {Call<1>(&I::AddToken, v700 + "v", "weight", v700), "AddToken: bstrValue"},
        {Call<1>(&I::AddSection, "1234567", kEanB, "123456"), "AddSection: bstrCode"},
    };
    for (const auto& [call, refusal] : rows) {
        EXPECT_EQ(S_OK, call(in, &status, true)) << refusal << abort_text();
        const std::string before = State(in);
        EXPECT_EQ(E_INVALIDARG, call(in, &status, false)) << refusal;
        EXPECT_EQ(0u, abort_text().find("ok|" + std::string(refusal))) << abort_text();
        EXPECT_EQ(before, State(in)) << refusal;
        EXPECT_EQ(E_POINTER, call(in, nullptr, true)) << refusal;
    }
    ASSERT_EQ(S_OK, in->PutExternalFactor_MT(0));
    ASSERT_EQ(S_OK, in->PutExternalFactor_TT(1000));
    for (double bad : {-0.01, 1000.5, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(E_INVALIDARG, in->PutExternalFactor_MT(bad));
        EXPECT_EQ(0u, abort_text().find("ok|PutExternalFactor_MT: dExternalFactor_MT"));
    }
    ASSERT_EQ(S_OK, in->AddToken("empty", "", &status));
    ASSERT_EQ(S_OK, in->AddDignity(kEanA, "0500", &status));
    ASSERT_EQ(S_OK, in->AddDignity(kEanB, "0500", &status));
    ASSERT_EQ(S_OK, in->AddDignity(kEanA, "1000", &status));
    ASSERT_EQ(S_OK, in->AddSection(kEanA, "M100", &status));
    const std::string a = std::string("ok|") + kEanA, b = std::string("ok|") + kEanB;
    const std::string values = "ok|1|1|" + std::string(kEanA) + "|" + kEanB +
                               "|T ok|27575|2|T ok|31|6|1|2||T ok|0 ok|1000";
    const std::string dignities = a + "|0500|T " + b + "|0500|T " + a + "|1000|T end|||F";
    EXPECT_EQ(values + " ok|age|42|T ok|weight|" + v700 + "|T ok|empty||T end|||F " + dignities +
                  " " + b + "|123456|T " + a + "|M100|T end|||F",
              State(in));
    EXPECT_EQ("end|||F ok|age|42|T end|||F",
              Joined({Read(in, &I::GetNextToken), Read(in, &I::GetFirstToken),
                      Read(in, &I::GetNextSection)}));
    EXPECT_EQ(Joined({a + "|0500|T " + a + "|1000|T end|||F",
                      a + "|0500|T " + b + "|0500|T end|||F", "end|||F"}),
              Joined({Listed(in, &I::GetFirstDignity, &I::GetNextDignity, kEanA),
                      Listed(in, &I::GetFirstDignity, &I::GetNextDignity, "", "0500"),
                      Listed(in, &I::GetFirstSection, &I::GetNextSection, kEanA, "123456")}));
    ASSERT_EQ(S_OK, in->InitToken(&status));
    ASSERT_EQ(S_OK, in->InitSection(&status));
    EXPECT_EQ(values + " end|||F " + dignities + " end|||F", State(in));
    ASSERT_EQ(S_OK, in->InitDignity(&status));
    EXPECT_EQ(values + " end|||F end|||F end|||F", State(in));
    ASSERT_EQ(S_OK, in->AddToken("a", "1", &status));
    ASSERT_EQ(S_OK, in->Initialize(&status));
    EXPECT_EQ("001", AsServiceInputImpl(in)->Snapshot().tariff_type);
    EXPECT_EQ("ok|1|3|||T ok|0|1|T ok|1|1|1|1||T ok|1 ok|1 end|||F end|||F end|||F", State(in));
}

}  // namespace
