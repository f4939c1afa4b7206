#include "module/objects/service_input_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"
#include "module/checks/check_dates.h"

namespace {

const char kEanA[] = "7601000000001";
const char kEanB[] = "2000000000002";
const char kEanC[] = "7601000000018";

using Pairs = std::vector<std::pair<std::string, std::string>>;

// A service input as a client gets it: manager, request,
// GetCreateServiceExInput for the tariff 001.
class ServiceInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        void* raw = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                         &raw));
        manager_.Attach(static_cast<ITarvos*>(raw));
        ASSERT_EQ(S_OK, manager_->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, request_->GetCreateServiceExInput("001", input_.ReleaseAndGetAddressOf()));
        ASSERT_TRUE(input_);
    }

    std::string AbortText() {
        BSTR text;
        VARIANT_BOOL status;
        EXPECT_EQ(S_OK, input_->GetAbortInfo(&text, &status));
        return text;
    }

    invoice::ServiceExInput Data() { return AsServiceInputImpl(input_.Get())->Snapshot(); }

    Pairs Tokens() {
        Pairs found;
        BSTR a, b;
        VARIANT_BOOL status;
        for (HRESULT hr = input_->GetFirstToken(&a, &b, &status); hr == S_OK;
             hr = input_->GetNextToken(&a, &b, &status)) {
            found.emplace_back(a, b);
        }
        return found;
    }

    Pairs Dignities(const std::string& ean, const std::string& code) {
        Pairs found;
        BSTR a, b;
        VARIANT_BOOL status;
        for (HRESULT hr = input_->GetFirstDignity(ean, code, &a, &b, &status); hr == S_OK;
             hr = input_->GetNextDignity(&a, &b, &status)) {
            found.emplace_back(a, b);
        }
        return found;
    }

    Pairs Sections(const std::string& ean, const std::string& code) {
        Pairs found;
        BSTR a, b;
        VARIANT_BOOL status;
        for (HRESULT hr = input_->GetFirstSection(ean, code, &a, &b, &status); hr == S_OK;
             hr = input_->GetNextSection(&a, &b, &status)) {
            found.emplace_back(a, b);
        }
        return found;
    }

    ComPtr<ITarvos> manager_;
    ComPtr<IGeneralInvoiceRequest> request_;
    ComPtr<IServiceExInput> input_;
    VARIANT_BOOL status_ = VARIANT_FALSE;
};

// ---------------------------------------------------------------------------
// Defaults and round trips

TEST_F(ServiceInputTest, NewInputHoldsTheDefaults) {
    long medical = 0, billing = 0, sex = 0, canton = 0, law = 0, type = 0, settlement = 0;
    BSTR provider = "x", responsible = "x", section = "x";
    DATE birth = -1;
    ASSERT_EQ(S_OK, input_->GetPhysician(&medical, &billing, &provider, &responsible, &status_));
    EXPECT_EQ(1, medical);
    EXPECT_EQ(3, billing);
    EXPECT_EQ("", provider + responsible);
    ASSERT_EQ(S_OK, input_->GetPatient(&birth, &sex, &status_));
    EXPECT_EQ(0.0, birth);
    EXPECT_EQ(1, sex);
    ASSERT_EQ(S_OK, input_->GetTreatment(&canton, &law, &type, &settlement, &section, &status_));
    EXPECT_EQ(1, canton);
    EXPECT_EQ(1, law);
    EXPECT_EQ(1, type);
    EXPECT_EQ(1, settlement);
    EXPECT_EQ("", section);
    double factor = 0;
    ASSERT_EQ(S_OK, input_->GetExternalFactor_MT(&factor));
    EXPECT_EQ(1.0, factor);
    ASSERT_EQ(S_OK, input_->GetExternalFactor_TT(&factor));
    EXPECT_EQ(1.0, factor);
    EXPECT_EQ("001", Data().tariff_type);
}

