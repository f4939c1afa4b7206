#include "module/objects/service_input_object.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/checks/check_dates.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/request_sample_invoice.h"

namespace {

using com_reads::Joined;
using com_reads::Read;
using com_reads::ReadCall;
using com_reads::Walk;
using Reads = std::vector<std::string>;
using I = IServiceExInput;

const char kEanA[] = "7601000000001";
const char kEanB[] = "2000000000002";
const char kEanC[] = "7601000000018";
const DATE kBirth = checks::DateSerial(1975, 6, 30);
const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// A service input as a client gets it: manager, request,
// GetCreateServiceExInput for the tariff 001.
class ServiceInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(module_.request);
        ASSERT_EQ(S_OK,
                  module_.request->GetCreateServiceExInput("001", input_.ReleaseAndGetAddressOf()));
    }

    std::string AbortText() { return Read(input_.Get(), &I::GetAbortInfo); }

    // The walks of the lists, their reads joined by ' '; dignities and
    // sections by the first read's criteria.
    std::string Tokens() { return Joined(Walk(input_.Get(), &I::GetFirstToken, &I::GetNextToken)); }
    std::string Dignities(const std::string& ean, const std::string& code) {
        return Listed(ean, code, &I::GetFirstDignity, &I::GetNextDignity);
    }
    std::string Sections(const std::string& ean, const std::string& code) {
        return Listed(ean, code, &I::GetFirstSection, &I::GetNextSection);
    }
    std::string Entries() { return Tokens() + " " + Dignities("", "") + " " + Sections("", ""); }
    template <class First, class Next>
    std::string Listed(const std::string& ean, const std::string& code, First first, Next next) {
        I* in = input_.Get();
        Reads reads{ReadCall<BSTR, BSTR, VARIANT_BOOL>(
            [&](BSTR* a, BSTR* b, VARIANT_BOOL* s) { return (in->*first)(ean, code, a, b, s); })};
        while (reads.back().rfind("ok", 0) == 0) reads.push_back(Read(in, next));
        return Joined(reads);
    }

    request_test::TestModule module_;
    ComPtr<I> input_;
    VARIANT_BOOL status_ = VARIANT_FALSE;
};

std::string Factors(I* in) {
    return Read(in, &I::GetExternalFactor_MT) + " " + Read(in, &I::GetExternalFactor_TT);
}
// Every value of the input: physician, patient, treatment and factors.
std::string Values(I* in) {
    return Read(in, &I::GetPhysician) + " " + Read(in, &I::GetPatient) + " " +
           Read(in, &I::GetTreatment) + " " + Factors(in);
}

// The defaults, values taken (neighbouring parameters distinct, the factors
// at the ends of their range), and Initialize, which keeps only the tariff
// type. The other ends are taken in the refusal table.
TEST_F(ServiceInputTest, SettersTakeTheEndsOfTheirRangesAndInitializeResetsThem) {
    I* in = input_.Get();
    const std::string defaults = "ok|1|3|||T ok|0|1|T ok|1|1|1|1||T ok|1 ok|1";
    EXPECT_EQ(defaults, Values(in));
    ASSERT_EQ(S_OK, in->SetPhysician(2, 4, kEanA, kEanB, &status_));
    ASSERT_EQ(S_OK, in->SetPatient(kBirth, 2, &status_));
    ASSERT_EQ(S_OK, in->SetTreatment(26, 3, 2, 1, kEanC, &status_));
    ASSERT_EQ(S_OK, in->PutExternalFactor_MT(0));
    ASSERT_EQ(S_OK, in->PutExternalFactor_TT(1000));
    EXPECT_EQ(
        "ok|2|4|7601000000001|2000000000002|T ok|27575|2|T ok|26|3|2|1|7601000000018|T "
        "ok|0 ok|1000",
        Values(in));
    ASSERT_EQ(S_OK, in->AddToken("a", "1", &status_));
    ASSERT_EQ(S_OK, in->AddDignity(kEanA, "0500", &status_));
    ASSERT_EQ(S_OK, in->AddSection(kEanA, "M100", &status_));
    ASSERT_EQ(S_OK, in->Initialize(&status_));
    EXPECT_EQ("001", AsServiceInputImpl(in)->Snapshot().tariff_type);
    EXPECT_EQ(defaults, Values(in));
    EXPECT_EQ("end|||F end|||F end|||F", Entries());
}

