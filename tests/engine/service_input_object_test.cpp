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

// An input for the tariff 001 as a client gets it (manager, request,
// GetCreateServiceExInput), read whole: Values() its physician, patient,
// treatment and factors, Entries() its tokens, dignities and sections, each
// list as the reads of its walk joined by ' '.
class ServiceInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(S_OK,
                  module_.request->GetCreateServiceExInput("001", input_.ReleaseAndGetAddressOf()));
    }

    std::string AbortText() { return Read(input_.Get(), &I::GetAbortInfo); }
    std::string Values() {
        I* in = input_.Get();
        return Joined({Read(in, &I::GetPhysician), Read(in, &I::GetPatient),
                       Read(in, &I::GetTreatment), Read(in, &I::GetExternalFactor_MT),
                       Read(in, &I::GetExternalFactor_TT)});
    }
    // Dignities and sections by the criteria of the first read.
    template <class First, class Next>
    std::string Listed(First first, Next next, const std::string& ean = "",
                       const std::string& code = "") {
        I* in = input_.Get();
        std::vector<std::string> reads{com_reads::ReadCall<BSTR, BSTR, VARIANT_BOOL>(
            [&](BSTR* a, BSTR* b, VARIANT_BOOL* s) { return (in->*first)(ean, code, a, b, s); })};
        while (reads.back().rfind("ok", 0) == 0) reads.push_back(Read(in, next));
        return Joined(reads);
    }
    std::string Entries() {
        return Joined({Joined(com_reads::Walk(input_.Get(), &I::GetFirstToken, &I::GetNextToken)),
                       Listed(&I::GetFirstDignity, &I::GetNextDignity),
                       Listed(&I::GetFirstSection, &I::GetNextSection)});
    }

    request_test::TestModule module_;
    ComPtr<I> input_;
    VARIANT_BOOL status_ = VARIANT_FALSE;
};

// Values taken (the physician and the treatment are read back over HTTP) and
// the factors at the ends of their range (the other ends are taken in the refusal table); the
// lists with their filters, a walk staying at its end and restarted by a
// first read; each Init empties its own list only, Initialize all but the
// tariff type.
TEST_F(ServiceInputTest, ValuesAndListsAreTakenFilteredAndReset) {
    I* in = input_.Get();
    const std::string defaults = "ok|1|3|||T ok|0|1|T ok|1|1|1|1||T ok|1 ok|1";
    EXPECT_EQ(defaults, Values());
    ASSERT_EQ(S_OK, in->SetPatient(kBirth, 2, &status_));
    ASSERT_EQ(S_OK, in->PutExternalFactor_MT(0));
    ASSERT_EQ(S_OK, in->PutExternalFactor_TT(1000));
    const std::string values = "ok|1|3|||T ok|27575|2|T ok|1|1|1|1||T ok|0 ok|1000";
    ASSERT_EQ(S_OK, in->AddToken("age", "42", &status_));
    ASSERT_EQ(S_OK, in->AddToken("weight", "", &status_));
    ASSERT_EQ(S_OK, in->AddDignity(kEanA, "0500", &status_));
    ASSERT_EQ(S_OK, in->AddDignity(kEanB, "0500", &status_));
    ASSERT_EQ(S_OK, in->AddDignity(kEanA, "1000", &status_));
    ASSERT_EQ(S_OK, in->AddSection(kEanA, "M100", &status_));
    ASSERT_EQ(S_OK, in->AddSection(kEanB, "123456", &status_));  // the longest code
    const std::string a = std::string("ok|") + kEanA, b = std::string("ok|") + kEanB;
    const std::string dignities = a + "|0500|T " + b + "|0500|T " + a + "|1000|T end|||F";
    const std::string sections = a + "|M100|T " + b + "|123456|T end|||F";
    EXPECT_EQ(values + " ok|age|42|T ok|weight||T end|||F " + dignities + " " + sections,
              Values() + " " + Entries());
    EXPECT_EQ("end|||F ok|age|42|T end|||F",
              Joined({Read(in, &I::GetNextToken), Read(in, &I::GetFirstToken),
                      Read(in, &I::GetNextSection)}));
    EXPECT_EQ(Joined({a + "|0500|T " + a + "|1000|T end|||F",
                      a + "|0500|T " + b + "|0500|T end|||F", "end|||F"}),
              Joined({Listed(&I::GetFirstDignity, &I::GetNextDignity, kEanA),
                      Listed(&I::GetFirstDignity, &I::GetNextDignity, "", "0500"),
                      Listed(&I::GetFirstSection, &I::GetNextSection, kEanA, "123456")}));
    ASSERT_EQ(S_OK, in->InitToken(&status_));
    ASSERT_EQ(S_OK, in->InitSection(&status_));
    EXPECT_EQ(values + " end|||F " + dignities + " end|||F", Values() + " " + Entries());
    ASSERT_EQ(S_OK, in->InitDignity(&status_));
    EXPECT_EQ("end|||F end|||F end|||F", Entries());
    ASSERT_EQ(S_OK, in->AddToken("a", "1", &status_));
    ASSERT_EQ(S_OK, in->Initialize(&status_));
    EXPECT_EQ("001", AsServiceInputImpl(in)->Snapshot().tariff_type);
    EXPECT_EQ(defaults + " end|||F end|||F end|||F", Values() + " " + Entries());
}

// Each setter with one parameter at its limit (taken) and one past it
// (refused with the parameter named, nothing changed); a null status.
TEST_F(ServiceInputTest, RefusalsNameTheParameterAndChangeNothing) {
    const double old = checks::DateSerial(1850, 1, 1);
    // Each setter call with the refusal it gets when its bad value is given.
    const std::pair<com_reads::Setter<I>, const char*> rows[] = {
        {Call<2>(&I::SetPhysician, "760100000000", 1, 1, kEanA, kEanB),
         "SetPhysician: bstrEanNumberProvider"},
        {Call<0>(&I::SetPatient, old, kBirth, 1), "SetPatient: dBirthdate"},
        {Call<0>(&I::SetTreatment, 32, 31, 6, 1, 2, ""), "SetTreatment: eCanton 32"},
        {Call<0>(&I::AddToken, "", "t", "1"), "AddToken: bstrToken"},
        {Call<1>(&I::AddToken, std::string(701, 'v'), "t", std::string(700, 'v')),
         "AddToken: bstrValue"},
    };
    for (const auto& [call, refusal] : rows) {
        EXPECT_EQ(S_OK, call(input_.Get(), &status_, true)) << refusal << AbortText();
        const std::string before = Values() + " " + Entries();
        EXPECT_EQ(E_INVALIDARG, call(input_.Get(), &status_, false)) << refusal;
        EXPECT_EQ(0u, AbortText().find("ok|" + std::string(refusal))) << AbortText();
        EXPECT_EQ(before, Values() + " " + Entries()) << refusal;
        EXPECT_EQ(E_POINTER, call(input_.Get(), nullptr, true)) << refusal;
    }
    ASSERT_EQ(S_OK, input_->PutExternalFactor_MT(0.9));
    for (double bad : {-0.01, 1000.5, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(E_INVALIDARG, input_->PutExternalFactor_MT(bad));
        EXPECT_EQ(0u, AbortText().find("ok|PutExternalFactor_MT: dExternalFactor_MT"));
    }
    I* in = input_.Get();
    EXPECT_EQ("ok|0.9 ok|1",
              Joined({Read(in, &I::GetExternalFactor_MT), Read(in, &I::GetExternalFactor_TT)}));
}

}  // namespace
