#include "module/objects/address_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"
#include "tests/engine/com_reads.h"

namespace {

using com_reads::AddressText;
using com_reads::Read;
using A = IAddress;
using S = VARIANT_BOOL;

// An address as a client gets it: manager, request, GetCreateAddress.
class AddressObjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        void* raw = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                         &raw));
        manager_.Attach(static_cast<ITarvos*>(raw));
        ASSERT_EQ(S_OK, manager_->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
        address_ = NewAddress();
        ASSERT_TRUE(address_);
    }

    ComPtr<A> NewAddress() {
        ComPtr<A> address;
        EXPECT_EQ(S_OK, request_->GetCreateAddress(address.ReleaseAndGetAddressOf()));
        return address;
    }

    std::string AbortText() { return Read(address_.Get(), &A::GetAbortInfo); }
    std::string Text() { return AddressText(address_.Get()); }

    ComPtr<ITarvos> manager_;
    ComPtr<IGeneralInvoiceRequest> request_;
    ComPtr<A> address_;
    S status_ = VARIANT_FALSE;
};

const std::string kEmpty = "ok|0;ok||||||F;ok||||F;ok|||||||F;ok|||||F;ok|||F;end|||||F";

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

    ASSERT_EQ(S_OK, address_->Initialize(&status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kEmpty, Text());
}

TEST_F(AddressObjectTest, TheLaterNameDecidesTheType) {
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Peter", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetCompany("Spital Beta AG", "Radiologie", "Haus C", &status_));
    EXPECT_EQ(
        "ok|2;ok|Muster|Peter||||F;ok|Spital Beta AG|Radiologie|Haus "
        "C|T;ok|||||||F;ok|||||F;ok|||F;end|||||F",
        Text());
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Anna", "", "", "", &status_));
    EXPECT_EQ("ok|1", Read(address_.Get(), &A::GetType));
}