TEST_F(ServiceInputTest, RefusalsNameTheParameterAndChangeNothing) {
    using com_reads::Call;
    const double old = checks::DateSerial(1850, 1, 1);
    const struct {
        com_reads::Setter<I> call;
        const char* refusal;
    } rows[] = {
        {Call<0>(&I::SetPhysician, 3, 2, 4, kEanA, kEanB), "SetPhysician: eMedicalRole 3"},
        {Call<1>(&I::SetPhysician, 5, 1, 1, kEanA, kEanB), "SetPhysician: eBillingRole 5"},
        {Call<2>(&I::SetPhysician, "760100000000", 1, 1, kEanA, kEanB),
         "SetPhysician: bstrEanNumberProvider"},
        {Call<3>(&I::SetPhysician, "", 1, 1, kEanA, kEanB),
         "SetPhysician: bstrEanNumberResponsible"},
        {Call<0>(&I::SetPatient, 0, kBirth, 2), "SetPatient: dBirthdate"},
        {Call<0>(&I::SetPatient, old, kBirth, 1), "SetPatient: dBirthdate"},
        {Call<1>(&I::SetPatient, 3, kBirth, 2), "SetPatient: eSex 3"},
        {Call<0>(&I::SetTreatment, 32, 31, 6, 1, 2, ""), "SetTreatment: eCanton 32"},
        {Call<1>(&I::SetTreatment, 7, 1, 6, 1, 1, ""), "SetTreatment: eLaw"},
        {Call<2>(&I::SetTreatment, 0, 1, 1, 2, 1, ""), "SetTreatment: eTreatmentType"},
        {Call<3>(&I::SetTreatment, 3, 1, 1, 1, 2, ""), "SetTreatment: eSettlement"},
        {Call<4>(&I::SetTreatment, "abc", 2, 2, 2, 2, kEanC), "SetTreatment: bstrEanNumberSection"},
        {Call<0>(&I::AddToken, "", "t", "1"), "AddToken: bstrToken"},
        {Call<1>(&I::AddToken, std::string(701, 'v'), "t", std::string(700, 'v')),
         "AddToken: bstrValue"},
        {Call<0>(&I::AddDignity, "123", kEanA, "0500"), "AddDignity: bstrEanNumber"},
        {Call<1>(&I::AddDignity, "", kEanA, "0500"), "AddDignity: bstrQLCode"},
        {Call<1>(&I::AddSection, "1234567", kEanA, "123456"), "AddSection: bstrCode"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(S_OK, row.call(input_.Get(), &status_, true)) << row.refusal << AbortText();
        const std::string before = Values(input_.Get()) + " " + Entries();
        EXPECT_EQ(E_INVALIDARG, row.call(input_.Get(), &status_, false)) << row.refusal;
        EXPECT_EQ(0u, AbortText().find("ok|" + std::string(row.refusal))) << AbortText();
        EXPECT_EQ(before, Values(input_.Get()) + " " + Entries()) << row.refusal;
        EXPECT_EQ(E_POINTER, row.call(input_.Get(), nullptr, true)) << row.refusal;
    }
    ASSERT_EQ(S_OK, input_->PutExternalFactor_MT(0.9));
    for (double bad : {-0.01, 1000.5, kNan, kInf}) {
        EXPECT_EQ(E_INVALIDARG, input_->PutExternalFactor_MT(bad));
        EXPECT_EQ(0u, AbortText().find("ok|PutExternalFactor_MT: dExternalFactor_MT"));
        EXPECT_EQ(E_INVALIDARG, input_->PutExternalFactor_TT(bad));
        EXPECT_EQ(0u, AbortText().find("ok|PutExternalFactor_TT: dExternalFactor_TT"));
    }
    EXPECT_EQ("ok|0.9 ok|1", Factors(input_.Get()));
}

// The lists with their filters; a walk stays at its end and a first read
// restarts it; each Init empties its own list only.
TEST_F(ServiceInputTest, ListsWalkFilterEndRestartAndEmpty) {
    ASSERT_EQ(S_OK, input_->AddToken("age", "42", &status_));
    ASSERT_EQ(S_OK, input_->AddToken("weight", "", &status_));
    ASSERT_EQ(S_OK, input_->AddDignity(kEanA, "0500", &status_));
    ASSERT_EQ(S_OK, input_->AddDignity(kEanB, "0500", &status_));
    ASSERT_EQ(S_OK, input_->AddDignity(kEanA, "1000", &status_));
    ASSERT_EQ(S_OK, input_->AddSection(kEanA, "M100", &status_));
    ASSERT_EQ(S_OK, input_->AddSection(kEanB, "123456", &status_));  // the longest code
    const std::string a = std::string("ok|") + kEanA, b = std::string("ok|") + kEanB;
    const std::string dignities = a + "|0500|T " + b + "|0500|T " + a + "|1000|T end|||F";
    const std::string sections = a + "|M100|T " + b + "|123456|T end|||F";
    EXPECT_EQ("ok|age|42|T ok|weight||T end|||F " + dignities + " " + sections, Entries());
    EXPECT_EQ("end|||F", Read(input_.Get(), &I::GetNextToken));
    EXPECT_EQ("ok|age|42|T", Read(input_.Get(), &I::GetFirstToken));
    EXPECT_EQ("end|||F", Read(input_.Get(), &I::GetNextSection));
    EXPECT_EQ(a + "|0500|T " + a + "|1000|T end|||F", Dignities(kEanA, ""));
    EXPECT_EQ(a + "|0500|T " + b + "|0500|T end|||F", Dignities("", "0500"));
    EXPECT_EQ(a + "|1000|T end|||F", Dignities(kEanA, "1000"));
    EXPECT_EQ("end|||F", Dignities(kEanC, ""));
    EXPECT_EQ(b + "|123456|T end|||F", Sections("", "123456"));
    EXPECT_EQ("end|||F", Sections(kEanA, "123456"));
    ASSERT_EQ(S_OK, input_->InitToken(&status_));
    EXPECT_EQ("end|||F " + dignities + " " + sections, Entries());
    ASSERT_EQ(S_OK, input_->InitDignity(&status_));
    EXPECT_EQ("end|||F end|||F " + sections, Entries());
    ASSERT_EQ(S_OK, input_->InitSection(&status_));
    EXPECT_EQ("end|||F end|||F end|||F", Entries());
}

TEST_F(ServiceInputTest, NullOutPointersAreRejected) {
    I* in = input_.Get();
    EXPECT_EQ(0, com_reads::NullsTakenByEach(in, &I::GetPhysician, &I::GetPatient, &I::GetTreatment,
                                             &I::GetFirstToken, &I::GetNextDignity,
                                             &I::GetExternalFactor_MT, &I::GetExternalFactor_TT));
    BSTR t;
    EXPECT_EQ(E_POINTER, input_->Initialize(nullptr));
    EXPECT_EQ(E_POINTER, input_->GetFirstSection("", "", &t, &t, nullptr));
    EXPECT_EQ(nullptr, AsServiceInputImpl(nullptr));
}

}  // namespace