TEST_F(ServiceInputTest, PhysicianRoundTrip) {
    ASSERT_EQ(S_OK, input_->SetPhysician(2, 1, kEanA, kEanB, &status_)) << AbortText();
    EXPECT_EQ(VARIANT_TRUE, status_);
    long medical = 0, billing = 0;
    BSTR provider, responsible;
    ASSERT_EQ(S_OK, input_->GetPhysician(&medical, &billing, &provider, &responsible, &status_));
    EXPECT_EQ(2, medical);
    EXPECT_EQ(1, billing);
    EXPECT_EQ(kEanA, provider);
    EXPECT_EQ(kEanB, responsible);
}

TEST_F(ServiceInputTest, PatientRoundTrip) {
    const DATE birth = checks::DateSerial(1975, 6, 30);
    ASSERT_EQ(S_OK, input_->SetPatient(birth, 2, &status_)) << AbortText();
    DATE got = 0;
    long sex = 0;
    ASSERT_EQ(S_OK, input_->GetPatient(&got, &sex, &status_));
    EXPECT_EQ(birth, got);
    EXPECT_EQ(2, sex);
}

TEST_F(ServiceInputTest, TreatmentRoundTrip) {
    ASSERT_EQ(S_OK, input_->SetTreatment(26, 2, 2, 2, kEanC, &status_)) << AbortText();
    long canton = 0, law = 0, type = 0, settlement = 0;
    BSTR section;
    ASSERT_EQ(S_OK, input_->GetTreatment(&canton, &law, &type, &settlement, &section, &status_));
    EXPECT_EQ(26, canton);
    EXPECT_EQ(2, law);
    EXPECT_EQ(2, type);
    EXPECT_EQ(2, settlement);
    EXPECT_EQ(kEanC, section);
    EXPECT_EQ(invoice::Canton::kZH, Data().canton);
    ASSERT_EQ(S_OK, input_->SetTreatment(31, 6, 1, 1, "", &status_)) << "no section EAN";
    EXPECT_EQ(invoice::Canton::kI, Data().canton);
}

TEST_F(ServiceInputTest, ExternalFactorsRoundTripExactly) {
    ASSERT_EQ(S_OK, input_->PutExternalFactor_MT(0.9));
    ASSERT_EQ(S_OK, input_->PutExternalFactor_TT(0.0));
    double factor = -1;
    ASSERT_EQ(S_OK, input_->GetExternalFactor_MT(&factor));
    EXPECT_EQ(0.9, factor);
    ASSERT_EQ(S_OK, input_->GetExternalFactor_TT(&factor));
    EXPECT_EQ(0.0, factor);
    EXPECT_EQ("0.9", Data().external_factor_mt.ToString());
    ASSERT_EQ(S_OK, input_->PutExternalFactor_TT(1000));
}

TEST_F(ServiceInputTest, InitializeKeepsOnlyTheTariffType) {
    ASSERT_EQ(S_OK, input_->SetPhysician(2, 1, kEanA, kEanB, &status_));
    ASSERT_EQ(S_OK, input_->AddToken("a", "1", &status_));
    ASSERT_EQ(S_OK, input_->AddDignity(kEanA, "0500", &status_));
    ASSERT_EQ(S_OK, input_->AddSection(kEanA, "M100", &status_));
    ASSERT_EQ(S_OK, input_->PutExternalFactor_MT(0.5));
    ASSERT_EQ(S_OK, input_->Initialize(&status_));
    invoice::ServiceExInput data = Data();
    EXPECT_EQ("001", data.tariff_type);
    EXPECT_EQ("", data.provider_ean);
    EXPECT_EQ(invoice::MedicalRole::kSelfEmployed, data.medical_role);
    EXPECT_TRUE(data.tokens.empty() && data.dignities.empty() && data.sections.empty());
    EXPECT_EQ("1", data.external_factor_mt.ToString());
}

// ---------------------------------------------------------------------------
// Lists

