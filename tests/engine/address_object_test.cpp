#include "module/objects/address_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

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
        address_ = NewAddress();
        ASSERT_TRUE(address_);
    }

    ComPtr<A> NewAddress() {
        ComPtr<A> address;
        EXPECT_EQ(S_OK, module_.request->GetCreateAddress(address.ReleaseAndGetAddressOf()));
        return address;
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

// Every part set, read back and copied by a snapshot; the later name decides
// the type; empty texts remove fax and online parts; Initialize empties all.
TEST_F(AddressObjectTest, EveryPartRoundTripsAndInitializeEmptiesIt) {
    EXPECT_EQ(kEmpty, Text());
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Peter", "Herr", "Dr. med.", "c/o Praxis Alpha",
                                        &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    // 35 characters, of which 3 are two bytes long.
    ASSERT_EQ(S_OK, address_->SetPostal("Zürichstrasse 123, Gebäude Süd 4567", "Postfach 12",
                                        "8000", "Zürich", "ZH", "CH", &status_))
        << AbortText();
    ASSERT_EQ(S_OK, address_->SetFax("1234567", "31", "+41", "", &status_));
    ASSERT_EQ(S_OK, address_->SetFax("7654321", "44", "+41", "12", &status_));  // replaces
    ASSERT_EQ(S_OK, address_->SetOnline("praxis@example.ch", "https://example.ch/p", &status_));
    ASSERT_EQ(S_OK, address_->AddPhone("1111111", "31", "+41", "", &status_));
    ASSERT_EQ(S_OK, address_->AddPhone("2222222", "44", "", "9", &status_));
    EXPECT_EQ(
        "ok|1;ok|Muster|Peter|Herr|Dr. med.|c/o Praxis Alpha|T;ok||||F;ok|Z\xC3\xBCrichstrasse "
        "123, Geb\xC3\xA4ude S\xC3\xBC"
        "d 4567|Postfach "
        "12|8000|Z\xC3\xBCrich|ZH|CH|T;ok|7654321|44|+41|12|T;ok|praxis@example.ch|https://"
        "example.ch/p|T;ok|1111111|31|+41||T;ok|2222222|44||9|T;end|||||F",
        Text());
    EXPECT_EQ(Text(), SnapshotText());

    ASSERT_EQ(S_OK, address_->SetCompany("Spital Beta AG", "Radiologie", "Haus C", &status_));
    EXPECT_EQ("ok|2", Read(address_.Get(), &A::GetType));
    EXPECT_EQ("ok|Muster|Peter|Herr|Dr. med.|c/o Praxis Alpha|F",
              Read(address_.Get(), &A::GetPerson));
    EXPECT_EQ("ok|Spital Beta AG|Radiologie|Haus C|T", Read(address_.Get(), &A::GetCompany));
    EXPECT_EQ(Text(), SnapshotText());
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Anna", "", "", "", &status_));
    EXPECT_EQ("ok|1", Read(address_.Get(), &A::GetType));

    ASSERT_EQ(S_OK, address_->SetFax("", "", "", "", &status_));
    EXPECT_EQ("ok|||||F", Read(address_.Get(), &A::GetFax));
    ASSERT_EQ(S_OK, address_->SetOnline("", "https://example.ch", &status_));
    EXPECT_EQ("ok||https://example.ch|T", Read(address_.Get(), &A::GetOnline));
    ASSERT_EQ(S_OK, address_->SetOnline("", "", &status_));
    EXPECT_EQ("ok|||F", Read(address_.Get(), &A::GetOnline));

    ASSERT_EQ(S_OK, address_->Initialize(&status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kEmpty, Text());
}

TEST_F(AddressObjectTest, PhoneWalkEndsStaysAtTheEndAndRestarts) {
    for (const char* number : {"1", "2", "3"}) {
        ASSERT_EQ(S_OK, address_->AddPhone(number, "", "", "", &status_));
    }
    EXPECT_EQ(E_FAIL, address_->AddPhone("4", "", "", "", &status_));
    EXPECT_EQ("ok|AddPhone: the address holds 3 phones", AbortText().substr(0, 39));
    std::vector<std::string> walk =
        com_reads::Walk(address_.Get(), &A::GetFirstPhone, &A::GetNextPhone);
    EXPECT_EQ((std::vector<std::string>{"ok|1||||T", "ok|2||||T", "ok|3||||T", "end|||||F"}), walk);
    EXPECT_EQ(walk.back(), Read(address_.Get(), &A::GetNextPhone));
    EXPECT_EQ(walk[0], Read(address_.Get(), &A::GetFirstPhone));
    EXPECT_EQ(walk[0], Read(address_.Get(), &A::GetFirstPhone));
    EXPECT_EQ(walk[1], Read(address_.Get(), &A::GetNextPhone));
}

// Each setter with a value at a limit (taken) and one past it (refused with
// the parameter named, nothing changed).
TEST_F(AddressObjectTest, EachSetterTakesAValueAtItsLimitAndRefusesOnePast) {
    const std::string s35(35, 's'), s36(36, 's');
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
        {Call<4>(&A::SetPerson, s36, "M", "P", "", "", s35), "SetPerson: bstrSubaddressing"},
        {Call<0>(&A::SetCompany, "", "AG", "", ""), "SetCompany: bstrCompanyName"},
        {Call<1>(&A::SetCompany, s36, "AG", s35, ""), "SetCompany: bstrDepartment"},
        {Call<2>(&A::SetPostal, "", "", "", "3000", "Bern", "", ""), "SetPostal: bstrZip"},
        {Call<2>(&A::SetPostal, "1234567890", "", "", "123456789", "Bern", "", ""),
         "SetPostal: bstrZip"},
        {Call<3>(&A::SetPostal, "", "", "", "3000", "Bern", "", ""), "SetPostal: bstrCity"},
        {Call<4>(&A::SetPostal, "1234567890", "", "", "3000", "Bern", "BE", ""),
         "SetPostal: bstrStateCode"},
        {Call<5>(&A::SetPostal, "CHEE", "", "", "3000", "Bern", "", "NDF"),
         "SetPostal: bstrCountryCode"},
        {Call<0>(&A::SetPostal, s36, s35, "", "3000", "Bern", "", ""), "SetPostal: bstrStreet"},
        {Call<0>(&A::AddPhone, "", "1", "31", "+41", ""), "AddPhone: bstrNumber"},
        {Call<0>(&A::AddPhone, "12\a34", "1234", "", "", ""), "AddPhone: bstrNumber"},
        // Parts of fitting length whose joined text "+41 31 ... 99" is 25
        // characters (taken) or 26.
        {Call<0>(&A::AddPhone, std::string(16, '1'), std::string(15, '1'), "31", "+41", "99"),
         "AddPhone: the number with its codes"},
        {Call<0>(&A::SetFax, "", "1", "31", "", ""), "SetFax: bstrNumber"},
        {Call<0>(&A::SetOnline, "no-at-sign", "a@b.ch", ""), "SetOnline: bstrEMail"},
        {Call<0>(&A::SetOnline, std::string(60, 'a') + "@example.ch",
                 std::string(59, 'a') + "@example.ch", ""),
         "SetOnline: bstrEMail"},
        {Call<1>(&A::SetOnline, "https://a b", "", "https://ab"), "SetOnline: bstrUrl"},
        {Call<1>(&A::SetOnline, std::string(101, 'u'), "", std::string(100, 'u')),
         "SetOnline: bstrUrl"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(S_OK, c.call(address_.Get(), &status_, true)) << c.refusal << AbortText();
        const std::string before = Text();
        EXPECT_EQ(E_INVALIDARG, c.call(address_.Get(), &status_, false)) << c.refusal;
        EXPECT_EQ("ok|" + std::string(c.refusal), AbortText().substr(0, 3 + strlen(c.refusal)));
        EXPECT_EQ(before, Text()) << "a refused call changes nothing: " << c.refusal;
        EXPECT_EQ(E_POINTER, c.call(address_.Get(), nullptr, true)) << c.refusal;
    }
}

TEST_F(AddressObjectTest, NullOutPointersAreRefused) {
    A* a = address_.Get();
    EXPECT_EQ(0,
              com_reads::NullsTaken(a, &A::GetPerson) + com_reads::NullsTaken(a, &A::GetCompany) +
                  com_reads::NullsTaken(a, &A::GetPostal) + com_reads::NullsTaken(a, &A::GetFax) +
                  com_reads::NullsTaken(a, &A::GetFirstPhone) +
                  com_reads::NullsTaken(a, &A::GetNextPhone) +
                  com_reads::NullsTaken(a, &A::GetOnline) + com_reads::NullsTaken(a, &A::GetType));
    EXPECT_EQ(E_POINTER, address_->Initialize(nullptr));
    EXPECT_EQ(nullptr, AsAddressImpl(nullptr));
}

TEST(PhoneTextTest, LeavesOutEmptyParts) {
    EXPECT_EQ("41 31 22", invoice::PhoneText({"22", "31", "41", ""}));
    EXPECT_EQ("22", invoice::PhoneText({"22", "", "", ""}));
    EXPECT_EQ("+41 22 7", invoice::PhoneText({"22", "", "+41", "7"}));
}

TEST_F(AddressObjectTest, AddressesAreIndependentAndLiveWhileReferenced) {
    ComPtr<A> other = NewAddress();
    ASSERT_EQ(S_OK, other->SetPerson("Other", "One", "", "", "", &status_));
    EXPECT_EQ("ok|0", Read(address_.Get(), &A::GetType));
    A* raw = other.Get();
    raw->AddRef();
    other = nullptr;
    EXPECT_EQ("ok|1", Read(raw, &A::GetType));
    raw->Release();
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
            if (i % 2 == 0) {
                address->SetPerson("Alpha", "Anna", "", "", "", &status);
            } else {
                address->SetPerson("Beta", "Bruno", "", "", "", &status);
            }
        }
    });
    int torn = 0;
    for (int i = 0; i < 2000; ++i) {
        invoice::PersonName person = impl->Snapshot().person;
        bool whole = (person.familyname == "Alpha" && person.givenname == "Anna") ||
                     (person.familyname == "Beta" && person.givenname == "Bruno") ||
                     (person.familyname.empty() && person.givenname.empty());
        if (!whole) ++torn;
    }
    writer.join();
    EXPECT_EQ(0, torn);
}

}  // namespace
