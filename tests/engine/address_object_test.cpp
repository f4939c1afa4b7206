#include "module/objects/address_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "bridge/module_interfaces.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/request_sample_invoice.h"

namespace {

using com_reads::AddressText;
using com_reads::Call;
using com_reads::Read;
using A = IAddress;

// An address as a client gets it: manager, request, GetCreateAddress.
class AddressObjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(module_.request);
        ASSERT_EQ(S_OK, module_.request->GetCreateAddress(address_.ReleaseAndGetAddressOf()));
    }

    std::string AbortText() { return Read(address_.Get(), &A::GetAbortInfo); }
    std::string Text() { return AddressText(address_.Get()); }
    // The text of a copy made from the address's snapshot.
    std::string SnapshotText() {
        return AddressText(
            MakeComObject<CAddress>(AsAddressImpl(address_.Get())->Snapshot()).Get());
    }

    request_test::TestModule module_;
    ComPtr<A> address_;
    VARIANT_BOOL status_ = VARIANT_FALSE;
};

const std::string kEmpty = "ok|0;ok||||||F;ok||||F;ok|||||||F;ok|||||F;ok|||F;end|||||F";

// Each setter with a value at a limit (taken) and one past it (refused with
// the parameter named, nothing changed); the last taken call of each setter
// gives each part distinct values, which the address then reads back whole
// and copies by a snapshot. The later name decides the type; empty texts
// remove fax and online parts; Initialize empties all.
TEST_F(AddressObjectTest, SettersTakeValuesAtTheirLimitsAndRefuseOnePast) {
    const std::string s35(35, 's'), s36(36, 's'), u100(100, 'u'), n15(15, '1');
    // 35 characters, of which 3 are two bytes long.
    const std::string street = "Zürichstrasse 123, Gebäude Süd 4567";
    const struct {
        com_reads::Setter<A> call;
        const char* refusal;
    } cases[] = {
        {Call<0>(&A::SetPerson, "", "M", "P", "", "", ""), "SetPerson: bstrFamilyname"},
        {Call<0>(&A::SetPerson, s36, s35, "P", "", "", ""), "SetPerson: bstrFamilyname"},
        {Call<0>(&A::SetPerson, "Mu\x01ster", "Muster", "P", "", "", ""),
         "SetPerson: bstrFamilyname"},
        {Call<1>(&A::SetPerson, "", "M", "P", "", "", ""), "SetPerson: bstrGivenname"},
        {Call<1>(&A::SetPerson, "Pe\xC3", "M", "Pe", "", "", ""), "SetPerson: bstrGivenname"},
        {Call<2>(&A::SetPerson, s36, "M", "P", s35, "", ""), "SetPerson: bstrSalutation"},
        {Call<4>(&A::SetPerson, s36, "Muster", "Peter", "Herr", "Dr. med.", s35),
         "SetPerson: bstrSubaddressing"},
        {Call<0>(&A::SetCompany, "", "AG", "", ""), "SetCompany: bstrCompanyName"},
        {Call<1>(&A::SetCompany, s36, "Spital Beta AG", s35, "Haus C"),
         "SetCompany: bstrDepartment"},
        {Call<2>(&A::SetPostal, "", "", "", "3000", "Bern", "", ""), "SetPostal: bstrZip"},
        {Call<2>(&A::SetPostal, "1234567890", "", "", "123456789", "Bern", "", ""),
         "SetPostal: bstrZip"},
        {Call<3>(&A::SetPostal, "", "", "", "3000", "Bern", "", ""), "SetPostal: bstrCity"},
        {Call<4>(&A::SetPostal, "1234567890", "", "", "3000", "Bern", "BE", ""),
         "SetPostal: bstrStateCode"},
        {Call<5>(&A::SetPostal, "CHEE", "", "", "3000", "Bern", "", "NDF"),
         "SetPostal: bstrCountryCode"},
        {Call<0>(&A::SetPostal, street + "8", street, "Postfach 12", "8000", "Zürich", "ZH", "CH"),
         "SetPostal: bstrStreet"},
        {Call<0>(&A::AddPhone, "", "1", "31", "+41", ""), "AddPhone: bstrNumber"},
        {Call<0>(&A::AddPhone, "12\a34", "1234", "", "", ""), "AddPhone: bstrNumber"},
        // Parts of fitting length whose joined text "+41 31 ... 99" is 25
        // characters (taken) or 26.
        {Call<0>(&A::AddPhone, n15 + "1", n15, "31", "+41", "99"),
         "AddPhone: the number with its codes"},
        {Call<0>(&A::SetFax, "", "1", "31", "", ""), "SetFax: bstrNumber"},
        {Call<0>(&A::SetFax, "12\a34", "7654321", "44", "+41", "12"), "SetFax: bstrNumber"},
        {Call<0>(&A::SetOnline, "no-at-sign", "a@b.ch", ""), "SetOnline: bstrEMail"},
        {Call<0>(&A::SetOnline, std::string(60, 'a') + "@example.ch",
                 std::string(59, 'a') + "@example.ch", ""),
         "SetOnline: bstrEMail"},
        {Call<1>(&A::SetOnline, "https://a b", "", "https://ab"), "SetOnline: bstrUrl"},
        {Call<1>(&A::SetOnline, u100 + "u", "praxis@example.ch", u100), "SetOnline: bstrUrl"},
    };
    EXPECT_EQ(kEmpty, Text());
    for (const auto& c : cases) {
        EXPECT_EQ(S_OK, c.call(address_.Get(), &status_, true)) << c.refusal << AbortText();
        const std::string before = Text();
        EXPECT_EQ(E_INVALIDARG, c.call(address_.Get(), &status_, false)) << c.refusal;
        EXPECT_EQ("ok|" + std::string(c.refusal), AbortText().substr(0, 3 + strlen(c.refusal)));
        EXPECT_EQ(before, Text()) << "a refused call changes nothing: " << c.refusal;
        EXPECT_EQ(E_POINTER, c.call(address_.Get(), nullptr, true)) << c.refusal;
    }
    EXPECT_EQ(E_FAIL, address_->AddPhone("4", "", "", "", &status_));
    EXPECT_EQ(0u, AbortText().find("ok|AddPhone: the address holds 3 phones"));
    EXPECT_EQ("ok|2;ok|Muster|Peter|Herr|Dr. med.|" + s35 + "|F;ok|Spital Beta AG|" + s35 +
                  "|Haus C|T;ok|" + street +
                  "|Postfach 12|8000|Zürich|ZH|CH|T;ok|7654321|44|+41|12|T;ok|praxis@example.ch|" +
                  u100 + "|T;ok|1|31|+41||T;ok|1234||||T;ok|" + n15 + "|31|+41|99|T;end|||||F",
              Text());
    EXPECT_EQ(Text(), SnapshotText());
    // The phone walk stays at its end; a first read restarts it.
    A* a = address_.Get();
    EXPECT_EQ("end|||||F", Read(a, &A::GetNextPhone));
    EXPECT_EQ("ok|1|31|+41||T", Read(a, &A::GetFirstPhone));
    EXPECT_EQ("ok|1234||||T", Read(a, &A::GetNextPhone));

    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Anna", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetFax("", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetOnline("", "https://example.ch", &status_));
    EXPECT_EQ("ok|1 ok|||||F ok||https://example.ch|T",
              Read(a, &A::GetType) + " " + Read(a, &A::GetFax) + " " + Read(a, &A::GetOnline));
    ASSERT_EQ(S_OK, address_->SetOnline("", "", &status_));
    EXPECT_EQ("ok|||F", Read(a, &A::GetOnline));
    status_ = VARIANT_FALSE;
    ASSERT_EQ(S_OK, address_->Initialize(&status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kEmpty, Text());
}

TEST_F(AddressObjectTest, NullOutPointersAreRefused) {
    A* a = address_.Get();
    EXPECT_EQ(0, com_reads::NullsTakenByEach(a, &A::GetPerson, &A::GetCompany, &A::GetPostal,
                                             &A::GetFax, &A::GetFirstPhone, &A::GetNextPhone,
                                             &A::GetOnline, &A::GetType));
    EXPECT_EQ(E_POINTER, address_->Initialize(nullptr));
    EXPECT_EQ(nullptr, AsAddressImpl(nullptr));
}

// Requests of other groups may read an address (Snapshot) while its own group
// writes it: every read sees a whole person, never half of one.
TEST(AddressObjectThreadTest, SnapshotsSeeWholeWrites) {
    ComPtr<A> address;
    ASSERT_EQ(S_OK, CreateAddress(address.ReleaseAndGetAddressOf()));
    const CAddress* impl = AsAddressImpl(address.Get());
    std::thread writer([&address] {
        VARIANT_BOOL status;
        for (int i = 0; i < 2000; ++i) {
            address->SetPerson(i % 2 ? "Beta" : "Alpha", i % 2 ? "Bruno" : "Anna", "", "", "",
                               &status);
        }
    });
    int torn = 0;
    for (int i = 0; i < 2000; ++i) {
        invoice::PersonName person = impl->Snapshot().person;
        const std::string name = person.familyname + "/" + person.givenname;
        torn += name != "Alpha/Anna" && name != "Beta/Bruno" && name != "/";
    }
    writer.join();
    EXPECT_EQ(0, torn);
}

}  // namespace