TEST_F(ServiceInputTest, TokensWalkEndRestartAndEmpty) {
    ASSERT_EQ(S_OK, input_->AddToken("age", "42", &status_));
    ASSERT_EQ(S_OK, input_->AddToken("weight", "", &status_));
    EXPECT_EQ((Pairs{{"age", "42"}, {"weight", ""}}), Tokens());

    BSTR token = "x", value = "x";
    EXPECT_EQ(S_FALSE, input_->GetNextToken(&token, &value, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", token);
    ASSERT_EQ(S_OK, input_->GetFirstToken(&token, &value, &status_));
    ASSERT_EQ(S_OK, input_->GetFirstToken(&token, &value, &status_));
    EXPECT_EQ("age", token) << "a first read restarts";

    ASSERT_EQ(S_OK, input_->InitToken(&status_));
    EXPECT_EQ(S_FALSE, input_->GetFirstToken(&token, &value, &status_));
    EXPECT_TRUE(Tokens().empty());
}

TEST_F(ServiceInputTest, DignitiesAreFilteredByTheCriteriaOfTheFirstRead) {
    ASSERT_EQ(S_OK, input_->AddDignity(kEanA, "0500", &status_));
    ASSERT_EQ(S_OK, input_->AddDignity(kEanB, "0500", &status_));
    ASSERT_EQ(S_OK, input_->AddDignity(kEanA, "1000", &status_));
    EXPECT_EQ((Pairs{{kEanA, "0500"}, {kEanB, "0500"}, {kEanA, "1000"}}), Dignities("", ""));
    EXPECT_EQ((Pairs{{kEanA, "0500"}, {kEanA, "1000"}}), Dignities(kEanA, ""));
    EXPECT_EQ((Pairs{{kEanA, "0500"}, {kEanB, "0500"}}), Dignities("", "0500"));
    EXPECT_EQ((Pairs{{kEanA, "1000"}}), Dignities(kEanA, "1000"));
    EXPECT_TRUE(Dignities(kEanC, "").empty());

    BSTR ean = "x", code = "x";
    EXPECT_EQ(S_FALSE, input_->GetFirstDignity(kEanC, "", &ean, &code, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", ean);
    ASSERT_EQ(S_OK, input_->InitDignity(&status_));
    EXPECT_TRUE(Dignities("", "").empty());
}

TEST_F(ServiceInputTest, SectionsAreFilteredByTheCriteriaOfTheFirstRead) {
    ASSERT_EQ(S_OK, input_->AddSection(kEanA, "M100", &status_));
    ASSERT_EQ(S_OK, input_->AddSection(kEanB, "C200", &status_));
    EXPECT_EQ((Pairs{{kEanA, "M100"}, {kEanB, "C200"}}), Sections("", ""));
    EXPECT_EQ((Pairs{{kEanB, "C200"}}), Sections("", "C200"));
    EXPECT_TRUE(Sections(kEanA, "C200").empty());
    BSTR ean, code;
    EXPECT_EQ(S_FALSE, input_->GetNextSection(&ean, &code, &status_)) << "stays at the end";
    ASSERT_EQ(S_OK, input_->InitSection(&status_));
    EXPECT_TRUE(Sections("", "").empty());
}

// ---------------------------------------------------------------------------
// Checks

TEST_F(ServiceInputTest, BadPhysicianIsRejectedAndChangesNothing) {
    ASSERT_EQ(S_OK, input_->SetPhysician(2, 1, kEanA, kEanB, &status_));
    EXPECT_EQ(E_INVALIDARG, input_->SetPhysician(3, 1, kEanA, kEanB, &status_));
    EXPECT_EQ(0u, AbortText().find("SetPhysician: eMedicalRole 3"));
    EXPECT_EQ(E_INVALIDARG, input_->SetPhysician(1, 5, kEanA, kEanB, &status_));
    EXPECT_EQ(0u, AbortText().find("SetPhysician: eBillingRole 5"));
    EXPECT_EQ(E_INVALIDARG, input_->SetPhysician(1, 1, "760100000000", kEanB, &status_));
    EXPECT_EQ(0u, AbortText().find("SetPhysician: bstrEanNumberProvider"));
    EXPECT_EQ(E_INVALIDARG, input_->SetPhysician(1, 1, kEanA, "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetPhysician: bstrEanNumberResponsible"));
    invoice::ServiceExInput data = Data();
    EXPECT_EQ(invoice::MedicalRole::kEmployee, data.medical_role);
    EXPECT_EQ(invoice::BillingRole::kMT, data.billing_role);
    EXPECT_EQ(kEanA, data.provider_ean);
    EXPECT_EQ(kEanB, data.responsible_ean);
}

TEST_F(ServiceInputTest, BadPatientAndTreatmentAreRejected) {
    EXPECT_EQ(E_INVALIDARG, input_->SetPatient(0, 1, &status_));
    EXPECT_EQ(0u, AbortText().find("SetPatient: dBirthdate"));
    EXPECT_EQ(E_INVALIDARG, input_->SetPatient(checks::DateSerial(1850, 1, 1), 1, &status_));
    EXPECT_EQ(E_INVALIDARG, input_->SetPatient(checks::DateSerial(1980, 1, 1), 3, &status_));
    EXPECT_EQ(0u, AbortText().find("SetPatient: eSex 3"));
    EXPECT_EQ(0.0, Data().birthdate);

    EXPECT_EQ(E_INVALIDARG, input_->SetTreatment(32, 1, 1, 1, "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetTreatment: eCanton 32"));
    EXPECT_EQ(E_INVALIDARG, input_->SetTreatment(1, 7, 1, 1, "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetTreatment: eLaw"));
    EXPECT_EQ(E_INVALIDARG, input_->SetTreatment(1, 1, 0, 1, "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetTreatment: eTreatmentType"));
    EXPECT_EQ(E_INVALIDARG, input_->SetTreatment(1, 1, 1, 3, "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetTreatment: eSettlement"));
    EXPECT_EQ(E_INVALIDARG, input_->SetTreatment(2, 2, 2, 2, "abc", &status_));
    EXPECT_EQ(0u, AbortText().find("SetTreatment: bstrEanNumberSection"));
    EXPECT_EQ(invoice::Canton::kAG, Data().canton);
    EXPECT_EQ(invoice::LawType::kKVG, Data().law);
}

TEST_F(ServiceInputTest, BadListEntriesAreRejected) {
    EXPECT_EQ(E_INVALIDARG, input_->AddToken("", "1", &status_));
    EXPECT_EQ(0u, AbortText().find("AddToken: bstrToken"));
    EXPECT_EQ(E_INVALIDARG, input_->AddToken("t", std::string(701, 'v'), &status_));
    EXPECT_EQ(0u, AbortText().find("AddToken: bstrValue"));
    EXPECT_EQ(E_INVALIDARG, input_->AddDignity("123", "0500", &status_));
    EXPECT_EQ(0u, AbortText().find("AddDignity: bstrEanNumber"));
    EXPECT_EQ(E_INVALIDARG, input_->AddDignity(kEanA, "", &status_));
    EXPECT_EQ(0u, AbortText().find("AddDignity: bstrQLCode"));
    EXPECT_EQ(E_INVALIDARG, input_->AddSection(kEanA, "1234567", &status_));
    EXPECT_EQ(0u, AbortText().find("AddSection: bstrCode"));
    EXPECT_EQ(S_OK, input_->AddSection(kEanA, "123456", &status_));
    invoice::ServiceExInput data = Data();
    EXPECT_TRUE(data.tokens.empty());
    EXPECT_TRUE(data.dignities.empty());
    EXPECT_EQ(1u, data.sections.size());
}

TEST_F(ServiceInputTest, BadExternalFactorsAreRejectedAndKeepTheOldValue) {
    ASSERT_EQ(S_OK, input_->PutExternalFactor_MT(0.8));
    for (double bad : {-0.01, 1000.5, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(E_INVALIDARG, input_->PutExternalFactor_MT(bad)) << bad;
        EXPECT_EQ(0u, AbortText().find("PutExternalFactor_MT: dExternalFactor_MT")) << AbortText();
        EXPECT_EQ(E_INVALIDARG, input_->PutExternalFactor_TT(bad)) << bad;
        EXPECT_EQ(0u, AbortText().find("PutExternalFactor_TT: dExternalFactor_TT")) << AbortText();
    }
    double factor = 0;
    ASSERT_EQ(S_OK, input_->GetExternalFactor_MT(&factor));
    EXPECT_EQ(0.8, factor);
    ASSERT_EQ(S_OK, input_->GetExternalFactor_TT(&factor));
    EXPECT_EQ(1.0, factor);
}

TEST_F(ServiceInputTest, NullOutPointersAreRejected) {
    BSTR t;
    long l;
    DATE d;
    EXPECT_EQ(E_POINTER, input_->Initialize(nullptr));
    EXPECT_EQ(E_POINTER, input_->GetPhysician(&l, &l, &t, nullptr, &status_));
    EXPECT_EQ(E_POINTER, input_->GetPatient(&d, nullptr, &status_));
    EXPECT_EQ(E_POINTER, input_->GetTreatment(&l, &l, &l, &l, &t, nullptr));
    EXPECT_EQ(E_POINTER, input_->GetFirstToken(nullptr, &t, &status_));
    EXPECT_EQ(E_POINTER, input_->GetNextDignity(&t, nullptr, &status_));
    EXPECT_EQ(E_POINTER, input_->GetFirstSection("", "", &t, &t, nullptr));
    EXPECT_EQ(E_POINTER, input_->GetExternalFactor_MT(nullptr));
    EXPECT_EQ(E_POINTER, input_->GetExternalFactor_TT(nullptr));
    EXPECT_EQ(E_POINTER, input_->AddToken("a", "b", nullptr));
}

// ---------------------------------------------------------------------------
// For the other classes of the module

TEST_F(ServiceInputTest, SnapshotCopiesEverything) {
    ASSERT_EQ(S_OK, input_->SetPhysician(1, 2, kEanA, kEanB, &status_));
    ASSERT_EQ(S_OK, input_->SetPatient(checks::DateSerial(2001, 2, 3), 2, &status_));
    ASSERT_EQ(S_OK, input_->SetTreatment(4, 3, 2, 1, kEanC, &status_));
    ASSERT_EQ(S_OK, input_->AddToken("t", "v", &status_));
    ASSERT_EQ(S_OK, input_->AddDignity(kEanA, "0500", &status_));
    ASSERT_EQ(S_OK, input_->AddSection(kEanB, "M1", &status_));
    ASSERT_EQ(S_OK, input_->PutExternalFactor_TT(1.25));
    const CServiceExInput* impl = AsServiceInputImpl(input_.Get());
    ASSERT_NE(nullptr, impl);
    invoice::ServiceExInput data = impl->Snapshot();
    EXPECT_EQ(invoice::BillingRole::kTT, data.billing_role);
    EXPECT_EQ(checks::DateSerial(2001, 2, 3), data.birthdate);
    EXPECT_EQ(invoice::SexType::kFemale, data.sex);
    EXPECT_EQ(invoice::Canton::kBE, data.canton);
    EXPECT_EQ(invoice::LawType::kIVG, data.law);
    EXPECT_EQ(invoice::TreatmentType::kStationary, data.treatment_type);
    EXPECT_EQ(kEanC, data.section_ean);
    ASSERT_EQ(1u, data.tokens.size());
    EXPECT_EQ("v", data.tokens[0].value);
    ASSERT_EQ(1u, data.dignities.size());
    EXPECT_EQ("0500", data.dignities[0].ql_code);
    ASSERT_EQ(1u, data.sections.size());
    EXPECT_EQ("M1", data.sections[0].code);
    EXPECT_EQ("1.25", data.external_factor_tt.ToString());
    EXPECT_EQ(nullptr, AsServiceInputImpl(nullptr));
}

}  // namespace