TEST_F(AddressObjectTest, EmptyTextsRemoveFaxAndOnlineParts) {
    ASSERT_EQ(S_OK, address_->SetFax("1234567", "31", "+41", "", &status_));
    ASSERT_EQ(S_OK, address_->SetFax("", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetOnline("a@example.ch", "https://example.ch", &status_));
    ASSERT_EQ(S_OK, address_->SetOnline("", "https://example.ch", &status_));
    EXPECT_EQ("ok|0;ok||||||F;ok||||F;ok|||||||F;ok|||||F;ok||https://example.ch|T;end|||||F",
              Text());
    ASSERT_EQ(S_OK, address_->SetOnline("", "", &status_));
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

// Calls a setter with its valid (ok) or its invalid value.
struct CheckCase {
    HRESULT (*call)(A*, S*, bool ok);
    const char* fragment;  // where the abort text of the invalid call starts
};

TEST_F(AddressObjectTest, EachSetterTakesAValueAtItsLimitAndRefusesOnePast) {
    const std::vector<CheckCase> cases = {
        {[](A* a, S* s, bool ok) { return a->SetPerson(ok ? "M" : "", "P", "", "", "", s); },
         "SetPerson: bstrFamilyname"},
        {[](A* a, S* s, bool ok) {
             return a->SetPerson(std::string(ok ? 35 : 36, 'a'), "P", "", "", "", s);
         },
         "SetPerson: bstrFamilyname"},
        {[](A* a, S* s, bool ok) {
             return a->SetPerson(ok ? "Muster" : "Mu\x01ster", "P", "", "", "", s);
         },
         "SetPerson: bstrFamilyname"},
        {[](A* a, S* s, bool ok) { return a->SetPerson("M", ok ? "P" : "", "", "", "", s); },
         "SetPerson: bstrGivenname"},
        {[](A* a, S* s, bool ok) { return a->SetPerson("M", ok ? "Pe" : "Pe\xC3", "", "", "", s); },
         "SetPerson: bstrGivenname"},
        {[](A* a, S* s, bool ok) {
             return a->SetPerson("M", "P", std::string(ok ? 35 : 36, 's'), "", "", s);
         },
         "SetPerson: bstrSalutation"},
        {[](A* a, S* s, bool ok) {
             return a->SetPerson("M", "P", "", "", std::string(ok ? 35 : 36, 's'), s);
         },
         "SetPerson: bstrSubaddressing"},
        {[](A* a, S* s, bool ok) { return a->SetCompany(ok ? "AG" : "", "", "", s); },
         "SetCompany: bstrCompanyName"},
        {[](A* a, S* s, bool ok) {
             return a->SetCompany("AG", std::string(ok ? 35 : 36, 'd'), "", s);
         },
         "SetCompany: bstrDepartment"},
        {[](A* a, S* s, bool ok) {
             return a->SetPostal("", "", ok ? "3000" : "", "Bern", "", "", s);
         },
         "SetPostal: bstrZip"},
        {[](A* a, S* s, bool ok) {
             return a->SetPostal("", "", ok ? "123456789" : "1234567890", "Bern", "", "", s);
         },
         "SetPostal: bstrZip"},
        {[](A* a, S* s, bool ok) {
             return a->SetPostal("", "", "3000", ok ? "Bern" : "", "", "", s);
         },
         "SetPostal: bstrCity"},
        {[](A* a, S* s, bool ok) {
             return a->SetPostal("", "", "3000", "Bern", ok ? "BE" : "1234567890", "", s);
         },
         "SetPostal: bstrStateCode"},
        {[](A* a, S* s, bool ok) {
             return a->SetPostal("", "", "3000", "Bern", "", ok ? "NDF" : "CHEE", s);
         },
         "SetPostal: bstrCountryCode"},
        {[](A* a, S* s, bool ok) {
             return a->SetPostal(std::string(ok ? 35 : 36, 's'), "", "3000", "Bern", "", "", s);
         },
         "SetPostal: bstrStreet"},
        {[](A* a, S* s, bool ok) { return a->AddPhone(ok ? "1" : "", "31", "+41", "", s); },
         "AddPhone: bstrNumber"},
        {[](A* a, S* s, bool ok) { return a->AddPhone(ok ? "1234" : "12\a34", "", "", "", s); },
         "AddPhone: bstrNumber"},
        // Parts of fitting length whose joined text "+41 31 ... 99" is 25
        // characters (ok) or 26.
        {[](A* a, S* s, bool ok) {
             return a->AddPhone(std::string(ok ? 15 : 16, '1'), "31", "+41", "99", s);
         },
         "AddPhone: the number with its codes"},
        {[](A* a, S* s, bool ok) { return a->SetFax(ok ? "1" : "", "31", "", "", s); },
         "SetFax: bstrNumber"},
        {[](A* a, S* s, bool ok) { return a->SetOnline(ok ? "a@b.ch" : "no-at-sign", "", s); },
         "SetOnline: bstrEMail"},
        {[](A* a, S* s, bool ok) {
             return a->SetOnline(std::string(ok ? 59 : 60, 'a') + "@example.ch", "", s);
         },
         "SetOnline: bstrEMail"},
        {[](A* a, S* s, bool ok) { return a->SetOnline("", ok ? "https://ab" : "https://a b", s); },
         "SetOnline: bstrUrl"},
        {[](A* a, S* s, bool ok) { return a->SetOnline("", std::string(ok ? 100 : 101, 'u'), s); },
         "SetOnline: bstrUrl"},
    };
    for (const CheckCase& c : cases) {
        EXPECT_EQ(S_OK, c.call(address_.Get(), &status_, true)) << c.fragment << AbortText();
        const std::string before = Text();
        EXPECT_EQ(E_INVALIDARG, c.call(address_.Get(), &status_, false)) << c.fragment;
        EXPECT_EQ("ok|" + std::string(c.fragment), AbortText().substr(0, 3 + strlen(c.fragment)));
        EXPECT_EQ(before, Text()) << "a refused call changes nothing: " << c.fragment;
        EXPECT_EQ(E_POINTER, c.call(address_.Get(), nullptr, true)) << c.fragment;
    }
}

TEST_F(AddressObjectTest, NullOutPointersAreRejected) {
    BSTR t;
    EXPECT_EQ(E_POINTER, address_->Initialize(nullptr));
    EXPECT_EQ(E_POINTER, address_->GetPerson(&t, &t, &t, nullptr, &t, &status_));
    EXPECT_EQ(E_POINTER, address_->GetCompany(&t, &t, &t, nullptr));
    EXPECT_EQ(E_POINTER, address_->GetPostal(&t, &t, &t, &t, &t, nullptr, &status_));
    EXPECT_EQ(E_POINTER, address_->GetFax(nullptr, &t, &t, &t, &status_));
    EXPECT_EQ(E_POINTER, address_->GetFirstPhone(&t, &t, &t, &t, nullptr));
    EXPECT_EQ(E_POINTER, address_->GetNextPhone(&t, nullptr, &t, &t, &status_));
    EXPECT_EQ(E_POINTER, address_->GetOnline(&t, nullptr, &status_));
    EXPECT_EQ(E_POINTER, address_->GetType(nullptr));
}

// ---------------------------------------------------------------------------
// For the other classes of the module

TEST_F(AddressObjectTest, SnapshotCopiesTheAddress) {
    ASSERT_EQ(S_OK, address_->SetCompany("Labor Gamma", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetPostal("", "Postfach", "4000", "Basel", "", "", &status_));
    ASSERT_EQ(S_OK, address_->AddPhone("1234567", "61", "+41", "", &status_));
    ASSERT_EQ(S_OK, address_->SetFax("7654321", "61", "+41", "", &status_));
    ASSERT_EQ(S_OK, address_->SetOnline("lab@example.ch", "https://lab.example.ch", &status_));
    ASSERT_NE(nullptr, AsAddressImpl(address_.Get()));
    EXPECT_EQ(nullptr, AsAddressImpl(nullptr));
    ComPtr<A> copy = MakeComObject<CAddress>(AsAddressImpl(address_.Get())->Snapshot());
    EXPECT_EQ(Text(), AddressText(copy.Get()));
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
        S status;
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
