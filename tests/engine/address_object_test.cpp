#include "module/objects/address_object.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"

namespace {

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

    ComPtr<IAddress> NewAddress() {
        ComPtr<IAddress> address;
        EXPECT_EQ(S_OK, request_->GetCreateAddress(address.ReleaseAndGetAddressOf()));
        return address;
    }

    std::string AbortText() {
        BSTR text;
        VARIANT_BOOL status;
        EXPECT_EQ(S_OK, address_->GetAbortInfo(&text, &status));
        return text;
    }

    long Type() {
        long type = -1;
        EXPECT_EQ(S_OK, address_->GetType(&type));
        return type;
    }

    // The phones of a walk from GetFirstPhone to the end, as "intl|local|number|ext".
    std::vector<std::string> Phones() {
        std::vector<std::string> phones;
        BSTR number, local, intl, ext;
        VARIANT_BOOL status = VARIANT_FALSE;
        HRESULT hr = address_->GetFirstPhone(&number, &local, &intl, &ext, &status);
        while (hr == S_OK) {
            EXPECT_EQ(VARIANT_TRUE, status);
            phones.push_back(intl + "|" + local + "|" + number + "|" + ext);
            hr = address_->GetNextPhone(&number, &local, &intl, &ext, &status);
        }
        EXPECT_EQ(S_FALSE, hr);
        EXPECT_EQ(VARIANT_FALSE, status);
        return phones;
    }

    ComPtr<ITarvos> manager_;
    ComPtr<IGeneralInvoiceRequest> request_;
    ComPtr<IAddress> address_;
    VARIANT_BOOL status_ = VARIANT_FALSE;
};

// ---------------------------------------------------------------------------
// Round trips

TEST_F(AddressObjectTest, NewAddressIsEmpty) {
    EXPECT_EQ(0, Type());
    BSTR a = "x", b = "x", c = "x", d = "x", e = "x", f = "x";
    ASSERT_EQ(S_OK, address_->GetPerson(&a, &b, &c, &d, &e, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", a + b + c + d + e);
    ASSERT_EQ(S_OK, address_->GetPostal(&a, &b, &c, &d, &e, &f, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", a + b + c + d + e + f);
    ASSERT_EQ(S_OK, address_->GetFax(&a, &b, &c, &d, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    ASSERT_EQ(S_OK, address_->GetOnline(&a, &b, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_TRUE(Phones().empty());
}

TEST_F(AddressObjectTest, PersonRoundTrip) {
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Peter", "Herr", "Dr. med.", "c/o Praxis Alpha",
                                        &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(1, Type());
    BSTR family, given, salutation, title, sub;
    ASSERT_EQ(S_OK, address_->GetPerson(&family, &given, &salutation, &title, &sub, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("Muster", family);
    EXPECT_EQ("Peter", given);
    EXPECT_EQ("Herr", salutation);
    EXPECT_EQ("Dr. med.", title);
    EXPECT_EQ("c/o Praxis Alpha", sub);
}

TEST_F(AddressObjectTest, CompanyRoundTripAndTheLaterNameDecidesTheType) {
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Peter", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetCompany("Spital Beta AG", "Radiologie", "Haus C", &status_));
    EXPECT_EQ(2, Type());
    BSTR name, department, sub;
    ASSERT_EQ(S_OK, address_->GetCompany(&name, &department, &sub, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("Spital Beta AG", name);
    EXPECT_EQ("Radiologie", department);
    EXPECT_EQ("Haus C", sub);

    BSTR a, b, c, d, e;
    ASSERT_EQ(S_OK, address_->GetPerson(&a, &b, &c, &d, &e, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_) << "not a person's address any more";

    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Anna", "", "", "", &status_));
    EXPECT_EQ(1, Type());
}

TEST_F(AddressObjectTest, PostalRoundTripWithUmlautsCountedAsCharacters) {
    // 35 characters, of which 3 are two bytes long.
    const std::string street = "Zürichstrasse 123, Gebäude Süd 4567";
    ASSERT_EQ(S_OK,
              address_->SetPostal(street, "Postfach 12", "8000", "Zürich", "ZH", "CH", &status_))
        << AbortText();
    BSTR s, p, z, c, st, co;
    ASSERT_EQ(S_OK, address_->GetPostal(&s, &p, &z, &c, &st, &co, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(street, s);
    EXPECT_EQ("Postfach 12", p);
    EXPECT_EQ("8000", z);
    EXPECT_EQ("Zürich", c);
    EXPECT_EQ("ZH", st);
    EXPECT_EQ("CH", co);
}

TEST_F(AddressObjectTest, FaxIsReplacedAndRemovedByEmptyParts) {
    ASSERT_EQ(S_OK, address_->SetFax("1234567", "31", "+41", "", &status_));
    ASSERT_EQ(S_OK, address_->SetFax("7654321", "44", "+41", "12", &status_));
    BSTR number, local, intl, ext;
    ASSERT_EQ(S_OK, address_->GetFax(&number, &local, &intl, &ext, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("7654321", number);
    EXPECT_EQ("44", local);
    EXPECT_EQ("+41", intl);
    EXPECT_EQ("12", ext);

    ASSERT_EQ(S_OK, address_->SetFax("", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->GetFax(&number, &local, &intl, &ext, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", number);
}

TEST_F(AddressObjectTest, OnlineRoundTripAndEmptyTextsMeanNone) {
    ASSERT_EQ(S_OK,
              address_->SetOnline("praxis@example.ch", "https://example.ch/praxis", &status_));
    BSTR mail, url;
    ASSERT_EQ(S_OK, address_->GetOnline(&mail, &url, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("praxis@example.ch", mail);
    EXPECT_EQ("https://example.ch/praxis", url);

    ASSERT_EQ(S_OK, address_->SetOnline("", "https://example.ch", &status_));
    ASSERT_EQ(S_OK, address_->GetOnline(&mail, &url, &status_));
    EXPECT_EQ("", mail);
    EXPECT_EQ("https://example.ch", url);
    ASSERT_EQ(S_OK, address_->SetOnline("", "", &status_));
    ASSERT_EQ(S_OK, address_->GetOnline(&mail, &url, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
}

TEST_F(AddressObjectTest, InitializeEmptiesEverything) {
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Peter", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetPostal("", "", "8000", "Zürich", "", "", &status_));
    ASSERT_EQ(S_OK, address_->AddPhone("1234567", "", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetOnline("a@b.ch", "", &status_));
    ASSERT_EQ(S_OK, address_->Initialize(&status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(0, Type());
    EXPECT_TRUE(Phones().empty());
    invoice::Address empty = AsAddressImpl(address_.Get())->Snapshot();
    EXPECT_EQ("", empty.person.familyname);
    EXPECT_EQ("", empty.postal.city);
    EXPECT_TRUE(empty.emails.empty());
}

// ---------------------------------------------------------------------------
// Phone walk

TEST_F(AddressObjectTest, PhonesWalkInOrderEndAndRestart) {
    ASSERT_EQ(S_OK, address_->AddPhone("1111111", "31", "+41", "", &status_));
    ASSERT_EQ(S_OK, address_->AddPhone("2222222", "44", "", "9", &status_));
    EXPECT_EQ((std::vector<std::string>{"+41|31|1111111|", "|44|2222222|9"}), Phones());

    BSTR number = "x", local, intl, ext;
    EXPECT_EQ(S_FALSE, address_->GetNextPhone(&number, &local, &intl, &ext, &status_))
        << "stays at the end";
    EXPECT_EQ("", number);
    EXPECT_EQ(VARIANT_FALSE, status_);

    ASSERT_EQ(S_OK, address_->GetFirstPhone(&number, &local, &intl, &ext, &status_));
    EXPECT_EQ("1111111", number);
    ASSERT_EQ(S_OK, address_->GetFirstPhone(&number, &local, &intl, &ext, &status_));
    EXPECT_EQ("1111111", number) << "a first read restarts";
    ASSERT_EQ(S_OK, address_->GetNextPhone(&number, &local, &intl, &ext, &status_));
    EXPECT_EQ("2222222", number);
}

TEST_F(AddressObjectTest, AFourthPhoneIsRejected) {
    for (const char* number : {"1", "2", "3"}) {
        ASSERT_EQ(S_OK, address_->AddPhone(number, "", "", "", &status_));
    }
    EXPECT_EQ(E_FAIL, address_->AddPhone("4", "", "", "", &status_));
    EXPECT_NE(std::string::npos, AbortText().find("AddPhone: the address holds 3 phones"));
    EXPECT_EQ(3u, Phones().size());
}

// ---------------------------------------------------------------------------
// Checks

TEST_F(AddressObjectTest, BadNamesAreRejectedWithMethodAndField) {
    const std::string long36(36, 'a');
    struct Case {
        std::string family, given, salutation, field;
    };
    for (const Case& c : std::vector<Case>{{"", "Peter", "", "bstrFamilyname"},
                                           {long36, "Peter", "", "bstrFamilyname"},
                                           {"Muster", "", "", "bstrGivenname"},
                                           {"Muster", "Peter", long36, "bstrSalutation"},
                                           {"Mu\x01ster", "Peter", "", "bstrFamilyname"},
                                           {"Muster", "Pe\xC3", "", "bstrGivenname"}}) {
        EXPECT_EQ(E_INVALIDARG,
                  address_->SetPerson(c.family, c.given, c.salutation, "", "", &status_));
        EXPECT_EQ(0u, AbortText().find("SetPerson: " + c.field)) << AbortText();
    }
    EXPECT_EQ(E_INVALIDARG, address_->SetPerson("M", "P", "", "", long36, &status_));
    EXPECT_EQ(E_INVALIDARG, address_->SetCompany("", "", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetCompany: bstrCompanyName"));
    EXPECT_EQ(E_INVALIDARG, address_->SetCompany("AG", long36, "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetCompany: bstrDepartment"));
    EXPECT_EQ(S_OK, address_->SetPerson(std::string(35, 'a'), "P", "", "", "", &status_));
}

TEST_F(AddressObjectTest, ARejectedCallChangesNothing) {
    ASSERT_EQ(S_OK, address_->SetPerson("Muster", "Peter", "Herr", "", "", &status_));
    ASSERT_EQ(S_OK, address_->SetPostal("Weg 1", "", "3000", "Bern", "", "CH", &status_));
    ASSERT_EQ(S_OK, address_->SetOnline("a@b.ch", "", &status_));
    ASSERT_EQ(S_OK, address_->SetFax("1234567", "", "", "", &status_));
    invoice::Address before = AsAddressImpl(address_.Get())->Snapshot();

    EXPECT_EQ(E_INVALIDARG, address_->SetPerson("Neu", "", "", "", "", &status_));
    EXPECT_EQ(E_INVALIDARG, address_->SetCompany(std::string(40, 'x'), "", "", &status_));
    EXPECT_EQ(E_INVALIDARG, address_->SetPostal("Neuweg", "", "3000", "", "", "", &status_));
    EXPECT_EQ(E_INVALIDARG, address_->SetOnline("neu@b.ch", "has blank", &status_));
    EXPECT_EQ(E_INVALIDARG, address_->SetFax(std::string(26, '1'), "", "", "", &status_));

    invoice::Address after = AsAddressImpl(address_.Get())->Snapshot();
    EXPECT_EQ(1, Type());
    EXPECT_EQ(before.person.familyname, after.person.familyname);
    EXPECT_EQ(before.person.givenname, after.person.givenname);
    EXPECT_EQ(before.company.companyname, after.company.companyname);
    EXPECT_EQ(before.postal.street, after.postal.street);
    EXPECT_EQ(before.emails, after.emails);
    ASSERT_EQ(1u, after.faxes.size());
    EXPECT_EQ("1234567", after.faxes[0].number);
}

TEST_F(AddressObjectTest, PostalChecksFollowTheFormat) {
    EXPECT_EQ(E_INVALIDARG, address_->SetPostal("", "", "", "Bern", "", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetPostal: bstrZip"));
    EXPECT_EQ(E_INVALIDARG, address_->SetPostal("", "", "1234567890", "Bern", "", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetPostal: bstrZip"));
    EXPECT_EQ(E_INVALIDARG, address_->SetPostal("", "", "3000", "", "", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetPostal: bstrCity"));
    EXPECT_EQ(E_INVALIDARG,
              address_->SetPostal("", "", "3000", "Bern", "1234567890", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetPostal: bstrStateCode"));
    EXPECT_EQ(E_INVALIDARG, address_->SetPostal("", "", "3000", "Bern", "", "CHEE", &status_));
    EXPECT_EQ(0u, AbortText().find("SetPostal: bstrCountryCode"));
    EXPECT_EQ(E_INVALIDARG,
              address_->SetPostal(std::string(36, 's'), "", "3000", "Bern", "", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetPostal: bstrStreet"));

    EXPECT_EQ(S_OK, address_->SetPostal("", "", "123456789", "Bern", "", "", &status_));
    EXPECT_EQ(S_OK, address_->SetPostal("", "", "3000", "Bern", "BE", "NDF", &status_));
}

TEST_F(AddressObjectTest, PhoneAndFaxChecks) {
    EXPECT_EQ(E_INVALIDARG, address_->AddPhone("", "31", "+41", "", &status_));
    EXPECT_EQ(0u, AbortText().find("AddPhone: bstrNumber"));
    // Parts of fitting length whose joined text "+41 31 ... 99" is 26 characters.
    EXPECT_EQ(E_INVALIDARG, address_->AddPhone(std::string(16, '1'), "31", "+41", "99", &status_));
    EXPECT_NE(std::string::npos, AbortText().find("AddPhone: the number with its codes"));
    EXPECT_EQ(S_OK, address_->AddPhone(std::string(15, '1'), "31", "+41", "99", &status_));
    EXPECT_EQ(E_INVALIDARG, address_->SetFax("", "31", "", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetFax: bstrNumber"));
    EXPECT_EQ(E_INVALIDARG, address_->AddPhone("12\a34", "", "", "", &status_));
}

TEST_F(AddressObjectTest, OnlineChecks) {
    EXPECT_EQ(E_INVALIDARG, address_->SetOnline("no-at-sign", "", &status_));
    EXPECT_EQ(0u, AbortText().find("SetOnline: bstrEMail"));
    EXPECT_EQ(E_INVALIDARG,
              address_->SetOnline(std::string(60, 'a') + "@example.ch", "", &status_));
    EXPECT_EQ(E_INVALIDARG, address_->SetOnline("", "https://a b", &status_));
    EXPECT_EQ(0u, AbortText().find("SetOnline: bstrUrl"));
    EXPECT_EQ(E_INVALIDARG, address_->SetOnline("", std::string(101, 'u'), &status_));
    EXPECT_EQ(S_OK, address_->SetOnline(std::string(59, 'a') + "@example.ch", "", &status_));
}

TEST_F(AddressObjectTest, NullOutPointersAreRejected) {
    BSTR t;
    EXPECT_EQ(E_POINTER, address_->Initialize(nullptr));
    EXPECT_EQ(E_POINTER, address_->SetPerson("M", "P", "", "", "", nullptr));
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
    const CAddress* impl = AsAddressImpl(address_.Get());
    ASSERT_NE(nullptr, impl);
    invoice::Address data = impl->Snapshot();
    EXPECT_EQ(invoice::AddressType::kCompany, data.type);
    EXPECT_EQ("Labor Gamma", data.company.companyname);
    EXPECT_EQ("Postfach", data.postal.pobox);
    ASSERT_EQ(1u, data.phones.size());
    EXPECT_EQ("+41 61 1234567", invoice::PhoneText(data.phones[0]));
    ASSERT_EQ(1u, data.faxes.size());
    EXPECT_EQ((std::vector<std::string>{"lab@example.ch"}), data.emails);
    EXPECT_EQ((std::vector<std::string>{"https://lab.example.ch"}), data.urls);
}

TEST_F(AddressObjectTest, PhoneTextLeavesOutEmptyParts) {
    EXPECT_EQ("41 31 22", invoice::PhoneText({"22", "31", "41", ""}));
    EXPECT_EQ("22", invoice::PhoneText({"22", "", "", ""}));
    EXPECT_EQ("+41 22 7", invoice::PhoneText({"22", "", "+41", "7"}));
}

TEST_F(AddressObjectTest, OnlyOurOwnAddressesAreRecognised) {
    EXPECT_EQ(nullptr, AsAddressImpl(nullptr));
    EXPECT_NE(nullptr, AsAddressImpl(address_.Get()));
}

TEST_F(AddressObjectTest, AddressesAreIndependentAndLiveWhileReferenced) {
    ComPtr<IAddress> other = NewAddress();
    ASSERT_EQ(S_OK, other->SetPerson("Other", "One", "", "", "", &status_));
    EXPECT_EQ(0, Type());
    IAddress* raw = other.Get();
    raw->AddRef();
    other = nullptr;
    long type = 0;
    EXPECT_EQ(S_OK, raw->GetType(&type));
    EXPECT_EQ(1, type);
    raw->Release();
}

}  // namespace

namespace {

// Requests of other groups may read an address (Snapshot) while its own group
// writes it: every read sees a whole person, never half of one.
TEST(AddressObjectThreadTest, SnapshotsSeeWholeWrites) {
    ComPtr<IAddress> address;
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
